#include <gtest/gtest.h>

#include <chrono>

#include "attendance/log_terminali.h"
#include "attendance/presenze.h"
#include "righe.h"
#include "support/fake_links.h"
#include "system/registry.h"

using namespace velaris;
using velaris::test::SystemFixture;
using velaris::test::testo;

namespace {

// One recorded entry, with the values of an ordinary facility entry, or of a lesson.
struct Entrata : PresenzaTerminale {
    explicit Entrata(const char* corso = nullptr) {
        if (corso) Tipologia = 2;
        Codice_Cliente = Value("CL001");
        Codice_Attivita = Value(corso ? corso : "ST001");
        Codice_Iscrizione = Value("IS1");
        Indirizzo = 1;
        Descrizione_Default = Value("Ingresso libero");
        Cognome = Value("Rossi");
        Nome = Value("Anna");
    }
};

struct Registrazione : ::testing::Test {
    SystemFixture x{1};

    void SetUp() override {
        x.at(10, 30, 0);
        x.terminale(1, 3, "", "Codice_Struttura='ST001', Gruppo2=1, Cd_Centro_MyWellness=7");
        x.net92.answers[1] = 1;
        Inizializza_Terminali(x.s);
        ASSERT_TRUE(x.s.registro.trova(1));
        x.s.corrente.Indirizzo_Corrente = 1;
        x.s.corrente.Tipo_Corrente = 3;
        x.s.corrente.Codice_Centro_Corrente = Value("C1");
        x.s.lettura.Tessera_Letta = "TES001";
        x.s.lettura.Note_Tessera_Letta = "seconda tessera";
        sql("INSERT INTO Anagrafica_Clienti (Codice_Cliente, Cognome, Nome, Stato) VALUES ('CL001','Rossi','Anna',4)");
        sql("INSERT INTO Anagrafica_Strutture (Codice_Struttura, Descrizione) VALUES ('ST001','Sala pesi')");
        sql("INSERT INTO Anagrafica_Abbonamenti (Codice_Abbonamento, Descrizione) VALUES ('AB1','Open')");
        sql("INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Descrizione, "
            "Data_Inizio, Data_Fine) VALUES ('IS1','CL001','AB1','Open annuale','2024-01-01 00:00:00',"
            "'2024-12-31 00:00:00')");
        riga("IS1", 1, "ST001", 10, 5);
    }

    // A refusal or a skipped step must never come from a statement that failed.
    bool erroriAttesi = false;
    void TearDown() override {
        if (erroriAttesi) return;
        for (const auto& l : x.f.logLines) EXPECT_EQ(l.find("Error"), std::string::npos) << l;
    }
    void sql(const std::string& s) { x.f.native(s); }
    void riga(const std::string& iscrizione, int prog, const std::string& struttura, int sedute, int fatte) {
        sql("INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, "
            "Codice_Struttura, Data_Inizio, Data_Fine, Sedute, SeduteFatte) VALUES ('" + iscrizione + "'," +
            std::to_string(prog) + ",'CL001','AB1','" + struttura + "','2024-01-01 00:00:00','2024-12-31 00:00:00'," +
            std::to_string(sedute) + "," + std::to_string(fatte) + ")");
    }
    Value q(const std::string& s) { return x.scalar(s); }
    std::string righe(const std::string& s) { return velaris::test::righe(x, s); }
    int64_t n(const std::string& s) { return q(s).toInt(); }
    std::string conti(const std::string& tabelle) { return velaris::test::conti(x, tabelle); }

    // Visits, detail rows and entries used on the gym line, as "visits|details|used".
    std::string scritto() {
        return righe("SELECT (SELECT Count(*) FROM Presenze), (SELECT Count(*) FROM Presenze_Strutture), "
                     "(SELECT SeduteFatte FROM Iscrizioni_Strutture WHERE Codice_Struttura='ST001')");
    }
    void registra(Entrata& e) { Salva_Presenza_Terminali(x.s, e); }
    void registra() {
        Entrata e;
        registra(e);
    }
};

}  // namespace

