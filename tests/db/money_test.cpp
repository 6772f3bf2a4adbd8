// Exact amounts and the transactions that keep a debit together with its movement.
#include <gtest/gtest.h>

#include <cmath>

#include "db/money.h"
#include "support/test_support.h"

using namespace velaris;
using velaris::test::DbFixture;

TEST(Money, TextsAndDatabaseValuesBecomeExactAmounts) {
    EXPECT_EQ(Money::parse(" 12,3 ")->units(), 123000);
    EXPECT_EQ(Money::parse("-0.0001")->units(), -1);
    EXPECT_EQ(Money::parse("1.23455")->units(), 12346);  // the fifth decimal rounds half away
    for (const char* bad : {"", "-", "1.2.3", "1e3", "12a", "99999999999999999999"}) EXPECT_FALSE(Money::parse(bad)) << bad;
    EXPECT_EQ(Money::fromValue(Value(0.1 + 0.2))->units(), 3000);  // binary noise never survives
    EXPECT_EQ(Money::fromValue(Value(7))->units(), 70000);
    EXPECT_EQ(Money::fromValue(Value("7,05"))->units(), 70500);
    for (const Value& blank : {Value::null(), Value(), Value("  "), Value(std::nan(""))}) EXPECT_FALSE(Money::fromValue(blank));
}

TEST(Money, LiteralsAndDisplay) {
    EXPECT_EQ(Num_SqlQ(Money::fromUnits(123400)), "Convert(Money, 12.34)");
    EXPECT_EQ(Num_SqlQ(Money::fromUnits(-5000)), "Convert(Money, -0.5)");
    EXPECT_EQ(formatMoney(Money::fromCents(123450)), "1.234,50");
    EXPECT_EQ(formatMoney(Money::fromUnits(12350)), "1,24");
    EXPECT_EQ(formatMoney(Money::fromUnits(-500)), "-0,05");
    EXPECT_EQ(formatMoney(Money::fromCents(100000000)), "1.000.000,00");
}

namespace {
struct Transazioni : ::testing::Test {
    DbFixture f;
    void SetUp() override {
        f.native("CREATE TABLE Carte (ID INTEGER, Usato MONEY NOT NULL DEFAULT 0);"
                 "INSERT INTO Carte VALUES (1, 0), (2, 0);");
    }
    int64_t somma() { return Money::fromValue(f.scalar("SELECT Sum(Usato) FROM Carte"))->units(); }
};
}  // namespace

TEST_F(Transazioni, CommittedWorkStaysAndAbandonedWorkIsRolledBack) {
    {
        Transaction t(f.db);
        f.db.execute("UPDATE Carte SET Usato = Convert(Money, Usato + " + Num_SqlQ(Money::fromCents(10)) + ")");
        EXPECT_EQ(f.db.rowsChanged(), 2);
        t.commit();
    }
    {
        Transaction t(f.db);
        f.db.execute("UPDATE Carte SET Usato = Usato + 5 WHERE ID=1");
        EXPECT_EQ(f.db.rowsChanged(), 1);
    }  // no commit
    EXPECT_EQ(somma(), 2000);
    EXPECT_FALSE(f.db.inTransaction());
    f.db.execute("UPDATE Carte SET Usato = 0 WHERE ID=9");
    EXPECT_EQ(f.db.rowsChanged(), 0);
}

TEST_F(Transazioni, AnInnerFailureDoomsTheOuterCommit) {
    Transaction esterna(f.db);
    f.db.execute("UPDATE Carte SET Usato = 1");
    {
        Transaction interna(f.db);
        f.db.execute("UPDATE Carte SET Usato = 2");
    }
    EXPECT_THROW(esterna.commit(), DbError);
    EXPECT_FALSE(f.db.inTransaction());
    EXPECT_EQ(somma(), 0);
}

TEST_F(Transazioni, SumsOfMoneyStayExactInTheEmbeddedEngine) {
    for (int i = 0; i < 10; ++i)
        f.db.execute("UPDATE Carte SET Usato = Convert(Money, Usato + " + Num_SqlQ(Money::fromCents(10)) + ") WHERE ID=1");
    f.db.execute("UPDATE Carte SET Usato = Usato WHERE ID=1 AND Convert(Money, Usato)>=" + Num_SqlQ(Money::fromCents(100)));
    EXPECT_EQ(f.db.rowsChanged(), 1);  // ten times 0.10 is exactly 1.00
    EXPECT_EQ(somma(), 10000);
}
