// Whole T-SQL statements on the embedded engine: TOP, UPDATE/DELETE ... FROM, trigger
// switches, the member-status procedure and statements that must be refused.

#include <gtest/gtest.h>

#include "db/thrown.h"
#include "db/tsql/error.h"
#include "support/test_support.h"

using namespace velaris;
using velaris::test::DbFixture;
using velaris::test::thrown;

namespace {

struct Statements : ::testing::Test {
    DbFixture f;
    void SetUp() override {
        f.native(
            "CREATE TABLE wTmp_Presenze_Strutture (IDK INTEGER PRIMARY KEY, Codice_Cliente VARCHAR(20) COLLATE TSQL,"
            " Codice_Struttura VARCHAR(10) COLLATE TSQL, Codice_Iscrizione INTEGER, Origine VARCHAR(20) COLLATE TSQL,"
            " Prog_Riga INTEGER, Conferma INTEGER DEFAULT 0);"
            "INSERT INTO wTmp_Presenze_Strutture VALUES (1,'CL001','ST01',100,'Abbonamento',1,-1),"
            " (2,'CL001','ST02',200,'Abbonamento',1,-1), (3,'CL001','ST01',100,'Aggiunta',1,-1);"
            "CREATE TABLE Iscrizioni_Strutture (ID INTEGER PRIMARY KEY, Codice_Iscrizione INTEGER,"
            " Codice_Struttura VARCHAR(10) COLLATE TSQL, Prog_Riga INTEGER, Sedute INTEGER, SeduteFatte INTEGER,"
            " Scaduta BIT NOT NULL DEFAULT 0, Data_Scadenza DATETIME);"
            "INSERT INTO Iscrizioni_Strutture VALUES (1,100,'ST01',1,10,10,0,NULL), (2,200,'ST02',1,10,3,0,NULL);"
            "CREATE TABLE Gestione_Aggiunte (ID INTEGER PRIMARY KEY, Codice_Cliente VARCHAR(20) COLLATE TSQL,"
            " Singola_Corsi INTEGER, SeduteFatte INTEGER, Scaduta BIT NOT NULL DEFAULT 0, Prog_Riga INTEGER);"
            "INSERT INTO Gestione_Aggiunte VALUES (1,'CL001',10,0,0,1), (2,'CL001',NULL,4,0,7), (3,'CL002',NULL,0,0,2);"
            "CREATE TABLE Gestione_Prenotazioni_Corsi (ID INTEGER PRIMARY KEY, ID_Aggiunta INTEGER);"
            "INSERT INTO Gestione_Prenotazioni_Corsi VALUES (10, 2), (11, 0);");
    }
    Value q(const std::string& sql) { return f.scalar(sql); }
    using Values = std::vector<Value>;
    // The given columns of a whole table, row after row, in key order.
    Values column(const std::string& cols, const std::string& table, const std::string& key) {
        Values out;
        for (auto& r : readAll(*f.db.open("SELECT " + cols + " FROM " + table + " ORDER BY " + key)).rows)
            out.insert(out.end(), r.begin(), r.end());
        return out;
    }
};

}  // namespace

TEST_F(Statements, TopLimitsItsOwnSelectEvenInsideOthers) {
    EXPECT_EQ(q("SELECT TOP 1 IDK FROM wTmp_Presenze_Strutture ORDER BY IDK DESC"), Value(3));
    EXPECT_EQ(q("SELECT Count(*) FROM (SELECT TOP (2) IDK FROM wTmp_Presenze_Strutture ORDER BY IDK) AS Vista"), Value(2));
    EXPECT_EQ(q("SELECT Count(*) FROM (SELECT DISTINCT TOP 5 Codice_Struttura FROM wTmp_Presenze_Strutture) AS Vista"),
              Value(2));
    // TOP of the first SELECT of a UNION limits that SELECT alone.
    auto rs = f.db.open("SELECT TOP 1 Codice_Struttura FROM wTmp_Presenze_Strutture WHERE IDK=2 "
                        "UNION SELECT Codice_Struttura FROM Iscrizioni_Strutture ORDER BY Codice_Struttura");
    const auto t = readAll(*rs);
    EXPECT_EQ(t.rows, (std::vector<Values>{{"ST01"}, {"ST02"}}));
    EXPECT_EQ(t.columns[0], "Codice_Struttura");
}

