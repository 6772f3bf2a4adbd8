#pragma once
// The one shared connection of the process and the log its helpers write to, plus the
// single-value query helpers (DLookUpQ, DMaxQ, DSumQ, DCountQ). The helpers never raise:
// a failure is logged and reads as Null or 0.

#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/event_log.h"
#include "db/connection.h"
#include "db/literals.h"

namespace velaris {

// A statement that was not sent: an earlier statement of the same turn met an outage
// (see Database::newTurn). It carries that outage's number and kind.
class OutageRepeat : public DbError {
public:
    explicit OutageRepeat(const DbError& first)
        : DbError(first.number(), std::string("Database unavailable: ") + first.what(), first.fault()) {}
};

class Database {
public:
    Database(std::unique_ptr<Connection> conn, EventLog& log) : conn_(std::move(conn)), log_(log) {}

    Connection& conn() { return *conn_; }
    EventLog& log() { return log_; }
    bool connected() const { return conn_ != nullptr; }
    void reset(std::unique_ptr<Connection> conn) { conn_ = std::move(conn); }
    // Hands the connection over (a test wraps it and puts the wrapper back).
    std::unique_ptr<Connection> take() { return std::move(conn_); }

    // Runs a statement that returns no records; DbError on failure.
    void execute(std::string_view sql);
    std::unique_ptr<Recordset> open(std::string_view sql);
    // Within one card read (a ReadScope), the first answer to `sql` is kept and given
    // again: for rows the read never writes (holidays, facilities, subscription types), so
    // that a read asks the database once for what it already knows. Across a network every
    // question costs a round trip. The kept answers are forgotten when the read ends (and
    // at newTurn), so a change of the desk programs is seen by the next read, and those
    // that read a table are forgotten when this server writes that table. Outside a read
    // the statement is simply run.
    std::unique_ptr<Recordset> openOncePerRead(const std::string& sql);
    void forgetRead() { perRead_.clear(); }
    // Runs statements as one unit, all or nothing (see Connection::executeBatch).
    void executeBatch(const std::vector<std::string>& statements);
    // A write nothing later depends on (no rows-changed check, no read-back by its caller).
    // While a ReadScope is alive and no transaction is open it waits, and goes to the
    // database with the writes deferred after it as one batch (one round trip across a
    // network) just before the next other statement, or when the ReadScope ends: every
    // statement still runs in the order it was given, and every read sees the writes
    // before it. A failing batch undoes itself whole; its error is raised by the statement
    // that sent it (which then does not run), or, when the ReadScope ends, logged for the
    // `function` of its first write. Otherwise the write runs at once, DbError on failure.
    void executeDeferred(std::string sql, std::string_view function);
    // executeDeferred, a failure to run at once logged for `function` instead of raised.
    void tryExecuteDeferred(std::string sql, std::string_view function);
    // Sends the writes held back so far now, as one batch; DbError when it fails (the
    // batch then left nothing). For a step that must know its writes are in.
    void flushDeferred() { sendDeferred(); }
    // Begin and end of a unit of work (see UnitOfWork); an outage they meet counts as the turn's.
    void beginUnit();
    void endUnit();

    // Runs a statement and, on failure, writes the error line for `function` and returns
    // false instead of raising.
    bool tryExecute(std::string_view sql, std::string_view function);
    // Writes "Error: <n> - <description> - Function <function>" for a caught exception.
    // An OutageRepeat is counted but not written: its outage has its line already.
    void logError(const std::exception& e, std::string_view function);

    // Outages. Each piece of work (a card read, a polling tick) is a turn. Once one
    // statement of a turn has met an outage, the later statements of that turn fail at
    // once with OutageRepeat instead of waiting for the database again: a stalled
    // database costs a read one time-out, never one per statement.
    void newTurn() {
        outage_.reset();
        forgetRead();
    }
    // The outage this turn met, or nothing.
    const DbError* outage() const { return outage_ ? &*outage_ : nullptr; }
    // Database errors handed to logError so far (written or not): a piece of work that
    // sees this number grow has met a database error, even one a helper swallowed.
    unsigned long errorsLogged() const { return errorsLogged_; }
    // Rows changed by the last execute.
    int64_t rowsChanged() const { return conn_->rowsChanged(); }

    // Transactions nest: an inner one joins the outer, and only the outermost commit
    // applies the work. An inner rollback dooms the whole: the outer commit then rolls
    // back and throws. Use them through `Transaction`.
    void beginTransaction();
    void commitTransaction();
    void rollbackTransaction() noexcept;
    bool inTransaction() const { return depth_ > 0; }

private:
    void sendDeferred();
    void endDeferred() noexcept;
    void forgetWritten(std::string_view sql);
    void checkOutage() const;
    void noteFailure(const DbError& e);

