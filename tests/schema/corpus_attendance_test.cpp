// Statement corpus: attendance recording (facility path and terminal path), booking
// reconciliation and the points charged for time on the premises.

#include "corpus_support.h"

namespace velaris::test {
namespace {

using CorpusAttendance = CorpusTest;

// The standard filter of the staging rows. Joined with the booking tables, which have an
// Ingresso_Scalato of their own, every term must name its table.
const std::string kStd =
    "NoVerifica=0 AND wTmp_Presenze_Strutture.Terminale=0 AND wTmp_Presenze_Strutture.Esterna=0 AND "
    "wTmp_Presenze_Strutture.Conferma<>0 AND wTmp_Presenze_Strutture.Ingresso_Scalato=0";

// The future-bookings and accompanied-activity exclusions of the expiry statements.
std::string futureBookings(const std::string& head, const std::string& column, const std::string& cl) {
    return head + " (SELECT Booking_Clienti." + column +
           " FROM Gestione_Prenotazioni INNER JOIN Booking_Clienti ON Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione"
           " WHERE Booking_Clienti.Codice_Cliente=" + cl + " AND Gestione_Prenotazioni.Data_Prenotazione>=" + D() +
           " UNION SELECT Gestione_Prenotazioni_Corsi." + column + " FROM Gestione_Prenotazioni_Corsi WHERE "
           "Gestione_Prenotazioni_Corsi.Codice_Cliente=" + cl + " AND Gestione_Prenotazioni_Corsi.Data_Prenotazione>=" + D() +
           " UNION SELECT Gestione_Prenotazioni_Servizi." + column + " FROM Gestione_Prenotazioni_Servizi WHERE "
           "Gestione_Prenotazioni_Servizi.Codice_Cliente=" + cl + " AND Gestione_Prenotazioni_Servizi.Data_Prenotazione>=" + D() +
           ") ";
}
std::string accompanied(const std::string& table) {
    return " AND " + table + ".Codice_Struttura Not In  (SELECT Codice_Corso FROM Anagrafica_Corsi WHERE Con_Accompagnatore<>0 "
           " UNION SELECT Codice_Servizio FROM Anagrafica_Servizi WHERE Con_Accompagnatore<>0)";
}

TEST_F(CorpusAttendance, SalvaPresenzaFacilityPath) {
    const std::string cl = Q("CL000001"), number = N(6), centre = Q(""), terminal = N(1), stay = N(1), now = T(10, 30);
    db.native(R"sql(
        INSERT INTO wTmp_Presenze_Strutture (Origine, Codice_Cliente, Codice_Struttura, Tipologia, Codice_Abbonamento, Codice_Iscrizione,
            Prog_Riga, ID_Prenotazione, Conferma, Pagato, Data_Inizio, Data_Fine, DaOre, AOre, Con_Accompagnatore)
        VALUES ('Abbonamento', 'CL000001', 'ST001', 1, 'AB001', 'ISCR0001', 1, 0, 1, 1, '2024-02-01 00:00:00', '2025-01-31 00:00:00', NULL, NULL, 0),
               ('Abbonamento', 'CL000001', 'ST002', 1, 'AB001', 'ISCR0001', 2, 0, 1, 1, '2024-02-01 00:00:00', '2025-01-31 00:00:00',
                '1900-01-01 10:00:00', '1900-01-01 11:00:00', -1),
               ('Aggiunta', 'CL000001', 'ST003', 1, NULL, NULL, 1, 2, 1, 1, '2024-03-01 00:00:00', '2024-06-01 00:00:00', NULL, NULL, 0);
        UPDATE Iscrizioni_Strutture SET SeduteFatte=10 WHERE ID=2;
        UPDATE Gestione_Aggiunte SET Sedute=3, SeduteFatte=2 WHERE ID=2;)sql");
    db.first("SELECT Count(*) AS E1  FROM wTmp_Presenze_Strutture WHERE Esterna=0");
    db.first("SELECT Count(*) AS E1  FROM wTmp_Presenze_Strutture WHERE Conferma<>0 And Esterna=0 And Terminale=0");
    db.first("SELECT Count(*) AS E1  FROM wTmp_Presenze_Strutture WHERE Terminale<>0 And Esterna=0");
    EXPECT_EQ(db.query("SELECT TOP 1 Anagrafica_Strutture.Codice_Struttura FROM wTmp_Presenze_Strutture INNER JOIN "
                       "Anagrafica_Strutture ON wTmp_Presenze_Strutture.Codice_Struttura=Anagrafica_Strutture.Codice_Struttura "
                       "WHERE Anagrafica_Strutture.Omnia<>0 AND wTmp_Presenze_Strutture.Conferma<>0 AND "
                       "wTmp_Presenze_Strutture.Esterna=0").rows.size(), 0u);

    // Band rows of accompanied activities, then the stay and the visit.
    db.run("INSERT INTO Controllo_Fascia_Oraria (Modalita, Codice_Cliente, Data_Presenza, DaOre, AOre, IndTerminale, Codice_Bis) "
           " SELECT 1, Codice_Cliente, " + D() + ", DaOre, AOre, " + terminal + "," + Q("0001234501") +
           " FROM wTmp_Presenze_Strutture  WHERE Con_Accompagnatore<>0 AND Conferma<>0 AND Esterna=0 AND NoVerifica=0");
    EXPECT_EQ(db.first("SELECT Max(ID) FROM Controllo_Fascia_Oraria WHERE Codice_Cliente=" + cl + " And Data_Presenza=" + D())
                  .toInt(), 1);
    db.run("INSERT INTO Gestione_Entrate (Codice_Cliente, Data_Entrata, Ora_Entrata, IndTerminale, Codice_Centro)  VALUES (" + cl +
           ", " + D() + ", " + now + ", " + terminal + ", " + centre + ")");
    EXPECT_EQ(db.first("SELECT Max(ID_Entrata) FROM Gestione_Entrate WHERE Codice_Cliente=" + cl + " And Data_Entrata=" + D())
                  .toInt(), 1);
    db.run("INSERT INTO Presenze (ID_Presenza,Codice_Cliente, Data_Presenza, Ora_Presenza, Fuori_Orario, Iscrizione_Scaduta, "
           "Ex_Terminali, Codice_Centro, IndTerminale, Codice_Tessera, Note_Tessera) VALUES (" + number + ", " + cl + ", " + D() +
           ", " + now + ", 0, 0, 0, " + centre + ", " + terminal + ", " + Q("0001234501") + ", " + Q("") + ")");
    EXPECT_EQ(db.stored("SELECT Data_Presenza FROM Presenze WHERE ID_Presenza=6 AND Codice_Cliente='CL000001'"),
              "2024-03-07 00:00:00");

    // Recovery vouchers.
    db.run("UPDATE wTmp_Presenze_Strutture  SET wTmp_Presenze_Strutture.Origine='Abbonamento', "
           "wTmp_Presenze_Strutture.Codice_Iscrizione=Clienti_Recuperi_Corsi.Codice_Iscrizione, "
           "wTmp_Presenze_Strutture.Prog_Riga=Iscrizioni_Strutture.Prog_Riga  FROM wTmp_Presenze_Strutture, "
           "Clienti_Recuperi_Corsi, Iscrizioni_Strutture WHERE wTmp_Presenze_Strutture.Codice_Cliente=Clienti_Recuperi_Corsi.Codice_Cliente "
           "AND wTmp_Presenze_Strutture.ID_Prenotazione=Clienti_Recuperi_Corsi.ID_Aggiunta2 AND "
           "Clienti_Recuperi_Corsi.ID_Iscrizione=Iscrizioni_Strutture.ID AND wTmp_Presenze_Strutture." + kStd);
    db.run("UPDATE wTmp_Presenze_Strutture  SET wTmp_Presenze_Strutture.Origine='Aggiunta', "
           "wTmp_Presenze_Strutture.ID_Prenotazione=Clienti_Recuperi_Corsi.ID_Aggiunta, "
           "wTmp_Presenze_Strutture.Prog_Riga=Gestione_Aggiunte.Prog_Riga  FROM wTmp_Presenze_Strutture, Clienti_Recuperi_Corsi, "
           "Gestione_Aggiunte WHERE wTmp_Presenze_Strutture.Codice_Cliente=Clienti_Recuperi_Corsi.Codice_Cliente AND "
           "wTmp_Presenze_Strutture.ID_Prenotazione=Clienti_Recuperi_Corsi.ID_Aggiunta2 AND "
           "Clienti_Recuperi_Corsi.ID_Aggiunta=Gestione_Aggiunte.ID AND wTmp_Presenze_Strutture." + kStd);
    db.run("UPDATE Gestione_Aggiunte  SET Gestione_Aggiunte.SeduteFatte=Gestione_Aggiunte.SeduteFatte+1, "
           "Gestione_Aggiunte.Scaduta=-1, Gestione_Aggiunte.Data_Scadenza=" + D() + " FROM Gestione_Aggiunte INNER JOIN "
           "wTmp_Presenze_Strutture ON Gestione_Aggiunte.ID=wTmp_Presenze_Strutture.ID_Prenotazione INNER JOIN "
           "Clienti_Recuperi_Corsi ON Clienti_Recuperi_Corsi.ID_Aggiunta2=Gestione_Aggiunte.ID WHERE wTmp_Presenze_Strutture." + kStd);

    // Single bookings of courses (the services and facility bookings repeat the pattern).
    const std::string singleCourse = " AND wTmp_Presenze_Strutture.Singola>0 AND Gestione_Aggiunte.Singola_Corsi>0 AND wTmp_Presenze_Strutture." + kStd;
    db.run("UPDATE Gestione_Aggiunte SET Gestione_Aggiunte.SeduteFatte=Gestione_Aggiunte.SeduteFatte+1, "
           "Gestione_Aggiunte.Scaduta=-1, Gestione_Aggiunte.Data_Scadenza=" + D() + " FROM Gestione_Aggiunte INNER JOIN "
           "wTmp_Presenze_Strutture ON Gestione_Aggiunte.ID=wTmp_Presenze_Strutture.ID_Prenotazione INNER JOIN "
           "Gestione_Prenotazioni_Corsi ON Gestione_Aggiunte.Singola_Corsi=Gestione_Prenotazioni_Corsi.ID WHERE "
           "Gestione_Prenotazioni_Corsi.ID_Iscrizione>0" + singleCourse);
    db.run("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.Origine='Abbonamento', "
           "wTmp_Presenze_Strutture.Codice_Iscrizione=Iscrizioni_Strutture.Codice_Iscrizione, "
           "wTmp_Presenze_Strutture.Prog_Riga=Iscrizioni_Strutture.Prog_Riga FROM wTmp_Presenze_Strutture INNER JOIN "
           "Gestione_Aggiunte ON wTmp_Presenze_Strutture.ID_Prenotazione=Gestione_Aggiunte.ID INNER JOIN "
           "Gestione_Prenotazioni_Corsi ON Gestione_Aggiunte.Singola_Corsi=Gestione_Prenotazioni_Corsi.ID INNER JOIN "
           "Iscrizioni_Strutture ON Gestione_Prenotazioni_Corsi.ID_Iscrizione=Iscrizioni_Strutture.ID WHERE "
           "Gestione_Prenotazioni_Corsi.ID_Iscrizione>0" + singleCourse);
    // (Closing the add-on named by the booking, Gestione_Aggiunte AS Gestione_Aggiunte_1: see CorpusPending.)
    db.run("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.Origine='Aggiunta', "
           "wTmp_Presenze_Strutture.ID_Prenotazione=Gestione_Aggiunte_1.ID, wTmp_Presenze_Strutture.Prog_Riga=Gestione_Aggiunte_1.Prog_Riga "
           "FROM wTmp_Presenze_Strutture INNER JOIN Gestione_Aggiunte ON wTmp_Presenze_Strutture.ID_Prenotazione=Gestione_Aggiunte.ID "
           "INNER JOIN Gestione_Prenotazioni_Corsi ON Gestione_Aggiunte.Singola_Corsi=Gestione_Prenotazioni_Corsi.ID INNER JOIN "
           "Gestione_Aggiunte AS Gestione_Aggiunte_1 ON Gestione_Prenotazioni_Corsi.ID_Aggiunta=Gestione_Aggiunte_1.ID WHERE "
           "Gestione_Prenotazioni_Corsi.ID_Aggiunta>0" + singleCourse);
    db.run("UPDATE Gestione_Aggiunte SET Gestione_Aggiunte.SeduteFatte=Gestione_Aggiunte.SeduteFatte+1 FROM Gestione_Aggiunte "
           "INNER JOIN wTmp_Presenze_Strutture ON Gestione_Aggiunte.ID=wTmp_Presenze_Strutture.ID_Prenotazione INNER JOIN "
           "Booking_Clienti ON Gestione_Aggiunte.Singola=Booking_Clienti.ID_PivotPrenotazione AND "
           "Gestione_Aggiunte.Codice_Cliente=Booking_Clienti.Codice_Cliente WHERE Booking_Clienti.ID_Iscrizione>0 AND "
           "wTmp_Presenze_Strutture.Singola>0 AND Gestione_Aggiunte.Singola>0 AND wTmp_Presenze_Strutture." + kStd);

    // One counted entry a day for daily entitlements.
    db.run("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.Conferma=0 FROM wTmp_Presenze_Strutture, Presenze_Strutture, "
           "Presenze WHERE wTmp_Presenze_Strutture.Origine='Abbonamento' AND Presenze_Strutture.Codice_Cliente=" + cl +
           " AND wTmp_Presenze_Strutture.Esterna=0 AND wTmp_Presenze_Strutture.Conferma<>0  AND wTmp_Presenze_Strutture.Giornaliero<>0 "
           "AND Presenze.Data_Presenza=" + D() + " AND wTmp_Presenze_Strutture.Codice_Iscrizione=Presenze_Strutture.Iscrizione AND "
           "wTmp_Presenze_Strutture.Codice_Struttura=Presenze_Strutture.Codice_Struttura AND "
           "Presenze_Strutture.ID_Presenza=Presenze.ID_Presenza");
    db.run("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.Conferma=0 FROM wTmp_Presenze_Strutture, Presenze_Strutture, "
           "Presenze WHERE wTmp_Presenze_Strutture.Origine='Aggiunta' AND Presenze_Strutture.Codice_Cliente=" + cl +
           " AND wTmp_Presenze_Strutture.Esterna=0 AND wTmp_Presenze_Strutture.Conferma<>0  AND wTmp_Presenze_Strutture.Giornaliero<>0 "
           "AND Presenze.Data_Presenza=" + D() + " AND wTmp_Presenze_Strutture.ID_Prenotazione=Presenze_Strutture.ID_Aggiunta AND "
           "wTmp_Presenze_Strutture.Codice_Struttura=Presenze_Strutture.Codice_Struttura AND "
           "Presenze_Strutture.ID_Presenza=Presenze.ID_Presenza");
    db.query("SELECT wTmp_Presenze_Strutture.Codice_Iscrizione FROM (wTmp_Presenze_Strutture INNER JOIN Gestione_Iscrizioni ON "
             "wTmp_Presenze_Strutture.Codice_Iscrizione=Gestione_Iscrizioni.Codice_Iscrizione) INNER JOIN Anagrafica_Abbonamenti ON "
             "Gestione_Iscrizioni.Codice_Abbonamento=Anagrafica_Abbonamenti.Codice_Abbonamento WHERE "
             "Anagrafica_Abbonamenti.Giornaliero<>0 AND wTmp_Presenze_Strutture.Origine='Abbonamento' AND wTmp_Presenze_Strutture." + kStd);
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM Q_Presenze_Attivita WHERE Codice_Cliente=" + cl + " And Data_Presenza=" +
                       D(-1) + " And Iscrizione=" + Q("ISCR0001")).toInt(), 1);
    db.run("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.Conferma=0 FROM wTmp_Presenze_Strutture WHERE "
           "wTmp_Presenze_Strutture.Origine='Abbonamento' AND wTmp_Presenze_Strutture.Codice_Cliente=" + cl +
           " AND wTmp_Presenze_Strutture.Esterna=0 AND wTmp_Presenze_Strutture.Conferma<>0  AND "
           "wTmp_Presenze_Strutture.Codice_Iscrizione=" + Q("ISCR9999"));
    db.query("SELECT Q_Presenze_Attivita.Codice_Cliente  FROM Q_Presenze_Attivita INNER JOIN Gestione_Aggiunte ON "
             "Q_Presenze_Attivita.ID_Aggiunta=Gestione_Aggiunte.ID AND Q_Presenze_Attivita.Codice_Cliente=Gestione_Aggiunte.Codice_Cliente "
             " WHERE Q_Presenze_Attivita.Codice_Cliente=" + cl + " AND Data_Presenza=" + D() +
             " AND Gestione_Aggiunte.Codice_PacchettoM=" + Q("PM001"));
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM wTmp_Presenze_Strutture WHERE Conferma<>0"), 3);