TEST_F(Registrazione, BlankClientWritesNothingAndDrawsNoNumber) {
    for (Value blank : {Value::null(), Value("   ")}) {
        Entrata e;
        e.Codice_Cliente = blank;
        registra(e);
    }
    EXPECT_EQ(conti("Presenze Contatori Log_Entrate"), "0|0|0");
}

TEST_F(Registrazione, VisitDetailCountAndLogOfAnOrdinaryEntry) {
    registra();
    // The first number creates the counter row.
    EXPECT_EQ(n("SELECT ContatoreN FROM Contatori WHERE Cd_Tipo=22"), 1);
    EXPECT_EQ(righe("SELECT Data_Presenza, Ora_Presenza, Codice_Tessera, Note_Tessera, Codice_Centro, IndTerminale "
                    "FROM Presenze"),
              "2024-03-07 00:00:00|1900-01-01 10:30:00|TES001|seconda tessera|C1|1");
    EXPECT_EQ(n("SELECT Count(*) FROM Presenze_Strutture WHERE ID_Presenza=1 AND Codice_Struttura='ST001' AND "
                "Tipologia=1 AND Pagato<>0 AND Iscrizione='IS1' AND ID_Aggiunta=0 AND ID_Entrata=0"), 1);
    EXPECT_EQ(righe("SELECT SeduteFatte, Scaduta FROM Iscrizioni_Strutture"), "6|0");
    EXPECT_EQ(righe("SELECT DesIrregolari, DesIrregolari_Att, DesIrregolari_Abb, DesIrregolari_Scad, Cognome, "
                    "ID_Presenza, Semaforo1+Semaforo2+Semaforo3+Semaforo4 FROM Log_Entrate"),
              "OK|Sala pesi|Open annuale scadenza 31/12/2024|2024-12-31 00:00:00|Rossi|1|0");
    // No irregular history; without exit terminals no stay is opened; no lock is left behind.
    EXPECT_EQ(conti("Storia_Clienti_Irregolari Gestione_Entrate Controllo_Fascia_Oraria Semafori"), "0|0|0|0");
    // The status is recomputed from the running subscription.
    EXPECT_EQ(n("SELECT Stato FROM Anagrafica_Clienti"), 1);

    // The next visit updates the counter.
    registra();
    EXPECT_EQ(righe("SELECT ContatoreN, (SELECT Max(ID_Presenza) FROM Presenze) FROM Contatori WHERE Cd_Tipo=22"),
              "2|2");
}

TEST_F(Registrazione, AnyCodeIsWrittenAsItsOwnLiteral) {
    // Owner codes of any content (as wide as their columns at most), and cards read of any
    // length: the card is kept cut to its column, with a note in the log.
    const std::vector<std::string> codici = {"CL'; DROP TABLE P;--", "CL" + std::string(18, 'x'), "CL\x01\x1b\x7f",
                                             "CLàèì€"};
    for (const std::string& c : codici) {
        x.s.lettura.Tessera_Letta = c + std::string(300, ' ') + "!";
        Entrata e;
        e.Codice_Cliente = Value(c);
        e.Codice_Iscrizione = Value(c);
        registra(e);
    }
    EXPECT_EQ(n("SELECT Count(*) FROM Presenze"), 4);
    for (const std::string& c : codici) {
        EXPECT_EQ(n("SELECT Count(*) FROM Log_Entrate WHERE Codice_Cliente=" + CChrQ(Value(c))), 1) << c;
        EXPECT_EQ(n("SELECT Count(*) FROM Presenze WHERE Codice_Tessera=" + CChrQ(Value(c))), 1) << c;
    }
    int tagli = 0;
    for (const auto& l : x.f.logLines) tagli += l.find("cut to 30 for Presenze.Codice_Tessera") != std::string::npos;
    EXPECT_EQ(tagli, 4);
}

