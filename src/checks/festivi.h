#pragma once
// Holidays, excluded periods and area closures: whether the checks use the holiday
// bands (DDSettimana 8) today, and whether an area is closed at a given time.

#include "system/system.h"

namespace velaris {

// `Giorno_Festivo`: true when `data` is a holiday on which the centre is closed
// (`Tabella_Festivi` with Club_Open 0), lies in an excluded period (`Periodi_Esclusi`),
// or, with `modo` 1 only, falls in a closure of `codiceArea` (or of every area, '00000')
// at `ora` (start inclusive, end exclusive). A database failure is logged and reads as
// "not a holiday".
bool Giorno_Festivo(Sistema& s, int modo, const Value& data, const Value& codiceArea = Value(),
                    const Value& ora = Value());

}  // namespace velaris
