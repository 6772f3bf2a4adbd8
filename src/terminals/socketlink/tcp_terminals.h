#pragma once
// Link kind 4 behind the link interface: the TCP terminals send framed reads to the
// server's listener and are reached, one command at a time, through a client socket to
// their own port.

#include <cstdint>
#include <string>

#include "terminals/socketlink/client_link.h"
#include "terminals/transport/listener_terminals.h"

namespace velaris {

// The one client socket that reaches the terminals, as the link uses it. Tests drive the
// link through a fake.
class CollegamentoClient {
public:
    virtual ~CollegamentoClient() = default;
    // Waits for an earlier connection to finish (bounded), then connects to `ip` and
    // sends `frame` once connected. -1 when the socket is still busy; 0 otherwise.
    virtual int sendCommand(const std::string& ip, const std::string& frame) = 0;
    // `Risposta_Winsock2`: the terminal's last record was an answer.
    virtual bool risposta() const = 0;
    virtual void resetRisposta() = 0;
    // 0 closed, 6 connecting, 7 connected.
    virtual int state() const = 0;
    // No connection is being set up and the last command, if any, has been written.
    virtual bool idle() const = 0;
    virtual void close() = 0;
};

// CollegamentoClient over a ClientLink that connects to the terminals' `port`.
class ClientPort : public CollegamentoClient {
public:
    ClientPort(ClientLink& client, int port) : c_(client), port_(static_cast<uint16_t>(port)) {}
    int sendCommand(const std::string& ip, const std::string& frame) override { return c_.sendCommand(ip, port_, frame); }
    bool risposta() const override { return c_.Risposta_Winsock2; }
    void resetRisposta() override { c_.Risposta_Winsock2 = false; }
    int state() const override { return c_.state(); }
    bool idle() const override { return c_.idle(); }
    void close() override { c_.close(); }

private:
    ClientLink& c_;
    uint16_t port_;
};

class TcpTerminals final : public ListenerTerminals {
public:
    TcpTerminals(Connessioni& connections, CollegamentoClient& client, EventLoop& loop, LinkHost& host, int port)
        : ListenerTerminals(connections, loop, port), client_(client), host_(host) {}

    const LinkTraits& traits() const override;
    // Sends the probe frame and gives the terminal 3 seconds to answer; each terminal must
    // answer for itself.
    bool probe(const LinkTerminal& terminal) override;
    // The message goes out as a command to the terminal's IP; 0 without an IP.
    int send(int address, std::string& message, int sendMode) override;
    // Every fifth tick the listener is opened again when it has closed.
    void tick() override;
    void sendCommand(int address, const std::string& frame) override;

private:
    bool written() const override { return ListenerTerminals::written() && client_.idle(); }

    CollegamentoClient& client_;
    LinkHost& host_;
    int16_t ticks_ = 0;
};

}  // namespace velaris
