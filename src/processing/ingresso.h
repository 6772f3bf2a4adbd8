#pragma once
// A read at a general entrance (a terminal with neither a facility nor booking sub-areas):
// staff cards record their passage, members are judged by the check by facility, their
// admitted entry is recorded, and the terminal, the desk's display record and the terminal's
// state are answered. Codes that are neither get a refusal and nothing is recorded.

#include <string>

#include "processing/intake.h"

namespace velaris {

// The member check's hand-over at a general entrance for the owner code `codice`. A
// database failure in the check or the recording ends the read without a verdict: no
// reply, no display row, no state write (Fine::Nessuna, or DbError from the check).
Fine Ingresso_Generale(Sistema& s, Messaggio& m, const std::string& codice);

}  // namespace velaris
