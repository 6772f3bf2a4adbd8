#include "terminals/net92/net92_terminals.h"

#include <chrono>

namespace velaris {

std::string bufferLettura() { return std::string(255, '-') + std::string(1, '\0'); }

std::string StringaMessaggio(int, const std::string& testo) {
    const size_t underscore = testo.find('_');
    if (underscore != std::string::npos && underscore > 0) return testo.substr(1, underscore - 1);
    const size_t dash = testo.find('-');
    if (dash == std::string::npos || dash < 3) return {};  // no room for a code
    return testo.substr(1, dash - 2);
}

const LinkTraits& Net92Terminals::traits() const {
    static const LinkTraits kTraits = [] {
        LinkTraits t;
        t.needsIp = false;
        t.promptDelay = 2;
        t.listsUnanswered = false;
        t.polled = true;
        t.refreshesClock = true;
        t.retriesUndelivered = false;
        return t;
    }();
    return kTraits;
}

LinkStart Net92Terminals::bringUp(const std::vector<LinkTerminal>& terminals) {
    const int highest = terminals.empty() ? 0 : terminals.back().address;
    if (driver_.InitN92(line_ == 0 ? 1 : line_, 2, highest, 0) <= 0)
        return {false, "Errore nell'inizializzazione della rete NET92"};
    return {true, ""};
}

bool Net92Terminals::probe(const LinkTerminal& terminal) {
    driver_.SendMsg(terminal.address, "%%");
    std::string buffer = bufferLettura();
    const auto start = std::chrono::steady_clock::now();
    long lastSecond = -1;
    return loop_.waitUntil(
        [&] {
            const long second = static_cast<long>(
                std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count());
            if (second == lastSecond) return false;
            lastSecond = second;
            const int r = driver_.PollTerm(terminal.address, buffer);
            return r == 1 || r == 2;
        },
        std::chrono::seconds(4));
}

int Net92Terminals::send(int address, std::string& message, int) {
    const int result = driver_.SendMsg(address, message);
    std::string buffer = bufferLettura();
    driver_.PollTerm(address, buffer);  // its result is discarded
    return result;
}

std::optional<LinkRead> Net92Terminals::read(const std::vector<int>& addresses) {
    std::string buffer;
    for (int address : addresses) {
        buffer = bufferLettura();
        int r = driver_.PollTerm(address, buffer);
        if (r == 2) r = driver_.PollTerm(255, buffer);
        if (r > 1 && !buffer.empty()) {
            const int from = static_cast<unsigned char>(buffer[0]);
            if (from == 0) return std::nullopt;
            if (buffer.rfind("---", 0) == 0 || buffer.find_first_of(":&#") != std::string::npos) return std::nullopt;
            // The buffer's text ends at its NUL.
            return LinkRead{from, buffer.substr(0, buffer.find('\0'))};
        }
    }
    return std::nullopt;
}

}  // namespace velaris