    // Detail rows, entry counts, expiries.
    db.run("INSERT INTO Presenze_Strutture (ID_Presenza, Codice_Struttura, Tipologia, Codice_Cliente, Pagato, Iscrizione, "
           "Costo_Presenza, Ora_Presenza, ID_Aggiunta, ID_Pacchetto, Codice_Centro, IndTerminale, ID_Entrata) SELECT " + number +
           " AS E1, Codice_Struttura, Tipologia, Codice_Cliente, Pagato, Codice_Iscrizione, Costo_Presenza, " + now +
           ", ID_Prenotazione, ID_Pacchetto, " + centre + ", " + terminal + ", " + stay +
           " FROM wTmp_Presenze_Strutture WHERE Terminale=0 AND Conferma<>0 AND Esterna=0 AND NoVerifica=0");
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM Presenze_Strutture WHERE ID_Presenza=6 AND ID_Entrata=1"), 3);
    EXPECT_EQ(db.storedInt("SELECT ID_Aggiunta FROM Presenze_Strutture WHERE ID_Presenza=6 AND Codice_Struttura='ST003'"), 2);
    ResultTable lines = db.query("SELECT DISTINCT Codice_Iscrizione, Prog_Riga FROM wTmp_Presenze_Strutture WHERE "
                                 "Origine='Abbonamento' AND NoVerifica=0 AND Terminale=0 AND Esterna=0 AND Conferma<>0 AND "
                                 "Ingresso_Scalato=0");
    ASSERT_EQ(lines.rows.size(), 2u);
    for (const auto& row : lines.rows)
        db.run("UPDATE Iscrizioni_Strutture SET Iscrizioni_Strutture.SeduteFatte = Iscrizioni_Strutture.SeduteFatte + 1 WHERE "
               "Iscrizioni_Strutture.Codice_Iscrizione=" + CChrQ(row[0]) + " AND Iscrizioni_Strutture.Prog_Riga = " +
               Num_SqlQ(row[1]) + " AND Iscrizioni_Strutture.Chiusa=0 AND Iscrizioni_Strutture.Scaduta=0 AND "
               "(Iscrizioni_Strutture.Sedute=0 OR (Iscrizioni_Strutture.Sedute-Iscrizioni_Strutture.SeduteFatte>0))");
    EXPECT_EQ(db.storedInt("SELECT SeduteFatte FROM Iscrizioni_Strutture WHERE ID=1"), 13);  // unlimited: counted
    EXPECT_EQ(db.storedInt("SELECT SeduteFatte FROM Iscrizioni_Strutture WHERE ID=2"), 10);  // used up: never past Sedute
    db.native("UPDATE Booking_Clienti SET ID_Iscrizione=99");  // no booking of today holds the pool line any more
    db.run("UPDATE Iscrizioni_Strutture  SET Iscrizioni_Strutture.Scaduta=-1, Iscrizioni_Strutture.Data_Scadenza=" + D() +
           " FROM Iscrizioni_Strutture INNER JOIN wTmp_Presenze_Strutture ON "
           "Iscrizioni_Strutture.Codice_Iscrizione=wTmp_Presenze_Strutture.Codice_Iscrizione  WHERE Iscrizioni_Strutture.Chiusa=0 "
           "AND Iscrizioni_Strutture.Scaduta=0 AND Iscrizioni_Strutture.Sedute>0 AND "
           "(Iscrizioni_Strutture.Sedute-Iscrizioni_Strutture.SeduteFatte)<=0  AND (wTmp_Presenze_Strutture.Giornaliero=0 AND "
           "wTmp_Presenze_Strutture.GiornalieroT=0) " + futureBookings(" AND Iscrizioni_Strutture.ID Not In ", "ID_Iscrizione", cl) +
           accompanied("Iscrizioni_Strutture"));
    EXPECT_EQ(db.storedInt("SELECT Scaduta FROM Iscrizioni_Strutture WHERE ID=2"), -1);
    EXPECT_EQ(db.stored("SELECT Data_Scadenza FROM Iscrizioni_Strutture WHERE ID=2"), "2024-03-07 00:00:00");
    EXPECT_EQ(db.storedInt("SELECT Scaduta FROM Iscrizioni_Strutture WHERE ID=1"), 0);
    EXPECT_EQ(db.query("SELECT TOP 1 wTmp_Presenze_Strutture.Codice_Iscrizione  FROM wTmp_Presenze_Strutture INNER JOIN "
                       "Iscrizioni_Strutture ON wTmp_Presenze_Strutture.Codice_Iscrizione=Iscrizioni_Strutture.Codice_Iscrizione  "
                       "WHERE Iscrizioni_Strutture.Scaduta=0").rows.size(), 1u);
    db.run("UPDATE Gestione_Iscrizioni  SET Gestione_Iscrizioni.Scaduta=-1, Gestione_Iscrizioni.Data_Scadenza=" + D() +
           " FROM Gestione_Iscrizioni INNER JOIN wTmp_Presenze_Strutture ON "
           "Gestione_Iscrizioni.Codice_Iscrizione=wTmp_Presenze_Strutture.Codice_Iscrizione WHERE Gestione_Iscrizioni.Cd_Iscrizione=0");
    ResultTable addOns = db.query("SELECT DISTINCT Prog_Riga FROM wTmp_Presenze_Strutture WHERE Origine='Aggiunta' AND "
                                  "NoVerifica=0 AND Terminale=0 AND Esterna=0 AND Conferma<>0 AND Ingresso_Scalato=0");
    ASSERT_EQ(addOns.rows.size(), 1u);
    const std::string line = Num_SqlQ(addOns.rows[0][0]);
    db.run("UPDATE Gestione_Aggiunte SET Gestione_Aggiunte.SeduteFatte = Gestione_Aggiunte.SeduteFatte + 1 FROM "
           "wTmp_Presenze_Strutture, Gestione_Aggiunte WHERE wTmp_Presenze_Strutture.ID_Prenotazione=Gestione_Aggiunte.ID AND "
           "wTmp_Presenze_Strutture.Prog_Riga = " + line + " AND wTmp_Presenze_Strutture.Origine = 'Aggiunta' AND "
           "Gestione_Aggiunte.Scaduta=0 AND (Gestione_Aggiunte.Sedute=0 OR (Gestione_Aggiunte.Sedute-Gestione_Aggiunte.SeduteFatte>0))");
    db.run("UPDATE Gestione_Aggiunte  SET Gestione_Aggiunte.Scaduta=-1, Gestione_Aggiunte.Data_Scadenza=" + D() +
           " FROM wTmp_Presenze_Strutture, Gestione_Aggiunte  WHERE wTmp_Presenze_Strutture.ID_Prenotazione=Gestione_Aggiunte.ID "
           "AND wTmp_Presenze_Strutture.Prog_Riga = " + line + " AND wTmp_Presenze_Strutture.Origine = 'Aggiunta' AND "
           "Gestione_Aggiunte.Scaduta=0 AND Gestione_Aggiunte.Sedute>0 AND (Gestione_Aggiunte.Sedute-Gestione_Aggiunte.SeduteFatte)<=0  "
           "AND (wTmp_Presenze_Strutture.Giornaliero=0 AND wTmp_Presenze_Strutture.GiornalieroT=0) " +
           futureBookings(" AND Gestione_Aggiunte.ID Not In ", "ID_Aggiunta", cl) + accompanied("Gestione_Aggiunte"));
    EXPECT_EQ(db.storedInt("SELECT SeduteFatte FROM Gestione_Aggiunte WHERE ID=2"), 3);
    EXPECT_EQ(db.storedInt("SELECT Scaduta FROM Gestione_Aggiunte WHERE ID=2"), -1);
    EXPECT_EQ(db.storedInt("SELECT SeduteFatte FROM Gestione_Aggiunte WHERE ID=1"), 4);  // another member's add-on

