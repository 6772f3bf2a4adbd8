#include "db/engine.h"

#include <cstdlib>
#include <filesystem>

#include "db/literals.h"
#include "db/odbc/connection_string.h"
#include "db/odbc/odbc_connection.h"
#include "db/sqlite_engine.h"

namespace velaris {

namespace {

// The number ADO gives a connection string it cannot use.
constexpr long kBadConnectionString = 3001;

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && sameName(s.substr(0, prefix.size()), prefix);
}

bool endsWithNoCase(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && sameName(s.substr(s.size() - suffix.size()), suffix);
}

bool isSqliteFileName(std::string_view s) {
    return endsWithNoCase(s, ".db") || endsWithNoCase(s, ".sqlite") || endsWithNoCase(s, ".sqlite3");
}

bool isSqlServerProvider(std::string_view p) {
    return startsWithNoCase(p, "SQLOLEDB") || startsWithNoCase(p, "SQLNCLI") || startsWithNoCase(p, "MSOLEDBSQL");
}

bool isSqliteProvider(std::string_view p) { return sameName(p, "SQLite") || sameName(p, "SQLite3"); }

}  // namespace

EngineOptions engineOptionsFromEnvironment() {
    EngineOptions o;
    if (const char* v = std::getenv("VELARIS_ODBC_DRIVER"); v && *v) o.odbcDriver = v;
    if (const char* v = std::getenv("VELARIS_TDS_VERSION"); v && *v) o.tdsVersion = v;
    if (const char* v = std::getenv("VELARIS_DB_TIMEOUT_MS"); v && *v) {
        char* end = nullptr;
        const long ms = std::strtol(v, &end, 10);
        if (end && *end == '\0' && ms > 0 && ms <= 600000) o.statementTimeout = std::chrono::milliseconds(ms);
    }
    return o;
}

EngineKind classifyConnectionString(std::string_view connectionString) {
    const std::string_view s = trimBlanks(connectionString);
    if (s.empty()) return EngineKind::Unknown;
    std::vector<odbc::ConnectionAttribute> attrs;
    try {
        attrs = odbc::parseConnectionString(s);
    } catch (const DbError&) {
        // Not "key=value" text: possibly a bare file path.
    }
    if (auto provider = odbc::lastValue(attrs, {"Provider"})) {
        const std::string_view p = trimBlanks(*provider);
        if (isSqliteProvider(p)) return EngineKind::Sqlite;
        if (isSqlServerProvider(p)) return EngineKind::Odbc;
        return EngineKind::Unknown;
    }
    if (odbc::lastValue(attrs, {"Driver", "DSN", "FILEDSN"})) return EngineKind::Odbc;
    if (isSqliteFileName(s)) return EngineKind::Sqlite;
    return EngineKind::Unknown;
}

EngineChoice chooseEngine(std::string_view connectionString, const EngineOptions& options) {
    const std::string_view s = trimBlanks(connectionString);
    switch (classifyConnectionString(s)) {
        case EngineKind::Sqlite: {
            std::vector<odbc::ConnectionAttribute> attrs;
            try {
                attrs = odbc::parseConnectionString(s);
            } catch (const DbError&) {
            }
            if (!odbc::lastValue(attrs, {"Provider"})) return {EngineKind::Sqlite, std::string(s)};
            const auto file = odbc::lastValue(attrs, {"Data Source"});
            if (!file || trimBlanks(*file).empty())
                throw DbError(kBadConnectionString, "Invalid connection string: no database file is named (Data Source)");
            return {EngineKind::Sqlite, std::string(trimBlanks(*file))};
        }
        case EngineKind::Odbc:
            return {EngineKind::Odbc, odbc::toOdbcConnectionString(s, {options.odbcDriver, options.tdsVersion})};
        case EngineKind::Unknown:
            break;
    }
    if (s.empty()) throw DbError(kBadConnectionString, "Invalid connection string: the connection string is empty");
    throw DbError(kBadConnectionString,
                  "Invalid connection string: it names neither a SQL Server provider (Provider=SQLOLEDB, SQLNCLI, "
                  "MSOLEDBSQL), an ODBC driver or data source (Driver=, DSN=) nor an embedded database "
                  "(Provider=SQLite;Data Source=<file>, or a file ending in .db or .sqlite)");
}

std::unique_ptr<Connection> openConnection(std::string_view connectionString, const Clock& clock,
                                           const EngineOptions& options) {
    const EngineChoice choice = chooseEngine(connectionString, options);
    if (choice.kind == EngineKind::Sqlite) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(choice.target, ec))
            throw DbError(kBadConnectionString, "The database file \"" + choice.target + "\" does not exist");
        return std::make_unique<SqliteConnection>(choice.target, clock, false,
                                                  static_cast<int>(options.statementTimeout.count()));
    }
    auto odbc = std::make_unique<odbc::OdbcConnection>(choice.target, clock);
    odbc->setStatementTimeout(options.statementTimeout);
    return odbc;
}

}  // namespace velaris
