#pragma once
// The server of the TCP terminals (link kind 4): a TerminalListener whose connections
// carry read records STX "2M|...|" ETX. Each decoded code goes to the intake with the
// address of the terminal whose IP the connection comes from.
//
//     RecordServer server(loop, log, intake, [&](const std::string& ip) { return addressOf(ip); });
//     server.listener().listen("0.0.0.0", 10001);

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "base/event_log.h"
#include "base/event_loop.h"
#include "terminals/socketlink/record_framer.h"
#include "terminals/transport/listener.h"
#include "terminals/transport/terminal_link.h"

namespace velaris {

class RecordServer {
public:
    // The address of the configured terminal with this IP, 0 when there is none.
    using AddressLookup = std::function<int(const std::string& ip)>;

    RecordServer(EventLoop& loop, EventLog& log, IntakeSink& intake, AddressLookup addressOf,
                 size_t recordLimit = RecordFramer::kDefaultLimit);
    RecordServer(const RecordServer&) = delete;
    RecordServer& operator=(const RecordServer&) = delete;

    TerminalListener& listener() { return listener_; }
    const TerminalListener& listener() const { return listener_; }

private:
    struct Session {
        explicit Session(size_t limit) : framer(limit) {}
        RecordFramer framer;
        bool gone = false;
    };

    void onData(int index, std::string_view bytes);
    void handle(int index, const std::string& record);

    EventLog& log_;
    IntakeSink& intake_;
    AddressLookup addressOf_;
    size_t limit_;
    std::map<int, std::shared_ptr<Session>> sessions_;
    TerminalListener listener_;  // last: its handlers use the members above
};

}  // namespace velaris
