#include "system/controller_events.h"

#include "processing/intake.h"
#include "system/sender.h"

namespace velaris {

void EtherCtrl_MessageRecv(Sistema& s, const std::string&, const std::string& data, int address) {
    if (address == 0) return;
    s.fermaTimer1();
    struct Restart { Sistema& s; ~Restart() { s.avviaTimer1(); } } restart{s};
    try {
        s.corrente.Indirizzo_Corrente = address;
        if (!s.registro.trova(address)) return;
        s.corrente.Tipo_Corrente = static_cast<int>((*s.registro.corrente())["Tipo"].toInt());
        std::string message = data.size() > 1 ? data.substr(1) : std::string();
        if (message.find_first_of(":&#!") != std::string::npos) return;  // status messages
        if (s.corrente.Tipo_Corrente == 1 || s.corrente.Tipo_Corrente == 2) {
            std::string ack = "%BxM0";
            KxSendMsg(s, address, ack, 0);
        }
        Elabora_Messaggi(s, message);
    } catch (const std::exception& e) {
        s.db.logError(e, "EtherCtrl_MessageRecv");
    }
}

void EtherCtrl_SockError(Sistema& s, int address) {
    auto& errors = s.registro.Errori_Terminale;
    if (address < 0 || address >= static_cast<int>(errors.size())) return;
    int16_t& n = errors[static_cast<size_t>(address)];
    n = n < 3 ? static_cast<int16_t>(n + 1) : 0;
}

void EtherCtrl_Acknowledged(Sistema& s) {
    if (!s.etherCtrl) return;
    const int address = s.etherCtrl->AckAddress();
    auto& busy = s.registro.Occupato_Terminale;
    if (address >= 0 && address < static_cast<int>(busy.size())) busy[static_cast<size_t>(address)] = 0;
    if (auto* entry = s.registro.elencoPer(s.registro.ipDi(address)); entry && entry->inVolo > 0) --entry->inVolo;
}

void collegaEventiControllore(Sistema& s) {
    if (!s.etherCtrl) return;
    EtherCtrl::Events events;
    events.messageRecv = [&s](const std::string& ip, const std::string& data, int, int address) {
        EtherCtrl_MessageRecv(s, ip, data, address);
    };
    events.sockError = [&s](int, const std::string&, const std::string&, int address) { EtherCtrl_SockError(s, address); };
    events.acknowledged = [&s](const std::string&) { EtherCtrl_Acknowledged(s); };
    s.etherCtrl->setEvents(std::move(events));
}

}  // namespace velaris
