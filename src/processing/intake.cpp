#include "processing/intake.h"

#include "app/format.h"
#include "processing/money_card_dialogo.h"
#include "terminals/queue.h"
#include "terminals/sender.h"

namespace velaris {

namespace {

using Icona = Operatore::Icona;

struct Modalita { int n; int tolleranza; bool nullBlocca; bool centro; };

// Blocking irregularity kinds: the grace setting, whether a missing due date blocks,
// and whether the centre filter applies.
constexpr Modalita kModalita[] = {
    {2, 23, true, false},   {3, 24, true, false},   {4, 69, false, true},   {5, 25, false, true},
    {6, 26, false, true},   {7, 27, false, true},   {8, 28, false, true},   {9, 29, false, true},
    {11, 0, false, false},  {14, 33, true, false},  {15, 38, false, true},  {17, 111, false, true},
    {18, 112, false, true}, {19, 113, false, false}, {20, 114, false, false}, {21, 115, false, false},
    {22, 214, false, false},
};

void scriviStato(Sistema& s, const Messaggio& m) {
    s.db.execute("UPDATE Stato_Terminali SET Stato = " + std::to_string(m.Stato_Nuovo) +
                 ", Importo = " + Num_SqlQ(m.Importo) + ", Codice_Cliente = " + CChrQ(m.Codice_Cliente) +
                 ", Tipo = " + std::to_string(s.corrente.Tipo_Corrente) + ", Regolare = " + std::to_string(m.Regolare) +
                 ", FuoriOrario = " + std::to_string(m.FuoriOrario) +
                 " WHERE Indirizzo = " + std::to_string(s.corrente.Indirizzo_Corrente) +
                 // Queued messages and injected reads of the terminal share its address: the
                 // state belongs to the state row alone (an injected read must stay at 500).
                 " AND Messaggio Is Null");
}

void inviaSubito(Sistema& s, std::string text) { KxSendMsg(s, s.corrente.Indirizzo_Corrente, text, 0); }

void caricaTerminale(Sistema& s, const TerminalRow& t) {
    Corrente& c = s.corrente;
    c.Stop = static_cast<int16_t>(t["Stop"].toInt());
    c.Vai = static_cast<int16_t>(t["Vai"].toInt());
    c.TempoStop = t["TempoStop"];
    c.TempoVai = t["TempoVai"];
    c.NReleStop = static_cast<int16_t>(t["NReleStop"].toInt());
    c.NReleVai = static_cast<int16_t>(t["NReleVai"].toInt());
    c.NReleUscita = static_cast<int16_t>(t["NReleUscita"].toInt());
    c.Tipo_Corrente = static_cast<int>(t["Tipo"].toInt());
    c.Monitor_Aggiuntivo = static_cast<int16_t>(t["Monitor_Aggiuntivo"].toInt());
    c.Intervallo_Presenze = static_cast<int16_t>(t["Intervallo_Presenze"].toInt());
}

void impostaCentro(Sistema& s, const TerminalRow& t) {
    Corrente& c = s.corrente;
    const Value& centro = t["Codice_Centro"];
    if (s.settings.dbUnico() && !Nullo_Vuoto(centro)) {
        c.Codice_Centro_Corrente = centro;
        s.settings.setSlot(100, centro);
        c.Filtro_Centro = " AND Codice_Centro=" + CChrQ(centro);
    } else {
        c.Codice_Centro_Corrente = s.settings.slot(100);
    }
}

// The unlock dialogue of a locked keypad terminal; true when the code was right.
bool sblocco(Sistema& s, Messaggio& m) {
    const TerminalRow& t = *m.terminale;
    const int address = s.corrente.Indirizzo_Corrente;
    if (m.Codice_Letto == t["Codice_Attivazione"].toText() && !Nullo_Vuoto(t["Codice_Attivazione"])) {
        inviaSubito(s, "\f" + m.Riga_Orologio + "|CODICE:_______");
        inviaSubito(s, t["Blocco_Tastiera"].toInt() != 0 ? "%K0BXM2" : "%K2BXM2");
        m.Codice_Cliente = Value(m.Codice_Letto);
        m.Stato_Nuovo = 2;
        return true;
    }
    inviaSubito(s, "\fCODICE ERRATO");
    accoda(s, address, "%K2M2", 2);
    accoda(s, address, "\f" + m.Riga_Orologio + "|SBLOCCO:____", 2);
    return false;
}

}  // namespace

std::string StringaMessaggio(int, const std::string& testo) {
    const size_t underscore = testo.find('_');
    if (underscore != std::string::npos && underscore > 0) return testo.substr(1, underscore - 1);
    const size_t dash = testo.find('-');
    if (dash == std::string::npos || dash < 3) return {};  // no room for a code
    return testo.substr(1, dash - 2);
}

std::string costruisciFiltroIrregolarita(Sistema& s, const DateTime& oggi, bool conTolleranza) {
    return costruisciFiltroIrregolarita(s, oggi, conTolleranza, s.corrente.Filtro_Centro);
}

std::string costruisciFiltroIrregolarita(Sistema& s, const DateTime& oggi, bool conTolleranza,
                                         const std::string& filtroCentro) {
    std::string f;
    for (const Modalita& k : kModalita) {
        f += f.empty() ? "((Modalita=" : " Or (Modalita=";
        f += std::to_string(k.n);
        if (k.tolleranza == 0) {
            f += ")";
            continue;
        }
        const int64_t giorni = conTolleranza ? ZeroSeNullo(s.settings.slot(k.tolleranza)) : 0;
        const std::string d = Data_SqlQ(Value(oggi.addDays(-giorni)));
        f += k.nullBlocca ? " And (Data_Scadenza Is Null Or Data_Scadenza<=" + d + "))"
                          : " And Data_Scadenza<=" + d + ")";
        if (k.centro) f.insert(f.size() - 1, filtroCentro);
    }
    return f + ")";
}

void Elimina_Marker(Sistema& s) {
    struct Passo { std::vector<std::string> triggers; std::string table; std::string where; };
    const std::string marked = "SELECT Codice FROM Gestione_Vendite WHERE Gestione_Vendite.Marker<>0 AND Tipologia=";
    const std::vector<Passo> passi = {
        {{"Gestione_Aggiunte"}, "Gestione_Aggiunte",
         "ID_Pacchetto IN (SELECT ID_Pacchetto FROM Gestione_Vendite WHERE Gestione_Vendite.Marker<>0 AND Tipologia=2 "
         "AND ID_Pacchetto>0)"},
        {{"Gestione_Iscrizioni", "Gestione_Aggiunte"}, "Gestione_Iscrizioni", "Cd_Iscrizione IN (" + marked + "1)"},
        {{"Gestione_Aggiunte"}, "Gestione_Aggiunte",
         "ID IN (SELECT Codice FROM Gestione_Vendite WHERE Gestione_Vendite.Marker<>0 AND Tipologia In (2,3))"},
        {{"Gestione_Bar"}, "Gestione_Bar", "ID IN (" + marked + "4)"},
        {{"AnagraficaC_Clienti"}, "AnagraficaC_Clienti", "ID IN (" + marked + "5)"},
        {{"Gestione_MoneyCard_Ricarica"}, "Gestione_MoneyCard_Ricarica", "ID IN (" + marked + "6)"},
        {{"Gestione_DCard"}, "Gestione_DCard", "ID IN (" + marked + "7)"},
        {{"Gestione_Vendite"}, "Gestione_Vendite", "Gestione_Vendite.Marker<>0"},
    };
    std::vector<std::string> disabled;
    auto enable = [&](const std::string& table) {
        s.db.execute("ALTER TABLE " + table + " ENABLE TRIGGER " + table + "_BD");
        std::erase(disabled, table);
    };
    try {
        for (const Passo& p : passi) {
            for (const auto& t : p.triggers) {
                s.db.execute("ALTER TABLE " + t + " DISABLE TRIGGER " + t + "_BD");
                disabled.push_back(t);
            }
            s.db.execute("DELETE FROM " + p.table + " WHERE " + p.where);
            for (const auto& t : p.triggers) enable(t);
        }
    } catch (const std::exception& e) {
        s.db.logError(e, "Elimina_Marker");
        // A trigger must not stay disabled after a failure: the desk programs rely on it.
        for (const auto& t : std::vector<std::string>(disabled)) {
            try {
                enable(t);
            } catch (const std::exception& e2) {
                s.db.logError(e2, "Elimina_Marker");
            }
        }
    }
}

void Prompt_Riposo(Sistema& s, Messaggio& m) {
    const int address = s.corrente.Indirizzo_Corrente;
    switch (s.corrente.Tipo_Corrente) {
        case 1:
        case 2: {
            const TerminalRow* t = m.terminale;
            const bool operatore = t && (*t)["Attivato_Operatore"].toBool();
            if (!operatore) {
                accoda(s, address, "\f" + m.Riga_Orologio + "|CODICE:_______", m.Tempo_Display);
                accoda(s, address, t && (*t)["Blocco_Tastiera"].toInt() != 0 ? "%K0BXM2" : "%K2BXM2", m.Tempo_Display);
                m.Stato_Nuovo = 2;
            } else {
                accoda(s, address, "\f" + m.Riga_Orologio + "|SBLOCCO:____", m.Tempo_Display);
                accoda(s, address, "%K2BxM2", m.Tempo_Display);
                m.Stato_Nuovo = 1;
            }
            break;
        }
        case 3:
        case 4:
        case 6:
        case 7: m.Stato_Nuovo = 2; break;
        default: break;
    }
}

void Elabora_Messaggi(Sistema& s, std::string& messaggio) {
    if (Nullo_Vuoto(Value(messaggio))) return;
    Messaggio m;
    Corrente& c = s.corrente;
    try {
        const DateTime now = s.clock.now();
        m.oggi = now.datePart();
        m.ora = now.timeOnDay1900();
        m.giornoSettimana = now.weekdayMonday1();
        m.Riga_Orologio = rigaOrologio(now);

        {
            auto rs = s.db.open("SELECT Stato, Codice_Cliente, Importo, MoneyCard  FROM Stato_Terminali  WHERE Indirizzo=" +
                                std::to_string(c.Indirizzo_Corrente) + " AND Messaggio Is Null ");
            if (rs->eof()) {
                s.operatore.messageBox("Terminale n° " + std::to_string(c.Indirizzo_Corrente) + " non inizializzato",
                                       Icona::Informazione);
                return;
            }
            m.Stato = static_cast<int>(rs->field(0).toInt());
            m.Codice_Cliente = rs->field(1);
            m.Importo = rs->field(2);
            m.MoneyCard = static_cast<int16_t>(rs->field(3).toInt());
        }

        if (!s.registro.trova(c.Indirizzo_Corrente)) {
            // Judging the read with another terminal's settings would give a wrong verdict.
            s.log.error(0, "Terminal " + std::to_string(c.Indirizzo_Corrente) + " is not configured: message dropped",
                        "Elabora_Messaggi");
            return;
        }
        m.terminale = s.registro.corrente();
        const TerminalRow& t = *m.terminale;
        caricaTerminale(s, t);
        impostaCentro(s, t);

        switch (s.config.Dispositivo) {
            case 1: m.Codice_Letto = StringaMessaggio(1, messaggio); break;
            case 2:
            case 3:
            case 4: m.Codice_Letto = messaggio; break;
            default: break;
        }

        {
            auto rs = s.db.open("SELECT TOP 1 Tipo_Op  FROM wSys_SpecialCards  WHERE Codice_Card=" + CChrQ(Value(m.Codice_Letto)));
            if (!rs->eof() && rs->field(0).toInt() == 1) {
                rs.reset();
                Elimina_Marker(s);
                return;
            }
        }

        c.Filtro_Irregolarita = costruisciFiltroIrregolarita(s, m.oggi, true);
        c.Filtro_Scadenze = costruisciFiltroIrregolarita(s, m.oggi, false);

        // The state machine.
        const int address = c.Indirizzo_Corrente;
        Fine fine = Fine::ScriviStato;
        if (s.registro.conSub(address) && m.Stato == 4) {
            s.log.error(0, "Bookings at sub-areas are not available yet: read " + m.Codice_Letto + " not processed",
                        "Elabora_Messaggi");
            Prompt_Riposo(s, m);
            scriviStato(s, m);
            return;
        }
        if (m.Stato == 10 && t["Gestisci_Attivita"].toInt() == 1) {
            if (m.Codice_Letto != "1") {
                accoda(s, address, "\fOPERAZIONE|ANNULLATA", 2);
                m.Stato_Nuovo = 2;
                m.Codice_Cliente = Value::null();
                Prompt_Riposo(s, m);
                scriviStato(s, m);
                return;
            }
            m.Codice_Letto = m.Codice_Cliente.toText();
        }
        if (m.Stato == 1 && sblocco(s, m)) {
            scriviStato(s, m);
            return;
        }
        const bool moneyCard = t["MoneyCard"].toInt() != 0;
        if (moneyCard && Elabora_MoneyCard(s, m) == 0) return;
        s.lettura.Tessera_Letta.clear();
        s.lettura.Note_Tessera_Letta.clear();
        if (m.Stato != 2 && m.Stato != 8 && m.Stato != 9 && m.Stato != 10) return;
        // The member chose the entry in the money-card menu: the read is theirs.
        if (moneyCard) m.Codice_Letto = m.Codice_Cliente.toText();
        if (m.Stato == 8 || m.Stato == 9) fine = controlloCliente(s, m);
        else fine = dispatchCodice(s, m);
        if (fine == Fine::ScriviStato) scriviStato(s, m);
    } catch (const std::exception& e) {
        s.db.logError(e, "Elabora_Messaggi");
    }
}

}  // namespace velaris
