#include "app/config.h"

#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>

#include "db/literals.h"

namespace velaris {

namespace {
std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
}

std::string trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return std::string(s);
}

int intOr(const IniFile& ini, const char* key, int fallback) {
    auto v = ini.get("Comm", key);
    if (!v) return fallback;
    auto n = parseNumber(*v);
    // A number no int holds (a typo of extra digits) is as good as none.
    if (!n || !(*n >= std::numeric_limits<int>::min() && *n <= std::numeric_limits<int>::max())) return fallback;
    return static_cast<int>(*n);
}
}  // namespace

IniFile IniFile::parse(const std::string& text) {
    IniFile ini;
    std::istringstream in(text);
    std::string line, section;
    while (std::getline(in, line)) {
        std::string t = trimmed(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t.front() == '[' && t.back() == ']') {
            section = lower(trimmed(t.substr(1, t.size() - 2)));
            continue;
        }
        const size_t eq = t.find('=');
        if (eq == std::string::npos) continue;
        std::string value = trimmed(t.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        ini.values_[section + "\n" + lower(trimmed(t.substr(0, eq)))] = value;
    }
    return ini;
}

IniFile IniFile::load(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in) return {};
    std::stringstream ss;
    ss << in.rdbuf();
    return parse(ss.str());
}

std::optional<std::string> IniFile::get(const std::string& section, const std::string& key) const {
    auto it = values_.find(lower(section) + "\n" + lower(key));
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::filesystem::path defaultConfigPath() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        return std::filesystem::path(xdg) / "Velaris" / "Velaris.ini";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : ".") / ".config" / "Velaris" / "Velaris.ini";
}

LinkConfig readLinkConfig(const IniFile& ini) {
    LinkConfig c;
    c.Dispositivo = intOr(ini, "Dispositivo", 0);
    c.Port = intOr(ini, "Port", 1);
    if (c.Port == 0) c.Port = 1;
    if (auto v = ini.get("Comm", "Listen_Address"); v && !v->empty()) c.Listen_Address = *v;
    c.Http_Port = intOr(ini, "Http_Port", c.Http_Port);
    c.Tcp_Port = intOr(ini, "Tcp_Port", c.Tcp_Port);
    c.Terminal_Port = intOr(ini, "Terminal_Port", c.Terminal_Port);
    if (auto v = ini.get("Comm", "Net92_Device"); v && !v->empty()) c.Net92_Device = *v;
    c.Controller_Port = intOr(ini, "Controller_Port", c.Controller_Port);
    if (auto v = ini.get("Comm", "Allowed_Peers")) c.Allowed_Peers = *v;
    return c;
}

}  // namespace velaris
