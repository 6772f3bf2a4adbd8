#pragma once
// `Prenotazioni_Terminali`: reads at a terminal that serves bookable machines or
// sub-facilities. A member who booked a slot switches the booked machine on inside the
// slot's window; a staff member badges, types a machine number and switches that machine
// on by hand. The procedure answers the terminal and writes its state row itself.

#include "processing/intake.h"

namespace velaris {

// Outcomes of a member's read, as the terminal is told them.
enum class EsitoPrenotazione {
    Attivata,    // "OK REGOLARE|ATTIVAZIONE:|" and the on-time; the machine is switched on
    FuoriOrario, // "STOP|FUORI ORARIO": a slot today, none in its window
    Irregolare,  // "STOP|IRREGOLARE": the member may not use it
    GiaAttivata, // "SEDUTA|GIA' ATTIVATA|": the slot's machine was already switched on
    Nessuna,     // "STOP|NESSUNA PRENOTAZIONE": no slot at this terminal's machines
};

// Handles the read of `m` at the current terminal: in state 4 the typed machine number of
// the staff member kept in the state row, otherwise the code's owner (`m.Codice_Proprietario`).
// A database error ends the read with a log line and no verdict, and the terminal returns
// to its idle state.
void Prenotazioni_Terminali(Sistema& s, Messaggio& m);

}  // namespace velaris
