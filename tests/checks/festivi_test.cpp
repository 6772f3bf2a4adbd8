#include <gtest/gtest.h>

#include "centro.h"
#include "checks/festivi.h"

using namespace velaris;
using velaris::test::Centro;

namespace {

Value giorno(int m, int g) { return Value(DateTime::fromParts(2024, m, g)); }
Value ora(int h, int m) { return Value(DateTime::fromParts(1900, 1, 1, h, m, 0)); }

struct Festivi : ::testing::Test {
    Centro c;
};

}  // namespace

TEST_F(Festivi, HolidaysOnWhichTheCentreOpensAreNotHolidays) {
    c.sql("INSERT INTO Tabella_Festivi (ID_Festivita, Club_Open) VALUES ('2024-04-25 00:00:00', 0)");
    c.sql("INSERT INTO Tabella_Festivi (ID_Festivita, Club_Open) VALUES ('2024-05-01 00:00:00', -1)");
    EXPECT_TRUE(Giorno_Festivo(c.x.s, 0, giorno(4, 25)));
    EXPECT_FALSE(Giorno_Festivo(c.x.s, 0, giorno(5, 1)));
    EXPECT_FALSE(Giorno_Festivo(c.x.s, 0, giorno(4, 26)));
}

TEST_F(Festivi, ExcludedPeriodIncludesBothEnds) {
    c.sql("INSERT INTO Periodi_Esclusi (Inizio_Periodo, Fine_Periodo) VALUES ('2024-08-10 00:00:00', '2024-08-20 00:00:00')");
    EXPECT_FALSE(Giorno_Festivo(c.x.s, 0, giorno(8, 9)));
    EXPECT_TRUE(Giorno_Festivo(c.x.s, 0, giorno(8, 10)));
    EXPECT_TRUE(Giorno_Festivo(c.x.s, 0, giorno(8, 20)));
    EXPECT_FALSE(Giorno_Festivo(c.x.s, 0, giorno(8, 21)));
}

TEST_F(Festivi, ClosuresOnlyInModeOneStartInclusiveEndExclusive) {
    c.sql("INSERT INTO Periodi_NonPrenotabili (Motivo, Codice, GiornoSettimana, Data_Inizio, Data_Fine, Ora_Inizio, Ora_Fine) "
          "VALUES ('PULIZIE', '00000', 0, '2024-03-01 00:00:00', '2024-03-31 00:00:00', '1900-01-01 12:00:00', "
          "'1900-01-01 14:00:00')");
    EXPECT_TRUE(Giorno_Festivo(c.x.s, 1, giorno(3, 7), Value("AR1"), ora(12, 0)));
    EXPECT_TRUE(Giorno_Festivo(c.x.s, 1, giorno(3, 7), Value("AR1"), ora(13, 59)));
    EXPECT_FALSE(Giorno_Festivo(c.x.s, 1, giorno(3, 7), Value("AR1"), ora(14, 0)));
    EXPECT_FALSE(Giorno_Festivo(c.x.s, 1, giorno(3, 7), Value("AR1"), ora(11, 59)));
    EXPECT_FALSE(Giorno_Festivo(c.x.s, 0, giorno(3, 7), Value("AR1"), ora(12, 0)));
    EXPECT_FALSE(Giorno_Festivo(c.x.s, 1, giorno(4, 1), Value("AR1"), ora(12, 0)));
}


TEST_F(Festivi, FailureIsNoHoliday) {
    c.sql("DROP TABLE Tabella_Festivi");
    EXPECT_FALSE(Giorno_Festivo(c.x.s, 0, giorno(3, 7)));
    ASSERT_FALSE(c.x.f.logLines.empty());
    EXPECT_NE(c.x.f.logLines.back().find(" - Function Giorno_Festivo"), std::string::npos);
}
