#include <gtest/gtest.h>

#include "base/event_loop.h"

using namespace velaris;
using namespace std::chrono_literals;

TEST(EventLoop, AWaitingHandlerLetsTimersAndSocketsRun) {
    EventLoop loop;
    int ticks = 0;
    IntervalTimer timer(loop.io(), [&] { ++ticks; });
    timer.setInterval(10ms);

    asio::ip::tcp::acceptor acceptor(loop.io(), {asio::ip::make_address("127.0.0.1"), 0});
    asio::ip::tcp::socket served(loop.io()), client(loop.io());
    bool accepted = false;
    acceptor.async_accept(served, [&](const asio::error_code& ec) { accepted = !ec; });
    client.async_connect(acceptor.local_endpoint(), [](const asio::error_code&) {});

    bool finished = false;
    asio::post(loop.io(), [&] {
        // Inside a handler: wait for the connection while the timer keeps ticking.
        EXPECT_TRUE(loop.waitUntil([&] { return accepted; }, 2000ms));
        loop.yieldFor(60ms);
        EXPECT_EQ(loop.depth(), 0);
        finished = true;
        timer.setInterval(0ms);
        loop.stop();
    });
    loop.run();
    EXPECT_TRUE(finished);
    EXPECT_TRUE(accepted);
    EXPECT_GE(ticks, 3);
}

TEST(EventLoop, StoppedTimerDoesNotTickAndWaitRespectsItsBound) {
    EventLoop loop;
    int ticks = 0;
    IntervalTimer timer(loop.io(), [&] { ++ticks; });
    timer.setInterval(5ms);
    timer.setInterval(0ms);
    EXPECT_FALSE(timer.running());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(loop.waitUntil([] { return false; }, 50ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
    EXPECT_EQ(ticks, 0);
}
