// The corners of names, comments and literals, collation of computed terms, the statement
// cache and schema changes. The statements the system sends are tested through the
// procedures that send them.

#include <gtest/gtest.h>

#include "support/test_support.h"

using namespace velaris;
using velaris::test::DbFixture;

namespace {

struct Queries : ::testing::Test {
    DbFixture f;  // Thursday 2024-03-07 10:30:00
    void SetUp() override {
        f.native("CREATE TABLE Giornale (ID INTEGER PRIMARY KEY, Codice_Cliente VARCHAR(20) COLLATE TSQL);"
                 "INSERT INTO Giornale VALUES (1, 'CL001'), (2, 'CL001'), (3, 'CL002');");
    }
    Value q(const std::string& sql) { return f.scalar(sql); }
    std::vector<std::vector<Value>> rows(const std::string& sql) { return readAll(*f.db.open(sql)).rows; }
};

}  // namespace

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
    EXPECT_EQ(readAll(*reading).rows, (std::vector<std::vector<Value>>{{1}, {2}, {3}}));
}

TEST_F(Queries, SchemaChangesOfEitherConnectionReachCachedTranslations) {
    const std::string sql = "SELECT Count(*) FROM Giorni WHERE Giorno='2024-03-07'";
    f.native("CREATE TABLE Giorni (Giorno VARCHAR(20) COLLATE TSQL); INSERT INTO Giorni VALUES ('2024-03-07');");
    EXPECT_EQ(q(sql), Value(1));  // a text column: the text as written
    f.native("DROP TABLE Giorni; CREATE TABLE Giorni (Giorno DATETIME);"
             "INSERT INTO Giorni VALUES ('2024-03-07 00:00:00');");
    EXPECT_EQ(q(sql), Value(1));  // a date column: the date
    // A new statement notices another connection's change on its own.
    {
        SqliteConnection other(f.dbPath().string(), f.clock);
        other.executeNative("DROP TABLE Giorni; CREATE TABLE Giorni (Giorno VARCHAR(20) COLLATE TSQL);"
                            "INSERT INTO Giorni VALUES ('2024-03-07');");
    }
    EXPECT_EQ(q("SELECT Count(*) FROM Giorni WHERE Giorno='2024-03-07' AND 1=1"), Value(1));
    EXPECT_EQ(q(sql), Value(1));
}
