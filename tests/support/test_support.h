#pragma once
// Shared fixtures: a scratch folder per test, a fixed clock, an event log whose lines
// are captured, and a fresh embedded database.

#include <filesystem>
#include <ostream>
#include <memory>
#include <string>
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

// Clock fixed at a known moment, a captured log and an embedded database in a scratch
// folder. `withSchema` builds the centre's schema into it.
struct DbFixture {
    explicit DbFixture(bool withSchema = false);
    TempDir dir;
    Clock clock;
    EventLog log;
    std::vector<std::string> logLines;
    SqliteConnection* sqlite = nullptr;  // owned by db
    Database db;

    std::filesystem::path dbPath() const { return dir / "test.db"; }
    // Runs native SQLite text (table set-up for a test).
    void native(const std::string& sql) { sqlite->executeNative(sql); }
    // First column of the first row, through the T-SQL engine.
    Value scalar(const std::string& sql);
};

// The schema file of the embedded database.
std::filesystem::path schemaFile();

}  // namespace velaris::test

namespace velaris {
// Readable values in test failure messages.
inline void PrintTo(const Value& v, std::ostream* os) {
    static const char* kinds[] = {"Empty", "Null", "Bool", "Int", "Double", "Text", "Date"};
    *os << kinds[static_cast<int>(v.kind())] << "(" << v.toText() << ")";
}
}  // namespace velaris
