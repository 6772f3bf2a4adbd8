#include "processing/intake.h"

#include "base/format.h"
#include "processing/dialogo.h"
#include "processing/gestisci_attivita.h"
#include "processing/prenotazioni.h"
#include "processing/money_card_dialogo.h"
#include "system/queue.h"
#include "system/registry.h"
#include "system/sender.h"
#include "system/terminal_states.h"
#include "system/terminal_types.h"

namespace velaris {

namespace {

using Icona = Operatore::Icona;

void scriviStato(Sistema& s, const Messaggio& m) {
    // Sent on its own, after the reply: a state write that fails leaves the reply queued.
    s.db.execute("UPDATE Stato_Terminali SET Stato = " + std::to_string(m.Stato_Nuovo) +
                 ", Importo = " + Num_SqlQ(m.Importo) + ", Codice_Cliente = " + CChrQ(m.Codice_Cliente) +
                 ", Tipo = " + std::to_string(s.corrente.Tipo_Corrente) + ", Regolare = " + std::to_string(m.Regolare) +
                 ", FuoriOrario = " + std::to_string(m.FuoriOrario) +
                 " WHERE Indirizzo = " + std::to_string(s.corrente.Indirizzo_Corrente) +
                 // Queued messages and injected reads of the terminal share its address: the
                 // state belongs to the state row alone (an injected read must stay at 500).
                 " AND Messaggio Is Null");
    Segui_Dialogo(s, s.corrente.Indirizzo_Corrente, m.Stato_Nuovo);
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
        s.settings.setSlot(impostazione::Codice_Centro, centro);
        c.Filtro_Centro = " AND Codice_Centro=" + CChrQ(centro);
    } else {
        c.Codice_Centro_Corrente = s.settings.slot(impostazione::Codice_Centro);
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
        m.Stato_Nuovo = stato::Pronto;
        return true;
    }
    inviaSubito(s, "\fCODICE ERRATO");
    accoda(s, address, "%K2M2", 2);
    accoda(s, address, "\f" + m.Riga_Orologio + "|SBLOCCO:____", 2);
    return false;
}

}  // namespace

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

int Accoda_Prompt_Riposo(Sistema& s, int indirizzo, int tipoTerminale, const TerminalRow* t, const std::string& riga,
                         int ritardo) {
    switch (tipoTerminale) {
        case tipo::TastieraA:
        case tipo::TastieraB: {
            if (!(t && (*t)["Attivato_Operatore"].toBool())) {
                accoda(s, indirizzo, "\f" + riga + "|CODICE:_______", ritardo);
                accoda(s, indirizzo, t && (*t)["Blocco_Tastiera"].toInt() != 0 ? "%K0BXM2" : "%K2BXM2", ritardo);
                return stato::Pronto;
            }
            accoda(s, indirizzo, "\f" + riga + "|SBLOCCO:____", ritardo);
            accoda(s, indirizzo, "%K2BxM2", ritardo);
            return stato::Bloccato;
        }
        case tipo::LettoreA:
        case tipo::LettoreB:
        case tipo::HttpPush:
        case tipo::Muto: return stato::Pronto;
        default: return 0;
    }
}

namespace {

// A read the database failed under, before its terminal got any answer: the idle prompt
// at once and one line that says so (the failure itself has its own line).
void senzaVerdetto(Sistema& s, const std::string& messaggio, const DbError& guasto) {
    const int address = s.corrente.Indirizzo_Corrente;
    std::string codice;
    try {
        codice = s.link ? s.link->code(messaggio) : messaggio;
    } catch (const std::exception&) {
        codice = messaggio;
    }
    s.log.timed("Database unavailable (" + std::to_string(guasto.number()) + "): read " + testoPerLog(codice) +
                " at terminal " + std::to_string(address) + " answered with the idle prompt, no verdict");
    Prompt_Riposo_Immediato(s, address);
}

}  // namespace

void Prompt_Riposo(Sistema& s, Messaggio& m) {
    const int nuovo = Accoda_Prompt_Riposo(s, s.corrente.Indirizzo_Corrente, s.corrente.Tipo_Corrente, m.terminale,
                                           m.Riga_Orologio, m.Tempo_Display);
    if (nuovo != 0) m.Stato_Nuovo = nuovo;
}

void Elabora_Messaggi(Sistema& s, std::string& messaggio) {
    if (Nullo_Vuoto(Value(messaggio))) return;
    // The read's writes reach the embedded engine's journal together, once.
    UnitOfWork lavoro(s.db, "Elabora_Messaggi");
    // The span of the read: what it learns of the database and the writes it holds back.
    ReadScope lettura(s.db);
    Messaggio m;
    Corrente& c = s.corrente;
    c.Risposto = false;
    struct Guasto {
        Sistema& s;
        const std::string& messaggio;
        ~Guasto() {
            try {
                if (const DbError* g = s.db.outage(); g && !s.corrente.Risposto) senzaVerdetto(s, messaggio, *g);
            } catch (const std::exception& e) {
                s.log.timedError(e.what(), "Elabora_Messaggi");
            }
        }
    } guasto{s, messaggio};
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

        if (s.link) m.Codice_Letto = s.link->code(messaggio);

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
        Uscita_Dialogo(s, m);
        if (s.registro.conSub(address) && m.Stato == stato::SceltaPrenotazione) {
            Prenotazioni_Terminali(s, m);
            return;
        }
        if (m.Stato == stato::SceltaAttivazione && t["Gestisci_Attivita"].toInt() == kGestioneAttivita) {
            if (m.Codice_Letto != "1") {
                accoda(s, address, "\fOPERAZIONE|ANNULLATA", 2);
                m.Stato_Nuovo = stato::Pronto;
                m.Codice_Cliente = Value::null();
                Prompt_Riposo(s, m);
                scriviStato(s, m);
                return;
            }
            m.Codice_Letto = m.Codice_Cliente.toText();
        }
        if (m.Stato == stato::Bloccato && sblocco(s, m)) {
            scriviStato(s, m);
            return;
        }
        const bool moneyCard = t["MoneyCard"].toInt() != 0;
        if (moneyCard && Elabora_MoneyCard(s, m) == 0) return;
        s.lettura.Tessera_Letta.clear();
        s.lettura.Note_Tessera_Letta.clear();
        const bool attivita = m.Stato == stato::AttesaAttivita || m.Stato == stato::AttesaConferma;
        if (m.Stato != stato::Pronto && !attivita && m.Stato != stato::SceltaAttivazione) return;
        // The member chose the entry in the money-card menu: the read is theirs.
        if (moneyCard) m.Codice_Letto = m.Codice_Cliente.toText();
        if (attivita) fine = controlloCliente(s, m);
        else fine = dispatchCodice(s, m);
        if (fine == Fine::ScriviStato) scriviStato(s, m);
    } catch (const std::exception& e) {
        s.db.logError(e, "Elabora_Messaggi");
    }
}

}  // namespace velaris
