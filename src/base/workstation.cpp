#include "base/workstation.h"

#include <pwd.h>
#include <unistd.h>

#include "base/format.h"

namespace velaris {

namespace {
std::string computerName() {
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) != 0) return {};
    return buf;
}

// The process's workstation name; written once at start-up, before anything reads it.
std::string& nameOverride() {
    static std::string name;
    return name;
}

std::string userName() {
    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name) return pw->pw_name;
    return {};
}
}  // namespace

void setWorkstationName(std::string name) { nameOverride() = std::string(trimBlanks(name)); }

std::string workstationName() {
    if (!nameOverride().empty()) return nameOverride();
    return std::string(trimBlanks(computerName()));
}

Value ShowInfo(int which) {
    switch (which) {
        case 1: return Value(workstationName());
        case 2: return Value(std::string(trimBlanks(userName())));
        case 3:
        case 4: return Value("");
        default: return Value::null();
    }
}

}  // namespace velaris
