// T-SQL expressions on the embedded engine, checked against the results SQL Server gives:
// one row per expression and its result, or the error the server raises.

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
            " (3,'CL002',0,NULL,0,0,0,0,NULL,'Città');"
            "CREATE TABLE Presenze (Data_Presenza DATETIME);"
            "INSERT INTO Presenze VALUES ('2024-03-04 00:00:00'), ('2024-03-07 00:00:00'),"
            " ('2024-03-10 00:00:00');");
    }
    Value q(const std::string& sql) { return f.scalar(sql); }
    std::vector<std::vector<Value>> rows(const std::string& sql) { return readAll(*f.db.open(sql)).rows; }
};

struct Case {
    const char* sql;
    Value want;
};

const Case kScalars[] = {
    // Weekdays count from Sunday; weeks start on Sunday.
    {"SELECT DATEPART(weekday, GetDate())", 5},
    {"SELECT DATEPART(dw, {d '2024-03-10'})", 1},
    {"SELECT DATEPART(yy, GetDate()) * 10000 + DATEPART(mm, GetDate()) * 100 + DATEPART(dd, GetDate())",
     20240307},
    {"SELECT DATEPART(hh, GetDate()) * 100 + DATEPART(mi, GetDate())", 1030},
    {"SELECT DATEPART(dy, {d '2024-03-07'})", 67},
    {"SELECT DATEPART(wk, {d '2024-01-07'})", 2},  // Sunday starts week 2
    {"SELECT Year({d '2024-03-07'}) + Month({d '2024-03-07'}) + Day({d '2024-03-07'})", 2024 + 3 + 7},
    {"SELECT DATEPART(quarter, {d '2024-08-01'}) * 10 + DATEPART(ms, GetDate())", 30},
    {"SELECT DATEPART(wk, {d '2023-12-31'})", 53},
    // The system filters attendances by weekday numbers in the statement text.
    {"SELECT Count(*) FROM Presenze WHERE Presenze.Data_Presenza Between {d '2024-03-01'} And {d '2024-03-31'}"
     " AND (DATEPART(weekday,Presenze.Data_Presenza)=2 OR DATEPART(weekday,Presenze.Data_Presenza)=5)", 2},
    // DATEADD clamps month ends and counts in any part.
    {"SELECT DATEADD(month, 1, {d '2024-01-31'})", dt(2024, 2, 29)},
    {"SELECT DATEADD(year, 1, {d '2024-02-29'})", dt(2025, 2, 28)},
    {"SELECT DATEADD(day, -30, dbo.Set_Data(GETDATE()))", dt(2024, 2, 6)},
    {"SELECT DATEADD(minute, -15, '1900-1-1 07:05:00')", dt(1900, 1, 1, 6, 50)},
    {"SELECT DATEADD(hh, 2, {ts '2024-03-07 23:30:00'})", dt(2024, 3, 8, 1, 30)},
    {"SELECT DATEADD(day, 2.9, {d '2024-03-07'})", dt(2024, 3, 9)},  // fraction dropped
    {"SELECT DATEADD(day, NULL, GetDate())", Value::null()},
    {"SELECT DATEADD(qq, 1, {ts '2024-11-30 08:00:00'})", dt(2025, 2, 28, 8)},
    {"SELECT DATEADD(wk, -1, {d '2024-03-07'})", dt(2024, 2, 29)},
    {"SELECT DATEADD(ss, 86400, {d '2024-02-28'})", dt(2024, 2, 29)},
    // DATEDIFF counts boundaries crossed.
    {"SELECT DATEDIFF(day, {ts '2024-03-06 23:59:00'}, {ts '2024-03-07 00:01:00'})", 1},
    {"SELECT DATEDIFF(minute, '1900-1-1 07:05:59', '1900-1-1 07:06:00')", 1},
    {"SELECT DATEDIFF(month, {d '2024-01-31'}, {d '2024-02-01'})", 1},
    {"SELECT DATEDIFF(year, {d '2023-12-31'}, {d '2024-01-01'})", 1},
    {"SELECT DATEDIFF(week, {d '2024-03-09'}, {d '2024-03-10'})", 1},  // Saturday -> Sunday
    {"SELECT DATEDIFF(dd, CURRENT_TIMESTAMP, {d '2024-03-08'})", 1},
    {"SELECT DATEDIFF(hh, {ts '2024-03-07 10:59:00'}, {ts '2024-03-07 11:00:00'})", 1},
    {"SELECT DATEDIFF(qq, {d '2024-03-31'}, {d '2024-04-01'})", 1},
    {"SELECT DATEDIFF(mi, {ts '2024-03-07 10:00:59'}, {ts '2024-03-07 09:59:00'})", -1},
    // A date written by Data_SqlQ means the stored day (other spellings: the engine tests).
    {"SELECT Count(*) FROM Gestione_QR_Code WHERE Data_Reg={d '2024-03-07'}", 2},
    // Times are written on 1 January 1900 by Ora_SqlQ; a time alone is a time of day too.
    {"SELECT Count(*) FROM Gestione_QR_Code WHERE Ora_Scad>='1900-1-1 10:30:00'", 1},
    {"SELECT Count(*) FROM Gestione_QR_Code WHERE Ora_Scad='11:00:00'", 1},
    {"SELECT Count(*) FROM Gestione_QR_Code WHERE Ora_Scad={t '11:00:00'}", 1},
    // + concatenates texts and adds numbers, * before +, date + number adds days.
    {"SELECT TOP 1 Codice_Cliente FROM Gestione_QR_Code WHERE (Gestione_QR_Code.Codice_Cliente+"
     "Gestione_QR_Code.QR_Code+Gestione_QR_Code.Disp_Code) = 'cl001qr9d1'", "CL001"},
    {"SELECT (Singola+Singola_Corsi+Singola_Servizi) FROM Gestione_Aggiunte WHERE ID=1", 6},
    {"SELECT Importo+Importo_Omaggio-Importo_Usato FROM Gestione_Aggiunte WHERE ID=1", 40.25},
    {"SELECT Importo+Importo_Omaggio*2 FROM Gestione_Aggiunte WHERE ID=1", 70.5},
    {"SELECT '5' + 1", 6},  // a text that reads as a number is converted
    {"SELECT Data_Inizio + 1 FROM Gestione_Aggiunte WHERE ID=1", dt(2024, 3, 1)},
    {"SELECT GetDate() - 7", dt(2024, 2, 29, 10, 30)},
    {"SELECT GetDate() - {d '2024-03-06'}", dt(1900, 1, 2, 10, 30)},  // a day and a half
    {"SELECT 7 / 2", 3},  // whole-number division
    {"SELECT 7.0 / 2", 3.5},
    // Null propagates through operators; IsNull replaces it; Null is in no list.
    {"SELECT Codice_Cliente+QR_Code+Disp_Code FROM Gestione_QR_Code WHERE Codice_Cliente='CL002'", Value::null()},
    {"SELECT IsNull(Importo_Omaggio, 0) + 1 FROM Gestione_Aggiunte WHERE ID=2", 1},
    {"SELECT Count(*) FROM Gestione_QR_Code WHERE Not Disp_Code Is Null", 1},
    {"SELECT Count(*) FROM Gestione_QR_Code WHERE Disp_Code = NULL", 0},
    {"SELECT Count(*) FROM Gestione_Aggiunte WHERE Singola_Corsi Not In (2)", 1},
    // Texts compare without case and trailing blanks, accent-sensitive.
    {"SELECT CASE WHEN 'abc' = 'ABC  ' THEN 1 ELSE 0 END", 1},
    {"SELECT CASE WHEN 'abc' < 'ABD' THEN 1 ELSE 0 END", 1},
    {"SELECT Count(*) FROM Gestione_Aggiunte WHERE Codice_Cliente IN ('cl001', 'x')", 2},
    {"SELECT Count(DISTINCT Codice_Cliente) FROM Gestione_Aggiunte", 2},
    {"SELECT Count(*) FROM Gestione_Aggiunte WHERE Descrizione='CITTÀ'", 1},
    {"SELECT Count(*) FROM Gestione_Aggiunte WHERE Descrizione='Citta'", 0},
    {"SELECT Len('abc  ')", 3},
    // Text and number functions.
    {"SELECT Left('Velaris', 3) + Right('Velaris', 2) + Substring('Velaris', 0, 3)", "VelisVe"},
    {"SELECT Substring('Città', 4, 10)", "tà"},
    {"SELECT Upper('città') + Lower('ÀB')", "CITTÀàb"},
    {"SELECT LTrim('  a ') + '|' + RTrim(' b  ') + '|'", "a | b|"},
    {"SELECT Replace('Abc abc', 'B', 'x')", "Axc axc"},
    {"SELECT CharIndex('SC', 'Piscina') * 10 + CharIndex('z', 'Piscina')", 30},
    {"SELECT Abs(-2) + Floor(2.7) + Ceiling(2.1)", 7.0},
    {"SELECT Round(-2.25, 1)", -2.3},  // halves away from zero
    {"SELECT Round(1234, -2)", 1200},
    {"SELECT CASE Descrizione WHEN 'piscina' THEN 'P' ELSE 'X' END FROM Gestione_Aggiunte WHERE ID=2", "P"},
    {"SELECT Count(*) FROM Gestione_Aggiunte WHERE Descrizione LIKE 'p[a-j]sc%'", 2},
    {"SELECT Count(*) FROM Gestione_Aggiunte WHERE Descrizione NOT LIKE '%ina'", 1},
    // CONVERT and CAST keep the server's types and styles.
    {"SELECT Convert(Float, 3)", 3.0},
    {"SELECT CONVERT(int, 12.9) + CAST('7' AS int)", 19},
    {"SELECT CONVERT(varchar(10), {ts '2024-03-07 10:30:00'}, 120)", "2024-03-07"},
    {"SELECT CONVERT(varchar, GetDate(), 103)", "07/03/2024"},
    {"SELECT CONVERT(datetime, '07/03/2024', 103)", dt(2024, 3, 7)},
    {"SELECT CONVERT(datetime, '10:30:15', 108)", dt(1900, 1, 1, 10, 30, 15)},
    {"SELECT CONVERT(datetime, '2024-03-07 10:30:00')", dt(2024, 3, 7, 10, 30)},
    {"SELECT CONVERT(datetime, '03/07/2024')", dt(2024, 3, 7)},  // month first by default
    {"SELECT CONVERT(datetime, '07.03.2024 10:30', 104)", dt(2024, 3, 7, 10, 30)},
    {"SELECT CONVERT(datetime, '20240307')", dt(2024, 3, 7)},
    {"SELECT CONVERT(datetime, 'Mar  7 2024 10:30PM')", dt(2024, 3, 7, 22, 30)},
    {"SELECT CONVERT(varchar, {ts '2024-03-07 00:05:01'}, 100)", "Mar  7 2024 12:05AM"},
    {"SELECT CONVERT(varchar, {ts '2024-03-07 09:05:01'}, 108)", "09:05:01"},
    {"SELECT CONVERT(varchar, {d '2024-03-07'}, 112)", "20240307"},
    {"SELECT CONVERT(varchar, {d '2024-03-07'}, 105)", "07-03-2024"},
    {"SELECT CONVERT(float, {d '1899-12-31'})", -1.0},
    {"SELECT CONVERT(datetime, 1.5)", dt(1900, 1, 2, 12)},
    {"SELECT convert(datetime,getdate(),108)", dt(2024, 3, 7, 10, 30)},  // a date/time ignores the style
    {"SELECT CAST(GetDate() AS date)", dt(2024, 3, 7)},
    {"SELECT CAST(GetDate() AS time)", dt(1900, 1, 1, 10, 30)},
    {"SELECT CAST(Importo AS decimal(10,1)) FROM Gestione_Aggiunte WHERE ID=1", 50.5},
    {"SELECT CONVERT(int, GetDate())", 45356},  // days since 1900, rounded
    {"SELECT CONVERT(bit, -1) + CONVERT(bit, 'false')", 1},
};

