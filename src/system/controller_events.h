#pragma once
// What the system does with the Ethernet controllers' events: received messages go to
// message processing, socket errors are counted per terminal, acknowledgements free the
// flow-control slots of the queue.

#include "system/system.h"

namespace velaris {

void EtherCtrl_MessageRecv(Sistema& s, const std::string& ip, const std::string& data, int address);
void EtherCtrl_SockError(Sistema& s, int address);
void EtherCtrl_Acknowledged(Sistema& s);

// Connects the three handlers to the controller component of `s`.
void collegaEventiControllore(Sistema& s);

}  // namespace velaris
