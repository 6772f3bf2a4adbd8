#include "terminals/net92/net92_link.h"

#include "terminals/net92/datagram.h"
#include "terminals/transport/cp1252.h"

namespace velaris {

namespace {

using Steady = std::chrono::steady_clock;

std::optional<asio::ip::udp::endpoint> resolve(asio::io_context& io, std::string_view device, std::string& error) {
    const auto parts = splitHostPort(device);
    if (!parts) {
        error = "Net92_Device '" + std::string(device) + "' is not host:port";
        return std::nullopt;
    }
    asio::error_code ec;
    const auto address = asio::ip::make_address(parts->first, ec);
    if (!ec) return asio::ip::udp::endpoint(address, parts->second);
    asio::ip::udp::resolver resolver(io);
    const auto results = resolver.resolve(parts->first, std::to_string(parts->second), ec);
    if (ec || results.empty()) {
        error = "Net92_Device '" + std::string(device) + "': " + (ec ? ec.message() : "host not found");
        return std::nullopt;
    }
    return results.begin()->endpoint();
}

// The message as the 256-character poll buffer carries it, built in the wire's code page
// so that truncation counts characters, then converted after the address byte.
std::string pollBuffer(int address, const std::string& text) {
    std::string wire(Net92Link::kBufferSize - 1, '-');
    wire.push_back('\0');
    const std::size_t room = Net92Link::kBufferSize - 2;  // the address and the final NUL
    const std::size_t n = std::min(text.size(), room);
    wire.replace(1, n, text, 0, n);
    wire[1 + n] = '\0';
    return std::string(1, static_cast<char>(address)) + cp1252ToUtf8(std::string_view(wire).substr(1));
}

}  // namespace

std::optional<std::pair<std::string, uint16_t>> splitHostPort(std::string_view text) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0) return std::nullopt;
    std::string host(text.substr(0, colon));
    const std::string_view port = text.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    else if (host.find(':') != std::string::npos) return std::nullopt;  // bare IPv6 needs brackets
    if (host.empty() || port.empty() || port.size() > 5) return std::nullopt;
    unsigned v = 0;
    for (char c : port) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v == 0 || v > 65535) return std::nullopt;
    return std::make_pair(host, static_cast<uint16_t>(v));
}

int Net92BufferAddress(const std::string& buffer) {
    if (buffer.empty()) return 0;
    return static_cast<unsigned char>(buffer[0]);
}

std::string Net92BufferText(const std::string& buffer) {
    if (buffer.size() < 2) return {};
    const std::size_t end = buffer.find('\0', 1);
    return buffer.substr(1, end == std::string::npos ? std::string::npos : end - 1);
}

Net92Link::Net92Link(EventLoop& loop, EventLog& log, std::string device)
    : loop_(loop), log_(log), device_(std::move(device)), socket_(loop.io()), retry_(loop.io()) {}

Net92Link::~Net92Link() {
    *alive_ = false;
    close();
}

void Net92Link::close() {
    asio::error_code ignored;
    retry_.cancel();
    if (socket_.is_open()) socket_.close(ignored);
    terminals_.clear();
    fetchAddress_ = 0;
}

int Net92Link::InitN92(int port, int /*mode*/, int maxAddress, int /*reserved*/) {
    ResetN92();
    std::string error;
    const auto gateway = resolve(loop_.io(), device_, error);
    if (!gateway) {
        log_.timedError(error, "InitN92");
        return -1;
    }
    asio::error_code ec;
    socket_.open(gateway->protocol(), ec);
    if (!ec) socket_.bind(asio::ip::udp::endpoint(gateway->protocol(), 0), ec);
    // PollTerm reads what has already arrived without waiting for the loop to run.
    if (!ec) socket_.non_blocking(true, ec);
    if (ec) {
        log_.timedError(ec.message(), "InitN92");
        close();
        return -2;
    }
    gateway_ = *gateway;
    line_ = port >= 1 && port <= 65535 ? port : 1;
    maxAddress_ = maxAddress >= 1 && maxAddress <= net92::kMaxAddress ? maxAddress : net92::kMaxAddress;
    receive();
    return 1;
}

int Net92Link::ResetN92() {
    // Handlers of the closed socket still to run belong to the old session.
    *alive_ = false;
    alive_ = std::make_shared<bool>(true);
    close();
    return 0;
}

