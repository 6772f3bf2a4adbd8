#pragma once
// Builds the terminal link of the configured kind and attaches it to the system. The only
// place that tells the kinds of link apart.

#include <memory>

#include "system/system.h"
#include "terminals/ethercontrol/ether_ctrl.h"
#include "terminals/net92/net92.h"
#include "terminals/socketlink/tcp_terminals.h"
#include "terminals/transport/listener_terminals.h"

namespace velaris {

// What the links ask of the system: the queue, the network list, and message processing
// for what the terminals read. Every read a link hands over is processed in its turn
// (Sistema::accogliLettura), on the connection it came on.
class SistemaLinkHost : public LinkHost {
public:
    explicit SistemaLinkHost(Sistema& s) : s_(s) {}
    void queue(int address, const std::string& text, int delaySeconds) override;
    std::string ipOf(int address) const override;
    void terminalMessage(int address, const std::string& message) override;
    void codeRead(int address, const std::string& code, int connectionIndex, Reply reply = {}) override;

private:
    Sistema& s_;
};

// The drivers a link of each kind runs on; only those of the kind are used.
struct LinkDrivers {
    Net92* net92 = nullptr;
    EtherCtrl* etherCtrl = nullptr;
    Connessioni* connessioni = nullptr;
    CollegamentoClient* client = nullptr;
};

// The link of kind `dispositivo` over `drivers`; none for a kind that is not configured.
std::unique_ptr<TerminalLink> creaLink(int dispositivo, const LinkDrivers& drivers, Sistema& s, LinkHost& host);

// Owns the link and the drivers of the configured kind; destroying it closes them.
class Collegamenti {
public:
    virtual ~Collegamenti() = default;
    std::unique_ptr<TerminalLink> link;
};

// The operator's name of a link kind ("Non configurato" for none).
const char* nomeCollegamento(int dispositivo);

// Creates the drivers and the link of `s.config.Dispositivo` and sets `s.link`.
std::unique_ptr<Collegamenti> creaCollegamenti(Sistema& s, LinkHost& host);

}  // namespace velaris
