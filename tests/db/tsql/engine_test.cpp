// The embedded engine around the translator: statements cached by shape with their
// literals bound, the translation cache, errors, and two connections on one file.

#include <gtest/gtest.h>

#include <filesystem>

#include "db/thrown.h"
#include "db/tsql/translator.h"
#include "support/test_support.h"

using namespace velaris;
using velaris::test::DbFixture;

namespace {

struct Engine : ::testing::Test {
    DbFixture f;
    void SetUp() override {
        f.native("CREATE TABLE Anagrafica_Clienti (Codice_Cliente VARCHAR(20) COLLATE TSQL PRIMARY KEY,"
                 " Cognome VARCHAR(50) COLLATE TSQL, Data_Registrazione DATETIME, Note VARCHAR(20) COLLATE TSQL);"
                 "INSERT INTO Anagrafica_Clienti VALUES ('CL001','Rossi','2024-01-10 00:00:00','A'),"
                 " ('CL002','Bianchi','2024-02-20 00:00:00','B'), ('CL003','Verdi',NULL,'C');");
    }
    std::string cognome(const std::string& code) {
        return DLookUpQ(f.db, "Cognome", "Anagrafica_Clienti", "Codice_Cliente=" + CChrQ(Value(code))).toText();
    }
};

}  // namespace

TEST_F(Engine, StatementsOfOneShapeShareTranslationAndStatement) {
    auto& tr = f.sqlite->translator();
    const uint64_t misses = tr.misses();
    EXPECT_EQ(cognome("CL001"), "Rossi");
    EXPECT_EQ(tr.misses(), misses + 1);
    const unsigned long reuses = f.sqlite->statementReuses();
    EXPECT_EQ(cognome("CL002"), "Bianchi");
    EXPECT_EQ(cognome("cl003"), "Verdi");
    EXPECT_EQ(cognome("CL001"), "Rossi");
    EXPECT_EQ(cognome("CL009"), "");
    EXPECT_EQ(tr.misses(), misses + 1);  // every later call was a hit
    EXPECT_EQ(f.sqlite->statementReuses(), reuses + 4);
    // Date literals of one shape are bound in their canonical form, whatever their spelling.
    const std::string head = "SELECT Count(*) FROM Anagrafica_Clienti WHERE Data_Registrazione<";
    EXPECT_EQ(f.scalar(head + "'2024-02-01'"), Value(1));
    EXPECT_EQ(f.scalar(head + "'2024-3-1'"), Value(2));
    EXPECT_EQ(f.scalar(head + "{d '2024-01-01'}"), Value(0));
    EXPECT_EQ(f.scalar(head + "'03-01-2024'"), Value(2));
}

TEST_F(Engine, LiteralsThatShapeTheTranslationAreNotShared) {
    auto with = [&](const std::string& n) {
        return f.scalar("SELECT CONVERT(varchar(" + n + "), Data_Registrazione, 120) FROM Anagrafica_Clienti "
                        "WHERE Codice_Cliente='CL001'");
    };
    EXPECT_EQ(with("4"), Value("2024"));
    EXPECT_EQ(with("10"), Value("2024-01-10"));
    EXPECT_EQ(with("4"), Value("2024"));
    EXPECT_EQ(f.scalar("SELECT Cognome, Note FROM Anagrafica_Clienti ORDER BY 1"), Value("Bianchi"));
    EXPECT_EQ(f.scalar("SELECT Cognome, Note FROM Anagrafica_Clienti ORDER BY 2 DESC"), Value("Verdi"));
    // A text that looks like a date but is compared with a text column keeps its spelling.
    EXPECT_EQ(f.scalar("SELECT Count(*) FROM Anagrafica_Clienti WHERE Note='2024-01-10'"), Value(0));
    f.db.execute("UPDATE Anagrafica_Clienti SET Note='2024-01-10' WHERE Codice_Cliente='CL003'");
    EXPECT_EQ(f.scalar("SELECT Count(*) FROM Anagrafica_Clienti WHERE Note='2024-01-10'"), Value(1));
    // A number stored in a text column reads as the server writes it.
    f.db.execute("UPDATE Anagrafica_Clienti SET Note=Convert(Float, 3) WHERE Codice_Cliente='CL001'");
    f.db.execute("INSERT INTO Anagrafica_Clienti (Codice_Cliente, Note) VALUES ('CL005', Convert(Float, 12.5))");
    auto rs = f.db.open("SELECT Note FROM Anagrafica_Clienti ORDER BY Codice_Cliente");
    EXPECT_EQ(readAll(*rs).rows, (std::vector<std::vector<Value>>{{"3"}, {"B"}, {"2024-01-10"}, {"12.5"}}));
    EXPECT_EQ(f.scalar("SELECT Count(*) FROM Anagrafica_Clienti WHERE Note=Convert(Float, 3)"), Value(1));
}

