#pragma once
// Start-up and shutdown of the server: the command line, the one database connection,
// the terminal link of the configured kind, the polling timers, signals.

#include <iosfwd>

namespace velaris {

// Runs the server until SIGINT or SIGTERM; returns the process exit status (0 after a
// clean shutdown, non-zero when start-up failed).
int runServer(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace velaris
