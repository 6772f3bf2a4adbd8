// What one card read keeps of the database and holds back: answers asked once per read,
// and writes that go out together.
#include <gtest/gtest.h>

#include <optional>

#include "db/database.h"
#include "support/test_support.h"

using namespace velaris;
using velaris::test::DbFixture;

namespace {
int64_t keptN(Database& db) {
    auto rs = db.openOncePerRead("SELECT N FROM T");
    return rs->eof() ? -1 : rs->field(0).toInt();
}
}  // namespace

TEST(PerRead, AnAnswerIsKeptWithinAReadOnlyAndForgottenWhenThisServerWritesItsTable) {
    DbFixture f;
    f.native("CREATE TABLE T (N INTEGER); INSERT INTO T VALUES (1)");
    std::optional<ReadScope> read(f.db);
    EXPECT_EQ(keptN(f.db), 1);
    const auto sent = f.db.conn().statementCount();
    f.native("UPDATE T SET N = 2");  // a desk program, during the read
    EXPECT_EQ(keptN(f.db), 1);
    EXPECT_EQ(f.db.conn().statementCount(), sent);
    f.db.newTurn();  // the next read sees the desk's change
    EXPECT_EQ(keptN(f.db), 2);
    f.db.execute("UPDATE T SET N = 3");  // this server's own write, within the read
    EXPECT_EQ(keptN(f.db), 3);
    f.native("UPDATE T SET N = 4");
    read.reset();  // the read ends; outside a read nothing is kept
    EXPECT_EQ(keptN(f.db), 4);
    f.native("UPDATE T SET N = 5");
    EXPECT_EQ(keptN(f.db), 5);
    read.emplace(f.db);
    EXPECT_EQ(keptN(f.db), 5);
}

TEST(PerRead, DeferredWritesGoOutTogetherInOrderBeforeTheNextStatementAndAFailedBatchUndoesItself) {
    DbFixture f;
    f.native("CREATE TABLE T (N INTEGER NOT NULL)");
    // Outside a read a deferred write runs at once.
    f.db.executeDeferred("INSERT INTO T (N) VALUES (1)", "Prova");
    EXPECT_EQ(f.scalar("SELECT Count(*) FROM T").toInt(), 1);
    {
        ReadScope read(f.db);
        const auto trips = f.db.conn().roundTrips();
        f.db.executeDeferred("INSERT INTO T (N) VALUES (2)", "Prova");
        f.db.executeDeferred("UPDATE T SET N = N * 10", "Prova");
        EXPECT_EQ(f.db.conn().roundTrips(), trips);
        // The read that follows sees them, one round trip after them.
        EXPECT_EQ(DSumQ(f.db, "N", "T").toInt(), 30);
        EXPECT_EQ(f.db.conn().roundTrips(), trips + 2);
        f.db.executeDeferred("INSERT INTO T (N) VALUES (5)", "Prova");
        f.db.executeDeferred("INSERT INTO T (N) VALUES (Null)", "Prova");  // refused
    }
    // The failing batch, sent when the read ended, left nothing and was logged.
    EXPECT_EQ(f.scalar("SELECT Sum(N) FROM T").toInt(), 30);
    EXPECT_EQ(f.db.errorsLogged(), 1u);
    ASSERT_FALSE(f.logLines.empty());
    EXPECT_NE(f.logLines.back().find("Prova"), std::string::npos) << f.logLines.back();
}
