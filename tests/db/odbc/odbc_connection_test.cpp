// The ODBC engine against a real driver: the SQLite ODBC driver, loaded by path through
// the driver manager, stands in for SQL Server.

#include <gtest/gtest.h>

#include <filesystem>

#include "db/engine.h"
#include "db/literals.h"
#include "db/odbc/odbc_connection.h"
#include "db/sqlite_engine.h"
#include "db/thrown.h"
#include "support/test_support.h"

using namespace velaris;
using velaris::odbc::OdbcConnection;
using velaris::test::thrown;

namespace {

const char* const kDriver = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";

std::string odbcString(const std::filesystem::path& file) {
    return std::string("Driver=") + kDriver + ";Database=" + file.string();
}

struct Odbc : ::testing::Test {
    test::TempDir dir;
    Clock clock;
    std::unique_ptr<OdbcConnection> conn;

    void SetUp() override {
        if (!std::filesystem::exists(kDriver)) GTEST_SKIP() << "SQLite ODBC driver not installed";
        clock.setFixed(DateTime::fromParts(2024, 3, 7, 10, 30, 0));
        conn = std::make_unique<OdbcConnection>(odbcString(dir / "centro.db"), clock);
        conn->execute(
            "CREATE TABLE Clienti (Codice VARCHAR(10), Nome VARCHAR(50), Eta INTEGER, Saldo FLOAT, Attivo BIT, "
            "Nascita DATE, Ultimo DATETIME, Ora TIME, Note TEXT)");
    }

