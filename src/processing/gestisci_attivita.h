#pragma once
// `Gestisci_Attivita`: at a terminal that manages activities, a member the subscription
// check admitted types the code of the activity to use (state 8); at a terminal in charge
// mode the choice is then confirmed with 1 or cancelled with 0 (state 9). The typed
// activity is admitted and recorded by the activity selection.

#include <string>

#include "checks/abbonamenti_terminali.h"
#include "processing/intake.h"

namespace velaris {

// `Gestisci_Attivita` of a terminal record: 1 the member chooses the activity.
inline constexpr int kGestioneAttivita = 1;

// True when the terminal runs the keypad dialogue: `Gestisci_Attivita` 1 at a facility
// where activities are typed (rows of `Attivita_Terminali` or
// `Attivita_Terminali_Strutture_Associate` for its facility). Any other terminal with
// `Gestisci_Attivita` 1 offers the activation choice of the activity selection instead.
bool Attivita_Da_Tastiera(Sistema& s, const TerminalRow& t);

// In state 2, after the subscription check gave `verdetto` on `cliente`: a refused member
// is answered ("UTENTE|NON ABILITATO||UTENTE IRREGOLARE" for arrears), an admitted one is
// asked for the activity and the terminal waits in state 8. In states 8 and 9 (`cliente`
// is the member kept in the state row) the typed code or key goes on with the dialogue.
// A database error is logged and leaves the terminal idle, with no verdict.
Fine Gestisci_Attivita(Sistema& s, Messaggio& m, const std::string& cliente, int verdetto = kVAT_Ammesso);

}  // namespace velaris
