// Statement corpus: bookings at terminals, money card, points,
// activities, fixed-fee entries, the terminal log and the access display record.

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

TEST_F(CorpusAccounts, MoneyCard) {
    const std::string cl = Q("CL000002"), terminal = N(2), usable =
        "Codice_Cliente=" + cl + " AND Data_Inizio<=" + D() + " AND (Data_Fine Is Null Or Data_Fine>=" + D() +
        ") AND (Importo+Importo_Omaggio-Importo_Usato>0)";
    // Mode 0: the entry price of the terminal.
    EXPECT_EQ(db.first("SELECT TOP 1 Dettaglio_Terminali_Punti.Importo  FROM Dettaglio_Terminali_Punti INNER JOIN Dettaglio_Terminali "
                       "ON Dettaglio_Terminali_Punti.ID_Terminale=Dettaglio_Terminali.ID  WHERE Dettaglio_Terminali_Punti.Tipo=2 AND "
                       "Dettaglio_Terminali.Indirizzo=" + terminal + " AND Dettaglio_Terminali_Punti.DDSettimana=" + N(4) +
                       " AND Dettaglio_Terminali_Punti.Fascia_Ini<=" + T(10, 30) + " AND Dettaglio_Terminali_Punti.Fascia_Fin>=" +
                       T(10, 30) + " AND Dettaglio_Terminali_Punti.Data_Validita<=" + D() +
                       " AND (Dettaglio_Terminali_Punti.Fine_Validita Is Null OR Dettaglio_Terminali_Punti.Fine_Validita>=" + D() +
                       ")  ORDER BY Dettaglio_Terminali_Punti.Data_Validita DESC").toDouble(), 4.5);
    // Mode 1 without card types: the residual of the usable card (50 - 48 + 5); the card
    // that ended yesterday is not usable.
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM Tabella_MoneyCard WHERE 1=1").toInt(), 0);
    ResultTable t = db.query("SELECT Cd_MoneyCard, (Importo-Importo_Usato+Importo_Omaggio) AS Residuo  FROM Gestione_MoneyCard  WHERE " +
                             usable);
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][1].toDouble(), 7.0);
    db.query("SELECT Cd_MoneyCard, (Importo-Importo_Usato+Importo_Omaggio) AS Residuo  FROM Gestione_MoneyCard  WHERE " + usable +
             " AND Gestione_MoneyCard.Codice_Centro=" + Q("BG01"));

    // Mode 1 with card types: cards of the article's type first, then cards of no type.
    db.native(R"sql(INSERT INTO Tabella_MoneyCard (ID_TipoMC, Descrizi) VALUES (1, 'CARD BAR'), (2, 'CARD SPA');
        INSERT INTO Gestione_MoneyCard_Associa (ID_TipoMC, Codice) VALUES (1, 'AR0001'), (2, 'SE001');
        INSERT INTO Gestione_MoneyCard (Cd_MoneyCard, Codice_Cliente, ID_TipoMC, Importo, Data_Inizio) VALUES
            (3, 'CL000002', 1, 10, '2024-01-01 00:00:00'), (4, 'CL000002', 2, 30, '2024-01-01 00:00:00'),
            (5, 'CL000002', 9, 15, '2024-01-01 00:00:00');)sql");
    db.run("DELETE FROM wTmp_ModPrezzi");
    const std::string qualified = "Gestione_MoneyCard.Codice_Cliente=" + cl + " AND Gestione_MoneyCard.Data_Inizio<=" + D() +
                                  " AND (Gestione_MoneyCard.Data_Fine Is Null Or Gestione_MoneyCard.Data_Fine>=" + D() +
                                  ") AND (Gestione_MoneyCard.Importo+Gestione_MoneyCard.Importo_Omaggio-Gestione_MoneyCard.Importo_Usato>0)";
    t = db.query("SELECT Gestione_MoneyCard.Cd_MoneyCard, (Gestione_MoneyCard.Importo-Gestione_MoneyCard.Importo_Usato+"
                 "Gestione_MoneyCard.Importo_Omaggio) AS Residuo, Tabella_MoneyCard.Descrizi " +
                 std::string(" FROM Gestione_MoneyCard INNER JOIN Gestione_MoneyCard_Associa ON "
                             "Gestione_MoneyCard.ID_TipoMC=Gestione_MoneyCard_Associa.ID_TipoMC INNER JOIN Tabella_MoneyCard ON "
                             "Gestione_MoneyCard.ID_TipoMC=Tabella_MoneyCard.ID_TipoMC ") +
                 " WHERE " + qualified + " AND Gestione_MoneyCard_Associa.Codice=" + Q("AR0001"));
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][2].toText(), "CARD BAR");
    // Mended: the cards whose type has no association can never come out of an inner join
    // with the association table; an outer join finds them (and the cards of no type).
    t = db.query("SELECT Gestione_MoneyCard.Cd_MoneyCard, (Gestione_MoneyCard.Importo-Gestione_MoneyCard.Importo_Usato+"
                 "Gestione_MoneyCard.Importo_Omaggio) AS Residuo, Tabella_MoneyCard.Descrizi " +
                 std::string(" FROM Gestione_MoneyCard LEFT JOIN Gestione_MoneyCard_Associa ON "
                             "Gestione_MoneyCard.ID_TipoMC=Gestione_MoneyCard_Associa.ID_TipoMC LEFT JOIN Tabella_MoneyCard ON "
                             "Gestione_MoneyCard.ID_TipoMC=Tabella_MoneyCard.ID_TipoMC ") +
                 " WHERE " + qualified + " AND Gestione_MoneyCard_Associa.ID_TipoMC Is Null ORDER BY Gestione_MoneyCard.Cd_MoneyCard");
    ASSERT_EQ(t.rows.size(), 2u);  // the untyped card 1 and card 5 of an unassociated type
    EXPECT_EQ(t.rows[1][0].toInt(), 5);
    EXPECT_EQ(db.first("SELECT Sum(Prezzo_Orig) FROM wTmp_ModPrezzi WHERE ID=" + N(3)).isNull(), true);
    db.run("INSERT INTO wTmp_ModPrezzi (ID, Prezzo_Orig, Codice, Descrizione) VALUES (" + N(3) + ", " + N(1.0) + ", " + Q("AR0001") +
           ", " + Q("CARD BAR") + ")");

    // Mode 2: the debit and its accounting movement.
    db.query("SELECT Cd_MoneyCard  FROM Gestione_MoneyCard  WHERE " + usable);
    db.run("UPDATE Gestione_MoneyCard  SET Ultimo_Utilizzo=" + D() + ", Importo_Usato = Importo_Usato + " + N(4.5) +
           " WHERE Cd_MoneyCard=" + N(1));
    EXPECT_EQ(db.stored("SELECT Importo_Usato FROM Gestione_MoneyCard WHERE Cd_MoneyCard=1"), "52.5");
    db.run("INSERT INTO PN_Movimenti (Tipologia, Codice_Cliente, Codice_Struttura, CodiceN, Codice2N, Data_Mov, Ora_Mov, Qta, "
           "Prezzo_Unitario, Importo, DareAvere, Automatico, Data_Pagamento, Ora_Pagamento, Pagato)  VALUES (13, " + cl + ", " +
           Q("ST002") + ", " + N(1) + ", 0, " + D() + ", " + T(10, 30) + ", 1, " + N(4.5) + ", " + N(4.5) + ",1 ,-1 ," + D() +
           ", " + T(10, 30) + ", -1)");
    t = db.query("SELECT ID, SUM(Prezzo_Orig) AS Totale, Descrizione  FROM wTmp_ModPrezzi  GROUP BY ID, Descrizione");
    EXPECT_EQ(t.rows.size(), 1u);
    t = db.query("SELECT wTmp_ModPrezzi.ID, SUM(wTmp_ModPrezzi.Prezzo_Orig) AS Totale, Gestione_MoneyCard.ID_TipoMC  FROM wTmp_ModPrezzi "
                 "INNER JOIN Gestione_MoneyCard ON wTmp_ModPrezzi.ID=Gestione_MoneyCard.Cd_MoneyCard  WHERE wTmp_ModPrezzi.Codice=" +
                 Q("AR0001") + " GROUP BY wTmp_ModPrezzi.ID, Gestione_MoneyCard.ID_TipoMC");
    EXPECT_EQ(t.rows.at(0).at(2).toInt(), 1);
    db.run("INSERT INTO PN_Movimenti (Tipologia, Codice_Cliente, Codice_Struttura, CodiceN, Codice2N, Data_Mov, Ora_Mov, Qta, "
           "Prezzo_Unitario, Importo, DareAvere, Automatico, Data_Pagamento, Ora_Pagamento, Pagato, ID_TipoMC)  VALUES (13, " + cl +
           ", " + Q("AR0001") + ", " + N(3) + ", 0, " + D() + ", " + T(10, 30) + ", 1, " + N(1.0) + ", " + N(1.0) + ",1 ,-1 ," + D() +
           ", " + T(10, 30) + ", -1, " + N(1) + ")");
    // Mode 3: the exit terminal paired with the entry terminal.
    EXPECT_EQ(db.first("SELECT TOP 1 Dettaglio_Terminali_Uscita.ID_Terminale  FROM Dettaglio_Terminali_Uscita INNER JOIN "
                       "Dettaglio_Terminali ON Dettaglio_Terminali_Uscita.ID_Terminale=Dettaglio_Terminali.ID  WHERE "
                       "Dettaglio_Terminali_Uscita.ID_Terminale_Entrata=" + N(2)).toInt(), 3);

    // Money_Card_Personale
    EXPECT_EQ(db.first("SELECT TOP 1 Codice_Cliente FROM Anagrafica_Operatori WHERE Codice_Operatore = " + Q("OP0001")).toText(),
              "CL000001");
    for (const char* s : {"Anagrafica_Consulenti WHERE Codice_Consulente", "Anagrafica_Istruttori WHERE Codice_Istruttore",
                          "Anagrafica_Fisioterapisti WHERE Codice_Fisioterapista", "Anagrafica_Medici WHERE Codice_Medico",
                          "Anagrafica_Estetisti WHERE Codice_Estetista"})
        db.query(std::string("SELECT TOP 1 Codice_Cliente FROM ") + s + " = " + Q("XX0001"));

    // Movimenta_MoneyCard: the basket of the keypad sale.
    const std::string filter = "(((Codice_Cliente)=" + cl + ") AND ((Data_Fine) Is Null Or (Data_Fine)>=" + D() +
                               ") AND ((Importo+Importo_Omaggio-Importo_Usato)<>0)) ";
    db.run("INSERT INTO wTmp_ArticoliTerminali_SQL (Indirizzo, Codice_Cliente, Codice_Articolo, Qta, Prezzo_Unitario, Cd_IVA)  VALUES (" +
           terminal + ", " + cl + ", " + Q("AR0002") + ", " + N(1) + ", " + N(2.5) + ", " + Q("22") + ")");
    db.run("UPDATE wTmp_ArticoliTerminali SET Qta = Qta + 1 " + std::string(" WHERE Codice_Articolo = ") + Q("AR0002") +
           " AND Indirizzo = " + terminal);
    EXPECT_EQ(db.first("SELECT Sum(Prezzo_Unitario*Qta) FROM wTmp_ArticoliTerminali WHERE Indirizzo = " + terminal).toDouble(), 5.0);
    db.query("SELECT TOP 1 Importo, Importo_Usato, Importo_Omaggio  FROM Gestione_MoneyCard  WHERE " + filter);
    db.run("UPDATE Gestione_MoneyCard  SET Ultimo_Utilizzo=" + D() + ", Importo_Usato = Importo_Usato + " + N(5.0) + " WHERE " + filter +
           " AND Cd_MoneyCard=" + N(3));
    t = db.query("SELECT Codice_Articolo, Prezzo_Unitario, Qta  FROM wTmp_ArticoliTerminali  WHERE Indirizzo = " + terminal +
                 " GROUP BY Codice_Articolo, Prezzo_Unitario, Qta ");
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][2].toDouble(), 2.0);
    db.run("INSERT INTO Gestione_Bar (Codice_Cliente, Codice_Articolo, Data_Vendita, Qta, Prezzo_Unitario, Importo, Pagato) VALUES (" + cl +
           ", " + Q("AR0002") + ", " + D() + ", " + N(2) + ", " + N(2.5) + ", " + N(5.0) + ", -1)");
    db.run("DELETE FROM wTmp_ArticoliTerminali  WHERE Indirizzo = " + terminal);

    // Imposta_Prezzo_Articolo and the group explosion.
    t = db.query("SELECT Prezzo_Unitario, Prezzo_Unitario_Abb  FROM Anagrafica_Articoli  WHERE Codice_Articolo=" + Q("AR0001"));
    EXPECT_EQ(t.rows.at(0).at(1).toDouble(), 0.8);
    db.run("DELETE FROM wTmp_Distinte");
    db.query("SELECT Anagrafica_Promozioni.Descrizione, Promozioni_Abbonamenti.Tipologia, Promozioni_Abbonamenti.Codice_Abbonamento, "
             "Promozioni_Abbonamenti.Sconto, Promozioni_Abbonamenti.Durata, Promozioni_Abbonamenti.UMTemporale, "
             "Promozioni_Abbonamenti.Codice_Articolo " +
             std::string("FROM Anagrafica_Promozioni INNER JOIN Promozioni_Abbonamenti ON "
                         "Anagrafica_Promozioni.Codice_Promo=Promozioni_Abbonamenti.Codice_Promo ") +
             "WHERE (Promozioni_Abbonamenti.Codice_Abbonamento=" + Q("AB001") + " OR Promozioni_Abbonamenti.Tipologia=3) AND "
             "Anagrafica_Promozioni.Data_Inizio<=" + D() + " AND Anagrafica_Promozioni.Data_Fine>=" + D());
    db.first("SELECT Count(*) AS E1  FROM wTmp_Distinte WHERE Cd_Figlio=" + Q("PR001"));
    db.first("SELECT Stato FROM Anagrafica_Clienti WHERE Codice_Cliente=" + cl);
    db.native("INSERT INTO Distinte_Articoli (Codice_Padre, Codice_Figlio) VALUES ('AR0001', 'AR0002')");
    t = db.query("SELECT Anagrafica_Articoli.Descrizione AS Descrizione,Distinte_Articoli.Codice_Padre,Distinte_Articoli.Codice_Figlio  "
                 "FROM Distinte_Articoli INNER JOIN Anagrafica_Articoli ON Distinte_Articoli.Codice_Figlio = "
                 "Anagrafica_Articoli.Codice_Articolo  WHERE Distinte_Articoli.Codice_Padre = " + Q("AR0001") +
                 " ORDER BY Distinte_Articoli.Codice_Figlio");
    ASSERT_EQ(t.rows.size(), 1u);
    db.query("SELECT Anagrafica_Articoli.Descrizione AS Descrizione,Tabella_Gruppi_Articoli.Codice_Padre,"
             "Tabella_Gruppi_Articoli.Codice_Figlio  FROM Tabella_Gruppi_Articoli INNER JOIN Anagrafica_Articoli ON "
             "Tabella_Gruppi_Articoli.Codice_Figlio = Anagrafica_Articoli.Codice_Articolo  WHERE Tabella_Gruppi_Articoli.Codice_Padre = " +
             Q("AR0001") + " ORDER BY Tabella_Gruppi_Articoli.Codice_Figlio");
    db.run("INSERT INTO wTmp_Distinte_SQL (Cd_Radice, Cd_Padre, Cd_Figlio, Livello_figlio, Livello_padre, Prodotto_figlio)  VALUES (" +
           Q("AR0001") + ", " + Q("AR0001") + ", " + Q("AR0002") + ", " + N(1) + ", " + N(0) + ", " + N(1) + ")");
    db.first("SELECT Count(*) AS E1  FROM Distinte_Articoli WHERE Codice_Padre=" + Q("AR0002"));
    db.run("UPDATE  wTmp_Distinte Set Foglia = -1 WHERE ((Cd_figlio=" + Q("AR0002") + ") AND (Cd_padre=" + Q("AR0001") +
           ") AND (Livello_Figlio=" + N(1) + "))");
    EXPECT_EQ(db.storedInt("SELECT Foglia FROM wTmp_Distinte"), -1);

    // Elabora_MoneyCard: services by second code, the basket, the short display row, the state.
    t = db.query("SELECT Codice_Struttura AS Codice, Descrizione FROM Anagrafica_Strutture WHERE Codice_Bis=" + Q("31") +
                 " UNION SELECT Codice_Corso AS Codice, Descrizione FROM Anagrafica_Corsi WHERE Codice_Bis=" + Q("31") +
                 " UNION SELECT Codice_Servizio AS Codice, Descrizione FROM Anagrafica_Servizi WHERE Codice_Bis=" + Q("31"));
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][0].toText(), "SE001");
    db.run("INSERT INTO wTmp_ArticoliTerminali_SQL (Indirizzo, Codice_Cliente, Codice_Articolo)  VALUES (" + terminal + ", " + cl + ", " +
           Q("SE001") + ")");
    EXPECT_EQ(db.first(std::string("SELECT TOP 1 Codice_Articolo ") + " FROM wTmp_ArticoliTerminali " + " WHERE Indirizzo = " + terminal)
                  .toText(), "SE001");
    EXPECT_EQ(db.storedInt("SELECT Qta FROM wTmp_ArticoliTerminali"), 1);  // default quantity
    db.query(std::string("SELECT TOP 1 Descrizione, Giacenza, Scorta_Minima, Prezzo_Unitario, Cd_IVA ") + " FROM Anagrafica_Articoli " +
             " WHERE Codice_Articolo = " + Q("AR0001"));
    db.run(std::string("INSERT INTO wTmp_DatiAccessi (Completo, Codice_Tessera, Terminale) ") + " VALUES (1," + Q("TK999") + "," +
           terminal + ")");
    db.run("UPDATE Stato_Terminali SET Stato = " + std::string("2") + ", Codice_Cliente = Null " + " WHERE Indirizzo = " + terminal);
    db.run("UPDATE Stato_Terminali SET Stato = " + N(-1) + ", Importo = " + N(7.0) + ", Codice_Cliente = " + cl + ", Tipo = " + N(6) +
           ", MoneyCard = " + N(1) + " WHERE Indirizzo = " + terminal);
    db.run("UPDATE Anagrafica_Clienti " + std::string("SET Stato=") + N(1) + " " + "WHERE Codice_Cliente=" + cl);
}

