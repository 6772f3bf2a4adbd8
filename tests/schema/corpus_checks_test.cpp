// Statement corpus: subscription checks at terminals and by facility, timetable admission,
// frequency rules and period counting, holidays and closures.

#include "corpus_support.h"

namespace velaris::test {
namespace {

using CorpusChecks = CorpusTest;

const std::string kOverdue =  // the blocking-fee condition with grace days, as message intake builds it
    "((Modalita=2 And (Data_Scadenza Is Null Or Data_Scadenza<={d '2024-02-21'})) Or (Modalita=5 And "
    "Data_Scadenza<={d '2024-02-26'}) Or (Modalita=7 And Data_Scadenza<={d '2024-02-26'}) Or (Modalita=11))";
const std::string kNoEntry = " And (Modalita<>Convert(Float, 1)) And (Modalita<>Convert(Float, 13))";

TEST_F(CorpusChecks, StaffCardPassages) {
    const std::string code = Q("IS0001");
    ResultTable t = db.query(std::string("SELECT TOP 1 ") + "Codice_Istruttore" + ", Cognome, Nome, Ingresso, Foto " +
                             " FROM " + "Anagrafica_Istruttori" + " " + " WHERE " + "Codice_Istruttore" + "=" + code);
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_TRUE(t.rows[0][3].toBool());

    const struct { const char* table; const char* key; } staff[] = {
        {"Anagrafica_Consulenti", "Codice_Consulente"}, {"Anagrafica_Istruttori", "Codice_Istruttore"},
        {"Anagrafica_Medici", "Codice_Medico"},         {"Anagrafica_Fisioterapisti", "Codice_Fisioterapista"},
        {"Anagrafica_Operatori", "Codice_Operatore"},   {"Anagrafica_Estetisti", "Codice_Estetista"}};
    for (const auto& s : staff) {
        db.query(std::string("SELECT TOP 1 ") + s.key + ", Cognome, Nome, Ingresso, Foto " + " FROM " + s.table + " " + " WHERE " +
                 s.key + "=" + code);
        // Salva_Uscita reads the same without the photograph.
        db.query(std::string("SELECT TOP 1 ") + s.key + ", Cognome, Nome, Ingresso  FROM " + s.table + "  WHERE " + s.key + "=" + code);
    }

    // First passage of the day: an entry; the second closes it.
    t = db.query(std::string("SELECT Max(ID) AS MaxID, Max(Data_EntrataUscita) AS MaxData ") + " FROM Gestione_Personale " +
                 " WHERE Codice=" + code);
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_TRUE(t.rows[0][0].isNull());
    db.run(std::string("INSERT INTO Gestione_Personale(Codice,Tipologia,Data_EntrataUscita,Ora_EntrataUscita) ") + "VALUES (" +
           code + "," + N(4) + "," + D() + "," + T(10, 30) + ")");
    const Value maxId = db.first("SELECT Max(ID) AS MaxID, Max(Data_EntrataUscita) AS MaxData  FROM Gestione_Personale  "
                                 "WHERE Codice=" + code);
    t = db.query(std::string("SELECT TOP 1 Ora_EntrataUscita, Ora_UscitaEntrata ") + " FROM Gestione_Personale " +
                 " WHERE ID=" + N(static_cast<int>(maxId.toInt())));
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_TRUE(t.rows[0][1].isNull());
    db.run(std::string("UPDATE Gestione_Personale ") + " SET Ora_UscitaEntrata=" + T(12, 0) + " WHERE ID=" +
           N(static_cast<int>(maxId.toInt())));
    EXPECT_EQ(db.stored("SELECT Ora_UscitaEntrata FROM Gestione_Personale"), "1900-01-01 12:00:00");

    // Ticket binding of a code to terminals.
    EXPECT_EQ(db.first(std::string("SELECT Dettaglio_Terminali.Indirizzo ") +
                       " FROM Biglietti_Terminali INNER JOIN Dettaglio_Terminali ON "
                       "Biglietti_Terminali.ID_Terminale=Dettaglio_Terminali.ID " +
                       " WHERE Biglietti_Terminali.Codice_Biglietto=" + Q("BG001")).toInt(), 2);

    db.run(std::string("INSERT INTO Log_Entrate (Codice_Cliente,Cognome,Nome,Data_Presenza,Ora_Presenza,DesIrregolari,IndTerminale) ") +
           " VALUES (" + code + "," + Q("FERRARI") + "," + Q("MARCO") + "," + D() + "," + T(10, 30) + "," + Q("ISTRUTTORE") +
           "," + N(1) + ")");
    EXPECT_EQ(db.storedInt("SELECT Semaforo1 + Irregolare10 + Uscita FROM Log_Entrate"), 0);
}

TEST_F(CorpusChecks, MemberCardAtTerminal) {
    const std::string cl = Q("CL000002");
    EXPECT_EQ(db.first(std::string("SELECT TOP 1 Data_Presenza, Ora_Presenza ") + " FROM Presenze " + " WHERE Codice_Cliente=" +
                       cl + " ORDER BY Data_Presenza DESC").toDate(), corpusDay());
    ResultTable t = db.query(std::string("SELECT Cognome, Nome, Indirizzo, Stato, Foto, Codice_Consulente, Fido_Cliente, "
                                         "Controlli_Cliente, Data_Registrazione, Note_Accessi ") +
                             " FROM Anagrafica_Clienti " + " WHERE Anagrafica_Clienti.Codice_Cliente=" + cl);
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][8].toDate(), corpusDay());

    // The renewal flag: Rossi has a subscription bought in advance, Bianchi has not.
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM Q_ClientiFuturi WHERE Codice_Cliente=" + Q("CL000001")).toInt(), 1);
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM Q_ClientiFuturi WHERE Codice_Cliente=" + cl).toInt(), 0);
    db.run("UPDATE Stato_Terminali SET Cognome = " + Q("BIANCHI") + ", Nome = " + Q("GIULIA") + ", Abbonamento = " + Q("") +
           ", Data_Scadenza = " + Data_SqlQ(Value::null()) + ", Rinnovo = " + "0" + " WHERE Indirizzo = " + "2");
    db.run("DELETE FROM wTmp_OrarioUscita");

    t = db.query("SELECT Gestione_Iscrizioni.Codice_Abbonamento, Gestione_Iscrizioni.Descrizione, "
                 "Gestione_Iscrizioni.Codice_Iscrizione, Gestione_Iscrizioni.Data_Fine AS Scadenza " +
                 std::string(" FROM Anagrafica_Clienti INNER JOIN Gestione_Iscrizioni ON "
                             "Anagrafica_Clienti.Codice_Cliente=Gestione_Iscrizioni.Codice_Cliente ") +
                 " WHERE Anagrafica_Clienti.Codice_Cliente=" + Q("CL000001") + " AND Gestione_Iscrizioni.Data_Inizio<=" + D() +
                 " AND Gestione_Iscrizioni.Scaduta=0 " + " ORDER BY Gestione_Iscrizioni.Data_Inizio");
    ASSERT_EQ(t.rows.size(), 1u);  // the renewal starts next year
    EXPECT_EQ(t.rows[0][3].toDate(), DateTime::fromParts(2025, 1, 31));

