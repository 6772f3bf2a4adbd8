#include "db/sqlite_engine.h"

#include <sqlite3.h>

#include <cstring>
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

std::string withProcedure(const std::shared_ptr<const tsql::Translation>& t, const std::string& msg) {
    if (!t || t->procedure.empty()) return msg;
    return t->procedure + ": " + msg;
}

}  // namespace

class SqliteRecordset : public Recordset {
public:
    SqliteRecordset(SqliteConnection& conn, SqliteConnection::Prepared p) : conn_(conn), p_(std::move(p)) {
        sqlite3_stmt* st = p_.stmt;
        const int n = sqlite3_column_count(st);
        names_.reserve(static_cast<size_t>(n));
        kinds_.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            const char* name = sqlite3_column_name(st, i);
            names_.emplace_back(name ? name : "");
            kinds_.push_back(columnKind(st, i));
        }
        row_.resize(static_cast<size_t>(n));
    }
    ~SqliteRecordset() override { conn_.release(std::move(p_)); }
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
        const int rc = sqlite3_step(p_.stmt);
        if (rc == SQLITE_ROW) {
            for (size_t i = 0; i < row_.size(); ++i) row_[i] = columnValue(p_.stmt, static_cast<int>(i), kinds_[i]);
            return;
        }
        eof_ = true;
        std::string msg = rc != SQLITE_DONE ? sqlite3_errmsg(conn_.handle()) : std::string();
        // Give the statement back as soon as the rows are read: no read stays open.
        sqlite3_reset(p_.stmt);
        if (rc != SQLITE_DONE) throw DbError(rc, withProcedure(p_.translation, msg));
    }

    SqliteConnection& conn_;
    SqliteConnection::Prepared p_;
    std::vector<std::string> names_;
    std::vector<ColKind> kinds_;
    std::vector<Value> row_;
    bool eof_ = false;
};

SqliteConnection::SqliteConnection(const std::string& path, const Clock& clock, bool create, int busyTimeoutMs)
    : clock_(clock) {
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
    // A double-quoted name in a statement is always a name: a misspelt column must fail,
    // not turn into a text.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    tsql::registerFunctions(db_, clock_);
    translator_ = std::make_unique<tsql::Translator>(db_);
    char* err = nullptr;
    if (sqlite3_exec(db_, "PRAGMA journal_mode=WAL; PRAGMA foreign_keys=OFF; PRAGMA recursive_triggers=OFF;", nullptr,
                     nullptr, &err) != SQLITE_OK) {
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

void SqliteConnection::fail(const Prepared& p, int rc, const std::string& message) {
    throw DbError(rc, withProcedure(p.translation, message));
}

SqliteConnection::Prepared SqliteConnection::acquire(std::string_view tsql) {
    ++statements_;
    tsql::lex(tsql, lexed_);
    Prepared p;
    p.translation = translator_->translate(lexed_);
    if (auto it = byId_.find(p.translation->id); it != byId_.end()) {
        p.stmt = it->second->stmt;  // in use now: out of the cache until released
        lru_.erase(it->second);
        byId_.erase(it);
        ++reuses_;
    } else {
        const std::string& sql = p.translation->sql;
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                          &p.stmt, &tail);
        if (rc != SQLITE_OK) {
            const std::string msg = sqlite3_errmsg(db_);
            sqlite3_finalize(p.stmt);
            fail(p, rc, msg);
        }
        if (!p.stmt) throw DbError(SQLITE_MISUSE, "Empty statement");
        for (; tail && *tail; ++tail) {
            if (*tail != ' ' && *tail != '\t' && *tail != '\r' && *tail != '\n' && *tail != ';') {
                sqlite3_finalize(p.stmt);
                throw DbError(SQLITE_MISUSE, "Only one statement at a time is accepted");
            }
        }
    }
    for (const tsql::Binding& b : p.translation->bindings) {
        const tsql::Literal& lit = lexed_.literals[static_cast<size_t>(b.literal)];
        const int index = b.literal + 1;
        int rc = SQLITE_OK;
        switch (b.as) {
            case tsql::BindAs::Int: rc = sqlite3_bind_int64(p.stmt, index, lit.i); break;
            case tsql::BindAs::Real: rc = sqlite3_bind_double(p.stmt, index, lit.d); break;
            case tsql::BindAs::Text:
                rc = sqlite3_bind_text(p.stmt, index, lit.text.data(), static_cast<int>(lit.text.size()), SQLITE_TRANSIENT);
                break;
            case tsql::BindAs::Canonical: {
                const std::string& c = lit.cls == tsql::LitClass::Date ? lit.text : lit.canonical;
                rc = sqlite3_bind_text(p.stmt, index, c.data(), static_cast<int>(c.size()), SQLITE_TRANSIENT);
                break;
            }
        }
        if (rc != SQLITE_OK) {
            const std::string msg = sqlite3_errmsg(db_);
            release(std::move(p));
            throw DbError(rc, msg);
        }
    }
    return p;
}

void SqliteConnection::release(Prepared p) {
    sqlite3_reset(p.stmt);
    const uint64_t id = p.translation->id;
    if (byId_.count(id)) {  // an identical idle statement is cached already
        sqlite3_finalize(p.stmt);
        return;
    }
    lru_.push_front(std::move(p));
    byId_.emplace(id, lru_.begin());
    while (lru_.size() > kMaxCached) {
        Prepared& last = lru_.back();
        byId_.erase(last.translation->id);
        sqlite3_finalize(last.stmt);
        lru_.pop_back();
    }
}

void SqliteConnection::execute(std::string_view sql) {
    Prepared p = acquire(sql);
    int rc;
    while ((rc = sqlite3_step(p.stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        const std::string msg = withProcedure(p.translation, sqlite3_errmsg(db_));
        release(std::move(p));
        throw DbError(rc, msg);
    }
    release(std::move(p));
}

std::unique_ptr<Recordset> SqliteConnection::open(std::string_view sql) {
    auto rs = std::make_unique<SqliteRecordset>(*this, acquire(sql));
    rs->start();
    return rs;
}

void SqliteConnection::executeNative(std::string_view sql) {
    std::string text(sql);
    char* err = nullptr;
    const int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &err);
    translator_->invalidate();  // tables and column types may have changed
    if (rc != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errmsg(db_);
        sqlite3_free(err);
        throw DbError(rc, msg);
    }
}

}  // namespace velaris
