// Arbitrary text as the settings file: parsed, and its [Comm] section read into the link
// configuration; every value read back must be one the file holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/config.h"

using namespace velaris;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const IniFile ini = IniFile::parse(text);
    const LinkConfig c = readLinkConfig(ini);
    if (auto v = ini.get("Comm", "Allowed_Peers"); v && c.Allowed_Peers != *v) std::abort();
    if (!ini.get("comm", "dispositivo") && c.Dispositivo != 0) std::abort();
    return 0;
}
