#pragma once
// The command frames the system sends to the TCP terminals through the client link.

#include <string>

#include "base/value.h"

namespace velaris {

// Relay go: STX "06|000255000|020|3|" + `TempoVai` in 4 digits + ETX.
std::string frameGo(const Value& tempoVai);
// Relay stop: STX "06|255000000|010|4|0000" ETX.
std::string frameStop();
// Presence probe: STX "17" ETX.
std::string frameProbe();

}  // namespace velaris
