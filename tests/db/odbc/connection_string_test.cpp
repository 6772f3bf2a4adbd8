#include <gtest/gtest.h>

#include "db/connection.h"
#include "db/odbc/connection_string.h"
#include "db/thrown.h"

using namespace velaris;
using namespace velaris::odbc;

namespace {

const std::string kTail = ";TDS_Version=7.4;ClientCharset=UTF-8";

std::string ftds(const std::string& pairs) { return "Driver={FreeTDS};" + pairs + kTail; }

struct MappingCase {
    std::string input;
    std::string expected;  // the FreeTDS string; for a refusal, part of the message
};

TEST(Mapping, OleDbFormsBecomeFreeTdsStrings) {
    const MappingCase cases[] = {
        {R"(Provider=SQLOLEDB;Data Source=srv\SQLEXPRESS;Initial Catalog=Centro;User ID=acc;Password=x)",
         ftds("Server=srv;Instance=SQLEXPRESS;Database=Centro;UID=acc;PWD=x")},
        {"Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog=Centro;"
         "Data Source=srv",
         ftds("Server=srv;Database=Centro;Trusted_Connection=Yes")},
        // Integrated security wins over a user and password; False keeps the login.
        {"Provider=MSOLEDBSQL19;Server=srv;Database=Centro;User ID=acc;Password=x;Integrated Security=true",
         ftds("Server=srv;Database=Centro;Trusted_Connection=Yes")},
        {"Provider=SQLOLEDB;Data Source=srv;Integrated Security=False;UID=acc;PWD=x",
         ftds("Server=srv;UID=acc;PWD=x")},
        {"Provider=SQLNCLI11;Data Source=tcp:srv,1433;Initial Catalog=Centro",
         ftds("Server=srv;Port=1433;Database=Centro")},
        {R"(Provider=SQLOLEDB;Data Source=srv\SQLEXPRESS, 1500)", ftds("Server=srv;Port=1500")},
        {"Provider=SQLOLEDB;Data Source=(local)", ftds("Server=localhost")},
        {R"(Provider=SQLOLEDB;Data Source=.\SQLEXPRESS)", ftds("Server=localhost;Instance=SQLEXPRESS")},
        {"  PROVIDER = sqloledb ;  data source =  srv  ; INITIAL catalog= Centro ;user id=acc ;password=x;",
         ftds("Server=srv;Database=Centro;UID=acc;PWD=x")},
        {";;Provider=SQLOLEDB;;Data Source=srv;;", ftds("Server=srv")},
        {"Provider=SQLOLEDB;Data Source=srv;Initial Catalog=;User ID=acc;Password=",
         ftds("Server=srv;UID=acc;PWD=")},
        // The last of a key or of its synonyms wins.
        {"Provider=SQLOLEDB;Data Source=a;Data Source=b;Password=1;Password=2", ftds("Server=b;PWD=2")},
        {"Provider=SQLOLEDB;Server=a;Data Source=b;Database=x;Initial Catalog=y", ftds("Server=b;Database=y")},
        // Quoted and braced values keep their semicolons, quotes and blanks.
        {R"(Provider=SQLOLEDB;Data Source=srv;Password="a;b";User ID=u)", ftds("Server=srv;UID=u;PWD={a;b}")},
        {"Provider=SQLOLEDB;Data Source=srv;Password='it''s;x'", ftds("Server=srv;PWD={it's;x}")},
        {"Provider=SQLOLEDB;Data Source=srv;Password={p}}w;d}", ftds("Server=srv;PWD={p}}w;d}")},
        {R"(Provider=SQLOLEDB;Data Source=srv;Password=" x ")", ftds("Server=srv;PWD={ x }")},
        {"Provider=SQLOLEDB;Data Source=srv;Password=a=b", ftds("Server=srv;PWD=a=b")},
        {"Provider=SQLOLEDB;Data Source=srv;Application Name=Velaris Accessi;Workstation ID=CASSA1;"
         "Connect Timeout=15;Use Procedure for Prepare=1;Auto Translate=True",
         ftds("Server=srv;APP=Velaris Accessi;WSID=CASSA1")},
        // A plain ODBC string passes unchanged.
        {"Driver={FreeTDS};Server=srv;Port=1433;UID=a;PWD={x;y}",
         "Driver={FreeTDS};Server=srv;Port=1433;UID=a;PWD={x;y}"},
    };
    for (const auto& c : cases) EXPECT_EQ(toOdbcConnectionString(c.input), c.expected) << c.input;
}

TEST(Mapping, BadStringsAreRefusedWithoutRepeatingValues) {
    const MappingCase cases[] = {
        {"Provider=SQLOLEDB;Initial Catalog=Centro;Password=s3cret", "no server"},
        {"Provider=SQLOLEDB;Data Source=,1433", "no server"},
        {"Provider=SQLOLEDB;Data Source=srv,14x3", "port"},
        {"Provider=SQLOLEDB;Data Source=srv,65536", "port"},
        {"Provider=SQLOLEDB;Data Source=np:srv", "TCP"},
        {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=c:\\centro.mdb", "not a SQL Server provider"},
        {"Provider=SQLOLEDB;Data Source=srv;Password=\"s3cret;x", "Password"},
        {"Provider=SQLOLEDB;Data Source=srv;Password={s3cret", "not closed"},
        {"Provider=SQLOLEDB;Password='s3' cret;Data Source=srv", "after the value"},
        {"Provider=SQLOLEDB;Data Source=srv;Password=a;s3cret", "has no \"=\""},
        {"", "empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        const std::string what = test::thrown<DbError>([&] { toOdbcConnectionString(c.input); });
        EXPECT_NE(what.find(c.expected), std::string::npos) << what;
        EXPECT_EQ(what.find("s3cret"), std::string::npos) << "a password leaked into: " << what;
    }
}

TEST(MappingTarget, MicrosoftDriverKeepsServerSyntaxAndNoFreeTdsKeys) {
    const OdbcTarget ms{"ODBC Driver 18 for SQL Server", "7.4"};
    EXPECT_EQ(toOdbcConnectionString(R"(Provider=SQLOLEDB;Data Source=srv\SQLEXPRESS;Initial Catalog=Centro)", ms),
              R"(Driver={ODBC Driver 18 for SQL Server};Server=srv\SQLEXPRESS;Database=Centro)");
    EXPECT_EQ(toOdbcConnectionString("Provider=SQLOLEDB;Data Source=srv,1433;Integrated Security=SSPI", ms),
              "Driver={ODBC Driver 18 for SQL Server};Server=tcp:srv,1433;Trusted_Connection=Yes");
    EXPECT_EQ(toOdbcConnectionString(
                  "Provider=MSOLEDBSQL;Data Source=srv;Use Encryption for Data=True;Trust Server Certificate=True", ms),
              "Driver={ODBC Driver 18 for SQL Server};Server=srv;Encrypt=yes;TrustServerCertificate=yes");
    EXPECT_EQ(toOdbcConnectionString("Provider=MSOLEDBSQL;Data Source=srv;Encrypt=no", ms),
              "Driver={ODBC Driver 18 for SQL Server};Server=srv;Encrypt=no");
    EXPECT_EQ(toOdbcConnectionString("Provider=MSOLEDBSQL;Data Source=srv;Use Encryption for Data=yes"),
              "Driver={FreeTDS};Server=srv;Encryption=require" + kTail);
}

TEST(MappingTarget, FreeTdsByLibraryPathAndOtherTdsVersion) {
    const OdbcTarget t{"/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so", "7.3"};
    EXPECT_EQ(toOdbcConnectionString("Provider=SQLOLEDB;Data Source=srv", t),
              "Driver={/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so};Server=srv;TDS_Version=7.3;ClientCharset=UTF-8");
}

TEST(ConnectionStringParser, KeysValuesAndEscapesBothWays) {
    const auto a = parseConnectionString(" A==B = 1 ; C={x;y}} } ; D='' ;E=\"q\"\"q\"");
    ASSERT_EQ(a.size(), 4u);
    EXPECT_EQ(a[0].key, "A=B");
    EXPECT_EQ(a[0].value, "1");
    EXPECT_EQ(a[1].value, "x;y} ");
    EXPECT_EQ(a[2].value, "");
    EXPECT_EQ(a[3].value, "q\"q");
    // A value written for a connection string reads back unchanged.
    for (std::string v : {"a;b", "x}}y", "{z", " pad ", "'q'"}) {
        const auto back = parseConnectionString("K=" + odbcValue(v));
        ASSERT_EQ(back.size(), 1u);
        EXPECT_EQ(back[0].value, v);
    }
}

}  // namespace
