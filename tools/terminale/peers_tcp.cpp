// The stream peers: HTTP-push terminals (kind 3) and record terminals with their own
// port for the server's client link (kind 4).

#include <deque>
#include <map>

#include "terminale/endpoint.h"
#include "terminale/render.h"
#include "terminale/simulator.h"
#include "terminals/transport/cp1252.h"

namespace velaris::terminale {

namespace {

using asio::ip::tcp;
using namespace std::chrono_literals;

// A connection to the server that comes back by itself after a failure or a close, and
// keeps what it was asked to send until it is connected.
class TcpClient {
public:
    struct Callbacks {
        std::function<void()> connected;
        std::function<void(std::string_view)> data;
    };

    TcpClient(asio::io_context& io, tcp::endpoint server, std::optional<asio::ip::address> local, std::string label,
              Output& out, Callbacks cb)
        : socket_(io), timer_(io), server_(server), local_(local), label_(std::move(label)), out_(out), cb_(std::move(cb)) {}

    void start() { connect(); }
    bool connected() const { return connected_; }
    void send(std::string bytes) {
        outbox_.push_back(std::move(bytes));
        if (connected_) write();
    }
    // Drops the connection and connects again (the stream cannot be understood any more).
    void restart() {
        drop();
        reconnectSoon();
    }
    void close() {
        stopped_ = true;
        timer_.cancel();
        drop();
    }

private:
    void connect() {
        if (stopped_) return;
        asio::error_code ec;
        socket_.open(server_.protocol(), ec);
        if (!ec && local_) socket_.bind(tcp::endpoint(*local_, 0), ec);
        if (ec) {
            failed("cannot open a socket: " + ec.message());
            return;
        }
        socket_.async_connect(server_, [this](const asio::error_code& e) {
            if (stopped_ || e == asio::error::operation_aborted) return;
            if (e) {
                failed("cannot connect to " + server_.address().to_string() + ":" + std::to_string(server_.port()) + ": " +
                       e.message());
                return;
            }
            connected_ = true;
            quiet_ = false;
            out_.note(label_ + ": connected");
            if (cb_.connected) cb_.connected();
            write();
            readLoop();
        });
    }
    void failed(const std::string& why) {
        // Said once, not at every attempt while the server stays away.
        if (!quiet_) out_.note(label_ + ": " + why);
        quiet_ = true;
        drop();
        reconnectSoon();
    }
    void drop() {
        asio::error_code ignored;
        socket_.close(ignored);
        connected_ = false;
        writing_ = false;
    }
    void reconnectSoon() {
        if (stopped_) return;
        timer_.expires_after(1s);
        timer_.async_wait([this](const asio::error_code& e) {
            if (!e && !connected_) connect();
        });
    }
    void write() {
        if (writing_ || outbox_.empty() || !connected_) return;
        writing_ = true;
        asio::async_write(socket_, asio::buffer(outbox_.front()), [this](const asio::error_code& e, std::size_t) {
            if (e == asio::error::operation_aborted || stopped_) return;
            writing_ = false;
            if (e) {
                lost(e);
                return;
            }
            outbox_.pop_front();
            write();
        });
    }
    void readLoop() {
        socket_.async_read_some(asio::buffer(rx_), [this](const asio::error_code& e, std::size_t n) {
            if (e == asio::error::operation_aborted || stopped_) return;
            if (e) {
                lost(e);
                return;
            }
            if (cb_.data) cb_.data(std::string_view(rx_.data(), n));
            if (connected_) readLoop();
        });
    }
    void lost(const asio::error_code& e) {
        if (!connected_) return;
        out_.note(label_ + ": connection closed (" + e.message() + ")");
        drop();
        reconnectSoon();
    }

    tcp::socket socket_;
    asio::steady_timer timer_;
    tcp::endpoint server_;
    std::optional<asio::ip::address> local_;
    std::string label_;
    Output& out_;
    Callbacks cb_;
    std::deque<std::string> outbox_;
    std::array<char, 4096> rx_{};
    bool connected_ = false, writing_ = false, stopped_ = false, quiet_ = false;
};

std::string renderBodyLine(const std::string& line, bool split) {
    if (line.rfind("screen=", 0) == 0) return "screen=" + renderMessage(std::string_view(line).substr(7), split);
    return escapeControls(line);
}

class PushPeer final : public Peer {
public:
    PushPeer(asio::io_context& io, const Options& o, Output& out) : io_(io), options_(o), out_(out) {}

