// Statement corpus: application shell, query helpers, settings, counters and locks, terminal
// registry and outgoing queue. Each statement is built the way its procedure builds it and
// run through the embedded engine against the centre schema.

#include "corpus_support.h"

namespace velaris::test {
namespace {

using CorpusShell = CorpusTest;

TEST_F(CorpusShell, StartupAndPollingCycle) {
    // Form_Load: the access display table starts empty.
    db.native("INSERT INTO wTmp_DatiAccessi (Completo, Codice) VALUES (1, 'CL000001')");
    db.run("DELETE FROM wTmp_DatiAccessi ");
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM wTmp_DatiAccessi"), 0);

    // Timer1: the oldest injected message, then its deletion.
    db.native("INSERT INTO Stato_Terminali (ID, Indirizzo, Messaggio, Stato) VALUES (40, 2, '0001234502', 500), (41, 1, 'X', 500)");
    ResultTable t = db.query(std::string("SELECT TOP 1 ID, Indirizzo, Messaggio ") + " FROM Stato_Terminali " +
                             " WHERE Stato=500 " + " ORDER BY ID");
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][0].toInt(), 40);
    EXPECT_EQ(t.rows[0][2].toText(), "0001234502");
    db.run(std::string("DELETE FROM Stato_Terminali ") + " WHERE ID=" + N(40));
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM Stato_Terminali WHERE ID=40"), 0);

    // Timer2: the active terminals in address order.
    t = db.query(std::string("SELECT Indirizzo ") + " FROM Dettaglio_Terminali " + " WHERE Attivo<>0 " +
                 " ORDER BY Indirizzo ");
    ASSERT_EQ(t.rows.size(), 3u);
    EXPECT_EQ(t.rows[2][0].toInt(), 3);
}

TEST_F(CorpusShell, QueryHelpersBuildRunnableStatements) {
    // DLookUpQ, DMaxQ, DSumQ, DCountQ as the helpers assemble them.
    EXPECT_EQ(db.first("SELECT Cognome FROM Anagrafica_Clienti WHERE Codice_Cliente=" + Q("CL000001")).toText(), "ROSSI");
    EXPECT_EQ(db.first("SELECT Max(ID_Presenza) FROM Presenze WHERE Codice_Cliente=" + Q("CL000001")).toInt(), 2);
    EXPECT_EQ(db.first("SELECT Sum(Importo_DaPagare) FROM Giornale WHERE Codice_Cliente=" + Q("CL000002")).toDouble(),
              148.5);
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM Anagrafica_Clienti").toInt(), 3);
    EXPECT_EQ(db.first("SELECT Count([Codice_Struttura]) AS E1  FROM Presenze_Strutture WHERE Codice_Cliente=" +
                       Q("CL000001")).toInt(), 3);
    EXPECT_EQ(db.first("SELECT Count(Distinct [Codice_Struttura]) AS E1  FROM Presenze_Strutture WHERE Codice_Cliente=" +
                       Q("CL000001")).toInt(), 2);
    // A derived table that lost its ORDER BY and was closed again with ") AS Vista".
    EXPECT_EQ(db.first("SELECT Count(*) AS E1 FROM (SELECT Codice_Cliente FROM Presenze WHERE Data_Presenza<=" + D() +
                       " ) AS Vista").toInt(), 3);
    // Max over no rows is Null, not 0.
    EXPECT_TRUE(db.first("SELECT Max(ID) FROM Gestione_Uscite").isNull());
    // A text with a quote is written with a double-quote character and stored that way.
    db.run("UPDATE Anagrafica_Clienti SET Indirizzo=" + Q("VIA DELL'ORO 3") + " WHERE Codice_Cliente=" + Q("CL000003"));
    EXPECT_EQ(db.stored("SELECT Indirizzo FROM Anagrafica_Clienti WHERE Codice_Cliente='CL000003'"), "VIA DELL\"ORO 3");
}

