// Statements of the kind the system sends, on a small centre: the outgoing queue, the
// fee test, points and bookings unions, staging inserts through companion views, and
// the corners of names, comments and literals.

#include <gtest/gtest.h>

#include "db/tsql/error.h"
#include "db/tsql/translator.h"
#include "support/test_support.h"

using namespace velaris;
using velaris::test::DbFixture;

namespace {

DateTime dt(int y, int m, int d, int h = 0, int mi = 0, int s = 0) { return DateTime::fromParts(y, m, d, h, mi, s); }

struct Queries : ::testing::Test {
    DbFixture f;  // Thursday 2024-03-07 10:30:00
    void SetUp() override {
        f.native(R"sql(
            CREATE TABLE Stato_Terminali (ID INTEGER PRIMARY KEY AUTOINCREMENT, Indirizzo INTEGER, Stato INTEGER,
                Messaggio TEXT COLLATE TSQL, Ora_Invio DATETIME, Inviato BIT, Codice_Cliente VARCHAR(20) COLLATE TSQL,
                Importo MONEY, Tipo INTEGER);
            CREATE TABLE AnagraficaC_Clienti (ID INTEGER PRIMARY KEY, Codice_Cliente VARCHAR(20) COLLATE TSQL,
                Tipo_Certificato INTEGER, Pagato BIT NOT NULL DEFAULT 0, Data_Rinnovo DATETIME, Data_Scadenza DATETIME);
            CREATE TABLE Tabella_ScadenzeFisse (Tipo_Scadenza INTEGER PRIMARY KEY, Ingresso BIT NOT NULL DEFAULT 0);
            INSERT INTO Tabella_ScadenzeFisse VALUES (1, -1), (2, -1), (3, 0);
            INSERT INTO AnagraficaC_Clienti VALUES
                (1, 'CL001', 1, -1, '2023-03-01 00:00:00', '2024-03-01 00:00:00'),
                (2, 'CL002', 2, -1, '2023-03-01 00:00:00', '2024-02-01 00:00:00'),
                (3, 'CL003', 3, -1, '2023-03-01 00:00:00', '2025-01-01 00:00:00');
            CREATE TABLE Gestione_Prenotazioni_Corsi (ID INTEGER PRIMARY KEY, Codice_Cliente VARCHAR(20) COLLATE TSQL,
                ID_Corso INTEGER, Data_Prenotazione DATETIME, Punti_Uti INTEGER);
            CREATE TABLE Orario_Istruttori_Corsi (ID INTEGER PRIMARY KEY, DaOre DATETIME, AOre DATETIME);
            CREATE TABLE Gestione_Prenotazioni_Servizi (ID INTEGER PRIMARY KEY, Codice_Cliente VARCHAR(20) COLLATE TSQL,
                ID_Servizio INTEGER, Data_Prenotazione DATETIME, Punti_Uti INTEGER);
            CREATE TABLE Orario_Servizi (ID INTEGER PRIMARY KEY, DaOre DATETIME, AOre DATETIME);
            INSERT INTO Orario_Istruttori_Corsi VALUES (1, '1900-01-01 10:00:00', '1900-01-01 11:00:00'),
                (2, '1900-01-01 18:00:00', '1900-01-01 19:00:00');
            INSERT INTO Orario_Servizi VALUES (1, '1900-01-01 09:00:00', '1900-01-01 09:30:00');
            INSERT INTO Gestione_Prenotazioni_Corsi VALUES (1, 'CL001', 1, '2024-03-07 00:00:00', 5),
                (2, 'CL001', 2, '2024-03-07 00:00:00', 7), (3, 'CL001', 1, '2024-03-06 00:00:00', 9);
            INSERT INTO Gestione_Prenotazioni_Servizi VALUES (1, 'CL001', 1, '2024-03-07 00:00:00', 5);
            CREATE TABLE wTmp_Presenze_Irregolarita (IDK INTEGER PRIMARY KEY, ID INTEGER, Codice_Cliente VARCHAR(20) COLLATE TSQL,
                Modalita INTEGER, Data_Scadenza DATETIME, "Check" INTEGER NOT NULL DEFAULT 0,
                Nota VARCHAR(20) COLLATE TSQL NOT NULL DEFAULT '-');
            CREATE VIEW wTmp_Presenze_Irregolarita_SQL AS SELECT * FROM wTmp_Presenze_Irregolarita;
            CREATE TRIGGER wTmp_Presenze_Irregolarita_SQL_I INSTEAD OF INSERT ON wTmp_Presenze_Irregolarita_SQL
            BEGIN INSERT INTO wTmp_Presenze_Irregolarita (ID, Codice_Cliente, Modalita, Data_Scadenza, "Check", Nota)
                VALUES (NEW.ID, NEW.Codice_Cliente, NEW.Modalita, NEW.Data_Scadenza, coalesce(NEW."Check", 0),
                        coalesce(NEW.Nota, '-')); END;
            CREATE TABLE Giornale (ID INTEGER PRIMARY KEY, Codice_Cliente VARCHAR(20) COLLATE TSQL, Modalita INTEGER,
                Data_Scadenza DATETIME);
            INSERT INTO Giornale VALUES (1, 'CL001', 5, '2024-02-01 00:00:00'), (2, 'CL001', 10, '2024-02-01 00:00:00'),
                (3, 'CL002', 4, '2024-03-07 00:00:00');
        )sql");
    }
    Value q(const std::string& sql) { return f.scalar(sql); }
    std::vector<std::vector<Value>> rows(const std::string& sql) {
        auto rs = f.db.open(sql);
        return readAll(*rs).rows;
    }
};

}  // namespace

