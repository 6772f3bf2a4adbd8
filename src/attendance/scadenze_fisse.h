#pragma once
// The attendance of a member admitted on a fixed fee: one `Presenze` row, no entitlement
// counted.

#include <cstdint>
#include <optional>

#include "system/system.h"

namespace velaris {

// Draws a presence number under lock 103 and writes the visit of `cliente` at terminal
// `indirizzo`, now, with the card just read. The number, or nothing when the visit could
// not be written (logged; the lock is released on every path).
std::optional<int64_t> Salva_Presenza_ScadenzeFisse(Sistema& s, const Value& cliente, int indirizzo);

}  // namespace velaris
