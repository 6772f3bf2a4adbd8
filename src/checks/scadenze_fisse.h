#pragma once
// Fixed fees that admit instead of a subscription: a paid yearly fee or a medical
// certificate, valid from its renewal to its expiry plus the grace days of its kind.

#include <optional>
#include <string>

#include "system/system.h"

namespace velaris {

// The kind (`Tipo_Scadenza` 1..6) of a paid fee of `cliente` that admits on day `oggi`:
// renewed on or before that day and not past its expiry plus the grace days of its kind
// (settings `Tolleranza1`, `Tolleranza2`, `Tolleranza11`, `Tolleranza16`, `Tolleranza17`,
// `Tolleranza18`, in the order of the kinds). Nothing when there is none. The day is the
// server's clock, so a fee holds until the end of its last valid day. A database error is
// raised.
std::optional<int> Verifica_ScadenzeFisse(Sistema& s, const std::string& cliente, const DateTime& oggi);

}  // namespace velaris
