#include "terminals/socketlink/tcp_terminals.h"

#include "base/format.h"

namespace velaris {

const LinkTraits& TcpTerminals::traits() const {
    static const LinkTraits kTraits = [] {
        LinkTraits t;
        t.clearsReadTable = true;
        return t;
    }();
    return kTraits;
}

bool TcpTerminals::probe(const LinkTerminal& terminal) {
    // An answer left from the previous terminal's probe does not count.
    client_.resetRisposta();
    if (client_.state() == 0) {
        client_.sendCommand(terminal.ip, std::string("\x02") + "17" + "\x03");
        loop_.yieldFor(std::chrono::seconds(3));
        if (client_.state() == 6) client_.close();
    }
    return client_.risposta();
}

int TcpTerminals::send(int address, std::string& message, int) {
    const std::string ip = host_.ipOf(address);
    if (trimBlanks(ip).empty()) return 0;
    return client_.sendCommand(ip, message);
}

void TcpTerminals::tick() {
    if (ticks_ < 5) {
        ++ticks_;
        return;
    }
    ticks_ = 0;
    std::string error;
    if (!connections_.listening() && connections_.listen(error)) loop_.yieldOnce();
}

void TcpTerminals::sendCommand(int address, const std::string& frame) { client_.sendCommand(host_.ipOf(address), frame); }

}  // namespace velaris
