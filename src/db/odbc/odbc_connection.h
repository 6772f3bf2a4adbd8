#pragma once
// The SQL Server engine: a connection through unixODBC (FreeTDS on Linux, Microsoft's
// driver elsewhere). Statements go to the server exactly as the system writes them.
//
// Reads fetch the whole result at open and give the statement back at once. SQL Server
// serves one pending result per connection, while the system opens lookups inside loops
// over other recordsets and keeps the terminal list open for its whole life; a cursor
// left open would make every later statement fail with "connection busy" (or hold the
// server's locks for as long as the caller reads). The results the system reads are small.

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "db/connection.h"

struct sqlite3;

namespace velaris::odbc {

class SqliteDialect;

// What the server at the other end speaks. SqliteTranslated is for tests only: the SQLite
// ODBC driver behind the embedded engine's T-SQL translation (see sqlite_dialect.h).
enum class Dialect { SqlServer, SqliteTranslated };

// One diagnostic record of the driver manager or the driver.
struct Diagnostic {
    std::string state;  // SQLSTATE, five characters
    long native = 0;    // the server's own error number (SQL Server: 208, 2627, ...)
    std::string message;
};

// "<message> (SQLSTATE <state>, native error <n>)" per record, joined by "; ".
std::string describe(const std::vector<Diagnostic>& diags);
// True for the SQLSTATEs that mean the link to the server is gone (class 08).
bool isConnectionLost(std::string_view sqlState);
// True for the diagnostics that mean the data is held by another connection for now
// (time-out expired, lock request time-out, deadlock victim).
bool isBusy(const Diagnostic& d);

class OdbcConnection : public Connection {
public:
    // Seconds between two reconnection attempts after the link was lost: the database
    // is found again this long after it came back, at the latest.
    static constexpr int64_t kReconnectInterval = 10;

    // Connects with an ODBC connection string (see toOdbcConnectionString). The first
    // login waits without limit; statements wait without limit until a statement
    // time-out is set. DbError when the driver refuses.
    OdbcConnection(std::string connectionString, const Clock& clock, Dialect dialect = Dialect::SqlServer);
    ~OdbcConnection() override;
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    // Runs the statement and every further result it produces; an UPDATE or DELETE that
    // touched no row is success. An error in any part of a batch throws DbError.
    void execute(std::string_view sql) override;
    // The first result set of the statement (leading row counts of a procedure are
    // skipped), read completely. A statement without a result set gives an empty
    // recordset with no fields.
    std::unique_ptr<Recordset> open(std::string_view sql) override;
    // The statements as one text inside one transaction that any error rolls back whole
    // (SET XACT_ABORT ON): one round trip.
    void executeBatch(const std::vector<std::string>& statements) override;
    std::string engineName() const override { return "ODBC"; }
    unsigned long statementCount() const override { return statements_; }
    // The last row count the statement reports: its own, which SQL Server sends after
    // the counts of the triggers it fired.
    int64_t rowsChanged() const override { return changed_; }
    // Autocommit off until the commit or rollback. A link lost inside a transaction is
    // not made again until the transaction ends: the server rolled it back, and later
    // statements must not commit on their own as if they belonged to it.
    void beginTransaction() override;
    void commitTransaction() override;
    void rollbackTransaction() override;
    unsigned long roundTrips() const override { return roundTrips_; }

    // Statements every new connection to SQL Server (and every reconnection) runs first:
    // the statements' date literals are read month first, and DATEPART(weekday, ...)
    // counts from Sunday, whatever the language of the login (an Italian login reads
    // day first and starts the week on Monday).
    static const std::vector<std::string>& sessionStatements();

    // The driver and the server product as the driver names them (diagnostics).
    std::string driverName() const;
    // Bounds every later statement (command time-out, rounded up to whole seconds) and
    // the login of a reconnection. A statement that runs out of time fails as busy.
    void setStatementTimeout(std::chrono::milliseconds timeout);
    std::string dbmsName() const;

    // True after a statement failed because the link to the server broke. The next
    // statement then tries to connect again (at most once every kReconnectInterval
    // seconds) and fails with a clear DbError while that is not possible. A statement
    // whose link broke is never repeated: it may have run on the server.
    bool lost() const { return lost_; }
    // Treats the link as broken (also for tests).
    void markLost();
    // SqliteTranslated only: the driver's own SQLite connection (tests inject failures
    // through it); null otherwise.
    ::sqlite3* sqliteHandle() const { return sqliteHandle_; }

private:
    void connect(unsigned loginTimeoutSeconds);
    void disconnect();
    void ensureConnected();
    void* newStatement();
    [[noreturn]] void fail(short handleType, void* handle, std::string_view what);
    // The text that goes to the driver for a statement of the system.
    std::string outgoing(std::string_view sql);
    // Sends one text to the driver and drains its results; no counting.
    void run(const std::string& text);
    std::string info(unsigned short infoType) const;

    std::string connectionString_;
    const Clock& clock_;
    void* env_ = nullptr;
    void* dbc_ = nullptr;
    bool connected_ = false;
    bool lost_ = false;
    DateTime nextAttempt_;
    unsigned long statements_ = 0;
    unsigned timeoutSeconds_ = 0;  // 0: without limit
    int64_t changed_ = 0;
    bool inTransaction_ = false;
    unsigned long roundTrips_ = 0;
    std::unique_ptr<SqliteDialect> dialect_;
    ::sqlite3* sqliteHandle_ = nullptr;
};

}  // namespace velaris::odbc