TEST_F(Queries, OutgoingQueueDrainsDueMessagesInOrder) {
    // Buffer_Terminali and the drain, with the literals the system writes.
    const std::string insert = "INSERT INTO Stato_Terminali (Indirizzo, Messaggio, Ora_Invio, ID_Prenotazione, Cd_SubStruttura) ";
    f.native("ALTER TABLE Stato_Terminali ADD COLUMN ID_Prenotazione INTEGER;"
             "ALTER TABLE Stato_Terminali ADD COLUMN Cd_SubStruttura INTEGER;");
    f.db.execute(insert + " VALUES (" + Num_SqlQ(Value(2)) + ", " + CChrQ(Value("\fOK|ABILITATO")) + "," +
                 Ora_SqlQ(Value(dt(2024, 3, 7, 10, 30, 2))) + ", 0, 0)");
    f.db.execute(insert + " VALUES (" + Num_SqlQ(Value(1)) + ", " + CChrQ(Value("l'ora")) + "," +
                 Ora_SqlQ(Value(dt(2024, 3, 7, 10, 29, 0))) + ", 0, 0)");
    f.db.execute(insert + " VALUES (" + Num_SqlQ(Value(1)) + ", " + CChrQ(Value("dopo")) + "," +
                 Ora_SqlQ(Value(dt(2024, 3, 7, 10, 29, 30))) + ", 0, 0)");
    f.db.execute("INSERT INTO Stato_Terminali (Indirizzo, Stato, Tipo) VALUES (1, 2, Convert(Float, 6))");
    const std::string now = Ora_SqlQ(Value(TimeKxl(f.clock)));
    auto due = rows("SELECT DISTINCT Indirizzo  FROM Stato_Terminali  WHERE Ora_Invio<=" + now +
                    " AND Indirizzo > 0 AND Not Messaggio Is Null  ORDER BY Indirizzo");
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0][0], Value(1));
    auto first = rows("SELECT TOP 1 Indirizzo, Inviato, Messaggio, Ora_Invio  FROM Stato_Terminali  WHERE Ora_Invio<=" +
                      now + " AND Indirizzo > 0 AND Not Messaggio Is Null  AND Indirizzo=" + Num_SqlQ(Value(1)) +
                      " ORDER BY ID ");
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0][2], Value("l\"ora"));
    EXPECT_EQ(first[0][3], Value(dt(1900, 1, 1, 10, 29)));
    EXPECT_EQ(q("SELECT TOP 1 Ora_Invio  FROM Stato_Terminali  WHERE Indirizzo=Convert(Float, 1) AND Not Messaggio Is Null"
                "  ORDER BY ID DESC"),
              Value(dt(1900, 1, 1, 10, 29, 30)));
    f.db.execute("UPDATE Stato_Terminali SET Inviato=-1 WHERE Indirizzo=1 AND Messaggio='L\"ORA'");
    f.db.execute("DELETE FROM Stato_Terminali  WHERE Inviato <> 0 ");
    EXPECT_EQ(q("SELECT Count(*) FROM Stato_Terminali"), Value(3));
    EXPECT_EQ(q("SELECT Tipo FROM Stato_Terminali WHERE Messaggio Is Null"), Value(6));
}

