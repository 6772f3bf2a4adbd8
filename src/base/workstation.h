#pragma once
// Identity of this workstation as the operating system reports it.

#include <string>

#include "base/value.h"

namespace velaris {

// `ShowInfo`: 1 the computer name, 2 the logged-on user, 3 and 4 always empty (trimmed).
Value ShowInfo(int which);

}  // namespace velaris