TEST_F(Registrazione, SecondActivityOfAVisitReusesItsNumber) {
    sql("INSERT INTO Anagrafica_Corsi (Codice_Corso, Descrizione) VALUES ('CS001','Pilates')");
    riga("IS1", 2, "CS001", 0, 0);
    registra();
    Entrata corso("CS001");
    corso.Nuova_Visita = false;
    registra(corso);
    EXPECT_EQ(conti("Presenze Log_Entrate"), "1|1");
    EXPECT_EQ(righe("SELECT ID_Presenza FROM Presenze_Strutture"), "1; 1");
    EXPECT_EQ(n("SELECT ContatoreN FROM Contatori WHERE Cd_Tipo=22"), 1);
    // An unlimited line counts up and never expires.
    EXPECT_EQ(righe("SELECT SeduteFatte, Scaduta FROM Iscrizioni_Strutture WHERE Codice_Struttura='CS001'"), "1|0");
}

TEST_F(Registrazione, LastEntryExpiresLineAndSubscriptionUnlessBookedAhead) {
    // A line with a booking ahead stays open on its last entry.
    sql("UPDATE Iscrizioni_Strutture SET SeduteFatte=9");
    sql("INSERT INTO Gestione_Prenotazioni_Corsi (Codice_Cliente, Codice_Corso, Data_Prenotazione, ID_Iscrizione) "
        "VALUES ('CL001','CS009','2024-03-08 00:00:00',(SELECT ID FROM Iscrizioni_Strutture))");
    registra();
    EXPECT_EQ(righe("SELECT SeduteFatte, Scaduta, (SELECT Scaduta FROM Gestione_Iscrizioni) FROM Iscrizioni_Strutture"),
              "10|0|0");

    sql("DELETE FROM Gestione_Prenotazioni_Corsi; DELETE FROM Presenze; DELETE FROM Presenze_Strutture");
    sql("UPDATE Iscrizioni_Strutture SET SeduteFatte=9");
    registra();
    EXPECT_EQ(righe("SELECT SeduteFatte, Data_Scadenza, (SELECT Scaduta<>0 FROM Gestione_Iscrizioni) "
                    "FROM Iscrizioni_Strutture WHERE Scaduta<>0"), "10|2024-03-07 00:00:00|1");
    // A used-up line is never counted past its entries.
    sql("UPDATE Iscrizioni_Strutture SET Scaduta=0");
    registra();
    EXPECT_EQ(n("SELECT SeduteFatte FROM Iscrizioni_Strutture"), 10);
}

TEST_F(Registrazione, DailySubscriptionCountsOneEntryADay) {
    sql("UPDATE Anagrafica_Abbonamenti SET Giornaliero=-1");
    registra();
    registra();
    EXPECT_EQ(scritto(), "2|2|6");  // the detail row is still written
}

TEST_F(Registrazione, OutOfHoursRecordsAndDeductsOnlyAtAnActivityTerminal) {
    x.s.esiti.EsitoT_FuoriOrario = true;
    registra();
    EXPECT_EQ(scritto(), "1|1|5");
    EXPECT_EQ(righe("SELECT Modalita, Codice1_N, Codice1_S, Codice_Cliente, Codice_Centro, DaOre FROM Giornale"),
              "10|1|ST001|CL001|C1|1900-01-01 10:30:00");
    EXPECT_EQ(righe("SELECT DesIrregolari, Semaforo3 FROM Log_Entrate"), "FUORI ORARIO|1");
    EXPECT_EQ(n("SELECT Campo10 FROM Storia_Clienti_Irregolari WHERE ID_Presenza=1 AND Codice_Struttura='ST001'"), 1);

    // An activity terminal deducts all the same (a new day: today's entry is counted already).
    x.f.clock.setFixed(DateTime::fromParts(2024, 3, 8, 10, 30, 0));
    sql("UPDATE Dettaglio_Terminali SET Gestisci_Attivita=1");
    x.s.registro.Rs_Terminali.clear();
    x.net92.answers[1] = 1;
    Inizializza_Terminali(x.s);
    ASSERT_TRUE(x.s.registro.trova(1));
    registra();
    EXPECT_EQ(n("SELECT SeduteFatte FROM Iscrizioni_Strutture"), 6);
}

