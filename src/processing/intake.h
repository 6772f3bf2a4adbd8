#pragma once
// `Elabora_Messaggi`: every inbound terminal message passes through here, one at a time,
// to completion: state row, terminal record, code, special cards, the state machine, the
// dispatch of the code to the checks, the idle prompt and the final state write.

#include <string>
#include <vector>

#include "checks/irregolarita.h"
#include "system/system.h"

namespace velaris {

// What the member check decided, filled by the checks and the activity selection and
// turned into the terminal's reply (texts, relay, display record completion).
struct Verdetto {
    // 0 admitted; 1, 2, 4 refused (the reason flags tell why); 3 suspended;
    // 5 points credit short; 6 money-card credit short.
    int Esito = 0;
    bool FuoriFascia = false;     // refusal reason "FASCIA ORARIA"
    bool NessunIngresso = false;  // refusal reason "NESSUN INGRESSO"
    // Further assignments for the display record of a refusal (", Entrata = ... ").
    std::string Altre_DatiAccessi;
    // Information lines shown under "OK|ABILITATO" ("RESIDUO| 4", "DATA SCADENZA:|...").
    std::vector<std::string> Info;
    // A further information text queued after the verdict ("CREDITO RESIDUO:| ...").
    std::string Info_Ulteriore;
    // A choice prompt was queued: the terminal waits in state 10.
    bool Scelta = false;
    // The entry was recorded: the recording already pulsed the relay.
    bool Registrato = false;
    // Admitted for the activity the member typed: "UTENTE|ABILITATO".
    bool Altra_Attivita = false;
    // Receipt lines (terminals whose `Stampa_Scontrino` is on).
    std::string Servizio;
    Value Residui;
    Value Scadenza;
};

// The values one message carries through its processing.
struct Messaggio {
    std::string Codice_Letto;
    // The terminal's state row.
    int Stato = 0;
    Value Codice_Cliente;
    Value Importo;
    int16_t MoneyCard = 0;
    // What the final state write stores.
    int Stato_Nuovo = 0;
    int Regolare = 0;      // verdict of the subscription check: 1 admitted, 0 refused, 2 staff
    int FuoriOrario = 0;   // outside the time band
    // Working values of this message.
    DateTime oggi;
    DateTime ora;          // time of day on 1 January 1900
    int giornoSettimana = 0;  // Monday = 1 .. Sunday = 7
    bool festivo = false;
    std::string Riga_Orologio;
    int Tempo_Display = 6;
    const TerminalRow* terminale = nullptr;
    // Identification: the stripped code, the owner code and the owner's names.
    std::string Codice_Spogliato;
    std::string Codice_Proprietario;
    Value Cognome;
    Value Nome;
    Verdetto verdetto;
};

// How a step of the processing ends the message.
enum class Fine {
    ScriviStato,  // the final state write follows
    Nessuna,      // the step answered and wrote whatever it needed itself
};

void Elabora_Messaggi(Sistema& s, std::string& messaggio);

// Deletes the sales marked for deletion (special card operation 1).
void Elimina_Marker(Sistema& s);

// `Prompt_Riposo`: queues the idle prompt for the next user and sets the new state.
void Prompt_Riposo(Sistema& s, Messaggio& m);
// The idle prompt of terminal `indirizzo` of type `tipo` (record `t`, may be null), queued
// `ritardo` seconds ahead with `riga` as its clock line. Returns the state the terminal
// then waits in: 2 ready, 1 locked by its operator, 0 for types that keep their state.
int Accoda_Prompt_Riposo(Sistema& s, int indirizzo, int tipo, const TerminalRow* t, const std::string& riga,
                         int ritardo);

// The classification of a code at a ready terminal and the checks it goes through.
Fine dispatchCodice(Sistema& s, Messaggio& m);
// The member check reached directly from the activity states 8 and 9.
Fine controlloCliente(Sistema& s, Messaggio& m);

struct EsitoAttivita;
// The verdict of the activity selection on `codice`: the reply, the pass logged for an
// admitted member, the idle prompt and the end of the verdict (a pending activation choice
// only waits for its state write).
Fine Verdetto_Attivita(Sistema& s, Messaggio& m, const std::string& codice, const EsitoAttivita& ea);

}  // namespace velaris