    // External terminal in arrears mode 1: fees past their grace days.
    t = db.query(std::string("SELECT TOP 1 Modalita ") + " FROM Giornale " + " WHERE ((Modalita=5 And Data_Scadenza<=" + D(-10) +
                 ")" + " OR (Modalita=4 And Data_Scadenza<=" + D(-10) + ")" + " OR (Modalita=7 And Data_Scadenza<=" + D(-10) +
                 "))" + " AND Codice_Cliente = " + cl + kNoEntry);
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][0].toInt(), 5);

    // Internal terminal: arrears, credit, irregularity kinds.
    EXPECT_EQ(db.query(std::string("SELECT TOP 1 Modalita ") + " FROM Giornale " + " WHERE " + kOverdue + kNoEntry +
                       " And Codice_Cliente = " + cl + " And Modalita Not In (2,3,14,19,20,21)").rows.size(), 1u);
    db.query(std::string("SELECT TOP 1 Modalita ") + " FROM Giornale " + " WHERE " + kOverdue +
             " And Modalita In (2,3,5,14,19,20,21) AND Codice_Cliente = " + cl);
    EXPECT_EQ(db.first(std::string("SELECT Sum(Importo_DaPagare) AS FidoUti ") + " FROM Giornale " +
                       " WHERE Modalita In (4,6,7,8,9,11,15,17,18) AND Codice_Cliente = " + cl).toDouble(), 20.0);
    db.query(std::string("SELECT TOP 1 Modalita ") + " FROM Giornale " + " WHERE " + kOverdue + " And Codice_Cliente = " + cl);
    t = db.query(std::string("SELECT DISTINCT Modalita ") + " FROM Giornale " + " WHERE Codice_Cliente = " + cl +
                 " AND Modalita Not In (10,12,13) " + " AND ((Modalita In (2,3,11,14,19,20,21)) OR (Modalita Not In "
                 "(2,3,11,14,19,20,21) " + kNoEntry + "))");
    EXPECT_EQ(t.rows.size(), 3u);

    // Facility subscriptions, their frequency and bands.
    t = db.query(std::string("SELECT Codice_Abbonamento, Codice_Iscrizione, MAX(Data_Fine) AS Scadenza ") +
                 " FROM Iscrizioni_Strutture " + " WHERE Codice_Cliente=" + cl + " AND Data_Inizio<=" + D() +
                 " AND Scaduta=0 " + " GROUP BY Codice_Abbonamento, Codice_Iscrizione");
    ASSERT_EQ(t.rows.size(), 1u);
    t = db.query(std::string("SELECT Descrizione, FrequenzaDD, ID_Intervallo, Tempo_Permanenza ") +
                 " FROM Anagrafica_Abbonamenti " + " WHERE Codice_Abbonamento=" + Q("AB005"));
    EXPECT_EQ(t.rows.at(0).at(1).toInt(), 2);
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM Giorni_DD_Fasce_Abbonamenti WHERE Codice_Abbonamento=" + Q("AB005")).toInt(),
              2);
    const std::string check = T(10, 45);  // now plus AnticipoPren
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM Giorni_DD_Fasce_Abbonamenti WHERE Codice_Abbonamento=" + Q("AB005") +
                       " And DDSettimana=" + N(4) + " And DATEADD(minute, -" + "15" + ", Fascia_Ini)<=" + check +
                       " And Fascia_Fin>=" + check).toInt(), 1);
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM Giorni_DD_Fasce_Abbonamenti WHERE Codice_Abbonamento=" + Q("AB005") +
                       " And DDSettimana=8 And DATEADD(minute, -" + "15" + ", Fascia_Ini)<=" + T(8, 44) +
                       " And Fascia_Fin>=" + T(8, 44)).toInt(), 0);  // the holiday band opens at 8:45
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM FasceOrarie_Abbonamenti WHERE Codice_Abbonamento=" + Q("AB005") +
                       " And DATEADD(minute, -" + "15" + ", Fascia_Ini)<=" + check + " And Fascia_Fin>=" + check).toInt(), 1);

    // Multi-facility packages.
    t = db.query(std::string("SELECT Codice_PacchettoM, ID_Pacchetto, MAX(Data_Fine) AS Scadenza ") + " FROM Gestione_Aggiunte " +
                 " WHERE Codice_PacchettoM Is Not Null AND Codice_Cliente=" + Q("CL000001") + " AND Data_Inizio<=" + D() +
                 " AND Scaduta=0 " + " GROUP BY Codice_PacchettoM, ID_Pacchetto");
    ASSERT_EQ(t.rows.size(), 1u);
    db.query(std::string("SELECT Descrizione, FrequenzaDD, ID_Intervallo, Tempo_Permanenza ") +
             " FROM Anagrafica_Pacchetti_Multipli " + " WHERE Codice_PacchettoM=" + Q("PM001"));

    // Other entitlements.
    EXPECT_EQ(db.query(std::string("SELECT TOP 1 Gestione_Aggiunte.ID ") + " FROM Gestione_Aggiunte " + " WHERE Codice_Cliente=" +
                       cl + " AND Data_Inizio<=" + D() + " AND Scaduta=0 AND (Codice_PacchettoM Is Null OR "
                       "Codice_PacchettoM='') AND (Singola+Singola_Corsi+Singola_Servizi)=0").rows.size(), 1u);
    db.query(std::string("SELECT TOP 1 Booking_Clienti.ID ") +
             " FROM Gestione_Prenotazioni INNER JOIN Booking_Clienti ON Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione " +
             " WHERE Booking_Clienti.Codice_Cliente=" + cl + " AND Gestione_Prenotazioni.Data_Prenotazione=" + D() +
             " AND (Booking_Clienti.Codice_Abbonamento Is Null OR Booking_Clienti.Codice_Abbonamento='')");
    db.query(std::string("SELECT TOP 1 ID ") + " FROM Gestione_Prenotazioni_Corsi " + " WHERE Codice_Cliente=" + cl +
             " AND Data_Prenotazione=" + D() + " AND (Codice_Abbonamento Is Null OR Codice_Abbonamento='')");
    db.query(std::string("SELECT TOP 1 ID ") + " FROM Gestione_Prenotazioni_Servizi " + " WHERE Codice_Cliente=" + cl +
             " AND Data_Prenotazione=" + D() + " AND (Codice_Abbonamento Is Null OR Codice_Abbonamento='')");

    // Messages: a blocking one, and no other.
    EXPECT_EQ(db.query(std::string("SELECT TOP 1 ID ") + " FROM Messaggi_Clienti " + " WHERE Codice_Cliente=" + cl +
                       " And Bloccante<>0 And Ricevuto=0 And Data_Messaggio<=" + D()).rows.size(), 1u);
    EXPECT_EQ(db.query(std::string("SELECT TOP 1 ID ") + " FROM Messaggi_Clienti " + " WHERE Codice_Cliente=" + cl +
                       " And Bloccante=0 And Ricevuto=0 And Data_Messaggio<=" + D()).rows.size(), 0u);

    // Display: the irregularity scratch table and the facility text.
    db.run("DELETE FROM wTmp_Presenze_Irregolarita");
    db.run("INSERT INTO wTmp_Presenze_Irregolarita_SQL (ID,Codice_Cliente,Modalita,CodiceS,CodiceN,Data_Scadenza,[Check]) " +
           std::string(" SELECT ID,Codice_Cliente,Modalita,Codice1_S,Codice1_N,Data_Scadenza,0 ") + " FROM Giornale " +
           " WHERE Codice_Cliente=" + cl + " AND Modalita Not In (10,12,13) " +
           " AND ((Modalita In (2,3,11,14,19,20,21)) OR (Modalita Not In (2,3,11,14,19,20,21) " + kNoEntry + "))");
    EXPECT_EQ(db.query(std::string("SELECT DISTINCT Modalita ") + " FROM wTmp_Presenze_Irregolarita").rows.size(), 3u);
    EXPECT_EQ(db.first("SELECT Descrizione FROM Anagrafica_Strutture WHERE Codice_Struttura=" + Q("ST002")).toText(), "PISCINA");
}

