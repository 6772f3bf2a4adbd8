#pragma once
// Link kind 3 behind the link interface: the HTTP-push terminals. They call the server;
// what the system sends a terminal is the response on its connection.

#include "base/clock.h"
#include "terminals/transport/listener_terminals.h"

namespace velaris {

class PushTerminals final : public ListenerTerminals {
public:
    PushTerminals(Connessioni& connections, EventLoop& loop, const Clock& clock, int port)
        : ListenerTerminals(connections, loop, port), clock_(clock) {}

    const LinkTraits& traits() const override;
    // A terminal counts as there until the connection check says otherwise.
    bool probe(const LinkTerminal&) override { return true; }
    // The message becomes a response body, written on the first connection the terminal
    // identified itself on; -1 when it has none.
    int send(int address, std::string& message, int sendMode) override;

private:
    const Clock& clock_;
};

}  // namespace velaris
