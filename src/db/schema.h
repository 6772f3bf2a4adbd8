#pragma once
// Creating an embedded centre database: the schema, and optionally the demo centre.

#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"

namespace velaris {

const char* schemaScript();  // native SQLite definition of the centre database
const char* demoScript();    // T-SQL statements of the demo centre, one per ";"-ended line

// Creates `path` with the complete schema (and the demo centre when `demo` is true).
// Refuses an existing file; on failure nothing is left behind. Throws DbError.
void createDatabase(const std::string& path, const Clock& clock, bool demo);

class SqliteConnection;

// Keeps each workstation's rows of the work tables apart, as the centre's database does:
// every physical work table wTmp_X becomes wTmp_X_Postazioni with a Postazione column
// (the inserting server's HOST_NAME()), and both wTmp_X (read, update, delete) and
// wTmp_X_SQL (insert) become views of this workstation's rows, with triggers that write
// through to the table (columns left out of an insert take the table's defaults). Built
// from the tables as they are defined, so it follows every column the schema gives them.
// A table already split is left alone. createDatabase runs it after the schema.
void separateWorkTables(SqliteConnection& conn);

// Splits a script into statements at ";" outside quotes and comments.
std::vector<std::string> splitStatements(std::string_view script);

}  // namespace velaris
