#pragma once
// The one shared connection of the process and the log its helpers write to, plus the
// single-value query helpers (DLookUpQ, DMaxQ, DSumQ, DCountQ). The helpers never raise:
// a failure is logged and reads as Null or 0.

#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/event_log.h"
#include "db/connection.h"
#include "db/literals.h"

namespace velaris {

class Database {
public:
    Database(std::unique_ptr<Connection> conn, EventLog& log) : conn_(std::move(conn)), log_(log) {}

    Connection& conn() { return *conn_; }
    EventLog& log() { return log_; }
    bool connected() const { return conn_ != nullptr; }
    void reset(std::unique_ptr<Connection> conn) { conn_ = std::move(conn); }

    // Runs a statement that returns no records; DbError on failure.
    void execute(std::string_view sql) { conn_->execute(sql); }
    std::unique_ptr<Recordset> open(std::string_view sql) { return conn_->open(sql); }
    // Runs statements as one unit, all or nothing (see Connection::executeBatch).
    void executeBatch(const std::vector<std::string>& statements) { conn_->executeBatch(statements); }

    // Runs a statement and, on failure, writes the error line for `function` and returns
    // false instead of raising.
    bool tryExecute(std::string_view sql, std::string_view function);
    // Writes "Error: <n> - <description> - Function <function>" for a caught exception.
    void logError(const std::exception& e, std::string_view function);

private:
    std::unique_ptr<Connection> conn_;
    EventLog& log_;
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

// The statements the helpers run, exposed for tests.
std::string buildAggregate(std::string_view head, std::string_view tail, std::string_view expression,
                           std::string_view domain, std::string_view criteria);
std::string buildCount(std::string_view expression, std::string& domain, std::string_view criteria, bool distinct);

}  // namespace velaris
