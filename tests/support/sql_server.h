#pragma once
// The SQL Server test profile: VELARIS_TEST_MSSQL names a database kept for the tests (an
// ODBC or OLE DB connection string, as the server takes on its command line); the
// fixtures then run the system's statements against it through the ODBC engine. Every
// table, view, procedure and function of that database is dropped by the tests.
//
// The centre's schema and the tests' own set-up are written for SQLite; here they are put
// into SQL Server's dialect: the tables with their identities, indexes and views, the
// delete triggers, the function dbo.Set_Data and the procedure Stato_Cliente.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace velaris {
class Database;
}

namespace velaris::test::mssql {

// The connection string of the profile, or "" when it is not in use.
std::string connectionString();

// What the conversion learns of the tables it creates.
struct Tables {
    std::vector<std::string> names;
    // The identity column of each table: a row inserted with an explicit value there
    // needs IDENTITY_INSERT.
    std::map<std::string, std::string> identities;
};

// SQLite text (schema or set-up) as SQL Server batches; `tables` collects the tables it
// creates and tells which columns are identities.
std::vector<std::string> toSqlServer(std::string_view sqliteText, Tables& tables);

// The objects that the embedded engine provides by itself: dbo.Set_Data and Stato_Cliente.
const std::vector<std::string>& engineObjects();

// Drops every table, view, procedure and function of the database.
void dropEverything(Database& db);
// Empties the tables (identities start again from 1).
void emptyTables(Database& db, const Tables& tables);

}  // namespace velaris::test::mssql
