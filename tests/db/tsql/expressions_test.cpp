// T-SQL expressions on the embedded engine, checked against the results SQL Server gives.

#include <gtest/gtest.h>

#include "db/tsql/error.h"
#include "support/test_support.h"

using namespace velaris;
using velaris::test::DbFixture;

namespace {

DateTime dt(int y, int m, int d, int h = 0, int mi = 0, int s = 0) { return DateTime::fromParts(y, m, d, h, mi, s); }

struct Expressions : ::testing::Test {
    DbFixture f;  // clock fixed at Thursday 2024-03-07 10:30:00
    void SetUp() override {
        f.native(
            "CREATE TABLE Gestione_QR_Code (Codice_Cliente VARCHAR(20) COLLATE TSQL, QR_Code VARCHAR(20) COLLATE TSQL,"
            " Disp_Code VARCHAR(20) COLLATE TSQL, Data_Reg DATETIME, Usato BIT NOT NULL DEFAULT 0, Ora_Scad DATETIME);"
            "INSERT INTO Gestione_QR_Code VALUES ('CL001','QR9','D1','2024-03-07 00:00:00',0,'1900-01-01 11:00:00'),"
            " ('CL002','QR8',NULL,'2024-03-07 00:00:00',0,NULL);"
            "CREATE TABLE Gestione_Aggiunte (ID INTEGER PRIMARY KEY, Codice_Cliente VARCHAR(20) COLLATE TSQL,"
            " Singola INTEGER, Singola_Corsi INTEGER, Singola_Servizi INTEGER, Importo MONEY, Importo_Omaggio MONEY,"
            " Importo_Usato MONEY, Data_Inizio DATETIME, Descrizione VARCHAR(50) COLLATE TSQL);"
            "INSERT INTO Gestione_Aggiunte VALUES (1,'CL001',1,2,3,50.5,10,20.25,'2024-02-29 00:00:00','Piscina'),"
            " (2,'cl001  ',0,0,0,10,NULL,0,'2024-03-31 00:00:00','PISCINA'),"
            " (3,'CL002',0,NULL,0,0,0,0,NULL,'Città');");
    }
    Value q(const std::string& sql) { return f.scalar(sql); }
    std::vector<std::vector<Value>> rows(const std::string& sql) {
        auto rs = f.db.open(sql);
        return readAll(*rs).rows;
    }
};

}  // namespace

TEST_F(Expressions, WeekdaysCountFromSunday) {
    EXPECT_EQ(q("SELECT DATEPART(weekday, GetDate())"), Value(5));  // Thursday
    EXPECT_EQ(q("SELECT DATEPART(dw, {d '2024-03-10'})"), Value(1));  // Sunday
    EXPECT_EQ(q("SELECT DATEPART(weekday, {d '2024-03-09'})"), Value(7));
    EXPECT_EQ(q("SELECT DATEPART(yy, GetDate()) * 10000 + DATEPART(mm, GetDate()) * 100 + DATEPART(dd, GetDate())"),
              Value(20240307));
    EXPECT_EQ(q("SELECT DATEPART(hh, GetDate()) * 100 + DATEPART(mi, GetDate())"), Value(1030));
    EXPECT_EQ(q("SELECT DATEPART(dy, {d '2024-03-07'})"), Value(67));
    EXPECT_EQ(q("SELECT DATEPART(wk, {d '2024-01-06'})"), Value(1));  // Saturday: still week 1
    EXPECT_EQ(q("SELECT DATEPART(wk, {d '2024-01-07'})"), Value(2));  // Sunday starts week 2
    EXPECT_EQ(q("SELECT Year({d '2024-03-07'}) + Month({d '2024-03-07'}) + Day({d '2024-03-07'})"), Value(2024 + 3 + 7));
    // The system filters attendances by weekday numbers in the statement text.
    f.native("CREATE TABLE Presenze (Data_Presenza DATETIME);"
             "INSERT INTO Presenze VALUES ('2024-03-04 00:00:00'),('2024-03-07 00:00:00'),('2024-03-10 00:00:00');");
    EXPECT_EQ(q("SELECT Count(*) FROM Presenze WHERE Presenze.Data_Presenza Between {d '2024-03-01'} And {d '2024-03-31'}"
                " AND (DATEPART(weekday,Presenze.Data_Presenza)=2 OR DATEPART(weekday,Presenze.Data_Presenza)=5)"),
              Value(2));
}

