// The collation, the patterns and the tokenizer on their own. The date rules are tested
// through the expressions that use them.

#include <gtest/gtest.h>

#include "db/tsql/error.h"
#include "db/tsql/functions.h"
#include "db/tsql/lexer.h"

using namespace velaris;
using namespace velaris::tsql;

TEST(Collation, FoldsCaseKeepsAccentsIgnoresTrailingBlanks) {
    EXPECT_EQ(collate("abc ", "abc"), 0);
    EXPECT_GT(collate("abc", " abc"), 0);  // leading blanks count
    EXPECT_LT(collate("Rossi", "rossini"), 0);
    EXPECT_LT(collate("citta", "città"), 0);  // the plain letter first,
    EXPECT_LT(collate("città", "cittb"), 0);  // the accented one before the next letter
    EXPECT_LT(collate("Èrba", "Fieno"), 0);
    EXPECT_EQ(collate("", "   "), 0);
    EXPECT_LT(collate("2024-03-07 00:00:00", "2024-03-07 10:00:00"), 0);  // dates still sort as text
    EXPECT_EQ(upperText("perché ÿ"), "PERCHÉ ÿ");
    EXPECT_EQ(lowerText("PERCHÉ ß"), "perché ß");
}

TEST(Like, PatternsOfTheServer) {
    EXPECT_TRUE(likeMatch("Piscina", "%CIN_"));
    EXPECT_FALSE(likeMatch("CLA01", "CL[0-9]%"));
    EXPECT_TRUE(likeMatch("CLA01", "CL[^0-9]%"));
    EXPECT_TRUE(likeMatch("a%b", "a!%b", '!'));
    EXPECT_FALSE(likeMatch("axb", "a!%b", '!'));
    EXPECT_TRUE(likeMatch("", "%"));
    EXPECT_TRUE(likeMatch("Città", "CITT_"));
    EXPECT_FALSE(likeMatch("Città", "citta"));
    EXPECT_TRUE(likeMatch("[x", "[x"));  // an unclosed bracket is itself
}

// The literals' classes and canonical forms are tested through the engine's statement
// cache and the date comparisons of the expressions.
TEST(Tokenizer, QuotedNamesAreUnescapedAndStrayCharactersRefused) {
    Lexed e;
    lex("SELECT [Check], [a]]b], \"c\"\"d\" /* nested /* comment */ still */ FROM [dbo].[T]", e);
    ASSERT_GE(e.tokens.size(), 6u);
    EXPECT_EQ(e.tokens[1].value, "Check");
    EXPECT_EQ(e.tokens[3].value, "a]b");
    EXPECT_EQ(e.tokens[5].value, "c\"d");
    EXPECT_EQ(e.tokens[6].text, "FROM");

    EXPECT_THROW(lex("SELECT 1 /* open", e), TranslationError);
    EXPECT_THROW(lex("SELECT {fn Now()}", e), TranslationError);
    EXPECT_THROW(lex("SELECT 0x1F", e), TranslationError);
    EXPECT_THROW(lex("SELECT a ? b", e), TranslationError);
}