    Value scalar(const std::string& sql, OdbcConnection* c = nullptr) {
        auto rs = (c ? c : conn.get())->open(sql);
        return rs->eof() ? Value::null() : rs->field(0);
    }
};

TEST_F(Odbc, ValuesComeBackWithTheirKinds) {
    conn->execute(
        "INSERT INTO Clienti VALUES ('CL1', 'Anna', 30, 12.5, 1, '1994-05-20', '2024-03-07 10:30:15', '07:05:09', "
        "'nota'), ('CL2', Null, Null, Null, Null, Null, Null, Null, Null)");
    auto rs = conn->open("SELECT Codice, Nome, Eta, Saldo, Attivo, Nascita, Ultimo, Ora, Note FROM Clienti "
                         "ORDER BY Codice");
    EXPECT_EQ(rs->fieldName(2), "Eta");
    EXPECT_EQ(rs->field("SALDO"), Value(12.5));  // names in any case
    EXPECT_THROW(rs->field("Nessuno"), DbError);
    EXPECT_THROW(rs->field(9), DbError);
    const auto t = readAll(*rs);
    ASSERT_EQ(t.rows.size(), 2u);
    // A time of day lands on 1 January 1900, never on today.
    EXPECT_EQ(t.rows[0], (std::vector<Value>{"CL1", "Anna", 30, 12.5, true, DateTime::fromParts(1994, 5, 20),
                                             DateTime::fromParts(2024, 3, 7, 10, 30, 15),
                                             DateTime::fromParts(1900, 1, 1, 7, 5, 9), "nota"}));
    // Nulls are Null in every kind.
    for (size_t i = 1; i < t.rows[1].size(); ++i) EXPECT_TRUE(t.rows[1][i].isNull()) << t.columns[i];
}

TEST_F(Odbc, TextsKeepAccentsQuotesAndLength) {
    conn->execute("INSERT INTO Clienti (Codice, Nome) VALUES ('Q1', " + CChrQ(Value("l'ora è già «città» €")) +
                  "), ('Q2', 'D''Angelo Niccolò'), ('Q3', '')");
    auto rs = conn->open("SELECT Nome FROM Clienti ORDER BY Codice");
    EXPECT_EQ(readAll(*rs).rows,
              (std::vector<std::vector<Value>>{{"l\"ora è già «città» €"}, {"D'Angelo Niccolò"}, {""}}));

    // Well past one read buffer, with two-byte letters straddling every piece boundary.
    std::string longText;
    while (longText.size() < 40000) longText += "àèìòù perché x";
    conn->execute("INSERT INTO Clienti (Codice, Note) VALUES ('L1', " + CChrQ(Value(longText)) + ")");
    EXPECT_EQ(scalar("SELECT Note FROM Clienti WHERE Codice='L1'"), Value(longText));
}

TEST_F(Odbc, EmptyResultsAndChangesThatTouchNoRowSucceedAndAreCounted) {
    const auto before = conn->statementCount();
    auto rs = conn->open("SELECT Codice, Nome FROM Clienti WHERE Codice='nessuno'");
    EXPECT_TRUE(rs->eof());
    EXPECT_EQ(rs->fieldCount(), 2);
    EXPECT_EQ(rs->fieldName(1), "Nome");
    EXPECT_THROW(rs->field(0), DbError);
    rs->moveNext();  // harmless at eof
    EXPECT_TRUE(rs->eof());
    EXPECT_NO_THROW(conn->execute("DELETE FROM Clienti WHERE Codice='nessuno'"));
    // A change opened as a read gives an empty recordset with no fields.
    rs = conn->open("DELETE FROM Clienti WHERE Codice='nessuno'");
    EXPECT_TRUE(rs->eof());
    EXPECT_EQ(conn->statementCount(), before + 3);
    EXPECT_EQ(conn->engineName(), "ODBC");
    EXPECT_FALSE(conn->driverName().empty());
}

TEST_F(Odbc, OpenConnectionTakesADriverStringToTheDriverManager) {
    auto c = openConnection(std::string("Driver={") + kDriver + "};Database=" + (dir / "o.db").string(), clock);
    EXPECT_EQ(c->engineName(), "ODBC");
    EXPECT_NO_THROW(c->execute("CREATE TABLE T (N INTEGER)"));
}

TEST_F(Odbc, NestedStatementsWhileARecordsetIsOpen) {
    conn->execute("INSERT INTO Clienti (Codice, Eta) VALUES ('CL1', 1), ('CL2', 2), ('CL3', 3)");
    conn->execute("CREATE TABLE Presenze (Codice VARCHAR(10), N INTEGER)");
    auto outer = conn->open("SELECT Codice, Eta FROM Clienti ORDER BY Codice");
    while (!outer->eof()) {
        const std::string code = outer->field("Codice").toText();
        auto inner = conn->open("SELECT Count(*) AS N FROM Clienti WHERE Eta <= " + outer->field("Eta").toText());
        ASSERT_FALSE(inner->eof());
        EXPECT_EQ(inner->field(0).toInt(), outer->field("Eta").toInt());
        conn->execute("INSERT INTO Presenze VALUES (" + CChrQ(Value(code)) + ", " + inner->field(0).toText() + ")");
        outer->moveNext();
    }
    auto rs = conn->open("SELECT Codice, N FROM Presenze ORDER BY Codice");
    EXPECT_EQ(readAll(*rs).rows, (std::vector<std::vector<Value>>{{"CL1", 1}, {"CL2", 2}, {"CL3", 3}}));
}

TEST_F(Odbc, ErrorsCarryTheDriverDiagnostic) {
    try {
        conn->open("SELECT Nome FROM Inesistente");
        FAIL() << "no error";
    } catch (const DbError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("Inesistente"), std::string::npos) << what;
        EXPECT_NE(what.find("SQLSTATE "), std::string::npos) << what;
        EXPECT_NE(e.number(), 0);
    }
    EXPECT_THROW(conn->execute("UPDATE Inesistente SET a=1"), DbError);
    EXPECT_THROW(conn->execute("THIS IS NOT SQL"), DbError);
    EXPECT_FALSE(conn->lost());
    // The connection goes on working after a failed statement.
    EXPECT_EQ(scalar("SELECT Count(*) FROM Clienti").toInt(), 0);
}