TEST_F(Expressions, DateAddClampsMonthEndsAndCountsInAnyPart) {
    EXPECT_EQ(q("SELECT DATEADD(month, 1, {d '2024-01-31'})"), Value(dt(2024, 2, 29)));
    EXPECT_EQ(q("SELECT DATEADD(mm, -1, {d '2024-03-31'})"), Value(dt(2024, 2, 29)));
    EXPECT_EQ(q("SELECT DATEADD(year, 1, {d '2024-02-29'})"), Value(dt(2025, 2, 28)));
    EXPECT_EQ(q("SELECT DATEADD(day, 1, {d '2024-02-28'})"), Value(dt(2024, 2, 29)));
    EXPECT_EQ(q("SELECT DATEADD(day, -30, dbo.Set_Data(GETDATE()))"), Value(dt(2024, 2, 6)));
    EXPECT_EQ(q("SELECT DATEADD(minute, -15, '1900-1-1 07:05:00')"), Value(dt(1900, 1, 1, 6, 50)));
    EXPECT_EQ(q("SELECT DATEADD(hh, 2, {ts '2024-03-07 23:30:00'})"), Value(dt(2024, 3, 8, 1, 30)));
    EXPECT_EQ(q("SELECT DATEADD(day, 2.9, {d '2024-03-07'})"), Value(dt(2024, 3, 9)));  // fraction dropped
    EXPECT_TRUE(q("SELECT DATEADD(day, NULL, GetDate())").isNull());
    EXPECT_THROW(q("SELECT DATEADD(year, 9000, GetDate())"), DbError);
    EXPECT_THROW(q("SELECT DATEADD(fortnight, 1, GetDate())"), tsql::TranslationError);
}

TEST_F(Expressions, DateDiffCountsBoundaries) {
    EXPECT_EQ(q("SELECT DATEDIFF(day, {ts '2024-03-06 23:59:00'}, {ts '2024-03-07 00:01:00'})"), Value(1));
    EXPECT_EQ(q("SELECT DATEDIFF(minute, '1900-1-1 07:05:59', '1900-1-1 07:06:00')"), Value(1));
    EXPECT_EQ(q("SELECT DATEDIFF(minute, {ts '2024-03-07 10:00:00'}, GetDate())"), Value(30));
    EXPECT_EQ(q("SELECT DATEDIFF(month, {d '2024-01-31'}, {d '2024-02-01'})"), Value(1));
    EXPECT_EQ(q("SELECT DATEDIFF(year, {d '2023-12-31'}, {d '2024-01-01'})"), Value(1));
    EXPECT_EQ(q("SELECT DATEDIFF(day, {d '2024-03-07'}, {d '2024-03-01'})"), Value(-6));
    EXPECT_EQ(q("SELECT DATEDIFF(week, {d '2024-03-09'}, {d '2024-03-10'})"), Value(1));  // Saturday -> Sunday
}

