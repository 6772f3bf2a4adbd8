// The datagram peers: the NET92 gateway with its terminals (kind 1) and the Ethernet
// controllers with theirs (kind 2).

#include <map>
#include <set>

#include "terminale/endpoint.h"
#include "terminale/render.h"
#include "terminale/simulator.h"
#include "terminals/ethercontrol/datagram.h"
#include "terminals/net92/datagram.h"
#include "terminals/transport/cp1252.h"

namespace velaris::terminale {

namespace {

using asio::ip::udp;

// One bound datagram socket that hands what it receives to `onDatagram`.
class DatagramSocket {
public:
    using Handler = std::function<void(DatagramSocket&, std::string_view, const udp::endpoint&)>;
    DatagramSocket(asio::io_context& io, Output& out, Handler h) : socket_(io), out_(out), handler_(std::move(h)) {}

    bool bind(const udp::endpoint& at, std::string& error) {
        asio::error_code ec;
        socket_.open(at.protocol(), ec);
        if (!ec) socket_.bind(at, ec);
        if (ec) {
            error = "cannot bind " + at.address().to_string() + ":" + std::to_string(at.port()) + ": " + ec.message();
            return false;
        }
        receive();
        return true;
    }
    void send(std::string bytes, const udp::endpoint& to) {
        auto data = std::make_shared<std::string>(std::move(bytes));
        socket_.async_send_to(asio::buffer(*data), to, [this, data](const asio::error_code& ec, std::size_t) {
            if (ec && ec != asio::error::operation_aborted) out_.note("send failed: " + ec.message());
        });
    }
    void close() {
        asio::error_code ignored;
        socket_.close(ignored);
    }

private:
    void receive() {
        socket_.async_receive_from(asio::buffer(rx_), from_, [this](const asio::error_code& ec, std::size_t n) {
            if (ec == asio::error::operation_aborted || !socket_.is_open()) return;
            if (!ec) handler_(*this, std::string_view(rx_.data(), n), from_);
            receive();
        });
    }
    udp::socket socket_;
    Output& out_;
    Handler handler_;
    std::array<char, 4096> rx_{};
    udp::endpoint from_;
};

class Net92Peer final : public Peer {
public:
    Net92Peer(asio::io_context& io, const Options& o, Output& out)
        : io_(io), options_(o), out_(out), socket_(io, out, [this](DatagramSocket&, std::string_view b, const udp::endpoint& f) { onDatagram(b, f); }) {
        for (const auto& t : o.terminals) ids_.insert(t.id);
        line_ = o.line;
    }

    bool start(std::string& error) override {
        const auto at = resolveEndpoint<udp>(io_, options_.server, error);
        if (!at || !socket_.bind(*at, error)) return false;
        out_.note("NET92 gateway on " + options_.server + ", line " + std::to_string(line_));
        return true;
    }
    void read(int id, const std::string& code) override { send(id, net92::Kind::Read, utf8ToCp1252(net92ReadText(code))); }
    void raw(int id, const std::string& bytes) override { send(id, net92::Kind::Read, bytes); }
    void keepalive(int id) override { send(id, net92::Kind::Present, ""); }
    void stop() override { socket_.close(); }

private:
    void send(int id, net92::Kind kind, std::string payload) {
        net92::Datagram d;
        d.seq = ++seq_;
        d.address = id;
        d.kind = kind;
        d.payload = std::move(payload);
        if (!server_) {
            // The server's address is known from its first datagram (the start-up probe).
            out_.note("server not heard from yet: terminal " + std::to_string(id) + " waits to send");
            waiting_.push_back(d);
            return;
        }
        d.line = line_;
        socket_.send(net92::encode(d), *server_);
    }

