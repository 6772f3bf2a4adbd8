#include "app/links_factory.h"

#include "app/polling.h"
#include "system/queue.h"
#include "terminals/ethercontrol/controller_terminals.h"
#include "terminals/ethercontrol/ether_ctrl_link.h"
#include "terminals/httppush/http_push_server.h"
#include "terminals/httppush/push_terminals.h"
#include "terminals/net92/net92_link.h"
#include "terminals/net92/net92_terminals.h"
#include "terminals/socketlink/client_link.h"
#include "terminals/socketlink/record_server.h"
#include "terminals/transport/link_kinds.h"

namespace velaris {

namespace {

std::vector<std::string> terminalIps(Database& db) {
    std::vector<std::string> ips;
    auto rs = db.open("SELECT Indirizzo_IP  FROM Dettaglio_Terminali  WHERE Attivo<>0 AND Not Indirizzo_IP Is Null ");
    for (; !rs->eof(); rs->moveNext()) ips.push_back(rs->field(0).toText());
    return ips;
}

struct Net92Links : Collegamenti {
    Net92Links(Sistema& s, LinkHost& host) : driver(s.loop, s.log, s.config.Net92_Device) {
        LinkDrivers d;
        d.net92 = &driver;
        link = creaLink(s.config.Dispositivo, d, s, host);
    }
    Net92Link driver;
};

struct ControllerLinks : Collegamenti {
    ControllerLinks(Sistema& s, LinkHost& host) : driver(s.loop, s.log, options(s)) {
        driver.setControllers(terminalIps(s.db));
        LinkDrivers d;
        d.etherCtrl = &driver;
        link = creaLink(s.config.Dispositivo, d, s, host);
    }
    static EtherCtrlOptions options(const Sistema& s) {
        EtherCtrlOptions o;
        o.bindAddress = s.config.Listen_Address;
        o.port = static_cast<uint16_t>(s.config.Controller_Port);
        return o;
    }
    EtherCtrlLink driver;
};

struct PushLinks : Collegamenti {
    PushLinks(Sistema& s, LinkHost& host)
        : server(s.loop, s.log, s.clock, host), connessioni(server.listener(), s.config.Listen_Address, s.config.Http_Port) {
        server.listener().setPeerFilter(PeerFilter::fromSetting(s.config.Allowed_Peers, terminalIps(s.db)));
        LinkDrivers d;
        d.connessioni = &connessioni;
        link = creaLink(s.config.Dispositivo, d, s, host);
    }
    HttpPushServer server;
    ListenerConnessioni connessioni;
};

struct RecordLinks : Collegamenti {
    RecordLinks(Sistema& s, LinkHost& host)
        : server(s.loop, s.log, host,
                 [&s](const std::string& ip) {
                     // The sender is the configured terminal with that IP address.
                     for (const auto& row : s.registro.Rs_Terminali)
                         if (PeerFilter::normalize(row["Indirizzo_IP"].toText()) == PeerFilter::normalize(ip))
                             return row.indirizzo();
                     return 0;
                 }),
          connessioni(server.listener(), s.config.Listen_Address, s.config.Tcp_Port),
          client(s.loop, s.log),
          clientPort(client, s.config.Terminal_Port) {
        server.listener().setPeerFilter(PeerFilter::fromSetting(s.config.Allowed_Peers, terminalIps(s.db)));
        LinkDrivers d;
        d.connessioni = &connessioni;
        d.client = &clientPort;
        link = creaLink(s.config.Dispositivo, d, s, host);
    }
    RecordServer server;
    ListenerConnessioni connessioni;
    ClientLink client;
    ClientPort clientPort;
};

}  // namespace

void SistemaLinkHost::queue(int address, const std::string& text, int delaySeconds) {
    accoda(s_, address, text, delaySeconds);
}

std::string SistemaLinkHost::ipOf(int address) const { return s_.registro.ipDi(address); }

void SistemaLinkHost::terminalMessage(int address, const std::string& message) {
    s_.accogliLettura([&s = s_, address, message] { EtherCtrl_MessageRecv(s, address, message); });
}

void SistemaLinkHost::codeRead(int address, const std::string& code, int connectionIndex, Reply reply) {
    s_.accogliLettura([&s = s_, address, code, connectionIndex, reply = std::move(reply)] {
        struct Done { const Reply& r; ~Done() { if (r.done) r.done(); } } done{reply};
        if (reply.connectionOpen && !reply.connectionOpen()) {
            // Its answer could only reach whichever connection took the index since: the
            // terminal is gone, and reads again when it comes back.
            s.log.timedError("Lettura del terminale " + std::to_string(address) +
                                 " scartata: connessione chiusa prima della risposta",
                             "DataArrival", connectionIndex);
            return;
        }
        processaLettura(s, address, code, connectionIndex);
    });
}

std::unique_ptr<TerminalLink> creaLink(int dispositivo, const LinkDrivers& d, Sistema& s, LinkHost& host) {
    switch (dispositivo) {
        case dispositivo::Net92: return std::make_unique<Net92Terminals>(*d.net92, s.loop, s.config.Port);
        case dispositivo::Controllori: return std::make_unique<ControllerTerminals>(*d.etherCtrl, s.log, host);
        case dispositivo::HttpPush: return std::make_unique<PushTerminals>(*d.connessioni, s.loop, s.clock, s.config.Http_Port);
        case dispositivo::Tcp: return std::make_unique<TcpTerminals>(*d.connessioni, *d.client, s.loop, host, s.config.Tcp_Port);
        default: return nullptr;
    }
}

const char* nomeCollegamento(int dispositivo) {
    switch (dispositivo) {
        case dispositivo::Net92: return "Rete NET92";
        case dispositivo::Controllori: return "Controller Ethernet";
        case dispositivo::HttpPush: return "Terminali HTTP push";
        case dispositivo::Tcp: return "Terminali TCP";
        default: return "Non configurato";
    }
}

std::unique_ptr<Collegamenti> creaCollegamenti(Sistema& s, LinkHost& host) {
    std::unique_ptr<Collegamenti> c;
    switch (s.config.Dispositivo) {
        case dispositivo::Net92: c = std::make_unique<Net92Links>(s, host); break;
        case dispositivo::Controllori: c = std::make_unique<ControllerLinks>(s, host); break;
        case dispositivo::HttpPush: c = std::make_unique<PushLinks>(s, host); break;
        case dispositivo::Tcp: c = std::make_unique<RecordLinks>(s, host); break;
        default: c = std::make_unique<Collegamenti>(); break;
    }
    s.link = c->link.get();
    return c;
}

}  // namespace velaris
