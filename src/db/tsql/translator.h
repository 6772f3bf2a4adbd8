#pragma once
// Translation of the system's T-SQL statements into SQLite statements with SQL Server's
// meaning. Works over a real tokenizer; anything it does not understand is refused with
// an error naming the construct, never guessed.

#include <string>
#include <string_view>
#include <unordered_map>

#include "db/connection.h"

struct sqlite3;

namespace velaris {
class Clock;
}

namespace velaris::tsql {

class TranslationError : public DbError {
public:
    explicit TranslationError(const std::string& what) : DbError(-2147217900, what) {}
};

class Translator {
public:
    // The SQLite text for a T-SQL statement. Results are cached by statement text.
    const std::string& translate(std::string_view tsql);
    size_t cacheSize() const { return cache_.size(); }

private:
    std::unordered_map<std::string, std::string> cache_;
};

// Registers the user functions, the collation and the procedures that translated
// statements call on this connection.
void registerFunctions(sqlite3* db, const Clock& clock);

}  // namespace velaris::tsql
