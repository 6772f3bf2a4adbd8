#pragma once
// The operator commands of velaris-accessi besides running the server:
//   velaris-accessi database create FILE
//   velaris-accessi database demo FILE
//   velaris-accessi sql --database FILE "STATEMENT"

#include <iosfwd>
#include <string>
#include <vector>

namespace velaris {

// True when argv names one of the operator commands.
bool isOperatorCommand(int argc, char** argv);
// Runs it; returns the process exit status (0 success, 1 failure with a message on err).
int runOperatorCommand(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace velaris