TEST_F(Queries, FixedFeeAdmitsWithinItsGraceDays) {
    // Ingresso_ScadenzeFisse: GetDate() between the renewal and the expiry plus the grace
    // days of the fee's type.
    auto fee = [&](const std::string& client, int g1, int g2) {
        return f.scalar(
            "SELECT TOP 1 Tabella_ScadenzeFisse.Tipo_Scadenza  FROM AnagraficaC_Clienti INNER JOIN Tabella_ScadenzeFisse ON "
            "AnagraficaC_Clienti.Tipo_Certificato=Tabella_ScadenzeFisse.Tipo_Scadenza  WHERE Tabella_ScadenzeFisse.Ingresso<>0 "
            "AND AnagraficaC_Clienti.Codice_Cliente=" + CChrQ(Value(client)) + " AND AnagraficaC_Clienti.Pagato<>0 AND "
            "GetDate() BETWEEN AnagraficaC_Clienti.Data_Rinnovo AND  CASE Tabella_ScadenzeFisse.Tipo_Scadenza  WHEN 1 THEN "
            "DATEADD(day," + std::to_string(g1) + ", AnagraficaC_Clienti.Data_Scadenza)  WHEN 2 THEN DATEADD(day," +
            std::to_string(g2) + ", AnagraficaC_Clienti.Data_Scadenza) END");
    };
    EXPECT_EQ(fee("CL001", 15, 0), Value(1));  // expired 1 March, 15 days of grace
    EXPECT_TRUE(fee("CL001", 5, 0).isNull());
    EXPECT_TRUE(fee("CL002", 15, 30).isNull());  // expired 1 February: 30 days end on 2 March
    EXPECT_EQ(fee("CL002", 15, 40), Value(2));
    EXPECT_TRUE(fee("CL003", 15, 15).isNull());  // a fee that does not admit
}

