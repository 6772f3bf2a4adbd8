// Reads at a general entrance (terminal 1, no facility), through Elabora_Messaggi, on a
// small centre: the gym ST001, the pool ST002 with its own turnstile (terminal 2), the
// external spa ST003, the all-facilities line ST009 and the course CS001.
#include "scenario.h"

using namespace velaris;
using velaris::test::Centro;

namespace {

struct Ingresso : Centro {
    void SetUp() override {
        Centro::SetUp();
        sql("UPDATE Impostazioni_Funzionamento SET NoEntry10=-1, NoEntry12=-1;"
            "INSERT INTO Anagrafica_Strutture (Codice_Struttura, Descrizione, Abilita_Ingresso, Esterna, Omnia) VALUES "
            "  ('ST002', 'PISCINA', -1, 0, 0), ('ST003', 'SPA', -1, 1, 0), ('ST009', 'OPEN', -1, 0, 1);"
            "UPDATE Anagrafica_Strutture SET Abilita_Ingresso=-1 WHERE Codice_Struttura='ST001';"
            "INSERT INTO Anagrafica_Corsi (Codice_Corso, Descrizione, APrenotazione) VALUES ('CS001', 'PILATES', 1);"
            "INSERT INTO Anagrafica_Abbonamenti (Codice_Abbonamento, Descrizione) VALUES ('AB001', 'ANNUALE');"
            "INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Descrizione, "
            "  Data_Inizio, Data_Fine) VALUES ('I1', 'CL000001', 'AB001', 'ANNUALE', '2024-01-01 00:00:00', "
            "  '2024-12-31 00:00:00'), ('I2', 'CL000001', 'AB001', 'DIECI', '2024-01-01 00:00:00', '2024-12-31 00:00:00')");
        x.s.settings.Defaults_DopoAggiornamento();
    }
    void sql(const std::string& s) { x.f.native(s); }
    // Terminal 1: the general entrance (keypad, go relay 1 for 3 ticks, stop relay 1 for 1
    // tick); terminal 2: the pool turnstile; terminal 3: an exit when asked for.
    void entrata(const std::string& extra = "", bool uscita = false) {
        x.terminale(1, 1, "", "Vai=-1, TempoVai=3, Stop=-1, TempoStop=1" + (extra.empty() ? "" : ", " + extra));
        x.terminale(2, 3, "", "Codice_Struttura='ST002'");
        if (uscita) x.terminale(3, 3, "", "Uscita=2");
        avvia();
    }
    // A line of subscription `iscrizione` for the member.
    void riga(const std::string& iscrizione, int prog, const std::string& attivita, int sedute = 0, int fatte = 0,
              const std::string& inizio = "2024-01-01", int tipologia = 1) {
        sql("INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, "
            "Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, Sedute, SeduteFatte) VALUES ('" + iscrizione + "', " +
            std::to_string(prog) + ", 'CL000001', 'AB001', '" + attivita + "', " + std::to_string(tipologia) + ", '" +
            inizio + " 00:00:00', '2024-12-31 00:00:00', " + std::to_string(sedute) + ", " + std::to_string(fatte) + ")");
    }
    // An add-on of the member (`extra`: further "Column=value" pairs set afterwards).
    void aggiunta(int id, const std::string& attivita, int sedute, int fatte, const std::string& extra = "") {
        sql("INSERT INTO Gestione_Aggiunte (ID, Codice_Cliente, Codice_Struttura, Prog_Riga, Data_Inizio, Data_Fine, "
            "Sedute, SeduteFatte) VALUES (" + std::to_string(id) + ", 'CL000001', '" + attivita + "', " +
            std::to_string(id) + ", '2024-02-01 00:00:00', '2024-12-31 00:00:00', " + std::to_string(sedute) + ", " +
            std::to_string(fatte) + ")");
        if (!extra.empty()) sql("UPDATE Gestione_Aggiunte SET " + extra + " WHERE ID=" + std::to_string(id));
    }
    void pulisci() {
        sql("DELETE FROM Stato_Terminali WHERE Messaggio IS NOT NULL OR Indirizzo=0");
        x.net92.sent.clear();
        x.f.logLines.clear();
    }
    int64_t n(const std::string& q) { return x.scalar(q).toInt(); }
    bool ammesso() { return inviati(1) == std::vector<std::string>{"%O1\x03"}; }
    bool rifiutato() { return inviati(1) == std::vector<std::string>{"%O1\x01"}; }
};

}  // namespace

