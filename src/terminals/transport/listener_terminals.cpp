#include "terminals/transport/listener_terminals.h"

#include "base/format.h"

namespace velaris {

bool ListenerConnessioni::listen(std::string& error) {
    if (l_.listen(address_, static_cast<uint16_t>(port_))) return true;
    error = "listen on " + address_ + ":" + std::to_string(port_) + " failed";
    return false;
}

LinkStart ListenerTerminals::bringUp(const std::vector<LinkTerminal>&) {
    std::string error;
    if (!connections_.listen(error)) return {false, "Impossibile aprire la porta " + std::to_string(port_) + ": " + error};
    loop_.yieldOnce();
    return {true, ""};
}

void ListenerTerminals::shutDown() {
    // The farewells (and whatever came before them) reach the terminals before the
    // sockets close; a terminal that does not read holds shutdown up for 3 seconds at most.
    loop_.waitUntil([this] { return written(); }, std::chrono::seconds(3));
}

bool ListenerTerminals::carries(int i, int address) const {
    const std::string tag = connections_.tag(i);
    return connections_.loaded(i) && !trimBlanks(tag).empty() && Value(tag).toInt() == address;
}

int ListenerTerminals::connectionOf(int address) const {
    int found = 0;
    for (int i = 1; i <= connections_.highestIndex(); ++i)
        if (carries(i, address) && connections_.connected(i)) found = i;
    return found;
}

bool ListenerTerminals::identified(int address) const {
    for (int i = 1; i <= connections_.highestIndex(); ++i)
        if (carries(i, address)) return true;
    return false;
}

bool ListenerTerminals::writeTo(int connection, const std::string& wire) {
    return connections_.connected(connection) && connections_.send(connection, wire);
}

}  // namespace velaris
