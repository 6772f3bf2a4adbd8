#pragma once
// The one source of "today" and "now" for the whole system. Tests fix it; the command
// line can start it at a chosen moment from which it runs on with the real clock.

#include <chrono>
#include <optional>

#include "base/value.h"

namespace velaris {

class Clock {
public:
    // Local wall-clock time of the workstation, unless fixed or shifted.
    DateTime now() const;
    DateTime today() const { return now().datePart(); }
    // The current time of day on 1 January 1900, the form every stored time takes.
    DateTime timeKxl() const { return now().timeOnDay1900(); }

    // Stops the clock at the given moment (tests).
    void setFixed(DateTime at) { fixed_ = at; offset_ = 0; }
    // Moves a fixed clock forward (tests).
    void advance(int64_t seconds);
    // Starts the clock at the given moment and lets it run on from there.
    void startAt(DateTime at);
    // Back to the workstation's clock.
    void reset() { fixed_.reset(); offset_ = 0; }

    static DateTime systemNow();

private:
    std::optional<DateTime> fixed_;
    int64_t offset_ = 0;  // seconds added to the system clock
};

// `TimeKxl`: the current time of day as a date/time on 1 January 1900.
inline DateTime TimeKxl(const Clock& clock) { return clock.timeKxl(); }

}  // namespace velaris