TEST_F(Statements, JoinsNestInParenthesesAndDerivedTablesCount) {
    EXPECT_EQ(q("SELECT Count(*) FROM (wTmp_Presenze_Strutture INNER JOIN Iscrizioni_Strutture ON "
                "wTmp_Presenze_Strutture.Codice_Iscrizione=Iscrizioni_Strutture.Codice_Iscrizione) LEFT JOIN "
                "Gestione_Aggiunte ON Gestione_Aggiunte.Prog_Riga=Iscrizioni_Strutture.Prog_Riga+5 "
                "WHERE Gestione_Aggiunte.ID Is Null"),
              Value(3));
    EXPECT_EQ(q("SELECT Codice_Struttura, Count(*) AS N FROM wTmp_Presenze_Strutture GROUP BY Codice_Struttura "
                "HAVING Count(*) > 1"),
              Value("ST01"));
}

TEST_F(Statements, UpdateFromChangesOnlyTheJoinedRowsWithTheJoinedRowsValues) {
    f.db.execute("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.Conferma=0 "
                 "FROM wTmp_Presenze_Strutture, Iscrizioni_Strutture "
                 "WHERE wTmp_Presenze_Strutture.Origine='Abbonamento' "
                 "AND wTmp_Presenze_Strutture.Codice_Iscrizione=Iscrizioni_Strutture.Codice_Iscrizione "
                 "AND (Iscrizioni_Strutture.Sedute-Iscrizioni_Strutture.SeduteFatte)<=0");
    EXPECT_EQ(column("Conferma", "wTmp_Presenze_Strutture", "IDK"), (Values{0, -1, -1}));

    // The expiry of used-up lines: target first in an INNER JOIN chain.
    f.db.execute("UPDATE Iscrizioni_Strutture SET Iscrizioni_Strutture.Scaduta=-1, "
                 "Iscrizioni_Strutture.Data_Scadenza={d '2024-03-07'} FROM Iscrizioni_Strutture INNER JOIN "
                 "wTmp_Presenze_Strutture ON Iscrizioni_Strutture.Codice_Iscrizione=wTmp_Presenze_Strutture.Codice_Iscrizione "
                 "WHERE Iscrizioni_Strutture.Sedute>0 AND (Iscrizioni_Strutture.Sedute-Iscrizioni_Strutture.SeduteFatte)<=0");
    EXPECT_EQ(column("Scaduta, Data_Scadenza", "Iscrizioni_Strutture", "ID"),
              (Values{true, DateTime::fromParts(2024, 3, 7), false, Value::null()}));

    // The values are taken from the joined row.
    f.db.execute("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.Prog_Riga=Iscrizioni_Strutture.ID+10, "
                 "Origine='Rinnovo' FROM Iscrizioni_Strutture INNER JOIN wTmp_Presenze_Strutture ON "
                 "Iscrizioni_Strutture.Codice_Iscrizione=wTmp_Presenze_Strutture.Codice_Iscrizione "
                 "WHERE Iscrizioni_Strutture.Codice_Struttura='st02'");
    EXPECT_EQ(column("Prog_Riga, Origine", "wTmp_Presenze_Strutture", "IDK"),
              (Values{1, "Abbonamento", 12, "Rinnovo", 1, "Aggiunta"}));
}

