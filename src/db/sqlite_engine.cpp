#include "db/sqlite_engine.h"

#include <sqlite3.h>

#include <cstring>

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

Value columnValue(sqlite3_stmt* st, int i) {
    switch (sqlite3_column_type(st, i)) {
        case SQLITE_NULL: return Value::null();
        case SQLITE_INTEGER: {
            const sqlite3_int64 v = sqlite3_column_int64(st, i);
            const char* decl = sqlite3_column_decltype(st, i);
            if (containsNoCase(decl, "BIT") || containsNoCase(decl, "BOOL")) return Value(v != 0);
            return Value(static_cast<long long>(v));
        }
        case SQLITE_FLOAT: return Value(sqlite3_column_double(st, i));
        default: {
            const unsigned char* t = sqlite3_column_text(st, i);
            const int n = sqlite3_column_bytes(st, i);
            std::string_view text(reinterpret_cast<const char*>(t ? t : reinterpret_cast<const unsigned char*>("")),
                                  static_cast<size_t>(n));
            const char* decl = sqlite3_column_decltype(st, i);
            if (looksCanonicalDate(t, n) || containsNoCase(decl, "DATE") || containsNoCase(decl, "TIME")) {
                if (auto d = DateTime::parse(text)) return Value(*d);
            }
            return Value(text);
        }
    }
}

}  // namespace

class SqliteRecordset : public Recordset {
public:
    SqliteRecordset(SqliteConnection& conn, sqlite3_stmt* st, std::string text)
        : conn_(conn), st_(st), text_(std::move(text)) {
        const int n = sqlite3_column_count(st_);
        names_.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            const char* name = sqlite3_column_name(st_, i);
            names_.emplace_back(name ? name : "");
        }
        row_.resize(static_cast<size_t>(n));
    }
    ~SqliteRecordset() override { conn_.release(st_, std::move(text_)); }
    void start() { step(); }

    bool eof() const override { return eof_; }
    void moveNext() override {
        if (!eof_) step();
    }
    int fieldCount() const override { return static_cast<int>(names_.size()); }
    const std::string& fieldName(int index) const override {
        if (index < 0 || index >= fieldCount()) throw DbError(3265, "Field index out of range");
        return names_[static_cast<size_t>(index)];
    }
    const Value& field(int index) const override {
        if (eof_) throw DbError(3021, "Either BOF or EOF is True, or the current record has been deleted");
        if (index < 0 || index >= fieldCount()) throw DbError(3265, "Field index out of range");
        return row_[static_cast<size_t>(index)];
    }

private:
    void step() {
        const int rc = sqlite3_step(st_);
        if (rc == SQLITE_ROW) {
            for (int i = 0; i < fieldCount(); ++i) row_[static_cast<size_t>(i)] = columnValue(st_, i);
            return;
        }
        eof_ = true;
        // Give the statement back as soon as the rows are read: no read stays open.
        sqlite3_reset(st_);
        if (rc != SQLITE_DONE) throw DbError(rc, sqlite3_errmsg(conn_.handle()));
    }

    SqliteConnection& conn_;
    sqlite3_stmt* st_;
    std::string text_;
    std::vector<std::string> names_;
    std::vector<Value> row_;
    bool eof_ = false;
};

SqliteConnection::SqliteConnection(const std::string& path, const Clock& clock, bool create, int busyTimeoutMs)
    : clock_(clock), translator_(std::make_unique<tsql::Translator>()) {
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw DbError(rc, "Cannot open database \"" + path + "\": " + msg);
    }
    sqlite3_extended_result_codes(db_, 0);
    sqlite3_busy_timeout(db_, busyTimeoutMs);
    tsql::registerFunctions(db_, clock_);
    char* err = nullptr;
    if (sqlite3_exec(db_, "PRAGMA journal_mode=WAL; PRAGMA foreign_keys=OFF; PRAGMA recursive_triggers=OFF;", nullptr,
                     nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "unknown error";
        sqlite3_free(err);
        sqlite3_close(db_);
        db_ = nullptr;
        throw DbError(SQLITE_ERROR, "Cannot open database \"" + path + "\": " + msg);
    }
}

SqliteConnection::~SqliteConnection() {
    for (auto& [text, st] : lru_) sqlite3_finalize(st);
    sqlite3_close_v2(db_);
}

void SqliteConnection::fail(int rc) { throw DbError(rc, sqlite3_errmsg(db_)); }

std::string SqliteConnection::translate(std::string_view sql) { return translator_->translate(sql); }

sqlite3_stmt* SqliteConnection::prepare(std::string_view tsql) {
    ++statements_;
    if (auto it = byText_.find(tsql); it != byText_.end()) {
        sqlite3_stmt* st = it->second->second;
        lru_.erase(it->second);  // in use now: out of the cache until released
        byText_.erase(it);
        return st;
    }
    const std::string& sql = translator_->translate(tsql);
    sqlite3_stmt* st = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &st,
                                      &tail);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(st);
        fail(rc);
    }
    if (!st) throw DbError(SQLITE_MISUSE, "Empty statement");
    for (; tail && *tail; ++tail) {
        if (*tail != ' ' && *tail != '\t' && *tail != '\r' && *tail != '\n' && *tail != ';') {
            sqlite3_finalize(st);
            throw DbError(SQLITE_MISUSE, "Only one statement at a time is accepted");
        }
    }
    return st;
}

void SqliteConnection::release(sqlite3_stmt* st, std::string text) {
    sqlite3_reset(st);
    if (byText_.count(text)) {  // an identical idle statement is cached already
        sqlite3_finalize(st);
        return;
    }
    lru_.emplace_front(std::move(text), st);
    byText_.emplace(lru_.front().first, lru_.begin());
    while (lru_.size() > kMaxCached) {
        auto& last = lru_.back();
        byText_.erase(last.first);
        sqlite3_finalize(last.second);
        lru_.pop_back();
    }
}

void SqliteConnection::execute(std::string_view sql) {
    sqlite3_stmt* st = prepare(sql);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        std::string msg = sqlite3_errmsg(db_);
        release(st, std::string(sql));
        throw DbError(rc, msg);
    }
    release(st, std::string(sql));
}

std::unique_ptr<Recordset> SqliteConnection::open(std::string_view sql) {
    auto rs = std::make_unique<SqliteRecordset>(*this, prepare(sql), std::string(sql));
    rs->start();
    return rs;
}

void SqliteConnection::executeNative(std::string_view sql) {
    std::string text(sql);
    char* err = nullptr;
    const int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errmsg(db_);
        sqlite3_free(err);
        throw DbError(rc, msg);
    }
}

}  // namespace velaris
