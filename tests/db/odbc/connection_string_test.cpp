#include <gtest/gtest.h>

#include "db/connection.h"
#include "db/odbc/connection_string.h"

using namespace velaris;
using namespace velaris::odbc;

namespace {

const std::string kTail = ";TDS_Version=7.4;ClientCharset=UTF-8";

struct MappingCase {
    const char* name;
    std::string input;
    std::string expected;
};

class Mapping : public ::testing::TestWithParam<MappingCase> {};

TEST_P(Mapping, ToFreeTds) { EXPECT_EQ(toOdbcConnectionString(GetParam().input), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    OleDbForms, Mapping,
    ::testing::Values(
        MappingCase{"NamedInstanceWithSqlLogin",
                    R"(Provider=SQLOLEDB;Data Source=srv\SQLEXPRESS;Initial Catalog=Centro;User ID=acc;Password=x)",
                    "Driver={FreeTDS};Server=srv;Instance=SQLEXPRESS;Database=Centro;UID=acc;PWD=x" + kTail},
        MappingCase{"IntegratedSecurity",
                    "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog=Centro;"
                    "Data Source=srv",
                    "Driver={FreeTDS};Server=srv;Database=Centro;Trusted_Connection=Yes" + kTail},
        MappingCase{"IntegratedSecurityWinsOverUserAndPassword",
                    "Provider=MSOLEDBSQL19;Server=srv;Database=Centro;User ID=acc;Password=x;Integrated Security=true",
                    "Driver={FreeTDS};Server=srv;Database=Centro;Trusted_Connection=Yes" + kTail},
        MappingCase{"IntegratedSecurityFalseKeepsLogin",
                    "Provider=SQLOLEDB;Data Source=srv;Integrated Security=False;UID=acc;PWD=x",
                    "Driver={FreeTDS};Server=srv;UID=acc;PWD=x" + kTail},
        MappingCase{"TcpPrefixAndPort", "Provider=SQLNCLI11;Data Source=tcp:srv,1433;Initial Catalog=Centro",
                    "Driver={FreeTDS};Server=srv;Port=1433;Database=Centro" + kTail},
        MappingCase{"PortWinsOverInstance", R"(Provider=SQLOLEDB;Data Source=srv\SQLEXPRESS, 1500)",
                    "Driver={FreeTDS};Server=srv;Port=1500" + kTail},
        MappingCase{"ServerDatabaseUidPwdSynonyms", "Provider=SQLOLEDB;Server=10.0.0.5,1433;Database=Centro;UID=a;PWD=b",
                    "Driver={FreeTDS};Server=10.0.0.5;Port=1433;Database=Centro;UID=a;PWD=b" + kTail},
        MappingCase{"LocalMachine", "Provider=SQLOLEDB;Data Source=(local)", "Driver={FreeTDS};Server=localhost" + kTail},
        MappingCase{"DotIsLocalMachine", R"(Provider=SQLOLEDB;Data Source=.\SQLEXPRESS)",
                    "Driver={FreeTDS};Server=localhost;Instance=SQLEXPRESS" + kTail},
        MappingCase{"OddSpacingAndCase",
                    "  PROVIDER = sqloledb ;  data source =  srv  ; INITIAL catalog= Centro ;user id=acc ;password=x;",
                    "Driver={FreeTDS};Server=srv;Database=Centro;UID=acc;PWD=x" + kTail},
        MappingCase{"EmptyPairsSkipped", ";;Provider=SQLOLEDB;;Data Source=srv;;",
                    "Driver={FreeTDS};Server=srv" + kTail},
        MappingCase{"EmptyValues", "Provider=SQLOLEDB;Data Source=srv;Initial Catalog=;User ID=acc;Password=",
                    "Driver={FreeTDS};Server=srv;UID=acc;PWD=" + kTail},
        MappingCase{"DuplicatedKeyLastWins", "Provider=SQLOLEDB;Data Source=a;Data Source=b;Password=1;Password=2",
                    "Driver={FreeTDS};Server=b;PWD=2" + kTail},
        MappingCase{"SynonymLastWins", "Provider=SQLOLEDB;Server=a;Data Source=b;Database=x;Initial Catalog=y",
                    "Driver={FreeTDS};Server=b;Database=y" + kTail},
        MappingCase{"DoubleQuotedValueWithSemicolon", R"(Provider=SQLOLEDB;Data Source=srv;Password="a;b";User ID=u)",
                    "Driver={FreeTDS};Server=srv;UID=u;PWD={a;b}" + kTail},
        MappingCase{"SingleQuotedValueWithDoubledQuote", "Provider=SQLOLEDB;Data Source=srv;Password='it''s;x'",
                    "Driver={FreeTDS};Server=srv;PWD={it's;x}" + kTail},
        MappingCase{"BracedValueWithClosingBrace", "Provider=SQLOLEDB;Data Source=srv;Password={p}}w;d}",
                    "Driver={FreeTDS};Server=srv;PWD={p}}w;d}" + kTail},
        MappingCase{"QuotedBlanksKept", R"(Provider=SQLOLEDB;Data Source=srv;Password=" x ")",
                    "Driver={FreeTDS};Server=srv;PWD={ x }" + kTail},
        MappingCase{"EqualsInsideValue", "Provider=SQLOLEDB;Data Source=srv;Password=a=b",
                    "Driver={FreeTDS};Server=srv;PWD=a=b" + kTail},
        MappingCase{"ApplicationAndWorkstation",
                    "Provider=SQLOLEDB;Data Source=srv;Application Name=Velaris Accessi;Workstation ID=CASSA1;"
                    "Connect Timeout=15;Use Procedure for Prepare=1;Auto Translate=True",
                    "Driver={FreeTDS};Server=srv;APP=Velaris Accessi;WSID=CASSA1" + kTail},
        MappingCase{"PlainOdbcUnchanged", "Driver={FreeTDS};Server=srv;Port=1433;UID=a;PWD={x;y}",
                    "Driver={FreeTDS};Server=srv;Port=1433;UID=a;PWD={x;y}"},
        MappingCase{"DsnUnchanged", "DSN=Centro;UID=a;PWD=b", "DSN=Centro;UID=a;PWD=b"}),
    [](const ::testing::TestParamInfo<MappingCase>& info) { return std::string(info.param.name); });

class Refused : public ::testing::TestWithParam<MappingCase> {};

TEST_P(Refused, ThrowsWithoutRepeatingValues) {
    try {
        toOdbcConnectionString(GetParam().input);
        FAIL() << "accepted: " << GetParam().input;
    } catch (const DbError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find(GetParam().expected), std::string::npos) << what;
        EXPECT_EQ(what.find("s3cret"), std::string::npos) << "a password leaked into: " << what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    BadStrings, Refused,
    ::testing::Values(MappingCase{"MissingServer", "Provider=SQLOLEDB;Initial Catalog=Centro;Password=s3cret", "no server"},
                      MappingCase{"EmptyServer", "Provider=SQLOLEDB;Data Source= ;Password=s3cret", "no server"},
                      MappingCase{"PortWithoutHost", "Provider=SQLOLEDB;Data Source=,1433", "no server"},
                      MappingCase{"PortNotANumber", "Provider=SQLOLEDB;Data Source=srv,14x3", "port"},
                      MappingCase{"PortZero", "Provider=SQLOLEDB;Data Source=srv,0", "port"},
                      MappingCase{"PortTooLarge", "Provider=SQLOLEDB;Data Source=srv,65536", "port"},
                      MappingCase{"NamedPipes", "Provider=SQLOLEDB;Data Source=np:srv", "TCP"},
                      MappingCase{"OtherProvider", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=c:\\centro.mdb",
                                  "not a SQL Server provider"},
                      MappingCase{"UnclosedQuote", "Provider=SQLOLEDB;Data Source=srv;Password=\"s3cret;x", "Password"},
                      MappingCase{"UnclosedBrace", "Provider=SQLOLEDB;Data Source=srv;Password={s3cret", "not closed"},
                      MappingCase{"TextAfterQuote", "Provider=SQLOLEDB;Password='s3' cret;Data Source=srv",
                                  "after the value"},
                      MappingCase{"PairWithoutEquals", "Provider=SQLOLEDB;Data Source=srv;Password=a;s3cret", "has no \"=\""},
                      MappingCase{"Empty", "", "empty"}),
    [](const ::testing::TestParamInfo<MappingCase>& info) { return std::string(info.param.name); });

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

TEST(ConnectionStringParser, KeysValuesAndEscapes) {
    const auto a = parseConnectionString(" A==B = 1 ; C={x;y}} } ; D='' ;E=\"q\"\"q\"");
    ASSERT_EQ(a.size(), 4u);
    EXPECT_EQ(a[0].key, "A=B");
    EXPECT_EQ(a[0].value, "1");
    EXPECT_EQ(a[1].value, "x;y} ");
    EXPECT_EQ(a[2].value, "");
    EXPECT_EQ(a[3].value, "q\"q");
    EXPECT_EQ(lastValue(a, {"a=b"}), "1");
    EXPECT_FALSE(lastValue(a, {"F"}).has_value());
}

TEST(ConnectionStringParser, OdbcValueBracesOnlyWhenNeeded) {
    EXPECT_EQ(odbcValue("plain value"), "plain value");
    EXPECT_EQ(odbcValue(""), "");
    EXPECT_EQ(odbcValue("a;b"), "{a;b}");
    EXPECT_EQ(odbcValue("a}b"), "{a}}b}");
    EXPECT_EQ(odbcValue("{a"), "{{a}");
    EXPECT_EQ(odbcValue(" a"), "{ a}");
    EXPECT_EQ(odbcValue("'q'"), "{'q'}");
    // What odbcValue writes reads back as the same value.
    for (std::string v : {"a;b", "x}}y", "{z", " pad ", "'q'"}) {
        const auto back = parseConnectionString("K=" + odbcValue(v));
        ASSERT_EQ(back.size(), 1u);
        EXPECT_EQ(back[0].value, v);
    }
}

TEST(ConnectionStringParser, RecognisesPlainOdbc) {
    EXPECT_TRUE(isOdbcConnectionString("Driver={FreeTDS};Server=x"));
    EXPECT_TRUE(isOdbcConnectionString(" dsn = Centro "));
    EXPECT_TRUE(isOdbcConnectionString("FILEDSN=/etc/centro.dsn"));
    EXPECT_FALSE(isOdbcConnectionString("Provider=SQLOLEDB;Driver=x"));
    EXPECT_FALSE(isOdbcConnectionString("Server=x;Database=y"));
    EXPECT_FALSE(isOdbcConnectionString("Driver={unclosed"));
    EXPECT_TRUE(isFreeTds("FreeTDS"));
    EXPECT_TRUE(isFreeTds("/usr/lib/odbc/libtdsodbc.so"));
    EXPECT_FALSE(isFreeTds("ODBC Driver 18 for SQL Server"));
}

}  // namespace
