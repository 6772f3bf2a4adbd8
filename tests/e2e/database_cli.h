#pragma once
// A statement run on a database file through the server's own `sql` command, as a desk
// user would: for end-to-end tests that look at the rows a running server wrote.

#include <gtest/gtest.h>

#include <string>

#include "harness/child_process.h"

namespace velaris::test {

inline std::string sqlCli(const std::string& db, const std::string& statement) {
    auto [status, out] = runCommand(VELARIS_ACCESSI_EXE, {"sql", "--database", db, statement});
    EXPECT_EQ(status, 0) << statement << "\n" << out;
    return out;
}

// The value in the one row of a query's output (header line first).
inline std::string unico(const std::string& out) {
    const size_t a = out.find('\n') + 1;
    return out.substr(a, out.find('\n', a) - a);
}

}  // namespace velaris::test
