// The server rules behind the engine's functions, the collation and the tokenizer, on
// their own.

#include <gtest/gtest.h>

#include "db/tsql/error.h"
#include "db/tsql/functions.h"
#include "db/tsql/lexer.h"

using namespace velaris;
using namespace velaris::tsql;

namespace {
DateTime dt(int y, int m, int d, int h = 0, int mi = 0, int s = 0) { return DateTime::fromParts(y, m, d, h, mi, s); }
}  // namespace

TEST(Collation, FoldsCaseKeepsAccentsIgnoresTrailingBlanks) {
    EXPECT_EQ(collate("abc", "ABC  "), 0);
    EXPECT_EQ(collate("abc ", "abc"), 0);
    EXPECT_GT(collate("abc", " abc"), 0);  // leading blanks count
    EXPECT_NE(collate(" abc", "abc"), 0);
    EXPECT_LT(collate("abc", "abcd"), 0);
    EXPECT_LT(collate("Rossi", "rossini"), 0);
    EXPECT_EQ(collate("CITTÀ", "città"), 0);
    EXPECT_NE(collate("citta", "città"), 0);
    EXPECT_LT(collate("citta", "città"), 0);  // the plain letter first,
    EXPECT_LT(collate("città", "cittb"), 0);  // the accented one before the next letter
    EXPECT_LT(collate("Èrba", "Fieno"), 0);
    EXPECT_EQ(collate("", "   "), 0);
    EXPECT_LT(collate("2024-03-07 00:00:00", "2024-03-07 10:00:00"), 0);  // dates still sort as text
    EXPECT_EQ(upperText("perché ÿ"), "PERCHÉ ÿ");
    EXPECT_EQ(lowerText("PERCHÉ ß"), "perché ß");
}

TEST(Like, PatternsOfTheServer) {
    EXPECT_TRUE(likeMatch("Piscina", "pisc%"));
    EXPECT_TRUE(likeMatch("Piscina", "%CIN_"));
    EXPECT_FALSE(likeMatch("Piscina", "%cin"));
    EXPECT_TRUE(likeMatch("CL001", "CL[0-9][0-9]1"));
    EXPECT_FALSE(likeMatch("CLA01", "CL[0-9]%"));
    EXPECT_TRUE(likeMatch("CLA01", "CL[^0-9]%"));
    EXPECT_TRUE(likeMatch("a%b", "a!%b", '!'));
    EXPECT_FALSE(likeMatch("axb", "a!%b", '!'));
    EXPECT_TRUE(likeMatch("", "%"));
    EXPECT_TRUE(likeMatch("Città", "CITT_"));
    EXPECT_FALSE(likeMatch("Città", "citta"));
    EXPECT_TRUE(likeMatch("[x", "[x"));  // an unclosed bracket is itself
}

TEST(DateRules, PartsNamesAndArithmetic) {
    EXPECT_EQ(datePartFromName("DW"), DatePart::Weekday);
    EXPECT_EQ(datePartFromName("yyyy"), DatePart::Year);
    EXPECT_EQ(datePartFromName("mi"), DatePart::Minute);
    EXPECT_EQ(datePartFromName("m"), DatePart::Month);
    EXPECT_FALSE(datePartFromName("fortnight"));
    EXPECT_EQ(datePart(DatePart::Weekday, dt(2024, 3, 7)), 5);
    EXPECT_EQ(datePart(DatePart::Quarter, dt(2024, 12, 31)), 4);
    EXPECT_EQ(datePart(DatePart::Week, dt(2023, 12, 31)), 53);
    EXPECT_EQ(dateAdd(DatePart::Month, 1, dt(2023, 1, 31)), dt(2023, 2, 28));
    EXPECT_EQ(dateAdd(DatePart::Quarter, 1, dt(2024, 11, 30, 8)), dt(2025, 2, 28, 8));
    EXPECT_EQ(dateAdd(DatePart::Week, -1, dt(2024, 3, 7)), dt(2024, 2, 29));
    EXPECT_EQ(dateAdd(DatePart::Second, 86400, dt(2024, 2, 28)), dt(2024, 2, 29));
    EXPECT_FALSE(dateAdd(DatePart::Day, -800000, dt(100, 1, 1)));
    EXPECT_EQ(dateDiff(DatePart::Hour, dt(2024, 3, 7, 10, 59), dt(2024, 3, 7, 11, 0)), 1);
    EXPECT_EQ(dateDiff(DatePart::Quarter, dt(2024, 3, 31), dt(2024, 4, 1)), 1);
    EXPECT_EQ(dateDiff(DatePart::Week, dt(2024, 3, 3), dt(2024, 3, 9)), 0);  // Sunday .. Saturday
    EXPECT_EQ(dateDiff(DatePart::Minute, dt(2024, 3, 7, 10, 0, 59), dt(2024, 3, 7, 9, 59, 0)), -1);
    EXPECT_EQ(fromServerNumber(0), dt(1900, 1, 1));
    EXPECT_EQ(fromServerNumber(1.5), dt(1900, 1, 2, 12));
    EXPECT_DOUBLE_EQ(toServerNumber(dt(1899, 12, 31)), -1.0);
}

