#include "db/odbc/connection_string.h"

#include <charconv>

#include "db/connection.h"
#include "db/literals.h"

namespace velaris::odbc {

namespace {

// ADO's number for a connection string it cannot use (adErrProviderNotFound would be
// misleading; this is "arguments are of the wrong type or out of range").
constexpr long kBadConnectionString = 3001;

[[noreturn]] void refuse(const std::string& why) {
    throw DbError(kBadConnectionString, "Invalid connection string: " + why);
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && sameName(s.substr(0, prefix.size()), prefix);
}

bool containsNoCase(std::string_view s, std::string_view needle) { return findNoCase(s, needle) != std::string_view::npos; }

bool isTrue(std::string_view v) {
    v = trim(v);
    return sameName(v, "sspi") || sameName(v, "true") || sameName(v, "yes");
}

}  // namespace

std::vector<ConnectionAttribute> parseConnectionString(std::string_view text) {
    std::vector<ConnectionAttribute> out;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        // Key: up to a single "="; "==" belongs to the key.
        std::string key;
        bool sawEquals = false;
        while (i < n) {
            const char c = text[i];
            if (c == '=') {
                if (i + 1 < n && text[i + 1] == '=') {
                    key += '=';
                    i += 2;
                    continue;
                }
                sawEquals = true;
                ++i;
                break;
            }
            if (c == ';') break;
            key += c;
            ++i;
        }
        const std::string trimmedKey(trim(key));
        if (!sawEquals) {
            // Not named: the stray text is most likely the tail of a password that
            // contains ";" and was not quoted.
            if (!trimmedKey.empty()) refuse("a part has no \"=\" (a value containing \";\" must be quoted)");
            ++i;  // an empty pair between two ";"
            continue;
        }
        if (trimmedKey.empty()) refuse("a value has no key");

        while (i < n && isBlank(text[i])) ++i;
        std::string value;
        if (i < n && (text[i] == '"' || text[i] == '\'' || text[i] == '{')) {
            const char open = text[i];
            const char close = open == '{' ? '}' : open;
            ++i;
            bool closed = false;
            while (i < n) {
                if (text[i] == close) {
                    if (i + 1 < n && text[i + 1] == close) {
                        value += close;
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                value += text[i++];
            }
            if (!closed) refuse("the value of \"" + trimmedKey + "\" is not closed");
            while (i < n && isBlank(text[i])) ++i;
            if (i < n && text[i] != ';') refuse("unexpected text after the value of \"" + trimmedKey + "\"");
        } else {
            const size_t start = i;
            while (i < n && text[i] != ';') ++i;
            value = std::string(trim(text.substr(start, i - start)));
        }
        if (i < n) ++i;  // the ";"
        out.push_back({trimmedKey, std::move(value)});
    }
    return out;
}

std::optional<std::string> lastValue(const std::vector<ConnectionAttribute>& attrs,
                                     std::initializer_list<std::string_view> names) {
    std::optional<std::string> found;
    for (const auto& a : attrs)
        for (auto name : names)
            if (sameName(a.key, name)) found = a.value;
    return found;
}

namespace {
std::string braced(std::string_view value) {
    std::string out = "{";
    for (char c : value) {
        out += c;
        if (c == '}') out += '}';
    }
    out += '}';
    return out;
}
}  // namespace

std::string odbcValue(std::string_view value) {
    const bool needsBraces = value.find_first_of(";}") != std::string_view::npos ||
                             (!value.empty() && (value.front() == '{' || value.front() == '"' || value.front() == '\'' ||
                                                 isBlank(value.front()) || isBlank(value.back())));
    return needsBraces ? braced(value) : std::string(value);
}

bool isFreeTds(std::string_view driver) { return containsNoCase(driver, "freetds") || containsNoCase(driver, "tdsodbc"); }

namespace {

struct ServerAddress {
    std::string host;
    std::string instance;
    std::string port;
};

ServerAddress parseDataSource(std::string_view dataSource) {
    std::string_view s = trim(dataSource);
    if (startsWithNoCase(s, "tcp:")) s = trim(s.substr(4));
    if (startsWithNoCase(s, "np:") || startsWithNoCase(s, "lpc:") || startsWithNoCase(s, "admin:"))
        refuse("only TCP connections to the server are possible from here (Data Source)");
    ServerAddress a;
    if (const size_t comma = s.find(','); comma != std::string_view::npos) {
        const std::string_view port = trim(s.substr(comma + 1));
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (port.empty() || ec != std::errc() || end != port.data() + port.size() || value < 1 || value > 65535)
            refuse("the port in the Data Source is not a number from 1 to 65535");
        a.port = std::to_string(value);
        s = trim(s.substr(0, comma));
    }
    if (const size_t slash = s.find('\\'); slash != std::string_view::npos) {
        a.instance = std::string(trim(s.substr(slash + 1)));
        s = trim(s.substr(0, slash));
    }
    a.host = std::string(s);
    if (a.host == "." || sameName(a.host, "(local)") || sameName(a.host, "(localdb)")) a.host = "localhost";
    if (a.host.empty()) refuse("no server is named (Data Source)");
    return a;
}

void add(std::string& out, std::string_view key, std::string_view value) {
    if (!out.empty()) out += ';';
    out += key;
    out += '=';
    out += odbcValue(value);
}

}  // namespace

std::string toOdbcConnectionString(std::string_view text, const OdbcTarget& target) {
    const auto attrs = parseConnectionString(text);
    if (attrs.empty()) refuse("the connection string is empty");

    const auto provider = lastValue(attrs, {"Provider"});
    if (!provider && lastValue(attrs, {"Driver", "DSN", "FILEDSN"})) return std::string(text);
    if (provider) {
        const std::string_view p = trim(*provider);
        if (!startsWithNoCase(p, "SQLOLEDB") && !startsWithNoCase(p, "SQLNCLI") && !startsWithNoCase(p, "MSOLEDBSQL"))
            refuse("the provider \"" + std::string(p) + "\" is not a SQL Server provider");
    }

    const auto dataSource = lastValue(attrs, {"Data Source", "Server", "Address", "Addr", "Network Address"});
    if (!dataSource) refuse("no server is named (Data Source)");
    const ServerAddress server = parseDataSource(*dataSource);
    const bool freeTds = isFreeTds(target.driver);

    // The driver name always goes in braces: registered names carry blanks
    // ("ODBC Driver 18 for SQL Server").
    std::string out = "Driver=" + braced(target.driver);

    if (freeTds) {
        add(out, "Server", server.host);
        // An explicit port wins over the instance: FreeTDS would otherwise ask the
        // browser service for a port it has been given already.
        if (!server.port.empty())
            add(out, "Port", server.port);
        else if (!server.instance.empty())
            add(out, "Instance", server.instance);
    } else {
        std::string s = server.port.empty() ? server.host : "tcp:" + server.host;
        if (!server.instance.empty()) s += "\\" + server.instance;
        if (!server.port.empty()) s += "," + server.port;
        add(out, "Server", s);
    }

    if (auto db = lastValue(attrs, {"Initial Catalog", "Database"}); db && !trim(*db).empty()) add(out, "Database", *db);

    // Integrated security wins over a user and password given as well, as with OLE DB.
    const auto integrated = lastValue(attrs, {"Integrated Security", "Trusted_Connection"});
    if (integrated && isTrue(*integrated)) {
        add(out, "Trusted_Connection", "Yes");
    } else {
        if (auto uid = lastValue(attrs, {"User ID", "UID", "User"})) add(out, "UID", *uid);
        if (auto pwd = lastValue(attrs, {"Password", "PWD"})) add(out, "PWD", *pwd);
    }

    if (auto app = lastValue(attrs, {"Application Name", "App"}); app && !app->empty()) add(out, "APP", *app);
    if (auto wsid = lastValue(attrs, {"Workstation ID", "WSID"}); wsid && !wsid->empty()) add(out, "WSID", *wsid);
    if (auto lang = lastValue(attrs, {"Current Language", "Language"}); lang && !lang->empty())
        add(out, "Language", *lang);

    // Encryption: MSOLEDBSQL's keys and the ADO.NET ones. Microsoft's newer drivers
    // encrypt by default, so an explicit "no" is passed on as well.
    const auto encrypt = lastValue(attrs, {"Use Encryption for Data", "Encrypt"});
    const auto trust = lastValue(attrs, {"Trust Server Certificate", "TrustServerCertificate"});
    if (freeTds) {
        if (encrypt && isTrue(*encrypt)) add(out, "Encryption", "require");
    } else {
        if (encrypt) add(out, "Encrypt", isTrue(*encrypt) ? "yes" : "no");
        if (trust) add(out, "TrustServerCertificate", isTrue(*trust) ? "yes" : "no");
    }

    if (freeTds) {
        if (!target.tdsVersion.empty()) add(out, "TDS_Version", target.tdsVersion);
        add(out, "ClientCharset", "UTF-8");
    }
    return out;
}

}  // namespace velaris::odbc
