// Statement corpus: bookings at terminals, activities, fixed-fee entries, the terminal
// log and the access display record.

#include "corpus_support.h"

namespace velaris::test {
namespace {

using CorpusAccounts = CorpusTest;

TEST_F(CorpusAccounts, BookingsAtTerminals) {
    const std::string terminal = N(2), cl = Q("CL000001");
    // Prenotazioni_Terminali: a machine number typed by staff.
    ResultTable t = db.query("SELECT TOP 1 Dettaglio_Terminali_Sub.TempoVai, Dettaglio_Terminali_Sub.NReleVai, IOX, TempoAnticipo, "
                             "TempoRitardo, TempoApertura, Dettaglio_Terminali_Sub.Cd_SubStruttura, Anagrafica_SubStrutture.Codice_Struttura "
                             "FROM (Dettaglio_Terminali_Sub INNER JOIN Dettaglio_Terminali ON "
                             "Dettaglio_Terminali_Sub.ID_Terminale=Dettaglio_Terminali.ID) INNER JOIN Anagrafica_SubStrutture ON "
                             "Dettaglio_Terminali_Sub.Cd_SubStruttura=Anagrafica_SubStrutture.Cd_SubStruttura WHERE Indirizzo = " +
                             terminal + " AND Dettaglio_Terminali_Sub.NReleVai = " + N(1));
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][0].toInt(), 5);
    db.native("UPDATE Stato_Terminali SET Stato=4, Codice_Cliente='OP0001' WHERE Indirizzo=2 AND Messaggio IS NULL");
    EXPECT_EQ(db.first("SELECT Codice_Cliente FROM Stato_Terminali WHERE Indirizzo=" + terminal + " AND Stato=4").toText(), "OP0001");
    db.run("INSERT INTO Utilizzo_Manuale_Strutture (Codice,                  Tipologia,                              Data_Utilizzo,   "
           "       Ora_Utilizzo,          Cd_SubStruttura) VALUES (" + Q("OP0001") + ", " + N(6) + ", " + D() + ", " + T(10, 30) +
           ", " + N(1) + ")");

    // A member's slots of today at this terminal's machines.
    t = db.query("SELECT Dettaglio_Terminali_Sub.Cd_SubStruttura, Agenda_Struttura.DaOre, Agenda_Struttura.AOre, ID_Terminale, Vai, "
                 "TempoVai, NReleVai, IOX, TempoAnticipo, TempoRitardo, TempoApertura, Esterna, Anagrafica_Strutture.Codice_Struttura, "
                 "Anagrafica_Strutture.Descrizione, Booking_Clienti.ID_PivotPrenotazione " +
                 std::string(" FROM (((Dettaglio_Terminali_Sub INNER JOIN Agenda_Struttura ON Dettaglio_Terminali_Sub.Cd_SubStruttura = "
                             "Agenda_Struttura.Cd_SubStruttura) INNER JOIN Booking_Clienti ON Agenda_Struttura.ID_PivotPrenotazione = "
                             "Booking_Clienti.ID_PivotPrenotazione) INNER JOIN Anagrafica_SubStrutture ON "
                             "Dettaglio_Terminali_Sub.Cd_SubStruttura = Anagrafica_SubStrutture.Cd_SubStruttura) INNER JOIN "
                             "Anagrafica_Strutture ON Anagrafica_SubStrutture.Codice_Struttura = Anagrafica_Strutture.Codice_Struttura ") +
                 " WHERE Booking_Clienti.Codice_Cliente=" + cl + " AND Agenda_Struttura.Data_Prenotazione=" + D());
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][1].toDate(), DateTime::fromParts(1900, 1, 1, 10, 30, 0));
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM Stato_Terminali WHERE ID_Prenotazione=" + N(1)).toInt(), 0);

    // Entitlement for the machine's facility: a line, or an add-on.
    t = db.query("SELECT TOP 1 Iscrizioni_Strutture.Codice_Abbonamento AS Abbonamento, Iscrizioni_Strutture.Codice_Iscrizione, "
                 "Iscrizioni_Strutture.Data_Fine, Iscrizioni_Strutture.TipoSedute, Iscrizioni_Strutture.Sedute-Iscrizioni_Strutture.SeduteFatte "
                 "AS SeduteResidue " +
                 std::string("FROM Iscrizioni_Strutture INNER JOIN Anagrafica_Strutture ON "
                             "Iscrizioni_Strutture.Codice_Struttura=Anagrafica_Strutture.Codice_Struttura ") +
                 "WHERE Iscrizioni_Strutture.Codice_Cliente=" + cl + " AND (Iscrizioni_Strutture.Codice_Struttura=" + Q("ST002") +
                 " OR Anagrafica_Strutture.Omnia<>0)" + " AND ((Data_Inizio<=" + D() + " AND (Data_Fine>=" + D() +
                 " OR Data_Fine IS Null)) AND Scaduta=0) ");
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][4].toInt(), 1);
    db.query(std::string("SELECT TOP 1 ID, Codice_Struttura, FrequenzaDD, ID_Intervallo, Singola, Pren_DaOre, Pren_AOre, Data_Fine, "
                         "Sedute, Sedute-SeduteFatte AS SeduteResidue ") + "FROM Gestione_Aggiunte " + "WHERE Codice_Cliente=" + cl +
             " AND Codice_Struttura=" + Q("ST003") + " AND Data_Inizio<=" + D() + " AND Scaduta=0 " + "ORDER BY Data_Inizio");

    // Display and state.
    db.native("INSERT INTO wTmp_DatiAccessi (ID, Completo, Codice) VALUES (7, 1, 'CL000001')");
    db.run("UPDATE wTmp_DatiAccessi  SET Sem2=" + N(1) + ", Sem3=" + N(0) + " WHERE ID=" + N(7));
    EXPECT_EQ(db.storedInt("SELECT Sem2 FROM wTmp_DatiAccessi WHERE ID=7"), 1);
    db.run("UPDATE Stato_Terminali SET Stato = " + N(2) + ", Codice_Cliente = " + cl + " WHERE Indirizzo = " + terminal);

    // Verifica_Abbonamenti_Prenotazioni
    db.query("SELECT Anagrafica_Clienti.Cognome, Anagrafica_Clienti.Nome, Anagrafica_Clienti.Indirizzo, Anagrafica_Clienti.Stato, "
             "Anagrafica_Clienti.Foto, Anagrafica_Clienti.Codice_Consulente, Anagrafica_Clienti.Controlli_Cliente " +
             std::string("FROM Anagrafica_Clienti ") + "WHERE Anagrafica_Clienti.Codice_Cliente=" + cl);
}