TEST_F(Queries, UnionsOfBookingsCollectTheirRows) {
    const std::string now = Ora_SqlQ(Value(TimeKxl(f.clock)));
    const std::string today = Data_SqlQ(Value(f.clock.today()));
    auto r = rows("SELECT Gestione_Prenotazioni_Corsi.Punti_Uti  FROM Gestione_Prenotazioni_Corsi INNER JOIN "
                  "Orario_Istruttori_Corsi ON Gestione_Prenotazioni_Corsi.ID_Corso=Orario_Istruttori_Corsi.ID  WHERE "
                  "Gestione_Prenotazioni_Corsi.Codice_Cliente='CL001' AND Gestione_Prenotazioni_Corsi.Data_Prenotazione=" +
                  today + " AND Orario_Istruttori_Corsi.DaOre<=" + now + " AND Gestione_Prenotazioni_Corsi.Punti_Uti>0  UNION "
                  "SELECT Gestione_Prenotazioni_Servizi.Punti_Uti  FROM Gestione_Prenotazioni_Servizi INNER JOIN Orario_Servizi ON "
                  "Gestione_Prenotazioni_Servizi.ID_Servizio=Orario_Servizi.ID  WHERE Gestione_Prenotazioni_Servizi.Codice_Cliente="
                  "'cl001' AND Gestione_Prenotazioni_Servizi.Data_Prenotazione=" + today + " AND Orario_Servizi.DaOre<=" + now +
                  " AND Gestione_Prenotazioni_Servizi.Punti_Uti>0");
    ASSERT_EQ(r.size(), 1u);  // both give 5: UNION keeps one
    EXPECT_EQ(r[0][0], Value(5));
    EXPECT_EQ(rows("SELECT Punti_Uti FROM Gestione_Prenotazioni_Corsi UNION ALL SELECT Punti_Uti FROM "
                   "Gestione_Prenotazioni_Servizi").size(),
              4u);
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_Prenotazioni_Corsi WHERE ID_Corso Not In (SELECT ID FROM Orario_Servizi "
                "UNION SELECT ID FROM Orario_Istruttori_Corsi WHERE DaOre>'1900-1-1 12:00:00')"),
              Value(0));
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_Prenotazioni_Corsi WHERE EXISTS (SELECT 1 FROM Orario_Istruttori_Corsi WHERE "
                "Orario_Istruttori_Corsi.ID = Gestione_Prenotazioni_Corsi.ID_Corso AND DATEADD(minute, -30, DaOre)<=" + now +
                " AND AOre>=" + now + ")"),
              Value(2));
}

TEST_F(Queries, StagingInsertsThroughCompanionViewsStoreDatesAndDefaults) {
    f.db.execute("DELETE FROM wTmp_Presenze_Irregolarita");
    f.db.execute("INSERT INTO wTmp_Presenze_Irregolarita_SQL (ID,Codice_Cliente,Modalita,Data_Scadenza,[Check])  "
                 "SELECT ID,Codice_Cliente,Modalita,Data_Scadenza,0  FROM Giornale  WHERE Codice_Cliente='CL001' AND "
                 "Modalita Not In (10,12,13) ");
    f.db.execute("INSERT INTO wTmp_Presenze_Irregolarita_SQL (ID, Codice_Cliente, Modalita, Data_Scadenza) "
                 "SELECT 9, 'CL009', 4, '03-31-2024'");
    f.db.execute("INSERT INTO wTmp_Presenze_Irregolarita_SQL (ID, Codice_Cliente, Modalita, Data_Scadenza, Nota) "
                 "VALUES (10, N'CL010', 4, '2024-4-1', '2024-04-01')");
    auto r = rows("SELECT ID, Modalita, Data_Scadenza, [Check], Nota FROM wTmp_Presenze_Irregolarita ORDER BY ID");
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0][0], Value(1));
    EXPECT_EQ(r[0][2], Value(dt(2024, 2, 1)));
    EXPECT_EQ(r[0][4], Value("-"));  // the table's default, through the view
    EXPECT_EQ(r[1][2], Value(dt(2024, 3, 31)));
    EXPECT_EQ(r[2][2], Value(dt(2024, 4, 1)));
    EXPECT_EQ(r[2][4], Value("2024-04-01"));  // a text column keeps the text
    EXPECT_EQ(q("SELECT DISTINCT Modalita  FROM wTmp_Presenze_Irregolarita WHERE Codice_Cliente='CL001'"), Value(5));
}

