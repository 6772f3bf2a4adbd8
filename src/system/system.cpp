#include "system/system.h"

namespace velaris {

namespace {
const Value kNull = Value::null();
}

const Value& TerminalRow::operator[](std::string_view column) const {
    for (size_t i = 0; i < columns_->size(); ++i)
        if (sameName((*columns_)[i], column)) return values_[i];
    return kNull;
}

bool Registro::trova(int indirizzo) {
    for (size_t i = 0; i < Rs_Terminali.size(); ++i) {
        if (Rs_Terminali[i].indirizzo() == indirizzo) {
            posizione = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

const TerminalRow* Registro::corrente() const {
    if (posizione < 0 || posizione >= static_cast<int>(Rs_Terminali.size())) return nullptr;
    return &Rs_Terminali[static_cast<size_t>(posizione)];
}

const TerminalRow* Registro::perIndirizzo(int indirizzo) const {
    for (const auto& row : Rs_Terminali)
        if (row.indirizzo() == indirizzo) return &row;
    return nullptr;
}

std::string Registro::ipDi(int indirizzo) const {
    for (const auto& r : Terminali_Rete)
        if (r.Indirizzo == indirizzo) return r.Indirizzo_IP;
    return {};
}

std::string Registro::soloPropri(std::string_view column) const {
    if (!condiviso) return {};
    std::string list;
    for (const auto& row : Rs_Terminali) list += (list.empty() ? "" : ",") + std::to_string(row.indirizzo());
    if (list.empty()) list = "-1";
    return " AND " + std::string(column) + " In (" + list + ")";
}

bool Registro::conSub(int indirizzo) const {
    return indirizzo >= 0 && indirizzo < static_cast<int>(Terminale_Con_Sub.size()) &&
           Terminale_Con_Sub[static_cast<size_t>(indirizzo)];
}

void Sistema::fermaTimer1() {
    if (timer1) timer1->setInterval(std::chrono::milliseconds(0));
}

void Sistema::avviaTimer1() {
    if (timer1) timer1->setInterval(std::chrono::milliseconds(1000));
    if (messaggioElaborato) messaggioElaborato();
}

void Sistema::accogliLettura(std::function<void()> elabora) {
    if (letturaInCorso_ || loop.depth() > 0 || lettureInAttesa_ > 0) {
        ++lettureInAttesa_;
        loop.atTopLevel([this, elabora = std::move(elabora)] {
            --lettureInAttesa_;
            elaboraLettura(elabora);
        });
        return;
    }
    elaboraLettura(elabora);
}

void Sistema::elaboraLettura(const std::function<void()>& elabora) {
    letturaInCorso_ = true;
    struct Fine { bool& f; ~Fine() { f = false; } } fine{letturaInCorso_};
    // Nothing of the previous read (terminal, relay times, centre, filters, verdict flags,
    // card) may reach this one.
    corrente = Corrente{};
    esiti = EsitiVerifica{};
    lettura = DatiLettura{};
    // An outage met by an earlier piece of work is tried again: the database may be back.
    db.newTurn();
    try {
        elabora();
    } catch (const std::exception& e) {
        log.timedError(e.what(), "Elabora_Messaggi");
    }
}

}  // namespace velaris
