#pragma once
// Link kind 2: the Ethernet terminal controllers, driven over UDP (datagram.h has the
// format). One socket serves every controller: texts for a terminal go to its
// controller's IP, the controllers' acknowledgements and the terminals' messages come
// back as events on the event loop.
//
// Construction (the shell):
//   EtherCtrlLink link(loop, log, {config.Listen_Address, config.Controller_Port});
//   link.setEvents({...});
// Nothing touches the network before StartService.

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <asio.hpp>

#include "base/event_log.h"
#include "base/event_loop.h"
#include "terminals/ethercontrol/ether_ctrl.h"

namespace velaris {

struct EtherCtrlOptions {
    std::string bindAddress = "0.0.0.0";  // the local address to listen on
    uint16_t port = 9300;                 // our UDP port (setting Controller_Port)
    uint16_t controllerPort = 0;          // where the controllers listen; 0: the same port
};

class EtherCtrlLink final : public EtherCtrl {
public:
    // Messages waiting for an acknowledgement that are remembered; beyond that the oldest
    // is forgotten (its acknowledgement then counts for nothing).
    static constexpr std::size_t kPendingLimit = 1024;
    // Inbound messages held while an event handler is still running.
    static constexpr std::size_t kInboxLimit = 256;

    struct Stats {
        uint64_t sent = 0, received = 0, ignored = 0, duplicates = 0, acknowledged = 0;
    };

    EtherCtrlLink(EventLoop& loop, EventLog& log, EtherCtrlOptions options = {});
    ~EtherCtrlLink() override;
    EtherCtrlLink(const EtherCtrlLink&) = delete;
    EtherCtrlLink& operator=(const EtherCtrlLink&) = delete;

    void setEvents(Events events) override { events_ = std::move(events); }
    // Where our acknowledgements of the controllers' messages go: 1 (the default) to the
    // port the message came from, 0 to the controllers' configured port. 0 ok, -2 for any
    // other mode, -1 while the service runs.
    int SetDefaultTTYMode(int mode) override;
    // 0 listening; -1 already started; -3 the listen address is not usable on this
    // machine; -4 the UDP port is in use.
    int StartService() override;
    // Sends the first `length` characters of `message` to terminal `address` behind the
    // controller at `ip` and returns 0 at once; the acknowledgement comes later as the
    // `acknowledged` event, a send failure as `sockError`. -1 service not started, -2 `ip`
    // is not an IP address, -3 address outside 1..65535, -4 negative length.
    int SendMessage(const std::string& ip, int address, const std::string& message, int length) override;
    // Closes the socket and forgets what was waiting. 0, or -1 when not started.
    int StopService() override;
    // The terminal of the last acknowledgement.
    int AckAddress() const override { return ackAddress_; }

    // Only datagrams from these IPs are accepted; empty (the default) accepts every one.
    void setControllers(const std::vector<std::string>& ips);
    bool started() const { return socket_.is_open(); }
    std::optional<asio::ip::udp::endpoint> localEndpoint() const;
    const Stats& stats() const { return stats_; }

private:
    struct Pending { std::string ip; int address; };
    struct Inbound { std::string ip; std::string data; int seq; int address; };

    void receive();
    void handle(std::string_view bytes, const asio::ip::udp::endpoint& from);
    bool fromItself(const asio::ip::udp::endpoint& from) const;
    void dispatch();
    void sendRaw(std::string bytes, const asio::ip::udp::endpoint& to, const std::string& ip, int address);

    EventLog& log_;
    EtherCtrlOptions options_;
    Events events_;
    asio::ip::udp::socket socket_;
    asio::steady_timer retry_;
    asio::ip::udp::endpoint from_;
    std::array<char, 4096> rx_{};
    int replyMode_ = 1;
    int ackAddress_ = 0;
    uint32_t seq_ = 0;
    std::map<uint32_t, Pending> pending_;
    std::map<std::string, uint32_t> lastSeq_;  // "ip/address" -> seq of the last message delivered
    std::set<std::string> controllers_;
    std::deque<Inbound> inbox_;
    bool dispatching_ = false;
    Stats stats_;
    // Completion handlers of an earlier session, or of a destroyed component, do nothing.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::shared_ptr<bool> lifetime_ = std::make_shared<bool>(true);
};

}  // namespace velaris