    // All-facilities subscriptions and preferences.
    db.first("SELECT Count(*) AS E1  FROM Gestione_Preferenze WHERE Codice_Iscrizione=" + Q("ISCR0001") +
             " And (Data_Preferenza_Fine>=" + D() + " Or Data_Preferenza_Fine Is Null)");
    db.run("INSERT INTO Presenze_Strutture (ID_Presenza, Codice_Struttura, Tipologia, Codice_Cliente, Pagato, Iscrizione, "
           "Costo_Presenza, Ora_Presenza, Codice_Centro, IndTerminale, ID_Entrata) SELECT " + number + " AS E1, Codice_Struttura, "
           "Tipologia, " + cl + ", -1 AS E2, Codice_Iscrizione, 0 AS E3, " + now + " AS E4, " + centre + ", " + terminal + ", " +
           stay + " FROM Gestione_Preferenze WHERE Codice_Iscrizione=" + Q("ISCR0001") + " AND Data_Preferenza<=" + D() +
           " AND (Data_Preferenza_Fine>=" + D() + " OR Data_Preferenza_Fine Is Null)");

    // MyWellness export, journal, irregular history, status, log.
    EXPECT_EQ(db.first("SELECT ID_MyWellness FROM Anagrafica_Clienti WHERE Codice_Cliente=" + Q("CL000002")).toInt(), 77);
    db.first("SELECT Cd_Centro_MyWellness FROM Dettaglio_Terminali WHERE Indirizzo=" + terminal);
    db.run("INSERT INTO wTmp_MyWellness_SQL (Codice_Cliente, Ora_Presenza, Cd_Centro) VALUES (" + Q("CL000002") +
           ", '2024/03/07 10:30:00', " + N(0) + ")");
    EXPECT_EQ(db.stored("SELECT Ora_Presenza FROM wTmp_MyWellness"), "2024-03-07 10:30:00");
    db.run("INSERT INTO Giornale (Modalita,Codice_Cliente,Codice1_N,Data_Scadenza,Codice1_S, Codice_Centro) SELECT 10 AS E1, "
           "Codice_Cliente, ID_Presenza, Data_Presenza, Null, " + centre + " AS E2 FROM Presenze WHERE Data_Presenza=" + D() +
           " AND ID_Presenza=" + number);
    db.run("INSERT INTO Giornale (Modalita,Codice_Cliente,Codice1_N,Data_Scadenza, Codice_Centro) SELECT 12 AS E1, Codice_Cliente, "
           "ID_Presenza, Data_Presenza, " + centre + " AS E2 FROM Presenze WHERE Data_Presenza=" + D() + " AND ID_Presenza=" + number);
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM Giornale WHERE Modalita In (10,12) AND Codice1_N=6"), 2);
    std::string codes;
    for (int i = 1; i <= 22; ++i) codes += "," + N(i == 10 ? 1 : 0);
    db.run("INSERT INTO Storia_Clienti_Irregolari (ID_Presenza,Codice_Cliente,Data_Presenza,Ora_Presenza,Campo1,Campo2,Campo3,"
           "Campo4,Campo5,Campo6,Campo7,Campo8,Campo9,Campo10,Campo11,Campo12,Campo13,Campo14,Campo15,Campo16,Campo17,Campo18,"
           "Campo19,Campo20,Campo21,Campo22,Codice_Struttura) VALUES (" + number + "," + cl + "," + D() + "," + now + codes + ",Null)");
    EXPECT_EQ(db.storedInt("SELECT Campo10 FROM Storia_Clienti_Irregolari"), 1);
    db.run("UPDATE Anagrafica_Clienti SET Stato=" + N(1) + " WHERE Codice_Cliente=" + cl);
    ResultTable t = db.query("SELECT TOP 1 Anagrafica_Abbonamenti.Descrizione, wTmp_Presenze_Strutture.Data_Fine  FROM "
                             "wTmp_Presenze_Strutture INNER JOIN Anagrafica_Abbonamenti ON "
                             "wTmp_Presenze_Strutture.Codice_Abbonamento=Anagrafica_Abbonamenti.Codice_Abbonamento  WHERE "
                             "wTmp_Presenze_Strutture.Origine='Abbonamento' AND wTmp_Presenze_Strutture.Conferma<>0");
    EXPECT_EQ(t.rows.at(0).at(0).toText(), "ANNUALE OPEN");
    db.query("SELECT TOP 1 Gestione_Aggiunte.Codice_Pacchetto, Gestione_Aggiunte.Codice_PacchettoM, Gestione_Aggiunte.Data_Fine  "
             "FROM wTmp_Presenze_Strutture INNER JOIN Gestione_Aggiunte ON wTmp_Presenze_Strutture.ID_Prenotazione=Gestione_Aggiunte.ID  "
             "WHERE wTmp_Presenze_Strutture.ID_Prenotazione>0 AND (Gestione_Aggiunte.Codice_Pacchetto Is Not Null OR "
             "Gestione_Aggiunte.Codice_PacchettoM Is Not Null) AND wTmp_Presenze_Strutture.Conferma<>0");
    db.run("INSERT INTO Log_Entrate (Codice_Cliente,Cognome,Nome,Data_Presenza,Ora_Presenza,Semaforo1,Semaforo2,Semaforo3,Semaforo4,"
           "Irregolare1,Irregolare2,Irregolare3,Irregolare4,Irregolare5,Irregolare6,Irregolare7,Irregolare8,Irregolare9,Irregolare10,"
           "ID_Presenza,DesIrregolari,DesIrregolari_Att,DesIrregolari_Abb,DesIrregolari_Scad,Rinnovo, IndTerminale)  VALUES (" + cl +
           "," + Q("ROSSI") + "," + Q("MARIO") + "," + D() + "," + now + "," + N(0) + "," + N(0) + "," + N(1) + "," + N(0) +
           ",0,0,0,0,0,0,0,0,0,0," + number + "," + Q("FASCIA ORARIA") + "," + Q("INGRESSO") + "," +
           Q("ANNUALE OPEN scadenza 31/01/2025") + "," + Data_SqlQ(Value(DateTime::fromParts(2025, 1, 31))) + "," + N(1) + "," +
           terminal + ")");
    EXPECT_EQ(db.stored("SELECT DesIrregolari_Scad FROM Log_Entrate"), "2025-01-31 00:00:00");

