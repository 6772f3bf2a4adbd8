// The real server on the demo centre, driven by HTTP-push terminals on loopback: card reads
// at the pool turnstile and at the main entrance get their verdicts and leave their rows;
// members, the day ticket and the visitor card enter and leave through the exit; the money
// card pays an entry at the fitness-room turnstile and an article at the bar.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

#include "harness/child_process.h"
#include "support/terminale_http.h"
#include "support/test_support.h"

using namespace velaris;
using namespace std::chrono_literals;
using velaris::test::ChildProcess;

namespace {

const std::string kExe = VELARIS_ACCESSI_EXE;

struct Demo : ::testing::Test {
    test::TempDir dir;
    std::string db = (dir / "demo.db").string();
    int httpPort = test::freePort();
    ChildProcess server;

    void SetUp() override {
        auto [status, out] = test::runCommand(kExe, {"database", "demo", db});
        ASSERT_EQ(status, 0) << out;
        std::ofstream(dir / "Velaris.ini") << "[Comm]\nDispositivo=3\nListen_Address=127.0.0.1\nHttp_Port="
                                           << httpPort << "\n[Web]\nPort=0\n";
        std::vector<std::string> args = {"Provider=SQLite;Data Source=" + db + ";" + opzione(), "--config",
                                         (dir / "Velaris.ini").string(), "--log-dir", dir.path().string()};
        for (const std::string& a : argomenti()) args.push_back(a);
        server.start(kExe, args);
        ASSERT_TRUE(server.waitFor("in servizio", 30s)) << server.output();
    }
    void TearDown() override {
        if (server.running()) server.stop(SIGKILL);
    }
    // The start option digit (1: the ticket check on) and further arguments.
    virtual std::string opzione() { return "0"; }
    virtual std::vector<std::string> argomenti() { return {}; }
    // The rows of a query as the sql command prints them, header first.
    std::string query(const std::string& statement) {
        auto [status, out] = test::runCommand(kExe, {"sql", "--database", db, statement});
        EXPECT_EQ(status, 0) << out;
        return out;
    }
};

}  // namespace

