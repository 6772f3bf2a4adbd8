#pragma once
// Choosing the database engine from the connection string of the command line:
//   Provider=SQLite;Data Source=<file>, or a bare path ending in .db / .sqlite / .sqlite3
//       -> the embedded engine on that file (which must exist: opening never creates it)
//   Provider=SQLOLEDB / SQLNCLI* / MSOLEDBSQL* (OLE DB for SQL Server)
//       -> SQL Server through ODBC, the OLE DB keys mapped to the configured driver
//   Driver=... / DSN=... / FILEDSN=... (no Provider)
//       -> ODBC, the string used as it is
// Anything else, the empty string included, is refused: guessing could point the
// system at the wrong database.

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "db/connection.h"

namespace velaris {

struct EngineOptions {
    // ODBC driver an OLE DB string for SQL Server is mapped to: a name registered in
    // odbcinst.ini or the path of the driver library.
    std::string odbcDriver = "FreeTDS";
    // TDS protocol version for FreeTDS.
    std::string tdsVersion = "7.4";
    // How long one statement may wait for the database: the embedded engine's busy
    // time-out (another process holding the file), the server's command time-out and
    // the login time-out of a reconnection. The event loop never waits longer than this
    // for one statement, so a stalled database cannot hang the terminals.
    std::chrono::milliseconds statementTimeout{5000};
};

// The options as the environment of the process sets them: VELARIS_ODBC_DRIVER (driver
// name or library path), VELARIS_TDS_VERSION and VELARIS_DB_TIMEOUT_MS (the statement
// time-out in milliseconds); defaults where a variable is unset, empty or invalid.
EngineOptions engineOptionsFromEnvironment();

enum class EngineKind { Unknown, Sqlite, Odbc };

struct EngineChoice {
    EngineKind kind = EngineKind::Unknown;
    // Sqlite: the database file. Odbc: the ODBC connection string.
    std::string target;
};

// Which engine a connection string selects; never throws.
EngineKind classifyConnectionString(std::string_view connectionString);
// The engine and what to open with it; touches nothing. DbError when the string is
// refused (the message never repeats a value of it: values may be passwords).
EngineChoice chooseEngine(std::string_view connectionString, const EngineOptions& options = {});

// Opens the connection the string selects. DbError when the string is refused, the
// database file does not exist or the server cannot be reached.
std::unique_ptr<Connection> openConnection(std::string_view connectionString, const Clock& clock,
                                           const EngineOptions& options = {});

}  // namespace velaris