    // The exit deadline of the stay.
    db.run("INSERT INTO wTmp_OrarioUscita_SQL (Codice_Cliente, Data_Presenza, AOre)  SELECT " + cl + " AS E1, " + D() + " AS E2, " +
           T(12, 15));
    db.run("INSERT INTO Controllo_Fascia_Oraria (Modalita, Codice_Cliente, Data_Presenza, AOre, Ora_Presenza, IndTerminale, "
           "Codice_Bis, ID_Entrata)  SELECT 2, Codice_Cliente, Data_Presenza, AOre, " + now + ", " + terminal + "," +
           Q("0001234501") + ", " + stay + " FROM wTmp_OrarioUscita");
    db.run("UPDATE Controllo_Fascia_Oraria  SET ID_Entrata=" + stay + " WHERE ID=" + N(1));
    EXPECT_EQ(db.stored("SELECT AOre FROM Controllo_Fascia_Oraria WHERE Modalita=2"), "1900-01-01 12:15:00");
}

TEST_F(CorpusAttendance, SalvaPresenzaTerminalPath) {
    const std::string cl = Q("CL000001"), code = Q("ST001"), now = T(10, 30), terminal = N(1), number = N(4);
    db.first("SELECT Stato FROM Anagrafica_Clienti WHERE Codice_Cliente=" + cl);
    EXPECT_EQ(db.first("SELECT Max(ID_Presenza) FROM Presenze WHERE Codice_Cliente=" + cl + " And Data_Presenza=" + D(-1)).toInt(),
              2);
    const struct { const char* table; const char* key; const char* code; } masters[] = {
        {"Anagrafica_Strutture", "Codice_Struttura", "ST001"}, {"Anagrafica_Corsi", "Codice_Corso", "CS002"},
        {"Anagrafica_Servizi", "Codice_Servizio", "SE001"}};
    for (const auto& m : masters) {
        db.query(std::string("SELECT TOP 1 NoVerifica_Ingresso, Mod_Scalo, Descrizione  FROM ") + m.table + " WHERE " + m.key +
                 " = " + Q(m.code));
        db.query(std::string("SELECT TOP 1 Con_Accompagnatore  FROM ") + m.table + " WHERE " + m.key + " = " + Q(m.code));
        db.first(std::string("SELECT Count(*) AS E1  FROM ") + m.table + " WHERE Con_Accompagnatore<>0 And " + m.key + " = " +
                 Q(m.code));
    }
    db.run("INSERT INTO Presenze (ID_Presenza,Codice_Cliente, Data_Presenza, Ora_Presenza, Fuori_Orario, Iscrizione_Scaduta, "
           "Ex_Terminali, Codice_Centro, IndTerminale, Codice_Tessera, Note_Tessera) VALUES (" + number + ", " + cl + ", " + D() +
           ", " + now + ", 0, 0, 0, " + Q("") + ", " + terminal + ", " + Q("0009876501") + ", " + Q("TESSERA PISCINA") + ")");

    // Counted elsewhere.
    const Value group = db.first("SELECT Gruppo2 FROM Dettaglio_Terminali WHERE Indirizzo=" + terminal);
    EXPECT_EQ(db.query("SELECT TOP 1 Dettaglio_Terminali.Codice_Struttura  FROM Dettaglio_Terminali INNER JOIN Anagrafica_Strutture "
                       "ON Dettaglio_Terminali.Codice_Struttura=Anagrafica_Strutture.Codice_Struttura  WHERE "
                       "(Dettaglio_Terminali.Gruppo2=0 OR Dettaglio_Terminali.Gruppo2=" + Num_SqlQ(group) +
                       ") AND Dettaglio_Terminali.Codice_Struttura=" + Q("ST002")).rows.size(), 1u);
    db.query("SELECT TOP 1 Strutture_Associate.Codice_Struttura  FROM Strutture_Associate INNER JOIN Anagrafica_Strutture ON "
             "Strutture_Associate.Codice_Struttura=Anagrafica_Strutture.Codice_Struttura  WHERE Anagrafica_Strutture.Esterna=0 AND "
             "Strutture_Associate.Codice_Struttura_Associata=" + Q("ST003") + " AND Anagrafica_Strutture.Codice_Struttura In  "
             "(SELECT Dettaglio_Terminali.Codice_Struttura  FROM Dettaglio_Terminali INNER JOIN Anagrafica_Strutture ON "
             "Dettaglio_Terminali.Codice_Struttura=Anagrafica_Strutture.Codice_Struttura  WHERE Dettaglio_Terminali.Indirizzo<>" +
             terminal + " AND (Dettaglio_Terminali.Gruppo2=0 OR Dettaglio_Terminali.Gruppo2=" + Num_SqlQ(group) + "))");

    // Accompaniment band of a real activity and of "ALTRE_STRUTTURE" (a whole-day band).
    db.run("INSERT INTO Controllo_Fascia_Oraria (Modalita, Codice_Cliente, Codice, Data_Presenza, DaOre, AOre, IndTerminale, "
           "ID_Presenza, Codice_Bis)  VALUES (1, " + cl + ", " + Q("CS003") + ", " + D() + ", " + T(10, 0) + ", " + T(11, 0) +
           ", " + terminal + ", " + number + ", " + Q("0009876501") + ")");
    db.run("INSERT INTO Controllo_Fascia_Oraria (Modalita, Codice_Cliente, Codice, Data_Presenza, DaOre, AOre, IndTerminale, "
           "Codice_Bis)  VALUES (1, " + cl + ", Null, " + D() + ", '00:00:00', '23:59:59'," + terminal + "," + Q("0009876501") + ")");
    // The whole-day band is stored as times on 1 January 1900 and so compares with now.
    EXPECT_EQ(db.stored("SELECT DaOre FROM Controllo_Fascia_Oraria WHERE Codice IS NULL"), "1900-01-01 00:00:00");
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM Controllo_Fascia_Oraria WHERE Codice IS NULL AND "
                           "DaOre<='1900-01-01 10:30:00' AND AOre>='1900-01-01 10:30:00'"), 1);
    db.first("SELECT Max(ID) FROM Controllo_Fascia_Oraria WHERE Codice_Cliente=" + cl + " And Data_Presenza=" + D());

    // Recovery voucher and single bookings.
    db.run("UPDATE Gestione_Aggiunte  SET Gestione_Aggiunte.SeduteFatte=Gestione_Aggiunte.SeduteFatte+1, Gestione_Aggiunte.Scaduta=-1, "
           "Gestione_Aggiunte.Data_Scadenza=" + D() + " FROM Gestione_Aggiunte INNER JOIN Clienti_Recuperi_Corsi ON "
           "Clienti_Recuperi_Corsi.ID_Aggiunta2=Gestione_Aggiunte.ID INNER JOIN Orario_Istruttori_Corsi ON "
           "Clienti_Recuperi_Corsi.ID_Corso=Orario_Istruttori_Corsi.ID  WHERE Orario_Istruttori_Corsi.GiornoSettimana=" + N(4) +
           " AND Clienti_Recuperi_Corsi.ID_Aggiunta2>0 AND Gestione_Aggiunte.Scaduta=0 AND Gestione_Aggiunte.Codice_Cliente=" + cl +
           " AND Clienti_Recuperi_Corsi.Codice_Corso=" + Q("CS002"));
    db.query("SELECT TOP 1 Codice_Iscrizione, ID_Iscrizione, ID_Aggiunta  FROM Clienti_Recuperi_Corsi  WHERE Codice_Cliente=" + cl +
             " AND ID_Aggiunta2=" + N(2));
    const struct { const char* join; const char* test; } singles[] = {
        {"INNER JOIN Gestione_Prenotazioni_Corsi ON Gestione_Aggiunte.Singola_Corsi=Gestione_Prenotazioni_Corsi.ID",
         "Gestione_Aggiunte.Singola_Corsi>0 AND (Gestione_Prenotazioni_Corsi.ID_Iscrizione>0 OR Gestione_Prenotazioni_Corsi.ID_Aggiunta>0)"},
        {"INNER JOIN Gestione_Prenotazioni_Servizi ON Gestione_Aggiunte.Singola_Servizi=Gestione_Prenotazioni_Servizi.ID",
         "Gestione_Aggiunte.Singola_Servizi>0 AND (Gestione_Prenotazioni_Servizi.ID_Iscrizione>0 OR Gestione_Prenotazioni_Servizi.ID_Aggiunta>0)"},
        {"INNER JOIN Booking_Clienti ON Gestione_Aggiunte.Singola=Booking_Clienti.ID_PivotPrenotazione AND "
         "Gestione_Aggiunte.Codice_Cliente=Booking_Clienti.Codice_Cliente",
         "Gestione_Aggiunte.Singola>0 AND (Booking_Clienti.ID_Iscrizione>0 OR Booking_Clienti.ID_Aggiunta>0)"}};
    const char* bookingTable[] = {"Gestione_Prenotazioni_Corsi", "Gestione_Prenotazioni_Servizi", "Booking_Clienti"};
    for (int i = 0; i < 3; ++i) {
        db.run("UPDATE Gestione_Aggiunte  SET Gestione_Aggiunte.SeduteFatte=Gestione_Aggiunte.SeduteFatte+1, "
               "Gestione_Aggiunte.Scaduta=-1, Gestione_Aggiunte.Data_Scadenza=" + D() + " FROM Gestione_Aggiunte " +
               singles[i].join + "  WHERE Gestione_Aggiunte.ID=" + N(2) + " AND " + singles[i].test);
        db.query(std::string("SELECT TOP 1 ") + bookingTable[i] + ".Codice_Iscrizione, " + bookingTable[i] + ".ID_Iscrizione, " +
                 bookingTable[i] + ".ID_Aggiunta FROM Gestione_Aggiunte " + singles[i].join + "  WHERE Gestione_Aggiunte.ID=" +
                 N(2) + " AND " + singles[i].test);
    }
    EXPECT_EQ(db.storedInt("SELECT Scaduta FROM Gestione_Aggiunte WHERE ID=2"), 0);  // no single booking behind it

    // Paid by a subscription line.
    const std::string sub = Q("ISCR0001");
    const Value line = db.first("SELECT Prog_Riga FROM Iscrizioni_Strutture WHERE Codice_Iscrizione=" + sub + " AND Codice_Cliente=" +
                                cl + " AND Codice_Struttura=" + code);
    EXPECT_EQ(line.toInt(), 1);
    db.first("SELECT Prog_Riga FROM Iscrizioni_Strutture WHERE ID=" + N(1));
    ResultTable t = db.query("SELECT TOP 1 Anagrafica_Abbonamenti.Giornaliero, Gestione_Iscrizioni.Descrizione, "
                             "Gestione_Iscrizioni.Data_Fine  FROM Anagrafica_Abbonamenti INNER JOIN Gestione_Iscrizioni ON "
                             "Anagrafica_Abbonamenti.Codice_Abbonamento=Gestione_Iscrizioni.Codice_Abbonamento  WHERE "
                             "Gestione_Iscrizioni.Codice_Iscrizione=" + sub);
    EXPECT_EQ(t.rows.at(0).at(1).toText(), "ANNUALE OPEN");
    db.query("SELECT TOP 1 Codice_Cliente FROM Q_Presenze_Attivita WHERE Codice_Cliente=" + cl + " AND Data_Presenza=" + D() +
             " AND Iscrizione=" + sub);
    db.query("SELECT TOP 1 Codice_Cliente FROM Q_Presenze_Attivita WHERE Codice_Cliente=" + cl + " AND Data_Presenza=" + D() +
             " AND Iscrizione=" + sub + " AND Codice_Struttura=" + code);
    db.first("SELECT Giornaliero FROM Iscrizioni_Strutture WHERE Codice_Iscrizione=" + sub + " AND Codice_Cliente=" + cl +
             " AND Codice_Struttura=" + code);
    db.first("SELECT Count(*) AS E1  FROM Iscrizioni_Strutture WHERE Codice_Iscrizione=" + sub + " AND Prog_Riga=" +
             Num_SqlQ(line));
    db.query("SELECT TOP 1 Data_Presenza FROM (Presenze INNER JOIN Presenze_Strutture ON "
             "Presenze.ID_Presenza=Presenze_Strutture.ID_Presenza) INNER JOIN Iscrizioni_Strutture ON "
             "Presenze_Strutture.Iscrizione=Iscrizioni_Strutture.Codice_Iscrizione AND "
             "Presenze_Strutture.Codice_Struttura=Iscrizioni_Strutture.Codice_Struttura WHERE Presenze.Data_Presenza=" + D() +
             " AND Presenze.Codice_Cliente=" + cl + " AND Presenze_Strutture.Iscrizione=" + sub +
             " AND Iscrizioni_Strutture.Prog_Riga=" + Num_SqlQ(line));
    db.run("UPDATE Iscrizioni_Strutture  SET Iscrizioni_Strutture.SeduteFatte = Iscrizioni_Strutture.SeduteFatte + 1  WHERE "
           "Iscrizioni_Strutture.Codice_Iscrizione=" + sub + " AND Iscrizioni_Strutture.Codice_Cliente=" + cl +
           " AND Iscrizioni_Strutture.Chiusa=0 AND Iscrizioni_Strutture.Scaduta=0  AND Iscrizioni_Strutture.Prog_Riga=" +
           Num_SqlQ(line) + " AND (Iscrizioni_Strutture.Sedute=0 OR (Iscrizioni_Strutture.Sedute-Iscrizioni_Strutture.SeduteFatte>0))");
    EXPECT_EQ(db.storedInt("SELECT SeduteFatte FROM Iscrizioni_Strutture WHERE ID=1"), 13);
    db.run("UPDATE Iscrizioni_Strutture  SET Iscrizioni_Strutture.Scaduta=-1, Iscrizioni_Strutture.Data_Scadenza=" + D() +
           "  WHERE Iscrizioni_Strutture.Codice_Iscrizione=" + sub + " AND Iscrizioni_Strutture.Codice_Cliente=" + cl +
           " AND Iscrizioni_Strutture.Chiusa=0 AND Iscrizioni_Strutture.Scaduta=0 AND Iscrizioni_Strutture.Sedute>0 AND "
           "(Iscrizioni_Strutture.Sedute-Iscrizioni_Strutture.SeduteFatte)<=0  AND Iscrizioni_Strutture.Prog_Riga=" + N(2) +
           futureBookings(" AND Iscrizioni_Strutture.ID Not In ", "ID_Iscrizione", cl) + accompanied("Iscrizioni_Strutture"));
    // The pool line is used up but a booking of today still holds it.
    EXPECT_EQ(db.storedInt("SELECT Scaduta FROM Iscrizioni_Strutture WHERE ID=2"), 0);
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM Iscrizioni_Strutture WHERE Codice_Iscrizione=" + sub + " And Scaduta=0").toInt(), 2);
    db.run("UPDATE Gestione_Iscrizioni  SET Scaduta=-1, Data_Scadenza=" + D() + "  WHERE Codice_Iscrizione=" + Q("ISCR0003"));

    // Paid by an add-on.
    t = db.query("SELECT Prog_Riga, ID_Pacchetto  FROM Gestione_Aggiunte  WHERE ID=" + N(2));
    EXPECT_EQ(t.rows.at(0).at(1).toInt(), 2);
    t = db.query("SELECT TOP 1 Anagrafica_Pacchetti_Multipli.Giornaliero, Anagrafica_Pacchetti_Multipli.Codice_PacchettoM, "
                 "Anagrafica_Pacchetti_Multipli.Descrizione, Gestione_Aggiunte.Data_Fine  FROM Anagrafica_Pacchetti_Multipli INNER "
                 "JOIN Gestione_Aggiunte ON Anagrafica_Pacchetti_Multipli.Codice_PacchettoM=Gestione_Aggiunte.Codice_PacchettoM  "
                 "WHERE Gestione_Aggiunte.Codice_PacchettoM Is Not Null AND Gestione_Aggiunte.ID=" + N(2));
    EXPECT_EQ(t.rows.at(0).at(2).toText(), "PACCHETTO BENESSERE");
    t = db.query("SELECT TOP 1 Anagrafica_Pacchetti.Descrizione, Gestione_Aggiunte.Data_Fine  FROM Anagrafica_Pacchetti INNER JOIN "
                 "Gestione_Aggiunte ON Anagrafica_Pacchetti.Codice_Pacchetto=Gestione_Aggiunte.Codice_Pacchetto  WHERE "
                 "Gestione_Aggiunte.Codice_Pacchetto Is Not Null AND Gestione_Aggiunte.ID=" + N(1));
    EXPECT_EQ(t.rows.at(0).at(0).toText(), "CINQUE INGRESSI SPA");
    db.query("SELECT TOP 1 Codice_Cliente FROM Q_Presenze_Attivita WHERE Codice_Cliente=" + cl + " AND Data_Presenza=" + D() +
             " AND ID_Aggiunta=" + N(2) + " AND Codice_Struttura=" + Q("ST003"));
    db.first("SELECT Giornaliero FROM Gestione_Aggiunte WHERE ID=" + N(2) + " AND Codice_Struttura=" + Q("ST003"));
    db.first("SELECT Count(*) AS E1  FROM Gestione_Aggiunte WHERE ID=" + N(2) + " AND Prog_Riga=" + N(1));
    db.query("SELECT TOP 1 Data_Presenza FROM (Presenze INNER JOIN Presenze_Strutture ON "
             "Presenze.ID_Presenza=Presenze_Strutture.ID_Presenza) INNER JOIN Gestione_Aggiunte ON "
             "Presenze_Strutture.ID_Aggiunta=Gestione_Aggiunte.ID WHERE Presenze.Data_Presenza=" + D() + " AND Presenze.Codice_Cliente=" +
             cl + " AND Presenze_Strutture.ID_Aggiunta=" + N(2) + " AND Gestione_Aggiunte.Prog_Riga=" + N(1));
    db.run("UPDATE Gestione_Aggiunte  SET Gestione_Aggiunte.SeduteFatte = Gestione_Aggiunte.SeduteFatte + 1  WHERE "
           "Gestione_Aggiunte.Codice_Cliente=" + cl + " AND Gestione_Aggiunte.Scaduta=0  AND Gestione_Aggiunte.Prog_Riga=" + N(1) +
           " AND (Gestione_Aggiunte.Sedute=0 OR (Gestione_Aggiunte.Sedute-Gestione_Aggiunte.SeduteFatte>0))");
    db.run("UPDATE Gestione_Aggiunte  SET Gestione_Aggiunte.Scaduta=-1, Gestione_Aggiunte.Data_Scadenza=" + D() +
           " FROM Gestione_Aggiunte  WHERE Gestione_Aggiunte.Codice_Cliente=" + cl + " AND Gestione_Aggiunte.Scaduta=0 AND "
           "Gestione_Aggiunte.Sedute>0 AND (Gestione_Aggiunte.Sedute-Gestione_Aggiunte.SeduteFatte)<=0  AND "
           "Gestione_Aggiunte.Prog_Riga=" + N(1) + " AND (Gestione_Aggiunte.Singola+Gestione_Aggiunte.Singola_Corsi+"
           "Gestione_Aggiunte.Singola_Servizi=0) " + futureBookings(" AND Gestione_Aggiunte.ID Not In ", "ID_Aggiunta", cl) +
           accompanied("Gestione_Aggiunte"));
    EXPECT_EQ(db.storedInt("SELECT Scaduta FROM Gestione_Aggiunte WHERE ID=2"), 0);  // Sedute 0: never expires

    // Detail row, bookings, journal, exit deadline.
    db.run("INSERT INTO Presenze_Strutture (ID_Presenza, Codice_Struttura, Tipologia, Codice_Cliente, Pagato, Costo_Presenza, "
           "Ora_Presenza, Iscrizione, ID_Aggiunta, ID_Pacchetto, Codice_Centro, IndTerminale, ID_Entrata)  VALUES (" + number +
           ", " + code + ", " + N(1) + ", " + cl + ", -1, 0, " + now + ", " + sub + ", " + N(0) + ", " + N(0) + ", " + Q("") +
           ", " + terminal + ", " + N(0) + ") ");
    db.run("INSERT INTO Giornale (Modalita,Codice_Cliente,Codice1_N,Data_Scadenza,Codice1_S,DaOre,Codice_Centro) SELECT 10 AS E1, "
           "Codice_Cliente, ID_Presenza, Data_Presenza, " + code + ", " + now + ", " + Q("") + " AS E2  FROM Presenze  WHERE "
           "Data_Presenza=" + D() + " AND ID_Presenza=" + number);
    EXPECT_EQ(db.stored("SELECT Codice1_S FROM Giornale WHERE Modalita=10"), "ST001");
    db.run("INSERT INTO wTmp_OrarioUscita_SQL (Codice_Cliente, Data_Presenza, AOre)  SELECT " + cl + " AS E1, " + D() + " AS E2, " +
           T(12, 0));
    db.run("INSERT INTO Controllo_Fascia_Oraria (Modalita, Codice_Cliente, Data_Presenza, AOre, Ora_Presenza, IndTerminale, Punti, "
           "Codice_Bis, ID_Entrata)  SELECT 2, Codice_Cliente, Data_Presenza, AOre, " + now + ", " + terminal + ", " + N(5) +
           ", " + Q("0009876501") + ", " + N(0) + " FROM wTmp_OrarioUscita");
    EXPECT_EQ(db.storedInt("SELECT Punti FROM Controllo_Fascia_Oraria WHERE Modalita=2"), 5);
}

