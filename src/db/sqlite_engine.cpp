#include "db/sqlite_engine.h"

#include <sqlite3.h>

#include <cstring>
#include <thread>
#include <vector>

#include "db/tsql/functions.h"
#include "db/tsql/translator.h"

namespace velaris {

namespace {

bool containsNoCase(const char* hay, const char* needle) {
    if (!hay) return false;
    const size_t n = std::strlen(needle);
    for (const char* p = hay; *p; ++p)
        if (strncasecmp(p, needle, n) == 0) return true;
    return false;
}

bool looksCanonicalDate(const unsigned char* t, int n) {
    if (n != 19) return false;
    static const char shape[] = "dddd-dd-dd dd:dd:dd";
    for (int i = 0; i < 19; ++i) {
        if (shape[i] == 'd') {
            if (t[i] < '0' || t[i] > '9') return false;
        } else if (t[i] != static_cast<unsigned char>(shape[i])) {
            return false;
        }
    }
    return true;
}

// How a column's values map to Values, from its declared type: BIT columns hold the
// booleans (-1/0), DATE/TIME columns hold date/times as canonical text.
enum class ColKind : uint8_t { Plain, Bool, Date };

ColKind columnKind(sqlite3_stmt* st, int i) {
    const char* decl = sqlite3_column_decltype(st, i);
    if (containsNoCase(decl, "BIT") || containsNoCase(decl, "BOOL")) return ColKind::Bool;
    if (containsNoCase(decl, "DATE") || containsNoCase(decl, "TIME")) return ColKind::Date;
    return ColKind::Plain;
}

Value columnValue(sqlite3_stmt* st, int i, ColKind kind) {
    switch (sqlite3_column_type(st, i)) {
        case SQLITE_NULL: return Value::null();
        case SQLITE_INTEGER: {
            const sqlite3_int64 v = sqlite3_column_int64(st, i);
            if (kind == ColKind::Bool) return Value(v != 0);
            return Value(static_cast<long long>(v));
        }
        case SQLITE_FLOAT: return Value(sqlite3_column_double(st, i));
        default: {
            const unsigned char* t = sqlite3_column_text(st, i);
            const int n = sqlite3_column_bytes(st, i);
            std::string_view text(reinterpret_cast<const char*>(t ? t : reinterpret_cast<const unsigned char*>("")),
                                  static_cast<size_t>(n));
            if (looksCanonicalDate(t, n) || kind == ColKind::Date) {
                if (auto d = DateTime::parse(text)) return Value(*d);
            }
            return Value(text);
        }
    }
}

// The kind of failure an SQLite result code stands for.
DbFault faultOf(int rc) {
    switch (rc & 0xFF) {
        case SQLITE_BUSY: return DbFault::Busy;
        case SQLITE_LOCKED: return DbFault::Locked;
        case SQLITE_IOERR:
        case SQLITE_CANTOPEN: return DbFault::LinkLost;
        default: return DbFault::Statement;
    }
}

// The number of a failed statement: the server's own where the engine raised one of its
// errors (a text too long for its column), SQLite's result code otherwise.
long errorNumber(int rc, const std::string& msg) {
    return msg == tsql::kTruncatedMessage ? tsql::kTruncatedNumber : rc;
}

std::string withProcedure(const std::shared_ptr<const tsql::Translation>& t, const std::string& msg) {
    if (!t || t->procedure.empty()) return msg;
    return t->procedure + ": " + msg;
}

}  // namespace

class SqliteRecordset : public Recordset {
public:
    SqliteRecordset(SqliteConnection& conn, SqliteConnection::Prepared* p, std::unique_ptr<SqliteConnection::Prepared> spare)
        : conn_(conn), p_(p), spare_(std::move(spare)) {
        row_.resize(p_->columns.names.size());
    }
    ~SqliteRecordset() override { conn_.release(p_); }
    void start() { step(); }

    bool eof() const override { return eof_; }
    void moveNext() override {
        if (!eof_) step();
    }
    int fieldCount() const override { return static_cast<int>(row_.size()); }
    const std::string& fieldName(int index) const override {
        if (index < 0 || index >= fieldCount()) throw DbError(3265, "Field index out of range");
        return p_->columns.names[static_cast<size_t>(index)];
    }
    const Value& field(int index) const override {
        if (eof_) throw DbError(3021, "Either BOF or EOF is True, or the current record has been deleted");
        if (index < 0 || index >= fieldCount()) throw DbError(3265, "Field index out of range");
        return row_[static_cast<size_t>(index)];
    }

private:
    void step() {
        const int rc = sqlite3_step(p_->stmt);
        if (rc == SQLITE_ROW) {
            for (size_t i = 0; i < row_.size(); ++i)
                row_[i] = columnValue(p_->stmt, static_cast<int>(i), static_cast<ColKind>(p_->columns.kinds[i]));
            return;
        }
        eof_ = true;
        std::string msg = rc != SQLITE_DONE ? sqlite3_errmsg(conn_.handle()) : std::string();
        // Give the statement back as soon as the rows are read: no read stays open.
        sqlite3_reset(p_->stmt);
        if (rc != SQLITE_DONE) throw DbError(errorNumber(rc, msg), withProcedure(p_->translation, msg), faultOf(rc));
    }

