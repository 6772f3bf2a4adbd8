#include "terminals/ethercontrol/ether_ctrl_link.h"

#include "terminals/ethercontrol/datagram.h"
#include "terminals/transport/cp1252.h"

namespace velaris {

namespace {

// The first `length` characters of a UTF-8 text (a character is a lead byte and its
// continuation bytes).
std::string firstCharacters(const std::string& text, std::size_t length) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (count == length) return text.substr(0, i);
        ++count;
    }
    return text;
}

}  // namespace

EtherCtrlLink::EtherCtrlLink(EventLoop& loop, EventLog& log, EtherCtrlOptions options)
    : log_(log), options_(std::move(options)), socket_(loop.io()), retry_(loop.io()) {
    if (options_.controllerPort == 0) options_.controllerPort = options_.port;
}

EtherCtrlLink::~EtherCtrlLink() {
    *alive_ = false;
    *lifetime_ = false;
    asio::error_code ignored;
    retry_.cancel();
    socket_.close(ignored);
}

int EtherCtrlLink::SetDefaultTTYMode(int mode) {
    if (socket_.is_open()) return -1;
    if (mode != 0 && mode != 1) return -2;
    replyMode_ = mode;
    return 0;
}

int EtherCtrlLink::StartService() {
    if (socket_.is_open()) return -1;
    asio::error_code ec;
    const auto address = asio::ip::make_address(options_.bindAddress, ec);
    if (ec) {
        log_.timedError("listen address '" + options_.bindAddress + "': " + ec.message(), "StartService");
        return -3;
    }
    const asio::ip::udp::endpoint local(address, options_.port);
    socket_.open(local.protocol(), ec);
    if (!ec) socket_.bind(local, ec);
    if (ec) {
        log_.timedError(ec.message(), "StartService");
        asio::error_code ignored;
        socket_.close(ignored);
        return ec == asio::error::address_in_use || ec == asio::error::access_denied ? -4 : -3;
    }
    *alive_ = false;
    alive_ = std::make_shared<bool>(true);
    receive();
    return 0;
}

int EtherCtrlLink::StopService() {
    if (!socket_.is_open()) return -1;
    *alive_ = false;
    asio::error_code ignored;
    retry_.cancel();
    socket_.close(ignored);
    pending_.clear();
    lastSeq_.clear();
    inbox_.clear();
    return 0;
}

int EtherCtrlLink::SendMessage(const std::string& ip, int address, const std::string& message, int length) {
    if (!socket_.is_open()) return -1;
    asio::error_code ec;
    const auto target = asio::ip::make_address(ip, ec);
    if (ec) return -2;
    if (address < 1 || address > 65535) return -3;
    if (length < 0) return -4;
    ethercontrol::Datagram d;
    d.seq = seq_ = seq_ >= ethercontrol::kMaxSeq ? 1 : seq_ + 1;
    d.address = address;
    d.kind = ethercontrol::Kind::Msg;
    d.payload = utf8ToCp1252(firstCharacters(message, static_cast<std::size_t>(length)));
    const std::string ipText = target.to_string();
    pending_[d.seq] = {ipText, address};
    if (pending_.size() > kPendingLimit) pending_.erase(pending_.begin());
    ++stats_.sent;
    sendRaw(ethercontrol::encode(d), asio::ip::udp::endpoint(target, options_.controllerPort), ipText, address);
    return 0;
}

void EtherCtrlLink::setControllers(const std::vector<std::string>& ips) {
    controllers_.clear();
    for (const auto& ip : ips) {
        asio::error_code ec;
        const auto a = asio::ip::make_address(ip, ec);
        if (!ec) controllers_.insert(a.to_string());
    }
}

std::optional<asio::ip::udp::endpoint> EtherCtrlLink::localEndpoint() const {
    asio::error_code ec;
    auto ep = socket_.local_endpoint(ec);
    if (ec) return std::nullopt;
    return ep;
}

void EtherCtrlLink::sendRaw(std::string bytes, const asio::ip::udp::endpoint& to, const std::string& ip, int address) {
    auto data = std::make_shared<std::string>(std::move(bytes));
    std::weak_ptr<bool> alive = alive_;
    socket_.async_send_to(asio::buffer(*data), to, [this, data, alive, ip, address](const asio::error_code& ec, std::size_t) {
        const auto a = alive.lock();
        if (!a || !*a || !ec || ec == asio::error::operation_aborted) return;
        if (events_.sockError) events_.sockError(ec.value(), ec.message(), ip, address);
    });
}