TEST_F(Ingresso, MemberIsAdmittedCountedOnTheUsedLinesAndLinesExpire) {
    entrata();
    riga("I1", 1, "ST001", 10, 9);  // its last entry
    riga("I1", 2, "ST002", 10, 3);  // the pool: counted at its own turnstile
    leggi(1, "0001234501");
    EXPECT_TRUE(ammesso());
    const auto q = x.queued(1);
    ASSERT_EQ(q.size(), 3u);
    EXPECT_EQ(q[0], "\fOK|ABILITATO|ROSSI|MARIO");
    EXPECT_EQ(std::vector<std::string>(q.begin() + 1, q.end()), prompt());

    EXPECT_EQ(conta("Presenze WHERE ID_Presenza=1 AND IndTerminale=1 AND Codice_Tessera='0001234501' AND "
                    "Iscrizione_Scaduta=0 AND Ex_Terminali=0 AND Fuori_Orario=0"), 1);
    EXPECT_EQ(conta("Presenze_Strutture"), 1);
    EXPECT_EQ(conta("Presenze_Strutture WHERE Codice_Struttura='ST001' AND Iscrizione='I1' AND Pagato<>0"), 1);
    EXPECT_EQ(conta("Iscrizioni_Strutture WHERE Prog_Riga=1 AND SeduteFatte=10 AND Scaduta<>0 AND "
                    "Data_Scadenza='2024-03-07 00:00:00'"), 1);
    EXPECT_EQ(conta("Iscrizioni_Strutture WHERE Prog_Riga=2 AND SeduteFatte=3 AND Scaduta=0"), 1);
    // The pool line is still open: the subscription stays.
    EXPECT_EQ(conta("Gestione_Iscrizioni WHERE Codice_Iscrizione='I1' AND Scaduta=0"), 1);
    EXPECT_EQ(x.scalar("SELECT DesIrregolari FROM Log_Entrate"), Value("OK"));
    EXPECT_EQ(x.scalar("SELECT DesIrregolari_Att FROM Log_Entrate"), Value("INGRESSO"));
    EXPECT_EQ(x.scalar("SELECT DesIrregolari_Abb FROM Log_Entrate"), Value("ANNUALE scadenza 31/12/2024"));
    EXPECT_EQ(conta("wTmp_DatiAccessi WHERE Codice='CL000001' AND Completo=1 AND Sem2=1 AND "
                    "Entrata='INGRESSO CONSENTITO' AND Struttura_Ingresso='INGRESSO' AND DesStato IS NOT NULL"), 1);
    EXPECT_EQ(conta("wTmp_DatiAccessi WHERE Codice_Tessera='CL000001' AND Codice IS NULL"), 1);  // the short row
    EXPECT_EQ(conta("Stato_Terminali WHERE Indirizzo=0"), 1);
    EXPECT_EQ(stato(1, "Regolare"), Value(1));
    EXPECT_EQ(stato(1, "Codice_Cliente"), Value("CL000001"));
    EXPECT_EQ(stato(1, "Abbonamento"), Value("ANNUALE scadenza 31/12/2024\r\n"));
    EXPECT_EQ(conta("Semafori"), 0);
    EXPECT_EQ(x.operatore.beeps, 0);
    EXPECT_TRUE(errori().empty());

    // A subscription whose last line is used up expires, though another one's line is open.
    pulisci();
    riga("I2", 1, "ST001", 5, 4);
    leggi(1, "0001234501");
    EXPECT_TRUE(ammesso());
    EXPECT_EQ(conta("Gestione_Iscrizioni WHERE Codice_Iscrizione='I2' AND Scaduta<>0"), 1);
    EXPECT_EQ(conta("Gestione_Iscrizioni WHERE Codice_Iscrizione='I1' AND Scaduta=0"), 1);
}

