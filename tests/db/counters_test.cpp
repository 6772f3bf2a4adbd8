#include <gtest/gtest.h>

#include "db/counters.h"
#include "db/settings.h"
#include "base/workstation.h"
#include "support/faulty_connection.h"
#include "support/test_support.h"

using namespace velaris;
using velaris::test::DbFixture;

namespace {
constexpr const char* kTables =
    "CREATE TABLE Semafori (Cd_Semaforo INTEGER NOT NULL UNIQUE, UserName TEXT, HostName TEXT);"
    "CREATE TABLE Permessi_Utenti (Codice_Operatore TEXT, InUse BIT);";

struct Counters : ::testing::Test {
    DbFixture f;
    Postazione p{f.db};
    void SetUp() override {
        f.native(kTables);
        f.native("INSERT INTO Permessi_Utenti VALUES ('OP1', 0), ('OP2', -1);");
    }
};

LockPolicy fastPolicy(int attempts, int* sleeps = nullptr) {
    LockPolicy pol;
    pol.maxAttempts = attempts;
    pol.sleep = [sleeps](std::chrono::milliseconds) {
        if (sleeps) ++*sleeps;
    };
    return pol;
}
}  // namespace

TEST_F(Counters, OperatorInUseIsCachedUntilReloaded) {
    EXPECT_EQ(p.Info_Postazione(0, 2), Value("OP2"));
    f.native("UPDATE Permessi_Utenti SET InUse = -1 - InUse");  // swap who is in use
    EXPECT_EQ(p.Info_Postazione(0, 2), Value("OP2"));
    EXPECT_EQ(p.Info_Postazione(1, 2), Value("OP1"));
    EXPECT_FALSE(p.Info_Postazione(0, 1).toText().empty());  // the computer name
    EXPECT_THROW(p.Info_Postazione(0, 7), DbError);
}

// Two workstations racing for one lock are tested by two servers on one database.
TEST_F(Counters, LockIsTakenOnceAndReleased) {
    EXPECT_TRUE(Semaforo(f.db, p, Value(103), true, fastPolicy(3)));
    EXPECT_EQ(f.scalar("SELECT UserName FROM Semafori WHERE Cd_Semaforo=103"), Value("OP2"));
    int sleeps = 0;
    EXPECT_FALSE(Semaforo(f.db, p, Value(103), true, fastPolicy(4, &sleeps)));  // held: bounded retry
    EXPECT_EQ(sleeps, 3);
    ASSERT_FALSE(f.logLines.empty());
    EXPECT_NE(f.logLines.back().find("Function Semaforo"), std::string::npos);
    EXPECT_TRUE(Semaforo(f.db, p, Value(103), false, fastPolicy(3)));
    EXPECT_EQ(f.scalar("SELECT Count(*) FROM Semafori"), Value(0));
    EXPECT_TRUE(Semaforo(f.db, p, Value(103), true, fastPolicy(1)));
}

TEST_F(Counters, AnOutageIsNotWaitedOutAndAFailedReleaseIsDoneLater) {
    p.Info_Postazione(0, 1);
    p.Info_Postazione(0, 2);
    auto& faults = test::FaultyConnection::install(f.db);
    int sleeps = 0;
    faults.failAt(1, DbFault::Busy);  // the take meets a held database: no retry loop
    EXPECT_FALSE(Semaforo(f.db, p, Value(103), true, fastPolicy(5, &sleeps)));
    EXPECT_EQ(sleeps, 0);
    EXPECT_EQ(faults.counted(), 1u);
    ASSERT_EQ(f.logLines.size(), 1u);
    EXPECT_NE(f.logLines[0].find("Error: 5 - database is locked - Function Semaforo"), std::string::npos);
    EXPECT_TRUE(p.rilasciSospesi.empty());  // nothing was taken

    f.db.newTurn();
    ASSERT_TRUE(Semaforo(f.db, p, Value(103), true, fastPolicy(1)));
    faults.failAt(1, DbFault::LinkLost);  // the release is lost on the way
    EXPECT_FALSE(Semaforo(f.db, p, Value(103), false, fastPolicy(5, &sleeps)));
    EXPECT_EQ(sleeps, 0);
    EXPECT_EQ(p.rilasciSospesi, std::set<int64_t>{103});
    f.db.newTurn();
    EXPECT_EQ(f.scalar("SELECT Count(*) FROM Semafori"), Value(1));

    // The next take of the same lock releases it first; the row is ours and goes.
    f.db.newTurn();
    faults.heal();
    EXPECT_TRUE(Semaforo(f.db, p, Value(103), true, fastPolicy(1)));
    EXPECT_TRUE(p.rilasciSospesi.empty());
    EXPECT_EQ(f.scalar("SELECT Count(*) FROM Semafori"), Value(1));

    // A release that fails is done by the next housekeeping pass.
    faults.failAt(1, DbFault::Busy);
    EXPECT_FALSE(Semaforo(f.db, p, Value(103), false, fastPolicy(1)));
    f.db.newTurn();
    EXPECT_TRUE(Rilascia_Semafori_Sospesi(f.db, p));
    EXPECT_EQ(f.scalar("SELECT Count(*) FROM Semafori"), Value(0));
    EXPECT_NE(f.logLines.back().find("Release of lock 103 done late"), std::string::npos) << f.logLines.back();
}

