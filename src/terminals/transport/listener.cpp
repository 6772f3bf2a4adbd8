#include "terminals/transport/listener.h"

#include <array>
#include <stdexcept>

#include "base/value.h"

namespace velaris {

using asio::ip::tcp;

struct TerminalListener::Member {
    explicit Member(tcp::socket s) : socket(std::move(s)), quiet(socket.get_executor()) {}
    tcp::socket socket;
    asio::steady_timer quiet;  // closes the connection when it stays silent
    int index = 0;
    std::string tag;
    std::string remote;
    std::deque<std::string> out;  // front() is being written while `writing`
    size_t outBytes = 0;
    bool writing = false;
    bool open = true;
    std::array<char, 4096> buf{};
};

namespace {
std::string winsockError(const asio::error_code& ec, int index) {
    return "Error: " + std::to_string(ec.value()) + " " + ec.message() + " index:" + std::to_string(index) +
           " - Function Winsock Error";
}

// Accept failures that concern one peer only; the listener itself is fine.
bool transientAcceptError(const asio::error_code& ec) {
    return ec == asio::error::connection_aborted || ec == asio::error::connection_reset ||
           ec == asio::error::would_block || ec == asio::error::try_again || ec == asio::error::interrupted;
}
}  // namespace

TerminalListener::TerminalListener(EventLoop& loop, EventLog& log, Options options)
    : log_(log), options_(options), acceptor_(loop.io()), relisten_(loop.io()) {}

TerminalListener::~TerminalListener() {
    alive_.reset();
    asio::error_code ec;
    relisten_.cancel();
    acceptor_.close(ec);
    for (auto& [index, m] : members_) {
        m->open = false;
        m->quiet.cancel();
        m->socket.close(ec);
    }
}

bool TerminalListener::listen(const std::string& address, uint16_t port) {
    stopListening();
    asio::error_code ec;
    const auto addr = asio::ip::make_address(address, ec);
    if (!ec) {
        const tcp::endpoint ep(addr, port);
        acceptor_.open(ep.protocol(), ec);
        if (!ec) acceptor_.set_option(tcp::acceptor::reuse_address(true), ec);
        if (!ec) acceptor_.bind(ep, ec);
        if (!ec) acceptor_.listen(asio::socket_base::max_listen_connections, ec);
        if (!ec) endpoint_ = acceptor_.local_endpoint(ec);
    }
    if (ec) {
        log_.timed(winsockError(ec, 0));
        asio::error_code ignored;
        acceptor_.close(ignored);
        return false;
    }
    accept();
    return true;
}

uint16_t TerminalListener::localPort() const {
    asio::error_code ec;
    const auto ep = acceptor_.local_endpoint(ec);
    return ec ? 0 : ep.port();
}

void TerminalListener::stopListening() {
    asio::error_code ec;
    relisten_.cancel();
    acceptor_.close(ec);
    ++acceptGeneration_;
}

void TerminalListener::accept() {
    std::weak_ptr<char> alive = alive_;
    const unsigned generation = acceptGeneration_;
    acceptor_.async_accept([this, alive, generation](const asio::error_code& ec, tcp::socket socket) {
        if (alive.expired() || generation != acceptGeneration_) return;
        if (ec == asio::error::operation_aborted) return;
        if (ec && !transientAcceptError(ec)) {
            listenerError(ec);
            return;
        }
        if (!ec) onAccepted(std::move(socket));
        if (!alive.expired() && generation == acceptGeneration_ && acceptor_.is_open()) accept();
    });
}

void TerminalListener::onAccepted(tcp::socket socket) {
    asio::error_code ec;
    const auto peer = socket.remote_endpoint(ec);
    if (ec) {  // gone before it could be looked at
        socket.close(ec);
        return;
    }
    const std::string ip = PeerFilter::normalize(peer.address().to_string());
    if (!filter_.allows(ip)) {
        log_.timed("Connessione rifiutata: " + ip);
        socket.close(ec);
        return;
    }
    if (members_.size() >= options_.maxConnections) {
        log_.timed("Connessione rifiutata, troppe connessioni aperte: " + ip);
        socket.close(ec);
        return;
    }
    auto m = std::make_shared<Member>(std::move(socket));
    m->index = freeIndex();
    m->remote = ip;
    members_[m->index] = m;
    log_.timed("Load: " + std::to_string(m->index));
    watchSilence(m);
    read(m);
}

void TerminalListener::watchSilence(const MemberPtr& m) {
    if (options_.silence.count() <= 0) return;
    m->quiet.expires_after(options_.silence);
    std::weak_ptr<char> alive = alive_;
    m->quiet.async_wait([this, alive, m](const asio::error_code& ec) {
        if (ec || alive.expired() || !m->open) return;
        const auto ms = options_.silence.count();
        log_.timed("Connection " + std::to_string(m->index) + " silent for " +
                   (ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms") + ": closed");
        unload(m);
    });
}

int TerminalListener::freeIndex() const {
    const int highest = highestIndex();
    if (highest < kMaxIndex) return highest + 1;
    // The top index is taken: reuse the lowest free one rather than fail.
    int i = 1;
    for (const auto& [index, m] : members_) {
        if (index != i) break;
        ++i;
    }
    return i;
}

void TerminalListener::read(const MemberPtr& m) {
    std::weak_ptr<char> alive = alive_;
    m->socket.async_read_some(asio::buffer(m->buf), [this, alive, m](const asio::error_code& ec, size_t n) {
        if (alive.expired() || !m->open) return;
        if (ec == asio::error::eof) {
            log_.timed("Close: " + std::to_string(m->index));
            unload(m);
            return;
        }
        if (ec) {
            if (ec != asio::error::operation_aborted) memberError(m, ec);
            return;
        }
        const std::string data(m->buf.data(), n);
        watchSilence(m);  // heard from: the silence starts again
        try {
            if (onData_) onData_(m->index, data);
        } catch (const std::exception& e) {
            // A failing handler costs that data only; the connection and the loop go on.
            log_.timedError(e.what(), "DataArrival", m->index);
        }
        if (!alive.expired() && m->open) read(m);
    });
}

void TerminalListener::write(const MemberPtr& m) {
    std::weak_ptr<char> alive = alive_;
    m->writing = true;
    asio::async_write(m->socket, asio::buffer(m->out.front()), [this, alive, m](const asio::error_code& ec, size_t) {
        if (alive.expired()) return;
        m->writing = false;
        if (!m->open) return;
        if (ec) {
            memberError(m, ec);
            return;
        }
        m->outBytes -= m->out.front().size();
        m->out.pop_front();
        if (!m->out.empty()) write(m);
    });
}

void TerminalListener::memberError(const MemberPtr& m, const asio::error_code& ec) {
    log_.timed(winsockError(ec, m->index));
    unload(m);
}

void TerminalListener::unload(const MemberPtr& m) {
    if (!m->open) return;
    m->open = false;
    m->quiet.cancel();
    asio::error_code ec;
    m->socket.shutdown(tcp::socket::shutdown_both, ec);
    m->socket.close(ec);
    const int index = m->index;
    if (auto it = members_.find(index); it != members_.end() && it->second == m) members_.erase(it);
    if (onUnload_) onUnload_(index);
}

void TerminalListener::listenerError(const asio::error_code& ec) {
    log_.timed(winsockError(ec, 0));
    stopListening();
    if (options_.dispositivo != 3 || !endpoint_) return;
    // Listen again; the pause keeps a persistent failure (no descriptors left) from
    // turning into a busy loop.
    std::weak_ptr<char> alive = alive_;
    relisten_.expires_after(std::chrono::seconds(1));
    relisten_.async_wait([this, alive](const asio::error_code& wait) {
        if (alive.expired() || wait || isListening() || !endpoint_) return;
        listen(endpoint_->address().to_string(), endpoint_->port());
    });
}

const TerminalListener::Member* TerminalListener::find(int index) const {
    const auto it = members_.find(index);
    return it == members_.end() ? nullptr : it->second.get();
}

TerminalListener::MemberPtr TerminalListener::current(int index) const {
    const auto it = members_.find(index);
    return it == members_.end() ? nullptr : it->second;
}

int TerminalListener::highestIndex() const { return members_.empty() ? 0 : members_.rbegin()->first; }

bool TerminalListener::loaded(int index) const { return index == 0 || find(index) != nullptr; }

bool TerminalListener::connected(int index) const {
    const Member* m = find(index);
    return m != nullptr && m->open && m->socket.is_open();
}

int TerminalListener::state(int index) const {
    if (index == 0) return isListening() ? kListening : kClosed;
    return connected(index) ? kConnected : kClosed;
}

std::string TerminalListener::tag(int index) const {
    const Member* m = find(index);
    return m ? m->tag : std::string();
}

void TerminalListener::setTag(int index, std::string text) {
    if (auto m = current(index)) m->tag = std::move(text);
}

std::string TerminalListener::remoteAddress(int index) const {
    const Member* m = find(index);
    return m ? m->remote : std::string();
}

std::vector<int> TerminalListener::indices() const {
    std::vector<int> out;
    out.reserve(members_.size());
    for (const auto& [index, m] : members_) out.push_back(index);
    return out;
}

std::optional<int> TerminalListener::findByTag(int address, bool last) const {
    std::optional<int> found;
    for (const auto& [index, m] : members_) {
        if (!m->open || m->tag.find_first_not_of(' ') == std::string::npos) continue;
        const auto n = parseNumber(m->tag);
        if (!n || *n != static_cast<double>(address)) continue;
        found = index;
        if (!last) break;
    }
    return found;
}

bool TerminalListener::send(int index, std::string bytes) {
    const MemberPtr m = current(index);
    if (!m || !m->open) return false;
    if (bytes.empty()) return true;
    if (m->outBytes + bytes.size() > options_.maxPendingOutput) {
        log_.timed("Connessione " + std::to_string(index) + " chiusa: il terminale non legge le risposte");
        unload(m);
        return false;
    }
    m->outBytes += bytes.size();
    m->out.push_back(std::move(bytes));
    if (!m->writing) write(m);
    return true;
}

size_t TerminalListener::pendingOutput() const {
    size_t n = 0;
    for (const auto& [index, m] : members_)
        if (m->open) n += m->outBytes;
    return n;
}

void TerminalListener::close(int index) {
    if (auto m = current(index)) unload(m);
}

void TerminalListener::closeAll() {
    stopListening();
    while (!members_.empty()) unload(members_.begin()->second);
}

}  // namespace velaris
