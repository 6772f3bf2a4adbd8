#pragma once
// The terminals' TCP listener and its accepted connections, addressed by index the way
// the links expect: index 0 is the listener, each accepted connection takes the index one
// above the highest one in use, and an index is free again only once its connection is
// unloaded (peer closed, error, or close()). Each connection carries a Tag (the
// terminal's id once it has sent one) and a state.
//
// Everything runs on the event loop's thread. Received bytes are handed to the data
// handler; the next read on that connection starts only after the handler returns, so
// a handler that waits (letting other events run) never sees its own connection's data
// overtake it. Connections may be unloaded while a handler runs: the unload handler
// says so, and indices must not be trusted across a wait.
//
// Log lines: "<now> - Load: <i>", "<now> - Close: <i>" and
// "<now> - Error: <n> <description> index:<i> - Function Winsock Error".

#include <asio.hpp>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/event_log.h"
#include "base/event_loop.h"
#include "terminals/transport/peers.h"

namespace velaris {

class TerminalListener {
public:
    // Connection states, numbered as the link code expects them.
    static constexpr int kClosed = 0;
    static constexpr int kListening = 2;
    static constexpr int kConnected = 7;

    static constexpr int kMaxIndex = 32767;

    struct Options {
        // Link kind: 3 (HTTP push) listens again at once after a listener error; with 4 the
        // listener stays closed and the polling cycle reopens it.
        int dispositivo = 3;
        size_t maxConnections = 256;          // further peers are refused
        size_t maxPendingOutput = 256 * 1024;  // a peer that reads nothing is cut off
        // An accepted connection that sends nothing for this long is closed, freeing its
        // slot (a terminal that died without closing); zero: never.
        std::chrono::milliseconds silence{0};
    };

    using DataHandler = std::function<void(int index, std::string_view bytes)>;
    using UnloadHandler = std::function<void(int index)>;

    TerminalListener(EventLoop& loop, EventLog& log, Options options);
    TerminalListener(EventLoop& loop, EventLog& log, int dispositivo)
        : TerminalListener(loop, log, Options{dispositivo}) {}
    ~TerminalListener();
    TerminalListener(const TerminalListener&) = delete;
    TerminalListener& operator=(const TerminalListener&) = delete;

    // Bytes received on a connection, as they came (Windows-1252).
    void setDataHandler(DataHandler handler) { onData_ = std::move(handler); }
    // A connection was unloaded; its index may be reused from now on.
    void setUnloadHandler(UnloadHandler handler) { onUnload_ = std::move(handler); }
    // Peers refused by the filter are closed at once, with a log line.
    void setPeerFilter(PeerFilter filter) { filter_ = std::move(filter); }

    // Starts listening (closing an earlier listener first). False, with a log line, when
    // the address cannot be bound. Port 0 picks a free port (tests): see localPort().
    bool listen(const std::string& address, uint16_t port);
    bool isListening() const { return acceptor_.is_open(); }
    uint16_t localPort() const;
    // Stops accepting; the open connections stay.
    void stopListening();

    // The highest index in use (0 when no connection is loaded).
    int highestIndex() const;
    bool loaded(int index) const;
    bool connected(int index) const;
    // kListening / kClosed for index 0, kConnected / kClosed for the others.
    int state(int index) const;
    std::string tag(int index) const;
    void setTag(int index, std::string text);
    std::string remoteAddress(int index) const;
    // Indices of the loaded connections, ascending.
    std::vector<int> indices() const;
    // The connected connection whose Tag reads as the number `address`: the lowest index,
    // or the highest with `last`. Nothing when none.
    std::optional<int> findByTag(int address, bool last = false) const;

    // Queues bytes (already in wire encoding) for the connection; writes keep their order
    // and never block. False when the connection is not there.
    bool send(int index, std::string bytes);
    // Bytes queued on the connections and not yet written (shutdown waits for 0).
    size_t pendingOutput() const;
    // Closes and unloads the connection at once; unsent output is dropped.
    void close(int index);
    // Closes the listener and every connection (shutdown).
    void closeAll();

private:
    struct Member;
    using MemberPtr = std::shared_ptr<Member>;

    void accept();
    void onAccepted(asio::ip::tcp::socket socket);
    int freeIndex() const;
    void read(const MemberPtr& m);
    void write(const MemberPtr& m);
    void memberError(const MemberPtr& m, const asio::error_code& ec);
    void unload(const MemberPtr& m);
    void watchSilence(const MemberPtr& m);
    void listenerError(const asio::error_code& ec);
    const Member* find(int index) const;
    MemberPtr current(int index) const;

    EventLog& log_;
    Options options_;
    PeerFilter filter_;
    DataHandler onData_;
    UnloadHandler onUnload_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer relisten_;
    std::optional<asio::ip::tcp::endpoint> endpoint_;
    std::map<int, MemberPtr> members_;
    unsigned acceptGeneration_ = 0;
    // Handlers still queued when the listener is destroyed see this expired and return.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace velaris
