#include "terminale/simulator.h"

#include <ostream>

namespace velaris::terminale {

std::string defaultServer(int kind) {
    switch (kind) {
        case 1: return "127.0.0.1:9200";
        case 2: return "127.0.0.1:9300";
        case 4: return "127.0.0.1:10001";
        default: return "127.0.0.1:8080";
    }
}

void Output::item(int id, const std::string& text) {
    // Several lines (split display lines) stay one item: the continuation is indented.
    out_ << id << ": " << text << '\n' << std::flush;
}

void Output::note(const std::string& text) { info_ << "# " << text << '\n' << std::flush; }

Simulator::Simulator(asio::io_context& io, Options options, std::ostream& out, std::ostream& info)
    : options_(std::move(options)), output_(out, info, options_.verbose) {
    if (options_.server.empty()) options_.server = defaultServer(options_.kind);
    for (auto& t : options_.terminals)
        if (t.ip.empty()) t.ip = "127.0.0.1";
    switch (options_.kind) {
        case 1: peer_ = makeNet92Peer(io, options_, output_); break;
        case 2: peer_ = makeControllerPeer(io, options_, output_); break;
        case 3: peer_ = makePushPeer(io, options_, output_); break;
        case 4: peer_ = makeRecordPeer(io, options_, output_); break;
        default: break;
    }
}

Simulator::~Simulator() { stop(); }

bool Simulator::start(std::string& error) {
    if (!peer_) {
        error = "link kind must be 1, 2, 3 or 4";
        return false;
    }
    if (options_.terminals.empty()) {
        error = "no terminal to play (--id)";
        return false;
    }
    if (options_.kind == 1)
        for (const auto& t : options_.terminals)
            if (t.id > 254) {
                error = "NET92 terminal addresses go from 1 to 254";
                return false;
            }
    return peer_->start(error);
}

bool Simulator::known(int id) {
    for (const auto& t : options_.terminals)
        if (t.id == id) return true;
    output_.note("terminal " + std::to_string(id) + " is not played by this simulator");
    return false;
}

void Simulator::execute(const Command& c) {
    if (!peer_) return;
    switch (c.kind) {
        case Command::Kind::Read: if (known(c.id)) peer_->read(c.id, c.text); break;
        case Command::Kind::Raw: if (known(c.id)) peer_->raw(c.id, c.text); break;
        case Command::Kind::Keepalive: if (known(c.id)) peer_->keepalive(c.id); break;
        default: break;
    }
}

void Simulator::stop() {
    if (peer_) peer_->stop();
}

}  // namespace velaris::terminale
