// Statement corpus: tickets, visitors and the access display record.

#include "corpus_support.h"

namespace velaris::test {
namespace {

using CorpusAccounts = CorpusTest;

TEST_F(CorpusAccounts, Tickets) {
    const std::string code = Q("TK000001"), terminal = N(2), id = N(1);
    db.query("SELECT Cognome, Nome, Indirizzo  FROM Anagrafica_Clienti  WHERE Codice_Cliente=" + Q("CL000003"));
    const std::string candidates =
        "SELECT Gestione_Biglietti.ID, Gestione_Biglietti.Codice_Biglietto, Gestione_Biglietti.Data_Acquisto, "
        "Gestione_Biglietti.Data_Inizio, Gestione_Biglietti.Data_Fine, Gestione_Biglietti.Sedute, Gestione_Biglietti.SeduteFatte, "
        "Anagrafica_Biglietti.Codice_Struttura, Anagrafica_Biglietti.Descrizione AS DesBiglietto, Anagrafica_Biglietti.Accessi_Multipli, "
        "Anagrafica_Biglietti.Utilizzo_AltriGiorni, Anagrafica_Biglietti.Tipo_Gestione, Anagrafica_Biglietti.Ingresso_Da, "
        "Anagrafica_Biglietti.Ingresso_A, Anagrafica_Biglietti.Tempo_Permanenza  FROM Gestione_Biglietti INNER JOIN "
        "Anagrafica_Biglietti ON Gestione_Biglietti.Codice_Biglietto = Anagrafica_Biglietti.Codice_Biglietto  WHERE ";
    ResultTable t = db.query(candidates + "((Gestione_Biglietti.Scaduta=0) AND (Gestione_Biglietti.Data_Inizio<=" + D() +
                             ") AND (Gestione_Biglietti.Codice_Cliente=" + code + " OR Gestione_Biglietti.Codice_Tessera=" + code + "))");
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][8].toText(), "INGRESSO PISCINA");
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM Biglietti_Terminali WHERE Codice_Biglietto=" + Q("BG001")).toInt(), 1);
    EXPECT_EQ(db.query("SELECT TOP 1 ID_Terminale  FROM Biglietti_Terminali INNER JOIN Dettaglio_Terminali ON "
                       "Biglietti_Terminali.ID_Terminale=Dettaglio_Terminali.ID  WHERE Codice_Biglietto=" + Q("BG001") +
                       " AND Dettaglio_Terminali.Indirizzo=" + terminal).rows.size(), 1u);
    t = db.query(std::string("SELECT Anagrafica_Strutture.Esterna ") +
                 " FROM Anagrafica_Strutture INNER JOIN Dettaglio_Terminali ON "
                 "Anagrafica_Strutture.Codice_Struttura=Dettaglio_Terminali.Codice_Struttura " +
                 " WHERE Dettaglio_Terminali.Indirizzo=" + terminal);
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_FALSE(t.rows[0][0].toBool());
    const std::string today = std::string(" FROM Presenze_Strutture INNER JOIN Presenze ON Presenze_Strutture.ID_Presenza = "
                                          "Presenze.ID_Presenza ") + " WHERE Presenze_Strutture.ID_Biglietto=" + id +
                              " AND Presenze.Data_Presenza=" + D();
    EXPECT_EQ(db.query("SELECT TOP 1 Presenze_Strutture.IndTerminale " + today + " AND Presenze_Strutture.IndTerminale=" + terminal)
                  .rows.size(), 1u);
    EXPECT_EQ(db.query("SELECT TOP 1 Presenze_Strutture.IndTerminale " + today + " AND Presenze_Strutture.IndTerminale<>" + terminal)
                  .rows.size(), 0u);
    t = db.query(std::string("SELECT DDSettimana, Ingresso_Da, Ingresso_A ") + " FROM Biglietti_FasceOrarie " +
                 " WHERE Codice_Biglietto=" + Q("BG001") + " ORDER BY DDSettimana, Ingresso_Da");
    EXPECT_EQ(t.rows.size(), 1u);
    db.query("SELECT Presenze_Strutture.IndTerminale, COUNT(Presenze_Strutture.ID) AS TotIngB " + today +
             " AND Presenze_Strutture.IndTerminale<>" + terminal + " GROUP BY Presenze_Strutture.IndTerminale " +
             " ORDER BY COUNT(Presenze_Strutture.ID) DESC");
    EXPECT_EQ(db.first("SELECT COUNT(Presenze_Strutture.ID) AS TotIngB " + today + " AND Presenze_Strutture.IndTerminale=" + terminal +
                       " GROUP BY Presenze_Strutture.IndTerminale").toInt(), 1);

    // Recording an admitted ticket.
    db.run("INSERT INTO Presenze (ID_Presenza, Codice_Cliente, Data_Presenza, Ora_Presenza, Codice_Centro, IndTerminale, "
           "Codice_Tessera, Note_Tessera)  VALUES (" + N(8) + ", " + code + ", " + D() + ", " + T(10, 30) + ", " + Q("") + ", " +
           terminal + ", " + code + ", " + Q("") + ")");
    db.run("INSERT INTO Presenze_Strutture (ID_Presenza, Codice_Cliente, Codice_Struttura, Tipologia, Pagato, Costo_Presenza, "
           "Ora_Presenza, ID_Biglietto, IndTerminale, Codice_Centro)  SELECT " + N(8) + ", " + code + ", " + Q("ST002") + ", 4, -1, 0, " +
           T(10, 30) + ", " + id + ", " + terminal + ", " + Q(""));
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM Presenze_Strutture WHERE ID_Biglietto=1"), 2);
    db.run("UPDATE Gestione_Biglietti  SET SeduteFatte = SeduteFatte + 1  WHERE ID = " + id + " AND Scaduta=0 ");
    db.run("UPDATE Gestione_Biglietti  SET Scaduta = -1, Data_Scadenza = " + D() +
           "  WHERE ((Sedute > 0) AND (Sedute - SeduteFatte <= 0)) AND Scaduta=0");
    EXPECT_EQ(db.storedInt("SELECT Scaduta FROM Gestione_Biglietti WHERE ID=1"), -1);
    db.run("DELETE FROM Controllo_Fascia_Oraria  WHERE ID_Biglietto=" + id + " AND Modalita=2 ");
    db.run("INSERT INTO Controllo_Fascia_Oraria (Modalita, ID_Biglietto, Data_Presenza, IndTerminale, ID_Presenza, Ora_Presenza, AOre)  "
           "SELECT 2, " + id + ", " + D() + ", " + terminal + ", " + N(8) + ", " + T(10, 30) + ", " + T(12, 30));

