#pragma once
// Database faults on cue: a connection that wraps another and makes chosen statements fail
// the way a real database fails: busy (another process holds it), locked, link lost
// (before the statement reached the database, or after it ran there), for one statement
// or for good. Statements are counted from the moment the fault is armed, so a test can
// walk every statement of a piece of work.
//
//     auto& faults = FaultyConnection::install(db);   // wraps db's connection
//     faults.failAt(7, DbFault::Busy);                // the 7th statement from now fails
//     ...                                             // run the read
//     faults.fired();                                 // it did

#include <memory>
#include <string>
#include <vector>

#include "db/database.h"

namespace velaris::test {

class FaultyConnection : public ForwardingConnection {
public:
    explicit FaultyConnection(std::unique_ptr<Connection> inner) : ForwardingConnection(std::move(inner)) {}

    // Wraps the connection of `db` and returns the wrapper, which `db` owns.
    static FaultyConnection& install(Database& db);

    // When the failing statement meets its fault.
    enum class When {
        Before,  // it never reaches the database
        After,   // it ran, but its answer is lost (only for execute; a read fails before)
    };
    // Arms a fault: statement `n` (1 = the next one) fails with `fault`; with `forGood`
    // every statement after it fails too, until heal().
    void failAt(unsigned long n, DbFault fault, bool forGood = false, When when = When::Before);
    // Every statement from the next one fails, until heal().
    void failFromNow(DbFault fault) { failAt(1, fault, true); }
    void heal();

    // Statements seen since the fault was armed (or since the start), and their texts.
    unsigned long counted() const { return counted_; }
    const std::vector<std::string>& statements() const { return texts_; }
    // Whether the armed fault has made a statement fail.
    bool fired() const { return fired_; }
    // The text of the statement that failed first, or "".
    const std::string& failedStatement() const { return failed_; }

    // The error a statement meets for `fault`, as the engines raise it.
    static DbError errorFor(DbFault fault);

    void execute(std::string_view sql) override;
    std::unique_ptr<Recordset> open(std::string_view sql) override;
    // Each statement of a batch is a failure point; the batch fails as a whole.
    void executeBatch(const std::vector<std::string>& statements) override;
    // Beginning and committing a transaction are failure points too ("BEGIN", "COMMIT"):
    // a commit that fails has applied nothing. A rollback never fails here.
    void beginTransaction() override;
    void commitTransaction() override;

private:
    // True when this statement must fail.
    bool due(std::string_view sql);

    unsigned long counted_ = 0;
    unsigned long failAt_ = 0;  // 0: no fault armed
    DbFault fault_ = DbFault::Busy;
    bool forGood_ = false;
    When when_ = When::Before;
    bool fired_ = false;
    std::string failed_;
    std::vector<std::string> texts_;
};

}  // namespace velaris::test
