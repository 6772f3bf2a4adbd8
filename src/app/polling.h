#pragma once
// The polling cycle: Timer1 once a second drains the queue, keeps the idle clocks
// current, keeps the listener alive, reads the NET92 network and picks up inbound
// messages injected through the database; Timer2 reports push terminals that never
// connected.

#include "system/system.h"

namespace velaris {

void Timer1_Tick(Sistema& s);
void Timer2_Tick(Sistema& s);

// Hands a code read at `address` to message processing: positions the terminal, stops
// Timer1 for the duration, restarts it after. Used by every link.
void processaLettura(Sistema& s, int address, std::string message, int connectionIndex);

}  // namespace velaris
