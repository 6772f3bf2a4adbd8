#include "app/web/status_server.h"

#include <array>
#include <cctype>
#include <deque>

namespace velaris {

using asio::ip::tcp;

struct StatusServer::Conn {
    Conn(tcp::socket s, size_t limit, asio::io_context& io) : socket(std::move(s)), framer(limit), deadline(io) {}
    uint64_t id = 0;
    tcp::socket socket;
    HttpFramer framer;
    asio::steady_timer deadline;
    std::deque<std::string> out;
    size_t outBytes = 0;
    bool writing = false;
    bool open = true;
    bool answered = false;  // a plain answer went out: close once it is written
    bool stream = false;    // an open event stream
    std::array<char, 2048> buf{};
};

namespace {

const char* reason(int status) {
    switch (status) {
        case 200: return "OK";
        case 400: return "Bad Request";
        case 401: return "Unauthorized";
        case 404: return "Not Found";
        case 405: return "Method Not Allowed";
        case 413: return "Content Too Large";
        case 421: return "Misdirected Request";
        case 501: return "Not Implemented";
        case 503: return "Service Unavailable";
        default: return "Error";
    }
}

// Headers every answer carries: the page is read-only, never cached, never framed.
constexpr const char* kCommonHeaders =
    "Cache-Control: no-store\r\n"
    "X-Content-Type-Options: nosniff\r\n"
    "Referrer-Policy: no-referrer\r\n"
    "Content-Security-Policy: default-src 'self'; img-src 'self' data:; frame-ancestors 'none'\r\n";

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

// The value of header `name` (lower case) in the request head, trimmed; empty when absent.
std::string header(std::string_view head, std::string_view name) {
    size_t pos = head.find('\n');
    while (pos != std::string_view::npos && pos + 1 < head.size()) {
        const size_t start = pos + 1;
        size_t end = head.find('\n', start);
        std::string_view line = head.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const size_t colon = line.find(':');
        if (colon != std::string_view::npos && lower(line.substr(0, colon)) == name) {
            std::string_view v = line.substr(colon + 1);
            while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
            while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
            return std::string(v);
        }
        pos = end;
    }
    return "";
}

// The value of `key` in a query string, percent-decoded.
std::string queryValue(std::string_view query, std::string_view key) {
    size_t pos = 0;
    while (pos <= query.size()) {
        size_t amp = query.find('&', pos);
        if (amp == std::string_view::npos) amp = query.size();
        const std::string_view pair = query.substr(pos, amp - pos);
        if (pair.size() > key.size() && pair.substr(0, key.size()) == key && pair[key.size()] == '=') {
            std::string out;
            const std::string_view v = pair.substr(key.size() + 1);
            for (size_t i = 0; i < v.size(); ++i) {
                if (v[i] == '%' && i + 2 < v.size() && std::isxdigit(static_cast<unsigned char>(v[i + 1])) &&
                    std::isxdigit(static_cast<unsigned char>(v[i + 2]))) {
                    out += static_cast<char>(std::stoi(std::string(v.substr(i + 1, 2)), nullptr, 16));
                    i += 2;
                } else {
                    out += v[i] == '+' ? ' ' : v[i];
                }
            }
            return out;
        }
        pos = amp + 1;
    }
    return "";
}

// Compares without leaking through timing how much of the secret matched.
bool sameSecret(std::string_view a, std::string_view b) {
    unsigned char diff = a.size() == b.size() ? 0 : 1;
    for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ (i < b.size() ? b[i] : 0));
    return diff == 0;
}

std::string sseEvent(const std::string& json) { return "event: status\ndata: " + json + "\n\n"; }

}  // namespace

StatusServer::StatusServer(EventLoop& loop, EventLog& log, StatusModel& model, WebConfig config, PeerFilter filter,
                           Limits limits)
    : loop_(loop),
      log_(log),
      model_(model),
      config_(std::move(config)),
      filter_(std::move(filter)),
      limits_(limits),
      acceptor_(loop.io()),
      acceptRetry_(loop.io()),
      refresh_(loop.io()) {}

StatusServer::~StatusServer() {
    alive_.reset();
    stop();
}

bool StatusServer::start() {
    asio::error_code ec;
    const auto address = asio::ip::make_address(config_.Listen_Address, ec);
    if (!ec) {
        const tcp::endpoint ep(address, static_cast<uint16_t>(config_.Port));
        acceptor_.open(ep.protocol(), ec);
        if (!ec) acceptor_.set_option(tcp::acceptor::reuse_address(true), ec);
        if (!ec) acceptor_.bind(ep, ec);
        if (!ec) acceptor_.listen(asio::socket_base::max_listen_connections, ec);
    }
    if (ec) {
        log_.timed("Pagina di stato non avviata su " + config_.Listen_Address + ":" + std::to_string(config_.Port) +
                   ": " + ec.message());
        asio::error_code ignored;
        acceptor_.close(ignored);
        return false;
    }
    accept();
    return true;
}

uint16_t StatusServer::port() const {
    asio::error_code ec;
    const auto ep = acceptor_.local_endpoint(ec);
    return ec ? 0 : ep.port();
}

