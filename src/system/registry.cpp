#include "system/registry.h"

#include "base/format.h"
#include "base/workstation.h"
#include "system/queue.h"
#include "system/sender.h"
#include "terminals/httppush/http_reply.h"
#include "system/terminal_states.h"
#include "system/terminal_types.h"

namespace velaris {

namespace {

using Icona = Operatore::Icona;

// The active terminals this workstation's server drives: those whose `Postazione` is
// blank or names this workstation (a database without the column has only those).
std::vector<TerminalRow> readTerminals(Database& db, bool& condiviso) {
    auto rs = db.open("SELECT *  FROM Dettaglio_Terminali  WHERE Attivo<>0  ORDER BY Indirizzo ");
    auto columns = std::make_shared<std::vector<std::string>>();
    for (int i = 0; i < rs->fieldCount(); ++i) columns->push_back(rs->fieldName(i));
    const std::string io = workstationName();
    std::vector<TerminalRow> rows;
    condiviso = false;
    for (; !rs->eof(); rs->moveNext()) {
        std::vector<Value> values;
        values.reserve(columns->size());
        for (int i = 0; i < rs->fieldCount(); ++i) values.push_back(rs->field(i));
        TerminalRow row(columns, std::move(values));
        const Value& postazione = row["Postazione"];
        if (!Nullo_Vuoto(postazione) && !sameName(trimBlanks(postazione.toText()), io)) {
            condiviso = true;
            continue;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string textOrEmpty(const Value& v) { return v.isNullOrEmpty() ? std::string() : v.toText(); }

}  // namespace

void caricaParametriTerminale(Sistema& s, const TerminalRow& row) {
    Corrente& c = s.corrente;
    c.Tipo_Corrente = static_cast<int>(row["Tipo"].toInt());
    c.Stop = static_cast<int16_t>(row["Stop"].toInt());
    c.Vai = static_cast<int16_t>(row["Vai"].toInt());
    c.TempoStop = row["TempoStop"];
    c.TempoVai = row["TempoVai"];
    c.NReleStop = static_cast<int16_t>(row["NReleStop"].toInt());
    c.NReleVai = static_cast<int16_t>(row["NReleVai"].toInt());
}

PromptIniziale promptIniziale(const TerminalRow& row, const std::string& riga) {
    switch (row["Tipo"].toInt()) {
        case tipo::TastieraA:
        case tipo::TastieraB:
            if (row["Attivato_Operatore"].toBool())
                return {{"\f" + riga + "|SBLOCCO:____", "%K2BxM2"}, stato::Bloccato};
            return {{"\f" + riga + "|CODICE:_______", row["Blocco_Tastiera"].toInt() != 0 ? "%K0BXM2" : "%K2BXM2"},
                    stato::Pronto};
        case tipo::LettoreA: return {{"%CA"}, stato::Pronto};
        case tipo::Tcp: return {{"S00000000"}, stato::Pronto};  // a terminal of this type starts ready, like the others
        default: return {{}, stato::Pronto};
    }
}

void Prompt_Riposo_Immediato(Sistema& s, int address) {
    const TerminalRow* row = s.registro.perIndirizzo(address);
    if (!row) return;
    if ((*row)["Tipo"].toInt() == tipo::HttpPush) {
        if (s.link && s.corrente.Indice_Socket > 0)
            s.link->writeTo(s.corrente.Indice_Socket, httpResponse(idleBody(), s.clock));
        return;
    }
    for (std::string text : promptIniziale(*row, rigaOrologio(s.clock.now())).testi) KxSendMsg(s, address, text, 0);
}

void Inizializza_Terminali(Sistema& s) {
    s.Terminali_Inizializzati = false;
    if (!s.link) return;
    TerminalLink& link = *s.link;
    const LinkTraits& traits = link.traits();
    Registro& r = s.registro;
    try {
        r.Rs_Terminali = readTerminals(s.db, r.condiviso);
        r.posizione = r.Rs_Terminali.empty() ? -1 : 0;
        if (r.Rs_Terminali.empty()) {
            s.operatore.messageBox("Nessun terminale trovato", Icona::Informazione);
            return;
        }

        if (traits.needsIp) {
            std::string missing;
            for (const auto& row : r.Rs_Terminali)
                if (Nullo_Vuoto(row["Indirizzo_IP"])) missing += std::to_string(row.indirizzo()) + ", ";
            if (!missing.empty()) {
                s.operatore.messageBox("I seguenti terminali non hanno specificato l'indirizzo IP : " + missing + "\r" +
                                           "Impossibile proseguire.",
                                       Icona::Critico);
                return;
            }
        }

        std::vector<LinkTerminal> terminals;
        for (const auto& row : r.Rs_Terminali) terminals.push_back({row.indirizzo(), textOrEmpty(row["Indirizzo_IP"])});
        const LinkStart start = link.bringUp(terminals);
        if (!start.error.empty()) {
            s.operatore.messageBox(start.error, Icona::Critico);
            return;
        }
        s.Terminali_Inizializzati = start.up;
        if (start.up && traits.clearsReadTable) s.db.execute("DELETE FROM wTmp_Letture_SQL ");

        // A shared database keeps the other servers' state and queue rows.
        s.db.execute(r.condiviso ? "DELETE FROM Stato_Terminali WHERE Indirizzo > 0" + r.soloPropri()
                                 : std::string("DELETE FROM Stato_Terminali"));
        s.db.execute("DELETE FROM wTmp_ArticoliTerminali ");
        if (s.timer1) s.timer1->setInterval(std::chrono::milliseconds(1000));
    } catch (const std::exception& e) {
        s.operatore.messageBox(e.what(), Icona::Critico);
        return;
    }

    std::string riga = rigaOrologio(s.clock.now());
    std::string failed;
    for (const TerminalRow& row : r.Rs_Terminali) {
        const LinkTerminal terminal{row.indirizzo(), textOrEmpty(row["Indirizzo_IP"])};
        const int address = terminal.address;
        try {
            if (row["Uscita"].toInt() != 0) {
                r.Terminali_Uscita = true;
                if (row["Personale"].toInt() != 0) r.Terminali_Uscita_Personale = true;
            }
            caricaParametriTerminale(s, row);
            bool answered = false;
            try {
                if (traits.listsUnanswered) r.Terminali_Rete.push_back({address, terminal.ip});
                answered = link.probe(terminal);
                if (traits.checksConnections && s.timer2) s.timer2->setInterval(std::chrono::milliseconds(10000));
            } catch (const std::exception&) {
                answered = false;  // a failing probe counts as no answer
            }
            riga = rigaOrologio(s.clock.now());
            if (!answered) {
                failed += std::to_string(address) + ", ";
                continue;
            }
            if (!traits.listsUnanswered) r.Terminali_Rete.push_back({address, terminal.ip});

            const PromptIniziale prompt = promptIniziale(row, riga);
            for (const std::string& text : prompt.testi) accoda(s, address, text, traits.promptDelay);

            if (r.Terminale_Con_Sub.size() <= static_cast<size_t>(std::max(address, 0)))
                r.Terminale_Con_Sub.resize(static_cast<size_t>(std::max(address, 0)) + 1, false);
            // Any terminal with machine rows serves bookings, with or without a facility.
            {
                std::string domain = "Dettaglio_Terminali_Sub";
                r.Terminale_Con_Sub[static_cast<size_t>(std::max(address, 0))] =
                    DCountQ(s.db, "*", domain, "ID_Terminale=" + Num_SqlQ(row["ID"])) > 0;
            }
            s.db.execute("INSERT INTO Stato_Terminali (Indirizzo, Stato, Tipo)  VALUES (" + std::to_string(address) +
                         ", " + std::to_string(prompt.stato) + ", " + Num_SqlQ(row["Tipo"]) + ")");
        } catch (const std::exception& e) {
            // An unexpected failure on one terminal is reported once and the terminal left
            // out; the others are still served.
            s.operatore.messageBox(e.what(), Icona::Critico);
            failed += std::to_string(address) + ", ";
        }
    }
    if (!failed.empty())
        s.operatore.messageBox("Inizializzazione non riuscita dei terminali agli indirizzi : " + failed,
                               Icona::Informazione);
}

}  // namespace velaris