TEST_F(CorpusAccounts, Points) {
    const std::string cl = Q("CL000001"), terminal = N(2), now = T(10, 30);
    db.native("INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, Data_Validita, Punti, "
              "ID_Terminale_Entrata, Punti_NoScalare) VALUES (2, 1, 4, '1900-01-01 08:00:00', '1900-01-01 22:00:00', "
              "'2024-01-01 00:00:00', 3, 1, 1); INSERT INTO Log_Terminali_Presenze (Codice_Cliente, Data_Presenza, Ora_Presenza, "
              "IndTerminale) VALUES ('CL000001', '2024-03-07 00:00:00', '1900-01-01 10:10:00', 1)");
    const std::string tariff = "SELECT Dettaglio_Terminali_Punti.Punti, Dettaglio_Terminali_Punti.ID_Terminale_Entrata, "
                               "Dettaglio_Terminali_Punti.Punti_NoScalare  FROM Dettaglio_Terminali_Punti INNER JOIN Dettaglio_Terminali "
                               "ON Dettaglio_Terminali_Punti.ID_Terminale=Dettaglio_Terminali.ID  WHERE Dettaglio_Terminali_Punti.Tipo=1 "
                               "AND Dettaglio_Terminali.Indirizzo=" + terminal + " AND Dettaglio_Terminali_Punti.DDSettimana=" + N(4) +
                               " AND Dettaglio_Terminali_Punti.Fascia_Ini<=" + now + " AND Dettaglio_Terminali_Punti.Fascia_Fin>=" + now;
    const std::string valid = " AND Dettaglio_Terminali_Punti.Data_Validita<=" + D() +
                              " AND (Dettaglio_Terminali_Punti.Fine_Validita Is Null OR Dettaglio_Terminali_Punti.Fine_Validita>=" + D() +
                              ")  ORDER BY Dettaglio_Terminali_Punti.Data_Validita DESC ";
    ResultTable t = db.query(tariff + " AND Dettaglio_Terminali_Punti.ID_Terminale_Entrata>0" + valid);
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][0].toInt(), 3);
    const std::string pass = "SELECT TOP 1 Dettaglio_Terminali.Codice_Struttura, Log_Terminali_Presenze.Ora_Presenza  FROM "
                             "Dettaglio_Terminali INNER JOIN Log_Terminali_Presenze ON "
                             "Dettaglio_Terminali.Indirizzo=Log_Terminali_Presenze.IndTerminale  WHERE "
                             "Log_Terminali_Presenze.Codice_Cliente=" + cl;
    EXPECT_EQ(db.query(pass + " AND Dettaglio_Terminali.ID=" + N(1) + " AND Log_Terminali_Presenze.Data_Presenza=" + D() +
                       " ORDER BY Log_Terminali_Presenze.Ora_Presenza DESC").rows.size(), 1u);
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM Log_Punti_Clienti WHERE Op=1004 And Codice_Cliente=" + cl + " And Codice_Struttura=" +
                       Q("ST002") + " And Punti>0 And Data_Log=" + D()).toInt(), 0);
    t = db.query(tariff + " AND Dettaglio_Terminali_Punti.ID_Terminale_Entrata=0 AND Dettaglio_Terminali_Punti.Punti_Pren<>0" + valid);
    EXPECT_EQ(t.rows.size(), 0u);
    t = db.query("SELECT Gestione_Prenotazioni_Corsi.Punti_Uti  FROM Gestione_Prenotazioni_Corsi INNER JOIN Orario_Istruttori_Corsi ON "
                 "Gestione_Prenotazioni_Corsi.ID_Corso=Orario_Istruttori_Corsi.ID  WHERE Gestione_Prenotazioni_Corsi.Codice_Cliente=" +
                 cl + " AND Gestione_Prenotazioni_Corsi.Data_Prenotazione=" + D() + " AND Orario_Istruttori_Corsi.DaOre<=" + now +
                 " AND Gestione_Prenotazioni_Corsi.Punti_Uti>0  UNION SELECT Gestione_Prenotazioni_Servizi.Punti_Uti  FROM "
                 "Gestione_Prenotazioni_Servizi INNER JOIN Orario_Servizi ON Gestione_Prenotazioni_Servizi.ID_Servizio=Orario_Servizi.ID  "
                 "WHERE Gestione_Prenotazioni_Servizi.Codice_Cliente=" + cl + " AND Gestione_Prenotazioni_Servizi.Data_Prenotazione=" +
                 D() + " AND Orario_Servizi.DaOre<=" + now + " AND Gestione_Prenotazioni_Servizi.Punti_Uti>0  UNION SELECT "
                 "Booking_Clienti.Punti_Uti  FROM Booking_Clienti INNER JOIN Gestione_Prenotazioni ON "
                 "Booking_Clienti.ID_PivotPrenotazione=Gestione_Prenotazioni.ID  WHERE Booking_Clienti.Codice_Cliente=" + cl +
                 " AND Gestione_Prenotazioni.Data_Prenotazione=" + D() + " AND Gestione_Prenotazioni.DaOre<=" + now +
                 " AND Booking_Clienti.Punti_Uti>0");
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][0].toInt(), 3);
    t = db.query(tariff + " AND Dettaglio_Terminali_Punti.ID_Terminale_Entrata=0 AND Dettaglio_Terminali_Punti.Punti_Pren=0" + valid);
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(t.rows[0][0].toInt(), 7);  // the newest tariff first
    db.query(pass + " AND Dettaglio_Terminali.Indirizzo=" + terminal + " AND Log_Terminali_Presenze.Data_Presenza=" + D() +
             " ORDER BY Log_Terminali_Presenze.Ora_Presenza DESC");
    db.query("SELECT TOP 1 Log_Punti_Clienti.Ora_Log  FROM Log_Punti_Clienti  WHERE Log_Punti_Clienti.Op=1004 AND "
             "Log_Punti_Clienti.Codice_Cliente=" + cl + " AND Log_Punti_Clienti.Codice_Struttura=" + Q("ST002") +
             " AND Log_Punti_Clienti.Punti>0 AND Log_Punti_Clienti.Data_Log=" + D() + " AND Log_Punti_Clienti.Ora_Log<=" + T(10, 10) +
             " ORDER BY Log_Punti_Clienti.Ora_Log DESC");

    // Cliente_Credito_Punti: credit of subscriptions and packages.
    EXPECT_EQ(db.first("SELECT TOP 1 Gestione_Iscrizioni.Codice_Iscrizione, (Gestione_Iscrizioni.Punti-Gestione_Iscrizioni.Punti_Uti) AS "
                       "Credito  FROM Gestione_Iscrizioni INNER JOIN Iscrizioni_Strutture ON "
                       "Gestione_Iscrizioni.Codice_Iscrizione=Iscrizioni_Strutture.Codice_Iscrizione  WHERE "
                       "Gestione_Iscrizioni.Codice_Cliente=" + cl + " AND Gestione_Iscrizioni.Scaduta=0 AND "
                       "Gestione_Iscrizioni.Data_Inizio<=" + D() + " AND (Gestione_Iscrizioni.Punti-Gestione_Iscrizioni.Punti_Uti)>0" +
                       " AND Iscrizioni_Strutture.Codice_Struttura=" + Q("ST002")).toText(), "ISCR0001");
    t = db.query("SELECT ID_Pacchetto, (Punti-Punti_Uti) AS Credito  FROM Gestione_Aggiunte  WHERE Codice_Cliente=" + Q("CL000002") +
                 " AND Scaduta=0 AND Data_Inizio<=" + D() + " AND (Punti-Punti_Uti)>0" + " AND Codice_Struttura=" + Q("ST003"));
    EXPECT_EQ(t.rows.at(0).at(1).toInt(), 40);

    // Debit: allocation in the work table, then the posting with expiry.
    db.run("DELETE FROM wTmp_Punti ");
    db.first("SELECT Punti_Uti FROM wTmp_Punti WHERE Tipo=2 And ID_Aggiunta=" + N(1));
    db.first("SELECT Punti_Uti FROM wTmp_Punti WHERE Codice_Iscrizione=" + Q("ISCR0001"));
    db.run("INSERT INTO wTmp_Punti_SQL (Tipo, ID_Aggiunta, Punti_Uti, Codice_Struttura)  VALUES (2, " + N(1) + ", " + N(40) + ", " +
           Q("ST003") + ")");
    db.run("INSERT INTO wTmp_Punti_SQL (Tipo, Codice_Iscrizione, Punti_Uti, Codice_Struttura)  VALUES (1, " + Q("ISCR0001") + ", " +
           N(80) + ", " + Q("ST002") + ")");
    t = db.query("SELECT Tipo, Codice_Iscrizione, ID_Aggiunta, Punti_Uti  FROM wTmp_Punti ");
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(t.rows[1][2].toInt(), 0);  // default of the work table
    const std::string sub = Q("ISCR0001");
    db.run("UPDATE Gestione_Iscrizioni  SET Punti_Uti=Punti_Uti+" + N(80) + " WHERE Codice_Iscrizione=" + sub);
    const std::string bookings = " (SELECT Booking_Clienti.Codice_Iscrizione FROM Gestione_Prenotazioni INNER JOIN Booking_Clienti ON "
                                 "Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione WHERE Booking_Clienti.Codice_Cliente=" +
                                 cl + " AND Gestione_Prenotazioni.Data_Prenotazione>=" + D() + " UNION SELECT "
                                 "Gestione_Prenotazioni_Corsi.Codice_Iscrizione FROM Gestione_Prenotazioni_Corsi WHERE "
                                 "Gestione_Prenotazioni_Corsi.Codice_Cliente=" + cl + " AND "
                                 "Gestione_Prenotazioni_Corsi.Data_Prenotazione>=" + D() + " UNION SELECT "
                                 "Gestione_Prenotazioni_Servizi.Codice_Iscrizione FROM Gestione_Prenotazioni_Servizi WHERE "
                                 "Gestione_Prenotazioni_Servizi.Codice_Cliente=" + cl + " AND "
                                 "Gestione_Prenotazioni_Servizi.Data_Prenotazione>=" + D() + ") ";
    db.native("DELETE FROM Booking_Clienti; DELETE FROM Gestione_Prenotazioni_Corsi;");
    db.run("UPDATE Gestione_Iscrizioni  SET Scaduta=-1, Data_Scadenza=" + D() + " WHERE Codice_Iscrizione=" + sub +
           " AND Punti>0 AND (Punti-Punti_Uti)<=0  AND Codice_Iscrizione Not In " + bookings);
    EXPECT_EQ(db.storedInt("SELECT Scaduta FROM Gestione_Iscrizioni WHERE Codice_Iscrizione='ISCR0001'"), -1);
    db.run("UPDATE Iscrizioni_Strutture  SET Iscrizioni_Strutture.Scaduta=-1, Iscrizioni_Strutture.Data_Scadenza=" + D() +
           " FROM Gestione_Iscrizioni INNER JOIN Iscrizioni_Strutture ON "
           "Gestione_Iscrizioni.Codice_Iscrizione=Iscrizioni_Strutture.Codice_Iscrizione  WHERE Gestione_Iscrizioni.Codice_Iscrizione=" +
           sub + " AND Gestione_Iscrizioni.Punti>0 AND (Gestione_Iscrizioni.Punti-Gestione_Iscrizioni.Punti_Uti)<=0 " +
           " AND Iscrizioni_Strutture.Codice_Iscrizione Not In " + bookings);
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM Iscrizioni_Strutture WHERE Codice_Iscrizione='ISCR0001' AND Scaduta=-1"), 2);
    db.run("UPDATE Gestione_Aggiunte  SET Punti_Uti=Punti_Uti+" + N(40) + " WHERE ID_Pacchetto=" + N(1));
    // Mended: the booking tables have no package column; a booking paid by a package
    // names its add-on row (ID_Aggiunta), so the package rows are tested by their ID.
    db.run("UPDATE Gestione_Aggiunte  SET Scaduta=-1, Data_Scadenza=" + D() + " WHERE ID_Pacchetto=" + N(1) +
           " AND Punti>0 AND (Punti-Punti_Uti)<=0  AND Gestione_Aggiunte.ID Not In  (SELECT Booking_Clienti.ID_Aggiunta FROM "
           "Gestione_Prenotazioni INNER JOIN Booking_Clienti ON Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione WHERE "
           "Booking_Clienti.Codice_Cliente=" + Q("CL000002") + " AND Gestione_Prenotazioni.Data_Prenotazione>=" + D() +
           " UNION SELECT Gestione_Prenotazioni_Corsi.ID_Aggiunta FROM Gestione_Prenotazioni_Corsi WHERE "
           "Gestione_Prenotazioni_Corsi.Codice_Cliente=" + Q("CL000002") + " AND Gestione_Prenotazioni_Corsi.Data_Prenotazione>=" + D() +
           " UNION SELECT Gestione_Prenotazioni_Servizi.ID_Aggiunta FROM Gestione_Prenotazioni_Servizi WHERE "
           "Gestione_Prenotazioni_Servizi.Codice_Cliente=" + Q("CL000002") + " AND Gestione_Prenotazioni_Servizi.Data_Prenotazione>=" +
           D() + ") ");
    // The service booked for tomorrow names no add-on, so the package is expired.
    EXPECT_EQ(db.storedInt("SELECT Scaduta FROM Gestione_Aggiunte WHERE ID=1"), -1);

    // Log_Punti
    db.query("SELECT TOP 1 Cognome, Nome FROM Anagrafica_Clienti " + std::string("WHERE Codice_Cliente=") + cl);
    db.run("INSERT INTO Log_Punti_Clienti (Op, Codice_Cliente, Data_Log, Ora_Log, Punti, Codice_Struttura, Dati_Cliente, Dati_Struttura, "
           "Descrizi, Codice_Iscrizione, ID_Pacchetto, Codice_Servizio)  VALUES (" + N(1004) + ", " + cl + ", " + D() + ", " + now +
           ", " + N(7) + ", " + Q("ST002") + ", " + Q("ROSSI MARIO") + ", " + Q("PISCINA") + ", " + Q("Ingresso struttura") + ", " +
           sub + ", " + N(0) + ", " + Q("") + ")");
    EXPECT_EQ(db.first("SELECT Count(*) AS E1  FROM Log_Punti_Clienti WHERE Op=1004 And Codice_Cliente=" + cl + " And Codice_Struttura=" +
                       Q("ST002") + " And Punti>0 And Data_Log=" + D()).toInt(), 1);
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
