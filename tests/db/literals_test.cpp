#include <gtest/gtest.h>

#include <clocale>

#include "db/literals.h"

using namespace velaris;

namespace {
const DateTime kMarch7 = DateTime::fromParts(2024, 3, 7, 14, 30, 0);
}

TEST(Literals, DatesDropTheTimeAndNullBecomesTheWordNull) {
    EXPECT_EQ(Data_SqlQ(kMarch7), "{d '2024-03-07'}");
    EXPECT_EQ(Data_SqlQ(Value::null()), "Null");
    EXPECT_EQ(Data_SqlQ(Value("2024-3-7")), "{d '2024-03-07'}");
    EXPECT_EQ(Data_SqlQ(Value("no date")), "");
    EXPECT_EQ(Data_SqlQ_SP(kMarch7), "'03-07-2024'");
    EXPECT_EQ(Data_SqlQ_SP(Value("no date")), "Null");
    EXPECT_EQ(Data_SqlQ_SP(Value::null()), "Null");
}

TEST(Literals, TimesLandOnTheFirstOfJanuary1900) {
    EXPECT_EQ(Ora_SqlQ(DateTime::fromParts(2024, 3, 7, 7, 5, 9)), "'1900-1-1 07:05:09'");
    EXPECT_EQ(Ora_SqlQ(Value("07:05")), "'1900-1-1 07:05:00'");
    EXPECT_EQ(Ora_SqlQ(Value("   ")), "Null");
    EXPECT_THROW(Ora_SqlQ(Value("later")), std::exception);
}

TEST(Literals, NumbersUseADecimalPointWhateverTheLocale) {
    std::setlocale(LC_ALL, "it_IT.UTF-8");  // harmless when the locale is not installed
    EXPECT_EQ(Num_SqlQ(Value(12.5)), "Convert(Float, 12.5)");
    EXPECT_EQ(Num_SqlQ(Value("12,5")), "Convert(Float, 12.5)");
    EXPECT_EQ(Num_SqlQ(Value(3)), "Convert(Float, 3)");
    EXPECT_EQ(Num_SqlQ(Value(true)), "Convert(Float, -1)");
    EXPECT_EQ("Indirizzo=" + Num_SqlQ(Value::null()), "Indirizzo=0");
    EXPECT_EQ(Num_SqlQ(Value(" ")), "0");
    EXPECT_EQ(Num_SqlQ(Value(1e300)), "Convert(Float, 1E+300)");
    std::setlocale(LC_ALL, "C");
    // Text that is no number never enters a statement as code.
    EXPECT_EQ(Num_SqlQ(Value("1); DELETE FROM Presenze --")), "0");
    EXPECT_EQ(Num_SqlQ(Value("12,5,3")), "0");
}

TEST(Literals, QuotesInsideTextCannotCloseTheLiteral) {
    EXPECT_EQ(CChrQ(Value("l'ora")), "'l\"ora'");
    EXPECT_EQ(CChrQ(Value::null()), "''");
    const std::string attack = CChrQ(Value("x' OR '1'='1"));
    EXPECT_EQ(attack.front(), '\'');
    EXPECT_EQ(attack.find('\'', 1), attack.size() - 1);
    EXPECT_EQ(CChrQ(Value(std::string("a\0b", 3))), "'ab'");
    EXPECT_EQ(CChrQ(Value("Città")), "'Città'");
    EXPECT_EQ(CChrQ(Value(12)), "'12'");
    EXPECT_EQ(SqlFieldQuoteQ(Value(2.5)), "'2.5'");
}

TEST(Literals, BlankAndZero) {
    EXPECT_TRUE(Nullo_Vuoto(Value::null()));
    EXPECT_TRUE(Nullo_Vuoto(Value()));
    EXPECT_TRUE(Nullo_Vuoto(Value("  ")));
    EXPECT_FALSE(Nullo_Vuoto(Value(0)));
    EXPECT_FALSE(Nullo_Vuoto(Value("0")));
    EXPECT_EQ(ZeroSeNullo(Value::null()), 0);
    EXPECT_EQ(ZeroSeNullo(Value(2.5)), 2);
    EXPECT_EQ(ZeroSeNullo(Value(3.5)), 4);
    EXPECT_EQ(ZeroSeNullo(Value(-2.5)), -2);
    EXPECT_EQ(ZeroSeNullo(Value("7")), 7);
    EXPECT_EQ(ZeroSeNullo(Value(true)), -1);
    EXPECT_EQ(ZeroSeNullo(Value(1e12)), 0);  // out of range reads as the error value
    EXPECT_EQ(ZeroSeNullo(Value("abc")), 0);
}

TEST(Literals, ReplacementResumesAfterTheInsertedText) {
    EXPECT_EQ(Sostituisci_Testo("aXbX", "X", "XX"), "aXXbXX");
    EXPECT_EQ(Sostituisci_Testo("abc", "", "z"), "abc");
    EXPECT_EQ(Sostituisci_Testo("", "a", "z"), "");
    EXPECT_EQ(Sostituisci_Testo("Abc abc", "abc", "x"), "Abc x");
}

// Date arithmetic and parsing are tested through the expressions that use them.
TEST(Values, TextForms) {
    EXPECT_EQ(DateTime::fromParts(2024, 3, 7).weekdayMonday1(), 4);
    EXPECT_FALSE(DateTime::parse("12"));
    EXPECT_EQ(Value(DateTime::fromParts(1899, 12, 30, 7, 5, 0)).toText(), "07:05:00");
    EXPECT_EQ(Value(2.0 / 3.0).toText(), "0.666666666666667");
    EXPECT_EQ(Value(0.1 + 0.2).toText(), "0.3");
}