TEST_F(Statements, UpdateFromTellsTheTargetFromItsAliasedTwinAndItsAlias) {
    // The single-entry add-on (row 1) pays course booking 10, which names add-on 2.
    f.db.execute("UPDATE Gestione_Aggiunte SET Gestione_Aggiunte.SeduteFatte=Gestione_Aggiunte.SeduteFatte+1, "
                 "Gestione_Aggiunte.Scaduta=-1, Gestione_Aggiunte.Prog_Riga=Gestione_Aggiunte_1.Prog_Riga "
                 "FROM Gestione_Aggiunte INNER JOIN Gestione_Prenotazioni_Corsi ON "
                 "Gestione_Aggiunte.Singola_Corsi=Gestione_Prenotazioni_Corsi.ID INNER JOIN Gestione_Aggiunte AS "
                 "Gestione_Aggiunte_1 ON Gestione_Prenotazioni_Corsi.ID_Aggiunta=Gestione_Aggiunte_1.ID "
                 "WHERE Gestione_Prenotazioni_Corsi.ID_Aggiunta>0");
    EXPECT_EQ(column("SeduteFatte, Scaduta, Prog_Riga", "Gestione_Aggiunte", "ID"),
              (Values{1, true, 7, 4, false, 7, 0, false, 2}));

    // The same join updating the aliased twin instead: only add-on 2 changes.
    f.db.execute("UPDATE Gestione_Aggiunte_1 SET Gestione_Aggiunte_1.SeduteFatte=Gestione_Aggiunte_1.SeduteFatte+1 "
                 "FROM Gestione_Aggiunte INNER JOIN Gestione_Prenotazioni_Corsi ON "
                 "Gestione_Aggiunte.Singola_Corsi=Gestione_Prenotazioni_Corsi.ID INNER JOIN Gestione_Aggiunte AS "
                 "Gestione_Aggiunte_1 ON Gestione_Prenotazioni_Corsi.ID_Aggiunta=Gestione_Aggiunte_1.ID "
                 "WHERE Gestione_Aggiunte.Singola_Corsi>0");
    EXPECT_EQ(column("SeduteFatte", "Gestione_Aggiunte", "ID"), (Values{1, 5, 0}));

    // The target only outside FROM, or under an alias.
    f.db.execute("UPDATE Iscrizioni_Strutture SET Scaduta=-1, Prog_Riga=wTmp_Presenze_Strutture.IDK "
                 "FROM wTmp_Presenze_Strutture WHERE wTmp_Presenze_Strutture.Codice_Iscrizione="
                 "Iscrizioni_Strutture.Codice_Iscrizione AND wTmp_Presenze_Strutture.Origine='Aggiunta'");
    EXPECT_EQ(column("Scaduta, Prog_Riga", "Iscrizioni_Strutture", "ID"), (Values{true, 3, false, 1}));
    f.db.execute("UPDATE i SET i.SeduteFatte = 0 FROM Iscrizioni_Strutture i WHERE i.ID = 2");
    EXPECT_EQ(column("SeduteFatte", "Iscrizioni_Strutture", "ID"), (Values{10, 0}));
    // Without FROM, the qualified SET target is the table itself.
    f.db.execute("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.Conferma=1 WHERE "
                 "wTmp_Presenze_Strutture.Codice_Iscrizione=200");
    EXPECT_EQ(column("Conferma", "wTmp_Presenze_Strutture", "IDK"), (Values{-1, 1, -1}));
}

TEST_F(Statements, DeleteWithJoinsRemovesExactlyTheJoinedRows) {
    f.db.execute("DELETE FROM wTmp_Presenze_Strutture FROM wTmp_Presenze_Strutture INNER JOIN Iscrizioni_Strutture ON "
                 "wTmp_Presenze_Strutture.Codice_Iscrizione=Iscrizioni_Strutture.Codice_Iscrizione "
                 "WHERE Iscrizioni_Strutture.Codice_Struttura='ST02'");
    EXPECT_EQ(column("IDK", "wTmp_Presenze_Strutture", "IDK"), (Values{1, 3}));
    f.db.execute("DELETE w FROM wTmp_Presenze_Strutture AS w INNER JOIN Iscrizioni_Strutture AS i ON "
                 "w.Codice_Iscrizione=i.Codice_Iscrizione WHERE w.Origine='Aggiunta' AND i.Sedute>0");
    EXPECT_EQ(column("IDK", "wTmp_Presenze_Strutture", "IDK"), (Values{1}));
    f.db.execute("DELETE Gestione_Aggiunte WHERE Codice_Cliente='cl002'");
    EXPECT_EQ(column("ID", "Gestione_Aggiunte", "ID"), (Values{1, 2}));
}