TEST_F(Queries, NamesCommentsAndLiteralsInAllTheirForms) {
    f.native("CREATE TABLE [Tabella Prova] ([Nome Campo] TEXT COLLATE TSQL, [Order] INTEGER, Valore FLOAT);"
             "INSERT INTO [Tabella Prova] VALUES ('uno', 1, 1.5), ('due', 2, NULL);");
    EXPECT_EQ(q("SELECT [Nome Campo] FROM [Tabella Prova] WHERE [Order] = 2"), Value("due"));
    EXPECT_EQ(q("SELECT [Nome Campo] FROM dbo.[Tabella Prova] /* commento */ WHERE [Order] = 1 -- fine riga\n"), Value("uno"));
    EXPECT_EQ(q("SELECT Totale = Sum([Order]) FROM [Tabella Prova]"), Value(3));
    auto rs = f.db.open("SELECT [Order] AS 'Ordine', Valore Importo FROM [Tabella Prova] T WITH (NOLOCK) ORDER BY T.[Order]");
    EXPECT_EQ(rs->fieldName(0), "Ordine");
    EXPECT_EQ(rs->fieldName(1), "Importo");
    EXPECT_EQ(rs->field(1), Value(1.5));
    EXPECT_EQ(q("SELECT 9223372036854775807 + 0"), Value(9223372036854775807LL));
    EXPECT_EQ(q("SELECT 99999999999999999999 / 10").kind(), Value::Kind::Double);  // beyond 64 bits
    EXPECT_EQ(q("SELECT -[Order] * 2 FROM [Tabella Prova] WHERE [Order]=2"), Value(-4));
    EXPECT_EQ(q("SELECT .5 + 1.25e1"), Value(13.0));
    EXPECT_EQ(q("SELECT 'it''s'"), Value("it's"));
    EXPECT_EQ(q("SELECT Valore FROM [Tabella Prova] WHERE [Nome Campo] = N'UNO'"), Value(1.5));
    EXPECT_TRUE(q("SELECT Upper(Valore) FROM [Tabella Prova] WHERE [Order]=2").isNull());
}

TEST_F(Queries, CollationReachesComputedTerms) {
    f.native("CREATE TABLE Nomi (N VARCHAR(20) COLLATE TSQL);"
             "INSERT INTO Nomi VALUES ('alfa'), ('ALFA '), ('Beta'), ('beta'), ('gamma');");
    EXPECT_EQ(rows("SELECT DISTINCT N + '' FROM Nomi").size(), 3u);
    EXPECT_EQ(rows("SELECT Left(N, 4) AS P, Count(*) FROM Nomi GROUP BY Left(N, 4)").size(), 3u);
    EXPECT_EQ(rows("SELECT Upper(N) FROM Nomi UNION SELECT Lower(N) FROM Nomi").size(), 3u);
    EXPECT_EQ(q("SELECT Count(*) FROM Nomi WHERE RTrim(N) IN ('ALFA', 'BETA')"), Value(4));
    EXPECT_EQ(q("SELECT Count(*) FROM Nomi WHERE Left(N, 1) = Upper(Left(N, 1))"), Value(5));
    EXPECT_EQ(q("SELECT Max(N) FROM Nomi"), Value("gamma"));
    auto ordered = rows("SELECT N FROM Nomi ORDER BY Substring(N, 2, 3) DESC, N");
    ASSERT_EQ(ordered.size(), 5u);  // "lfa" = "LFA", then "eta" = "eta", then "amm"
    EXPECT_TRUE(sameName(ordered[0][0].toText().substr(0, 4), "alfa"));
    EXPECT_TRUE(sameName(ordered[1][0].toText().substr(0, 4), "alfa"));
    EXPECT_TRUE(sameName(ordered[2][0].toText(), "beta"));
    EXPECT_EQ(ordered.back()[0], Value("gamma"));
}

