#pragma once
// The operator's desktop view, in builds that have one: the tray icon, the main window
// and message boxes as dialogs. The server's core never depends on it: the executable
// hands a factory to the shell, and without one (or without a desktop session) the
// server runs headless, its message boxes lines on standard error and in the event log.

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "base/event_log.h"
#include "base/event_loop.h"
#include "system/system.h"

namespace velaris {

class OperatorView {
public:
    virtual ~OperatorView() = default;
    // Message boxes: shown without blocking the loop, and written to the event log.
    virtual Operatore& operatore() = 0;
    // Hides the window and adds the tray icon; `exit` runs when the operator chooses
    // to end the program (it must start the shutdown sequence).
    virtual void show(std::function<void()> exit) = 0;
    // The window's status line (link, terminals, status page address).
    virtual void setStatus(const std::string& text) = 0;
    // Start-up failed: keeps the open message boxes up until the operator closes them.
    virtual void waitForMessageBoxes() = 0;
};

using OperatorViewFactory = std::function<std::unique_ptr<OperatorView>(EventLoop&, EventLog&, std::ostream& err)>;

// A desktop session is present (DISPLAY or WAYLAND_DISPLAY set and not empty).
bool desktopSession();

}  // namespace velaris
