#pragma once
// The part of a terminal link shared by the links whose terminals connect to the server
// (HTTP push and TCP terminals): the listener's connections, bringing the listener up and
// writing out what is still on its way before the sockets close.

#include <string>
#include <vector>

#include "base/event_loop.h"
#include "terminals/transport/listener.h"
#include "terminals/transport/terminal_link.h"

namespace velaris {

// The listener's connections as the links use them (member 0 listens; members 1..n are
// terminal connections). Tests drive the links through a fake.
class Connessioni {
public:
    virtual ~Connessioni() = default;
    virtual int highestIndex() const = 0;
    virtual bool loaded(int index) const = 0;
    virtual bool connected(int index) const = 0;
    virtual std::string tag(int index) const = 0;
    // Writes bytes already in wire form; false when the member is not connected.
    virtual bool send(int index, const std::string& wire) = 0;
    // Everything sent on the connections has been written out.
    virtual bool written() const = 0;
    virtual bool listening() const = 0;
    // Starts (or restarts) listening on the configured port; false with a reason when
    // the port cannot be opened.
    virtual bool listen(std::string& error) = 0;
};

// Connessioni over a TerminalListener listening on `address`:`port`.
class ListenerConnessioni : public Connessioni {
public:
    ListenerConnessioni(TerminalListener& listener, std::string address, int port)
        : l_(listener), address_(std::move(address)), port_(port) {}
    int highestIndex() const override { return l_.highestIndex(); }
    bool loaded(int i) const override { return l_.loaded(i); }
    bool connected(int i) const override { return l_.connected(i); }
    std::string tag(int i) const override { return l_.tag(i); }
    bool send(int i, const std::string& wire) override { return l_.send(i, wire); }
    bool written() const override { return l_.pendingOutput() == 0; }
    bool listening() const override { return l_.isListening(); }
    bool listen(std::string& error) override;

private:
    TerminalListener& l_;
    std::string address_;
    int port_;
};

class ListenerTerminals : public TerminalLink {
public:
    ListenerTerminals(Connessioni& connections, EventLoop& loop, int port)
        : connections_(connections), loop_(loop), port_(port) {}

    LinkStart bringUp(const std::vector<LinkTerminal>& terminals) override;
    void shutDown() override;
    bool up() const override { return connections_.listening(); }
    int connectionOf(int address) const override;
    bool identified(int address) const override;
    bool writeTo(int connection, const std::string& wire) override;

protected:
    // Whether connection `i` has identified itself as terminal `address`.
    bool carries(int i, int address) const;
    // Everything handed to the link has been written out (shutdown waits for it).
    virtual bool written() const { return connections_.written(); }

    Connessioni& connections_;
    EventLoop& loop_;
    int port_;
};

}  // namespace velaris
