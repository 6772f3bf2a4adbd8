#pragma once
// Shared fixtures: a scratch folder per test, a fixed clock, an event log whose lines
// are captured, and a fresh embedded database.

#include <chrono>
#include <filesystem>
#include <ostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "base/event_log.h"
#include "db/database.h"
#include "db/sqlite_engine.h"

namespace velaris::test {

// A new empty folder under the system's temporary folder, removed at destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// The engine the fixtures run the system's statements on. VELARIS_TEST_ENGINE=odbc: the
// ODBC engine through the SQLite ODBC driver with the embedded engine's translation in
// front (the field's code path, in SQLite's dialect); VELARIS_TEST_ENGINE=mssql: the ODBC
// engine on the SQL Server database VELARIS_TEST_MSSQL names (see sql_server.h);
// otherwise the embedded engine.
enum class TestEngine { Sqlite, Odbc, Mssql };
TestEngine testEngine();

// Clock fixed at a known moment, a captured log and an embedded database in a scratch
// folder, reached through the engine testEngine() names. `withSchema` builds the centre's
// schema into it.
struct DbFixture {
    explicit DbFixture(bool withSchema = false);
    TempDir dir;
    Clock clock;
    EventLog log;
    std::vector<std::string> logLines;
    std::unique_ptr<SqliteConnection> nativeConnection;  // ODBC engine only: the file itself
    // The file itself (the engine too, when embedded); null on SQL Server.
    SqliteConnection* sqlite = nullptr;
    Database db;

    std::filesystem::path dbPath() const { return dir / "test.db"; }
    // Runs native SQLite text (table set-up for a test), straight into the file; on SQL
    // Server put into its dialect first.
    void native(const std::string& sql);
    // First column of the first row, through the engine.
    Value scalar(const std::string& sql);
    // The SQLite connection the engine's statements run on (to inject failures); null on
    // SQL Server.
    sqlite3* engineHandle();

private:
    void createSchema();
};

// Polls `done` until it holds or `timeout` passes: for what another process does in its own
// time. True when it held.
template <class Pred>
bool eventually(Pred done, std::chrono::milliseconds timeout = std::chrono::seconds(5),
                std::chrono::milliseconds step = std::chrono::milliseconds(50)) {
    for (auto end = std::chrono::steady_clock::now() + timeout;; std::this_thread::sleep_for(step)) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
    }
}

// True when the tests run against SQL Server: what depends on SQLite itself is skipped.
bool onSqlServer();

}  // namespace velaris::test

namespace velaris {
// Readable values in test failure messages.
inline void PrintTo(const Value& v, std::ostream* os) {
    static const char* kinds[] = {"Empty", "Null", "Bool", "Int", "Double", "Text", "Date"};
    *os << kinds[static_cast<int>(v.kind())] << "(" << v.toText() << ")";
}
}  // namespace velaris