    bool start(std::string& error) override {
        const auto server = resolveEndpoint<tcp>(io_, options_.server, error);
        if (!server) return false;
        for (const auto& spec : options_.terminals) {
            if (terminals_.count(spec.id)) continue;
            auto t = std::make_unique<Terminal>(io_);
            t->period = options_.keepalivePeriod > 0 ? options_.keepalivePeriod : 5;
            Terminal* tp = t.get();
            const int id = spec.id;
            t->client = std::make_unique<TcpClient>(
                io_, *server, std::nullopt, "terminal " + std::to_string(id), out_,
                TcpClient::Callbacks{[this, tp, id] {
                                         tp->reader = HttpResponseReader();
                                         tp->client->send(keepaliveRequest(id, options_.server));
                                     },
                                     [this, tp, id](std::string_view bytes) { onData(*tp, id, bytes); }});
            terminals_[id] = std::move(t);
            tp->client->start();
            armKeepalive(*tp, id);
        }
        return true;
    }
    void read(int id, const std::string& code) override {
        terminals_.at(id)->client->send(onlineRequest(id, utf8ToCp1252(code), options_.server));
    }
    void raw(int id, const std::string& bytes) override {
        terminals_.at(id)->client->send("GET " + bytes + " HTTP/1.1\r\nHost: " + options_.server + "\r\n\r\n");
    }
    void keepalive(int id) override { terminals_.at(id)->client->send(keepaliveRequest(id, options_.server)); }
    void stop() override {
        for (auto& [id, t] : terminals_) {
            t->timer.cancel();
            t->client->close();
        }
    }

private:
    struct Terminal {
        explicit Terminal(asio::io_context& io) : timer(io) {}
        std::unique_ptr<TcpClient> client;
        HttpResponseReader reader;
        asio::steady_timer timer;
        int period = 5;
    };

    void armKeepalive(Terminal& t, int id) {
        t.timer.expires_after(std::chrono::seconds(t.period));
        t.timer.async_wait([this, &t, id](const asio::error_code& e) {
            if (e) return;
            // A terminal away from the server does not pile up polls; it polls on connecting.
            if (t.client->connected()) keepalive(id);
            armKeepalive(t, id);
        });
    }

    void onData(Terminal& t, int id, std::string_view bytes) {
        t.reader.append(bytes);
        while (auto r = t.reader.next()) {
            int period = 0;
            const auto items = bodyItems(r->body, period);
            // A sensible period only: the terminal must not hammer the server or fall silent.
            // A new period applies at once, not after the old one has run out.
            if (period >= 1 && period <= 3600 && period != t.period) {
                t.period = period;
                armKeepalive(t, id);
            }
            if (r->status != 200) out_.note("terminal " + std::to_string(id) + ": HTTP status " + std::to_string(r->status));
            if (items.empty()) out_.detail("terminal " + std::to_string(id) + ": keepalive answered");
            for (const auto& item : items) out_.item(id, renderBodyLine(item, options_.splitLines));
        }
        if (t.reader.failed()) {
            out_.note("terminal " + std::to_string(id) + ": the server's answer cannot be read, connecting again");
            t.client->restart();
        }
    }

    asio::io_context& io_;
    Options options_;
    Output& out_;
    std::map<int, std::unique_ptr<Terminal>> terminals_;
};

// One connection of the server's client link: frames are printed as they complete, the
// probe is answered, and the connection is closed once the server has said its piece.
class FrameSession : public std::enable_shared_from_this<FrameSession> {
public:
    FrameSession(tcp::socket socket, int id, Output& out, asio::io_context& io)
        : socket_(std::move(socket)), idle_(io), id_(id), out_(out) {}

