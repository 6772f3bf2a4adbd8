#include "base/event_loop.h"

namespace velaris {

void EventLoop::run() {
    io_.restart();
    auto guard = asio::make_work_guard(io_);
    io_.run();
}

void EventLoop::runFor(std::chrono::milliseconds duration) {
    io_.restart();
    io_.run_for(duration);
}

void EventLoop::yieldOnce() {
    ++depth_;
    struct Leave { EventLoop& l; ~Leave() { l.leaveWait(); } } leave{*this};
    io_.poll();
}

void EventLoop::yieldFor(std::chrono::milliseconds duration) {
    waitUntil([] { return false; }, duration);
}

bool EventLoop::waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    ++depth_;
    struct Leave { EventLoop& l; ~Leave() { l.leaveWait(); } } leave{*this};
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
    return ok;
}

void EventLoop::leaveWait() {
    // Back at the top: top-level work that came up during the wait gets its turn.
    if (--depth_ == 0) scheduleTopLevel();
}

void EventLoop::atTopLevel(std::function<void()> fn) {
    topLevel_.push_back(std::move(fn));
    scheduleTopLevel();
}

void EventLoop::scheduleTopLevel() {
    if (topLevelPosted_ || topLevel_.empty()) return;
    topLevelPosted_ = true;
    asio::post(io_, [this] {
        topLevelPosted_ = false;
        if (depth_ > 0) return;  // picked up inside a wait: posted again when it ends
        auto fn = std::move(topLevel_.front());
        topLevel_.pop_front();
        // The next one after the other events of this turn, also when this one throws.
        struct Next { EventLoop& l; ~Next() { l.scheduleTopLevel(); } } next{*this};
        fn();
    });
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