TEST_F(Registrazione, SuspendedIrregularEntryWithoutEntitlement) {
    x.s.esiti.EsitoT_Sospeso = true;
    x.s.esiti.Flag_Irregolare = true;
    x.s.esiti.Irregolarita[5] = Value(1);
    x.s.esiti.Irregolarita[2] = Value(1);
    Entrata e;
    e.Codice_Iscrizione = Value::null();
    registra(e);
    EXPECT_EQ(righe("SELECT Modalita, Codice1_N FROM Giornale"), "12|1");
    // Without an entitlement the log keeps the caller's description.
    EXPECT_EQ(righe("SELECT DesIrregolari, Semaforo1, Semaforo2, Semaforo3, Semaforo4, DesIrregolari_Abb "
                    "FROM Log_Entrate"),
              "SOSPESO\r\nNO INGRESSI\r\nIRREGOLARE\r\n|1|1|1|1|Ingresso libero");
    EXPECT_EQ(righe("SELECT Campo2, Campo5, Campo12, Campo16, Campo10 FROM Storia_Clienti_Irregolari"), "1|1|1|1|0");
}

TEST_F(Registrazione, MasterRowFlagsLimitTheRecording) {
    sql("UPDATE Anagrafica_Strutture SET Mod_Scalo=2");
    registra();
    EXPECT_EQ(scritto(), "1|1|5");

    sql("UPDATE Anagrafica_Strutture SET Mod_Scalo=0, NoVerifica_Ingresso=-1");
    registra();
    EXPECT_EQ(scritto(), "1|1|5");
}

TEST_F(Registrazione, EntitlementCountedAtItsOwnTerminalIsNotDeductedHere) {
    sql("INSERT INTO Anagrafica_Strutture (Codice_Struttura, Descrizione) VALUES ('ST002','Piscina')");
    x.terminale(2, 3, "", "Codice_Struttura='ST002', Gruppo2=1");
    Entrata e;
    e.Struttura_Abbonamento = Value("ST002");
    registra(e);
    EXPECT_EQ(scritto(), "1|0|5");
}

TEST_F(Registrazione, AddOnDeductsOnlyItsOwnSale) {
    sql("INSERT INTO Anagrafica_Pacchetti (Codice_Pacchetto, Codice_Struttura, Descrizione) VALUES "
        "('PK1','ST001','Dieci ingressi')");
    sql("INSERT INTO Gestione_Aggiunte (ID, Codice_Cliente, Codice_Struttura, Codice_Pacchetto, ID_Pacchetto, "
        "Prog_Riga, Data_Inizio, Data_Fine, Sedute, SeduteFatte) VALUES "
        "(5,'CL001','ST001','PK1',50,1,'2024-01-01 00:00:00','2024-06-30 00:00:00',10,9)");
    sql("INSERT INTO Gestione_Aggiunte (ID, Codice_Cliente, Codice_Struttura, ID_Pacchetto, Prog_Riga, Data_Inizio, "
        "Sedute, SeduteFatte) VALUES (6,'CL001','ST003',60,1,'2024-01-01 00:00:00',10,2)");
    Entrata e;
    e.Codice_Iscrizione = Value::null();
    e.ID_Aggiunta = Value(5);
    registra(e);
    EXPECT_EQ(righe("SELECT ID, SeduteFatte, Scaduta<>0 FROM Gestione_Aggiunte ORDER BY ID"), "5|10|1; 6|2|0");
    EXPECT_EQ(n("SELECT Count(*) FROM Presenze_Strutture WHERE ID_Aggiunta=5 AND ID_Pacchetto=50 AND Iscrizione IS "
                "NULL OR Iscrizione=''"), 1);
    EXPECT_EQ(q("SELECT DesIrregolari_Abb FROM Log_Entrate").toText(), "Dieci ingressi scadenza 30/06/2024");
}

