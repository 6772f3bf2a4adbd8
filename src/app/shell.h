#pragma once
// Start-up and shutdown of the server: the command line, the one database connection,
// the terminal link of the configured kind, the polling timers, signals.

#include <iosfwd>

#include "app/operator_view.h"

namespace velaris {

// Runs the server until SIGINT or SIGTERM (or the operator's exit); returns the process
// exit status (0 after a clean shutdown, non-zero when start-up failed). `viewFactory`
// makes the tray icon and window when the build has them and a desktop is present.
int runServer(int argc, char** argv, std::ostream& out, std::ostream& err,
              const OperatorViewFactory& viewFactory = nullptr);

}  // namespace velaris
