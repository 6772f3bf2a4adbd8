#pragma once
// Helpers of the link tests: a terminal on the far side of a socket, driven from the test
// on the same event loop, a fixed clock with a captured event log, an intake that records
// the codes it is handed, and the next datagram a UDP peer receives. Every wait is bounded.

#include <asio.hpp>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/event_log.h"
#include "base/event_loop.h"
#include "support/test_support.h"
#include "terminals/transport/terminal_link.h"

namespace velaris::test {

using namespace std::chrono_literals;

struct LinkFixture {
    LinkFixture() : log(dir.path(), clock) {
        clock.setFixed(DateTime::fromParts(2024, 3, 7, 10, 30, 0));  // a Thursday
        log.setObserver([this](std::string_view l) { lines.emplace_back(l); });
    }
    bool logged(std::string_view fragment) const {
        return std::ranges::any_of(lines, [&](const std::string& l) { return l.find(fragment) != l.npos; });
    }
    TempDir dir;
    Clock clock;
    EventLog log;
    std::vector<std::string> lines;
    EventLoop loop;
    // As under run(): a wait that finds no pending work must not stop the loop for good.
    asio::executor_work_guard<asio::io_context::executor_type> work = asio::make_work_guard(loop.io());
};

// The next datagram the non-blocking `socket` receives within `bound`, the loop running.
inline std::optional<std::string> nextDatagram(EventLoop& loop, asio::ip::udp::socket& socket,
                                               std::chrono::milliseconds bound = 2s) {
    std::array<char, 4096> buf;
    std::optional<std::string> got;
    loop.waitUntil(
        [&] {
            asio::ip::udp::endpoint from;
            asio::error_code ec;
            const auto n = socket.receive_from(asio::buffer(buf), from, 0, ec);
            if (!ec) got = std::string(buf.data(), n);
            return got.has_value();
        },
        bound);
    return got;
}

struct RecordingIntake : IntakeSink {
    struct Read {
        int address;
        std::string code;
        int index;
    };
    // Processed at once unless `hold` is set: then done() is called by the test (done()).
    void codeRead(int address, const std::string& code, int connectionIndex, Reply reply = {}) override {
        reads.push_back({address, code, connectionIndex});
        if (onRead) onRead(reads.back());
        if (hold) held.push_back(std::move(reply));
        else if (reply.done) reply.done();
    }
    // Each read as "address code index", to compare whole lists.
    std::vector<std::string> seen() const {
        std::vector<std::string> out;
        for (const auto& r : reads)
            out.push_back(std::to_string(r.address) + " " + r.code + " " + std::to_string(r.index));
        return out;
    }
    void done() {
        auto r = std::move(held.front());
        held.erase(held.begin());
        if (r.done) r.done();
    }
    std::vector<Read> reads;
    std::function<void(const Read&)> onRead;
    bool hold = false;
    std::vector<Reply> held;
};

// A socket whose received bytes pile up in received(); closed() once the far end has gone.
// Connected to `port` on loopback, or taking over an accepted connection, `onData` then
// running after each read.
class Peer {
public:
    Peer(EventLoop& loop, uint16_t port) : loop_(loop), state_(std::make_shared<State>(loop.io())) {
        state_->socket.connect({asio::ip::make_address("127.0.0.1"), port});
        read(state_);
    }
    Peer(EventLoop& loop, asio::ip::tcp::socket accepted, std::function<void(Peer&)> onData)
        : loop_(loop), state_(std::make_shared<State>(loop.io())) {
        state_->socket = std::move(accepted);
        state_->onData = [this, onData] { onData(*this); };
        read(state_);
    }
    ~Peer() {
        asio::error_code ec;
        state_->socket.close(ec);
    }
    void send(std::string_view bytes) { asio::write(state_->socket, asio::buffer(bytes.data(), bytes.size())); }
    // Lets the loop run until `n` bytes have come (or the time-out).
    bool waitBytes(size_t n, std::chrono::milliseconds timeout = 2s) {
        return loop_.waitUntil([this, n] { return state_->received.size() >= n; }, timeout);
    }
    bool waitClosed(std::chrono::milliseconds timeout = 2s) {
        return loop_.waitUntil([this] { return state_->closed; }, timeout);
    }
    void settle(std::chrono::milliseconds d = 100ms) { loop_.yieldFor(d); }
    const std::string& received() const { return state_->received; }
    bool closed() const { return state_->closed; }
    void shutdown() {
        asio::error_code ec;
        state_->socket.shutdown(asio::socket_base::shutdown_both, ec);
    }
    // Closes with a reset instead of an orderly close.
    void abort() {
        asio::error_code ec;
        state_->socket.set_option(asio::socket_base::linger(true, 0), ec);
        state_->socket.close(ec);
    }

private:
    struct State {
        explicit State(asio::io_context& io) : socket(io) {}
        asio::ip::tcp::socket socket;
        std::array<char, 4096> buf{};
        std::string received;
        bool closed = false;
        std::function<void()> onData;
    };
    static void read(std::shared_ptr<State> s) {
        s->socket.async_read_some(asio::buffer(s->buf), [s](const asio::error_code& ec, size_t n) {
            if (ec) {
                s->closed = true;
                return;
            }
            s->received.append(s->buf.data(), n);
            if (s->onData) s->onData();
            read(s);
        });
    }
    EventLoop& loop_;
    std::shared_ptr<State> state_;
};

}  // namespace velaris::test