TEST_F(Statements, DisabledTriggersStaySilentUntilEnabled) {
    f.native("CREATE TABLE wSys_Trigger_Disabilitati (Nome_Trigger TEXT PRIMARY KEY);"
             "CREATE TABLE wSys_Log_Trigger (Nome_Trigger TEXT);"
             "CREATE TRIGGER Gestione_Aggiunte_BD BEFORE DELETE ON Gestione_Aggiunte WHEN NOT EXISTS "
             "(SELECT 1 FROM wSys_Trigger_Disabilitati WHERE Nome_Trigger='Gestione_Aggiunte_BD') "
             "BEGIN INSERT INTO wSys_Log_Trigger VALUES ('Gestione_Aggiunte_BD'); END;");
    auto fired = [&] { return q("SELECT Count(*) FROM wSys_Log_Trigger"); };
    f.db.execute("DELETE FROM Gestione_Aggiunte WHERE ID=3");
    EXPECT_EQ(fired(), Value(1));

    f.db.execute("ALTER TABLE Gestione_Aggiunte DISABLE TRIGGER Gestione_Aggiunte_BD");
    f.db.execute("alter table gestione_aggiunte disable trigger GESTIONE_AGGIUNTE_BD");  // again: no harm
    EXPECT_EQ(q("SELECT Nome_Trigger FROM wSys_Trigger_Disabilitati"), Value("Gestione_Aggiunte_BD"));
    f.db.execute("DELETE FROM Gestione_Aggiunte WHERE ID=2");
    EXPECT_EQ(fired(), Value(1));

    f.db.execute("ALTER TABLE Gestione_Aggiunte ENABLE TRIGGER Gestione_Aggiunte_BD");
    f.db.execute("DELETE FROM Gestione_Aggiunte WHERE ID=1");
    EXPECT_EQ(fired(), Value(2));

    f.db.execute("ALTER TABLE Gestione_Aggiunte DISABLE TRIGGER ALL");
    EXPECT_EQ(q("SELECT Count(*) FROM wSys_Trigger_Disabilitati"), Value(1));
    f.db.execute("ALTER TABLE Gestione_Aggiunte ENABLE TRIGGER ALL");
    EXPECT_EQ(q("SELECT Count(*) FROM wSys_Trigger_Disabilitati"), Value(0));

    const std::string unknown = thrown<DbError>(
        [&] { f.db.execute("ALTER TABLE Gestione_Aggiunte DISABLE TRIGGER Gestione_Iscrizioni_BD"); });
    EXPECT_NE(unknown.find("Gestione_Iscrizioni_BD"), std::string::npos) << unknown;
    EXPECT_EQ(q("SELECT Count(*) FROM wSys_Trigger_Disabilitati"), Value(0));
}

namespace {

struct MemberStatus : ::testing::Test {
    DbFixture f;
    void SetUp() override {
        f.native(
            "CREATE TABLE Anagrafica_Clienti (Codice_Cliente VARCHAR(20) COLLATE TSQL PRIMARY KEY, Stato INTEGER);"
            "CREATE TABLE Gestione_Iscrizioni (Codice_Iscrizione INTEGER PRIMARY KEY, Codice_Cliente VARCHAR(20) COLLATE TSQL,"
            " Data_Inizio DATETIME, Data_Fine DATETIME, Scaduta BIT NOT NULL DEFAULT 0);"
            "CREATE TABLE Gestione_Aggiunte (ID INTEGER PRIMARY KEY, Codice_Cliente VARCHAR(20) COLLATE TSQL);"
            "CREATE TABLE Presenze (ID_Presenza INTEGER PRIMARY KEY, Codice_Cliente VARCHAR(20) COLLATE TSQL);"
            "INSERT INTO Anagrafica_Clienti VALUES ('CL001',0),('CL002',0),('CL003',0),('CL004',0),('CL005',0),"
            " ('CL006',0),('CL007',0),('CL008',0);"
            "INSERT INTO Gestione_Iscrizioni VALUES"
            " (1,'CL001','2024-01-01 00:00:00','2024-12-31 00:00:00',0),"   // running
            " (2,'CL002','2024-04-01 00:00:00','2025-03-31 00:00:00',0),"   // starts after today
            " (3,'CL003','2023-03-01 00:00:00','2024-02-26 00:00:00',0),"   // ended 10 days ago
            " (4,'CL004','2023-01-01 00:00:00','2024-01-06 00:00:00',0),"   // ended 2 months ago
            " (5,'CL007','2024-01-01 00:00:00','2024-12-31 00:00:00',-1),"  // used up early
            " (6,'CL008','2024-03-07 00:00:00',NULL,0);"                    // open-ended, from today
            "INSERT INTO Presenze VALUES (1,'CL005'); INSERT INTO Gestione_Aggiunte VALUES (1,'CL007');");
    }
    Value status(const std::string& code) {
        return f.scalar("exec Stato_Cliente 1, '" + code + "', '03-07-2024', '02-06-2024'");
    }
};

}  // namespace

