#pragma once
// The one interface every kind of terminal link offers the system: bring it up, probe a
// terminal, send, read, tick, shut down. Each link's folder implements it over its driver
// (net92/, ethercontrol/, httppush/, socketlink/); the system holds one of them and never
// asks which kind it is. What a link needs of the system above it comes through LinkHost.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/value.h"

namespace velaris {

// Where the drivers hand the codes they receive: the terminal at `address` read `code`;
// `connectionIndex` is the listener connection it came on (0 when none). Reads are
// processed one at a time: one that arrives while another is in progress is processed
// after it, so the call may return before the read has been processed.
class IntakeSink {
public:
    // For a read whose answer goes back on its own connection (HTTP push).
    struct Reply {
        // False once that connection has gone: its index may belong to another by then.
        std::function<bool()> connectionOpen;
        // Runs once the read has been processed or dropped.
        std::function<void()> done;
    };
    virtual ~IntakeSink() = default;
    virtual void codeRead(int address, const std::string& code, int connectionIndex, Reply reply = {}) = 0;
};

// What a link asks of the system around it.
class LinkHost : public IntakeSink {
public:
    // Puts `text` in the outgoing queue of `address`, due `delaySeconds` from now.
    virtual void queue(int address, const std::string& text, int delaySeconds) = 0;
    // The IP of a terminal of the network list built at start-up; "" when none.
    virtual std::string ipOf(int address) const = 0;
    // A message (not a status report) from terminal `address`, on a link that reports
    // messages per terminal rather than codes; processed in its turn, as codes are.
    virtual void terminalMessage(int address, const std::string& message) = 0;
};

// A configured terminal as the link sees it.
struct LinkTerminal {
    int address = 0;
    std::string ip;  // "" when none
};

// The outcome of bringing a link up.
struct LinkStart {
    bool up = false;    // the terminals are reachable
    std::string error;  // what the operator is told when start-up must end; "" otherwise
};

// A read fetched from a polled link: the terminal and its message as the link gives it.
struct LinkRead {
    int address = 0;
    std::string message;
};

// What sets the kinds of link apart in the system's own procedures.
struct LinkTraits {
    bool needsIp = true;              // every terminal must have its IP address
    int promptDelay = 0;              // seconds a start-up prompt waits in the queue
    bool listsUnanswered = true;      // a terminal joins the network list before it answers
    bool checksConnections = false;   // the connection check runs 10 s after the probes
    bool clearsReadTable = false;     // `wTmp_Letture_SQL` is emptied when the link comes up
    bool polled = false;              // reads are fetched on every tick (read())
    bool refreshesClock = false;      // idle keypad displays get the clock line once a minute
    bool takesInjected = false;       // reads injected in `Stato_Terminali` are processed
    bool retriesUndelivered = true;   // a queued message the link could not deliver waits
};

class TerminalLink {
public:
    virtual ~TerminalLink() = default;
    virtual const LinkTraits& traits() const = 0;

    // Brings the link up for the configured terminals (active ones, in address order).
    virtual LinkStart bringUp(const std::vector<LinkTerminal>& terminals) = 0;
    // Asks a terminal whether it is there; may let other events run while it waits.
    virtual bool probe(const LinkTerminal& terminal) = 0;
    // Farewell done: writes out what the link still holds (within bounds), then closes it.
    virtual void shutDown() = 0;
    // The link can reach its terminals now (a listening link: its listener is open).
    virtual bool up() const { return true; }

    // Sends `message` to `address`. Send mode 0 may queue it (Ethernet controllers); 1 and
    // 2 send at once. 0 sent or queued, -1 not deliverable now. A link that answers over
    // HTTP replaces `message` with the body it sent.
    virtual int send(int address, std::string& message, int sendMode) = 0;
    // Queue drain flow control: whether a message due at `due` may go out at `now`, and
    // the bookkeeping once it went.
    virtual bool readyFor(int /*address*/, const DateTime& /*due*/, const DateTime& /*now*/) { return true; }
    virtual void delivered(int /*address*/) {}
    // Whether the terminal has acknowledged the last message sent to it (shutdown waits
    // for the farewells' own acknowledgements); always so on a link without them.
    virtual bool acknowledged(int /*address*/) const { return true; }

    // The next read of one of `addresses` (polled links only); status reports are dropped.
    virtual std::optional<LinkRead> read(const std::vector<int>& /*addresses*/) { return std::nullopt; }
    // The code a message carries.
    virtual std::string code(const std::string& message) const { return message; }
    // Once per polling tick.
    virtual void tick() {}

    // Links whose terminals connect to the server: the connection a terminal identified
    // itself on and is connected through (the last one), 0 when none; whether any
    // connection carries its address; bytes written on one connection when connected.
    virtual int connectionOf(int /*address*/) const { return 0; }
    virtual bool identified(int /*address*/) const { return false; }
    virtual bool writeTo(int /*connection*/, const std::string& /*wire*/) { return false; }
    // A command frame to a terminal the link reaches as a client (terminal type 5).
    virtual void sendCommand(int /*address*/, const std::string& /*frame*/) {}
};

}  // namespace velaris
