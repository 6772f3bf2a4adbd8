#include "support/test_support.h"

#include "support/faulty_connection.h"

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "db/engine.h"
#include "db/odbc/odbc_connection.h"
#include "support/sql_server.h"

namespace velaris::test {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("velaris-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

TestEngine testEngine() {
    const std::string_view e = std::getenv("VELARIS_TEST_ENGINE") ? std::getenv("VELARIS_TEST_ENGINE") : "";
    if (e == "odbc") return TestEngine::Odbc;
    if (e == "mssql") return TestEngine::Mssql;
    return TestEngine::Sqlite;
}

bool onSqlServer() { return testEngine() == TestEngine::Mssql; }

namespace {

// The SQLite ODBC driver library (VELARIS_SQLITE_ODBC_DRIVER, or where Debian puts it);
// empty when it is not installed.
std::string sqliteOdbcDriver() {
    if (const char* d = std::getenv("VELARIS_SQLITE_ODBC_DRIVER"); d && *d) return d;
    for (const char* d : {"/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so", "/usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so",
                          "/usr/lib/odbc/libsqlite3odbc.so", "/usr/lib64/libsqlite3odbc.so"})
        if (std::filesystem::exists(d)) return d;
    return {};
}

const std::string& schemaText() {
    static const std::string text = [] {
        std::ifstream in(std::filesystem::path(VELARIS_SCHEMA_DIR) / "centro.sql");
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }();
    return text;
}

// The SQL Server database outlives the fixtures of one test process.
mssql::Tables mssqlTables;
bool mssqlSchemaReady = false;
void mssqlDropAll(Database& db) {
    mssql::dropEverything(db);
    mssqlTables = {};
    mssqlSchemaReady = false;
}

std::unique_ptr<Connection> openFixtureDb(const std::filesystem::path& path, Clock& clock,
                                          std::unique_ptr<SqliteConnection>& native, SqliteConnection*& raw) {
    clock.setFixed(DateTime::fromParts(2024, 3, 7, 10, 30, 0));  // a Thursday
    if (testEngine() == TestEngine::Mssql) {
        const std::string target = mssql::connectionString();
        if (target.empty()) throw std::runtime_error("VELARIS_TEST_ENGINE=mssql needs VELARIS_TEST_MSSQL");
        return openConnection(target, clock, engineOptionsFromEnvironment());
    }
    auto conn = std::make_unique<SqliteConnection>(path.string(), clock, true);
    raw = conn.get();
    if (testEngine() == TestEngine::Sqlite) return conn;
    const std::string driver = sqliteOdbcDriver();
    if (driver.empty()) throw std::runtime_error("VELARIS_TEST_ENGINE=odbc: the SQLite ODBC driver is not installed");
    native = std::move(conn);
    return std::make_unique<odbc::OdbcConnection>("Driver=" + driver + ";Database=" + path.string(), clock,
                                                  odbc::Dialect::SqliteTranslated);
}
}  // namespace

DbFixture::DbFixture(bool withSchema)
    : log(dir.path(), clock), db(openFixtureDb(dbPath(), clock, nativeConnection, sqlite), log) {
    log.setObserver([this](std::string_view l) { logLines.emplace_back(l); });
    if (!sqlite) {
        // SQL Server: the database is shared by every test of the process; each test
        // starts from empty tables.
        if (withSchema) createSchema();
        else mssqlDropAll(db);
        return;
    }
    if (withSchema) sqlite->executeNative(schemaText());
}

void DbFixture::native(const std::string& sql) {
    if (sqlite) return sqlite->executeNative(sql);
    if (sql == schemaText()) return createSchema();
    for (const std::string& batch : mssql::toSqlServer(sql, mssqlTables)) db.execute(batch);
}

void DbFixture::createSchema() {
    if (mssqlSchemaReady) return mssql::emptyTables(db, mssqlTables);
    mssqlDropAll(db);
    for (const std::string& batch : mssql::toSqlServer(schemaText(), mssqlTables)) db.execute(batch);
    for (const std::string& batch : mssql::engineObjects()) db.execute(batch);
    mssqlSchemaReady = true;
}

sqlite3* DbFixture::engineHandle() {
    Connection* c = &db.conn();
    if (auto* f = dynamic_cast<FaultyConnection*>(c)) c = &f->inner();  // faults on cue wrap the engine
    if (auto* o = dynamic_cast<odbc::OdbcConnection*>(c)) return o->sqliteHandle();
    return sqlite->handle();
}

Value DbFixture::scalar(const std::string& sql) {
    auto rs = db.open(sql);
    if (rs->eof()) return Value::null();
    return rs->field(0);
}

}  // namespace velaris::test
