#pragma once
// A small centre on the NET92 link for the scenario tests: settings, one member with a
// badge, a facility, helpers to read at a terminal and to see what it was sent.

#include <gtest/gtest.h>

#include <sqlite3.h>

#include "attendance/righe.h"
#include "processing/intake.h"
#include "support/fake_links.h"
#include "system/registry.h"

namespace velaris::test {

struct Centro : ::testing::Test {
    SystemFixture x{1};

    void SetUp() override {
        x.f.native(
            "INSERT INTO Impostazioni_Funzionamento (Utilizza_CodBis, Tempo_Attesa, Gestione_Entrate, NoEntry2, NoEntry5) "
            "  VALUES (-1, 3, 0, -1, -1);"
            "INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES "
            "  (2, 'Rinnovo quota associativa', 'RINNOVO QUOTA'), (5, 'Rata scaduta', 'RATA SCADUTA');"
            "INSERT INTO Anagrafica_Strutture (Codice_Struttura, Descrizione, Esterna, NoVerifica_Irregolari) "
            "  VALUES ('ST001', 'SALA ATTREZZI', 0, 1);"
            "INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis, Cognome, Nome) "
            "  VALUES ('CL000001', '0001234501', 'ROSSI ', 'MARIO');");
        x.s.settings.Defaults_DopoAggiornamento();
        x.at(10, 30, 0);
    }

    // Brings the configured terminals up and forgets what start-up sent them.
    void avvia() {
        for (int a = 1; a <= 20; ++a) x.net92.answers[a] = 1;
        Inizializza_Terminali(x.s);
        ASSERT_TRUE(x.s.Terminali_Inizializzati);
        x.f.native("DELETE FROM Stato_Terminali WHERE Messaggio IS NOT NULL");
        x.net92.sent.clear();
        x.f.logLines.clear();
    }

    void sql(const std::string& s) { x.f.native(s); }

    // Settings changed as the desk changes them, then read again as the server does.
    void impostazione(const std::string& assegnazioni) {
        sql("UPDATE Impostazioni_Funzionamento SET " + assegnazioni);
        x.s.settings.Defaults_DopoAggiornamento();
    }

    // Forgets what the previous read left for the terminals and the log.
    void pulisci() {
        sql("DELETE FROM Stato_Terminali WHERE Messaggio IS NOT NULL OR Indirizzo=0");
        x.net92.sent.clear();
        x.f.logLines.clear();
    }

    // A subscription of `cliente` for 2024 (type AB001) with its line 1 on `attivita`.
    void abbonamento(const std::string& cliente, const std::string& iscrizione, int sedute = 0, int fatte = 0,
                     const std::string& attivita = "ST001", const std::string& descrizione = "ANNUALE") {
        sql("INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Descrizione, "
            "Data_Inizio, Data_Fine, Scaduta) VALUES ('" + iscrizione + "', '" + cliente + "', 'AB001', '" +
            descrizione + "', '2024-01-01 00:00:00', '2024-12-31 00:00:00', 0)");
        linea(cliente, iscrizione, 1, sedute, fatte, 0, attivita);
    }
    // A line of 2024: entries counted when `sedute` > 0.
    void linea(const std::string& cliente, const std::string& iscrizione, int prog, int sedute, int fatte,
               int scaduta = 0, const std::string& attivita = "ST001") {
        sql("INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, "
            "Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte, Scaduta) VALUES ('" +
            iscrizione + "', " + std::to_string(prog) + ", '" + cliente + "', 'AB001', '" + attivita + "', 1, "
            "'2024-01-01 00:00:00', '2024-12-31 00:00:00', " + (sedute > 0 ? "2" : "1") + ", " +
            std::to_string(sedute) + ", " + std::to_string(fatte) + ", " + std::to_string(scaduta) + ")");
    }

    // A read at a NET92 terminal: kind letter, the code, a blank, the dash and a tail.
    void leggi(int address, const std::string& code) {
        x.s.corrente.Indirizzo_Corrente = address;
        std::string msg = "A" + code + " -X";
        Elabora_Messaggi(x.s, msg);
    }

    // Texts sent at once to `address`, in order.
    std::vector<std::string> inviati(int address) const {
        std::vector<std::string> out;
        for (const Sent& s : x.net92.sent)
            if (s.address == address) out.push_back(s.text);
        return out;
    }

    Value stato(int address, const char* col = "Stato") {
        return x.scalar(std::string("SELECT ") + col + " FROM Stato_Terminali WHERE Messaggio Is Null AND Indirizzo=" +
                        std::to_string(address));
    }
    int64_t conta(const std::string& tableAndWhere) { return x.scalar("SELECT Count(*) FROM " + tableAndWhere).toInt(); }
    // A query's rows as text: one assertion states whole rows (and catches a missing or extra one).
    std::string righe(const std::string& query) { return velaris::test::righe(x, query); }

    // A fresh read at `address`: what was sent at once.
    std::vector<std::string> rilegge(int address, const std::string& code) {
        pulisci();
        leggi(address, code);
        return inviati(address);
    }

    // True when a log line holds `testo`.
    bool registrato(const std::string& testo) const {
        for (const std::string& l : x.f.logLines)
            if (l.find(testo) != std::string::npos) return true;
        return false;
    }

    // A read at `address` while every read of `tabella` fails: a database failure mid-read.
    void leggiGuasto(const char* tabella, int address, const std::string& code = "0001234501");

    // Log lines that report an error.
    std::vector<std::string> errori() const {
        std::vector<std::string> out;
        for (const std::string& l : x.f.logLines)
            if (l.find("Error:") != std::string::npos) out.push_back(l);
        return out;
    }

    static std::vector<std::string> prompt(const std::string& riga = "gio 07 mar 10:30") {
        return {"\f" + riga + "|CODICE:_______", "%K2BXM2"};
    }
};

// Refuses every read of one table while alive: a database failure in the middle of a read.
class TabellaGuasta {
public:
    TabellaGuasta(sqlite3* db, std::string table) : db_(db), table_(std::move(table)) {
        sqlite3_set_authorizer(db_, &TabellaGuasta::authorize, this);
    }
    ~TabellaGuasta() { sqlite3_set_authorizer(db_, nullptr, nullptr); }

private:
    static int authorize(void* self, int action, const char* a, const char*, const char*, const char*) {
        const auto* me = static_cast<TabellaGuasta*>(self);
        if (action == SQLITE_READ && a && me->table_ == a) return SQLITE_DENY;
        return SQLITE_OK;
    }
    sqlite3* db_;
    std::string table_;
};

inline void Centro::leggiGuasto(const char* tabella, int address, const std::string& code) {
    TabellaGuasta guasto(x.f.engineHandle(), tabella);
    leggi(address, code);
}

}  // namespace velaris::test