    SqliteConnection& conn_;
    SqliteConnection::Prepared* p_;
    std::unique_ptr<SqliteConnection::Prepared> spare_;  // owns *p_ when it is not cached
    std::vector<Value> row_;
    bool eof_ = false;
};

SqliteConnection::SqliteConnection(const std::string& path, const Clock& clock, bool create, int busyTimeoutMs)
    : clock_(clock), busyTimeoutMs_(busyTimeoutMs) {
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw DbError(rc, "Cannot open database \"" + path + "\": " + msg);
    }
    sqlite3_extended_result_codes(db_, 0);
    setLockWait(busyTimeoutMs);
    // A double-quoted name in a statement is always a name: a misspelt column must fail,
    // not turn into a text.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    tsql::registerFunctions(db_, clock_);
    translator_ = std::make_unique<tsql::Translator>(db_);
    char* err = nullptr;
    // Write-ahead journal with synchronous=NORMAL: every statement commits on its own, and
    // a disk flush per commit would cost more than the rest of a card read. The database
    // stays consistent after any crash; a power cut may lose the last commits before the
    // next checkpoint.
    // The journal file is cut back to kJournalSizeLimit whenever it restarts, so a burst
    // of writes does not leave it large on disk.
    const std::string pragmas = "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=OFF; "
                                "PRAGMA recursive_triggers=OFF; PRAGMA journal_size_limit=" +
                                std::to_string(kJournalSizeLimit) + ";";
    if (sqlite3_exec(db_, pragmas.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "unknown error";
        sqlite3_free(err);
        translator_.reset();
        sqlite3_close(db_);
        db_ = nullptr;
        throw DbError(SQLITE_ERROR, "Cannot open database \"" + path + "\": " + msg);
    }
}

SqliteConnection::~SqliteConnection() {
    for (Prepared& p : lru_) sqlite3_finalize(p.stmt);
    lru_.clear();
    translator_.reset();
    sqlite3_close_v2(db_);
}

std::string SqliteConnection::translate(std::string_view sql) { return translator_->translateText(sql); }

SqliteConnection::Prepared* SqliteConnection::acquire(std::string_view tsql, std::unique_ptr<Prepared>& spare) {
    ++statements_;
    if (!inBatch_) ++roundTrips_;
    tsql::lex(tsql, lexed_);
    const std::shared_ptr<const tsql::Translation>& translation = translator_->translate(lexed_);
    Prepared* p = nullptr;
    if (auto it = byId_.find(translation->id); it != byId_.end() && !it->second->inUse) {
        lru_.splice(lru_.begin(), lru_, it->second);
        p = &*it->second;
        ++reuses_;
    } else {
        const std::string& sql = translation->sql;
        sqlite3_stmt* st = nullptr;
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                          &st, &tail);
        if (rc != SQLITE_OK) {
            const std::string msg = withProcedure(translation, sqlite3_errmsg(db_));
            sqlite3_finalize(st);
            throw DbError(rc, msg, faultOf(rc));
        }
        if (!st) throw DbError(SQLITE_MISUSE, "Empty statement");
        for (; tail && *tail; ++tail) {
            if (*tail != ' ' && *tail != '\t' && *tail != '\r' && *tail != '\n' && *tail != ';') {
                sqlite3_finalize(st);
                throw DbError(SQLITE_MISUSE, "Only one statement at a time is accepted");
            }
        }
        if (byId_.count(translation->id)) {
            // The cached statement is busy (a read of the same shape is open): this one
            // lives as long as its user.
            spare = std::make_unique<Prepared>();
            p = spare.get();
        } else {
            lru_.emplace_front();
            p = &lru_.front();
            p->cached = true;
            byId_.emplace(translation->id, lru_.begin());
        }
        p->stmt = st;
        p->translation = translation;
    }
    p->inUse = true;
    // The rows' names and kinds; SQLite may have prepared the statement again after a
    // schema change, so they are checked against the column count.
    const int n = sqlite3_column_count(p->stmt);
    if (p->columns.names.size() != static_cast<size_t>(n) || p->columns.kinds.empty() != (n == 0)) {
        p->columns.names.clear();
        p->columns.kinds.clear();
        for (int i = 0; i < n; ++i) {
            const char* name = sqlite3_column_name(p->stmt, i);
            p->columns.names.emplace_back(name ? name : "");
            p->columns.kinds.push_back(static_cast<uint8_t>(columnKind(p->stmt, i)));
        }
    }
    for (const tsql::Binding& b : p->translation->bindings) {
        const tsql::Literal& lit = lexed_.literals[static_cast<size_t>(b.literal)];
        const int index = b.literal + 1;
        int rc = SQLITE_OK;
        switch (b.as) {
            case tsql::BindAs::Int: rc = sqlite3_bind_int64(p->stmt, index, lit.i); break;
            case tsql::BindAs::Real: rc = sqlite3_bind_double(p->stmt, index, lit.d); break;
            case tsql::BindAs::Text:
                rc = sqlite3_bind_text(p->stmt, index, lit.text.data(), static_cast<int>(lit.text.size()),
                                       SQLITE_TRANSIENT);
                break;
            case tsql::BindAs::Canonical: {
                const std::string& c = lit.cls == tsql::LitClass::Date ? lit.text : lit.canonical;
                rc = sqlite3_bind_text(p->stmt, index, c.data(), static_cast<int>(c.size()), SQLITE_TRANSIENT);
                break;
            }
        }
        if (rc != SQLITE_OK) {
            const std::string msg = sqlite3_errmsg(db_);
            release(p);
            throw DbError(rc, msg, faultOf(rc));
        }
    }
    // Keep the cache bounded; statements in use stay.
    if (lru_.size() > kMaxCached) {
        for (auto it = std::prev(lru_.end()); lru_.size() > kMaxCached;) {
            const bool first = it == lru_.begin();
            auto prev = first ? it : std::prev(it);
            if (!it->inUse) {
                byId_.erase(it->translation->id);
                sqlite3_finalize(it->stmt);
                lru_.erase(it);
            }
            if (first) break;
            it = prev;
        }
    }
    return p;
}