TEST_F(Engine, NestedReadsOfOneShapeKeepTheirOwnValues) {
    auto outer = f.db.open("SELECT Codice_Cliente FROM Anagrafica_Clienti WHERE Codice_Cliente<>'CL002' ORDER BY Codice_Cliente");
    std::vector<std::string> seen;
    while (!outer->eof()) {
        const std::string code = outer->field(0).toText();
        auto inner = f.db.open("SELECT Codice_Cliente FROM Anagrafica_Clienti WHERE Codice_Cliente<>'" + code +
                               "' ORDER BY Codice_Cliente");
        seen.push_back(code + ":" + inner->field(0).toText());
        outer->moveNext();
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"CL001:CL002", "CL003:CL001"}));
}

TEST_F(Engine, TranslationCacheIsBounded) {
    tsql::Translator tr(f.sqlite->handle(), 4);
    tsql::Lexed lx;
    std::string sql;  // the tokens point into it
    for (int i = 0; i < 10; ++i) {
        sql = "SELECT TOP 1 Cognome FROM Anagrafica_Clienti WHERE Codice_Cliente='X'" + std::string(static_cast<size_t>(i), ' ') + "AND 1=1";
        tsql::lex(sql, lx);
        tr.translate(lx);
    }
    EXPECT_EQ(tr.cacheSize(), 4u);
    EXPECT_EQ(tr.misses(), 10u);
    sql = "SELECT TOP 1 Cognome FROM Anagrafica_Clienti WHERE Codice_Cliente='Y'         AND 1=1";
    tsql::lex(sql, lx);
    tr.translate(lx);
    EXPECT_EQ(tr.hits(), 1u);
}

TEST_F(Engine, ErrorsOfTheDatabaseStayDatabaseErrors) {
    // The engine's own message: a translation failure would not name the constraint.
    const std::string what = test::thrown<DbError>(
        [&] { f.db.execute("INSERT INTO Anagrafica_Clienti (Codice_Cliente) VALUES ('CL001')"); });
    EXPECT_NE(what.find("UNIQUE"), std::string::npos) << what;
    EXPECT_THROW(f.db.open("SELECT Nessuna FROM Anagrafica_Clienti"), DbError);
    // A misspelt name in double quotes is a name, never a text.
    EXPECT_THROW(f.db.open("SELECT \"Cognomi\" FROM Anagrafica_Clienti"), DbError);
    EXPECT_EQ(f.scalar("SELECT TOP 1 \"Cognome\" FROM Anagrafica_Clienti ORDER BY Cognome"), Value("Bianchi"));
}

TEST_F(Engine, TwoConnectionsShareTheFileWhileAReadIsOpen) {
    SqliteConnection second(f.dbPath().string(), f.clock, false, 2000);
    auto reading = f.db.open("SELECT Codice_Cliente FROM Anagrafica_Clienti ORDER BY Codice_Cliente");
    ASSERT_FALSE(reading->eof());
    second.execute("INSERT INTO Anagrafica_Clienti (Codice_Cliente, Cognome) VALUES ('CL004', 'Neri')");
    second.execute("UPDATE Anagrafica_Clienti SET Note='Z' WHERE Codice_Cliente='CL001'");
    auto other = second.open("SELECT Count(*) FROM Anagrafica_Clienti");
    EXPECT_EQ(other->field(0), Value(4));
    // The open read goes on over its own snapshot.
    EXPECT_EQ(readAll(*reading).rows.size(), 3u);
    EXPECT_EQ(f.scalar("SELECT Note FROM Anagrafica_Clienti WHERE Codice_Cliente='CL001'"), Value("Z"));
    EXPECT_EQ(f.scalar("SELECT Count(*) FROM Anagrafica_Clienti"), Value(4));
}

TEST_F(Engine, BatchesAreAllOrNothingAndOneRoundTrip) {
    const auto trips = f.db.conn().roundTrips();
    const auto statements = f.db.conn().statementCount();
    f.db.executeBatch({"UPDATE Anagrafica_Clienti SET Note='P' WHERE Codice_Cliente='CL001'",
                       "INSERT INTO Anagrafica_Clienti (Codice_Cliente, Cognome) VALUES ('CL004', 'Neri')"});
    EXPECT_EQ(f.db.conn().roundTrips(), trips + 1);
    EXPECT_EQ(f.db.conn().statementCount(), statements + 2);
    // A failing statement undoes those before it, alone or inside a unit of work.
    const std::vector<std::string> failing = {"UPDATE Anagrafica_Clienti SET Note='Q' WHERE Codice_Cliente='CL002'",
                                              "INSERT INTO Anagrafica_Clienti (Codice_Cliente) VALUES ('CL001')"};
    EXPECT_THROW(f.db.executeBatch(failing), DbError);
    {
        UnitOfWork unit(f.db, "Test");
        f.db.execute("UPDATE Anagrafica_Clienti SET Note='U' WHERE Codice_Cliente='CL003'");
        EXPECT_THROW(f.db.executeBatch(failing), DbError);
        f.db.executeBatch({"UPDATE Anagrafica_Clienti SET Cognome='Neri Bis' WHERE Codice_Cliente='CL004'"});
    }
    auto rs = f.db.open("SELECT Note, Cognome FROM Anagrafica_Clienti ORDER BY Codice_Cliente");
    EXPECT_EQ(readAll(*rs).rows, (std::vector<std::vector<Value>>{{"P", "Rossi"}, {"B", "Bianchi"}, {"U", "Verdi"},
                                                                 {Value::null(), "Neri Bis"}}));
    f.db.executeBatch({});
    EXPECT_TRUE(f.logLines.empty());
}