    void onDatagram(std::string_view bytes, const udp::endpoint& from) {
        const auto d = net92::decode(bytes);
        if (!d || d->kind != net92::Kind::Msg) {
            out_.detail("ignored datagram from " + from.address().to_string());
            return;
        }
        const bool first = !server_;
        server_ = from;
        line_ = d->line;
        if (first) {
            for (auto& w : waiting_) {
                w.line = line_;
                socket_.send(net92::encode(w), from);
            }
            waiting_.clear();
        }
        if (!ids_.count(d->address)) {
            out_.detail("message for terminal " + std::to_string(d->address) + ", not played here");
            return;
        }
        out_.item(d->address, renderMessage(d->payload, options_.splitLines));
        net92::Datagram reply;
        reply.line = d->line;
        reply.seq = d->seq;
        reply.address = d->address;
        reply.kind = net92::Kind::Ack;
        socket_.send(net92::encode(reply), from);
        if (d->payload == "%%") {
            reply.kind = net92::Kind::Present;
            socket_.send(net92::encode(reply), from);
        }
    }

    asio::io_context& io_;
    Options options_;
    Output& out_;
    DatagramSocket socket_;
    std::set<int> ids_;
    int line_ = 1;
    uint32_t seq_ = 0;
    std::optional<udp::endpoint> server_;
    std::vector<net92::Datagram> waiting_;
};

class ControllerPeer final : public Peer {
public:
    ControllerPeer(asio::io_context& io, const Options& o, Output& out) : io_(io), options_(o), out_(out) {}

    bool start(std::string& error) override {
        const auto server = resolveEndpoint<udp>(io_, options_.server, error);
        if (!server) return false;
        server_ = *server;
        for (const auto& t : options_.terminals) {
            idIp_[t.id] = t.ip;
            if (sockets_.count(t.ip)) continue;
            const auto address = parseAddress(t.ip, error);
            if (!address) return false;
            auto s = std::make_unique<DatagramSocket>(
                io_, out_, [this](DatagramSocket& self, std::string_view b, const udp::endpoint& f) { onDatagram(self, b, f); });
            if (!s->bind(udp::endpoint(*address, options_.controllerPort), error)) return false;
            out_.note("controller " + t.ip + ":" + std::to_string(options_.controllerPort) + " for server " +
                      options_.server);
            sockets_[t.ip] = std::move(s);
        }
        return true;
    }
    void read(int id, const std::string& code) override { send(id, utf8ToCp1252(controllerReadText(code))); }
    void raw(int id, const std::string& bytes) override { send(id, bytes); }
    void keepalive(int) override {}
    void stop() override {
        for (auto& [ip, s] : sockets_) s->close();
    }

private:
    void send(int id, const std::string& data) {
        ethercontrol::Datagram d;
        d.seq = seq_ = seq_ >= ethercontrol::kMaxSeq ? 1 : seq_ + 1;
        d.address = id;
        d.kind = ethercontrol::Kind::Msg;
        d.payload = data;
        sockets_.at(idIp_.at(id))->send(ethercontrol::encode(d), server_);
    }

    void onDatagram(DatagramSocket& self, std::string_view bytes, const udp::endpoint& from) {
        const auto d = ethercontrol::decode(bytes);
        if (!d) {
            out_.detail("ignored datagram from " + from.address().to_string());
            return;
        }
        if (d->kind == ethercontrol::Kind::Ack) {
            out_.detail("server acknowledged message " + std::to_string(d->seq) + " of terminal " + std::to_string(d->address));
            return;
        }
        out_.item(d->address, renderMessage(d->payload, options_.splitLines));
        ethercontrol::Datagram ack;
        ack.seq = d->seq;
        ack.address = d->address;
        ack.kind = ethercontrol::Kind::Ack;
        // The acknowledgement leaves from the controller the message was sent to.
        self.send(ethercontrol::encode(ack), from);
    }

    asio::io_context& io_;
    Options options_;
    Output& out_;
    udp::endpoint server_;
    std::map<std::string, std::unique_ptr<DatagramSocket>> sockets_;
    std::map<int, std::string> idIp_;
    uint32_t seq_ = 0;
};

}  // namespace

std::unique_ptr<Peer> makeNet92Peer(asio::io_context& io, const Options& o, Output& out) {
    return std::make_unique<Net92Peer>(io, o, out);
}

std::unique_ptr<Peer> makeControllerPeer(asio::io_context& io, const Options& o, Output& out) {
    return std::make_unique<ControllerPeer>(io, o, out);
}

}  // namespace velaris::terminale