TEST_F(CorpusAccounts, ActivitiesFixedFeesAndTerminalLog) {
    const std::string cl = Q("CL000001"), terminal = N(2);
    db.native("INSERT INTO Attivita_Terminali (Codice, Codice_Struttura) VALUES ('CS002', 'ST001');"
              "INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, Codice_Struttura, "
              "Tipologia, Data_Inizio, Data_Fine) VALUES ('ISCR0001', 3, 'CL000001', 'AB001', 'CS002', 2, '2024-02-01 00:00:00', "
              "'2025-01-31 00:00:00')");
    // Attivita_Cliente_Terminale
    db.run("DELETE FROM wTmp_Presenze_Strutture");
    const std::string head = "INSERT INTO wTmp_Presenze_Strutture (Codice_Iscrizione,Codice_Cliente,Codice_Struttura,Tipologia,Conferma) ";
    db.run(head + "SELECT DISTINCT Iscrizioni_Strutture.Codice_Struttura,Iscrizioni_Strutture.Codice_Cliente,"
                  "Iscrizioni_Strutture.Codice_Struttura,Iscrizioni_Strutture.Tipologia,0 AS E1 " + "FROM Iscrizioni_Strutture " +
           "WHERE Iscrizioni_Strutture.Tipologia=1 AND Iscrizioni_Strutture.Codice_Cliente=" + cl +
           " AND Iscrizioni_Strutture.Data_Inizio<=" + D() + " AND Iscrizioni_Strutture.Chiusa=0 AND Iscrizioni_Strutture.Scaduta=0");
    for (const char* map : {"Attivita_Terminali", "Attivita_Terminali_Strutture_Associate"}) {
        db.run(head + "SELECT DISTINCT " + map + ".Codice_Struttura,Iscrizioni_Strutture.Codice_Cliente,Iscrizioni_Strutture.Codice_Struttura,"
                      "Iscrizioni_Strutture.Tipologia,0 AS E1 FROM Iscrizioni_Strutture INNER JOIN " + map + " ON "
                      "Iscrizioni_Strutture.Codice_Struttura=" + map + ".Codice WHERE Iscrizioni_Strutture.Tipologia In (2,3) AND "
                      "Iscrizioni_Strutture.Codice_Cliente=" + cl + " AND Iscrizioni_Strutture.Data_Inizio<=" + D() +
               " AND Iscrizioni_Strutture.Chiusa=0 AND Iscrizioni_Strutture.Scaduta=0");
        db.run(head + "SELECT DISTINCT " + map + ".Codice_Struttura,Gestione_Aggiunte.Codice_Cliente,Gestione_Aggiunte.Codice_Struttura,"
                      "2,0 AS E1 FROM Gestione_Aggiunte INNER JOIN " + map + " ON Gestione_Aggiunte.Codice_Struttura=" + map +
               ".Codice WHERE Gestione_Aggiunte.Codice_Cliente=" + cl + " AND Gestione_Aggiunte.Data_Inizio<=" + D() +
               " AND Gestione_Aggiunte.Scaduta=0");
    }
    db.run(head + "SELECT DISTINCT Gestione_Aggiunte.Codice_Struttura,Gestione_Aggiunte.Codice_Cliente,Gestione_Aggiunte.Codice_Struttura,"
                  "1,0 AS E1 FROM Gestione_Aggiunte WHERE Gestione_Aggiunte.Codice_Cliente=" + cl + " AND Gestione_Aggiunte.Data_Inizio<=" +
           D() + " AND Gestione_Aggiunte.Scaduta=0");
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM wTmp_Presenze_Strutture WHERE Codice_Iscrizione='ST001'"), 2);  // gym line, spinning
    db.run(std::string("UPDATE wTmp_Presenze_Strutture ") + "SET wTmp_Presenze_Strutture.Conferma=-1 " +
           "WHERE wTmp_Presenze_Strutture.Codice_Iscrizione=" + Q("ST001"));
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM wTmp_Presenze_Strutture WHERE Conferma<>0").toInt(), 2);
    db.query("SELECT Codice_Struttura, Tipologia  FROM wTmp_Presenze_Strutture  WHERE Conferma<>0 ");

    // Attivita_DaTerminale and Gestisci_Attivita.
    ResultTable t = db.query("SELECT Codice_Struttura AS Codice, Descrizione FROM Anagrafica_Strutture WHERE Codice_Bis=" + Q("22") +
                             " UNION SELECT Codice_Corso AS Codice, Descrizione FROM Anagrafica_Corsi WHERE Codice_Bis=" + Q("22") +
                             " UNION SELECT Codice_Servizio AS Codice, Descrizione FROM Anagrafica_Servizi WHERE Codice_Bis=" + Q("22"));
    EXPECT_EQ(t.rows.at(0).at(0).toText(), "CS002");
    EXPECT_EQ(db.first(std::string("SELECT Codice_Struttura FROM Attivita_Strutture ") + "WHERE Codice=" + Q("CS002")).toText(), "ST001");
    db.query("SELECT Codice_Struttura_Associata  FROM Strutture_Associate  WHERE Codice_Struttura=" + Q("ST002") + " ORDER BY Priorita DESC");
    db.native("UPDATE Stato_Terminali SET Stato=8, Codice_Cliente='CL000001' WHERE Indirizzo=2 AND Messaggio IS NULL");
    EXPECT_EQ(db.first("SELECT Codice_Cliente FROM Stato_Terminali WHERE Indirizzo=" + terminal + " AND Stato=8").toText(), "CL000001");
    db.run(std::string("INSERT INTO wTmp_ArticoliTerminali_SQL (Indirizzo, Codice_Cliente, Codice_Articolo) ") + " VALUES (" + terminal +
           ", " + cl + ", " + Q("SE001") + ")");
    db.query("SELECT TOP 1 Codice_Articolo  FROM wTmp_ArticoliTerminali  WHERE Indirizzo = " + terminal);
    db.run("DELETE FROM wTmp_ArticoliTerminali  WHERE Indirizzo = " + terminal);

    // Ingresso_ScadenzeFisse: a type-3 fee ten days past its expiry admits with 15 days of grace.
    auto fee = [&](int g3) {
        std::string s = "SELECT TOP 1 Tabella_ScadenzeFisse.Tipo_Scadenza  FROM AnagraficaC_Clienti INNER JOIN Tabella_ScadenzeFisse ON "
                        "AnagraficaC_Clienti.Tipo_Certificato=Tabella_ScadenzeFisse.Tipo_Scadenza  WHERE Tabella_ScadenzeFisse.Ingresso<>0 "
                        "AND AnagraficaC_Clienti.Codice_Cliente=" + cl + " AND AnagraficaC_Clienti.Pagato<>0 AND GetDate() BETWEEN "
                        "AnagraficaC_Clienti.Data_Rinnovo AND  CASE Tabella_ScadenzeFisse.Tipo_Scadenza  WHEN 1 THEN DATEADD(day," +
                        N(15) + ", AnagraficaC_Clienti.Data_Scadenza)  WHEN 2 THEN DATEADD(day," + N(30) +
                        ", AnagraficaC_Clienti.Data_Scadenza)  WHEN 3 THEN DATEADD(day," + N(g3) +
                        ", AnagraficaC_Clienti.Data_Scadenza)  WHEN 4 THEN DATEADD(day," + N(0) +
                        ", AnagraficaC_Clienti.Data_Scadenza)  WHEN 5 THEN DATEADD(day," + N(0) +
                        ", AnagraficaC_Clienti.Data_Scadenza)  WHEN 6 THEN DATEADD(day," + N(0) +
                        ", AnagraficaC_Clienti.Data_Scadenza) END";
        return db.query(s).rows.size();
    };
    EXPECT_EQ(fee(15), 1u);
    EXPECT_EQ(fee(9), 0u);
    db.run("INSERT INTO Presenze (ID_Presenza,Codice_Cliente, Data_Presenza, Ora_Presenza, Fuori_Orario, Iscrizione_Scaduta, Ex_Terminali, "
           "Codice_Centro, IndTerminale, Codice_Tessera, Note_Tessera) VALUES (" + N(9) + ", " + cl + ", " + D() + ", " + T(10, 30) +
           ", 0, 0, 0, " + Q("") + ", " + terminal + ", " + Q("0001234501") + ", " + Q("") + ") ");

    // Log_Terminali
    db.run("INSERT INTO Log_Terminali_Presenze (Codice_Cliente, Data_Presenza, Ora_Presenza, IndTerminale, Codice_Bis, Codice_Tessera, "
           "Tipologia, Accompagnatore)  VALUES (" + cl + ", " + D() + ", " + T(10, 30) + ", " + terminal + ", " + Q("0001234501") + ", " +
           Q("0001234501") + ", " + N(1) + ", " + N(0) + ")");
    EXPECT_EQ(db.stored("SELECT Data_Presenza FROM Log_Terminali_Presenze"), "2024-03-07 00:00:00");
}

