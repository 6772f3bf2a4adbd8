#pragma once
// Recursive-descent parser of the system's T-SQL statements into the syntax tree.

#include <vector>

#include "db/tsql/ast.h"
#include "db/tsql/lexer.h"

namespace velaris::tsql {

struct Parsed {
    Statement stmt;
    // Literals whose value the translation itself depends on (type lengths, column aliases
    // written as strings): statements differing in these translate differently.
    std::vector<int> inlined;
};

// Parses one statement (a trailing ";" allowed). Throws TranslationError naming the
// construct it does not understand.
Parsed parse(const Lexed& lexed);

// Case-insensitive ASCII comparison.
bool ieq(std::string_view a, std::string_view b);

}  // namespace velaris::tsql
