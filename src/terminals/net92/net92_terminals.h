#pragma once
// Link kind 1 behind the link interface: the NET92 network, polled once a tick for reads.

#include <string>

#include "base/event_loop.h"
#include "terminals/net92/net92.h"
#include "terminals/transport/terminal_link.h"

namespace velaris {

// `Buffer_Lettura`: 255 "-" and one NUL, the template of every poll buffer.
std::string bufferLettura();

// The code of a NET92 message: "A12345 -X" gives 12345; "A123_45-X" gives 123.
std::string StringaMessaggio(int n, const std::string& testo);

class Net92Terminals final : public TerminalLink {
public:
    // `line` is the configured NET92 line (0 counts as 1).
    Net92Terminals(Net92& driver, EventLoop& loop, int line) : driver_(driver), loop_(loop), line_(line) {}

    const LinkTraits& traits() const override;
    LinkStart bringUp(const std::vector<LinkTerminal>& terminals) override;
    // Sends "%%" and polls the terminal once a second for up to 4 seconds.
    bool probe(const LinkTerminal& terminal) override;
    void shutDown() override { driver_.ResetN92(); }
    // Sent at once whatever the send mode; the library expects a poll after every send.
    int send(int address, std::string& message, int sendMode) override;
    // Polls the terminals in order; the first with a message gives it (the poll buffer up
    // to its NUL, the sender's address byte first). Status reports give nothing.
    std::optional<LinkRead> read(const std::vector<int>& addresses) override;
    std::string code(const std::string& message) const override { return StringaMessaggio(1, message); }

private:
    Net92& driver_;
    EventLoop& loop_;
    int line_;
};

}  // namespace velaris