TEST(DateRules, TextsReadAndWrittenByStyle) {
    EXPECT_EQ(parseServerDate("2024-03-07 10:30:00"), dt(2024, 3, 7, 10, 30));
    EXPECT_EQ(parseServerDate("03/07/2024"), dt(2024, 3, 7));  // month first by default
    EXPECT_EQ(parseServerDate("07/03/2024", 103), dt(2024, 3, 7));
    EXPECT_EQ(parseServerDate("07.03.2024 10:30", 104), dt(2024, 3, 7, 10, 30));
    EXPECT_EQ(parseServerDate("20240307"), dt(2024, 3, 7));
    EXPECT_EQ(parseServerDate("Mar  7 2024 10:30PM"), dt(2024, 3, 7, 22, 30));
    EXPECT_EQ(parseServerDate("mar 7 2024"), dt(2024, 3, 7));
    EXPECT_FALSE(parseServerDate("Apr 31 2024"));
    EXPECT_FALSE(parseServerDate("2024-02-30"));
    EXPECT_FALSE(parseServerDate("20241307", 112));
    EXPECT_EQ(formatServerDate(dt(2024, 3, 7, 9, 5, 1), 0), "Mar  7 2024  9:05AM");
    EXPECT_EQ(formatServerDate(dt(2024, 3, 7, 0, 5, 1), 100), "Mar  7 2024 12:05AM");
    EXPECT_EQ(formatServerDate(dt(2024, 3, 7, 9, 5, 1), 108), "09:05:01");
    EXPECT_EQ(formatServerDate(dt(2024, 3, 7), 112), "20240307");
    EXPECT_EQ(formatServerDate(dt(2024, 3, 7), 105), "07-03-2024");
    EXPECT_FALSE(formatServerDate(dt(2024, 3, 7), 999));
}

TEST(Tokenizer, ShapesHideLiteralsAndClassifyThem) {
    Lexed a, b;
    lex("SELECT Nome FROM T WHERE Codice='CL1' AND Data={d '2024-03-07'} AND N=Convert(Float, 12.5) -- note", a);
    lex("SELECT Nome FROM T WHERE Codice='CL2''x' AND Data={d '2023-01-01'} AND N=Convert(Float, 3)", b);
    EXPECT_NE(a.shape, b.shape);  // 12.5 is a decimal number, 3 a whole one
    ASSERT_EQ(a.literals.size(), 3u);
    EXPECT_EQ(a.literals[0].cls, LitClass::Text);
    EXPECT_EQ(a.literals[1].cls, LitClass::Date);
    EXPECT_EQ(a.literals[1].text, "2024-03-07 00:00:00");
    EXPECT_EQ(a.literals[2].cls, LitClass::Real);
    EXPECT_EQ(b.literals[0].text, "CL2'x");
    Lexed c;
    lex("SELECT Nome FROM T WHERE Codice='CL7' AND Data={d '1999-12-31'} AND N=Convert(Float, 0.5)", c);
    EXPECT_EQ(a.shape.substr(0, a.shape.find("--")), c.shape + " ");

    Lexed d;
    lex("SELECT 1 WHERE x='1900-1-1 07:05:00' OR y='03-07-2024' OR z='07:05' OR w=N'CL001' OR v={t '07:05:00'}", d);
    ASSERT_EQ(d.literals.size(), 6u);
    EXPECT_EQ(d.literals[1].cls, LitClass::DateText);
    EXPECT_EQ(d.literals[1].canonical, "1900-01-01 07:05:00");
    EXPECT_EQ(d.literals[2].canonical, "2024-03-07 00:00:00");
    EXPECT_EQ(d.literals[3].cls, LitClass::TimeText);
    EXPECT_EQ(d.literals[4].cls, LitClass::Text);
    EXPECT_EQ(d.literals[5].text, "1900-01-01 07:05:00");

    Lexed e;
    lex("SELECT [Check], [a]]b], \"c\"\"d\" /* nested /* comment */ still */ FROM [dbo].[T]", e);
    ASSERT_GE(e.tokens.size(), 6u);
    EXPECT_EQ(e.tokens[1].value, "Check");
    EXPECT_EQ(e.tokens[3].value, "a]b");
    EXPECT_EQ(e.tokens[5].value, "c\"d");
    EXPECT_EQ(e.tokens[6].text, "FROM");

    EXPECT_THROW(lex("SELECT 'open", e), TranslationError);
    EXPECT_THROW(lex("SELECT 1 /* open", e), TranslationError);
    EXPECT_THROW(lex("SELECT {fn Now()}", e), TranslationError);
    EXPECT_THROW(lex("SELECT {d '2024-13-01'}", e), TranslationError);
    EXPECT_THROW(lex("SELECT 0x1F", e), TranslationError);
    EXPECT_THROW(lex("SELECT a ? b", e), TranslationError);
}