TEST_F(Expressions, DateLiteralsInEveryWrittenFormCompareWithStoredDates) {
    // Data_SqlQ, the procedure form (mm-dd-yyyy) and a plain ISO text all mean 7 March.
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_QR_Code WHERE Data_Reg={d '2024-03-07'}"), Value(2));
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_QR_Code WHERE Data_Reg='03-07-2024'"), Value(2));
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_QR_Code WHERE Data_Reg='2024-3-7'"), Value(2));
    // Times are written on 1 January 1900 by Ora_SqlQ.
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_QR_Code WHERE Ora_Scad>='1900-1-1 10:30:00'"), Value(1));
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_QR_Code WHERE Ora_Scad>'1900-1-1 11:00:00'"), Value(0));
    // A time alone compared with a date/time column is a time of day too.
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_QR_Code WHERE Ora_Scad='11:00:00'"), Value(1));
    // ... but a date-shaped text stored in a text column stays as written.
    f.db.execute("INSERT INTO Gestione_QR_Code (Codice_Cliente, QR_Code) VALUES ('CL003', '2024-03-07')");
    EXPECT_EQ(q("SELECT QR_Code FROM Gestione_QR_Code WHERE Codice_Cliente='CL003'"), Value("2024-03-07"));
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_QR_Code WHERE QR_Code='2024-03-07'"), Value(1));
    // Stored dates come back as dates, whatever form the statement wrote them in.
    f.db.execute("UPDATE Gestione_QR_Code SET Data_Reg='03-08-2024', Ora_Scad='1900-1-1 7:05:00' WHERE Codice_Cliente='CL003'");
    auto r = rows("SELECT Data_Reg, Ora_Scad FROM Gestione_QR_Code WHERE Codice_Cliente='CL003'");
    EXPECT_EQ(r.at(0).at(0), Value(dt(2024, 3, 8)));
    EXPECT_EQ(r.at(0).at(1), Value(dt(1900, 1, 1, 7, 5)));
    EXPECT_THROW(q("SELECT {d '2024-02-30'}"), tsql::TranslationError);
}

TEST_F(Expressions, PlusConcatenatesTextsAndAddsNumbers) {
    EXPECT_EQ(q("SELECT TOP 1 Codice_Cliente FROM Gestione_QR_Code WHERE (Gestione_QR_Code.Codice_Cliente+"
                "Gestione_QR_Code.QR_Code+Gestione_QR_Code.Disp_Code) = 'cl001qr9d1'"),
              Value("CL001"));
    EXPECT_EQ(q("SELECT (Singola+Singola_Corsi+Singola_Servizi) FROM Gestione_Aggiunte WHERE ID=1"), Value(6));
    EXPECT_EQ(q("SELECT Importo+Importo_Omaggio-Importo_Usato FROM Gestione_Aggiunte WHERE ID=1"), Value(40.25));
    EXPECT_EQ(q("SELECT Importo+Importo_Omaggio*2 FROM Gestione_Aggiunte WHERE ID=1"), Value(70.5));  // * first
    EXPECT_EQ(q("SELECT 'Tot: ' + Descrizione FROM Gestione_Aggiunte WHERE ID=1"), Value("Tot: Piscina"));
    EXPECT_EQ(q("SELECT '5' + 1"), Value(6));  // a text that reads as a number is converted
    EXPECT_THROW(q("SELECT 1 + 2 + 'x'"), DbError);  // (1 + 2) + 'x': 'x' is no number
    EXPECT_THROW(q("SELECT 'abc' + 1"), DbError);
    // date + number adds days
    EXPECT_EQ(q("SELECT Data_Inizio + 1 FROM Gestione_Aggiunte WHERE ID=1"), Value(dt(2024, 3, 1)));
    EXPECT_EQ(q("SELECT GetDate() - 7"), Value(dt(2024, 2, 29, 10, 30)));
    EXPECT_EQ(q("SELECT 7 / 2"), Value(3));  // whole-number division
    EXPECT_EQ(q("SELECT 7.0 / 2"), Value(3.5));
    EXPECT_THROW(q("SELECT 1 / 0"), DbError);
}

