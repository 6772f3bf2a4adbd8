#include "terminals/registry.h"

#include "app/format.h"
#include "terminals/queue.h"
#include "terminals/sender.h"

namespace velaris {

namespace {

using Icona = Operatore::Icona;

std::vector<TerminalRow> readTerminals(Database& db) {
    auto rs = db.open("SELECT *  FROM Dettaglio_Terminali  WHERE Attivo<>0  ORDER BY Indirizzo ");
    auto columns = std::make_shared<std::vector<std::string>>();
    for (int i = 0; i < rs->fieldCount(); ++i) columns->push_back(rs->fieldName(i));
    std::vector<TerminalRow> rows;
    for (; !rs->eof(); rs->moveNext()) {
        std::vector<Value> values;
        values.reserve(columns->size());
        for (int i = 0; i < rs->fieldCount(); ++i) values.push_back(rs->field(i));
        rows.emplace_back(columns, std::move(values));
    }
    return rows;
}

std::string textOrEmpty(const Value& v) { return v.isNullOrEmpty() ? std::string() : v.toText(); }

// Brings up the link; false when initialisation must end (the operator has been told).
bool bringUpLink(Sistema& s, int highest) {
    switch (s.config.Dispositivo) {
        case 1: {
            s.ritardoCoda = 2;
            const int port = s.config.Port == 0 ? 1 : s.config.Port;
            if (!s.net92 || s.net92->InitN92(port, 2, highest, 0) <= 0) {
                s.operatore.messageBox("Errore nell'inizializzazione della rete NET92", Icona::Critico);
                return false;
            }
            s.Terminali_Inizializzati = true;
            return true;
        }
        case 2: {
            s.ritardoCoda = 3;
            if (!s.etherCtrl) return false;
            switch (s.etherCtrl->SetDefaultTTYMode(1)) {
                case -1: s.operatore.messageBox("SetDefaultTTYMode: error.", Icona::Critico); return false;
                case -2: s.operatore.messageBox("SetDefaultTTYMode: mode not allowed.", Icona::Critico); return false;
                case -3: s.operatore.messageBox("SetDefaultTTYMode: new port reply mode is set.", Icona::Critico); return false;
                default: break;
            }
            switch (s.etherCtrl->StartService()) {
                case 0: s.Terminali_Inizializzati = true; break;
                case -1: s.operatore.messageBox("Service already inizialized.", Icona::Critico); return false;
                case -2: s.operatore.messageBox("Unable to create the Timer.", Icona::Critico); return false;
                case -3: s.operatore.messageBox("Network card errore.", Icona::Critico); return false;
                case -4: s.operatore.messageBox("UDP PORT already in use by another program.", Icona::Critico); return false;
                default: break;
            }
            return true;
        }
        case 3:
        case 4: {
            s.ritardoCoda = 0;
            std::string error;
            if (!s.connessioni || !s.connessioni->listen(error)) {
                s.operatore.messageBox("Impossibile aprire la porta " +
                                           std::to_string(s.config.Dispositivo == 3 ? s.config.Http_Port
                                                                                    : s.config.Tcp_Port) +
                                           ": " + error,
                                       Icona::Critico);
                return false;
            }
            s.loop.yieldOnce();
            s.Terminali_Inizializzati = true;
            if (s.config.Dispositivo == 4) s.db.execute("DELETE FROM wTmp_Letture_SQL ");
            return true;
        }
        default: return false;
    }
}

// Asks a terminal whether it is there; true when it answered.
bool probe(Sistema& s, const TerminalRow& row) {
    const int address = row.indirizzo();
    const std::string ip = textOrEmpty(row["Indirizzo_IP"]);
    switch (s.config.Dispositivo) {
        case 1: {
            if (!s.net92) return false;
            s.net92->SendMsg(address, "%%");
            std::string buffer = bufferLettura();
            const auto start = std::chrono::steady_clock::now();
            long lastSecond = -1;
            return s.loop.waitUntil(
                [&] {
                    const long second = static_cast<long>(
                        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count());
                    if (second == lastSecond) return false;
                    lastSecond = second;
                    const int r = s.net92->PollTerm(address, buffer);
                    return r == 1 || r == 2;
                },
                std::chrono::seconds(4));
        }
        case 2: {
            s.registro.Terminali_Rete.push_back({address, ip});
            std::string probeText = "%%";
            return KxSendMsg(s, address, probeText, 0) == 0;
        }
        case 3:
            s.registro.Terminali_Rete.push_back({address, ip});
            if (s.timer2) s.timer2->setInterval(std::chrono::milliseconds(10000));
            return true;
        case 4: {
            s.registro.Terminali_Rete.push_back({address, ip});
            if (!s.client) return false;
            // Each terminal must answer for itself: an answer left from the previous
            // terminal's probe does not count.
            s.client->resetRisposta();
            if (s.client->state() == 0) {
                s.client->sendCommand(ip, std::string("\x02") + "17" + "\x03");
                s.loop.yieldFor(std::chrono::seconds(3));
                if (s.client->state() == 6) s.client->close();
            }
            return s.client->risposta();
        }
        default: return false;
    }
}

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
    const int tipo = static_cast<int>(row["Tipo"].toInt());
    switch (tipo) {
        case 1:
        case 2:
            if (row["Attivato_Operatore"].toBool()) return {{"\f" + riga + "|SBLOCCO:____", "%K2BxM2"}, 1};
            return {{"\f" + riga + "|CODICE:_______", row["Blocco_Tastiera"].toInt() != 0 ? "%K0BXM2" : "%K2BXM2"}, 2};
        case 3: return {{"%CA"}, 2};
        case 5: return {{"S00000000"}, 2};  // a terminal of this type starts ready, like the others
        default: return {{}, 2};
    }
}

void Inizializza_Terminali(Sistema& s) {
    s.Fase_Errore = 1;
    s.Terminali_Inizializzati = false;
    if (s.config.Dispositivo <= 0) return;
    Registro& r = s.registro;
    try {
        r.Rs_Terminali = readTerminals(s.db);
        r.posizione = r.Rs_Terminali.empty() ? -1 : 0;
        if (r.Rs_Terminali.empty()) {
            s.operatore.messageBox("Nessun terminale trovato", Icona::Informazione);
            return;
        }
        const int highest = r.Rs_Terminali.back().indirizzo();

        if (s.config.Dispositivo >= 2 && s.config.Dispositivo <= 4) {
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
        if (s.config.Dispositivo == 2) {
            r.Occupato_Terminale.assign(static_cast<size_t>(std::max(highest, 0) + 1), 0);
            r.Errori_Terminale.assign(static_cast<size_t>(std::max(highest, 0) + 1), 0);
            r.Elenco_IP.clear();
            auto rs = s.db.open("SELECT Indirizzo_IP  FROM Dettaglio_Terminali  WHERE Attivo<>0 AND Not Indirizzo_IP Is "
                                "Null  GROUP BY Indirizzo_IP  ORDER BY Indirizzo_IP ");
            for (; !rs->eof(); rs->moveNext()) r.Elenco_IP.push_back({rs->field(0).toText(), 0});
        }

        if (!bringUpLink(s, highest)) return;

        s.db.execute("DELETE FROM Stato_Terminali");
        s.db.execute("DELETE FROM wTmp_ArticoliTerminali ");
        if (s.timer1) s.timer1->setInterval(std::chrono::milliseconds(1000));
    } catch (const std::exception& e) {
        s.operatore.messageBox(e.what(), Icona::Critico);
        return;
    }

    std::string riga = rigaOrologio(s.clock.now());
    std::string failed;
    for (const TerminalRow& row : r.Rs_Terminali) {
        const int address = row.indirizzo();
        try {
            if (row["Uscita"].toInt() != 0) {
                r.Terminali_Uscita = true;
                if (row["Personale"].toInt() != 0) r.Terminali_Uscita_Personale = true;
            }
            caricaParametriTerminale(s, row);
            s.Fase_Errore = 2;
            bool answered = false;
            try {
                answered = probe(s, row);
            } catch (const std::exception&) {
                answered = false;  // a failing probe counts as no answer
            }
            s.Fase_Errore = 1;
            riga = rigaOrologio(s.clock.now());
            if (!answered) {
                failed += std::to_string(address) + ", ";
                continue;
            }
            if (s.config.Dispositivo == 1) r.Terminali_Rete.push_back({address, textOrEmpty(row["Indirizzo_IP"])});

            const PromptIniziale prompt = promptIniziale(row, riga);
            for (const std::string& text : prompt.testi) accoda(s, address, text, s.ritardoCoda);

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
