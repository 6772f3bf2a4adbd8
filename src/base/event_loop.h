#pragma once
// The one event loop of the process: every timer, socket and signal handler runs on it,
// one at a time. A few waits let other events run while they wait (start-up probing,
// receipt pauses, the client link's waits), as the terminals' protocol expects; they do
// so by running the loop from inside the waiting handler, with a bound on the wait.
// Work that must never run inside another handler (an inbound read, shutdown) is handed
// to atTopLevel(): it runs once the handlers in progress have returned.

#include <asio.hpp>

#include <chrono>
#include <deque>
#include <functional>

namespace velaris {

class EventLoop {
public:
    asio::io_context& io() { return io_; }

    // Lets other events run until `duration` has passed (also when nothing happens).
    void yieldFor(std::chrono::milliseconds duration);
    // Runs the handlers that are ready now, without waiting.
    void yieldOnce();
    // Lets other events run until `done` holds or `timeout` has passed; returns `done()`.
    bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

    // Runs `fn` from the top of the loop: after the handler in progress has returned and
    // outside every wait, in the order of the calls, one per turn of the loop. Pending
    // work dies with the loop when it is stopped.
    void atTopLevel(std::function<void()> fn);
    size_t pendingTopLevel() const { return topLevel_.size(); }

    // Runs the loop until stop().
    void run();
    // Runs the loop from outside it for `duration` (tests, tools): top-level work runs too.
    void runFor(std::chrono::milliseconds duration);
    void stop() { io_.stop(); }
    bool stopped() const { return io_.stopped(); }

    // Nesting depth of waits in progress: 0 at the top of the loop.
    int depth() const { return depth_; }

private:
    void scheduleTopLevel();
    void leaveWait();

    // No single-thread hint, although one thread runs everything: with it, what a handler
    // completes or posts before it waits (a write that went out at once) is held back in
    // that handler's private queue, which a nested wait never sees, so a farewell's second
    // text would only go out once the handler has returned.
    asio::io_context io_;
    // An io_context that runs out of work stops itself, and a stopped one no longer waits:
    // a wait or poll with nothing pending would end every later wait at once. Only stop()
    // stops the loop.
    asio::executor_work_guard<asio::io_context::executor_type> work_ = asio::make_work_guard(io_);
    int depth_ = 0;
    std::deque<std::function<void()>> topLevel_;
    bool topLevelPosted_ = false;
};

// A repeating timer with an interval that can be changed or set to 0 (stopped), like the
// window timers the polling cycle was designed around.
class IntervalTimer {
public:
    IntervalTimer(asio::io_context& io, std::function<void()> tick) : timer_(io), tick_(std::move(tick)) {}
    // 0 stops the timer; any other value (re)starts it with that period.
    void setInterval(std::chrono::milliseconds interval);
    std::chrono::milliseconds interval() const { return interval_; }
    bool running() const { return interval_.count() > 0; }

private:
    void arm();
    asio::steady_timer timer_;
    std::function<void()> tick_;
    std::chrono::milliseconds interval_{0};
    unsigned generation_ = 0;
};

}  // namespace velaris