TEST_F(Registrazione, SingleCourseBookingClosesItsAddOnAndPaysWithTheBookedLine) {
    sql("INSERT INTO Anagrafica_Corsi (Codice_Corso, Descrizione) VALUES ('CS001','Pilates')");
    riga("IS1", 2, "CS001", 8, 0);
    sql("INSERT INTO Gestione_Prenotazioni_Corsi (ID, Codice_Cliente, Codice_Corso, Data_Prenotazione, "
        "Codice_Iscrizione, ID_Iscrizione) VALUES (40,'CL001','CS001','2024-03-07 00:00:00','IS1',"
        "(SELECT ID FROM Iscrizioni_Strutture WHERE Prog_Riga=2))");
    sql("INSERT INTO Gestione_Aggiunte (ID, Codice_Cliente, Codice_Struttura, Data_Inizio, Sedute, Singola_Corsi) "
        "VALUES (9,'CL001','CS001','2024-03-07 00:00:00',1,40)");
    Entrata e("CS001");
    e.Codice_Iscrizione = Value::null();
    e.ID_Aggiunta = Value(9);
    registra(e);
    EXPECT_EQ(righe("SELECT SeduteFatte FROM Gestione_Aggiunte WHERE ID=9 AND Scaduta<>0"), "1");
    // The caller's entitlement is rewritten to the booked line.
    EXPECT_EQ(e.ID_Aggiunta.toInt(), 0);
    EXPECT_EQ(e.Codice_Iscrizione.toText(), "IS1");
    EXPECT_EQ(righe("SELECT SeduteFatte, (SELECT Count(*) FROM Presenze_Strutture WHERE Iscrizione='IS1' AND "
                    "ID_Aggiunta=0) FROM Iscrizioni_Strutture WHERE Prog_Riga=2"), "1|1");
}

TEST_F(Registrazione, RecoveryVoucherIsClosedAndTheRecoveredLinePays) {
    sql("INSERT INTO Anagrafica_Corsi (Codice_Corso, Descrizione) VALUES ('CS001','Pilates')");
    riga("IS1", 2, "CS001", 8, 3);
    sql("INSERT INTO Orario_Istruttori_Corsi (ID, Codice_Corso, GiornoSettimana) VALUES (70,'CS001',4)");
    sql("INSERT INTO Gestione_Aggiunte (ID, Codice_Cliente, Codice_Struttura, Data_Inizio, Sedute) VALUES "
        "(11,'CL001','CS001','2024-03-01 00:00:00',1)");
    sql("INSERT INTO Clienti_Recuperi_Corsi (Codice_Cliente, Codice_Corso, ID_Corso, Codice_Iscrizione, ID_Iscrizione, "
        "ID_Aggiunta2) VALUES ('CL001','CS001',70,'IS1',(SELECT ID FROM Iscrizioni_Strutture WHERE Prog_Riga=2),11)");
    Entrata e("CS001");
    e.Codice_Iscrizione = Value::null();
    e.ID_Aggiunta = Value(11);
    registra(e);
    EXPECT_EQ(righe("SELECT SeduteFatte, (SELECT Scaduta<>0 FROM Gestione_Aggiunte WHERE ID=11) "
                    "FROM Iscrizioni_Strutture WHERE Prog_Riga=2"), "4|1");
    EXPECT_EQ(e.Codice_Iscrizione.toText(), "IS1");
}

TEST_F(Registrazione, AccompaniedActivityGetsItsBandRow) {
    sql("INSERT INTO Anagrafica_Corsi (Codice_Corso, Descrizione, Con_Accompagnatore) VALUES ('CS002','Baby',-1)");
    riga("IS1", 2, "CS002", 0, 0);
    Entrata e("CS002");
    e.DaOre = Value(DateTime::fromParts(1900, 1, 1, 10, 0));
    e.AOre = Value(DateTime::fromParts(1900, 1, 1, 11, 0));
    registra(e);
    EXPECT_EQ(righe("SELECT Modalita, Codice, ID_Presenza, Codice_Bis, IndTerminale, AOre "
                    "FROM Controllo_Fascia_Oraria"),
              "1|CS002|1|TES001|1|1900-01-01 11:00:00");

    // A follow-up call writes no band.
    e.Seguito = true;
    e.Nuova_Visita = false;
    registra(e);
    EXPECT_EQ(n("SELECT Count(*) FROM Controllo_Fascia_Oraria"), 1);
}

