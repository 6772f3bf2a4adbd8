#pragma once
// A small centre in the embedded database for the entitlement checks: one facility with
// its terminal, the operating settings row, and helpers that add members, lines,
// attendances and fee items. The clock stands on Thursday 2024-03-07.

#include <string>

#include "../attendance/righe.h"
#include "support/fake_links.h"
#include "system/registry.h"

namespace velaris::test {

struct Centro {
    SystemFixture x{1};

    // `impostazioni`: extra "Col=value" assignments of the settings row.
    explicit Centro(const std::string& impostazioni = "", const std::string& terminale = "") {
        x.at(10, 30, 0);
        x.f.native("INSERT INTO Impostazioni_Funzionamento (Tempo_Attesa) VALUES (NULL)");
        if (!impostazioni.empty()) x.f.native("UPDATE Impostazioni_Funzionamento SET " + impostazioni);
        x.s.settings.Defaults_DopoAggiornamento();
        x.f.native("INSERT INTO Anagrafica_Strutture (Codice_Struttura, Descrizione) VALUES ('ST01', 'SALA PESI')");
        x.terminale(1, 1, "", "Codice_Struttura='ST01', Visualizza_Dett=-1" +
                                  (terminale.empty() ? std::string() : ", " + terminale));
        x.net92.answers[1] = 1;
        Inizializza_Terminali(x.s);
        x.f.native("DELETE FROM Stato_Terminali WHERE Messaggio IS NOT NULL");
        x.s.corrente.Indirizzo_Corrente = 1;
        x.s.corrente.Tipo_Corrente = 1;
        x.s.registro.trova(1);
    }

    void sql(const std::string& s) { x.f.native(s); }
    Value scalar(const std::string& s) { return x.scalar(s); }
    std::string righe(const std::string& s) { return velaris::test::righe(x, s); }
    void impostazione(const std::string& assegnazioni) {
        sql("UPDATE Impostazioni_Funzionamento SET " + assegnazioni);
        x.s.settings.Defaults_DopoAggiornamento();
    }
    // Moves the clock (the overdue filters follow the date).
    void alle(int anno, int mese, int giorno, int h, int m) {
        x.f.clock.setFixed(DateTime::fromParts(anno, mese, giorno, h, m, 0));
        x.s.corrente.Filtro_Irregolarita.clear();
    }

    void cliente(const std::string& codice, const std::string& extra = "") {
        sql("INSERT INTO Anagrafica_Clienti (Codice_Cliente, Cognome, Nome, Indirizzo, Stato, Foto, Data_Registrazione) "
            "VALUES ('" + codice + "', 'ROSSI', 'MARIO', 'VIA ROMA 1', 1, 'rossi.jpg', '2023-01-10 00:00:00')");
        if (!extra.empty()) sql("UPDATE Anagrafica_Clienti SET " + extra + " WHERE Codice_Cliente='" + codice + "'");
    }
    // A subscription (Gestione_Iscrizioni) and its facility line (Iscrizioni_Strutture).
    void abbonamento(const std::string& cliente, const std::string& iscrizione, const std::string& tipo,
                     const std::string& inizio = "2024-01-01", const std::string& fine = "2024-12-31") {
        sql("INSERT OR IGNORE INTO Anagrafica_Abbonamenti (Codice_Abbonamento, Descrizione) VALUES ('" + tipo + "', 'TIPO " +
            tipo + "')");
        sql("INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Descrizione, "
            "Data_Inizio, Data_Fine) VALUES ('" + iscrizione + "', '" + cliente + "', '" + tipo + "', 'ANNUALE " + tipo +
            "', '" + inizio + " 00:00:00', '" + fine + " 00:00:00')");
        sql("INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Codice_Struttura, "
            "Data_Inizio, Data_Fine) VALUES ('" + iscrizione + "', '" + cliente + "', '" + tipo + "', 'ST01', '" + inizio +
            " 00:00:00', '" + fine + " 00:00:00')");
    }
    // An attendance of `cliente` on `data` using the line `iscrizione` at `struttura`.
    void presenza(int id, const std::string& cliente, const std::string& data, const std::string& iscrizione,
                  const std::string& struttura = "ST01", int idPacchetto = 0) {
        sql("INSERT INTO Presenze (ID_Presenza, Codice_Cliente, Data_Presenza, Ora_Presenza) VALUES (" +
            std::to_string(id) + ", '" + cliente + "', '" + data + " 00:00:00', '1900-01-01 09:00:00')");
        sql("INSERT INTO Presenze_Strutture (ID_Presenza, Codice_Cliente, Codice_Struttura, Iscrizione, ID_Pacchetto) "
            "VALUES (" + std::to_string(id) + ", '" + cliente + "', '" + struttura + "', '" + iscrizione + "', " +
            std::to_string(idPacchetto) + ")");
    }
    // A fee item of the ledger.
    void voce(const std::string& cliente, int modalita, const std::string& scadenza, double importo = 10) {
        sql("INSERT INTO Giornale (Modalita, Codice_Cliente, Data_Scadenza, Importo_DaPagare) VALUES (" +
            std::to_string(modalita) + ", '" + cliente + "', " +
            (scadenza.empty() ? std::string("NULL") : "'" + scadenza + " 00:00:00'") + ", " + std::to_string(importo) + ")");
    }
    // An interval record: `unita` 1 day .. 4 year, `giorni` the weekday flags Monday..Sunday ("1111100").
    int intervallo(int n, int unita, const std::string& giorni = "1111111") {
        std::string v;
        for (char c : giorni) v += std::string(", ") + (c == '1' ? "-1" : "0");
        sql("INSERT INTO Intervalli_DD (DDIntervallo, Periodo_SMA, Lun, Mar, Mer, Gio, Ven, Sab, Dom) VALUES (" +
            std::to_string(n) + ", " + std::to_string(unita) + v + ")");
        return static_cast<int>(scalar("SELECT Max(ID) FROM Intervalli_DD").toInt());
    }
};

}  // namespace velaris::test