struct Failure {
    const char* sql;
    const char* message;  // part of the server's message, "" when any
    bool beforeRunning;   // refused by the translation, not at run time
};

const Failure kFailures[] = {
    {"SELECT 'abc' + 1", "Conversion failed when converting the varchar value 'abc'", false},
    {"SELECT CONVERT(int, '12.5')",
     "Conversion failed when converting the varchar value '12.5' to data type int.", false},
    {"SELECT CONVERT(float, 'x')", "Error converting data type varchar to float.", false},
    {"SELECT DATEADD(day, 1, 'ieri')",
     "Conversion failed when converting date and/or time from character string.", false},
    {"SELECT DATEADD(year, 9000, GetDate())", "", false},
    {"SELECT DATEADD(day, -800000, {d '2024-03-07'})", "", false},
    {"SELECT CONVERT(datetime, 'Apr 31 2024')", "", false},
    {"SELECT CONVERT(datetime, '2024-02-30')", "", false},
    {"SELECT CONVERT(datetime, '20241307', 112)", "", false},
    {"SELECT CONVERT(varchar, GetDate(), 999)", "999 is not a valid style number", false},
    {"SELECT 1 / 0", "Divide by zero error encountered.", false},
    {"SELECT 5 % 0", "Divide by zero error encountered.", false},
    {"SELECT Substring('abc', 1, -1)", "Invalid length parameter passed to the substring function.", false},
    {"SELECT Left('abc', -1)", "", false},
    {"SELECT 'x' - 'y'", "Operand data type varchar is invalid for subtract operator.", false},
    {"SELECT DATEADD(fortnight, 1, GetDate())", "", true},
    {"SELECT {d '2024-02-30'}", "", true},
    {"SELECT CONVERT(xml, 'a')", "", true},
};

}  // namespace