std::string StatusServer::url() const {
    std::string host = config_.Listen_Address;
    if (host == "0.0.0.0") host = "127.0.0.1";
    else if (host == "::") host = "[::1]";
    else if (host.find(':') != std::string::npos) host = "[" + host + "]";
    return "http://" + host + ":" + std::to_string(port()) + "/";
}

size_t StatusServer::streams() const {
    size_t n = 0;
    for (const auto& [id, c] : conns_) n += c->stream ? 1 : 0;
    return n;
}

void StatusServer::stop() {
    asio::error_code ec;
    acceptor_.close(ec);
    acceptRetry_.cancel();
    refresh_.cancel();
    while (!conns_.empty()) drop(conns_.begin()->second);
}

void StatusServer::accept() {
    std::weak_ptr<char> alive = alive_;
    acceptor_.async_accept([this, alive](const asio::error_code& ec, tcp::socket socket) {
        if (alive.expired() || ec == asio::error::operation_aborted || !acceptor_.is_open()) return;
        if (!ec) {
            onAccepted(std::move(socket));
            accept();
            return;
        }
        // Descriptors exhausted and the like: try again after a pause instead of spinning.
        acceptRetry_.expires_after(std::chrono::milliseconds(200));
        acceptRetry_.async_wait([this, alive](const asio::error_code& wait) {
            if (!alive.expired() && !wait && acceptor_.is_open()) accept();
        });
    });
}

void StatusServer::onAccepted(tcp::socket socket) {
    asio::error_code ec;
    const auto peer = socket.remote_endpoint(ec);
    if (ec) return;
    const std::string ip = PeerFilter::normalize(peer.address().to_string());
    // On loopback only this machine can connect; elsewhere the peer list decides.
    if (!trusted() && !filter_.allows(ip)) {
        socket.close(ec);
        return;
    }
    if (conns_.size() >= limits_.maxConnections) {
        socket.close(ec);
        return;
    }
    socket.set_option(tcp::no_delay(true), ec);
    auto c = std::make_shared<Conn>(std::move(socket), limits_.requestLimit, loop_.io());
    c->id = nextId_++;
    conns_[c->id] = c;
    // A request must arrive whole within the time-out: a half-finished one costs a
    // connection slot for seconds, not for ever.
    std::weak_ptr<char> alive = alive_;
    c->deadline.expires_after(limits_.requestTimeout);
    c->deadline.async_wait([this, alive, c](const asio::error_code& wait) {
        if (alive.expired() || wait || !c->open || c->stream) return;
        drop(c);
    });
    read(c);
}

void StatusServer::read(const ConnPtr& c) {
    std::weak_ptr<char> alive = alive_;
    c->socket.async_read_some(asio::buffer(c->buf), [this, alive, c](const asio::error_code& ec, size_t n) {
        if (alive.expired() || !c->open) return;
        if (ec) {
            drop(c);
            return;
        }
        if (c->stream || c->answered) {
            // Nothing more is expected from this peer; whatever it sends is discarded.
            read(c);
            return;
        }
        c->framer.append(std::string_view(c->buf.data(), n));
        if (auto request = c->framer.next()) {
            handle(c, *request);
        } else if (c->framer.error() == HttpFramer::Error::TooLarge) {
            reply(c, 413, "text/plain; charset=utf-8", "Richiesta troppo grande\n");
        } else if (c->framer.error() != HttpFramer::Error::None) {
            reply(c, 400, "text/plain; charset=utf-8", "Richiesta non valida\n");
        }
        if (c->open) read(c);
    });
}

bool StatusServer::hostAllowed(const HttpRequest& request) const {
    if (!config_.loopback()) return true;
    // Bound to loopback, the page answers only to names of this machine, so a web site
    // that points its own name at 127.0.0.1 cannot read it through the browser.
    std::string host = lower(header(request.head, "host"));
    if (host.empty()) return true;
    if (host.front() == '[') {
        const size_t close = host.find(']');
        host = close == std::string::npos ? host : host.substr(0, close + 1);
    } else if (const size_t colon = host.rfind(':'); colon != std::string::npos) {
        host = host.substr(0, colon);
    }
    return host == "localhost" || host == "[::1]" || host == lower(config_.Listen_Address) ||
           host.rfind("127.", 0) == 0;
}

bool StatusServer::authorised(const HttpRequest& request, std::string_view query) const {
    if (trusted() || config_.Token.empty()) return true;
    const std::string auth = header(request.head, "authorization");
    if (auth.size() > 7 && lower(auth.substr(0, 7)) == "bearer ") return sameSecret(auth.substr(7), config_.Token);
    return sameSecret(queryValue(query, "token"), config_.Token);
}