TEST_F(Engine, AUnitOfWorkCommitsOnceAndKeepsWhatSucceeded) {
    SqliteConnection other(f.dbPath().string(), f.clock, false, 100);
    auto count = [&](SqliteConnection& c) {
        auto rs = c.open("SELECT Count(*) FROM Anagrafica_Clienti");
        return rs->field(0);
    };
    {
        UnitOfWork unit(f.db, "Test");
        f.db.execute("INSERT INTO Anagrafica_Clienti (Codice_Cliente) VALUES ('CL004')");
        EXPECT_THROW(f.db.execute("INSERT INTO Anagrafica_Clienti (Codice_Cliente) VALUES ('CL001')"), DbError);
        {
            UnitOfWork nested(f.db, "Test");  // nested: part of the outer one
            f.db.execute("INSERT INTO Anagrafica_Clienti (Codice_Cliente) VALUES ('CL005')");
        }
        EXPECT_EQ(count(other), Value(3));  // another connection sees nothing yet...
        EXPECT_THROW(other.execute("UPDATE Anagrafica_Clienti SET Note='X'"), DbError);  // ...and cannot write
    }
    EXPECT_EQ(count(other), Value(5));
    other.execute("UPDATE Anagrafica_Clienti SET Note='X'");
    EXPECT_TRUE(f.logLines.empty());

    // The other connection holds the write lock: the unit cannot start and says so; the
    // outage is the read's, whose later statements fail at once instead of waiting again.
    Database db(std::make_unique<SqliteConnection>(f.dbPath().string(), f.clock, false, 50), f.log);
    other.executeNative("BEGIN IMMEDIATE");
    {
        UnitOfWork unit(db, "Elabora_Messaggi");
        EXPECT_THROW(db.execute("DELETE FROM Anagrafica_Clienti"), DbError);
    }
    other.executeNative("COMMIT");
    ASSERT_EQ(f.logLines.size(), 1u);
    EXPECT_NE(f.logLines[0].find("Function Elabora_Messaggi"), std::string::npos) << f.logLines[0];
    db.newTurn();  // the next piece of work tries the database again
    db.execute("DELETE FROM Anagrafica_Clienti WHERE Codice_Cliente='CL005'");
    EXPECT_EQ(count(other), Value(4));
}

TEST_F(Engine, TheJournalIsEmptiedOnAQuietTickAndBoundedMeanwhile) {
    const auto wal = f.dbPath().string() + "-wal";
    auto size = [&] { return std::filesystem::exists(wal) ? std::filesystem::file_size(wal) : 0u; };
    f.db.conn().manutenzione();
    for (int i = 0; i < 300; ++i)
        f.db.execute("INSERT INTO Anagrafica_Clienti (Codice_Cliente, Cognome) VALUES ('X" + std::to_string(i) +
                     "', '" + std::string(40, 'a') + "')");
    EXPECT_GT(size(), 100000u);
    f.db.conn().manutenzione();  // still busy since the last tick: copied, not emptied
    EXPECT_GT(size(), 0u);
    // The next write starts the journal again and cuts the file back to its limit.
    for (int i = 0; i < 2000; ++i)
        f.db.execute("UPDATE Anagrafica_Clienti SET Note='" + std::to_string(i % 10) + "' WHERE Codice_Cliente='X1'");
    f.db.conn().manutenzione();
    f.db.execute("UPDATE Anagrafica_Clienti SET Note='Y' WHERE Codice_Cliente='X2'");
    EXPECT_LE(size(), static_cast<uintmax_t>(SqliteConnection::kJournalSizeLimit));
    f.db.conn().manutenzione();  // wrote since the last tick
    f.db.conn().manutenzione();  // quiet
    EXPECT_EQ(size(), 0u);
    EXPECT_EQ(f.scalar("SELECT Count(*) FROM Anagrafica_Clienti"), Value(303));
}