TEST_F(Demo, ReadsAtThePoolTurnstileGetTheirVerdictsAndRows) {
    test::TerminaleHttp t(httpPort, 2);
    ASSERT_TRUE(t.ok());
    ASSERT_TRUE(t.presenta()) << t.ricevuto;

    // Rossi, yearly open subscription with the pool: the gate opens, then the welcome text.
    t.leggi("0001234501");
    ASSERT_TRUE(t.attendi("relay1=3", 10s)) << t.ricevuto;
    EXPECT_NE(t.ricevuto.find("beep=1"), std::string::npos);
    ASSERT_TRUE(t.attendi("screen=\fOK|ABILITATO|ROSSI|MARIO", 10s)) << t.ricevuto;
    EXPECT_EQ(query("SELECT Count(*) AS N FROM Presenze_Strutture INNER JOIN Presenze ON "
                    "Presenze.ID_Presenza=Presenze_Strutture.ID_Presenza WHERE Presenze.Codice_Cliente='CL000001' "
                    "AND Presenze_Strutture.Codice_Struttura='ST002' AND Presenze.IndTerminale=2"),
              "N\n1\n");
    EXPECT_EQ(query("SELECT Codice_Tessera, Completo, Sem2 FROM wTmp_DatiAccessi WHERE Codice='CL000001'"),
              "Codice_Tessera\tCompleto\tSem2\n0001234501\t1\t1\n");
    EXPECT_EQ(query("SELECT Stato, Regolare, Codice_Cliente FROM Stato_Terminali WHERE Indirizzo=2 AND Messaggio IS NULL"),
              "Stato\tRegolare\tCodice_Cliente\n2\t1\tCL000001\n");
    EXPECT_EQ(query("SELECT Count(*) AS N FROM Stato_Terminali WHERE Indirizzo=0"), "N\n1\n");

    // Esposito's subscription ended ten days ago: the stop relay and the reason.
    t.leggi("0001234503");
    ASSERT_TRUE(t.attendi("beep=3", 10s)) << t.ricevuto;
    ASSERT_TRUE(t.attendi("screen=\fSTOP|NON ABILITATO", 10s)) << t.ricevuto;
    EXPECT_EQ(query("SELECT Count(*) AS N FROM Presenze WHERE Codice_Cliente='CL000003'"), "N\n0\n");

    // Bianchi's one-day QR code admits her once and counts one of her pool entries.
    t.leggi("CL0000024711A1");
    ASSERT_TRUE(t.attendi("screen=\fOK|ABILITATO|BIANCHI|GIULIA", 10s)) << t.ricevuto;
    EXPECT_EQ(query("SELECT Usato FROM Gestione_QR_Code WHERE QR_Code='4711'"), "Usato\n1\n");
    EXPECT_EQ(query("SELECT SeduteFatte FROM Iscrizioni_Strutture WHERE Codice_Iscrizione='ISCR0002'"),
              "SeduteFatte\n8\n");
    t.leggi("CL0000024711A1");
    ASSERT_TRUE(t.attendi("screen=\fCODICE NON ASSEGNATO", 10s)) << t.ricevuto;

    // A code nobody owns, with a quote in it.
    t.leggi("99'77");
    ASSERT_TRUE(t.attendi("screen=\fCODICE NON ASSEGNATO", 10s)) << t.ricevuto;

    EXPECT_EQ(server.stop(SIGTERM), 0) << server.output();
    std::ifstream in(dir / "VelarisAccessi.log");
    const std::string log((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(log.find("Function Elabora_Messaggi"), std::string::npos) << log;
}

TEST_F(Demo, MainEntranceAdmitsAMemberAndRecordsTheVisit) {
    test::TerminaleHttp t(httpPort, 1);
    ASSERT_TRUE(t.ok());
    ASSERT_TRUE(t.presenta()) << t.ricevuto;

    // Rossi at the main entrance: the gate opens; the gym is counted here, the pool is left
    // to its own turnstile; the stay and its exit deadline wait for the exit.
    t.leggi("0001234501");
    ASSERT_TRUE(t.attendi("relay1=3", 10s)) << t.ricevuto;
    ASSERT_TRUE(t.attendi("screen=\fOK|ABILITATO|ROSSI|MARIO", 10s)) << t.ricevuto;
    EXPECT_EQ(query("SELECT Presenze_Strutture.Codice_Struttura FROM Presenze_Strutture INNER JOIN Presenze ON "
                    "Presenze.ID_Presenza=Presenze_Strutture.ID_Presenza WHERE Presenze.Codice_Cliente='CL000001' "
                    "AND Presenze.IndTerminale=1"),
              "Codice_Struttura\nST001\n");
    EXPECT_EQ(query("SELECT SeduteFatte FROM Iscrizioni_Strutture WHERE Codice_Iscrizione='ISCR0001' ORDER BY Prog_Riga"),
              "SeduteFatte\n13\n4\n");
    EXPECT_EQ(query("SELECT Count(*) AS N FROM Controllo_Fascia_Oraria INNER JOIN Gestione_Entrate ON "
                    "Controllo_Fascia_Oraria.ID_Entrata=Gestione_Entrate.ID_Entrata WHERE Modalita=2 AND "
                    "Gestione_Entrate.Codice_Cliente='CL000001' AND Gestione_Entrate.IndTerminale=1"),
              "N\n1\n");
    EXPECT_EQ(query("SELECT DesIrregolari, DesIrregolari_Att FROM Log_Entrate WHERE Codice_Cliente='CL000001'"),
              "DesIrregolari\tDesIrregolari_Att\nOK\tINGRESSO\n");
    EXPECT_EQ(query("SELECT Entrata, Sem2 FROM wTmp_DatiAccessi WHERE Codice='CL000001'"),
              "Entrata\tSem2\nINGRESSO CONSENTITO\t1\n");
    EXPECT_EQ(query("SELECT Stato, Regolare FROM Stato_Terminali WHERE Indirizzo=1 AND Messaggio IS NULL"),
              "Stato\tRegolare\n2\t1\n");

    // Esposito's subscription has ended: the stop answer.
    t.leggi("0001234503");
    ASSERT_TRUE(t.attendi("beep=3", 10s)) << t.ricevuto;
    ASSERT_TRUE(t.attendi("screen=\fSTOP|NON ABILITATO", 10s)) << t.ricevuto;
    EXPECT_EQ(query("SELECT Count(*) AS N FROM Presenze WHERE Codice_Cliente='CL000003'"), "N\n0\n");

    EXPECT_EQ(server.stop(SIGTERM), 0) << server.output();
    std::ifstream in(dir / "VelarisAccessi.log");
    const std::string log((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
}

TEST_F(Demo, TheMoneyCardPaysAnEntryAndABarArticle) {
    test::TerminaleHttp tornello(httpPort, 11), bar(httpPort, 12);
    ASSERT_TRUE(tornello.ok() && bar.ok());
    ASSERT_TRUE(tornello.presenta()) << tornello.ricevuto;
    ASSERT_TRUE(bar.presenta()) << bar.ricevuto;
    auto credito = [&] {
        return query("SELECT Importo-Importo_Usato+Importo_Omaggio AS R FROM Gestione_MoneyCard WHERE "
                     "Codice_Cliente='CL000010'");
    };
    EXPECT_EQ(credito(), "R\n42.5\n");

    // Gallo enters the fitness room: the turnstile charges 2.50 and shows what is left.
    tornello.leggi("0001234510");
    ASSERT_TRUE(tornello.attendi("relay1=3", 10s)) << tornello.ricevuto;
    ASSERT_TRUE(tornello.attendi("screen=CREDITO RESIDUO:| 40,00", 10s)) << tornello.ricevuto;
    EXPECT_EQ(credito(), "R\n40\n");
    EXPECT_EQ(query("SELECT Count(*) AS N FROM PN_Movimenti WHERE Tipologia=13 AND Importo=2.5 AND "
                    "Codice_Struttura='ST004' AND Codice_Cliente='CL000010'"),
              "N\n1\n");

    // At the bar she pays a bottle of water (subscriber price 0.80) with the card.
    bar.leggi("0001234510");
    ASSERT_TRUE(bar.attendi("screen=|1 MONEY CARD|2 CONTANTI|SCELTA:_", 15s)) << bar.ricevuto;
    EXPECT_NE(bar.ricevuto.find("screen=\fRESIDUO: 40,00"), std::string::npos) << bar.ricevuto;
    bar.leggi("1");
    ASSERT_TRUE(bar.attendi("ART.:_______________", 10s)) << bar.ricevuto;
    bar.leggi("AR0001");
    ASSERT_TRUE(bar.attendi("COSTO: 0,80|TOTALE: 0,80", 10s)) << bar.ricevuto;
    bar.leggi("1");
    ASSERT_TRUE(bar.attendi("screen=\fOPERAZIONE|TERMINATA", 10s)) << bar.ricevuto;
    EXPECT_EQ(credito(), "R\n39.2\n");
    EXPECT_EQ(query("SELECT Codice_Articolo, Qta, Importo, Pagato FROM Gestione_Bar WHERE Codice_Cliente='CL000010'"),
              "Codice_Articolo\tQta\tImporto\tPagato\nAR0001\t1\t0.8\tTrue\n");

    // The residual the bar shows at her next badge is the database's.
    bar.leggi("0001234510");
    ASSERT_TRUE(bar.attendi("screen=\fRESIDUO: 39,20", 15s)) << bar.ricevuto;
    bar.leggi("0");
    ASSERT_TRUE(bar.attendi("screen=\fOPERAZIONE|ANNULLATA", 10s)) << bar.ricevuto;
    EXPECT_EQ(credito(), "R\n39.2\n");

    EXPECT_EQ(server.stop(SIGTERM), 0) << server.output();
    std::ifstream in(dir / "VelarisAccessi.log");
    const std::string log((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
}

namespace {

// The demo with the ticket check on and its clock at 10:30 today.
struct DemoPassaggi : Demo {
    std::string opzione() override { return "1"; }
    std::vector<std::string> argomenti() override {
        return {"--clock", Clock::systemNow().datePart().addSeconds(10 * 3600 + 30 * 60).canonical()};
    }
};

}  // namespace

TEST_F(DemoPassaggi, MemberDayTicketAndVisitorEnterAndLeave) {
    test::TerminaleHttp ingresso(httpPort, 1), piscina(httpPort, 2), uscita(httpPort, 3);
    ASSERT_TRUE(ingresso.presenta() && piscina.presenta() && uscita.presenta());
    auto passa = [](test::TerminaleHttp& t, const std::string& code, const std::string& screen) {
        t.leggi(code);
        EXPECT_TRUE(t.attendi("relay1=3", 10s)) << code << ": " << t.ricevuto;
        EXPECT_TRUE(t.attendi("screen=\f" + screen, 10s)) << code << ": " << t.ricevuto;
    };

    // Rossi comes in at the main entrance and leaves through the exit, which closes his stay.
    passa(ingresso, "0001234501", "OK|ABILITATO");
    passa(uscita, "0001234501", "USCITA|CONSENTITA");
    EXPECT_EQ(query("SELECT Count(*) AS N FROM Gestione_Uscite INNER JOIN Gestione_Entrate ON "
                    "Gestione_Uscite.ID_Entrata=Gestione_Entrate.ID_Entrata WHERE Gestione_Uscite.Codice_Cliente='CL000001' "
                    "AND Gestione_Entrate.IndTerminale=1 AND Gestione_Uscite.IndTerminale=3"),
              "N\n1\n");
    EXPECT_EQ(query("SELECT Count(*) AS N FROM Controllo_Fascia_Oraria WHERE Codice_Cliente='CL000001'"), "N\n0\n");

    // Conti's day ticket on its bare card: into the pool and out.
    passa(piscina, "TK000001", "OK|ABILITATO");
    passa(uscita, "TK000001", "USCITA|CONSENTITA");
    EXPECT_EQ(query("SELECT Count(*) AS N FROM Presenze_Strutture WHERE ID_Biglietto=1 AND Tipologia=4"), "N\n1\n");
    EXPECT_EQ(query("SELECT Count(*) AS N FROM Gestione_Uscite WHERE Codice_Cliente='TK000001'"), "N\n1\n");

    // Moretti's visitor card: in at the main entrance, out within his 90 minutes, card freed.
    passa(ingresso, "V0001", "ENTRATA|CONSENTITA");
    passa(uscita, "V0001", "USCITA|CONSENTITA");
    EXPECT_EQ(query("SELECT Count(*) AS N FROM Gestione_Visitatori WHERE Codice_Visitatore='VR000001' AND Ora_Uscita IS NOT "
                    "NULL"),
              "N\n1\n");
    EXPECT_EQ(query("SELECT Codice_Bis FROM Anagrafica_Visitatori WHERE Codice_Visitatore='VR000001'"), "Codice_Bis\nNULL\n");
    EXPECT_EQ(server.stop(SIGTERM), 0) << server.output();
    std::ifstream in(dir / "VelarisAccessi.log");
    const std::string log((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
}