TEST_F(CorpusChecks, FacilityCheckStaging) {
    const std::string cl = Q("CL000001");
    const std::string withCentre =
        " (SELECT Codice_Struttura FROM Anagrafica_Strutture WHERE Abilita_Ingresso<>0 AND (Codice_Centro Is Null OR "
        "Codice_Centro=" + Q("BG01") + ")" + " UNION ALL SELECT Codice_Corso FROM Anagrafica_Corsi WHERE (Codice_Centro Is "
        "Null OR Codice_Centro=" + Q("BG01") + ")" + " UNION ALL SELECT Codice_Servizio FROM Anagrafica_Servizi WHERE "
        "(Codice_Centro Is Null OR Codice_Centro=" + Q("BG01") + "))";
    const std::string anyCentre = std::string(" (SELECT Codice_Struttura FROM Anagrafica_Strutture WHERE Abilita_Ingresso<>0 ") +
                                  " UNION ALL SELECT Codice_Corso FROM Anagrafica_Corsi " +
                                  " UNION ALL SELECT Codice_Servizio FROM Anagrafica_Servizi)";
    db.run("DELETE FROM wTmp_Presenze_Strutture");
    db.run("DELETE FROM wTmp_OrarioUscita");
    for (const std::string& list : {withCentre, anyCentre}) {
        db.run("DELETE FROM wTmp_Presenze_Strutture");
        db.run("INSERT INTO wTmp_Presenze_Strutture_SQL (Origine, Codice_Abbonamento, Codice_Iscrizione, ID_Iscrizione, "
               "Prog_Riga, Codice_Cliente, Codice_Struttura, Tipologia, Sedute, Sedute_Fatte, Pagato, Conferma, Data_Fine, "
               "Data_Inizio, Giornaliero, Tempo_Permanenza) SELECT 'Abbonamento', Iscrizioni_Strutture.Codice_Abbonamento, "
               "Iscrizioni_Strutture.Codice_Iscrizione, Iscrizioni_Strutture.ID, Iscrizioni_Strutture.Prog_Riga, "
               "Iscrizioni_Strutture.Codice_Cliente, Iscrizioni_Strutture.Codice_Struttura, Iscrizioni_Strutture.Tipologia, "
               "Iscrizioni_Strutture.Sedute, Iscrizioni_Strutture.SeduteFatte, 1, 1, Iscrizioni_Strutture.Data_Fine, "
               "Iscrizioni_Strutture.Data_Inizio, Anagrafica_Abbonamenti.Giornaliero, Anagrafica_Abbonamenti.Tempo_Permanenza "
               "FROM Iscrizioni_Strutture INNER JOIN Anagrafica_Abbonamenti ON "
               "Iscrizioni_Strutture.Codice_Abbonamento=Anagrafica_Abbonamenti.Codice_Abbonamento" +
               std::string(" WHERE Iscrizioni_Strutture.Codice_Cliente=") + cl + " AND Iscrizioni_Strutture.Data_Inizio<=" +
               D() + " AND Iscrizioni_Strutture.Chiusa=0 AND Iscrizioni_Strutture.Scaduta=0 " +
               " AND Iscrizioni_Strutture.Codice_Struttura IN " + list);
    }
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM wTmp_Presenze_Strutture"), 2);
    db.run("INSERT INTO wTmp_Presenze_Strutture_SQL (Origine, ID_Prenotazione, ID_Pacchetto, Codice_Pacchetto, Codice_PacchettoM, "
           "Codice_Cliente, Codice_Struttura, Tipologia, Sedute, Sedute_Fatte, Pagato, Conferma, Pass, Singola, Data_Fine, "
           "Data_Inizio, Pren_DaOre, Pren_AOre) SELECT 'Aggiunta', ID, ID_Pacchetto, Codice_Pacchetto, Codice_PacchettoM, "
           "Codice_Cliente, Codice_Struttura, 1, Sedute, SeduteFatte, 1, 1, 1, Singola+Singola_Corsi+Singola_Servizi, "
           "Data_Fine, Data_Inizio, Pren_DaOre, Pren_AOre FROM Gestione_Aggiunte WHERE Codice_Cliente=" + cl +
           " AND Data_Inizio<=" + D() + " AND Scaduta=0 AND Codice_Struttura IN " + anyCentre);
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM wTmp_Presenze_Strutture WHERE Origine='Aggiunta' AND Singola=0"), 1);

    // Course recoveries re-labelled to the entitlement they make up.
    db.run("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.Origine='Abbonamento', "
           "wTmp_Presenze_Strutture.Codice_Iscrizione=Clienti_Recuperi_Corsi.Codice_Iscrizione FROM wTmp_Presenze_Strutture "
           "INNER JOIN Clienti_Recuperi_Corsi ON wTmp_Presenze_Strutture.ID_Prenotazione=Clienti_Recuperi_Corsi.ID_Aggiunta2 "
           "WHERE Clienti_Recuperi_Corsi.Data_Inizio<=" + D() + " AND Clienti_Recuperi_Corsi.Data_Fine>=" + D() +
           " AND Clienti_Recuperi_Corsi.ID_Iscrizione>0 AND wTmp_Presenze_Strutture.NoVerifica=0 AND "
           "wTmp_Presenze_Strutture.Terminale=0 AND wTmp_Presenze_Strutture.Esterna=0 AND wTmp_Presenze_Strutture.Conferma<>0 "
           "AND wTmp_Presenze_Strutture.Ingresso_Scalato=0");
    // Package data.
    db.run("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.GiornalieroT=Anagrafica_Pacchetti_Multipli.GiornalieroT, "
           "wTmp_Presenze_Strutture.Tempo_Permanenza=Anagrafica_Pacchetti_Multipli.Tempo_Permanenza FROM "
           "wTmp_Presenze_Strutture INNER JOIN Anagrafica_Pacchetti_Multipli ON "
           "wTmp_Presenze_Strutture.Codice_PacchettoM=Anagrafica_Pacchetti_Multipli.Codice_PacchettoM");

    // Marks: facilities with a terminal of their own, external ones, exemptions.
    db.run("UPDATE wTmp_Presenze_Strutture SET Terminale=-1 WHERE Tipologia=1 AND Codice_Struttura In (SELECT "
           "Codice_Struttura FROM Dettaglio_Terminali WHERE Codice_Struttura Is Not Null UNION SELECT "
           "Strutture_Associate.Codice_Struttura_Associata FROM Strutture_Associate INNER JOIN Dettaglio_Terminali ON "
           "Strutture_Associate.Codice_Struttura=Dettaglio_Terminali.Codice_Struttura UNION SELECT "
           "Anagrafica_SubStrutture.Codice_Struttura FROM Dettaglio_Terminali_Sub INNER JOIN Anagrafica_SubStrutture ON "
           "Dettaglio_Terminali_Sub.Cd_SubStruttura=Anagrafica_SubStrutture.Cd_SubStruttura)");
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM wTmp_Presenze_Strutture WHERE Terminale=-1"), 2);  // ST002 and its ST003
    db.run("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.Terminale=-1 FROM wTmp_Presenze_Strutture INNER JOIN "
           "Orario_Istruttori_Corsi ON wTmp_Presenze_Strutture.Codice_Struttura=Orario_Istruttori_Corsi.Codice_Corso WHERE "
           "wTmp_Presenze_Strutture.Tipologia=2 AND Orario_Istruttori_Corsi.Codice_Struttura In (SELECT Codice_Struttura FROM "
           "Dettaglio_Terminali)");
    db.run("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.Terminale=-1 FROM wTmp_Presenze_Strutture INNER JOIN "
           "Orario_Servizi ON wTmp_Presenze_Strutture.Codice_Struttura=Orario_Servizi.Codice_Servizio WHERE "
           "wTmp_Presenze_Strutture.Tipologia=3 AND Orario_Servizi.Codice_Struttura In (SELECT Codice_Struttura FROM "
           "Dettaglio_Terminali)");
    db.run("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.Esterna=1 FROM wTmp_Presenze_Strutture INNER JOIN "
           "Anagrafica_Strutture ON wTmp_Presenze_Strutture.Codice_Struttura=Anagrafica_Strutture.Codice_Struttura WHERE "
           "Anagrafica_Strutture.Esterna=-1");
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM wTmp_Presenze_Strutture WHERE Esterna=1"), 1);
    db.run("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.Esterna=1 FROM wTmp_Presenze_Strutture INNER JOIN "
           "Gestione_Prenotazioni_Servizi ON wTmp_Presenze_Strutture.Codice_Struttura=Gestione_Prenotazioni_Servizi.Codice_Servizio "
           "WHERE wTmp_Presenze_Strutture.Tipologia=3 AND Gestione_Prenotazioni_Servizi.Codice_Cliente=" + cl +
           " AND Gestione_Prenotazioni_Servizi.Data_Prenotazione=dbo.Set_Data(GETDATE())");
    db.run("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.NoVerifica=-1 FROM wTmp_Presenze_Strutture INNER JOIN "
           "Anagrafica_Strutture ON wTmp_Presenze_Strutture.Codice_Struttura=Anagrafica_Strutture.Codice_Struttura WHERE "
           "Anagrafica_Strutture.NoVerifica_Ingresso<>0");
    db.run("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.Con_Accompagnatore=-1 FROM wTmp_Presenze_Strutture "
           "INNER JOIN Anagrafica_Corsi ON wTmp_Presenze_Strutture.Codice_Struttura=Anagrafica_Corsi.Codice_Corso WHERE "
           "Anagrafica_Corsi.Con_Accompagnatore<>0");

    // Summary rows.
    db.query("SELECT Codice_Abbonamento, Codice_Iscrizione, MAX(Data_Fine) AS Scadenza FROM wTmp_Presenze_Strutture WHERE "
             "wTmp_Presenze_Strutture.Origine='Abbonamento' GROUP BY Codice_Abbonamento, Codice_Iscrizione");
    db.query("SELECT Anagrafica_Pacchetti.Descrizione, MAX(wTmp_Presenze_Strutture.Data_Fine) AS Scadenza FROM "
             "wTmp_Presenze_Strutture INNER JOIN Anagrafica_Pacchetti ON "
             "wTmp_Presenze_Strutture.Codice_Pacchetto=Anagrafica_Pacchetti.Codice_Pacchetto WHERE "
             "wTmp_Presenze_Strutture.ID_Pacchetto>0 AND wTmp_Presenze_Strutture.Origine='Aggiunta' GROUP BY "
             "Anagrafica_Pacchetti.Descrizione");

    // Frequency per subscription and per package; a failing one is struck out.
    ResultTable t = db.query(std::string("SELECT Codice_Abbonamento, Codice_Iscrizione, MAX(Data_Fine) AS Scadenza ") +
                             " FROM wTmp_Presenze_Strutture " + " WHERE Origine='Abbonamento' AND Esterna=0 And Conferma<>0" +
                             " GROUP BY Codice_Abbonamento, Codice_Iscrizione");
    ASSERT_EQ(t.rows.size(), 1u);
    db.query("SELECT Codice_PacchettoM, ID_Pacchetto, MAX(Data_Fine) AS Scadenza FROM wTmp_Presenze_Strutture WHERE "
             "Origine='Aggiunta' AND Esterna=0 And Conferma<>0 AND Codice_PacchettoM Is Not Null AND ID_Pacchetto>0 GROUP BY "
             "Codice_PacchettoM, ID_Pacchetto");
    db.run(std::string("UPDATE wTmp_Presenze_Strutture ") + " SET Conferma=0 " +
           " WHERE Origine='Abbonamento' AND Codice_Iscrizione=" + Q("ISCR0009") + " AND Esterna=0 AND Conferma<>0");

    // Booking requirement.
    db.run("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.APrenotazione=1 FROM wTmp_Presenze_Strutture INNER JOIN "
           "Anagrafica_Strutture ON wTmp_Presenze_Strutture.Codice_Struttura=Anagrafica_Strutture.Codice_Struttura WHERE "
           "wTmp_Presenze_Strutture.Codice_Cliente=" + cl + " AND wTmp_Presenze_Strutture.Tipologia=1 AND "
           "Anagrafica_Strutture.APrenotazione=-1");
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM wTmp_Presenze_Strutture WHERE APrenotazione=1"), 1);  // the pool
    db.run("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.APrenotazione=1 FROM wTmp_Presenze_Strutture INNER JOIN "
           "Anagrafica_Corsi ON wTmp_Presenze_Strutture.Codice_Struttura=Anagrafica_Corsi.Codice_Corso WHERE "
           "wTmp_Presenze_Strutture.Codice_Cliente=" + cl + " AND wTmp_Presenze_Strutture.Tipologia=2 AND "
           "Anagrafica_Corsi.APrenotazione In (-1,0)");
    db.run("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.APrenotazione=1 FROM wTmp_Presenze_Strutture INNER JOIN "
           "Anagrafica_Servizi ON wTmp_Presenze_Strutture.Codice_Struttura=Anagrafica_Servizi.Codice_Servizio WHERE "
           "wTmp_Presenze_Strutture.Codice_Cliente=" + cl + " AND wTmp_Presenze_Strutture.Tipologia=3 AND "
           "Anagrafica_Servizi.APrenotazione In (-1,0)");
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM wTmp_Presenze_Strutture WHERE Codice_Cliente=" + cl +
                       " And Conferma<>0 And APrenotazione=1").toInt(), 1);
    db.run("UPDATE wTmp_Presenze_Strutture SET Conferma=0 WHERE wTmp_Presenze_Strutture.Codice_Cliente=" + cl +
           " AND wTmp_Presenze_Strutture.Conferma<>0 AND wTmp_Presenze_Strutture.APrenotazione=0");
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM wTmp_Presenze_Strutture WHERE Conferma<>0"), 1);
    db.native("UPDATE wTmp_Presenze_Strutture SET Conferma=1");

    // Passes: the oldest keeps its mark, the others go.
    t = db.query(std::string("SELECT Count(Codice_Struttura) AS ContaStruttura, Codice_Struttura ") +
                 " FROM wTmp_Presenze_Strutture WHERE Codice_Cliente=" + cl + " AND Pass<>0 AND Conferma<>0 " +
                 " GROUP BY Codice_Struttura ");
    db.run("UPDATE wTmp_Presenze_Strutture SET Pass=0 WHERE IDK=(SELECT TOP 1 IDK FROM wTmp_Presenze_Strutture WHERE "
           "Codice_Struttura=" + Q("ST003") + " AND Pass<>0 ORDER BY Data_Inizio)");
    db.run("DELETE FROM wTmp_Presenze_Strutture WHERE Codice_Struttura=" + Q("ST003") + " AND Pass<>0 AND Conferma<>0");

    // Single uses.
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM wTmp_Presenze_Strutture WHERE Esterna=0 And Conferma<>0 And Singola=1")
                  .toInt(), 0);
    db.run(std::string("UPDATE wTmp_Presenze_Strutture SET Conferma=0 ") +
           "WHERE Esterna=0 AND Conferma<>0 AND Singola=0 AND Terminale=0 AND Codice_Cliente=" + Q("CL999999"));

    // One row per activity.
    db.run("DELETE FROM wTmp_Strutture");
    t = db.query(std::string("SELECT IDK, Codice_Struttura ") + " FROM wTmp_Presenze_Strutture" + " WHERE Conferma<>0 " +
                 " ORDER BY Codice_Struttura, Data_Inizio ");
    for (const auto& row : t.rows) {
        const std::string activity = CChrQ(row[1]);
        if (db.first("SELECT Count(*) AS E1  FROM wTmp_Strutture WHERE Codice_Attivita=" + activity).toInt() == 0)
            db.run(std::string("INSERT INTO wTmp_Strutture_SQL (Codice_Attivita) ") + " VALUES (" + activity + ")");
        else
            db.run(std::string("DELETE FROM wTmp_Presenze_Strutture ") + " WHERE IDK=" + N(static_cast<int>(row[0].toInt())));
    }
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM wTmp_Strutture"), 3);

    // Suspensions.
    t = db.query(std::string("SELECT Origine, ID_Prenotazione, Codice_Iscrizione, Tipologia, Codice_Struttura, Codice_Cliente, "
                             "ID_Pacchetto ") + " FROM wTmp_Presenze_Strutture" + " WHERE Esterna=0 And Conferma<>0");
    EXPECT_FALSE(t.rows.empty());
    const std::string suspended = " And Data_Inizio_Sospensione<=" + D() + " And (Data_Fine_Sospensione>=" + D() +
                                  " Or Data_Fine_Sospensione Is Null)";
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM Gestione_Sospensioni WHERE Codice_Iscrizione=" + Q("ISCR0002") + suspended)
                  .toInt(), 1);
    db.first("SELECT Count(*) AS E1  FROM Gestione_Sospensioni WHERE ID_Aggiunta=" + N(1) + suspended);
    db.first("SELECT Count(*) AS E1  FROM Gestione_Sospensioni WHERE ID_Pacchetto=" + N(2) + suspended);
    db.run("UPDATE wTmp_Presenze_Strutture SET Conferma=0 WHERE Esterna=0 AND Conferma<>0 AND ID_Prenotazione=" + N(1) +
           " AND Origine='Aggiunta'");
    db.run("UPDATE wTmp_Presenze_Strutture SET Conferma=0 WHERE Esterna=0 AND Conferma<>0 AND Codice_Iscrizione=" +
           Q("ISCR0002") + "  AND Codice_Struttura=" + Q("ST001") + " AND Origine='Abbonamento'");

    // Permitted stay and exit time.
    db.run(std::string("INSERT INTO wTmp_OrarioUscita_SQL (Codice_Cliente, Data_Presenza, AOre) ") + " SELECT " + cl +
           " AS E1, " + D() + " AS E2, " + T(12, 0));
    EXPECT_EQ(db.stored("SELECT AOre FROM wTmp_OrarioUscita"), "1900-01-01 12:00:00");

    // Verdict counts.
    db.first("SELECT Count(*) AS E1  FROM wTmp_Presenze_Strutture WHERE Sedute>0 And Terminale=0 And Esterna=0 And "
             "Conferma<>0 And NoVerifica=0 And Singola=0");
    db.first("SELECT Count(*) AS E1  FROM wTmp_Presenze_Strutture WHERE Esterna=0 And Conferma<>0");
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM wTmp_Presenze_Strutture WHERE Esterna=0").toInt(), 2);
}

