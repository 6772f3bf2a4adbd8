#pragma once
// The dispatch's hand-overs for exits, tickets and visitor cards: each judges and records
// through its procedure in attendance and answers the terminal here (relay, verdict text,
// idle prompt and the state the message leaves).

#include <optional>
#include <string>

#include "processing/intake.h"

namespace velaris {

// Longest owner code any table stores (`Codice_Cliente`, `Codice_Visitatore`, staff keys).
inline constexpr size_t kLunghezzaCodice = 20;

// `Salva_Uscita` for `codice` (the owner code) at a terminal whose `Uscita` is set.
// Nothing when the read goes on as an entry (a terminal that serves both ways without an
// open stay entered through it; a staff member coming in); otherwise how the message ends.
std::optional<Fine> Salva_Uscita(Sistema& s, Messaggio& m, const std::string& codice);

// `Verifica_Biglietti` for the code read: direction 1 entry, 2 exit. True when a ticket
// decided the read and the terminal has been answered (the idle prompt and the state write
// follow); false when the read goes on through the dispatch.
bool Verifica_Biglietti(Sistema& s, Messaggio& m, int direzione, const std::string& codice);

// `Verifica_Ingresso_Visitatori` for a visitor code ("VR...").
Fine Verifica_Ingresso_Visitatori(Sistema& s, Messaggio& m, const std::string& codice);

}  // namespace velaris