TEST_F(Queries, CachedStatementsSurviveAnyNumberOfShapes) {
    auto reading = f.db.open("SELECT ID FROM Giornale ORDER BY ID");
    ASSERT_FALSE(reading->eof());
    for (int i = 0; i < 300; ++i)  // more shapes than the statement cache holds
        EXPECT_EQ(q("SELECT Count(*) FROM Giornale WHERE ID>" + std::to_string(i % 3) + std::string(static_cast<size_t>(i), ' ')),
                  Value(3 - i % 3));
    EXPECT_LE(f.sqlite->cachedStatements(), 256u);
    std::vector<Value> ids;
    while (!reading->eof()) {
        ids.push_back(reading->field(0));
        reading->moveNext();
    }
    EXPECT_EQ(ids, (std::vector<Value>{Value(1), Value(2), Value(3)}));
}

TEST_F(Queries, AnotherConnectionsSchemaChangeIsNoticed) {
    const std::string sql = "SELECT Count(*) FROM Giorni WHERE Giorno='2024-03-07'";
    f.native("CREATE TABLE Giorni (Giorno VARCHAR(20) COLLATE TSQL); INSERT INTO Giorni VALUES ('2024-03-07');");
    EXPECT_EQ(q(sql), Value(1));
    {
        SqliteConnection other(f.dbPath().string(), f.clock);
        other.executeNative("DROP TABLE Giorni; CREATE TABLE Giorni (Giorno DATETIME);"
                            "INSERT INTO Giorni VALUES ('2024-03-07 00:00:00');");
    }
    f.sqlite->translator().invalidate();  // what a new statement's schema check does
    EXPECT_EQ(q(sql), Value(1));
    // A new statement notices the change on its own.
    {
        SqliteConnection other(f.dbPath().string(), f.clock);
        other.executeNative("DROP TABLE Giorni; CREATE TABLE Giorni (Giorno VARCHAR(20) COLLATE TSQL);"
                            "INSERT INTO Giorni VALUES ('2024-03-07');");
    }
    EXPECT_EQ(q("SELECT Count(*) FROM Giorni WHERE Giorno='2024-03-07' AND 1=1"), Value(1));
    EXPECT_EQ(q(sql), Value(1));
}

TEST_F(Queries, RunTimeConversionsFailAsOnTheServer) {
    struct Case {
        const char* sql;
        const char* message;
    };
    const Case cases[] = {
        {"SELECT 'abc' + 1", "Conversion failed when converting the varchar value 'abc'"},
        {"SELECT CONVERT(int, '12.5')", "Conversion failed when converting the varchar value '12.5' to data type int."},
        {"SELECT CONVERT(float, 'x')", "Error converting data type varchar to float."},
        {"SELECT DATEADD(day, 1, 'ieri')", "Conversion failed when converting date and/or time from character string."},
        {"SELECT 5 % 0", "Divide by zero error encountered."},
        {"SELECT Substring('abc', 1, -1)", "Invalid length parameter passed to the substring function."},
        {"SELECT CONVERT(varchar, GetDate(), 7)", "7 is not a valid style number"},
        {"SELECT 'x' - 'y'", "Operand data type varchar is invalid for subtract operator."},
    };
    for (const Case& c : cases) {
        try {
            q(c.sql);
            ADD_FAILURE() << "accepted: " << c.sql;
        } catch (const tsql::TranslationError& e) {
            ADD_FAILURE() << "refused before running: " << c.sql << " -> " << e.what();
        } catch (const DbError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.sql << " -> " << e.what();
        }
    }
    EXPECT_EQ(q("SELECT GetDate() - {d '2024-03-06'}"), Value(dt(1900, 1, 2, 10, 30)));  // a day and a half
    EXPECT_EQ(q("SELECT DATEPART(quarter, {d '2024-08-01'}) * 10 + DATEPART(ms, GetDate())"), Value(30));
    EXPECT_EQ(q("SELECT CAST(GetDate() AS time)"), Value(dt(1900, 1, 1, 10, 30)));
    EXPECT_EQ(q("SELECT CONVERT(int, GetDate())"), Value(45356));  // days since 1900, rounded
    EXPECT_EQ(q("SELECT CONVERT(bit, -1) + CONVERT(bit, 'false')"), Value(1));
}