TEST_F(Registrazione, EntryNotTiedToAnActivity) {
    sql("INSERT INTO Anagrafica_Corsi (Codice_Corso, Descrizione, Con_Accompagnatore) VALUES ('CS002','Baby',-1)");
    x.s.esiti.EsitoT_FuoriOrario = true;
    Entrata e(kAltreStrutture);
    e.Attivita_Accompagnamento = Value("CS002");
    registra(e);
    EXPECT_EQ(scritto(), "1|0|5");
    // A whole-day band for the accompanied activity behind the entry.
    EXPECT_EQ(righe("SELECT Modalita, Codice IS NULL, Codice_Bis, AOre FROM Controllo_Fascia_Oraria"),
              "1|1|TES001|1900-01-01 23:59:59");
    EXPECT_EQ(righe("SELECT Modalita, Codice1_S IS NULL, Codice1_N FROM Giornale"), "10|1|1");
    EXPECT_EQ(righe("SELECT Codice_Struttura IS NULL, Campo10 FROM Storia_Clienti_Irregolari"), "1|1");
}

TEST_F(Registrazione, FitnessPlatformExportForLinkedMembers) {
    sql("UPDATE Anagrafica_Clienti SET ID_MyWellness=99");
    registra();
    EXPECT_EQ(righe("SELECT Codice_Cliente, Cd_Centro, Ora_Presenza FROM wTmp_MyWellness"),
              "CL001|7|2024-03-07 10:30:00");
}

TEST_F(Registrazione, NoRecordingWritesOnlyTheLog) {
    Entrata e;
    e.Non_Registrare = true;
    registra(e);
    EXPECT_EQ(scritto(), "0|0|5");
    EXPECT_EQ(righe("SELECT (SELECT Count(*) FROM Contatori), ID_Presenza FROM Log_Entrate"), "0|0");
}

TEST_F(Registrazione, DatabaseErrorEndsTheRecordingWithALogLine) {
    erroriAttesi = true;
    sql("DROP TABLE Log_Entrate");
    registra();
    ASSERT_FALSE(x.f.logLines.empty());
    EXPECT_NE(x.f.logLines.back().find("- Function Salva_Presenza_Terminali"), std::string::npos);
    // What ran before the failure stays.
    EXPECT_EQ(conti("Presenze Semafori"), "1|0");
}

// Presence numbers drawn by two workstations through the lock rows.
TEST_F(Registrazione, LockHeldByAnotherWorkstationDrawsNoNumber) {
    erroriAttesi = true;
    sql("INSERT INTO Semafori (Cd_Semaforo, UserName, HostName) VALUES (103,'OP9','CASSA2')");
    int pauses = 0;
    LockPolicy breve{3, std::chrono::milliseconds(1), [&](std::chrono::milliseconds) { ++pauses; }};
    EXPECT_FALSE(Preleva_Numero_Presenza(x.s, breve).has_value());
    EXPECT_EQ(pauses, 2);
    // The other workstation's lock is left to it.
    EXPECT_EQ(q("SELECT HostName FROM Semafori WHERE Cd_Semaforo=103").toText(), "CASSA2");

    // A recording that cannot draw a number writes nothing (bounded default wait).
    const auto t0 = std::chrono::steady_clock::now();
    registra();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(30));
    EXPECT_EQ(scritto(), "0|0|5");
    EXPECT_EQ(n("SELECT Count(*) FROM Semafori"), 1);

    // Once released, the number follows the other workstation's last one.
    sql("DELETE FROM Semafori");
    sql("INSERT INTO Contatori (Cd_Tipo, ContatoreN) VALUES (22, 41)");
    EXPECT_EQ(Preleva_Numero_Presenza(x.s, breve), 42);
    EXPECT_EQ(n("SELECT Count(*) FROM Semafori"), 0);
}

TEST_F(Registrazione, LockIsReleasedWhenTheCounterFails) {
    erroriAttesi = true;
    sql("DROP TABLE Contatori");
    EXPECT_FALSE(Preleva_Numero_Presenza(x.s).has_value());
    EXPECT_EQ(n("SELECT Count(*) FROM Semafori"), 0);
    registra();
    EXPECT_EQ(conti("Presenze Semafori"), "0|0");

    // A counter row created empty by a desk program counts as 0 and is never duplicated.
    sql("CREATE TABLE Contatori (Cd_Tipo INTEGER PRIMARY KEY, Contatore INTEGER, ContatoreN INTEGER)");
    sql("INSERT INTO Contatori (Cd_Tipo, Contatore) VALUES (22, 5)");
    EXPECT_EQ(Preleva_Numero_Presenza(x.s), 1);
    EXPECT_EQ(Preleva_Numero_Presenza(x.s), 2);
    EXPECT_EQ(righe("SELECT Contatore, (SELECT Count(*) FROM Semafori) FROM Contatori"), "5|0");
}

