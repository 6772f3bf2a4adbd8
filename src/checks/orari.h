#pragma once
// Timetable admission: strike out (Conferma=0) the candidate rows of the scratch table
// `wTmp_Presenze_Strutture` that may not be used now: frequency limits per facility,
// day and time bands, area closures, lesson timetables and required bookings.

#include <string>

#include "system/system.h"

namespace velaris {

// Each procedure walks the confirmed rows of its kind (facility, course or service)
// and strikes out those that fail a test; a row that uses a booking or a lesson gets
// its window (DaOre, AOre) and the marks Singola / Ingresso_Scalato. `valoreA` and
// `valoreB` are the caller's values and are left unchanged. The result is the caller's
// reply text `testo` (no test writes one). A failed statement is logged and raised again
// (DbError): the read it belongs to ends without a verdict. A failed band count sets no
// limit and a failed booking lookup refuses a row that needs one.
Value Orario_Strutture_Ingresso(Sistema& s, const Value& risultato, const Value& codiceCliente, Value& valoreA,
                                Value& valoreB, const Value& testo);
Value Orario_Corsi_Ingresso(Sistema& s, const Value& risultato, const Value& codiceCliente, Value& valoreA,
                            Value& valoreB, const Value& testo);
Value Orario_Servizi_Ingresso(Sistema& s, const Value& risultato, const Value& codiceCliente, Value& valoreA,
                              Value& valoreB, const Value& testo);

// The band condition the checks share: " And DATEADD(minute, -<minutes>, Fascia_Ini)<="
// now " And Fascia_Fin>=" now, with a blank number of minutes written as 0.
std::string condizioneFascia(const Value& minuti, const DateTime& ora);
// "DATEADD(minute, -<minutes>, <column>)" with a blank number of minutes written as 0.
std::string anticipo(const Value& minuti, const std::string& colonna);

}  // namespace velaris