void SqliteConnection::release(Prepared* p) {
    sqlite3_reset(p->stmt);
    p->inUse = false;
    if (!p->cached) sqlite3_finalize(p->stmt);  // the owner frees the rest
}

void SqliteConnection::dropIdleStatements() {
    for (auto it = lru_.begin(); it != lru_.end();) {
        if (it->inUse) {
            ++it;
            continue;
        }
        byId_.erase(it->translation->id);
        sqlite3_finalize(it->stmt);
        it = lru_.erase(it);
    }
}

void SqliteConnection::execute(std::string_view sql) {
    std::unique_ptr<Prepared> spare;
    Prepared* p = acquire(sql, spare);
    int rc;
    changed_ = 0;
    while ((rc = sqlite3_step(p->stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        const std::string raw = sqlite3_errmsg(db_);
        const std::string msg = withProcedure(p->translation, raw);
        release(p);
        throw DbError(errorNumber(rc, raw), msg, faultOf(rc));
    }
    if (!sqlite3_stmt_readonly(p->stmt)) changed_ = sqlite3_changes64(db_);
    release(p);
}

namespace {

void runControl(sqlite3* db, const char* sql) {
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &err);
    if (rc == SQLITE_OK) return;
    std::string msg = err ? err : sqlite3_errstr(rc);
    sqlite3_free(err);
    throw DbError(rc, msg);
}

}  // namespace

void SqliteConnection::beginTransaction() {
    ++statements_;
    // Inside a unit of work (which holds the write lock already) the transaction is a
    // savepoint of it: its statements still apply together or not at all.
    savepoint_ = sqlite3_get_autocommit(db_) == 0;
    runControl(db_, savepoint_ ? "SAVEPOINT velaris_tx" : "BEGIN IMMEDIATE");
}

void SqliteConnection::commitTransaction() {
    ++statements_;
    runControl(db_, savepoint_ ? "RELEASE velaris_tx" : "COMMIT");
    savepoint_ = false;
}

void SqliteConnection::rollbackTransaction() {
    ++statements_;
    const bool savepoint = savepoint_;
    savepoint_ = false;
    // A failed statement may already have ended the transaction.
    if (sqlite3_get_autocommit(db_)) return;
    runControl(db_, savepoint ? "ROLLBACK TO velaris_tx; RELEASE velaris_tx" : "ROLLBACK");
}

std::unique_ptr<Recordset> SqliteConnection::open(std::string_view sql) {
    std::unique_ptr<Prepared> spare;
    Prepared* p = acquire(sql, spare);
    std::unique_ptr<SqliteRecordset> rs;
    try {
        rs = std::make_unique<SqliteRecordset>(*this, p, std::move(spare));
    } catch (...) {
        release(p);
        throw;
    }
    rs->start();
    return rs;
}

void SqliteConnection::executeNative(std::string_view sql) {
    std::string text(sql);
    char* err = nullptr;
    const int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &err);
    translator_->invalidate();  // tables and column types may have changed
    dropIdleStatements();
    if (rc != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errmsg(db_);
        sqlite3_free(err);
        throw DbError(rc, msg, faultOf(rc));
    }
}