int Net92Link::SendMsg(int address, const std::string& message) {
    if (!socket_.is_open() || address < 1 || address > net92::kMaxAddress) return -1;
    net92::Datagram d;
    d.line = line_;
    d.seq = ++seq_;
    d.address = address;
    d.kind = net92::Kind::Msg;
    d.payload = utf8ToCp1252(message);
    auto bytes = std::make_shared<std::string>(net92::encode(d));
    std::weak_ptr<bool> alive = alive_;
    socket_.async_send_to(asio::buffer(*bytes), gateway_,
                          [this, bytes, alive, address](const asio::error_code& ec, std::size_t) {
                              const auto a = alive.lock();
                              if (!a || !*a || !ec || ec == asio::error::operation_aborted) return;
                              log_.timedError(ec.message() + " (" + std::to_string(address) + ")", "SendMsg");
                          });
    ++stats_.sent;
    return 0;
}

int Net92Link::PollTerm(int address, std::string& buffer) {
    if (!socket_.is_open()) return 0;
    drain();
    if (address == net92::kFetchAddress) {
        const int from = std::exchange(fetchAddress_, 0);
        const auto it = terminals_.find(from);
        if (from == 0 || it == terminals_.end() || it->second.texts.empty()) return 0;
        buffer = pollBuffer(from, it->second.texts.front());
        it->second.texts.pop_front();
        return 3;
    }
    const auto it = terminals_.find(address);
    if (it == terminals_.end()) return 0;
    if (!it->second.texts.empty()) {
        fetchAddress_ = address;
        return 2;
    }
    return it->second.everSeen && Steady::now() - it->second.seen <= presenceWindow_ ? 1 : 0;
}

std::optional<asio::ip::udp::endpoint> Net92Link::localEndpoint() const {
    asio::error_code ec;
    auto ep = socket_.local_endpoint(ec);
    if (ec) return std::nullopt;
    return ep;
}

void Net92Link::receive() {
    std::weak_ptr<bool> alive = alive_;
    socket_.async_receive_from(asio::buffer(rx_), from_, [this, alive](const asio::error_code& ec, std::size_t n) {
        const auto a = alive.lock();
        if (!a || !*a || ec == asio::error::operation_aborted) return;
        if (!ec) {
            handle(std::string_view(rx_.data(), n), from_);
            receive();
            return;
        }
        // An unconnected UDP socket can still report an ICMP error from an earlier send;
        // it says nothing about the next datagram. Wait a little so a persistent error
        // does not spin the loop.
        log_.timedError(ec.message(), "PollTerm");
        retry_.expires_after(std::chrono::milliseconds(200));
        retry_.async_wait([this, alive](const asio::error_code& e) {
            const auto b = alive.lock();
            if (!e && b && *b && socket_.is_open()) receive();
        });
    });
}

void Net92Link::drain() {
    std::array<char, 4096> buf;
    asio::ip::udp::endpoint from;
    for (int i = 0; i < 1024; ++i) {
        asio::error_code ec;
        const std::size_t n = socket_.receive_from(asio::buffer(buf), from, 0, ec);
        if (ec) return;  // would_block: nothing more has arrived
        handle(std::string_view(buf.data(), n), from);
    }
}

void Net92Link::handle(std::string_view bytes, const asio::ip::udp::endpoint& from) {
    const auto d = from == gateway_ ? net92::decode(bytes) : std::nullopt;
    if (!d || d->line != line_ || d->address < 1 || d->address > maxAddress_ || d->kind == net92::Kind::Msg) {
        ++stats_.ignored;
        return;
    }
    ++stats_.received;
    Pending& t = terminals_[d->address];
    switch (d->kind) {
        case net92::Kind::Ack: ++stats_.acked; return;
        case net92::Kind::Present: break;
        case net92::Kind::Read: {
            // The text ends at a NUL, as a C string on the line does. Its first character
            // is the terminal's own leading character; the poll buffer puts the address
            // from the header in its place.
            std::string text = d->payload.substr(0, d->payload.find('\0'));
            if (text.size() < 2) break;  // a leading character alone carries no text
            text.erase(0, 1);
            if (t.texts.size() >= kQueueLimit) {
                t.texts.pop_front();
                ++stats_.dropped;
                log_.timedError("read lost, queue of terminal " + std::to_string(d->address) + " full", "PollTerm");
            }
            t.texts.push_back(std::move(text));
            break;
        }
        case net92::Kind::Msg: break;
    }
    t.seen = Steady::now();
    t.everSeen = true;
}

}  // namespace velaris
