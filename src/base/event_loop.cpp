#include "base/event_loop.h"

namespace velaris {

void EventLoop::run() {
    io_.restart();
    auto guard = asio::make_work_guard(io_);
    io_.run();
}

void EventLoop::yieldOnce() {
    ++depth_;
    io_.poll();
    --depth_;
}

void EventLoop::yieldFor(std::chrono::milliseconds duration) {
    waitUntil([] { return false; }, duration);
}

bool EventLoop::waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    ++depth_;
    // The work guard keeps run_one_until from returning at once when no other work is
    // pending; the loop wakes at least every 20 ms to look at the condition again.
    auto guard = asio::make_work_guard(io_);
    bool ok = done();  // asked once per round: the condition may have side effects
    while (!ok && !io_.stopped()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) break;
        io_.run_one_until(std::min(deadline, now + std::chrono::milliseconds(20)));
        ok = done();
    }
    --depth_;
    return ok;
}

void IntervalTimer::setInterval(std::chrono::milliseconds interval) {
    interval_ = interval;
    ++generation_;
    timer_.cancel();
    if (interval_.count() > 0) arm();
}

void IntervalTimer::arm() {
    timer_.expires_after(interval_);
    const unsigned gen = generation_;
    timer_.async_wait([this, gen](const asio::error_code& ec) {
        if (ec || gen != generation_ || interval_.count() == 0) return;
        arm();  // the next tick is due one interval after this one started
        tick_();
    });
}

}  // namespace velaris