void SqliteConnection::nativeStep(const char* sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        const int rc = sqlite3_errcode(db_);
        std::string msg = err ? err : sqlite3_errmsg(db_);
        sqlite3_free(err);
        throw DbError(rc, msg, faultOf(rc));
    }
}

void SqliteConnection::executeBatch(const std::vector<std::string>& statements) {
    if (statements.empty()) return;
    ++roundTrips_;
    struct Flag {
        bool& f;
        explicit Flag(bool& flag) : f(flag) { f = true; }
        ~Flag() { f = false; }
    } batch(inBatch_);
    // Inside a unit of work (or any open transaction) the batch is a savepoint of it.
    const bool nested = sqlite3_get_autocommit(db_) == 0;
    nativeStep(nested ? "SAVEPOINT tsql_batch" : "BEGIN IMMEDIATE");
    try {
        for (const std::string& sql : statements) execute(sql);
        nativeStep(nested ? "RELEASE tsql_batch" : "COMMIT");
    } catch (...) {
        if (sqlite3_get_autocommit(db_) == 0) {
            sqlite3_exec(db_, nested ? "ROLLBACK TO tsql_batch; RELEASE tsql_batch" : "ROLLBACK", nullptr, nullptr,
                         nullptr);
        }
        throw;
    }
}

void SqliteConnection::beginUnit() {
    if (unitDepth_++ > 0) return;
    unitOwnsTransaction_ = false;
    if (sqlite3_get_autocommit(db_) == 0) return;  // a transaction of someone else's: left alone
    // IMMEDIATE: the write lock is taken now, so a writer of another process cannot slip
    // in between this unit's reads and its first write.
    nativeStep("BEGIN IMMEDIATE");
    unitOwnsTransaction_ = true;
}

void SqliteConnection::endUnit() {
    if (unitDepth_ == 0 || --unitDepth_ > 0) return;
    if (!unitOwnsTransaction_) return;
    unitOwnsTransaction_ = false;
    if (sqlite3_get_autocommit(db_) != 0)
        // SQLite undoes the whole transaction on a few errors (disk full, I/O).
        throw DbError(SQLITE_ABORT, "The writes of the unit of work were undone by an earlier error");
    try {
        nativeStep("COMMIT");
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

// SQLite's own busy time-out sleeps up to 100 ms between attempts: against another server
// that takes the write lock again right after each read, a waiter keeps missing the short
// moments the lock is free and starves. Polling every millisecond catches them.
int SqliteConnection::waitForLock(void* self, int attempt) {
    auto* c = static_cast<SqliteConnection*>(self);
    const auto now = std::chrono::steady_clock::now();
    if (attempt == 0) c->waitStart_ = now;
    if (now - c->waitStart_ >= std::chrono::milliseconds(c->waitMs_)) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 1;
}

void SqliteConnection::setLockWait(int ms) {
    waitMs_ = ms;
    sqlite3_busy_handler(db_, ms > 0 ? &SqliteConnection::waitForLock : nullptr, this);
}

void SqliteConnection::manutenzione() {
    if (sqlite3_get_autocommit(db_) == 0) return;  // never inside a unit of work
    if (!checkpointOnTick_) {
        sqlite3_wal_autocheckpoint(db_, kBackstopPages);
        checkpointOnTick_ = true;
    }
    // Copies what it can without waiting; the journal restarts from its beginning at the
    // next write once everything was copied (and is cut back to kJournalSizeLimit).
    int frames = 0, copied = 0;
    const int rc = sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_PASSIVE, &frames, &copied);
    // Quiet since the last tick (this connection wrote nothing): empty the journal file
    // altogether. That waits for readers and writers of other processes, so only briefly;
    // a busy moment is retried on a later tick.
    const long long changes = sqlite3_total_changes64(db_);
    const bool quiet = changes == changesAtLastTick_;
    changesAtLastTick_ = changes;
    if (rc == SQLITE_OK && quiet && frames > 0) {
        setLockWait(kTruncateWaitMs);
        sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        setLockWait(busyTimeoutMs_);
    }
}

}  // namespace velaris
