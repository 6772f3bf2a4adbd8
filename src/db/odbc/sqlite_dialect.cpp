#include "db/odbc/sqlite_dialect.h"

#include <sqlite3.h>

#include "db/connection.h"
#include "db/odbc/connection_string.h"
#include "db/tsql/functions.h"
#include "db/tsql/translator.h"

namespace velaris::odbc {

namespace {

// The connect hook's state: the process has one event-loop thread, and the hook lives
// only for the duration of one connect call.
const Clock* g_hookClock = nullptr;
sqlite3* g_hookOpened = nullptr;

int onOpen(sqlite3* db, char**, const sqlite3_api_routines*) {
    if (!g_hookClock) return SQLITE_OK;
    tsql::registerFunctions(db, *g_hookClock);
    // As the embedded engine sets up its own connection.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_busy_timeout(db, 10000);
    sqlite3_exec(db, "PRAGMA foreign_keys=OFF; PRAGMA recursive_triggers=OFF;", nullptr, nullptr, nullptr);
    g_hookOpened = db;
    return SQLITE_OK;
}

void (*entryPoint())() { return reinterpret_cast<void (*)()>(&onOpen); }

bool canonicalDate(std::string_view t) {
    static const char shape[] = "dddd-dd-dd dd:dd:dd";
    if (t.size() != 19) return false;
    for (size_t i = 0; i < 19; ++i) {
        if (shape[i] == 'd' ? (t[i] < '0' || t[i] > '9') : t[i] != shape[i]) return false;
    }
    return true;
}

}  // namespace

SqliteDialect::ConnectHook::ConnectHook(const Clock& clock) {
    g_hookClock = &clock;
    g_hookOpened = nullptr;
    sqlite3_auto_extension(entryPoint());
}

SqliteDialect::ConnectHook::~ConnectHook() {
    sqlite3_cancel_auto_extension(entryPoint());
    g_hookClock = nullptr;
}

sqlite3* SqliteDialect::ConnectHook::opened() const { return g_hookOpened; }

SqliteDialect::SqliteDialect(const std::string& file, const Clock& clock) {
    if (sqlite3_open_v2(file.c_str(), &schema_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        const std::string msg = schema_ ? sqlite3_errmsg(schema_) : "out of memory";
        sqlite3_close(schema_);
        schema_ = nullptr;
        throw DbError(SQLITE_CANTOPEN, "Cannot open database \"" + file + "\": " + msg);
    }
    // The collation and functions appear in the schema's views and column declarations.
    tsql::registerFunctions(schema_, clock);
    translator_ = std::make_unique<tsql::Translator>(schema_);
}

SqliteDialect::~SqliteDialect() {
    translator_.reset();
    sqlite3_close_v2(schema_);
}

std::string SqliteDialect::translate(std::string_view tsql) {
    translator_->refreshSchema();  // tables may have been created or changed since
    return translator_->translateText(tsql);
}

Value SqliteDialect::adapt(Value v) {
    if (const std::string* t = v.textPtr(); t && canonicalDate(*t)) {
        if (auto d = DateTime::parse(*t)) return Value(*d);
    }
    return v;
}

std::string sqliteDatabaseFile(std::string_view connectionString) {
    try {
        auto file = lastValue(parseConnectionString(connectionString), {"Database"});
        return file ? *file : std::string();
    } catch (const DbError&) {
        return {};
    }
}

}  // namespace velaris::odbc