TEST_F(CorpusAttendance, BookingReconciliation) {
    const std::string cl = Q("CL000001");
    db.native("INSERT INTO Presenze (ID_Presenza, Codice_Cliente, Data_Presenza, Ora_Presenza) VALUES (5, 'CL000001', "
              "'2024-03-07 00:00:00', '1900-01-01 10:05:00'); INSERT INTO Presenze_Strutture (ID_Presenza, Codice_Cliente, "
              "Codice_Struttura, Tipologia, Ora_Presenza) VALUES (5, 'CL000001', 'CS002', 2, '1900-01-01 10:05:00')");
    const std::string filters = " AND Data_Prenotazione>=" + D() + " AND Data_Prenotazione<=" + D();
    ResultTable t = db.query(
        "SELECT 1 AS Tipo, Gestione_Prenotazioni_Corsi.ID, Gestione_Prenotazioni_Corsi.Codice_Cliente, "
        "Gestione_Prenotazioni_Corsi.Codice_Corso AS Attivita, Gestione_Prenotazioni_Corsi.Data_Prenotazione, "
        "Orario_Istruttori_Corsi.DaOre, Orario_Istruttori_Corsi.AOre, 0 AS SubStruttura, Anagrafica_Corsi.Tolleranza, "
        "Gestione_Prenotazioni_Corsi.ID_Iscrizione, Gestione_Prenotazioni_Corsi.ID_Aggiunta FROM (Gestione_Prenotazioni_Corsi "
        "INNER JOIN Orario_Istruttori_Corsi ON Gestione_Prenotazioni_Corsi.ID_Corso=Orario_Istruttori_Corsi.ID) INNER JOIN "
        "Anagrafica_Corsi ON Gestione_Prenotazioni_Corsi.Codice_Corso=Anagrafica_Corsi.Codice_Corso WHERE "
        "Anagrafica_Corsi.APrenotazione=-1 AND Gestione_Prenotazioni_Corsi.Usata=0 AND Gestione_Prenotazioni_Corsi.Ingresso_Scalato=0 "
        "AND Gestione_Prenotazioni_Corsi.Enroll<>0 AND Gestione_Prenotazioni_Corsi.Codice_Cliente=" + cl +
        " AND Gestione_Prenotazioni_Corsi.Data_Prenotazione>=" + D() + " AND Gestione_Prenotazioni_Corsi.Data_Prenotazione<=" + D() +
        " UNION SELECT 2 AS Tipo, Gestione_Prenotazioni_Servizi.ID, Gestione_Prenotazioni_Servizi.Codice_Cliente, "
        "Gestione_Prenotazioni_Servizi.Codice_Servizio AS Attivita, Gestione_Prenotazioni_Servizi.Data_Prenotazione, "
        "Orario_Servizi.DaOre, Orario_Servizi.AOre, 0 AS SubStruttura, Anagrafica_Servizi.Tolleranza, "
        "Gestione_Prenotazioni_Servizi.ID_Iscrizione, Gestione_Prenotazioni_Servizi.ID_Aggiunta FROM (Gestione_Prenotazioni_Servizi "
        "INNER JOIN Orario_Servizi ON Gestione_Prenotazioni_Servizi.ID_Servizio=Orario_Servizi.ID) INNER JOIN Anagrafica_Servizi ON "
        "Gestione_Prenotazioni_Servizi.Codice_Servizio=Anagrafica_Servizi.Codice_Servizio WHERE Gestione_Prenotazioni_Servizi.Usata=0 "
        "AND Gestione_Prenotazioni_Servizi.Ingresso_Scalato=0 AND Gestione_Prenotazioni_Servizi.Enroll<>0 AND "
        "Gestione_Prenotazioni_Servizi.Codice_Cliente=" + cl + " AND Gestione_Prenotazioni_Servizi.Data_Prenotazione>=" + D() +
        " AND Gestione_Prenotazioni_Servizi.Data_Prenotazione<=" + D() +
        " UNION SELECT 3 AS Tipo, Booking_Clienti.ID_PivotPrenotazione, Booking_Clienti.Codice_Cliente, Gestione_Prenotazioni.Codice2 "
        "AS Attivita, Gestione_Prenotazioni.Data_Prenotazione, Gestione_Prenotazioni.DaOre, Gestione_Prenotazioni.AOre, "
        "Gestione_Prenotazioni.Cd_SubStruttura AS SubStruttura, Anagrafica_Strutture.Tolleranza, Booking_Clienti.ID_Iscrizione, "
        "Booking_Clienti.ID_Aggiunta FROM (Gestione_Prenotazioni INNER JOIN Booking_Clienti ON "
        "Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione) INNER JOIN Anagrafica_Strutture ON "
        "Gestione_Prenotazioni.Codice2=Anagrafica_Strutture.Codice_Struttura WHERE Anagrafica_Strutture.APrenotazione<>0 AND "
        "Booking_Clienti.Usata=0 AND Booking_Clienti.Ingresso_Scalato=0 AND Booking_Clienti.Codice_Cliente=" + cl +
        " AND Gestione_Prenotazioni.Data_Prenotazione>=" + D() + " AND Gestione_Prenotazioni.Data_Prenotazione<=" + D() +
        " UNION SELECT 3 AS Tipo, Booking_Clienti.ID_PivotPrenotazione, Booking_Clienti.Codice_Cliente, Gestione_Prenotazioni.Codice2 "
        "AS Attivita, Gestione_Prenotazioni.Data_Prenotazione, Gestione_Prenotazioni.DaOre, Gestione_Prenotazioni.AOre, "
        "Gestione_Prenotazioni.Cd_SubStruttura AS SubStruttura, Anagrafica_Corsi.Tolleranza, Booking_Clienti.ID_Iscrizione, "
        "Booking_Clienti.ID_Aggiunta FROM (Gestione_Prenotazioni INNER JOIN Booking_Clienti ON "
        "Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione) INNER JOIN Anagrafica_Corsi ON "
        "Gestione_Prenotazioni.Codice2=Anagrafica_Corsi.Codice_Corso WHERE Anagrafica_Corsi.APrenotazione=-1 AND "
        "Booking_Clienti.Usata=0 AND Booking_Clienti.Ingresso_Scalato=0 AND Booking_Clienti.Codice_Cliente=" + cl +
        " UNION SELECT 3 AS Tipo, Booking_Clienti.ID_PivotPrenotazione, Booking_Clienti.Codice_Cliente, Gestione_Prenotazioni.Codice2 "
        "AS Attivita, Gestione_Prenotazioni.Data_Prenotazione, Gestione_Prenotazioni.DaOre, Gestione_Prenotazioni.AOre, "
        "Gestione_Prenotazioni.Cd_SubStruttura AS SubStruttura, Anagrafica_Servizi.Tolleranza, Booking_Clienti.ID_Iscrizione, "
        "Booking_Clienti.ID_Aggiunta FROM (Gestione_Prenotazioni INNER JOIN Booking_Clienti ON "
        "Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione) INNER JOIN Anagrafica_Servizi ON "
        "Gestione_Prenotazioni.Codice2=Anagrafica_Servizi.Codice_Servizio WHERE Booking_Clienti.Usata=0 AND "
        "Booking_Clienti.Ingresso_Scalato=0 AND Booking_Clienti.Codice_Cliente=" + cl);
    ASSERT_EQ(t.rows.size(), 2u);  // the spinning lesson and the pool lane

    // The lesson 10:00-11:00 with 15 minutes of tolerance holds the entry of 10:05.
    const Value entry = db.first("SELECT Presenze.ID_Presenza  FROM Presenze INNER JOIN Presenze_Strutture ON "
                                 "Presenze.ID_Presenza=Presenze_Strutture.ID_Presenza  WHERE Presenze.Codice_Cliente=" + cl +
                                 " AND Presenze.Data_Presenza=" + D() + " AND Presenze_Strutture.Codice_Struttura=" + Q("CS002") +
                                 " AND Presenze_Strutture.Ora_Presenza BETWEEN " + T(9, 45) + " AND " + T(11, 0));
    EXPECT_EQ(entry.toInt(), 5);
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM Gestione_Prenotazioni_Corsi WHERE Codice_Cliente=" + cl + " And Ingresso=" +
                       Num_SqlQ(entry)).toInt(), 0);
    db.run("UPDATE Gestione_Prenotazioni_Corsi SET Usata=-1, Ingresso= " + Num_SqlQ(entry) + " WHERE Codice_Cliente=" + cl +
           " AND ID=" + N(1));
    db.run("UPDATE Booking_Clienti SET Usata=0, Ingresso=0  WHERE Codice_Cliente=" + cl + " AND ID_PivotPrenotazione=" + N(1));
    db.run("UPDATE Gestione_Prenotazioni_Servizi SET Usata=0, Ingresso=0  WHERE Codice_Cliente=" + cl + " AND ID=" + N(1));
    EXPECT_EQ(db.storedInt("SELECT Usata FROM Gestione_Prenotazioni_Corsi WHERE ID=1"), -1);
    EXPECT_EQ(db.storedInt("SELECT Ingresso FROM Gestione_Prenotazioni_Corsi WHERE ID=1"), 5);
}