TEST_F(Odbc, ReconnectsAfterALostLinkAtMostEveryInterval) {
    const auto sub = dir / "sub";
    std::filesystem::create_directories(sub);
    OdbcConnection c(odbcString(sub / "c.db"), clock);
    c.execute("CREATE TABLE T (N INTEGER)");
    c.execute("INSERT INTO T VALUES (1)");

    // The database becomes unreachable and the link breaks.
    std::filesystem::remove_all(sub);
    c.markLost();
    const std::string first = thrown<DbError>([&] { c.open("SELECT N FROM T"); });
    EXPECT_NE(first.find("reconnection failed"), std::string::npos) << first;
    EXPECT_TRUE(c.lost());

    // It is back, but the next attempt waits for its turn.
    std::filesystem::create_directories(sub);
    const std::string early = thrown<DbError>([&] { c.execute("CREATE TABLE T (N INTEGER)"); });
    EXPECT_NE(early.find("next reconnection attempt at 2024-03-07 10:30:10"), std::string::npos) << early;
    clock.advance(OdbcConnection::kReconnectInterval);
    EXPECT_NO_THROW(c.execute("CREATE TABLE T (N INTEGER)"));
    EXPECT_FALSE(c.lost());
}

// The test dialect: the same engine, the embedded engine's translation in front of the
// SQLite driver, against the embedded schema's conventions.
struct OdbcDialect : Odbc {
    std::unique_ptr<OdbcConnection> t;
    void SetUp() override {
        Odbc::SetUp();
        if (!conn) return;
        SqliteConnection(dir / "centro.db", clock)
            .executeNative("CREATE TABLE Anagrafica (Codice VARCHAR(10) COLLATE TSQL PRIMARY KEY, "
                           "Attivo BIT NOT NULL DEFAULT 0, Fido MONEY, Nascita DATETIME)");
        t = std::make_unique<OdbcConnection>(odbcString(dir / "centro.db"), clock, odbc::Dialect::SqliteTranslated);
    }
    Value value(const std::string& sql) { return scalar(sql, t.get()); }
};

TEST_F(OdbcDialect, TSqlRunsAndValuesComeBackAsFromTheServer) {
    // The date settings of a SQL Server connection went out first, translated.
    EXPECT_EQ(t->statementCount(), odbc::OdbcConnection::sessionStatements().size());
    t->execute("INSERT INTO Anagrafica (Codice, Attivo, Fido, Nascita) VALUES ('CL1', -1, Convert(Float, 12.5), "
               "{d '1994-05-20'})");
    t->execute("INSERT INTO Anagrafica (Codice) VALUES ('cl2')");
    EXPECT_EQ(value("SELECT TOP 1 Codice FROM Anagrafica WHERE Codice='CL2' ORDER BY Codice"), Value("cl2"));
    auto rs = t->open("SELECT Attivo, Fido, Nascita FROM Anagrafica ORDER BY Codice");
    EXPECT_EQ(readAll(*rs).rows, (std::vector<std::vector<Value>>{{true, 12.5, DateTime::fromParts(1994, 5, 20)},
                                                                 {false, Value::null(), Value::null()}}));
    EXPECT_EQ(value("SELECT DATEPART(weekday, GetDate())"), Value(5));  // the fixed clock's Thursday
    EXPECT_EQ(value("SELECT Max(Nascita) FROM Anagrafica"), Value(DateTime::fromParts(1994, 5, 20)));
    // The embedded engine's refusals reach the caller as database errors.
    const std::string wide =
        thrown<DbError>([&] { t->execute("UPDATE Anagrafica SET Codice='CL1234567890' WHERE Codice='CL1'"); });
    EXPECT_NE(wide.find("String or binary data would be truncated."), std::string::npos) << wide;
    EXPECT_THROW(t->execute("SET DATEFORMAT dmy"), DbError);
}