void EtherCtrlLink::receive() {
    std::weak_ptr<bool> alive = alive_;
    socket_.async_receive_from(asio::buffer(rx_), from_, [this, alive](const asio::error_code& ec, std::size_t n) {
        const auto a = alive.lock();
        if (!a || !*a || ec == asio::error::operation_aborted) return;
        if (!ec) {
            // Receive again before the events run: an acknowledgement must get through
            // while a message handler waits.
            const std::string bytes(rx_.data(), n);
            const auto from = from_;
            receive();
            handle(bytes, from);
            return;
        }
        if (events_.sockError) events_.sockError(ec.value(), ec.message(), "", 0);
        if (!*a || !socket_.is_open()) return;
        // A persistent error must not spin the loop.
        retry_.expires_after(std::chrono::milliseconds(200));
        retry_.async_wait([this, alive](const asio::error_code& e) {
            const auto b = alive.lock();
            if (!e && b && *b && socket_.is_open()) receive();
        });
    });
}

bool EtherCtrlLink::fromItself(const asio::ip::udp::endpoint& from) const {
    asio::error_code ec;
    const auto local = socket_.local_endpoint(ec);
    if (ec || from.port() != local.port()) return false;
    return local.address().is_unspecified() ? from.address().is_loopback() : from.address() == local.address();
}

void EtherCtrlLink::handle(std::string_view bytes, const asio::ip::udp::endpoint& from) {
    const std::string ip = from.address().to_string();
    // A terminal configured at the server's own address and port would have the server
    // answer its own messages as if they came from a terminal.
    const bool accepted = (controllers_.empty() || controllers_.count(ip)) && !fromItself(from);
    const auto d = accepted ? ethercontrol::decode(bytes) : std::nullopt;
    if (!d) {
        ++stats_.ignored;
        return;
    }
    ++stats_.received;
    if (d->kind == ethercontrol::Kind::Ack) {
        // Only the acknowledgement of a message we sent to that controller and terminal
        // counts, and only once: the flow control lowers its in-flight count for each.
        const auto it = pending_.find(d->seq);
        if (it == pending_.end() || it->second.ip != ip || it->second.address != d->address) {
            ++stats_.ignored;
            return;
        }
        pending_.erase(it);
        ++stats_.acknowledged;
        ackAddress_ = d->address;
        if (events_.acknowledged) events_.acknowledged(ip);
        return;
    }
    // Acknowledge every message, also a repeated one: the controller repeats because our
    // earlier acknowledgement was lost.
    ethercontrol::Datagram ack;
    ack.seq = d->seq;
    ack.address = d->address;
    ack.kind = ethercontrol::Kind::Ack;
    const asio::ip::udp::endpoint replyTo = replyMode_ == 1 ? from : asio::ip::udp::endpoint(from.address(), options_.controllerPort);
    sendRaw(ethercontrol::encode(ack), replyTo, ip, d->address);

    const std::string key = ip + "/" + std::to_string(d->address);
    const auto last = lastSeq_.find(key);
    if (last != lastSeq_.end() && last->second == d->seq) {
        ++stats_.duplicates;
        return;
    }
    if (lastSeq_.size() > 4096) lastSeq_.clear();
    lastSeq_[key] = d->seq;
    if (inbox_.size() >= kInboxLimit) {
        log_.timedError("message from terminal " + std::to_string(inbox_.front().address) + " dropped, inbox full",
                        "EtherCtrl_MessageRecv");
        inbox_.pop_front();
    }
    inbox_.push_back({ip, cp1252ToUtf8(d->payload), static_cast<int>(d->seq), d->address});
    dispatch();
}

void EtherCtrlLink::dispatch() {
    // One message at a time: a handler that lets the loop run while it waits must not
    // see the next message arrive inside it.
    if (dispatching_) return;
    dispatching_ = true;
    const auto lifetime = lifetime_;
    while (!inbox_.empty()) {
        Inbound m = std::move(inbox_.front());
        inbox_.pop_front();
        if (events_.messageRecv) events_.messageRecv(m.ip, m.data, m.seq, m.address);
        if (!*lifetime) return;  // a handler ended the component
    }
    dispatching_ = false;
}

}  // namespace velaris