// The points charged for time on the premises at an exit (not sent by any procedure yet).
TEST_F(CorpusAttendance, PointsTariffsOfTimeOnThePremises) {
    const std::string date = D(), entry = T(9, 0);
    const std::string pointsFrom = " FROM Dettaglio_Terminali_Punti INNER JOIN Dettaglio_Terminali ON "
                                   "Dettaglio_Terminali_Punti.ID_Terminale = Dettaglio_Terminali.ID ";
    ResultTable t = db.query("SELECT TOP 1 Dettaglio_Terminali_Punti.Validita, Dettaglio_Terminali_Punti.Punti " + pointsFrom +
                             " WHERE Dettaglio_Terminali_Punti.Tipo=1 AND Dettaglio_Terminali.Indirizzo=" + N(2) +
                             " And Dettaglio_Terminali_Punti.DDSettimana=" + N(4) + " And Dettaglio_Terminali_Punti.Fascia_Ini<" +
                             entry + " And Dettaglio_Terminali_Punti.Fascia_Fin>=" + entry + " AND Data_Validita<=" + date +
                             " ORDER BY Data_Validita DESC ");
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][1].toInt(), 7);  // the newer tariff
    db.query("SELECT TOP 1 Dettaglio_Terminali_Punti.Fascia_Ini, Dettaglio_Terminali_Punti.Fascia_Fin, "
             "Dettaglio_Terminali_Punti.Punti, Dettaglio_Terminali_Punti.Validita " + pointsFrom +
             " WHERE Dettaglio_Terminali_Punti.Tipo=1 AND Dettaglio_Terminali.Indirizzo=" + N(2) +
             " And Dettaglio_Terminali_Punti.DDSettimana=" + N(4) + " And Dettaglio_Terminali_Punti.Fascia_Ini<" + T(10, 0) +
             " And Dettaglio_Terminali_Punti.Fascia_Fin>=" + T(10, 0) + " AND Data_Validita<=" + date + " ORDER BY Data_Validita DESC ");
}

}  // namespace
}  // namespace velaris::test