TEST_F(Expressions, NullPropagatesThroughOperatorsAndIsNullReplacesIt) {
    EXPECT_TRUE(q("SELECT Codice_Cliente+QR_Code+Disp_Code FROM Gestione_QR_Code WHERE Codice_Cliente='CL002'").isNull());
    EXPECT_TRUE(q("SELECT Singola+Singola_Corsi FROM Gestione_Aggiunte WHERE ID=3").isNull());
    EXPECT_TRUE(q("SELECT Importo+Importo_Omaggio-Importo_Usato FROM Gestione_Aggiunte WHERE ID=2").isNull());
    EXPECT_EQ(q("SELECT IsNull(Importo_Omaggio, 0) + 1 FROM Gestione_Aggiunte WHERE ID=2"), Value(1));
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_QR_Code WHERE Not Disp_Code Is Null"), Value(1));
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_QR_Code WHERE Disp_Code = NULL"), Value(0));
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_Aggiunte WHERE Singola_Corsi Not In (2)"), Value(1));  // Null is neither
}

TEST_F(Expressions, TextComparesWithoutCaseAndTrailingBlanks) {
    EXPECT_EQ(q("SELECT CASE WHEN 'abc' = 'ABC  ' THEN 1 ELSE 0 END"), Value(1));
    EXPECT_EQ(q("SELECT CASE WHEN 'abc' < 'ABD' THEN 1 ELSE 0 END"), Value(1));
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_Aggiunte WHERE Codice_Cliente='CL001'"), Value(2));
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_Aggiunte WHERE Codice_Cliente IN ('cl001', 'x')"), Value(2));
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_Aggiunte WHERE Upper(Descrizione) = Lower(Descrizione)"), Value(3));
    EXPECT_EQ(q("SELECT Count(DISTINCT Codice_Cliente) FROM Gestione_Aggiunte"), Value(2));
    EXPECT_EQ(rows("SELECT DISTINCT Descrizione FROM Gestione_Aggiunte WHERE ID<3").size(), 1u);
    EXPECT_EQ(rows("SELECT Codice_Cliente, Count(*) FROM Gestione_Aggiunte GROUP BY Codice_Cliente").size(), 2u);
    EXPECT_EQ(rows("SELECT Descrizione FROM Gestione_Aggiunte WHERE ID<3 UNION SELECT 'piscina'").size(), 1u);
    // Accented letters: case-folded, accent-sensitive, sorted beside their base letter.
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_Aggiunte WHERE Descrizione='CITTÀ'"), Value(1));
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_Aggiunte WHERE Descrizione='Citta'"), Value(0));
    auto order = rows("SELECT Descrizione FROM Gestione_Aggiunte ORDER BY Descrizione DESC");
    EXPECT_EQ(order.at(2).at(0), Value("Città"));  // under C, before both P rows
    EXPECT_EQ(q("SELECT Len('abc  ')"), Value(3));
    EXPECT_EQ(q("SELECT Len(Codice_Cliente) FROM Gestione_Aggiunte WHERE ID=2"), Value(5));
}

TEST_F(Expressions, TextFunctionsFollowTheServer) {
    EXPECT_EQ(q("SELECT Left('Velaris', 3) + Right('Velaris', 2) + Substring('Velaris', 0, 3)"), Value("VelisVe"));
    EXPECT_EQ(q("SELECT Substring('Città', 4, 10)"), Value("tà"));
    EXPECT_EQ(q("SELECT Upper('città') + Lower('ÀB')"), Value("CITTÀàb"));
    EXPECT_EQ(q("SELECT LTrim('  a ') + '|' + RTrim(' b  ') + '|'"), Value("a | b|"));
    EXPECT_EQ(q("SELECT Replace('Abc abc', 'B', 'x')"), Value("Axc axc"));
    EXPECT_EQ(q("SELECT CharIndex('SC', 'Piscina') * 10 + CharIndex('z', 'Piscina')"), Value(30));
    EXPECT_EQ(q("SELECT Abs(-2) + Floor(2.7) + Ceiling(2.1)"), Value(7.0));
    EXPECT_EQ(q("SELECT Round(2.5, 0)"), Value(3.0));
    EXPECT_EQ(q("SELECT Round(-2.25, 1)"), Value(-2.3));  // halves away from zero
    EXPECT_EQ(q("SELECT Round(1234, -2)"), Value(1200));
    EXPECT_EQ(q("SELECT CASE Descrizione WHEN 'piscina' THEN 'P' ELSE 'X' END FROM Gestione_Aggiunte WHERE ID=2"),
              Value("P"));
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_Aggiunte WHERE Descrizione LIKE 'p[a-j]sc%'"), Value(2));
    EXPECT_EQ(q("SELECT Count(*) FROM Gestione_Aggiunte WHERE Descrizione NOT LIKE '%ina'"), Value(1));
    EXPECT_THROW(q("SELECT Left('abc', -1)"), DbError);
}