    void start() {
        armIdle();
        read();
    }

private:
    void read() {
        auto self = shared_from_this();
        socket_.async_read_some(asio::buffer(rx_), [this, self](const asio::error_code& e, std::size_t n) {
            if (e) {
                finish();
                return;
            }
            buffer_.append(rx_.data(), n);
            frames();
            armIdle();
            if (buffer_.size() > 64 * 1024) {
                out_.note("terminal " + std::to_string(id_) + ": oversized data from the server dropped");
                buffer_.clear();
            }
            read();
        });
    }
    void frames() {
        for (std::size_t etx; (etx = buffer_.find('\x03')) != std::string::npos;) {
            const std::size_t stx = buffer_.rfind('\x02', etx);
            const std::string frame = buffer_.substr(stx == std::string::npos ? 0 : stx, etx + 1 - (stx == std::string::npos ? 0 : stx));
            buffer_.erase(0, etx + 1);
            out_.item(id_, renderFrame(frame));
            if (frame == "\x02" "17" "\x03") answer(probeAnswer());
        }
    }
    void answer(std::string bytes) {
        auto self = shared_from_this();
        auto data = std::make_shared<std::string>(std::move(bytes));
        ++writes_;
        asio::async_write(socket_, asio::buffer(*data), [this, self, data](const asio::error_code&, std::size_t) {
            --writes_;
            if (closing_ && writes_ == 0) close();
        });
    }
    void armIdle() {
        auto self = shared_from_this();
        idle_.expires_after(300ms);
        idle_.async_wait([this, self](const asio::error_code& e) {
            if (!e) finish();
        });
    }
    // What is left without a frame around it is a plain text (output switching, for one).
    void finish() {
        if (closing_) return;
        closing_ = true;
        idle_.cancel();
        if (!buffer_.empty()) out_.item(id_, renderMessage(buffer_));
        buffer_.clear();
        if (writes_ == 0) close();
    }
    void close() {
        asio::error_code ignored;
        socket_.shutdown(tcp::socket::shutdown_both, ignored);
        socket_.close(ignored);
    }

    tcp::socket socket_;
    asio::steady_timer idle_;
    int id_;
    Output& out_;
    std::array<char, 4096> rx_{};
    std::string buffer_;
    int writes_ = 0;
    bool closing_ = false;
};

class RecordPeer final : public Peer {
public:
    RecordPeer(asio::io_context& io, const Options& o, Output& out) : io_(io), options_(o), out_(out) {}

    bool start(std::string& error) override {
        const auto server = resolveEndpoint<tcp>(io_, options_.server, error);
        if (!server) return false;
        for (const auto& spec : options_.terminals) {
            if (clients_.count(spec.id)) continue;
            const auto address = parseAddress(spec.ip, error);
            if (!address) return false;
            if (!acceptors_.count(spec.ip)) {
                auto a = std::make_unique<tcp::acceptor>(io_);
                const tcp::endpoint at(*address, options_.terminalPort);
                asio::error_code ec;
                a->open(at.protocol(), ec);
                if (!ec) a->set_option(tcp::acceptor::reuse_address(true), ec);
                if (!ec) a->bind(at, ec);
                if (!ec) a->listen(asio::socket_base::max_listen_connections, ec);
                if (ec) {
                    error = "cannot listen on " + spec.ip + ":" + std::to_string(options_.terminalPort) + ": " + ec.message();
                    return false;
                }
                out_.note("terminal " + std::to_string(spec.id) + " listens on " + spec.ip + ":" +
                          std::to_string(options_.terminalPort));
                accept(*a, spec.id);
                acceptors_[spec.ip] = std::move(a);
            }
            auto c = std::make_unique<TcpClient>(io_, *server, *address, "terminal " + std::to_string(spec.id), out_,
                                                 TcpClient::Callbacks{});
            c->start();
            clients_[spec.id] = std::move(c);
        }
        return true;
    }
    void read(int id, const std::string& code) override {
        std::string error;
        const auto record = recordForRead(utf8ToCp1252(code), options_.recordFormat, error);
        if (!record) {
            out_.note("terminal " + std::to_string(id) + ": " + error);
            return;
        }
        clients_.at(id)->send(*record);
    }
    void raw(int id, const std::string& bytes) override { clients_.at(id)->send(bytes); }
    void keepalive(int) override {}
    void stop() override {
        for (auto& [ip, a] : acceptors_) {
            asio::error_code ignored;
            a->close(ignored);
        }
        for (auto& [id, c] : clients_) c->close();
    }

private:
    void accept(tcp::acceptor& a, int id) {
        a.async_accept([this, &a, id](const asio::error_code& e, tcp::socket s) {
            if (e == asio::error::operation_aborted || !a.is_open()) return;
            if (!e) std::make_shared<FrameSession>(std::move(s), id, out_, io_)->start();
            accept(a, id);
        });
    }

    asio::io_context& io_;
    Options options_;
    Output& out_;
    std::map<std::string, std::unique_ptr<tcp::acceptor>> acceptors_;
    std::map<int, std::unique_ptr<TcpClient>> clients_;
};

}  // namespace

std::unique_ptr<Peer> makePushPeer(asio::io_context& io, const Options& o, Output& out) {
    return std::make_unique<PushPeer>(io, o, out);
}

std::unique_ptr<Peer> makeRecordPeer(asio::io_context& io, const Options& o, Output& out) {
    return std::make_unique<RecordPeer>(io, o, out);
}

}  // namespace velaris::terminale