TEST_F(OdbcDialect, BatchesAreOneRoundTripAndAllOrNothing) {
    const auto trips = t->roundTrips();
    t->executeBatch({"INSERT INTO Anagrafica (Codice) VALUES ('A')", "INSERT INTO Anagrafica (Codice) VALUES ('B')"});
    EXPECT_EQ(t->roundTrips(), trips + 1);
    EXPECT_THROW(t->executeBatch({"INSERT INTO Anagrafica (Codice) VALUES ('C')", "INSERT INTO Anagrafica (Codice) VALUES ('a')"}),
                 DbError);
    EXPECT_EQ(value("SELECT Count(*) FROM Anagrafica"), Value(2));
    // The connection is usable after the failure, outside any transaction.
    t->execute("INSERT INTO Anagrafica (Codice) VALUES ('C')");
    EXPECT_EQ(value("SELECT Count(*) FROM Anagrafica"), Value(3));
}

TEST_F(OdbcDialect, AReconnectionSendsTheDateSettingsAgain) {
    t->markLost();
    const auto before = t->statementCount();
    EXPECT_EQ(value("SELECT Count(*) FROM Anagrafica"), Value(0));
    EXPECT_EQ(t->statementCount(), before + 1 + odbc::OdbcConnection::sessionStatements().size());
    EXPECT_FALSE(t->lost());
    // A driver that is no SQL Server gets none of them.
    EXPECT_EQ(conn->statementCount(), 1u);  // the fixture's CREATE TABLE
}

TEST(OdbcConnect, UnknownDriverIsAClearError) {
    Clock clock;
    const std::string what =
        thrown<DbError>([&] { OdbcConnection c("Driver={Velaris Nonexistent Driver};Server=x", clock); });
    EXPECT_EQ(what.rfind("Cannot connect to the database: ", 0), 0u) << what;
    EXPECT_NE(what.find("Velaris Nonexistent Driver"), std::string::npos) << what;
    EXPECT_NE(what.find("(SQLSTATE "), std::string::npos) << what;
}

TEST(OdbcDiagnostics, LinkLossStatesAndText) {
    EXPECT_TRUE(odbc::isConnectionLost("08S01"));
    EXPECT_TRUE(odbc::isConnectionLost("08003"));
    EXPECT_FALSE(odbc::isConnectionLost("42S02"));
    EXPECT_FALSE(odbc::isConnectionLost("08"));
    EXPECT_EQ(odbc::describe({{"42S02", 208, "Invalid object name 'X'."}, {"01000", 0, "note"}}),
              "Invalid object name 'X'. (SQLSTATE 42S02, native error 208); note (SQLSTATE 01000, native error 0)");
}

}  // namespace

TEST_F(Odbc, TransactionsCommitOrRollBackAndRowsChangedAreCounted) {
    conn->execute("INSERT INTO Clienti (Codice, Eta) VALUES ('CL1', 1), ('CL2', 2)");
    conn->execute("UPDATE Clienti SET Eta = Eta + 1");
    EXPECT_EQ(conn->rowsChanged(), 2);
    conn->execute("UPDATE Clienti SET Eta = 0 WHERE Codice='CL9'");
    EXPECT_EQ(conn->rowsChanged(), 0);

    conn->beginTransaction();
    conn->execute("UPDATE Clienti SET Eta = 100");
    conn->rollbackTransaction();
    EXPECT_EQ(scalar("SELECT Sum(Eta) FROM Clienti"), Value(5));
    conn->beginTransaction();
    conn->execute("UPDATE Clienti SET Eta = 10 WHERE Codice='CL1'");
    conn->commitTransaction();
    EXPECT_EQ(scalar("SELECT Sum(Eta) FROM Clienti"), Value(13));
    // Back in autocommit: a lone statement applies at once.
    conn->execute("UPDATE Clienti SET Eta = 20 WHERE Codice='CL1'");
    EXPECT_EQ(scalar("SELECT Sum(Eta) FROM Clienti"), Value(23));
}