TEST_F(MemberStatus, StatusFollowsTheSubscriptions) {
    const std::pair<const char*, int> cases[] = {
        {"CL001", 1}, {"cl001 ", 1}, {"CL008", 1},  // ABBONATO, also open-ended from today
        {"CL002", 5}, {"CL003", 5},  // IN RINNOVO: renewal sold in advance, within the days of grace
        {"CL004", 3}, {"CL007", 3},  // EX CLIENTE, also when used up early
        {"CL005", 2},                // OCCASIONALE: came without a subscription
        {"CL006", 4}};               // PROSPECT
    for (const auto& [code, want] : cases) EXPECT_EQ(status(code), Value(want)) << code;
    EXPECT_TRUE(status("CL999").isNull());
    // The procedure's row, as the caller writes it back.
    auto rs = f.db.open("EXEC Stato_Cliente 1, 'CL004', {d '2024-03-07'}, Null");
    EXPECT_EQ(readAll(*rs).rows, (std::vector<std::vector<Value>>{{3}}));
}

TEST_F(MemberStatus, WrongCallsFailClearly) {
    EXPECT_THROW(f.scalar("exec Stato_Cliente 2, 'CL001', '03-07-2024', '02-06-2024'"), DbError);
    EXPECT_THROW(f.scalar("exec Stato_Cliente 1, 'CL001'"), tsql::TranslationError);
    EXPECT_NE(thrown<tsql::TranslationError>([&] { f.db.execute("exec Aggiorna_Saldi 1"); }).find("Aggiorna_Saldi"),
              std::string::npos);
    f.native("DROP TABLE Presenze;");
    const std::string what =
        thrown<DbError>([&] { f.scalar("exec Stato_Cliente 1, 'CL005', '03-07-2024', '02-06-2024'"); });
    EXPECT_NE(what.find("Stato_Cliente"), std::string::npos) << what;
    EXPECT_NE(what.find("Presenze"), std::string::npos) << what;
}

TEST_F(Statements, UntranslatableStatementsAreRefusedBeforeAnythingRuns) {
    struct Case {
        const char* sql;
        const char* names;  // what the message must mention
    };
    const Case cases[] = {
        {"DELETE FROM wTmp_Presenze_Strutture; DELETE FROM Iscrizioni_Strutture", "Several statements"},
        {"DELETE FROM wTmp_Presenze_Strutture WHERE IDK IN (SELECT TOP 50 PERCENT IDK FROM wTmp_Presenze_Strutture)",
         "PERCENT"},
        {"SELECT * INTO Copia FROM wTmp_Presenze_Strutture", "INTO"},
        {"UPDATE wTmp_Presenze_Strutture SET Iscrizioni_Strutture.Conferma=0 WHERE IDK=1", "SET target"},
        {"UPDATE wTmp_Presenze_Strutture SET Conferma=dbo.Calcola(IDK)", "dbo.Calcola"},
        {"DELETE FROM wTmp_Presenze_Strutture WHERE IDK=@id", "@id"},
        {"TRUNCATE TABLE wTmp_Presenze_Strutture", "TRUNCATE"},
        {"UPDATE wTmp_Presenze_Strutture SET Conferma=0 WHERE Origine='Abbonamento", "Unterminated"},
        {"DELETE FROM wTmp_Presenze_Strutture WHERE IDK = 1 OPTION (MAXDOP 1)", "OPTION"},
        {"UPDATE wTmp_Presenze_Strutture SET Conferma=0 WHERE Codice_Cliente=", "end of the statement"},
        {"SELECT Soundex(Codice_Cliente) FROM wTmp_Presenze_Strutture", "SOUNDEX"},
        {"SET DATEFORMAT dmy", "DATEFORMAT DMY"},
        {"SET DATEFIRST 1", "DATEFIRST 1"},
        {"SET NOCOUNT ON", "SET NOCOUNT"},
        // Forms the system never sends.
        {"SELECT w.IDK FROM wTmp_Presenze_Strutture w CROSS APPLY (SELECT 1 AS x) t", ""},
        {"SELECT Row_Number() OVER (ORDER BY IDK) FROM wTmp_Presenze_Strutture", ""},
        {"SELECT IDK FROM wTmp_Presenze_Strutture WHERE IDK > ALL (SELECT ID FROM Iscrizioni_Strutture)", ""},
        {"SELECT IDK FROM wTmp_Presenze_Strutture ORDER BY IDK OFFSET 1 ROWS", ""},
        {"WITH x AS (SELECT 1 AS a) SELECT a FROM x", ""},
        {"SELECT IDK FROM wTmp_Presenze_Strutture WHERE Origine COLLATE Latin1_General_CS_AS = 'x'", ""},
        {"SELECT TOP 1 WITH TIES IDK FROM wTmp_Presenze_Strutture ORDER BY IDK", ""},
        {"SELECT 3 ^ 1", ""},
        {"ALTER TABLE wTmp_Presenze_Strutture ADD Nuova INTEGER", ""},
        {"SELECT IDK FROM wTmp_Presenze_Strutture FOR XML AUTO", ""},
    };
    for (const Case& c : cases) {
        const std::string what = thrown<tsql::TranslationError>([&] { f.db.execute(c.sql); });
        EXPECT_FALSE(what.empty()) << "accepted: " << c.sql;
        EXPECT_NE(what.find(c.names), std::string::npos) << c.sql << " -> " << what;
    }
    // A statement nested beyond reason is refused, not run into the ground.
    EXPECT_THROW(f.db.execute("SELECT " + std::string(5000, '(') + "1" + std::string(5000, ')')), tsql::TranslationError);
    EXPECT_THROW(f.db.execute("SELECT " + std::string(5000, '~') + "1"), tsql::TranslationError);
    EXPECT_EQ(q("SELECT Count(*) FROM wTmp_Presenze_Strutture WHERE Conferma=-1"), Value(3));
    EXPECT_EQ(q("SELECT Count(*) FROM Iscrizioni_Strutture"), Value(2));
    // The query helpers log the refusal and read it as a missing value.
    EXPECT_TRUE(DLookUpQ(f.db, "Codice_Cliente", "wTmp_Presenze_Strutture", "IDK IN (SELECT TOP 1 PERCENT IDK)").isNull());
    ASSERT_EQ(f.logLines.size(), 1u);
    EXPECT_NE(f.logLines[0].find("PERCENT"), std::string::npos);
}

