#pragma once
// Link kind 2 behind the link interface: the Ethernet controllers, with the flow control
// they need. A controller takes one message per terminal and at most two in flight over
// all its terminals; its acknowledgement arrives later as an event.

#include <string>
#include <vector>

#include "base/event_log.h"
#include "terminals/ethercontrol/ether_ctrl.h"
#include "terminals/transport/terminal_link.h"

namespace velaris {

class ControllerTerminals final : public TerminalLink {
public:
    // Connects the component's events: messages go to `host`, acknowledgements free the
    // flow-control slots.
    ControllerTerminals(EtherCtrl& driver, EventLog& log, LinkHost& host);

    const LinkTraits& traits() const override;
    LinkStart bringUp(const std::vector<LinkTerminal>& terminals) override;
    // The probe "%%" goes through the queue like every mode-0 message.
    bool probe(const LinkTerminal& terminal) override;
    void shutDown() override { driver_.StopService(); }
    int send(int address, std::string& message, int sendMode) override;
    // A terminal takes the next message once its last one was acknowledged and its
    // controller has fewer than two in flight. An acknowledgement is taken as lost once
    // the waiting message is more than 6 seconds overdue.
    bool readyFor(int address, const DateTime& due, const DateTime& now) override;
    void delivered(int address) override;
    bool acknowledged(int address) const override;

    // The controllers (their IPs, in order) and the messages in flight at one; -1 for an
    // unknown controller.
    std::vector<std::string> controllers() const;
    int inFlight(const std::string& ip) const;

private:
    struct Controller {
        std::string ip;
        int16_t inFlight = 0;
    };
    Controller* controllerOf(int address);
    int16_t* busy(int address);
    void onMessage(const std::string& data, int address);
    void onAcknowledged();

    EtherCtrl& driver_;
    EventLog& log_;
    LinkHost& host_;
    std::vector<int16_t> busy_;          // by address: a message awaits its acknowledgement
    std::vector<Controller> controllers_;  // one per distinct IP
};

}  // namespace velaris