TEST_F(CorpusShell, OperatingSettings) {
    // Leggi_Impostazione: one column of the first row; index 45 through the label formats.
    EXPECT_EQ(db.first("SELECT AnticipoPren FROM Impostazioni_Funzionamento").toInt(), 15);
    EXPECT_EQ(db.first("SELECT PrenComePres FROM Impostazioni_Funzionamento").toBool(), false);
    EXPECT_EQ(db.first(std::string("SELECT NomeReport ") +
                       " FROM Impostazioni_Funzionamento INNER JOIN wCab_FormatoEtichette ON "
                       "Impostazioni_Funzionamento.Formato_Etichette = wCab_FormatoEtichette.Codice ").toText(),
              "rptEtichetta62x29");
    // Leggi_NoEntry reads each flag column; every one of them exists.
    for (int n = 2; n <= 21; ++n)
        db.first("SELECT NoEntry" + std::to_string(n) + " FROM Impostazioni_Funzionamento");
    EXPECT_EQ(db.first("SELECT NoEntry2 FROM Impostazioni_Funzionamento").toBool(), true);
    EXPECT_EQ(db.first("SELECT DB_Unico FROM Impostazioni_Funzionamento").toBool(), false);
    // Defaults_DopoAggiornamento: the fixed fees in type order.
    ResultTable t = db.query(std::string("SELECT Scadenza, Gestisci, Importo, Pagamento, Cd_Iva, Durata_Std ") +
                             " FROM Tabella_ScadenzeFisse " + " ORDER BY Tipo_Scadenza");
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(t.rows[1][0].toText(), "ASSICURAZIONE");
    EXPECT_TRUE(t.rows[0][1].toBool());
}

TEST_F(CorpusShell, CountersLocksAndMemberStatus) {
    // Num_Contatore.
    EXPECT_EQ(db.first(std::string("SELECT Contatore AS NumCont ") + "FROM Contatori " + "WHERE Cd_Tipo =" + N(5)).toInt(),
              120);
    EXPECT_EQ(db.first(std::string("SELECT ContatoreN AS NumCont ") + "FROM Contatori " + "WHERE Cd_Tipo =" + N(5)).toInt(),
              7);
    // Drawing a presence number: the first one creates the row, later ones advance it.
    db.run("INSERT INTO Contatori (Cd_Tipo,ContatoreN) VALUES (22," + N(1) + ")");
    db.run("UPDATE Contatori SET ContatoreN = " + N(2) + " WHERE Cd_Tipo = 22");
    EXPECT_EQ(db.storedInt("SELECT ContatoreN FROM Contatori WHERE Cd_Tipo=22"), 2);

    // Semaforo: the second take of the same lock is refused by the key.
    const std::string take = std::string("INSERT INTO Semafori (Cd_Semaforo, UserName, HostName)") + " SELECT " + N(103) +
                             "," + Q("ADMIN") + "," + Q("RECEPTION-PC");
    db.run(take);
    EXPECT_THROW(db.fixture.db.execute(take), DbError);
    db.run(std::string("DELETE FROM Semafori") + " WHERE Cd_Semaforo = " + N(103));
    db.run(take);

    // Info_Postazione: the operator in use.
    EXPECT_EQ(db.first("SELECT Codice_Operatore FROM Permessi_Utenti WHERE InUse<>0").toText(), "ADMIN");

    // Stato_Cliente: the member-status procedure returns one row.
    ResultTable t = db.query("exec Stato_Cliente 1, " + Q("CL000001") + ", " + Data_SqlQ_SP(Value(corpusDay())) + ", " +
                             Data_SqlQ_SP(Value(corpusDay(-30))));
    EXPECT_EQ(t.rows.size(), 1u);
}

TEST_F(CorpusShell, TerminalRegistry) {
    ResultTable t = db.query(std::string("SELECT * ") + " FROM Dettaglio_Terminali " + " WHERE Attivo<>0 " +
                             " ORDER BY Indirizzo ");
    ASSERT_EQ(t.rows.size(), 3u);
    for (const char* col : {"Attivo", "Indirizzo", "Indirizzo_IP", "Tipo", "Uscita", "Personale", "Stop", "Vai",
                            "TempoStop", "TempoVai", "NReleStop", "NReleVai", "Attivato_Operatore", "Blocco_Tastiera",
                            "Codice_Struttura", "ID", "CodiceVai", "Codice_Attivazione", "Gestisci_Attivita",
                            "MoneyCard", "Visualizza_Dett", "Monitor_Aggiuntivo", "Intervallo_Presenze", "Gruppo",
                            "Messaggi", "Codice_Centro", "NReleUscita", "SubTerminale", "Stampa_Scontrino"}) {
        bool found = false;
        for (const auto& c : t.columns) found = found || sameName(c, col);
        EXPECT_TRUE(found) << col;
    }
    t = db.query(std::string("SELECT Indirizzo_IP ") + " FROM Dettaglio_Terminali " +
                 " WHERE Attivo<>0 AND Not Indirizzo_IP Is Null " + " GROUP BY Indirizzo_IP " + " ORDER BY Indirizzo_IP ");
    EXPECT_EQ(t.rows.size(), 3u);
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM Dettaglio_Terminali_Sub WHERE ID_Terminale=" + N(2)).toInt(), 1);

    db.run("DELETE FROM wTmp_Letture_SQL ");
    db.run("DELETE FROM Stato_Terminali");
    db.run("DELETE FROM wTmp_ArticoliTerminali ");
    db.run(std::string("INSERT INTO Stato_Terminali (Indirizzo, Stato, Tipo) ") + " VALUES (" + "2" + ", " + "2" + ", " +
           N(6) + ")");
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM Stato_Terminali WHERE Indirizzo=2 AND Stato=2 AND Tipo=6"), 1);
    EXPECT_EQ(db.storedInt("SELECT ID FROM Stato_Terminali WHERE Indirizzo=2") > 0, true);
}

