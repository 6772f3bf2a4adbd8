#pragma once
// The blocking fee irregularities: the condition on `Giornale` rows that message intake
// builds for every read and the subscription checks and the reply use.

#include <string>

#include "system/system.h"

namespace velaris {

// The blocking-irregularity conditions, with grace days and without (`Filtro_Scadenze`);
// the kinds restricted to the centre carry `filtroCentro` (the current `Filtro_Centro`
// when not given).
std::string costruisciFiltroIrregolarita(Sistema& s, const DateTime& oggi, bool conTolleranza);
std::string costruisciFiltroIrregolarita(Sistema& s, const DateTime& oggi, bool conTolleranza,
                                         const std::string& filtroCentro);

}  // namespace velaris
