#pragma once
// The database connection as the system uses it: statements that change data run without
// results; reads open a forward-only recordset that is read once and closed at once.
// Engines (the embedded SQLite engine, SQL Server through ODBC) implement this interface.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/value.h"

namespace velaris {

// What kind of failure a statement met. An outage (the database held by another process,
// or the link to it lost) passes by itself; retrying the same statement at once does not
// help, and the statements after it in the same piece of work will meet it too.
enum class DbFault {
    Statement,  // the statement itself failed (syntax, constraint, conversion, ...)
    Busy,       // another connection holds the database (or a lock) beyond the time-out
    Locked,     // a table is locked by another statement of this connection
    LinkLost,   // the database is unreachable: the link broke, or the file went away
};

// A failed statement: the engine's error number and description, and its kind.
class DbError : public std::runtime_error {
public:
    DbError(long number, const std::string& description, DbFault fault = DbFault::Statement)
        : std::runtime_error(description), number_(number), fault_(fault) {}
    long number() const { return number_; }
    DbFault fault() const { return fault_; }
    bool outage() const { return fault_ != DbFault::Statement; }

private:
    long number_;
    DbFault fault_;
};

class Recordset {
public:
    virtual ~Recordset() = default;
    virtual bool eof() const = 0;
    virtual void moveNext() = 0;
    virtual int fieldCount() const = 0;
    virtual const std::string& fieldName(int index) const = 0;
    // Field of the current row; reading at end-of-file throws DbError.
    virtual const Value& field(int index) const = 0;
    // Field by name, case-insensitive; an unknown name throws DbError.
    const Value& field(std::string_view name) const;
    // Index of the named field, or -1.
    int fieldIndex(std::string_view name) const;
};

class Connection {
public:
    virtual ~Connection() = default;
    // Runs a statement that returns no records.
    virtual void execute(std::string_view sql) = 0;
    // Opens a forward-only recordset positioned on the first row.
    virtual std::unique_ptr<Recordset> open(std::string_view sql) = 0;
    // Short engine name for messages ("SQLite", "ODBC").
    virtual std::string engineName() const = 0;
    // Runs statements that return no records as one unit, all or nothing: on the
    // embedded engine one transaction, on a server one round trip. DbError on failure,
    // and then none of them has taken effect. An empty batch sends nothing.
    virtual void executeBatch(const std::vector<std::string>& statements) = 0;
    // Number of statements sent so far (execute, open and each statement of a batch),
    // for benchmarks and diagnostics.
    virtual unsigned long statementCount() const = 0;
    // Number of round trips to the database so far: one per statement, one per batch.
    // Across a network each costs the link's latency whatever the statement.
    virtual unsigned long roundTrips() const = 0;
    // A unit of work: the statements of one card read, between beginUnit and endUnit
    // (nested units count as one). An engine may write them together; each statement
    // still takes effect on its own, a failed one does not undo the others. beginUnit
    // throws DbError when the unit cannot start (its statements then run one by one),
    // endUnit when what the unit wrote could not be kept; endUnit is due after every
    // beginUnit, also a failed one. Nothing by default.
    virtual void beginUnit() {}
    virtual void endUnit() {}
    // Housekeeping the server runs between messages (the polling tick), so that it does
    // not fall on a card read. Nothing by default.
    virtual void manutenzione() {}
    // Rows inserted, changed or deleted by the last statement run with execute: a guarded
    // update is judged by it.
    virtual int64_t rowsChanged() const = 0;
    // One transaction at a time: the statements between begin and commit apply together
    // or, after rollback, not at all. begin waits (bounded) for another writer of the
    // database to finish; every call throws DbError on failure.
    virtual void beginTransaction() = 0;
    virtual void commitTransaction() = 0;
    virtual void rollbackTransaction() = 0;
};

// A connection that hands everything to another one: the base of wrappers that watch,
// delay or fail some statements and pass the rest through.
class ForwardingConnection : public Connection {
public:
    explicit ForwardingConnection(std::unique_ptr<Connection> inner) : inner_(std::move(inner)) {}
    void execute(std::string_view sql) override { inner_->execute(sql); }
    std::unique_ptr<Recordset> open(std::string_view sql) override { return inner_->open(sql); }
    std::string engineName() const override { return inner_->engineName(); }
    void executeBatch(const std::vector<std::string>& statements) override { inner_->executeBatch(statements); }
    unsigned long statementCount() const override { return inner_->statementCount(); }
    unsigned long roundTrips() const override { return inner_->roundTrips(); }
    void beginUnit() override { inner_->beginUnit(); }
    void endUnit() override { inner_->endUnit(); }
    void manutenzione() override { inner_->manutenzione(); }
    int64_t rowsChanged() const override { return inner_->rowsChanged(); }
    void beginTransaction() override { inner_->beginTransaction(); }
    void commitTransaction() override { inner_->commitTransaction(); }
    void rollbackTransaction() override { inner_->rollbackTransaction(); }
    Connection& inner() { return *inner_; }

protected:
    std::unique_ptr<Connection> inner_;
};

// A whole result read into memory: the form tools and tests use.
struct ResultTable {
    std::vector<std::string> columns;
    std::vector<std::vector<Value>> rows;
};
ResultTable readAll(Recordset& rs);

// Case-insensitive ASCII comparison of names (fields, tables).
bool sameName(std::string_view a, std::string_view b);

}  // namespace velaris