    // Exit: an expired ticket can still leave.
    t = db.query(candidates + "((Gestione_Biglietti.Data_Inizio<=" + D() + ") AND (Gestione_Biglietti.Codice_Cliente=" + code +
                 " OR Gestione_Biglietti.Codice_Tessera=" + code + "))");
    ASSERT_EQ(t.rows.size(), 1u);
    t = db.query("SELECT TOP 1 ID_Presenza, AOre  FROM Controllo_Fascia_Oraria  WHERE ID_Biglietto=" + id + " AND Data_Presenza=" + D() +
                 " AND Modalita=2");
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][1].toDate(), DateTime::fromParts(1900, 1, 1, 12, 30, 0));
    db.run("INSERT INTO Gestione_Uscite (Codice_Cliente, Data_Uscita,            Ora_Uscita,             ID_Presenza, Codice_Centro) "
           " VALUES (" + code + ", " + D() + ", " + T(11, 0) + ", " + N(8) + ", " + Q("") + ") ");
    db.run("DELETE FROM Controllo_Fascia_Oraria  WHERE ID_Biglietto=" + id + " AND Modalita=2 ");
    EXPECT_EQ(db.storedInt("SELECT ID_Presenza FROM Gestione_Uscite"), 8);
}

TEST_F(CorpusAccounts, Visitors) {
    const std::string vr = Q("VR000001");
    EXPECT_EQ(db.first("SELECT TOP 1 Max_Permanenza  FROM Tabella_Tessere_Visitatori  WHERE Codice_Tessera=" + Q("V0001")).toInt(), 90);
    db.first("SELECT Esterna FROM Anagrafica_Strutture WHERE Codice_Struttura=" + Q("ST002"));
    EXPECT_EQ(db.first("SELECT Cd_Motivo FROM Anagrafica_Visitatori WHERE Codice_Visitatore=" + vr).toInt(), 1);
    const std::string open = " WHERE Codice_Visitatore=" + vr + " AND Data_Entrata=" + D() + " AND Ora_Uscita Is Null ";
    EXPECT_EQ(db.query("SELECT TOP 1 ID, Ora_Entrata, Ora_Uscita  FROM Gestione_Visitatori " + open).rows.size(), 0u);
    db.run("INSERT INTO Gestione_Visitatori (Codice_Visitatore, Data_Entrata, Ora_Entrata, Cd_Motivo)  VALUES (" + vr + ", " + D() +
           ", " + T(10, 0) + ", " + N(1) + ")");
    db.run("UPDATE Gestione_Visitatori  SET Ora_Entrata=" + T(10, 5) + open);
    ResultTable t = db.query("SELECT TOP 1 ID, Data_Entrata, Ora_Entrata FROM Gestione_Visitatori " + open + " ORDER BY Ora_Entrata DESC ");
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][2].toDate(), DateTime::fromParts(1900, 1, 1, 10, 5, 0));
    const std::string visit = Num_SqlQ(t.rows[0][0]);
    db.run("UPDATE Gestione_Visitatori  SET Fuori_Orario=" + std::string("1") + " WHERE ID=" + visit);
    db.run("UPDATE Gestione_Visitatori  SET Ora_Uscita=" + T(11, 30) + ", Fuori_Orario=" + "0" + " WHERE ID=" + visit);
    db.run("UPDATE Anagrafica_Visitatori  SET Codice_Bis=Null WHERE Codice_Visitatore=" + vr);
    EXPECT_EQ(db.stored("SELECT Codice_Bis FROM Anagrafica_Visitatori"), "");
    t = db.query(std::string("SELECT TOP 1 Cognome, Nome, Indirizzo ") + "FROM Anagrafica_Visitatori " + "WHERE Codice_Visitatore=" + vr);
    EXPECT_EQ(t.rows.at(0).at(0).toText(), "MORETTI");
    db.run("INSERT INTO Log_Entrate (Codice_Cliente,Cognome,Nome,Data_Presenza,Ora_Presenza,Semaforo1,Semaforo2,Semaforo3,Semaforo4,"
           "Irregolare1,Irregolare2,Irregolare3,Irregolare4,Irregolare5,Irregolare6,Irregolare7,Irregolare8,Irregolare9,Irregolare10,"
           "ID_Presenza,DesIrregolari,DesIrregolari_Att,IndTerminale) VALUES (" + vr + "," + Q("MORETTI") + "," + Q("GIORGIO") + "," +
           D() + "," + T(11, 30) + ",0,0,0,0,0,0,0,0,0,0,0,0,0,0,0," + Q("USCITA CONSENTITA ORE: 11:35") + "," + Q("USCITA") + "," +
           N(3) + ")");
    db.run("UPDATE Stato_Terminali SET Stato = " + N(2) + ", Codice_Cliente = " + vr + ", Tipo = " + N(6) + " WHERE Indirizzo = " + N(3));
}

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
