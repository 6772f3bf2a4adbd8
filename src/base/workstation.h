#pragma once
// Identity of this workstation as the operating system reports it.

#include <string>

#include "base/value.h"

namespace velaris {

// `ShowInfo`: 1 the computer name, 2 the logged-on user, 3 and 4 always empty (trimmed).
// The computer name is this server's workstation name when one was set.
Value ShowInfo(int which);

// Names this server's workstation instead of the computer (the --workstation option), so
// that two servers can share one machine and one database: the name marks this server's
// lock rows, work-table rows and terminals. Set once at start-up; empty restores the
// computer name.
void setWorkstationName(std::string name);
// The workstation name in use: the one set, otherwise the computer name.
std::string workstationName();

}  // namespace velaris