// Bookings reconciled with the attendances on record.
struct Prenotazioni : Registrazione {
    void SetUp() override {
        Registrazione::SetUp();
        sql("INSERT INTO Anagrafica_Corsi (Codice_Corso, Descrizione, APrenotazione) VALUES ('CS001','Spinning',-1)");
        sql("INSERT INTO Orario_Istruttori_Corsi (ID, Codice_Corso, GiornoSettimana, DaOre, AOre) VALUES "
            "(70,'CS001',4,'1900-01-01 10:40:00','1900-01-01 11:30:00')");
        sql("INSERT INTO Gestione_Prenotazioni_Corsi (ID, Codice_Cliente, Codice_Corso, ID_Corso, Data_Prenotazione, "
            "Enroll) VALUES (1,'CL001','CS001',70,'2024-03-07 00:00:00',-1)");
        sql("INSERT INTO Impostazioni_Funzionamento (AnticipoPren) VALUES (15)");
    }
    void presenza(int id, const std::string& ora) {
        sql("INSERT INTO Presenze (ID_Presenza, Codice_Cliente, Data_Presenza, Ora_Presenza) VALUES (" +
            std::to_string(id) + ",'CL001','2024-03-07 00:00:00','1900-01-01 " + ora + "')");
        sql("INSERT INTO Presenze_Strutture (ID_Presenza, Codice_Cliente, Codice_Struttura, Ora_Presenza) VALUES (" +
            std::to_string(id) + ",'CL001','CS001','1900-01-01 " + ora + "')");
    }
    void verifica() {
        const Value oggi(DateTime::fromParts(2024, 3, 7));
        Verifica_Prenotazioni_NoIngressi_Gen(x.s, oggi, oggi, Value("CL001"), Value("CS001"));
    }
};

// The lesson starts at 10:40; the advance is 15 minutes unless the course sets a tolerance.
TEST_F(Prenotazioni, EntryInsideTheWindowUsesTheBooking) {
    const struct { int tolleranza; const char* ora; int64_t ingresso; } casi[] = {
        {0, "10:26:00", 8},  // 14 minutes early: inside the advance
        {0, "10:20:00", 0},  // before the window: left unused
        {5, "10:30:00", 0},  // the course tolerance replaces the advance
        {5, "10:36:00", 8},
    };
    // A second booking of the same lesson: one entry holds only one of them.
    sql("INSERT INTO Gestione_Prenotazioni_Corsi (ID, Codice_Cliente, Codice_Corso, ID_Corso, Data_Prenotazione, "
        "Enroll) VALUES (2,'CL001','CS001',70,'2024-03-07 00:00:00',-1)");
    for (const auto& k : casi) {
        SCOPED_TRACE(k.ora);
        sql("DELETE FROM Presenze; DELETE FROM Presenze_Strutture; UPDATE Gestione_Prenotazioni_Corsi SET Usata=0, "
            "Ingresso=0; UPDATE Anagrafica_Corsi SET Tolleranza=" + std::to_string(k.tolleranza));
        presenza(8, k.ora);
        verifica();
        EXPECT_EQ(righe("SELECT Ingresso, Usata FROM Gestione_Prenotazioni_Corsi WHERE Usata<>0 OR Ingresso<>0"),
                  k.ingresso ? "8|-1" : "");
    }
}

