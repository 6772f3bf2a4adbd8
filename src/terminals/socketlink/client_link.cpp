#include "terminals/socketlink/client_link.h"

#include <array>


namespace velaris {

using asio::ip::tcp;

struct ClientLink::Connection {
    explicit Connection(asio::io_context& io) : socket(io) {}
    tcp::socket socket;
    RecordFramer framer;
    std::string out;
    bool writing = false;
    std::array<char, 1024> buf{};
};

ClientLink::ClientLink(EventLoop& loop, EventLog& log, std::chrono::milliseconds wait)
    : loop_(loop), log_(log), wait_(wait) {}

ClientLink::~ClientLink() {
    alive_.reset();
    if (conn_) {
        asio::error_code ec;
        conn_->socket.close(ec);
    }
}

void ClientLink::close() {
    if (conn_) {
        asio::error_code ec;
        conn_->socket.shutdown(tcp::socket::shutdown_both, ec);
        conn_->socket.close(ec);
        conn_.reset();
    }
    state_ = kClosed;
}

void ClientLink::connect(const std::string& ip, uint16_t port) {
    close();
    auto c = std::make_shared<Connection>(loop_.io());
    conn_ = c;
    state_ = kConnecting;
    std::weak_ptr<char> alive = alive_;
    asio::error_code ec;
    const auto addr = asio::ip::make_address(ip, ec);
    if (ec) {
        // Reported from the loop, as a refused connection would be.
        asio::post(loop_.io(), [this, alive, c, ec] {
            if (!alive.expired()) fail(c, ec, "Winsock2 Connect");
        });
        return;
    }
    c->socket.async_connect(tcp::endpoint(addr, port), [this, alive, c](const asio::error_code& err) {
        if (alive.expired() || c != conn_) return;
        if (err) {
            if (err != asio::error::operation_aborted) fail(c, err, "Winsock2 Connect");
            return;
        }
        state_ = kConnected;
        if (Comando_Connessione.find_first_not_of(' ') != std::string::npos) {
            c->out = std::move(Comando_Connessione);
            Comando_Connessione.clear();
            c->writing = true;
            asio::async_write(c->socket, asio::buffer(c->out), [this, alive, c](const asio::error_code& werr, size_t) {
                c->writing = false;
                if (alive.expired() || c != conn_) return;
                if (werr && werr != asio::error::operation_aborted) fail(c, werr, "Winsock2 Error");
            });
        }
        read(c);
    });
}

void ClientLink::read(const std::shared_ptr<Connection>& c) {
    std::weak_ptr<char> alive = alive_;
    c->socket.async_read_some(asio::buffer(c->buf), [this, alive, c](const asio::error_code& ec, size_t n) {
        if (alive.expired() || c != conn_) return;
        if (ec == asio::error::eof) {
            // A last record the terminal closed without ETX still counts.
            if (!c->framer.pending().empty()) noteRecord(c->framer.pending());
            close();
            return;
        }
        if (ec) {
            if (ec != asio::error::operation_aborted) fail(c, ec, "Winsock2 Error");
            return;
        }
        for (const auto& record : c->framer.feed(std::string_view(c->buf.data(), n)).records) noteRecord(record);
        read(c);
    });
}

void ClientLink::noteRecord(const std::string& record) {
    if (state_ == kConnected) Risposta_Winsock2 = record.size() >= 3 && record.compare(0, 3, "\x02" "27") == 0;
}

void ClientLink::fail(const std::shared_ptr<Connection>& c, const asio::error_code& ec, const char* function) {
    if (c != conn_) return;
    log_.timedError(std::to_string(ec.value()) + " - " + ec.message(), function);
    close();
}

int ClientLink::sendCommand(const std::string& ip, uint16_t port, const std::string& frame) {
    if (state_ == kConnecting) {
        loop_.waitUntil([this] { return state_ != kConnecting; }, wait_);
        if (state_ == kConnecting) close();
    }
    if (state_ == kConnected) {
        loop_.waitUntil([this] { return state_ != kConnected; }, wait_);
        if (state_ == kConnected) close();
    }
    if (state_ != kClosed) return -1;
    if (ip.find_first_not_of(' ') == std::string::npos) return -1;
    Comando_Connessione = frame;
    connect(ip, port);
    return 0;
}

bool ClientLink::idle() const {
    if (state_ == kConnecting) return false;
    return state_ != kConnected || !conn_ || !conn_->writing;
}

bool ClientLink::probe(const std::string& ip, uint16_t port) {
    close();
    Risposta_Winsock2 = false;
    Comando_Connessione = frameProbe();
    connect(ip, port);
    loop_.waitUntil([this] { return Risposta_Winsock2; }, wait_);
    if (state_ == kConnecting) close();
    return Risposta_Winsock2;
}

}  // namespace velaris