    std::unique_ptr<Connection> conn_;
    EventLog& log_;
    std::optional<DbError> outage_;
    std::map<std::string, std::shared_ptr<const ResultTable>, std::less<>> perRead_;
    friend class ReadScope;
    int deferring_ = 0;
    std::vector<std::string> deferred_;
    std::string deferredFunction_;
    unsigned long errorsLogged_ = 0;
    int depth_ = 0;
    bool doomed_ = false;
};

// A scoped transaction: begun at construction (DbError when it cannot be), rolled back at
// the end of the scope unless committed. Statements run on the database in between
// belong to it.
class Transaction {
public:
    explicit Transaction(Database& db) : db_(db) { db_.beginTransaction(); }
    ~Transaction() {
        if (!done_) db_.rollbackTransaction();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    // Applies the work; DbError (after rolling back) when it cannot.
    void commit() {
        done_ = true;
        db_.commitTransaction();
    }

private:
    Database& db_;
    bool done_ = false;
};

// A text for a column declared `width` characters wide (VARCHAR(width)): the server
// refuses a longer text ("String or binary data would be truncated."), so a longer one is
// cut to the width, and the event log says so, naming `column` ("Table.Column") and
// `function`. Every text whose length the system does not control (read codes, names,
// descriptions, texts put together) goes into a sized column through these functions,
// or is refused before the statement. Other values come back unchanged.
Value Testo_Colonna(Database& db, const Value& v, size_t width, std::string_view column, std::string_view function);
// CChrQ of Testo_Colonna.
std::string CChrQ_Colonna(Database& db, const Value& v, size_t width, std::string_view column,
                          std::string_view function);

// The statements of one card read as one unit of work (see Connection::beginUnit), from
// construction to destruction. When what the unit wrote cannot be kept, the error is
// logged for `function`.
class UnitOfWork {
public:
    UnitOfWork(Database& db, std::string_view function);
    ~UnitOfWork();
    UnitOfWork(const UnitOfWork&) = delete;
    UnitOfWork& operator=(const UnitOfWork&) = delete;

private:
    Database& db_;
    std::string_view function_;
};

// The span of one card read: Database::openOncePerRead keeps answers and
// Database::executeDeferred holds writes back within it. Nothing kept by an earlier read
// reaches it; when it ends the answers are forgotten and the waiting writes sent.
class ReadScope {
public:
    explicit ReadScope(Database& db) : db_(db) {
        if (db_.deferring_++ == 0) db_.forgetRead();
    }
    ~ReadScope() { db_.endDeferred(); }
    ReadScope(const ReadScope&) = delete;
    ReadScope& operator=(const ReadScope&) = delete;

private:
    Database& db_;
};

// The error number of a caught exception: the engine's for database errors, 5 (invalid
// procedure call) for anything else.
long errorNumber(const std::exception& e);

Value DLookUpQ(Database& db, std::string_view expression, std::string_view domain, std::string_view criteria = {},
               bool quiet = false);
Value DMaxQ(Database& db, std::string_view expression, std::string_view domain, std::string_view criteria = {});
Value DSumQ(Database& db, std::string_view expression, std::string_view domain, std::string_view criteria = {});
// Rewrites `domain` in place when it carries an ORDER BY (see the definition).
int32_t DCountQ(Database& db, std::string_view expression, std::string& domain, std::string_view criteria = {},
                bool distinct = false);

// The same inside a check, failing closed: a database error is thrown (the check ends the
// read without a verdict) instead of reading as 0 or Null, "nothing there", which would
// admit (no time bands, no limit, no suspension).
int32_t DCountQ_Verifica(Database& db, std::string_view expression, std::string& domain, std::string_view criteria = {});
Value DLookUpQ_Verifica(Database& db, std::string_view expression, std::string_view domain,
                        std::string_view criteria = {});
// DCountQ_Verifica over rows the read never writes, counted once per read (see
// Database::openOncePerRead).
int32_t DCountQ_Verifica_Lettura(Database& db, std::string_view expression, std::string& domain,
                                 std::string_view criteria = {});

// A column of the master row of `table` whose key column `key` equals the literal `keyQ`
// (an activity's record: facility, course, service), read whole once per read (see
// Database::openOncePerRead): the checks and the recording each need other columns of it.
// Null when there is no such row; DbError on failure.
Value Campo_Anagrafica(Database& db, std::string_view table, std::string_view key, const std::string& keyQ,
                       std::string_view column);
// The same failing as DLookUpQ does: logged, Null.
Value DLookUpQ_Anagrafica(Database& db, std::string_view table, std::string_view key, const std::string& keyQ,
                          std::string_view column);

// The statements the helpers run, exposed for tests.
std::string buildAggregate(std::string_view head, std::string_view tail, std::string_view expression,
                           std::string_view domain, std::string_view criteria);
std::string buildCount(std::string_view expression, std::string& domain, std::string_view criteria, bool distinct);

}  // namespace velaris
