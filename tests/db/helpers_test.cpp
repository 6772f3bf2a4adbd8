#include <gtest/gtest.h>

#include "support/test_support.h"

using namespace velaris;
using velaris::test::DbFixture;

namespace {
struct Helpers : ::testing::Test {
    DbFixture f;
    void SetUp() override {
        f.native("CREATE TABLE Clienti (Codice TEXT, Nome TEXT, Eta INTEGER);"
                 "INSERT INTO Clienti VALUES ('CL1','Anna',30),('CL2','Bruno',40),('CL3','Carla',NULL);"
                 "CREATE TABLE Vuota (N INTEGER);");
    }
};
}  // namespace

TEST_F(Helpers, LookUpMaxAndSumFollowSqlOverATableOrAWholeSelect) {
    EXPECT_EQ(DLookUpQ(f.db, "Nome", "Clienti", "Codice='CL2'"), Value("Bruno"));
    EXPECT_TRUE(DLookUpQ(f.db, "Nome", "Clienti", "Codice='CL9'").isNull());
    // Over a whole select only its FROM part is kept.
    const std::string select = "SELECT Codice, Nome FROM Clienti WHERE Eta>35 ORDER BY Nome";
    EXPECT_EQ(DLookUpQ(f.db, "Nome", select), Value("Bruno"));
    EXPECT_EQ(DMaxQ(f.db, "Eta", "Clienti"), Value(40));
    EXPECT_TRUE(DMaxQ(f.db, "N", "Vuota").isNull());  // SQL's Max of no rows
    EXPECT_EQ(DSumQ(f.db, "Eta", "Clienti", "Codice<>'CL3'"), Value(70));
    EXPECT_EQ(DMaxQ(f.db, "Eta", "SELECT * FROM Clienti WHERE Eta<35"), Value(30));
    EXPECT_TRUE(f.logLines.empty());
}

TEST_F(Helpers, FailuresAreLoggedAndReadAsNullOrZeroAndAreNoOutage) {
    EXPECT_TRUE(DLookUpQ(f.db, "Nome", "Nessuna").isNull());
    ASSERT_EQ(f.logLines.size(), 1u);
    EXPECT_EQ(f.logLines[0].rfind("Error: ", 0), 0u);
    EXPECT_NE(f.logLines[0].find(" - Function DLookUpQ"), std::string::npos);
    EXPECT_NE(f.logLines[0].find("Nessuna"), std::string::npos) << f.logLines[0];  // the engine's own message
    // A failing statement is no outage and stops nothing else.
    EXPECT_EQ(f.db.outage(), nullptr);
    EXPECT_EQ(DLookUpQ(f.db, "Nome", "Clienti", "Codice='CL1'"), Value("Anna"));
    EXPECT_EQ(f.db.errorsLogged(), 1u);
    EXPECT_TRUE(DLookUpQ(f.db, "Nome", "Nessuna", "", true).isNull());
    EXPECT_EQ(f.logLines.size(), 1u);  // the quiet flag logs nothing
    EXPECT_EQ(DMaxQ(f.db, "x", "Nessuna"), Value(0));
    std::string bad = "Nessuna";
    EXPECT_EQ(DCountQ(f.db, "*", bad), 0);
    EXPECT_EQ(f.logLines.size(), 3u);
    EXPECT_NE(f.logLines[2].find("Function DCountQ"), std::string::npos);
}

TEST_F(Helpers, CountRewritesOrderedDerivedTables) {
    std::string domain = "Clienti";
    EXPECT_EQ(DCountQ(f.db, "*", domain), 3);
    EXPECT_EQ(DCountQ(f.db, "Eta", domain), 2);
    EXPECT_EQ(DCountQ(f.db, "Eta", domain, "Eta>35", true), 1);
    std::string derived = "(SELECT Codice FROM Clienti ORDER BY Codice) AS Vista";
    EXPECT_EQ(DCountQ(f.db, "*", derived), 3);
    EXPECT_EQ(derived, "(SELECT Codice FROM Clienti ) AS Vista");
    std::string plain = "SELECT Codice FROM Clienti WHERE Eta>1 ORDER BY Codice";
    EXPECT_EQ(DCountQ(f.db, "*", plain), 2);
    EXPECT_EQ(plain, "SELECT Codice FROM Clienti WHERE Eta>1 ");
}
