#include "app/version.h"

#include <cstdio>

namespace velaris {

std::string testoVersione(int major, int minor, int revision) {
    char text[64];
    std::snprintf(text, sizeof text, "Ver. %d.%02d.%03d", major, minor, revision);
    return text;
}

std::string testoVersione() {
    int major = 0, minor = 0, revision = 0;
    std::sscanf(VELARIS_VERSION, "%d.%d.%d", &major, &minor, &revision);
    return testoVersione(major, minor, revision);
}

}  // namespace velaris
