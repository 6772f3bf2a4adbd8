#pragma once
// The error of a statement that the T-SQL layer of the embedded engine cannot translate.
// It names the construct and is raised before anything runs.

#include <string>

#include "db/connection.h"

namespace velaris::tsql {

class TranslationError : public DbError {
public:
    // The number is the one the workstation's data library reports for a syntax error.
    explicit TranslationError(const std::string& what) : DbError(-2147217900, what) {}
};

}  // namespace velaris::tsql
