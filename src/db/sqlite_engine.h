#pragma once

#include <chrono>
// The embedded engine: a SQLite database that runs the system's T-SQL statements
// unchanged. Every statement passes through the T-SQL translator; the schema and demo
// scripts run natively.
//
// Statements are cached by shape: the text with its literals taken out. A statement seen
// before in any shape-alike form reuses its translation and its prepared statement, and
// its literals are bound as parameters.

#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/clock.h"
#include "db/connection.h"
#include "db/tsql/lexer.h"

struct sqlite3;
struct sqlite3_stmt;

namespace velaris {

namespace tsql {
class Translator;
struct Translation;
}  // namespace tsql

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
    // One transaction (a savepoint inside a unit of work); rolled back on failure.
    void executeBatch(const std::vector<std::string>& statements) override;
    std::string engineName() const override { return "SQLite"; }
    unsigned long statementCount() const override { return statements_; }
    unsigned long roundTrips() const override { return roundTrips_; }
    // A unit of work is one transaction: its pages reach the journal once, at its end,
    // instead of once per statement.
    void beginUnit() override;
    void endUnit() override;
    // Copies the write-ahead journal into the database file (see the definition for
    // when the journal is restarted and truncated). Once called, the journal is copied on
    // commit only when it grows past kBackstopPages: the server calls this from its
    // polling tick, so that card reads do not pay for it.
    void manutenzione() override;
    int64_t rowsChanged() const override { return changed_; }
    // BEGIN IMMEDIATE: the write lock is taken at once (waiting up to the busy time-out for
    // another process's writer), so a transaction never fails half-way for want of it.
    void beginTransaction() override;
    void commitTransaction() override;
    void rollbackTransaction() override;

    // Journal pages after which a commit copies the journal itself, when the polling tick
    // has not run for a while (a link whose reads keep postponing the tick).
    static constexpr int kBackstopPages = 2048;
    // Size the journal file is cut back to whenever it restarts.
    static constexpr long long kJournalSizeLimit = 512 * 1024;
    // How long a quiet tick waits for other processes to empty the journal file.
    static constexpr int kTruncateWaitMs = 20;

    // Runs native SQLite text (schema definition), several statements allowed.
    void executeNative(std::string_view sql);
    // The translation the engine runs for a T-SQL statement, literals written in
    // (diagnostics, tests). TranslationError when it cannot be translated.
    std::string translate(std::string_view sql);

    sqlite3* handle() const { return db_; }
    const Clock& clock() const { return clock_; }
    tsql::Translator& translator() { return *translator_; }
    // Prepared statements kept for reuse, and how often one was reused (diagnostics).
    size_t cachedStatements() const { return lru_.size(); }
    unsigned long statementReuses() const { return reuses_; }

private:
    // Column names and value kinds of a prepared statement's rows.
    struct Columns {
        std::vector<std::string> names;
        std::vector<uint8_t> kinds;
    };
    // A prepared statement with its translation. Cached ones stay in `lru_` while a
    // recordset uses them (marked in use); a second user of the same translation at
    // the same time gets a statement of its own, finalized when released.
    struct Prepared {
        sqlite3_stmt* stmt = nullptr;
        std::shared_ptr<const tsql::Translation> translation;
        Columns columns;
        bool inUse = false;
        bool cached = false;
    };
    using Slot = std::list<Prepared>::iterator;

    Prepared* acquire(std::string_view tsql, std::unique_ptr<Prepared>& spare);
    void release(Prepared* p);
    void dropIdleStatements();
    // Runs native text (transaction control); DbError on failure.
    void nativeStep(const char* sql);

    // Waits for a lock another process holds, polling every millisecond up to `waitMs_`.
    static int waitForLock(void* self, int attempt);
    void setLockWait(int ms);

    sqlite3* db_ = nullptr;
    const Clock& clock_;
    int busyTimeoutMs_;
    int waitMs_ = 0;
    std::chrono::steady_clock::time_point waitStart_;
    std::unique_ptr<tsql::Translator> translator_;
    tsql::Lexed lexed_;  // buffers reused from call to call
    unsigned long statements_ = 0;
    int64_t changed_ = 0;
    unsigned long roundTrips_ = 0;
    bool inBatch_ = false;
    int unitDepth_ = 0;
    bool unitOwnsTransaction_ = false;
    bool savepoint_ = false;  // the transaction is a savepoint of a unit of work
    bool checkpointOnTick_ = false;
    long long changesAtLastTick_ = -1;
    unsigned long reuses_ = 0;

    // Prepared statements by translation, most recently used first.
    std::list<Prepared> lru_;
    std::unordered_map<uint64_t, Slot> byId_;
    static constexpr size_t kMaxCached = 256;

    friend class SqliteRecordset;
};

}  // namespace velaris
