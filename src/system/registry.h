#pragma once
// Terminal initialisation at start-up: reads the configured terminals, brings up the link
// of the configured kind, probes each terminal, queues its idle prompt and creates its
// state row in `Stato_Terminali`.

#include "system/system.h"

namespace velaris {

// Sets `Terminali_Inizializzati` when the link came up; tells the operator why not.
void Inizializza_Terminali(Sistema& s);

// Loads the relay parameters and type of a terminal row into the current context.
void caricaParametriTerminale(Sistema& s, const TerminalRow& row);

// The idle prompt texts and start state of a terminal type (start-up and idle prompt).
struct PromptIniziale {
    std::vector<std::string> testi;
    int stato;
};
PromptIniziale promptIniziale(const TerminalRow& row, const std::string& rigaOrologio);

// A read that ends without a verdict (the database failed): the terminal at `address` is
// sent its idle prompt at once, around the queue, which lives in the database. An
// HTTP-push terminal gets an idle screen as the answer to its request.
void Prompt_Riposo_Immediato(Sistema& s, int address);

}  // namespace velaris
