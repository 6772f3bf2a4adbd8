#include "app/operator_view.h"

#include <cstdlib>

namespace velaris {

bool desktopSession() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"})
        if (const char* v = std::getenv(name); v && *v) return true;
    return false;
}

}  // namespace velaris
