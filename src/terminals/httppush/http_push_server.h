#pragma once
// The server of the HTTP-push terminals: a TerminalListener whose connections carry the
// terminals' requests. "/keepalive" and "/batch" are answered here; "/online" hands the
// read code to the intake, whose verdict comes back on the same connection (respond()).
// The intake may process a read later (after reads of other terminals that came first):
// until it is done, the connection's further requests wait, so that the answers on a
// connection keep the order of its requests.
//
// Construct it, then listen on its listener:
//     HttpPushServer server(loop, log, clock, intake);
//     server.listener().setPeerFilter(...);
//     server.listener().listen("0.0.0.0", 8080);

#include <map>
#include <memory>
#include <string_view>

#include "base/clock.h"
#include "base/event_log.h"
#include "base/event_loop.h"
#include "terminals/httppush/http_reply.h"
#include "terminals/httppush/http_request.h"
#include "terminals/transport/listener.h"
#include "terminals/transport/terminal_link.h"

namespace velaris {

class HttpPushServer {
public:
    // `requestLimit` bounds one request (head and body) and what a connection may buffer.
    HttpPushServer(EventLoop& loop, EventLog& log, const Clock& clock, IntakeSink& intake,
                   size_t requestLimit = HttpFramer::kDefaultLimit);
    HttpPushServer(const HttpPushServer&) = delete;
    HttpPushServer& operator=(const HttpPushServer&) = delete;

    TerminalListener& listener() { return listener_; }
    const TerminalListener& listener() const { return listener_; }

    // Sends a response with `bodyUtf8` on connection `index` when it is connected.
    bool respond(int index, std::string_view bodyUtf8);

private:
    struct Session {
        explicit Session(size_t limit) : framer(limit) {}
        HttpFramer framer;
        bool gone = false;  // the connection was unloaded while a request was handled
        int reads = 0;      // reads handed to the intake and not yet done with
        bool serving = false;
    };

    void onData(int index, std::string_view bytes);
    // Handles the complete requests buffered for the connection, up to a read that waits.
    void serve(int index, const std::shared_ptr<Session>& session);
    void handle(int index, const std::shared_ptr<Session>& session, const HttpRequest& request);

    EventLog& log_;
    const Clock& clock_;
    IntakeSink& intake_;
    size_t limit_;
    std::map<int, std::shared_ptr<Session>> sessions_;
    // Intake callbacks that outlive the server find this expired.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
    TerminalListener listener_;  // last: its handlers use the members above
};

}  // namespace velaris