void StatusServer::handle(const ConnPtr& c, const HttpRequest& request) {
    const bool head = request.method == "HEAD";
    if (request.method != "GET" && !head) {
        reply(c, 405, "text/plain; charset=utf-8", "Solo lettura\n");
        return;
    }
    std::string_view target = request.target;
    std::string_view query;
    if (const size_t q = target.find('?'); q != std::string_view::npos) {
        query = target.substr(q + 1);
        target = target.substr(0, q);
    }
    if (!hostAllowed(request)) {
        reply(c, 421, "text/plain; charset=utf-8", "Nome host non ammesso\n", head);
        return;
    }
    if (!authorised(request, query)) {
        reply(c, 401, "text/plain; charset=utf-8", "Token mancante o errato\n", head);
        return;
    }
    // The database is read here only from the top of the loop, never inside another
    // handler's wait, where the one connection may be in use.
    const bool mayQuery = loop_.depth() == 0;
    if (target == "/health") {
        std::string why;
        const bool ok = mayQuery ? model_.healthy(why, limits_.healthMaxAge) : model_.databaseOk() && model_.linkUp();
        if (!ok && why.empty()) why = model_.databaseOk() ? "collegamento terminali non attivo" : "database non raggiungibile";
        reply(c, ok ? 200 : 503, "text/plain; charset=utf-8", ok ? "ok\n" : why + "\n", head);
        return;
    }
    if (target == "/status.json") {
        if (mayQuery) model_.refresh();
        reply(c, 200, "application/json; charset=utf-8", model_.json(), head);
        return;
    }
    if (target == "/events") {
        c->stream = true;
        c->deadline.cancel();
        if (streams() == 1) scheduleRefresh(limits_.refreshEvery);
        send(c, std::string("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream; charset=utf-8\r\n") + kCommonHeaders +
                    "Connection: keep-alive\r\n\r\nretry: 2000\n\n" + (head ? "" : sseEvent(model_.json())));
        if (head) c->answered = true;
        return;
    }
    if (const WebAsset* asset = webAsset(target == "/" ? "/index.html" : target)) {
        reply(c, 200, asset->contentType, std::string(asset->body), head);
        return;
    }
    reply(c, 404, "text/plain; charset=utf-8", "Pagina non trovata\n", head);
}

void StatusServer::reply(const ConnPtr& c, int status, std::string_view contentType, std::string body, bool head) {
    std::string r = "HTTP/1.1 " + std::to_string(status) + " " + reason(status) + "\r\nContent-Type: ";
    r.append(contentType).append("\r\nContent-Length: ").append(std::to_string(body.size())).append("\r\n");
    r += kCommonHeaders;
    r += "Connection: close\r\n\r\n";
    if (!head) r += body;
    c->answered = true;
    c->deadline.cancel();
    send(c, std::move(r));
}

void StatusServer::send(const ConnPtr& c, std::string bytes) {
    if (!c->open || bytes.empty()) return;
    if (c->outBytes + bytes.size() > limits_.maxPendingOutput) {
        // A browser that does not read its stream is cut off; it reconnects when it wakes.
        drop(c);
        return;
    }
    c->outBytes += bytes.size();
    c->out.push_back(std::move(bytes));
    if (!c->writing) write(c);
}

void StatusServer::write(const ConnPtr& c) {
    std::weak_ptr<char> alive = alive_;
    c->writing = true;
    asio::async_write(c->socket, asio::buffer(c->out.front()), [this, alive, c](const asio::error_code& ec, size_t) {
        if (alive.expired()) return;
        c->writing = false;
        if (!c->open) return;
        if (ec) {
            drop(c);
            return;
        }
        c->outBytes -= c->out.front().size();
        c->out.pop_front();
        if (!c->out.empty()) write(c);
        else if (c->answered) drop(c);
    });
}

void StatusServer::drop(const ConnPtr& c) {
    if (!c->open) return;
    c->open = false;
    asio::error_code ec;
    c->deadline.cancel();
    c->socket.shutdown(tcp::socket::shutdown_both, ec);
    c->socket.close(ec);
    conns_.erase(c->id);
}

void StatusServer::changed() {
    if (streams() > 0) scheduleRefresh(limits_.refreshDelay);
}

void StatusServer::scheduleRefresh(std::chrono::milliseconds after) {
    const auto due = std::chrono::steady_clock::now() + after;
    if (refreshPending_ && refreshDue_ <= due) return;
    refreshPending_ = true;
    refreshDue_ = due;
    std::weak_ptr<char> alive = alive_;
    refresh_.expires_at(due);
    refresh_.async_wait([this, alive](const asio::error_code& ec) {
        if (alive.expired() || ec) return;
        refreshPending_ = false;
        refreshNow();
    });
}

void StatusServer::refreshNow() {
    if (streams() == 0) return;
    if (loop_.depth() > 0) {
        // Inside another handler's wait: try again once it is over.
        scheduleRefresh(std::chrono::milliseconds(50));
        return;
    }
    model_.refresh();
    publish();
    scheduleRefresh(limits_.refreshEvery);
}

void StatusServer::publish() {
    std::string json = model_.json();
    if (json == lastPushed_) return;
    const std::string event = sseEvent(json);
    lastPushed_ = std::move(json);
    std::vector<ConnPtr> targets;
    for (const auto& [id, c] : conns_)
        if (c->stream && !c->answered) targets.push_back(c);
    for (const ConnPtr& c : targets) send(c, event);
}

}  // namespace velaris
