#pragma once
// A test dialect of the ODBC engine: the statements are translated by the embedded
// engine's T-SQL layer before they reach the SQLite ODBC driver, so that the production
// path (the driver manager, fetching, type mapping, errors, reconnection) runs whole
// against a SQLite file; only the dialect differs from SQL Server. Never used in the
// field: a connection string alone never selects it.

#include <memory>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/value.h"

struct sqlite3;

namespace velaris::tsql {
class Translator;
}

namespace velaris::odbc {

class SqliteDialect {
public:
    // `file` is the database the driver opens; it is read here for the declared column
    // types the translation needs.
    SqliteDialect(const std::string& file, const Clock& clock);
    ~SqliteDialect();
    SqliteDialect(const SqliteDialect&) = delete;
    SqliteDialect& operator=(const SqliteDialect&) = delete;

    // The SQLite text of a T-SQL statement, literals written in. TranslationError when
    // the embedded engine refuses it.
    std::string translate(std::string_view tsql);
    // A value as the embedded engine reads it back: a text of the canonical date/time
    // shape is a date/time there.
    static Value adapt(Value v);

    // Alive around the driver's connect: the SQLite connection the driver opens gets the
    // engine's functions, collation and settings (with `clock` for GETDATE()).
    class ConnectHook {
    public:
        explicit ConnectHook(const Clock& clock);
        ~ConnectHook();
        ConnectHook(const ConnectHook&) = delete;
        ConnectHook& operator=(const ConnectHook&) = delete;
        // The SQLite connection the driver opened meanwhile, if any (tests use it to
        // inject failures).
        sqlite3* opened() const;
    };

private:
    sqlite3* schema_ = nullptr;
    std::unique_ptr<tsql::Translator> translator_;
};

// The database file an ODBC string for the SQLite driver names (Database=), or "".
std::string sqliteDatabaseFile(std::string_view connectionString);

}  // namespace velaris::odbc