TEST_F(CorpusShell, OutgoingQueue) {
    // Mode 1: queue with a due time.
    db.run(std::string("INSERT INTO Stato_Terminali (Indirizzo, Messaggio, Ora_Invio, ID_Prenotazione, Cd_SubStruttura) ") +
           " VALUES (" + N(2) + ", " + Q("\fSTOP|NON ABILITATO") + "," + T(10, 30, 2) + ", " + N(0) + ", " + N(0) + ")");
    EXPECT_EQ(db.stored("SELECT Ora_Invio FROM Stato_Terminali WHERE Messaggio LIKE '%STOP%'"), "1900-01-01 10:30:02");

    // Mode 3: the last queued message of the terminal.
    EXPECT_EQ(db.first(std::string("SELECT TOP 1 Ora_Invio ") + " FROM Stato_Terminali " + " WHERE Indirizzo=" + N(2) +
                       " AND Not Messaggio Is Null " + " ORDER BY ID DESC").toDate(),
              DateTime::fromParts(1900, 1, 1, 10, 30, 2));

    // Mode 0: the due addresses, then the oldest due message of each.
    const std::string now = T(10, 30, 0);
    ResultTable t = db.query(std::string("SELECT DISTINCT Indirizzo ") + " FROM Stato_Terminali " + " WHERE Ora_Invio<=" +
                             now + " AND Indirizzo > 0 AND Not Messaggio Is Null " + " ORDER BY Indirizzo");
    ASSERT_EQ(t.rows.size(), 1u);
    t = db.query(std::string("SELECT TOP 1 Indirizzo, Inviato, Messaggio, Ora_Invio ") + " FROM Stato_Terminali " +
                 " WHERE Ora_Invio<=" + now + " AND Indirizzo > 0 AND Not Messaggio Is Null " + " AND Indirizzo=" + N(2) +
                 " ORDER BY ID ");
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][2].toText(), "OK|ABILITATO");
    db.run("UPDATE Stato_Terminali SET Inviato=1 WHERE ID=" + N(4));
    db.run(std::string("DELETE FROM Stato_Terminali ") + " WHERE Inviato <> 0 ");
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM Stato_Terminali"), 5);  // state rows stay

    // Mode 2: the idle keypad terminals.
    db.native("UPDATE Stato_Terminali SET Tipo=1 WHERE Indirizzo=1");
    t = db.query(std::string("SELECT DISTINCT Indirizzo, Tipo, Stato ") + " FROM Stato_Terminali " +
                 " WHERE Stato In(1,2) AND Tipo In(1,2) ");
    EXPECT_EQ(t.rows.size(), 1u);

    // The marker row written after a verdict.
    db.run("DELETE FROM Stato_Terminali WHERE Indirizzo=0");
    db.run(std::string("INSERT INTO Stato_Terminali (Indirizzo,Ora_Invio) ") + " VALUES (0," + T(10, 30, 2) + ")");
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM Stato_Terminali WHERE Indirizzo=0 AND Messaggio IS NULL"), 1);
}

TEST_F(CorpusShell, ReceiptAndSocketLookups) {
    // Stampa_Scontrino.
    ResultTable t = db.query(std::string("SELECT TOP 1 Cognome, Nome ") + " FROM Anagrafica_Clienti " +
                             " WHERE Codice_Cliente = " + Q("CL000001"));
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][1].toText(), "MARIO");
}

}  // namespace
}  // namespace velaris::test