TEST_F(Expressions, ResultsAsTheServerGivesThem) {
    for (const Case& c : kScalars) {
        SCOPED_TRACE(c.sql);
        try {
            EXPECT_EQ(q(c.sql), c.want);
        } catch (const DbError& e) {
            ADD_FAILURE() << e.what();
        }
    }
}

TEST_F(Expressions, ErrorsAsTheServerRaisesThem) {
    for (const Failure& c : kFailures) {
        SCOPED_TRACE(c.sql);
        try {
            q(c.sql);
            ADD_FAILURE() << "accepted";
        } catch (const tsql::TranslationError& e) {
            EXPECT_TRUE(c.beforeRunning) << "refused before running: " << e.what();
        } catch (const DbError& e) {
            EXPECT_FALSE(c.beforeRunning) << "refused only at run time: " << e.what();
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

TEST_F(Expressions, WrittenValuesComeBackWithTheirKinds) {
    // Stored dates come back as dates, whatever form the statement wrote them in (a date-shaped
    // text in a text column stays as written: the engine tests).
    f.db.execute("INSERT INTO Gestione_QR_Code (Codice_Cliente, QR_Code) VALUES ('CL003', '2024-03-07')");
    f.db.execute("UPDATE Gestione_QR_Code SET Data_Reg='03-08-2024', Ora_Scad='1900-1-1 7:05:00' WHERE Codice_Cliente='CL003'");
    auto r = rows("SELECT Data_Reg, Ora_Scad FROM Gestione_QR_Code WHERE Codice_Cliente='CL003'");
    EXPECT_EQ(r, (std::vector<std::vector<Value>>{{dt(2024, 3, 8), dt(1900, 1, 1, 7, 5)}}));
    // ... and through INSERT ... SELECT, as the staging of the checks writes them.
    f.db.execute("INSERT INTO Gestione_QR_Code (Codice_Cliente, Data_Reg, QR_Code) "
                 "SELECT 'CL004', '03-31-2024', '2024-4-1'");
    r = rows("SELECT Data_Reg, QR_Code FROM Gestione_QR_Code WHERE Codice_Cliente='CL004'");
    EXPECT_EQ(r.at(0), (std::vector<Value>{dt(2024, 3, 31), "2024-4-1"}));  // a text column keeps the text

    r = rows("SELECT Data_Reg, Usato, Ora_Scad, Codice_Cliente, Count(*) AS N, Max(Data_Reg) AS M FROM Gestione_QR_Code "
             "WHERE Codice_Cliente='CL001' GROUP BY Data_Reg, Usato, Ora_Scad, Codice_Cliente");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0], (std::vector<Value>{dt(2024, 3, 7), false, dt(1900, 1, 1, 11), "CL001", 1, dt(2024, 3, 7)}));
    auto rs = f.db.open("SELECT Count(*), Count(*) AS E1 FROM Gestione_QR_Code");
    EXPECT_EQ(rs->fieldName(0), "");  // no alias, no name, as on the server
    EXPECT_EQ(rs->fieldName(1), "E1");
}