TEST_F(Expressions, ConvertAndCastKeepTheServerTypes) {
    EXPECT_EQ(q("SELECT Convert(Float, 12.5)"), Value(12.5));
    const Value three = q("SELECT Convert(Float, 3)");
    EXPECT_EQ(three.kind(), Value::Kind::Double);
    EXPECT_EQ(q("SELECT CONVERT(int, 12.9) + CAST('7' AS int)"), Value(19));
    EXPECT_EQ(q("SELECT CONVERT(varchar(10), {ts '2024-03-07 10:30:00'}, 120)"), Value("2024-03-07"));
    EXPECT_EQ(q("SELECT CONVERT(varchar, GetDate(), 108)"), Value("10:30:00"));
    EXPECT_EQ(q("SELECT CONVERT(varchar, GetDate(), 103)"), Value("07/03/2024"));
    EXPECT_EQ(q("SELECT CONVERT(datetime, '07/03/2024', 103)"), Value(dt(2024, 3, 7)));
    EXPECT_EQ(q("SELECT CONVERT(datetime, '10:30:15', 108)"), Value(dt(1900, 1, 1, 10, 30, 15)));
    // Converting a date/time to datetime ignores the style: the value stays as it is.
    EXPECT_EQ(q("SELECT convert(datetime,getdate(),108)"), Value(dt(2024, 3, 7, 10, 30)));
    EXPECT_EQ(q("SELECT CAST(GetDate() AS date)"), Value(dt(2024, 3, 7)));
    EXPECT_EQ(q("SELECT CAST(Importo AS decimal(10,1)) FROM Gestione_Aggiunte WHERE ID=1"), Value(50.5));
    EXPECT_THROW(q("SELECT CONVERT(int, 'abc')"), DbError);
    EXPECT_THROW(q("SELECT CONVERT(datetime, 'not a date')"), DbError);
    EXPECT_THROW(q("SELECT CONVERT(xml, 'a')"), tsql::TranslationError);
}

TEST_F(Expressions, ValuesComeBackWithTheirKinds) {
    auto r = rows("SELECT Data_Reg, Usato, Ora_Scad, Codice_Cliente, Count(*) AS N, Max(Data_Reg) AS M "
                  "FROM Gestione_QR_Code WHERE Codice_Cliente='CL001' GROUP BY Data_Reg, Usato, Ora_Scad, Codice_Cliente");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0][0], Value(dt(2024, 3, 7)));
    EXPECT_EQ(r[0][1], Value(false));
    EXPECT_EQ(r[0][2], Value(dt(1900, 1, 1, 11)));
    EXPECT_EQ(r[0][3], Value("CL001"));
    EXPECT_EQ(r[0][4], Value(1));
    EXPECT_EQ(r[0][5], Value(dt(2024, 3, 7)));
    auto rs = f.db.open("SELECT Count(*), Count(*) AS E1 FROM Gestione_QR_Code");
    EXPECT_EQ(rs->fieldName(0), "");  // no alias, no name, as on the server
    EXPECT_EQ(rs->fieldName(1), "E1");
    EXPECT_EQ(f.scalar("SELECT [Codice_Cliente] FROM [Gestione_QR_Code] WITH (NOLOCK) WHERE [QR_Code]=N'QR8'"),
              Value("CL002"));
}
