#include "db/tsql/translator.h"

namespace velaris::tsql {

// Placeholder: passes statements through until the translator lands.
const std::string& Translator::translate(std::string_view tsql) {
    auto it = cache_.find(std::string(tsql));
    if (it != cache_.end()) return it->second;
    return cache_.emplace(std::string(tsql), std::string(tsql)).first->second;
}

void registerFunctions(sqlite3*, const Clock&) {}

}  // namespace velaris::tsql
