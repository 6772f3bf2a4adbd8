#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "db/engine.h"
#include "db/sqlite_engine.h"
#include "db/thrown.h"
#include "support/test_support.h"

using namespace velaris;

namespace {

struct KindCase {
    const char* text;
    EngineKind kind;
};

TEST(EngineChoice, ClassifiesOnlyWhatItRecognises) {
    const KindCase cases[] = {
        {"   ", EngineKind::Unknown},
        {" /var/lib/velaris/Centro.SQLITE ", EngineKind::Sqlite},
        {"C:\\Dati\\centro.sqlite3", EngineKind::Sqlite},
        {"/dati/a=b.db", EngineKind::Sqlite},
        {"centro.db.bak", EngineKind::Unknown},
        {"Provider=SQLite;Data Source=/x/c.db", EngineKind::Sqlite},
        {"provider=sqlite3;data source=c.sqlite", EngineKind::Sqlite},
        {"Provider=SQLOLEDB.1;Data Source=srv", EngineKind::Odbc},
        {"Provider=SQLNCLI11;Data Source=srv", EngineKind::Odbc},
        {"Provider=MSOLEDBSQL19;Server=srv", EngineKind::Odbc},
        {"Driver={FreeTDS};Server=srv", EngineKind::Odbc},
        {"DSN=Centro", EngineKind::Odbc},
        {"FILEDSN=/etc/centro.dsn", EngineKind::Odbc},
        {"Driver={unclosed", EngineKind::Unknown},
        // A provider decides even when a file name follows.
        {"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=c.db", EngineKind::Unknown},
        // No provider, no driver: refused rather than guessed.
        {"Data Source=srv;Initial Catalog=Centro", EngineKind::Unknown},
        {"ciao", EngineKind::Unknown},
    };
    for (const auto& c : cases) EXPECT_EQ(classifyConnectionString(c.text), c.kind) << "\"" << c.text << "\"";
}

TEST(EngineChoice, TargetsOfEachEngine) {
    EXPECT_EQ(chooseEngine("Provider=SQLite;Data Source= /x/c.db ").target, "/x/c.db");
    EXPECT_EQ(chooseEngine(" centro.db ").target, "centro.db");
    EngineOptions o;
    o.odbcDriver = "ODBC Driver 18 for SQL Server";
    EXPECT_EQ(chooseEngine("Provider=SQLOLEDB;Data Source=srv", o).target,
              "Driver={ODBC Driver 18 for SQL Server};Server=srv");
}

TEST(EngineChoice, OptionsFromTheEnvironment) {
    ::setenv("VELARIS_ODBC_DRIVER", "ODBC Driver 18 for SQL Server", 1);
    ::setenv("VELARIS_TDS_VERSION", "", 1);
    EngineOptions o = engineOptionsFromEnvironment();
    EXPECT_EQ(o.odbcDriver, "ODBC Driver 18 for SQL Server");
    EXPECT_EQ(o.tdsVersion, "7.4");  // empty means the default
    ::unsetenv("VELARIS_ODBC_DRIVER");
    ::unsetenv("VELARIS_TDS_VERSION");
    EXPECT_EQ(engineOptionsFromEnvironment().odbcDriver, "FreeTDS");
}

TEST(EngineChoice, RefusalsSayWhy) {
    auto message = [](std::string_view text) { return test::thrown<DbError>([&] { chooseEngine(text); }); };
    EXPECT_NE(message("").find("empty"), std::string::npos);
    EXPECT_NE(message("Server=srv;PWD=s3cret").find("names neither"), std::string::npos);
    EXPECT_EQ(message("Server=srv;PWD=s3cret").find("s3cret"), std::string::npos);
    EXPECT_NE(message("Provider=SQLite").find("no database file"), std::string::npos);
    EXPECT_NE(message("Provider=SQLOLEDB;Initial Catalog=Centro").find("no server"), std::string::npos);
}

TEST(OpenConnection, EmbeddedDatabaseMustExist) {
    test::TempDir dir;
    Clock clock;
    const auto file = dir / "centro.db";
    const std::string what =
        test::thrown<DbError>([&] { openConnection("Provider=SQLite;Data Source=" + file.string(), clock); });
    EXPECT_NE(what.find("does not exist"), std::string::npos) << what;
    EXPECT_FALSE(std::filesystem::exists(file));  // never created by opening

    { SqliteConnection create(file.string(), clock, true); }
    auto conn = openConnection(file.string(), clock);
    EXPECT_EQ(conn->engineName(), "SQLite");
    auto* sqlite = dynamic_cast<SqliteConnection*>(conn.get());
    ASSERT_NE(sqlite, nullptr);
    EXPECT_NO_THROW(sqlite->executeNative("CREATE TABLE T (N INTEGER);"));
}

}  // namespace