TEST_F(CorpusChecks, TimetableAdmission) {
    db.native(R"sql(
        INSERT INTO wTmp_Presenze_Strutture (Origine, Codice_Cliente, Codice_Struttura, Tipologia, Codice_Abbonamento, Codice_Iscrizione, ID_Iscrizione, ID_Prenotazione, Conferma)
        VALUES ('Abbonamento', 'CL000001', 'ST002', 1, 'AB001', 'ISCR0001', 2, 0, 1),
               ('Abbonamento', 'CL000001', 'CS001', 2, 'AB001', 'ISCR0001', 1, 0, 1),
               ('Abbonamento', 'CL000001', 'CS002', 2, 'AB001', 'ISCR0001', 1, 0, 1),
               ('Aggiunta', 'CL000001', 'SE001', 3, NULL, NULL, 0, 2, 1);
        INSERT INTO Abbonamenti_Strutture (Codice_Abbonamento, Codice_Struttura, FrequenzaDD, ID_Intervallo) VALUES ('AB001', 'ST002', 3, 1);
        INSERT INTO Strutture_Pacchetti_Multipli (Codice_PacchettoM, Codice_Struttura, FrequenzaDD, ID_Intervallo) VALUES ('PM001', 'ST003', 2, 1);
        INSERT INTO Clienti_Frequenze_Corsi (Codice_Cliente, Codice_Corso, ID_Corso, InUso, Enroll) VALUES ('CL000001', 'CS002', 1, -1, -1);)sql");
    const std::string cl = Q("CL000001");
    // Orario_Strutture_Ingresso
    ResultTable t = db.query(
        "SELECT wTmp_Presenze_Strutture.Codice_Struttura, wTmp_Presenze_Strutture.Codice_Abbonamento, "
        "wTmp_Presenze_Strutture.Codice_Iscrizione, wTmp_Presenze_Strutture.ID_Prenotazione, wTmp_Presenze_Strutture.Origine, "
        "wTmp_Presenze_Strutture.Singola, wTmp_Presenze_Strutture.Pren_DaOre, wTmp_Presenze_Strutture.Pren_AOre, "
        "Anagrafica_Strutture.APrenotazione, wTmp_Presenze_Strutture.Codice_Pacchetto, wTmp_Presenze_Strutture.Codice_PacchettoM, "
        "Anagrafica_Strutture.Tolleranza, wTmp_Presenze_Strutture.ID_Iscrizione " +
        std::string("FROM wTmp_Presenze_Strutture INNER JOIN Anagrafica_Strutture ON "
                    "wTmp_Presenze_Strutture.Codice_Struttura=Anagrafica_Strutture.Codice_Struttura ") +
        "WHERE wTmp_Presenze_Strutture.Conferma<>0 AND wTmp_Presenze_Strutture.Esterna=0");
    ASSERT_EQ(t.rows.size(), 1u);
    t = db.query(std::string("SELECT TOP 1 FrequenzaDD, ID_Intervallo ") + " FROM Abbonamenti_Strutture " +
                 " WHERE Codice_Abbonamento=" + Q("AB001") + " And Codice_Struttura=" + Q("ST002"));
    EXPECT_EQ(t.rows.at(0).at(0).toInt(), 3);
    db.first("SELECT Count(*) AS E1  FROM Giorni_DD_Fasce_Abbonamenti_Righe WHERE Codice_Abbonamento=" + Q("AB001") +
             " And Codice_Struttura=" + Q("ST002"));
    db.first("SELECT Count(*) AS E1  FROM Giorni_DD_Fasce_Abbonamenti_Righe WHERE Codice_Abbonamento=" + Q("AB001") +
             " And Codice_Struttura=" + Q("ST002") + " And DDSettimana=8 And DATEADD(minute, -" + "15" + ", Fascia_Ini)<=" +
             T(10, 30) + " And Fascia_Fin>=" + T(10, 30));
    db.first("SELECT Count(*) AS E1  FROM FasceOrarie_Abbonamenti_Righe WHERE Codice_Abbonamento=" + Q("AB001") +
             " And Codice_Struttura=" + Q("ST002") + " And DATEADD(minute, -" + "15" + ", Fascia_Ini)<=" + T(10, 30) +
             " And Fascia_Fin>=" + T(10, 30));
    EXPECT_EQ(db.first("SELECT FrequenzaDD FROM Strutture_Pacchetti_Multipli WHERE Codice_PacchettoM=" + Q("PM001") +
                       " And Codice_Struttura=" + Q("ST003")).toInt(), 2);
    db.first("SELECT FrequenzaDD FROM Anagrafica_Pacchetti WHERE Codice_Pacchetto=" + Q("PK001"));
    db.first("SELECT ID_Intervallo FROM Gestione_Aggiunte WHERE ID=" + N(1));
    db.first("SELECT Count(*) AS E1  FROM Giorni_DD_Fasce_Pacchetti_Righe WHERE Codice_Pacchetto=" + Q("PK001") +
             " And Codice_Struttura=" + Q("ST003"));
    db.first("SELECT Count(*) AS E1  FROM FasceOrarie_Aggiunte_Righe WHERE ID_Aggiunta=" + N(1));
    db.run("UPDATE wTmp_Presenze_Strutture SET Conferma=0  WHERE Origine='Abbonamento' AND Codice_Iscrizione=" + Q("ISCR0001") +
           " And Codice_Struttura=" + Q("XX999") + " AND Esterna=0 AND Conferma<>0");
    db.run("UPDATE wTmp_Presenze_Strutture SET Conferma=0  WHERE Origine='Aggiunta' AND ID_Prenotazione=" + N(99) +
           " AND Esterna=0 AND Conferma<>0");
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM wTmp_Presenze_Strutture WHERE Conferma<>0"), 4);

    // Area closure with and without an area.
    EXPECT_TRUE(db.first("SELECT Codice_Area FROM Q_Attivita_Aree WHERE Attivita=" + Q("ST003")).isNull());
    db.query("SELECT TOP 1 ID, Motivo  FROM Periodi_NonPrenotabili  WHERE (Codice=" + Q("ST003") + " OR Codice='00000') AND "
             "(GiornoSettimana=0 OR GiornoSettimana=" + N(4) + ") AND Data_Inizio<=" + D() + " AND Data_Fine>=" + D() +
             " AND Ora_Inizio<=" + T(10, 30) + " AND Ora_Fine>" + T(10, 30));

    // Booking of today that covers now.
    t = db.query(std::string("SELECT Gestione_Prenotazioni.DaOre, Gestione_Prenotazioni.AOre, Booking_Clienti.Ingresso_Scalato ") +
                 "FROM Gestione_Prenotazioni INNER JOIN Booking_Clienti ON Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione " +
                 "WHERE Booking_Clienti.Codice_Cliente=" + cl + " AND Gestione_Prenotazioni.Codice2=" + Q("ST002") +
                 " AND Gestione_Prenotazioni.Data_Prenotazione=" + D() + " AND DATEADD(minute, -" + "10" +
                 ", Gestione_Prenotazioni.DaOre)<=" + T(10, 30) + " AND Gestione_Prenotazioni.AOre>=" + T(10, 30) +
                 " AND Booking_Clienti.Codice_Iscrizione=" + Q("ISCR0001") + " AND Booking_Clienti.ID_Iscrizione=" + N(2));
    ASSERT_EQ(t.rows.size(), 1u);
    db.run("UPDATE wTmp_Presenze_Strutture SET DaOre=" + Ora_SqlQ(t.rows[0][0]) + ", AOre=" + Ora_SqlQ(t.rows[0][1]) +
           ", Ingresso_Scalato=" + N(t.rows[0][2].toBool() ? -1 : 0) + " WHERE Codice_Struttura=" + Q("ST002"));
    EXPECT_EQ(db.stored("SELECT AOre FROM wTmp_Presenze_Strutture WHERE Codice_Struttura='ST002'"), "1900-01-01 11:00:00");
    db.query("SELECT Gestione_Prenotazioni.DaOre FROM Gestione_Prenotazioni INNER JOIN Booking_Clienti ON "
             "Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione WHERE Booking_Clienti.Codice_Cliente=" + cl +
             " AND Gestione_Prenotazioni.Codice2=" + Q("ST002") + " AND Gestione_Prenotazioni.Data_Prenotazione=" + D() +
             " AND Booking_Clienti.ID_Aggiunta=" + N(2));

    // Orario_Corsi_Ingresso: courses not running today are struck out first.
    db.run(std::string("UPDATE wTmp_Presenze_Strutture ") + "SET wTmp_Presenze_Strutture.Conferma=0 " +
           "FROM wTmp_Presenze_Strutture, Anagrafica_Corsi " +
           "WHERE wTmp_Presenze_Strutture.Codice_Struttura=Anagrafica_Corsi.Codice_Corso AND (Anagrafica_Corsi.Data_Inizio>" +
           D() + " OR Anagrafica_Corsi.Data_Fine<" + D() + ")");
    EXPECT_EQ(db.storedInt("SELECT Conferma FROM wTmp_Presenze_Strutture WHERE Codice_Struttura='CS001'"), 0);
    EXPECT_EQ(db.storedInt("SELECT Conferma FROM wTmp_Presenze_Strutture WHERE Codice_Struttura='CS002'"), 1);
    db.run(std::string("UPDATE wTmp_Presenze_Strutture ") + "SET wTmp_Presenze_Strutture.Conferma=0 " +
           "FROM wTmp_Presenze_Strutture, Anagrafica_Servizi " +
           "WHERE wTmp_Presenze_Strutture.Codice_Struttura=Anagrafica_Servizi.Codice_Servizio AND (Anagrafica_Servizi.Data_Inizio>" +
           D() + " OR Anagrafica_Servizi.Data_Fine<" + D() + ")");
    db.query("SELECT wTmp_Presenze_Strutture.Codice_Struttura, wTmp_Presenze_Strutture.Codice_Iscrizione, "
             "Anagrafica_Corsi.Tolleranza, Anagrafica_Corsi.APrenotazione FROM wTmp_Presenze_Strutture INNER JOIN Anagrafica_Corsi "
             "ON wTmp_Presenze_Strutture.Codice_Struttura=Anagrafica_Corsi.Codice_Corso WHERE wTmp_Presenze_Strutture.Conferma<>0 "
             "AND wTmp_Presenze_Strutture.Esterna=0");
    t = db.query(std::string("SELECT DISTINCT ID, DaOre, AOre ") + "FROM Orario_Istruttori_Corsi " + "WHERE Codice_Corso=" +
                 Q("CS002") + " AND " + "(GiornoSettimana=" + N(4) + " OR Data_Selezione=" + D() + ") AND " + "(DaData<=" +
                 D() + " AND AData>=" + D() + ") AND " + "(DATEADD(minute, -" + "15" + ", DaOre)<=" + T(10, 30) +
                 " AND AOre>=" + T(10, 30) + ")");
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(db.query(std::string("SELECT DISTINCT ID, DaOre, AOre ") + "FROM Orario_Istruttori_Corsi " + "WHERE Codice_Corso=" +
                       Q("CS002") + " AND " + "(GiornoSettimana=" + N(4) + " OR Data_Selezione=" + D() + ") AND " +
                       "(DaData<=" + D() + " AND AData>=" + D() + ") AND " + "(DATEADD(minute, -" + "15" + ", DaOre)<=" +
                       T(9, 44) + " AND AOre>=" + T(9, 44) + ")").rows.size(), 0u);  // opens at 9:45
    db.query(std::string("SELECT DISTINCT ID, DaOre, AOre ") + "FROM Orario_Servizi " + "WHERE Codice_Servizio=" + Q("SE001") +
             " AND " + "(GiornoSettimana=" + N(4) + " OR Data_Selezione=" + D() + ") AND " + "(DaData<=" + D() +
             " AND AData>=" + D() + ") AND " + "(DATEADD(minute, -" + "5" + ", DaOre)<=" + T(10, 30) + " AND AOre>=" +
             T(10, 30) + ")");
    db.query("SELECT TOP 1 ID FROM Clienti_Recuperi_Corsi WHERE Codice_Cliente=" + cl + " AND Codice_Corso=" + Q("CS002") +
             " AND ID_Corso=" + N(1) + " And Data_Inizio<=" + D() + " And Data_Fine>=" + D() + " AND Enroll<>0 ");
    EXPECT_EQ(db.query("SELECT TOP 1 ID FROM Clienti_Frequenze_Corsi WHERE Codice_Cliente=" + cl + " AND Codice_Corso=" +
                       Q("CS002") + " AND ID_Corso=" + N(1) + " AND Enroll<>0 AND InUso<>0 ").rows.size(), 1u);
    db.query("SELECT TOP 1 ID FROM Clienti_Frequenze_Servizi WHERE Codice_Cliente=" + cl + " AND Codice_Servizio=" +
             Q("SE001") + " AND ID_Servizio=" + N(1));
    t = db.query(std::string("SELECT ID, Ingresso_Scalato ") + " FROM Gestione_Prenotazioni_Corsi " +
                 " WHERE Enroll<>0 And Codice_Cliente=" + cl + " AND Data_Prenotazione=" + D() + " And ID_Corso=" + N(1) +
                 " AND Codice_Iscrizione=" + Q("ISCR0001"));
    EXPECT_EQ(t.rows.size(), 1u);
    db.query(std::string("SELECT ID, Ingresso_Scalato ") + " FROM Gestione_Prenotazioni_Servizi " +
             " WHERE Enroll<>0 And Codice_Cliente=" + cl + " AND Data_Prenotazione=" + D() + " And ID_Servizio=" + N(1) +
             " AND ID_Aggiunta=" + N(2));
    db.run("UPDATE wTmp_Presenze_Strutture SET Conferma=0, Singola=-1 WHERE Codice_Struttura=" + Q("SE001"));
    db.run("UPDATE wTmp_Presenze_Strutture SET Conferma=0, Singola=-2 WHERE Codice_Struttura=" + Q("CS001"));
    db.run("UPDATE wTmp_Presenze_Strutture SET Conferma=1, Singola=1, Ingresso_Scalato=" + N(0) + " WHERE Codice_Struttura=" +
           Q("CS002"));
    db.run("UPDATE wTmp_Presenze_Strutture SET DaOre=" + T(10, 0) + ", AOre=" + T(11, 0) + " WHERE Codice_Struttura=" +
           Q("CS002"));
    EXPECT_EQ(db.storedInt("SELECT Singola FROM wTmp_Presenze_Strutture WHERE Codice_Struttura='CS001'"), -2);
}

