// The database held by someone else or gone: the failure is told apart from a failing
// statement, a turn of work waits for it once, and the log gets one line per outage.
#include <gtest/gtest.h>

#include <chrono>

#include "db/database.h"
#include "db/sqlite_engine.h"
#include "support/faulty_connection.h"
#include "support/test_support.h"

using namespace velaris;
using velaris::test::DbFixture;
using velaris::test::FaultyConnection;

TEST(Outage, AConnectionHoldingTheDatabaseMakesWritesBusyAfterTheTimeOutOnly) {
    DbFixture f;
    f.native("CREATE TABLE T (N INTEGER)");
    SqliteConnection other(f.dbPath().string(), f.clock, false, 10000);
    other.executeNative("BEGIN EXCLUSIVE");

    SqliteConnection mine(f.dbPath().string(), f.clock, false, 200);
    const auto start = std::chrono::steady_clock::now();
    try {
        mine.execute("INSERT INTO T (N) VALUES (1)");
        FAIL() << "written while held";
    } catch (const DbError& e) {
        EXPECT_EQ(e.fault(), DbFault::Busy) << e.what();
        EXPECT_TRUE(e.outage());
    }
    // Bounded by the time-out, with a margin for a loaded machine.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    // Reading goes on under the write-ahead journal.
    EXPECT_NO_THROW(mine.open("SELECT Count(*) FROM T"));

    other.executeNative("COMMIT");
    EXPECT_NO_THROW(mine.execute("INSERT INTO T (N) VALUES (1)"));
    // A statement that is wrong in itself is no outage.
    try {
        mine.execute("INSERT INTO Nessuna (N) VALUES (1)");
        FAIL();
    } catch (const DbError& e) {
        EXPECT_FALSE(e.outage()) << e.what();
    }
}

TEST(Outage, AfterOneOutageTheTurnFailsAtOnceUntilTheNextTurn) {
    DbFixture f;
    f.native("CREATE TABLE T (N INTEGER); INSERT INTO T VALUES (1)");
    auto& faults = FaultyConnection::install(f.db);
    faults.failAt(2, DbFault::Busy);

    std::string domain = "T";
    EXPECT_EQ(DCountQ(f.db, "*", domain), 1);
    EXPECT_EQ(DCountQ(f.db, "*", domain), 0);  // the outage: logged, read as 0
    EXPECT_TRUE(DLookUpQ(f.db, "N", "T").isNull());
    EXPECT_THROW(f.db.execute("UPDATE T SET N = 2"), OutageRepeat);
    EXPECT_EQ(faults.counted(), 2u);  // the statements after the outage never left
    ASSERT_NE(f.db.outage(), nullptr);
    EXPECT_EQ(f.db.outage()->fault(), DbFault::Busy);
    // One line for the outage; the repeats are counted, not written.
    ASSERT_EQ(f.logLines.size(), 1u);
    EXPECT_EQ(f.logLines[0], "Error: 5 - database is locked - Function DCountQ");
    EXPECT_EQ(f.db.errorsLogged(), 2u);

    f.db.newTurn();  // the next piece of work tries again
    EXPECT_EQ(DLookUpQ(f.db, "N", "T"), Value(1));
    EXPECT_EQ(f.db.outage(), nullptr);
}

TEST(Outage, ALinkLostAfterTheStatementRanKeepsItsEffect) {
    DbFixture f;
    f.native("CREATE TABLE T (N INTEGER)");
    auto& faults = FaultyConnection::install(f.db);
    faults.failAt(1, DbFault::LinkLost, false, FaultyConnection::When::After);
    EXPECT_THROW(f.db.execute("INSERT INTO T (N) VALUES (1)"), DbError);
    EXPECT_EQ(faults.failedStatement(), "INSERT INTO T (N) VALUES (1)");
    f.db.newTurn();
    EXPECT_EQ(f.scalar("SELECT Count(*) FROM T"), Value(1));
}
