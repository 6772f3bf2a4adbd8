#pragma once
// The embedded engine: a SQLite database that runs the system's T-SQL statements
// unchanged. Every statement passes through the T-SQL translator (cached by statement
// text); the schema and demo scripts run natively.

#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "app/clock.h"
#include "db/connection.h"

struct sqlite3;
struct sqlite3_stmt;

namespace velaris {

namespace tsql { class Translator; }

class SqliteConnection : public Connection {
public:
    // Opens an existing database file (or creates it when `create` is true). The file is
    // put in write-ahead journal mode with a busy time-out so that other processes can
    // read and write it while this one runs.
    SqliteConnection(const std::string& path, const Clock& clock, bool create = false, int busyTimeoutMs = 10000);
    ~SqliteConnection() override;
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    void execute(std::string_view sql) override;
    std::unique_ptr<Recordset> open(std::string_view sql) override;
    std::string engineName() const override { return "SQLite"; }
    unsigned long statementCount() const override { return statements_; }

    // Runs native SQLite text (schema definition), several statements allowed.
    void executeNative(std::string_view sql);
    // The translation the engine runs for a T-SQL statement (diagnostics, tests).
    std::string translate(std::string_view sql);

    sqlite3* handle() const { return db_; }
    const Clock& clock() const { return clock_; }

private:
    sqlite3_stmt* prepare(std::string_view tsql);
    void release(sqlite3_stmt* stmt, std::string tsql);
    [[noreturn]] void fail(int rc);

    sqlite3* db_ = nullptr;
    const Clock& clock_;
    std::unique_ptr<tsql::Translator> translator_;
    unsigned long statements_ = 0;

    // Prepared statements by T-SQL text, least recently used last; a statement in use
    // by an open recordset is taken out of the cache until the recordset closes.
    std::list<std::pair<std::string, sqlite3_stmt*>> lru_;
    std::unordered_map<std::string_view, std::list<std::pair<std::string, sqlite3_stmt*>>::iterator> byText_;
    static constexpr size_t kMaxCached = 256;

    friend class SqliteRecordset;
};

}  // namespace velaris
