#include <gtest/gtest.h>

#include "base/event_loop.h"

#include <array>
#include <string>
#include <vector>

using namespace velaris;
using namespace std::chrono_literals;

// Inside a handler's wait, timers tick, connections are accepted, and what the handler
// wrote before it waits goes out (two texts, the second once the first is out), not once
// the handler has returned. A stopped timer ticks no more, and a wait keeps its bound.
TEST(EventLoop, AWaitingHandlerLetsTimersAndSocketsRunAndAStoppedTimerStaysStill) {
    EventLoop loop;
    int ticks = 0;
    IntervalTimer timer(loop.io(), [&] { ++ticks; });
    timer.setInterval(10ms);

    asio::ip::tcp::acceptor acceptor(loop.io(), {asio::ip::make_address("127.0.0.1"), 0});
    asio::ip::tcp::socket served(loop.io()), client(loop.io());
    bool accepted = false;
    acceptor.async_accept(served, [&](const asio::error_code& ec) { accepted = !ec; });
    client.async_connect(acceptor.local_endpoint(), [](const asio::error_code&) {});
    std::string received;
    std::array<char, 64> buf{};
    std::function<void()> read = [&] {
        client.async_read_some(asio::buffer(buf), [&](const asio::error_code& ec, size_t n) {
            if (ec) return;
            received.append(buf.data(), n);
            read();
        });
    };

    bool finished = false;
    asio::post(loop.io(), [&] {
        EXPECT_TRUE(loop.waitUntil([&] { return accepted; }, 2000ms));
        read();
        static const std::string first = "first|", second = "second|";
        asio::async_write(served, asio::buffer(first), [&](const asio::error_code&, size_t) {
            asio::async_write(served, asio::buffer(second), [](const asio::error_code&, size_t) {});
        });
        EXPECT_TRUE(loop.waitUntil([&] { return received == "first|second|"; }, 2000ms)) << received;
        loop.yieldFor(60ms);
        EXPECT_EQ(loop.depth(), 0);
        EXPECT_GE(ticks, 3);
        timer.setInterval(0ms);
        EXPECT_FALSE(timer.running());
        const int seen = ticks;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(loop.waitUntil([] { return false; }, 50ms));
        EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
        EXPECT_EQ(ticks, seen);
        finished = true;
        loop.stop();
    });
    loop.run();
    EXPECT_TRUE(finished);
}

TEST(EventLoop, TopLevelWorkWaitsUntilNoHandlerRunsAndKeepsItsOrder) {
    EventLoop loop;
    std::vector<std::string> order;
    asio::post(loop.io(), [&] {
        // Work handed over inside a wait of this handler runs only after it, in order.
        asio::post(loop.io(), [&] {
            loop.atTopLevel([&] { order.push_back("first"); });
            loop.atTopLevel([&] {
                order.push_back("second");
                loop.stop();
            });
        });
        loop.yieldFor(30ms);
        order.push_back("handler after its wait");
        loop.yieldFor(30ms);  // a second wait does not let it in either
        order.push_back("handler done");
    });
    loop.run();
    EXPECT_EQ(order, (std::vector<std::string>{"handler after its wait", "handler done", "first", "second"}));
    EXPECT_EQ(loop.pendingTopLevel(), 0u);
}