TEST_F(CorpusChecks, PeriodsAndCounting) {
    const std::string cl = Q("CL000001");
    // Cerca_Data_Inizio / Cerca_Data_Fine
    EXPECT_EQ(db.first(std::string("SELECT TOP 1 DDIntervallo, Periodo_SMA ") + "FROM Intervalli_DD " + "WHERE ID=" + N(1)).toInt(),
              1);
    db.query(std::string("SELECT DDIntervallo, Periodo_SMA ") + "FROM Intervalli_DD " + "WHERE ID=" + N(1));
    // Conta_Presenze_Periodo: Monday and Wednesday only, this week.
    ResultTable t = db.query(std::string("SELECT TOP 1 Lun, Mar, Mer, Gio, Ven, Sab, Dom ") + "FROM Intervalli_DD " +
                             "WHERE ID=" + N(2));
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_TRUE(t.rows[0][0].toBool());
    EXPECT_FALSE(t.rows[0][1].toBool());
    const std::string week = " AND Presenze.Data_Presenza Between " + D(-3) + " And " + D(3);
    const std::string days =
        " AND (DATEPART(weekday,Presenze.Data_Presenza)=2 OR DATEPART(weekday,Presenze.Data_Presenza)=4)"
        " AND (DATEPART(weekday,Presenze.Data_Presenza)<>3 AND DATEPART(weekday,Presenze.Data_Presenza)<>5 AND "
        "DATEPART(weekday,Presenze.Data_Presenza)<>6 AND DATEPART(weekday,Presenze.Data_Presenza)<>7 AND "
        "DATEPART(weekday,Presenze.Data_Presenza)<>1)";
    const std::string from = " FROM Presenze INNER JOIN Presenze_Strutture ON Presenze.ID_Presenza=Presenze_Strutture.ID_Presenza "
                             " WHERE Presenze.Codice_Cliente=" + cl + week;
    // Each entry counts once without a facility; each use counts with one.
    EXPECT_EQ(db.first("SELECT Count(Distinct Presenze_Strutture.ID_Presenza) AS ContPresenzeStruttura " + from + days).toInt(), 2);
    EXPECT_EQ(db.first("SELECT Count(Presenze_Strutture.ID) AS ContPresenzeStruttura " + from +
                       " AND Presenze_Strutture.Codice_Struttura=" + Q("ST001") + " AND Presenze_Strutture.Iscrizione=" +
                       Q("ISCR0001") + days).toInt(), 2);
    EXPECT_EQ(db.first("SELECT Count(Distinct Presenze_Strutture.ID_Presenza) AS ContPresenzeStruttura " + from +
                       " AND Presenze_Strutture.ID_Aggiunta=" + N(2) + " AND Presenze_Strutture.ID_Pacchetto=" + N(2)).toInt(),
              0);
    // Mondays only: the attendance of Wednesday drops out.
    EXPECT_EQ(db.first("SELECT Count(Distinct Presenze_Strutture.ID_Presenza) AS ContPresenzeStruttura " + from +
                       " AND (DATEPART(weekday,Presenze.Data_Presenza)=2)").toInt(), 1);

    // Conta_Presenze_Prenotazioni_Periodo: the bookings of the period.
    const std::string between = " Between " + D(-3) + " And " + D(3);
    t = db.query(
        "SELECT 1 AS Tipo, Gestione_Prenotazioni_Corsi.Codice_Corso AS Attivita, Gestione_Prenotazioni_Corsi.Data_Prenotazione, "
        "Orario_Istruttori_Corsi.DaOre, Orario_Istruttori_Corsi.AOre, Anagrafica_Corsi.Tolleranza  FROM "
        "(Gestione_Prenotazioni_Corsi INNER JOIN Orario_Istruttori_Corsi ON "
        "Gestione_Prenotazioni_Corsi.ID_Corso=Orario_Istruttori_Corsi.ID) INNER JOIN Anagrafica_Corsi ON "
        "Gestione_Prenotazioni_Corsi.Codice_Corso=Anagrafica_Corsi.Codice_Corso WHERE Gestione_Prenotazioni_Corsi.Codice_Cliente=" +
        cl + " AND Gestione_Prenotazioni_Corsi.Data_Prenotazione" + between + " AND Gestione_Prenotazioni_Corsi.Enroll<>0" +
        " UNION SELECT 2 AS Tipo, Gestione_Prenotazioni_Servizi.Codice_Servizio AS Attivita, "
        "Gestione_Prenotazioni_Servizi.Data_Prenotazione, Orario_Servizi.DaOre, Orario_Servizi.AOre, Anagrafica_Servizi.Tolleranza "
        " FROM (Gestione_Prenotazioni_Servizi INNER JOIN Orario_Servizi ON Gestione_Prenotazioni_Servizi.ID_Servizio=Orario_Servizi.ID) "
        "INNER JOIN Anagrafica_Servizi ON Gestione_Prenotazioni_Servizi.Codice_Servizio=Anagrafica_Servizi.Codice_Servizio WHERE "
        "Gestione_Prenotazioni_Servizi.Codice_Cliente=" + cl + " AND Gestione_Prenotazioni_Servizi.Data_Prenotazione" + between +
        " AND Gestione_Prenotazioni_Servizi.Enroll<>0" +
        " UNION SELECT 3 AS Tipo, Gestione_Prenotazioni.Codice2 AS Attivita, Gestione_Prenotazioni.Data_Prenotazione, "
        "Gestione_Prenotazioni.DaOre, Gestione_Prenotazioni.AOre, Anagrafica_Strutture.Tolleranza  FROM (Gestione_Prenotazioni "
        "INNER JOIN Booking_Clienti ON Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione) INNER JOIN "
        "Anagrafica_Strutture ON Gestione_Prenotazioni.Codice2=Anagrafica_Strutture.Codice_Struttura WHERE "
        "Booking_Clienti.Codice_Cliente=" + cl + " AND Gestione_Prenotazioni.Data_Prenotazione" + between +
        " UNION SELECT 4 AS Tipo, Gestione_Prenotazioni.Codice2 AS Attivita, Gestione_Prenotazioni.Data_Prenotazione, "
        "Gestione_Prenotazioni.DaOre, Gestione_Prenotazioni.AOre, Anagrafica_Corsi.Tolleranza  FROM (Gestione_Prenotazioni "
        "INNER JOIN Booking_Clienti ON Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione) INNER JOIN "
        "Anagrafica_Corsi ON Gestione_Prenotazioni.Codice2=Anagrafica_Corsi.Codice_Corso WHERE Booking_Clienti.Codice_Cliente=" +
        cl + " AND Gestione_Prenotazioni.Data_Prenotazione" + between +
        " UNION SELECT 5 AS Tipo, Gestione_Prenotazioni.Codice2 AS Attivita, Gestione_Prenotazioni.Data_Prenotazione, "
        "Gestione_Prenotazioni.DaOre, Gestione_Prenotazioni.AOre, Anagrafica_Servizi.Tolleranza  FROM (Gestione_Prenotazioni "
        "INNER JOIN Booking_Clienti ON Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione) INNER JOIN "
        "Anagrafica_Servizi ON Gestione_Prenotazioni.Codice2=Anagrafica_Servizi.Codice_Servizio WHERE "
        "Booking_Clienti.Codice_Cliente=" + cl + " AND Gestione_Prenotazioni.Data_Prenotazione" + between);
    EXPECT_EQ(t.rows.size(), 2u);  // the spinning lesson and the pool lane

    // Verifica_DD
    db.query(std::string("SELECT TOP 1 FrequenzaDD, ID_Intervallo, Tempo_Permanenza ") + " FROM Anagrafica_Abbonamenti " +
             " WHERE Codice_Abbonamento=" + Q("AB005"));
    db.query(std::string("SELECT TOP 1 FrequenzaDD, ID_Intervallo, Tempo_Permanenza ") + " FROM Abbonamenti_Strutture " +
             " WHERE Codice_Abbonamento=" + Q("AB005") + " And Codice_Struttura=" + Q("ST001"));
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM Gestione_Sospensioni WHERE Codice_Iscrizione=" + Q("ISCR0001") +
                       " And Data_Inizio_Sospensione<=" + D() + " And (Data_Fine_Sospensione>=" + D() +
                       " Or Data_Fine_Sospensione Is Null)").toInt(), 0);
    db.query(std::string("SELECT TOP 1 FrequenzaDD, ID_Intervallo, Tempo_Permanenza ") + " FROM Anagrafica_Pacchetti_Multipli " +
             " WHERE Codice_PacchettoM=" + Q("PM001"));
    db.query(std::string("SELECT TOP 1 FrequenzaDD, ID_Intervallo, Tempo_Permanenza ") + " FROM Strutture_Pacchetti_Multipli " +
             " WHERE Codice_PacchettoM=" + Q("PM001") + " And Codice_Struttura=" + Q("ST003"));
    db.query(std::string("SELECT TOP 1 FrequenzaDD, ID_Intervallo, Tempo_Permanenza ") + " FROM Anagrafica_Pacchetti " +
             " WHERE Codice_Pacchetto=" + Q("PK001") + " And Codice_Struttura=" + Q("ST003"));
    EXPECT_EQ(db.first("SELECT ID_Pacchetto FROM Gestione_Aggiunte WHERE ID=" + N(2)).toInt(), 2);
    EXPECT_EQ(db.first(std::string("SELECT Max(Presenze.Data_Presenza) AS UltimaPres ") +
                       " FROM Presenze INNER JOIN Presenze_Strutture ON Presenze.ID_Presenza=Presenze_Strutture.ID_Presenza "
                       "AND Presenze.Codice_Cliente=Presenze_Strutture.Codice_Cliente " +
                       "WHERE Presenze.Codice_Cliente=" + cl + " AND Presenze_Strutture.Iscrizione=" + Q("ISCR0001") +
                       " AND Presenze_Strutture.Codice_Struttura=" + Q("ST001")).toDate(), corpusDay(-1));
    db.first(std::string("SELECT Max(Presenze.Data_Presenza) AS UltimaPres ") +
             " FROM Presenze INNER JOIN Presenze_Strutture ON Presenze.ID_Presenza=Presenze_Strutture.ID_Presenza AND "
             "Presenze.Codice_Cliente=Presenze_Strutture.Codice_Cliente " + "WHERE Presenze.Codice_Cliente=" + cl +
             " AND Presenze_Strutture.ID_Pacchetto=" + N(2) + " AND Presenze_Strutture.Codice_Struttura=" + Q("ST003"));
}

