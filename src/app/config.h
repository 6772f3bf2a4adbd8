#pragma once
// The per-user settings file of the workstation ($XDG_CONFIG_HOME/Velaris/Velaris.ini,
// or the file given with --config): the link kind and the link's addresses and ports,
// in section [Comm].

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "system/system.h"

namespace velaris {

// Sections and keys of an INI file, names compared without regard to case.
class IniFile {
public:
    static IniFile load(const std::filesystem::path& path);  // a missing file is empty
    static IniFile parse(const std::string& text);
    std::optional<std::string> get(const std::string& section, const std::string& key) const;

private:
    std::map<std::string, std::string> values_;  // "section\nkey" in lower case -> value
};

// The default settings file: $XDG_CONFIG_HOME/Velaris/Velaris.ini, else
// ~/.config/Velaris/Velaris.ini.
std::filesystem::path defaultConfigPath();

// Reads [Comm]. A missing or non-numeric Dispositivo leaves it 0 (not configured).
LinkConfig readLinkConfig(const IniFile& ini);

}  // namespace velaris
