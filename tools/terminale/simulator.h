#pragma once
// The terminals the simulator plays, one peer per link kind, all on one asio event loop.
// Everything a terminal receives is printed on `out` as one line "<id>: <what>"; notes
// about connections and errors go to `info` as "# ..." lines.

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include <asio.hpp>

#include "terminale/protocol.h"

namespace velaris::terminale {

struct TerminalSpec {
    int id = 0;
    std::string ip;  // kinds 2 and 4: the controller's / terminal's address (default 127.0.0.1)
};

struct Options {
    int kind = 3;
    std::string server;  // host:port; empty: the kind's default (see defaultServer)
    std::vector<TerminalSpec> terminals;
    uint16_t terminalPort = 10001;   // kind 4: where the server's client link reaches a terminal
    uint16_t controllerPort = 9300;  // kind 2: the port the controllers listen on
    int line = 1;                    // kind 1: the gateway line until the server's first datagram tells it
    char recordFormat = 'H';         // kind 4: H or L
    bool splitLines = false;
    bool verbose = false;
    int keepalivePeriod = 5;         // kind 3: seconds until the server's answer says otherwise
};

// kind 1: the gateway address the simulator binds; 2: the server's controller port; 3: the
// push server; 4: the record server.
std::string defaultServer(int kind);

class Output {
public:
    Output(std::ostream& out, std::ostream& info, bool verbose) : out_(out), info_(info), verbose_(verbose) {}
    void item(int id, const std::string& text);
    void note(const std::string& text);
    void detail(const std::string& text) { if (verbose_) note(text); }

private:
    std::ostream& out_;
    std::ostream& info_;
    bool verbose_;
};

class Peer {
public:
    virtual ~Peer() = default;
    // Binds and connects; false with `error` when the peer cannot work at all.
    virtual bool start(std::string& error) = 0;
    virtual void read(int id, const std::string& code) = 0;
    virtual void raw(int id, const std::string& bytes) = 0;
    virtual void keepalive(int id) = 0;
    virtual void stop() = 0;
};

class Simulator {
public:
    Simulator(asio::io_context& io, Options options, std::ostream& out, std::ostream& info);
    ~Simulator();
    bool start(std::string& error);
    // Read, raw and keepalive commands; Wait and Quit belong to the script runner.
    void execute(const Command& c);
    void stop();
    Output& output() { return output_; }

private:
    bool known(int id);
    Options options_;
    Output output_;
    std::unique_ptr<Peer> peer_;
};

std::unique_ptr<Peer> makeNet92Peer(asio::io_context& io, const Options& o, Output& out);
std::unique_ptr<Peer> makeControllerPeer(asio::io_context& io, const Options& o, Output& out);
std::unique_ptr<Peer> makePushPeer(asio::io_context& io, const Options& o, Output& out);
std::unique_ptr<Peer> makeRecordPeer(asio::io_context& io, const Options& o, Output& out);

}  // namespace velaris::terminale