TEST_F(CorpusAccounts, AccessDisplayRecord) {
    const std::string description(300, 'A');
    const std::string values =
        N(1) + "," + Q("0001234501") + "," + Q("CL000001") + "," + Q("ROSSI") + "," + Q("MARIO") + "," + Q("VIA ROMA 12") + "," + D() +
        "," + T(10, 30) + "," + Data_SqlQ(Value::null()) + "," + Ora_SqlQ(Value::null()) + "," + Q("AB001") + "," +
        CChrQ(Value(description.substr(0, 255))) + "," + N(1) + "," + Q("") + "," + Data_SqlQ(Value(DateTime::fromParts(2025, 1, 31))) +
        "," + Q("ABBONATO") + "," + Q("ISCR0001") + "," + Q("") + "," + Q("CO0001") + "," + N(0) + "," + N(1) + "," + N(0) + "," + N(0) +
        "," + N(0) + "," + N(0) + "," + Q("INGRESSO PRINCIPALE") + "," + Q("INGRESSO CONSENTITO") + "," + N(1) + "," + N(0) + "," +
        N(0) + "," + Q("");
    db.run("INSERT INTO wTmp_DatiAccessi_SQL ( Completo, Codice_Tessera, Codice, Cognome, Nome, Indirizzo, Data_Entrata, "
           " Ora_Entrata, Data_Ultima_Entrata, Ora_Ultima_Entrata, Codice_Abbonamento, "
           " DesAbbonamento , Stato, Foto, Scadenza, DesStato, Codice_Iscrizione, "
           " TestoIrr , Codice_Consulente, Sem1, Sem2, Sem3, Sospeso, Messaggio, ASeduta , Struttura_Ingresso, Entrata, Terminale, "
           "CheckOut, Monitor_Aggiuntivo, TestoIrr_Push) " + std::string(" VALUES (") + values + ")");
    EXPECT_EQ(db.storedInt("SELECT length(DesAbbonamento) FROM wTmp_DatiAccessi"), 255);
    EXPECT_EQ(db.stored("SELECT Data_Ultima_Entrata FROM wTmp_DatiAccessi"), "");
    EXPECT_EQ(db.stored("SELECT Ora_Entrata FROM wTmp_DatiAccessi"), "1900-01-01 10:30:00");
    // A refusal for credit: the display row grows its text.
    db.run("UPDATE wTmp_DatiAccessi SET Completo=1, Entrata = 'INGRESSO NON CONSENTITO' , TestoIrr = TestoIrr + "
           "'CREDITO PUNTI INSUFFICIENTE' , Sem1 = 1  WHERE ID=" + N(1));
    EXPECT_EQ(db.stored("SELECT TestoIrr FROM wTmp_DatiAccessi"), "CREDITO PUNTI INSUFFICIENTE");
    db.run("UPDATE wTmp_DatiAccessi  SET Sem2=" + N(0) + ", Sem3=" + N(1) + " WHERE ID=" + N(1));
}

}  // namespace
}  // namespace velaris::test