TEST_F(Prenotazioni, FacilityBookingUsedByTheRecordedEntry) {
    sql("UPDATE Anagrafica_Strutture SET APrenotazione=-1, Tolleranza=10");
    sql("INSERT INTO Gestione_Prenotazioni (ID, Codice2, Data_Prenotazione, DaOre, AOre) VALUES "
        "(30,'ST001','2024-03-07 00:00:00','1900-01-01 10:35:00','1900-01-01 11:35:00')");
    sql("INSERT INTO Booking_Clienti (ID_PivotPrenotazione, Codice_Cliente, Enroll) VALUES (30,'CL001',-1)");
    registra();  // 10:30, within the 10 minutes of tolerance
    EXPECT_EQ(n("SELECT Count(*) FROM Booking_Clienti WHERE Usata<>0 AND Ingresso=1"), 1);
}

TEST(LogTerminali, OnlyMemberCodesAreLogged) {
    SystemFixture x{1};
    x.at(9, 15, 0);
    Log_Terminali(x.s, Value("CL001"), 3, Value("B7"), Value(";CL001?"), Value(1), Value(0));
    for (const char* other : {"VR001", "IS001", "", "C"}) Log_Terminali(x.s, Value(other), 3, Value(), Value(), Value(1), Value(0));
    Log_Terminali(x.s, Value::null(), 3, Value(), Value(), Value(1), Value(0));
    EXPECT_EQ(velaris::test::righe(x, "SELECT Codice_Cliente, IndTerminale, Codice_Bis, Codice_Tessera, Tipologia, "
                                      "Accompagnatore, Ora_Presenza FROM Log_Terminali_Presenze"),
              "CL001|3|B7|;CL001?|1|0|1900-01-01 09:15:00");
}

// The latest exit time of a stay.
struct OraUscita : ::testing::Test {
    SystemFixture x{1};
    Value calcola(const Value& abb, const Value& att, int h, int m, int permanenza, const Value& ripiego = Value::null()) {
        return Calcola_Ora_Uscita(x.s, abb, Value::null(), att, Value(0), 4, Value(DateTime::fromParts(1900, 1, 1, h, m)),
                                  Value(permanenza), Value::null(), ripiego);
    }
    static std::string t(const Value& v) { return v.isNullOrEmpty() ? "Null" : v.toDate()->canonical().substr(11); }
};

TEST_F(OraUscita, BandOfTheSubscriptionPlusTolerance) {
    x.f.native("INSERT INTO Anagrafica_Strutture (Codice_Struttura, TolleranzaU) VALUES ('ST001', 15)");
    x.f.native("INSERT INTO Giorni_DD_Fasce_Abbonamenti_Righe (Codice_Abbonamento, Codice_Struttura, DDSettimana, "
               "Fascia_Ini, Fascia_Fin) VALUES ('AB1','ST001',4,'1900-01-01 09:00:00','1900-01-01 12:00:00')");
    EXPECT_EQ(t(calcola(Value("AB1"), Value("ST001"), 10, 0, 0)), "12:15:00");
    // Outside every band: the fallback, or no deadline at all.
    EXPECT_EQ(t(calcola(Value("AB1"), Value("ST001"), 13, 0, 0, Value(DateTime::fromParts(1900, 1, 1, 14, 0)))),
              "14:15:00");
    EXPECT_EQ(t(calcola(Value("AB1"), Value("ST001"), 13, 0, 0)), "Null");
}

TEST_F(OraUscita, BandAdmittedInAdvanceGivesTheDeadline) {
    x.f.native("INSERT INTO Impostazioni_Funzionamento (AnticipoPren, TolleranzaU) VALUES (15, 10);"
               "INSERT INTO FasceOrarie_Abbonamenti (Codice_Abbonamento, Fascia_Ini, Fascia_Fin) VALUES "
               "('AB1','1900-01-01 07:00:00','1900-01-01 09:00:00'), ('AB1','1900-01-01 10:00:00','1900-01-01 12:00:00')");
    x.s.settings.Defaults_DopoAggiornamento();
    EXPECT_EQ(t(calcola(Value("AB1"), Value::null(), 9, 50, 0)), "12:10:00");  // ten minutes before the band
    EXPECT_EQ(t(calcola(Value("AB1"), Value::null(), 8, 50, 0)), "09:10:00");  // the band that holds the entry
    EXPECT_EQ(t(calcola(Value("AB1"), Value::null(), 9, 40, 0)), "Null");      // too early for the next
}