TEST_F(Ingresso, RefusalsForEachReason) {
    entrata();
    struct Caso {
        const char* nome;
        std::string dati;
        std::string testo;
    };
    const Caso casi[] = {
        {"no entitlement", "", "\fSTOP|NON ABILITATO|NESSUN INGRESSO"},
        {"other centre",
         "UPDATE Impostazioni_Funzionamento SET Codice_Centro='C1'; UPDATE Anagrafica_Strutture SET Codice_Centro='C2'",
         "\fSTOP|NON ABILITATO|NESSUN INGRESSO"},
        {"band", "INSERT INTO FasceOrarie_Abbonamenti (Codice_Abbonamento, Fascia_Ini, Fascia_Fin) VALUES "
                 "('AB001', '1900-01-01 07:00:00', '1900-01-01 09:00:00')",
         "\fSTOP|NON ABILITATO|FASCIA ORARIA"},
        {"used up", "UPDATE Iscrizioni_Strutture SET Sedute=10, SeduteFatte=10", "\fSTOP|NON ABILITATO|NESSUN INGRESSO"},
        {"suspended", "INSERT INTO Gestione_Sospensioni (Codice_Iscrizione, Data_Inizio_Sospensione) VALUES "
                      "('I1', '2024-03-01 00:00:00')",
         "\fCLIENTE|SOSPESO"},
        {"arrears", "INSERT INTO Giornale (Modalita, Codice_Cliente, Data_Scadenza, Importo_DaPagare) VALUES "
                    "(5, 'CL000001', '2024-02-01 00:00:00', 50)",
         "\fSTOP|NON ABILITATO|RATA SCADUTA"},
        {"message", "INSERT INTO Messaggi_Clienti (Codice_Cliente, Data_Messaggio, Bloccante, Ricevuto) VALUES "
                    "('CL000001', '2024-03-01 00:00:00', -1, 0)",
         "\fSTOP|NON ABILITATO"},
        {"control", "UPDATE Anagrafica_Clienti SET Controlli_Cliente=3", "\fSTOP|NON ABILITATO"},
        {"photograph", "UPDATE Impostazioni_Funzionamento SET Gestisci_Foto=-1", "\fSTOP|NON ABILITATO"},
    };
    for (const Caso& c : casi) {
        x.f.native("BEGIN");
        if (std::string(c.nome) != "no entitlement") riga("I1", 1, "ST001");
        if (!c.dati.empty()) sql(c.dati);
        x.s.settings.Defaults_DopoAggiornamento();
        const int beeps = x.operatore.beeps;
        leggi(1, "0001234501");
        EXPECT_TRUE(rifiutato()) << c.nome;
        EXPECT_EQ(x.queued(1).at(0), c.testo) << c.nome;
        EXPECT_EQ(conta("Presenze"), 0) << c.nome;
        EXPECT_EQ(conta("wTmp_DatiAccessi WHERE Codice='CL000001' AND Sem2=0 AND Entrata='INGRESSO NON CONSENTITO'"), 1)
            << c.nome;
        EXPECT_EQ(stato(1, "Regolare"), Value(0)) << c.nome;
        // The desk's beeps are queued on the event loop, never sounded inside the read.
        EXPECT_EQ(x.operatore.beeps, beeps) << c.nome;
        EXPECT_TRUE(errori().empty()) << c.nome;
        x.f.native("ROLLBACK");
        pulisci();
    }
    x.loop.yieldFor(std::chrono::milliseconds(1900));
    EXPECT_EQ(x.operatore.beeps, 3 * static_cast<int>(std::size(casi)));
}
