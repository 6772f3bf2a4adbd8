#pragma once
// The live status page's HTTP server, on the one event loop like everything else:
//   GET /             the page (HTML, CSS and JavaScript carried in the executable)
//   GET /status.json  the same data for monitoring tools
//   GET /events       server-sent events: the status again whenever it changes
//   GET /health       200 while the database answers and the link is up, 503 otherwise
//
// It must never hold up a card read: requests are small and bounded in size, count and
// time; each answer is built from memory (the database is read after a card read and at
// a slow pace while someone watches, never inside another handler's wait); output to a
// browser that stops reading is bounded, and such a browser is cut off.

#include <asio.hpp>

#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "base/event_log.h"
#include "base/event_loop.h"
#include "app/web/status_model.h"
#include "app/web/web_config.h"
#include "terminals/httppush/http_request.h"
#include "terminals/transport/peers.h"

namespace velaris {

class StatusServer {
public:
    struct Limits {
        size_t maxConnections = 64;                       // further peers are refused
        size_t requestLimit = 8 * 1024;                   // one request's head
        std::chrono::milliseconds requestTimeout{5000};   // to send a whole request
        size_t maxPendingOutput = 256 * 1024;             // unread output before a cut
        std::chrono::milliseconds refreshDelay{100};      // after a card read
        std::chrono::milliseconds refreshEvery{2000};     // while event streams are open
        // On loopback only this machine connects: no peer list, no token. Tests switch
        // this off to exercise both on 127.0.0.1.
        bool trustLoopback = true;
        // /health asks the database again when its last answer is older than this.
        std::chrono::milliseconds healthMaxAge{2000};
    };

    StatusServer(EventLoop& loop, EventLog& log, StatusModel& model, WebConfig config, PeerFilter filter,
                 Limits limits);
    StatusServer(EventLoop& loop, EventLog& log, StatusModel& model, WebConfig config, PeerFilter filter)
        : StatusServer(loop, log, model, std::move(config), std::move(filter), Limits{}) {}
    ~StatusServer();
    StatusServer(const StatusServer&) = delete;
    StatusServer& operator=(const StatusServer&) = delete;

    // Binds and starts accepting; false (with a log line) when the address is refused.
    bool start();
    uint16_t port() const;
    // The page's address as a browser on this machine reaches it.
    std::string url() const;

    // A card read was processed: read the figures again shortly and push them.
    void changed();
    // Pushes the current status to every open event stream when it differs from the
    // last one pushed.
    void publish();

    size_t connections() const { return conns_.size(); }
    size_t streams() const;
    void stop();

private:
    struct Conn;
    using ConnPtr = std::shared_ptr<Conn>;

    void accept();
    void onAccepted(asio::ip::tcp::socket socket);
    void read(const ConnPtr& c);
    void handle(const ConnPtr& c, const HttpRequest& request);
    void reply(const ConnPtr& c, int status, std::string_view contentType, std::string body, bool head = false);
    void send(const ConnPtr& c, std::string bytes);
    void write(const ConnPtr& c);
    void drop(const ConnPtr& c);
    bool authorised(const HttpRequest& request, std::string_view query) const;
    bool hostAllowed(const HttpRequest& request) const;
    bool trusted() const { return limits_.trustLoopback && config_.loopback(); }
    void scheduleRefresh(std::chrono::milliseconds after);
    void refreshNow();

    EventLoop& loop_;
    EventLog& log_;
    StatusModel& model_;
    WebConfig config_;
    PeerFilter filter_;
    Limits limits_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer acceptRetry_;
    asio::steady_timer refresh_;
    bool refreshPending_ = false;
    std::chrono::steady_clock::time_point refreshDue_{};
    std::map<uint64_t, ConnPtr> conns_;
    uint64_t nextId_ = 1;
    std::string lastPushed_;
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

// The embedded files of the page: their bytes and content type, or nothing.
struct WebAsset {
    std::string_view body;
    std::string_view contentType;
};
const WebAsset* webAsset(std::string_view path);

}  // namespace velaris