TEST_F(Statements, TextsWiderThanTheirColumnAreRefusedAsTheServerRefusesThem) {
    // Codice_Struttura is VARCHAR(10), Codice_Cliente VARCHAR(20); Origine is written too.
    auto refused = [&](const std::string& sql) {
        try {
            f.db.execute(sql);
            ADD_FAILURE() << "accepted: " << sql;
        } catch (const tsql::TranslationError& e) {
            ADD_FAILURE() << "not translated: " << e.what();
        } catch (const DbError& e) {
            EXPECT_EQ(e.number(), 8152) << sql;
            EXPECT_STREQ(e.what(), "String or binary data would be truncated.") << sql;
        }
    };
    const std::string eleven = "'ST012345678'";
    refused("INSERT INTO wTmp_Presenze_Strutture (IDK, Codice_Struttura) VALUES (9, " + eleven + ")");
    refused("INSERT INTO wTmp_Presenze_Strutture VALUES (9, 'CL001', " + eleven + ", 1, 'x', 1, 0)");
    refused("INSERT INTO wTmp_Presenze_Strutture (IDK, Codice_Struttura) VALUES (9, 'ST01'), (10, " + eleven + ")");
    refused("INSERT INTO wTmp_Presenze_Strutture (IDK, Codice_Struttura) SELECT ID + 10, Codice_Struttura + '-SECONDA' "
            "FROM Iscrizioni_Strutture");
    refused("INSERT INTO wTmp_Presenze_Strutture (IDK, Codice_Struttura) SELECT 20, 'ST01' UNION ALL SELECT 21, " + eleven);
    refused("UPDATE wTmp_Presenze_Strutture SET Codice_Struttura = Codice_Struttura + '-SECONDA' WHERE IDK = 2");
    refused("UPDATE wTmp_Presenze_Strutture SET Codice_Struttura = Iscrizioni_Strutture.Codice_Struttura + 'ABCDEFGH' "
            "FROM wTmp_Presenze_Strutture INNER JOIN Iscrizioni_Strutture ON "
            "wTmp_Presenze_Strutture.Codice_Iscrizione = Iscrizioni_Strutture.Codice_Iscrizione");
    refused("UPDATE wTmp_Presenze_Strutture SET Codice_Struttura = 12345678901 WHERE IDK = 1");
    refused("UPDATE wTmp_Presenze_Strutture SET Codice_Struttura = 'ààààààààààà' WHERE IDK = 1");
    // Nothing of a refused statement remains.
    EXPECT_EQ(q("SELECT Count(*) FROM wTmp_Presenze_Strutture"), Value(3));
    EXPECT_EQ(column("Codice_Struttura", "wTmp_Presenze_Strutture", "IDK"), (Values{"ST01", "ST02", "ST01"}));

    // Exactly as wide fits, counted in characters; Null fits anything; blanks beyond the
    // width are dropped, as the server drops them; an unsized text column takes any length.
    f.db.execute("INSERT INTO wTmp_Presenze_Strutture (IDK, Codice_Struttura, Codice_Cliente) VALUES (9, 'àèìòù12345', Null)");
    f.db.execute("UPDATE wTmp_Presenze_Strutture SET Codice_Struttura = 'ST09" + std::string(30, ' ') + "' WHERE IDK = 9");
    EXPECT_EQ(q("SELECT Codice_Struttura + '|' FROM wTmp_Presenze_Strutture WHERE IDK = 9"), Value("ST09      |"));
    f.native("CREATE TABLE Note (ID INTEGER PRIMARY KEY, Testo TEXT, Sigla CHAR(2), Nome NVARCHAR(3))");
    f.db.execute("INSERT INTO Note (ID, Testo, Sigla, Nome) VALUES (1, '" + std::string(5000, 'x') + "', 'AB', 'ABC')");
    refused("INSERT INTO Note (ID, Sigla) VALUES (2, 'ABC')");
    refused("INSERT INTO Note (ID, Nome) VALUES (2, 'ABCD')");
    EXPECT_EQ(q("SELECT Len(Testo) FROM Note"), Value(5000));
}

