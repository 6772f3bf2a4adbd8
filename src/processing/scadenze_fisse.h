#pragma once
// `Ingresso_ScadenzeFisse`: at a terminal whose `Gestisci_Attivita` is 2, a member is
// admitted on a paid fixed fee (a yearly fee, a medical certificate) instead of a
// subscription.

#include <string>

#include "processing/intake.h"

namespace velaris {

// `Gestisci_Attivita` of a terminal record: 2 members enter on their fixed fees.
inline constexpr int kGestioneScadenzeFisse = 2;

// Judges the fees of member `cliente`. Admitted: the visit is written under lock 103, the
// pass is logged (the sub-terminals read it back), the gate opens and "OK|ABILITATO" is
// shown; refused: the stop relay and "STOP|NON ABILITATO", nothing written. A visit that
// cannot be written gets no verdict. Ends with the idle prompt; the state write follows.
Fine Ingresso_ScadenzeFisse(Sistema& s, Messaggio& m, const std::string& cliente);

}  // namespace velaris
