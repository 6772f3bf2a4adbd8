#include "terminals/httppush/push_terminals.h"

#include "terminals/httppush/http_reply.h"

namespace velaris {

const LinkTraits& PushTerminals::traits() const {
    static const LinkTraits kTraits = [] {
        LinkTraits t;
        t.checksConnections = true;
        t.takesInjected = true;
        return t;
    }();
    return kTraits;
}

int PushTerminals::send(int address, std::string& message, int) {
    message = pushMessageBody(message);
    for (int i = 1; i <= connections_.highestIndex(); ++i) {
        if (!carries(i, address) || !connections_.connected(i)) continue;
        return connections_.send(i, httpResponse(message, clock_)) ? 0 : -1;
    }
    return -1;
}

}  // namespace velaris
