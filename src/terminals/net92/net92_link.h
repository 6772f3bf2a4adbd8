#pragma once
// Link kind 1: the NET92 terminal network, reached over UDP through a gateway that sits on
// the terminals' RS-485 line (datagram.h has the format). The four calls keep the meaning
// the polling cycle and the start-up probe rely on, and none of them waits on the network:
// sends are asynchronous and what the gateway sends is queued per terminal as it arrives.
//
// Construction (the shell): Net92Link link(loop, log, config.Net92_Device);
//   `device` is "host:port" of the gateway (default 127.0.0.1:9200); IPv6 hosts go in
//   brackets ("[::1]:9200"); a host name is resolved once, by InitN92.
//
// The poll buffer. PollTerm(address) answers 2 when a message from that terminal waits;
// PollTerm(255) then fills the buffer with it: 256 characters, the first one a single
// byte whose value is the terminal's address (1..254, not a UTF-8 character), then the
// terminal's text converted to UTF-8, a NUL, and the template's "-" up to the end, whose
// last character is the template's NUL. Net92BufferAddress and Net92BufferText read it.

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include <asio.hpp>

#include "base/event_log.h"
#include "base/event_loop.h"
#include "terminals/net92/net92.h"

namespace velaris {

class Net92Link final : public Net92 {
public:
    static constexpr const char* kDefaultDevice = "127.0.0.1:9200";
    static constexpr std::size_t kBufferSize = 256;
    // Messages kept per terminal while nobody polls; the oldest goes first.
    static constexpr std::size_t kQueueLimit = 32;

    struct Stats {
        uint64_t sent = 0;       // MSG datagrams handed to the socket
        uint64_t received = 0;   // well-formed datagrams from the gateway
        uint64_t ignored = 0;    // datagrams that were not NET92 traffic for this line
        uint64_t dropped = 0;    // reads lost to a full per-terminal queue
        uint64_t acked = 0;      // ACKs seen
    };

    Net92Link(EventLoop& loop, EventLog& log, std::string device = kDefaultDevice);
    ~Net92Link() override;
    Net92Link(const Net92Link&) = delete;
    Net92Link& operator=(const Net92Link&) = delete;

    // `port` is the gateway line the datagrams carry; `mode` and `reserved` are accepted
    // and unused; reads from addresses above `maxAddress` (at most 254) are ignored.
    // 1: the socket is open; -1: the device text is not usable; -2: socket error.
    // A second call starts afresh.
    int InitN92(int port, int mode, int maxAddress, int reserved) override;
    // Closes the socket and forgets every waiting message. Always 0.
    int ResetN92() override;
    // Queues the text for sending and returns 0 at once; -1 before InitN92 or for an
    // address outside 1..254. Send failures are logged when they happen.
    int SendMsg(int address, const std::string& message) override;
    // 2: a message waits for `address`; 1: nothing waits, the terminal answered a probe or
    // sent something within the presence window; 0: nothing. PollTerm(255, buffer): 3 and
    // the buffer filled with the message announced by the last 2 (0 and the buffer as it
    // was when there is none).
    int PollTerm(int address, std::string& buffer) override;

    // How long a PRESENT or READ keeps a terminal present (default 10 s).
    void setPresenceWindow(std::chrono::milliseconds window) { presenceWindow_ = window; }
    bool up() const { return socket_.is_open(); }
    std::optional<asio::ip::udp::endpoint> localEndpoint() const;
    const Stats& stats() const { return stats_; }

private:
    struct Pending {
        std::deque<std::string> texts;  // Windows-1252, NUL-free, non-empty
        std::chrono::steady_clock::time_point seen{};
        bool everSeen = false;
    };

    void receive();
    void drain();
    void handle(std::string_view bytes, const asio::ip::udp::endpoint& from);
    void close();

    EventLoop& loop_;
    EventLog& log_;
    std::string device_;
    asio::ip::udp::socket socket_;
    asio::steady_timer retry_;
    asio::ip::udp::endpoint gateway_;
    asio::ip::udp::endpoint from_;
    std::array<char, 4096> rx_{};
    int line_ = 1;
    int maxAddress_ = 254;
    uint32_t seq_ = 0;
    int fetchAddress_ = 0;  // the terminal the last PollTerm answered 2 for
    std::map<int, Pending> terminals_;
    std::chrono::milliseconds presenceWindow_{10000};
    Stats stats_;
    // Completion handlers that run after the link is gone must not touch it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// "host:port" split into its parts; nothing when the text has no usable port.
std::optional<std::pair<std::string, uint16_t>> splitHostPort(std::string_view text);

// The sender's address in a fetched poll buffer (its first byte), or 0.
int Net92BufferAddress(const std::string& buffer);
// The terminal's text in a fetched poll buffer: after the first byte, up to the NUL.
std::string Net92BufferText(const std::string& buffer);

}  // namespace velaris
