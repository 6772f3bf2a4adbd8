#pragma once
// Shared set-up of the schema and statement-corpus tests: a fresh embedded database built
// from schema/centro.sql, a few hand-made rows that the statements can be checked
// against, and helpers that run a statement through the engine and report the statement
// text with the engine's error when it fails.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <sstream>
#include <string>

#include "db/literals.h"
#include "support/test_support.h"

namespace velaris::test {

// The moment the fixture's clock is fixed at: Thursday 7 March 2024, 10:30:00.
inline DateTime corpusNow() { return DateTime::fromParts(2024, 3, 7, 10, 30, 0); }
inline DateTime corpusDay(int offset = 0) { return DateTime::fromParts(2024, 3, 7).addDays(offset); }

// Literals as the statement builders write them.
inline std::string Q(const char* text) { return CChrQ(Value(text)); }
inline std::string N(double n) { return Num_SqlQ(Value(n)); }
inline std::string N(int n) { return Num_SqlQ(Value(n)); }
inline std::string D(int offset = 0) { return Data_SqlQ(Value(corpusDay(offset))); }
inline std::string T(int hour, int minute, int second = 0) {
    return Ora_SqlQ(Value(DateTime::fromParts(2024, 3, 7, hour, minute, second)));
}

inline std::string readSchemaScript() {
    std::ifstream in(schemaFile());
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The engine registers the TSQL collation; a build whose engine does not (yet) gets an
// equivalent here so that the schema itself can still be checked.
inline int fallbackCollate(void*, int na, const void* a, int nb, const void* b) {
    auto trim = [](const unsigned char* p, int n) {
        while (n > 0 && p[n - 1] == ' ') --n;
        return n;
    };
    const auto* pa = static_cast<const unsigned char*>(a);
    const auto* pb = static_cast<const unsigned char*>(b);
    na = trim(pa, na);
    nb = trim(pb, nb);
    for (int i = 0; i < na && i < nb; ++i) {
        const int ca = (pa[i] >= 'a' && pa[i] <= 'z') ? pa[i] - 32 : pa[i];
        const int cb = (pb[i] >= 'a' && pb[i] <= 'z') ? pb[i] - 32 : pb[i];
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return na == nb ? 0 : (na < nb ? -1 : 1);
}

inline void ensureCollation(sqlite3* db) {
    sqlite3_stmt* st = nullptr;
    const int rc = sqlite3_prepare_v2(db, "SELECT 'a' = 'A' COLLATE TSQL", -1, &st, nullptr);
    sqlite3_finalize(st);
    if (rc != SQLITE_OK) sqlite3_create_collation(db, "TSQL", SQLITE_UTF8, nullptr, fallbackCollate);
}

// A database with the centre schema; statements run through the engine as the system
// sends them, checks read the stored rows natively (on SQL Server through the engine, in
// the embedded engine's stored form).
class SchemaDb {
public:
    SchemaDb() : fixture() {
        if (fixture.sqlite) ensureCollation(fixture.sqlite->handle());
        fixture.native(readSchemaScript());
    }

    DbFixture fixture;

    // The embedded engine itself (SQLite only).
    SqliteConnection& engine() { return *fixture.sqlite; }
    void native(const std::string& sql) { fixture.native(sql); }

    // Runs a statement through the engine; a failure is reported with its text.
    bool run(const std::string& sql) {
        try {
            fixture.db.execute(sql);
            return true;
        } catch (const std::exception& e) {
            ADD_FAILURE() << "statement failed: " << e.what() << "\n    " << sql;
            return false;
        }
    }

    // Opens a query through the engine and reads it whole.
    ResultTable query(const std::string& sql) {
        try {
            auto rs = fixture.db.open(sql);
            return readAll(*rs);
        } catch (const std::exception& e) {
            ADD_FAILURE() << "query failed: " << e.what() << "\n    " << sql;
            return {};
        }
    }

    // First column of the first row of a query through the engine; Null when no row.
    Value first(const std::string& sql) {
        ResultTable t = query(sql);
        if (t.rows.empty() || t.rows[0].empty()) return Value::null();
        return t.rows[0][0];
    }

    // First column of the first row, read natively (stored form); "" for Null or no row.
    std::string stored(const std::string& sql) {
        if (!fixture.sqlite) return storedThroughEngine(sql);
        sqlite3_stmt* st = nullptr;
        std::string out;
        if (sqlite3_prepare_v2(engine().handle(), sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << "check failed: " << sqlite3_errmsg(engine().handle()) << "\n    " << sql;
            return out;
        }
        if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL)
            out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
        return out;
    }
    long long storedInt(const std::string& sql) {
        const std::string s = stored(sql);
        return s.empty() ? 0 : std::stoll(s);
    }

private:
    // The value as the embedded engine stores it: booleans -1 and 0, date/times canonical.
    std::string storedThroughEngine(const std::string& sql) {
        const Value v = first(sql);
        if (v.isNullOrEmpty()) return {};
        if (v.kind() == Value::Kind::Bool) return v.toBool() ? "-1" : "0";
        if (auto d = v.isDate() ? v.toDate() : std::nullopt) return d->canonical();
        return v.toText();
    }
};

// A few rows of a small centre on Thursday 7 March 2024, written natively in the stored
// form, for the statements to find and change.
inline const char* corpusSeed() {
    return R"sql(
INSERT INTO Impostazioni_Funzionamento (Giorni_Sospensione, Tempo_Attesa, Utilizza_CodBis, Verificato, Tolleranza1,
    Tolleranza2, Tolleranza3, Tolleranza11, Tolleranza13, AnticipoPren, PrenComePres, DB_Unico, Formato_Etichette,
    NoEntry2, NoEntry5, NoEntry16)
VALUES (30, 2, -1, -1, 15, 30, 10, 15, 10, 15, 0, 0, 1, -1, -1, -1);
INSERT INTO wCab_FormatoEtichette (Codice, Descrizione, NomeReport) VALUES (1, 'ETICHETTA 62x29', 'rptEtichetta62x29');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (5, 'Rata scaduta', 'RATA SCADUTA');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (2, 'Rinnovo quota', 'RINNOVO QUOTA');
INSERT INTO Tabella_ScadenzeFisse (Tipo_Scadenza, Scadenza, Gestisci, Importo, Pagamento, Cd_Iva, Durata_Std, Ingresso)
VALUES (1, 'QUOTA ASSOCIATIVA', -1, 30, 1, '22', 12, -1), (3, 'ASSICURAZIONE', -1, 15, 1, 'ES', 12, -1);
INSERT INTO Permessi_Utenti (Codice_Operatore, Nome, InUse) VALUES ('ADMIN', 'Amministratore', -1), ('RECEPTION', 'Reception', 0);
INSERT INTO Contatori (Cd_Tipo, Contatore, ContatoreN) VALUES (5, 120, 7);
INSERT INTO Intervalli_DD (ID, Descrizione, DDIntervallo, Periodo_SMA, Lun, Mar, Mer, Gio, Ven, Sab, Dom)
VALUES (1, 'SETTIMANA', 1, 2, -1, -1, -1, -1, -1, -1, -1), (2, 'LUNEDI E MERCOLEDI', 1, 2, -1, 0, -1, 0, 0, 0, 0);

INSERT INTO Anagrafica_Strutture (Codice_Struttura, Codice_Bis, Descrizione, Codice_Area, Esterna, NoVerifica_Irregolari,
    Abilita_Ingresso, APrenotazione, Omnia, Tolleranza, TolleranzaU, Con_Accompagnatore)
VALUES ('ST001', '11', 'SALA ATTREZZI', 'AR001', 0, 1, -1, 0, 0, 10, 15, 0),
       ('ST002', '12', 'PISCINA', 'AR002', 0, 1, -1, -1, 0, 10, 15, 0),
       ('ST003', '13', 'SPA', NULL, -1, 0, -1, 0, 0, 10, 15, 0);
INSERT INTO Anagrafica_SubStrutture (Cd_SubStruttura, Codice_Struttura, Descrizione) VALUES (1, 'ST002', 'CORSIA 1');
INSERT INTO Anagrafica_Corsi (Codice_Corso, Codice_Bis, Descrizione, APrenotazione, Data_Inizio, Data_Fine, Tolleranza, Con_Accompagnatore)
VALUES ('CS001', '21', 'PILATES', 1, '2024-01-01 00:00:00', '2024-03-06 00:00:00', 10, 0),
       ('CS002', '22', 'SPINNING', -1, '2024-01-01 00:00:00', '2024-12-31 00:00:00', 15, 0),
       ('CS003', '23', 'ACQUATICITA NEONATALE', 1, '2024-01-01 00:00:00', '2024-12-31 00:00:00', 0, -1);
INSERT INTO Anagrafica_Servizi (Codice_Servizio, Codice_Bis, Descrizione, APrenotazione, Data_Inizio, Data_Fine, Tolleranza)
VALUES ('SE001', '31', 'MASSAGGIO', -1, '2024-01-01 00:00:00', '2024-12-31 00:00:00', 5);
INSERT INTO Attivita_Strutture (Codice, Codice_Struttura) VALUES ('ST001', 'ST001'), ('CS002', 'ST001'), ('ST002', 'ST002');
INSERT INTO Strutture_Associate (Codice_Struttura, Codice_Struttura_Associata, Priorita) VALUES ('ST002', 'ST003', 1);
INSERT INTO Orario_Istruttori_Corsi (ID, Codice_Corso, Codice_Istruttore, Codice_Struttura, GiornoSettimana, DaData, AData, DaOre, AOre)
VALUES (1, 'CS002', 'IS0001', 'ST001', 4, '2024-01-01 00:00:00', '2024-12-31 00:00:00', '1900-01-01 10:00:00', '1900-01-01 11:00:00');
INSERT INTO Orario_Servizi (ID, Codice_Servizio, Codice_Struttura, GiornoSettimana, DaData, AData, DaOre, AOre)
VALUES (1, 'SE001', 'ST003', 4, '2024-01-01 00:00:00', '2024-12-31 00:00:00', '1900-01-01 14:00:00', '1900-01-01 20:00:00');

INSERT INTO Anagrafica_Abbonamenti (Codice_Abbonamento, Descrizione, FrequenzaDD, ID_Intervallo, Tempo_Permanenza, Giornaliero)
VALUES ('AB001', 'ANNUALE OPEN', 0, 0, 0, 0), ('AB005', 'BISETTIMANALE', 2, 1, 90, 0);
INSERT INTO Giorni_DD_Fasce_Abbonamenti (Codice_Abbonamento, DDSettimana, Fascia_Ini, Fascia_Fin)
VALUES ('AB005', 4, '1900-01-01 07:00:00', '1900-01-01 14:00:00'), ('AB005', 8, '1900-01-01 09:00:00', '1900-01-01 12:00:00');
INSERT INTO FasceOrarie_Abbonamenti (Codice_Abbonamento, Fascia_Ini, Fascia_Fin) VALUES ('AB005', '1900-01-01 07:00:00', '1900-01-01 22:00:00');
INSERT INTO Anagrafica_Pacchetti_Multipli (Codice_PacchettoM, Descrizione, FrequenzaDD, ID_Intervallo, Giornaliero)
VALUES ('PM001', 'PACCHETTO BENESSERE', 3, 1, 0);
INSERT INTO Anagrafica_Pacchetti (Codice_Pacchetto, Codice_Struttura, Descrizione) VALUES ('PK001', 'ST003', 'CINQUE INGRESSI SPA');

INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis, Cognome, Nome, Indirizzo, Stato, Fido_Cliente, Controlli_Cliente,
    Data_Registrazione, ID_MyWellness)
VALUES ('CL000001', '0001234501', 'ROSSI', 'MARIO', 'VIA ROMA 12', 1, 0, 1, '2023-01-10 00:00:00', 0),
       ('CL000002', '0001234502', 'BIANCHI', 'GIULIA', 'VIA MAZZINI 5', 1, 50, 1, '2024-03-07 00:00:00', 77),
       ('CL000003', NULL, 'ESPOSITO', 'LUCA', 'VIA VERDI 21', 3, 0, 1, '2022-05-02 00:00:00', 0);
INSERT INTO Tessere_Aggiuntive (Codice_Tessera, Codice_Cliente, Notes) VALUES ('0009876501', 'CL000001', 'TESSERA PISCINA');
INSERT INTO Gestione_QR_Code (Codice_Cliente, QR_Code, Disp_Code, Data_Reg, Ora_Scad, Usato)
VALUES ('CL000002', '4711', 'A1', '2024-03-07 00:00:00', NULL, 0), ('CL000002', '4712', 'A1', '2024-03-06 00:00:00', NULL, 0);
INSERT INTO Anagrafica_Istruttori (Codice_Istruttore, Codice_Bis, Cognome, Nome, Ingresso) VALUES ('IS0001', '0004512001', 'FERRARI', 'MARCO', -1);
INSERT INTO Anagrafica_Operatori (Codice_Operatore, Cognome, Nome, Ingresso, Codice_Cliente) VALUES ('OP0001', 'FONTANA', 'ELENA', -1, 'CL000001');
INSERT INTO Anagrafica_Visitatori (Codice_Visitatore, Codice_Bis, Cognome, Nome, Indirizzo, Cd_Motivo) VALUES ('VR000001', 'V0001', 'MORETTI', 'GIORGIO', 'VIA GARIBALDI 8', 1);
INSERT INTO Tabella_Tessere_Visitatori (Codice_Tessera, Max_Permanenza) VALUES ('V0001', 90);
INSERT INTO Anagrafica_Articoli (Codice_Articolo, Codice_Bis, Descrizione, Giacenza, Scorta_Minima, Prezzo_Unitario, Prezzo_Unitario_Abb, Cd_IVA)
VALUES ('AR0001', '800123', 'ACQUA NATURALE', 100, 10, 1.0, 0.8, '22'), ('AR0002', '800124', 'BARRETTA', 20, 5, 2.5, 2.0, '22');

INSERT INTO Gestione_Iscrizioni (Cd_Iscrizione, Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Descrizione, Data_Inizio, Data_Fine, Scaduta, Punti, Punti_Uti)
VALUES (1, 'ISCR0001', 'CL000001', 'AB001', 'ANNUALE OPEN', '2024-02-01 00:00:00', '2025-01-31 00:00:00', 0, 100, 20),
       (2, 'ISCR0002', 'CL000002', 'AB005', 'BISETTIMANALE', '2024-03-01 00:00:00', '2024-05-31 00:00:00', 0, 0, 0),
       (3, 'ISCR0003', 'CL000001', 'AB001', 'ANNUALE OPEN RINNOVO', '2025-02-01 00:00:00', '2026-01-31 00:00:00', 0, 0, 0);
INSERT INTO Iscrizioni_Strutture (ID, Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, Codice_Struttura, Tipologia,
    Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte)
VALUES (1, 'ISCR0001', 1, 'CL000001', 'AB001', 'ST001', 1, '2024-02-01 00:00:00', '2025-01-31 00:00:00', 1, 0, 12),
       (2, 'ISCR0001', 2, 'CL000001', 'AB001', 'ST002', 1, '2024-02-01 00:00:00', '2025-01-31 00:00:00', 2, 10, 9),
       (3, 'ISCR0002', 1, 'CL000002', 'AB005', 'ST001', 1, '2024-03-01 00:00:00', '2024-05-31 00:00:00', 1, 0, 1);
INSERT INTO Gestione_Aggiunte (ID, Codice_Cliente, Codice_Struttura, Codice_Pacchetto, Codice_PacchettoM, ID_Pacchetto, Prog_Riga,
    Data_Inizio, Data_Fine, Sedute, SeduteFatte, Punti, Punti_Uti)
VALUES (1, 'CL000002', 'ST003', 'PK001', NULL, 1, 1, '2024-03-01 00:00:00', '2024-06-01 00:00:00', 5, 4, 50, 10),
       (2, 'CL000001', 'ST003', NULL, 'PM001', 2, 1, '2024-03-01 00:00:00', '2024-06-01 00:00:00', 0, 0, 0, 0);
INSERT INTO Giornale (ID, Modalita, Codice_Cliente, Codice1_S, Codice1_N, Data_Scadenza, Importo_DaPagare)
VALUES (1, 5, 'CL000002', 'ISCR0002', 2, '2024-02-20 00:00:00', 98.5),
       (2, 2, 'CL000002', NULL, 1, '2024-03-05 00:00:00', 30),
       (3, 7, 'CL000002', NULL, 0, '2024-03-01 00:00:00', 20);
INSERT INTO Messaggi_Clienti (Codice_Cliente, Data_Messaggio, Messaggio, Bloccante, Ricevuto)
VALUES ('CL000002', '2024-03-05 00:00:00', 'PASSARE IN SEGRETERIA', -1, 0);
INSERT INTO Gestione_Sospensioni (Codice_Cliente, Codice_Iscrizione, Data_Inizio_Sospensione, Data_Fine_Sospensione)
VALUES ('CL000002', 'ISCR0002', '2024-03-04 00:00:00', NULL);

INSERT INTO Presenze (ID_Presenza, Codice_Cliente, Data_Presenza, Ora_Presenza, IndTerminale)
VALUES (1, 'CL000001', '2024-03-04 00:00:00', '1900-01-01 18:00:00', 1),
       (2, 'CL000001', '2024-03-06 00:00:00', '1900-01-01 18:30:00', 1),
       (3, 'CL000002', '2024-03-07 00:00:00', '1900-01-01 08:00:00', 2);
INSERT INTO Presenze_Strutture (ID, ID_Presenza, Codice_Cliente, Codice_Struttura, Tipologia, Pagato, Iscrizione, Ora_Presenza, IndTerminale, ID_Biglietto)
VALUES (1, 1, 'CL000001', 'ST001', 1, -1, 'ISCR0001', '1900-01-01 18:00:00', 1, 0),
       (2, 1, 'CL000001', 'ST002', 1, -1, 'ISCR0001', '1900-01-01 18:00:00', 1, 0),
       (3, 2, 'CL000001', 'ST001', 1, -1, 'ISCR0001', '1900-01-01 18:30:00', 1, 0),
       (4, 3, 'CL000002', 'ST002', 4, -1, NULL, '1900-01-01 08:00:00', 2, 1);

INSERT INTO Dettaglio_Terminali (ID, Indirizzo, Descrizione, Attivo, Indirizzo_IP, Tipo, Uscita, Personale, Stop, Vai, TempoVai,
    Codice_Struttura, Visualizza_Dett, Gruppo2)
VALUES (1, 1, 'INGRESSO PRINCIPALE', -1, '127.0.0.1', 6, 0, -1, -1, -1, 3, NULL, -1, 0),
       (2, 2, 'TORNELLO PISCINA', -1, '127.0.0.2', 6, 0, 0, -1, -1, 3, 'ST002', -1, 0),
       (3, 3, 'USCITA', -1, '127.0.0.3', 6, 2, -1, -1, -1, 3, NULL, -1, 0),
       (4, 9, 'RISERVA', 0, NULL, 1, 0, 0, 0, 0, 0, NULL, 0, 0);
INSERT INTO Dettaglio_Terminali_Uscita (ID_Terminale, ID_Terminale_Entrata) VALUES (3, 1), (3, 2);
INSERT INTO Dettaglio_Terminali_Sub (ID_Terminale, Cd_SubStruttura, NReleVai, TempoVai, TempoAnticipo, TempoRitardo)
VALUES (2, 1, 1, 5, 10, 5);
INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, Data_Validita, Fine_Validita, Punti, Importo, Unita_Min, Fraz_Min, Importo_Fraz, Tolleranza, Validita)
VALUES (2, 1, 4, '1900-01-01 08:00:00', '1900-01-01 22:00:00', '2024-01-01 00:00:00', NULL, 5, 0, 0, 0, 0, 0, 60),
       (2, 1, 4, '1900-01-01 08:00:00', '1900-01-01 22:00:00', '2024-03-01 00:00:00', NULL, 7, 0, 0, 0, 0, 0, 60),
       (2, 2, 4, '1900-01-01 08:00:00', '1900-01-01 22:00:00', '2024-01-01 00:00:00', NULL, 0, 4.5, 0, 0, 0, 0, 0),
       (3, 3, 4, '1900-01-01 08:00:00', '1900-01-01 22:00:00', '2024-01-01 00:00:00', NULL, 0, 2, 60, 15, 0.5, 5, 0);

INSERT INTO Stato_Terminali (ID, Indirizzo, Stato, Tipo) VALUES (1, 1, 2, 6), (2, 2, 2, 6), (3, 3, 2, 6);
INSERT INTO Stato_Terminali (ID, Indirizzo, Messaggio, Ora_Invio, Inviato, ID_Prenotazione, Cd_SubStruttura)
VALUES (4, 2, 'OK|ABILITATO', '1900-01-01 10:29:00', 0, 0, 0),
       (5, 2, 'CODICE:_______', '1900-01-01 10:35:00', 0, 0, 0);

INSERT INTO Gestione_Prenotazioni (ID, Codice2, Cd_SubStruttura, Data_Prenotazione, DaOre, AOre)
VALUES (1, 'ST002', 1, '2024-03-07 00:00:00', '1900-01-01 10:00:00', '1900-01-01 11:00:00');
INSERT INTO Booking_Clienti (ID, ID_PivotPrenotazione, Codice_Cliente, Codice_Iscrizione, ID_Iscrizione, Enroll, Punti_Uti)
VALUES (1, 1, 'CL000001', 'ISCR0001', 2, -1, 3);
INSERT INTO Agenda_Struttura (Cd_SubStruttura, Data_Prenotazione, DaOre, AOre, ID_PivotPrenotazione)
VALUES (1, '2024-03-07 00:00:00', '1900-01-01 10:30:00', '1900-01-01 11:30:00', 1);
INSERT INTO Gestione_Prenotazioni_Corsi (ID, Codice_Cliente, Codice_Corso, ID_Corso, Data_Prenotazione, Codice_Iscrizione, ID_Iscrizione, Enroll)
VALUES (1, 'CL000001', 'CS002', 1, '2024-03-07 00:00:00', 'ISCR0001', 1, -1);
INSERT INTO Gestione_Prenotazioni_Servizi (ID, Codice_Cliente, Codice_Servizio, ID_Servizio, Data_Prenotazione, Enroll)
VALUES (1, 'CL000002', 'SE001', 1, '2024-03-08 00:00:00', -1);

INSERT INTO Gestione_MoneyCard (Cd_MoneyCard, Codice_Cliente, Importo, Importo_Omaggio, Importo_Usato, Data_Inizio, Data_Fine)
VALUES (1, 'CL000002', 50, 5, 48, '2024-01-01 00:00:00', NULL),
       (2, 'CL000002', 20, 0, 0, '2024-01-01 00:00:00', '2024-03-06 00:00:00');
INSERT INTO Gestione_Biglietti (ID, Codice_Biglietto, Codice_Cliente, Codice_Tessera, Data_Acquisto, Data_Inizio, Data_Fine, Sedute, SeduteFatte, Scaduta)
VALUES (1, 'BG001', 'CL000003', 'TK000001', '2024-03-07 00:00:00', '2024-03-07 00:00:00', '2024-03-07 00:00:00', 3, 2, 0);
INSERT INTO Anagrafica_Biglietti (Codice_Biglietto, Codice_Struttura, Descrizione, Accessi_Multipli, Utilizzo_AltriGiorni, Tipo_Gestione, Ingresso_Da, Ingresso_A, Tempo_Permanenza)
VALUES ('BG001', 'ST002', 'INGRESSO PISCINA', 1, 0, 2, '1900-01-01 08:00:00', '1900-01-01 21:00:00', 120);
INSERT INTO Biglietti_Terminali (Codice_Biglietto, ID_Terminale) VALUES ('BG001', 2);
INSERT INTO Biglietti_FasceOrarie (Codice_Biglietto, DDSettimana, Ingresso_Da, Ingresso_A) VALUES ('BG001', 4, '1900-01-01 09:00:00', '1900-01-01 12:00:00');
INSERT INTO Tabella_Festivi (ID_Festivita, Descrizione, Club_Open) VALUES ('2024-03-07 00:00:00', 'FESTA', -1), ('2024-04-25 00:00:00', 'LIBERAZIONE', 0);
INSERT INTO Periodi_Esclusi (ID_Periodo, Descrizione, Inizio_Periodo, Fine_Periodo) VALUES (1, 'CHIUSURA ESTIVA', '2024-08-10 00:00:00', '2024-08-20 00:00:00');
INSERT INTO Periodi_NonPrenotabili (ID, Motivo, Codice, GiornoSettimana, Data_Inizio, Data_Fine, Ora_Inizio, Ora_Fine)
VALUES (1, 'PULIZIA VASCA', '00000', 0, '2024-03-01 00:00:00', '2024-03-31 00:00:00', '1900-01-01 12:00:00', '1900-01-01 14:00:00');
INSERT INTO wSys_SpecialCards (Codice_Card, Tipo_Op, Descrizione) VALUES ('SPC0000001', 1, 'ELIMINA VENDITE MARCATE');
INSERT INTO AnagraficaC_Clienti (ID, Codice_Cliente, Tipo_Certificato, Pagato, Data_Rinnovo, Data_Scadenza)
VALUES (1, 'CL000001', 3, -1, '2023-02-01 00:00:00', '2024-02-26 00:00:00');
)sql";
}

// The schema with the corpus rows in it.
class CorpusTest : public ::testing::Test {
protected:
    CorpusTest() { db.native(corpusSeed()); }
    SchemaDb db;
};

}  // namespace velaris::test