TEST_F(Counters, StartUpClearsOnlyThisWorkstationsLockRows) {
    const std::string me = p.Info_Postazione(0, 1).toText();
    f.native("INSERT INTO Semafori VALUES (103, 'OP2', '" + me + "'), (7, 'OP2', '" + me +
             "'), (5, 'OP9', 'ALTRA-POSTAZIONE')");
    EXPECT_EQ(Pulisci_Semafori_Postazione(f.db, p), 2);
    EXPECT_EQ(readAll(*f.db.open("SELECT HostName FROM Semafori")).rows,
              (std::vector<std::vector<Value>>{{"ALTRA-POSTAZIONE"}}));
    ASSERT_EQ(f.logLines.size(), 1u);
    EXPECT_NE(f.logLines[0].find("removed: 7, 103"), std::string::npos) << f.logLines[0];
    EXPECT_EQ(Pulisci_Semafori_Postazione(f.db, p), 0);
    EXPECT_EQ(f.logLines.size(), 1u);
}

TEST_F(Counters, ALockHeldTooLongElsewhereIsReportedOnceAMinute) {
    SorveglianzaSemafori watch;
    const std::string me = p.Info_Postazione(0, 1).toText();
    f.native("INSERT INTO Semafori VALUES (103, 'OP9', 'PC-CASSA'), (4, 'OP2', '" + me + "')");
    const DateTime t0 = DateTime::fromParts(2024, 3, 7, 10, 0, 0);
    auto reports = [&] {
        int n = 0;
        for (const auto& l : f.logLines) n += l.find("Lock 103 held by workstation PC-CASSA (user OP9)") != std::string::npos;
        return n;
    };
    // Seconds since first seen, and the reports written by then.
    for (const auto& [at, want] : {std::pair{0, 0}, {30, 0}, {61, 1}, {100, 1}, {125, 2}}) {
        watch.controlla(f.db, p, t0.addSeconds(at));
        EXPECT_EQ(reports(), want) << at;
    }
    EXPECT_EQ(f.logLines.size(), 2u);  // this workstation's own row is never reported

    // Released and taken again later by the same holder: a new minute starts.
    f.native("DELETE FROM Semafori WHERE Cd_Semaforo=103");
    watch.controlla(f.db, p, t0.addSeconds(140));
    f.native("INSERT INTO Semafori VALUES (103, 'OP9', 'PC-CASSA')");
    watch.controlla(f.db, p, t0.addSeconds(150));
    watch.controlla(f.db, p, t0.addSeconds(200));
    EXPECT_EQ(reports(), 2);
    watch.controlla(f.db, p, t0.addSeconds(211));
    EXPECT_EQ(reports(), 3);
}

TEST(Workstation, TheNameGivenReplacesTheComputerName) {
    const std::string computer = workstationName();
    setWorkstationName("  CASSA-2 ");
    EXPECT_EQ(ShowInfo(1), Value("CASSA-2"));
    setWorkstationName("");
    EXPECT_EQ(workstationName(), computer);
}

TEST_F(Counters, StatusOfABlankCodeIsEmptyWithoutAQuery) {
    Settings s{f.db};
    EXPECT_TRUE(Stato_Cliente(f.db, s, f.clock, Value(" ")).isEmpty());
    EXPECT_TRUE(f.logLines.empty());
}

TEST_F(Counters, LongWorkstationNamesAreCutToTheLockColumns) {
    f.native("DROP TABLE Semafori; CREATE TABLE Semafori (Cd_Semaforo INTEGER NOT NULL UNIQUE, "
             "UserName VARCHAR(50), HostName VARCHAR(50));"
             "UPDATE Permessi_Utenti SET Codice_Operatore = '" + std::string(60, 'O') + "' WHERE InUse <> 0");
    EXPECT_TRUE(Semaforo(f.db, p, Value(104), true, fastPolicy(1)));
    EXPECT_EQ(f.scalar("SELECT UserName FROM Semafori WHERE Cd_Semaforo=104"), Value(std::string(50, 'O')));
    ASSERT_EQ(f.logLines.size(), 1u);
    EXPECT_NE(f.logLines[0].find("Text of 60 characters cut to 50 for Semafori.UserName - Function Semaforo"),
              std::string::npos)
        << f.logLines[0];
}