TEST_F(CorpusChecks, HolidaysAndClosures) {
    // Giorno_Festivo: a holiday on which the centre opens is no holiday.
    EXPECT_EQ(db.query(std::string("SELECT TOP 1 ID_Festivita ") + " FROM Tabella_Festivi " + " WHERE ID_Festivita=" + D() +
                       " AND Club_Open=0").rows.size(), 0u);
    EXPECT_EQ(db.query(std::string("SELECT TOP 1 ID_Festivita ") + " FROM Tabella_Festivi " + " WHERE ID_Festivita=" +
                       Data_SqlQ(Value(DateTime::fromParts(2024, 4, 25))) + " AND Club_Open=0").rows.size(), 1u);
    // The first and last day of an excluded period.
    for (int day : {10, 20})
        EXPECT_EQ(db.query(std::string("SELECT TOP 1 ID_Periodo ") + " FROM Periodi_Esclusi " + " WHERE Inizio_Periodo<=" +
                           Data_SqlQ(Value(DateTime::fromParts(2024, 8, day))) + " AND Fine_Periodo>=" +
                           Data_SqlQ(Value(DateTime::fromParts(2024, 8, day)))).rows.size(), 1u);
    // A closure from 12:00 to 14:00: 12:00 is closed, 14:00 open.
    auto closed = [&](int hour) {
        return db.query(std::string("SELECT TOP 1 ID, Motivo ") + " FROM Periodi_NonPrenotabili " + " WHERE (Codice=" +
                        Q("AR002") + " OR Codice='00000') AND (GiornoSettimana=0 OR GiornoSettimana=" + N(4) +
                        ") AND Data_Inizio<=" + D() + " AND Data_Fine>=" + D() + " AND Ora_Inizio<=" + T(hour, 0) +
                        " AND Ora_Fine>" + T(hour, 0)).rows.size();
    };
    EXPECT_EQ(closed(12), 1u);
    EXPECT_EQ(closed(14), 0u);
}

}  // namespace
}  // namespace velaris::test
