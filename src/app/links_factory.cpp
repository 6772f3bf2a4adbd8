#include "app/links_factory.h"

#include "system/controller_events.h"
#include "terminals/ethercontrol/ether_ctrl_link.h"
#include "terminals/httppush/http_push_server.h"
#include "terminals/net92/net92_link.h"
#include "terminals/socketlink/client_link.h"
#include "terminals/socketlink/record_server.h"

namespace velaris {

namespace {

std::vector<std::string> terminalIps(Database& db) {
    std::vector<std::string> ips;
    auto rs = db.open("SELECT Indirizzo_IP  FROM Dettaglio_Terminali  WHERE Attivo<>0 AND Not Indirizzo_IP Is Null ");
    for (; !rs->eof(); rs->moveNext()) ips.push_back(rs->field(0).toText());
    return ips;
}

// The listener of link kinds 3 and 4 as the sender and the polling cycle use it.
class ListenerConnessioni : public Connessioni {
public:
    ListenerConnessioni(TerminalListener& l, const LinkConfig& c, int port) : l_(l), config_(c), port_(port) {}
    int highestIndex() const override { return l_.highestIndex(); }
    bool loaded(int i) const override { return l_.loaded(i); }
    bool connected(int i) const override { return l_.connected(i); }
    std::string tag(int i) const override { return l_.tag(i); }
    bool send(int i, const std::string& wire) override { return l_.send(i, wire); }
    bool listening() const override { return l_.isListening(); }
    bool listen(std::string& error) override {
        if (l_.listen(config_.Listen_Address, static_cast<uint16_t>(port_))) return true;
        error = "listen on " + config_.Listen_Address + ":" + std::to_string(port_) + " failed";
        return false;
    }

private:
    TerminalListener& l_;
    const LinkConfig& config_;
    int port_;
};

class ClientAdapter : public CollegamentoClient {
public:
    ClientAdapter(ClientLink& c, int port) : c_(c), port_(static_cast<uint16_t>(port)) {}
    int sendCommand(const std::string& ip, const std::string& frame) override { return c_.sendCommand(ip, port_, frame); }
    bool risposta() const override { return c_.Risposta_Winsock2; }
    void resetRisposta() override { c_.Risposta_Winsock2 = false; }
    int state() const override { return c_.state(); }
    void close() override { c_.close(); }

private:
    ClientLink& c_;
    uint16_t port_;
};

struct Net92Links : Collegamenti {
    Net92Links(Sistema& s) : link(s.loop, s.log, s.config.Net92_Device) { s.net92 = &link; }
    Net92Link link;
};

struct ControllerLinks : Collegamenti {
    ControllerLinks(Sistema& s) : link(s.loop, s.log, options(s)) {
        link.setControllers(terminalIps(s.db));
        s.etherCtrl = &link;
        collegaEventiControllore(s);
    }
    static EtherCtrlOptions options(const Sistema& s) {
        EtherCtrlOptions o;
        o.bindAddress = s.config.Listen_Address;
        o.port = static_cast<uint16_t>(s.config.Controller_Port);
        return o;
    }
    EtherCtrlLink link;
};

struct PushLinks : Collegamenti {
    PushLinks(Sistema& s, IntakeSink& sink)
        : server(s.loop, s.log, s.clock, sink), connessioni(server.listener(), s.config, s.config.Http_Port) {
        server.listener().setPeerFilter(PeerFilter::fromSetting(s.config.Allowed_Peers, terminalIps(s.db)));
        s.connessioni = &connessioni;
    }
    HttpPushServer server;
    ListenerConnessioni connessioni;
};

struct RecordLinks : Collegamenti {
    RecordLinks(Sistema& s, IntakeSink& sink)
        : server(s.loop, s.log, sink,
                 [&s](const std::string& ip) {
                     // The sender is the configured terminal with that IP address.
                     for (const auto& row : s.registro.Rs_Terminali)
                         if (PeerFilter::normalize(row["Indirizzo_IP"].toText()) == PeerFilter::normalize(ip))
                             return row.indirizzo();
                     return 0;
                 }),
          connessioni(server.listener(), s.config, s.config.Tcp_Port),
          client(s.loop, s.log),
          clientAdapter(client, s.config.Terminal_Port) {
        server.listener().setPeerFilter(PeerFilter::fromSetting(s.config.Allowed_Peers, terminalIps(s.db)));
        s.connessioni = &connessioni;
        s.client = &clientAdapter;
    }
    RecordServer server;
    ListenerConnessioni connessioni;
    ClientLink client;
    ClientAdapter clientAdapter;
};

}  // namespace

std::unique_ptr<Collegamenti> creaCollegamenti(Sistema& s, IntakeSink& sink) {
    switch (s.config.Dispositivo) {
        case 1: return std::make_unique<Net92Links>(s);
        case 2: return std::make_unique<ControllerLinks>(s);
        case 3: return std::make_unique<PushLinks>(s, sink);
        case 4: return std::make_unique<RecordLinks>(s, sink);
        default: return std::make_unique<Collegamenti>();
    }
}

}  // namespace velaris
