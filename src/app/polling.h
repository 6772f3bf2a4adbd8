#pragma once
// The polling cycle: Timer1 once a second drains the queue, keeps the idle clocks
// current, keeps the listener alive, reads a polled link and picks up inbound
// messages injected through the database; Timer2 reports push terminals that never
// connected.

#include "system/system.h"

namespace velaris {

void Timer1_Tick(Sistema& s);
void Timer2_Tick(Sistema& s);

// Hands a code read at `address` to message processing at once: positions the terminal,
// stops Timer1 for the duration, restarts it after. The links that report codes reach it
// through the link host, in their turn (Sistema::accogliLettura).
void processaLettura(Sistema& s, int address, std::string message, int connectionIndex);

// A message from a terminal behind an Ethernet controller, at once: positions the
// terminal, acknowledges a keypad's read and hands the message to message processing,
// with Timer1 stopped for the duration. The link host hands it over in its turn.
void EtherCtrl_MessageRecv(Sistema& s, int address, const std::string& message);

}  // namespace velaris
