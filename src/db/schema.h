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

// Splits a script into statements at ";" outside quotes and comments.
std::vector<std::string> splitStatements(std::string_view script);

}  // namespace velaris
