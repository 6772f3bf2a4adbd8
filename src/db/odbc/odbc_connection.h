#pragma once
// The SQL Server engine: a connection through unixODBC (FreeTDS on Linux, Microsoft's
// driver elsewhere). Statements go to the server exactly as the system writes them.
//
// Reads fetch the whole result at open and give the statement back at once. SQL Server
// serves one pending result per connection, while the system opens lookups inside loops
// over other recordsets and keeps the terminal list open for its whole life; a cursor
// left open would make every later statement fail with "connection busy" (or hold the
// server's locks for as long as the caller reads). The results the system reads are small.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "db/connection.h"

namespace velaris::odbc {

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

class OdbcConnection : public Connection {
public:
    // Seconds a reconnection may take to log in; the first connection waits without limit.
    static constexpr unsigned kReconnectLoginTimeout = 15;
    // Seconds between two reconnection attempts after the link was lost.
    static constexpr int64_t kReconnectInterval = 30;

    // Connects with an ODBC connection string (see toOdbcConnectionString). Connection
    // and command time-outs are 0: wait without limit. DbError when the driver refuses.
    OdbcConnection(std::string connectionString, const Clock& clock);
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
    std::string engineName() const override { return "ODBC"; }
    unsigned long statementCount() const override { return statements_; }

    // The driver and the server product as the driver names them (diagnostics).
    std::string driverName() const;
    std::string dbmsName() const;

    // True after a statement failed because the link to the server broke. The next
    // statement then tries to connect again (at most once every kReconnectInterval
    // seconds) and fails with a clear DbError while that is not possible. A statement
    // whose link broke is never repeated: it may have run on the server.
    bool lost() const { return lost_; }
    // Treats the link as broken (also for tests).
    void markLost();

private:
    void connect(unsigned loginTimeoutSeconds);
    void disconnect();
    void ensureConnected();
    void* newStatement();
    [[noreturn]] void fail(short handleType, void* handle, std::string_view what);
    std::string info(unsigned short infoType) const;

    std::string connectionString_;
    const Clock& clock_;
    void* env_ = nullptr;
    void* dbc_ = nullptr;
    bool connected_ = false;
    bool lost_ = false;
    DateTime nextAttempt_;
    unsigned long statements_ = 0;
};

}  // namespace velaris::odbc