TEST_F(Statements, SpellingsOfTheServerAreAccepted) {
    // The date settings every connection to the server makes are the engine's own.
    f.db.execute("SET DATEFORMAT mdy");
    f.db.execute("SET DATEFIRST 7");
    EXPECT_EQ(q("SELECT Count(*) FROM wTmp_Presenze_Strutture WHERE IDK != 1 AND IDK !< 2 AND IDK !> 3"), Value(2));
    EXPECT_EQ(q("SELECT ALL Count(ALL Codice_Struttura) FROM wTmp_Presenze_Strutture (NOLOCK)"), Value(3));
    EXPECT_EQ(q("SELECT Count(*) FROM wTmp_Presenze_Strutture w LEFT OUTER JOIN Iscrizioni_Strutture i ON "
                "i.Codice_Iscrizione=w.Codice_Iscrizione AND i.Sedute-i.SeduteFatte>5 WHERE i.ID Is Null"),
              Value(2));
    EXPECT_EQ(q("SELECT Count(*) FROM Iscrizioni_Strutture CROSS JOIN Gestione_Prenotazioni_Corsi"), Value(4));
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_Prenotazioni_Corsi p RIGHT JOIN Gestione_Aggiunte a ON a.ID=p.ID_Aggiunta"),
              Value(3));
    f.db.execute("INSERT Gestione_Prenotazioni_Corsi VALUES (12, 3)");
    f.db.execute("INSERT INTO Gestione_Prenotazioni_Corsi DEFAULT VALUES");
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_Prenotazioni_Corsi"), Value(4));
    f.db.execute("DELETE Gestione_Prenotazioni_Corsi WHERE ID_Aggiunta Is Null;");
    f.db.execute("UPDATE Gestione_Prenotazioni_Corsi WITH (ROWLOCK) SET ID_Aggiunta = ID_Aggiunta * 10 WHERE ID = 12");
    EXPECT_EQ(q("SELECT ID_Aggiunta FROM Gestione_Prenotazioni_Corsi WHERE ID = 12"), Value(30));
    EXPECT_EQ(q("SELECT [IDK] FROM [dbo].[wTmp_Presenze_Strutture] WHERE [dbo].[wTmp_Presenze_Strutture].[IDK] = 2"),
              Value(2));
    EXPECT_EQ(q("SELECT (SELECT Count(*) FROM Gestione_Aggiunte g WHERE g.Codice_Cliente = w.Codice_Cliente) "
                "FROM wTmp_Presenze_Strutture w WHERE w.IDK = 1"),
              Value(2));
}
