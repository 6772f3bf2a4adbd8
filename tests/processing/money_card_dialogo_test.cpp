// The money-card dialogue at keypad terminals: every state with "0", a badge, a wrong key
// and a right key; amounts, points, services and bar articles paid to the cent; expiry.
#include <gtest/gtest.h>

#include "db/money.h"
#include "processing/money_card_dialogo.h"
#include "attendance/righe.h"
#include "scenario.h"

using namespace velaris;

namespace {

std::string unite(const std::vector<std::string>& v) {
    std::string out;
    for (const auto& t : v) out += (out.empty() ? "" : " ~ ") + t;
    return out;
}

// Keypad terminals: 5 amounts (with the entry menu), 6 bar, 7 points, 8 services in points.
// Rossi (CL000001, card 0001234501) has 20.00 on his money card; Bianchi (CL000002) none.
struct Dialogo : test::Centro {
    void SetUp() override {
        test::Centro::SetUp();
        x.terminale(5, 1, "", "MoneyCard=-1, Vendita=-1, Codice_Struttura='ST001'");
        x.terminale(6, 1, "", "MoneyCard=1");
        x.terminale(7, 1, "", "MoneyCard=-1, Gestione_Punti=-1");
        x.terminale(8, 1, "", "MoneyCard=2, Gestione_Punti=-1");
        avvia();
        x.f.native(
            "INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis, Cognome, Nome, Stato) VALUES "
            "('CL000002','0001234502','BIANCHI','GIULIA',1);"
            "INSERT INTO Gestione_MoneyCard (Codice_Cliente, Importo, Importo_Usato, Importo_Omaggio, Data_Inizio) "
            "VALUES ('CL000001', 20, 0, 0, '2024-01-01 00:00:00');"
            "INSERT INTO Anagrafica_Articoli (Codice_Articolo, Descrizione, Prezzo_Unitario, Prezzo_Unitario_Abb) "
            "VALUES ('AR1','ACQUA',1.25,0);"
            "INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Data_Inizio, Punti, Punti_Uti) VALUES "
            "('IS1','CL000001','2024-01-01 00:00:00',10,0);"
            "INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Codice_Cliente, Codice_Struttura) VALUES "
            "('IS1','CL000001','ST001');"
            "INSERT INTO Anagrafica_Servizi (Codice_Servizio, Codice_Bis, Descrizione) VALUES ('SE001','31','SAUNA');"
            // An injected read of every terminal waits its turn: no state write may touch it.
            "INSERT INTO Stato_Terminali (Indirizzo, Stato, Messaggio) VALUES (5,500,'X'), (6,500,'X'), (7,500,'X'), "
            "(8,500,'X');");
    }
    void TearDown() override {
        EXPECT_EQ(conta("Stato_Terminali WHERE Stato=500 AND Messaggio='X'"), 4);
        EXPECT_TRUE(errori().empty()) << errori().front();
    }
    // One read; the texts it queued, joined; the queue is emptied.
    std::string passo(int address, const std::string& code) {
        leggi(address, code);
        std::vector<std::string> t;
        auto rs = x.f.db.open("SELECT Messaggio FROM Stato_Terminali WHERE Indirizzo=" + std::to_string(address) +
                              " AND Messaggio IS NOT NULL AND (Stato IS NULL OR Stato<>500) ORDER BY ID");
        for (; !rs->eof(); rs->moveNext()) t.push_back(rs->field(0).toText());
        x.f.native("DELETE FROM Stato_Terminali WHERE Messaggio IS NOT NULL AND (Stato IS NULL OR Stato<>500)");
        return unite(t);
    }
    std::string residuo() {
        return Money::fromValue(x.scalar("SELECT Importo-Importo_Usato+Importo_Omaggio FROM Gestione_MoneyCard"))->decimal();
    }
    int64_t movimenti() { return conta("PN_Movimenti"); }
    const std::string idle = "\fgio 07 mar 10:30|CODICE:_______ ~ %K2BXM2";
};

}  // namespace

TEST_F(Dialogo, MenuThenATypedAmountDebitedToTheCent) {
    EXPECT_EQ(passo(5, "0001234501"), "\fROSSI|MARIO ~ %K1BX ~ %KN ~ |1 INGRESSO|2 ACQUISTO|SCELTA:_");
    EXPECT_EQ(stato(5).toInt(), stato::MenuMoneyCard);
    EXPECT_EQ(stato(5, "Codice_Cliente").toText(), "CL000001");
    EXPECT_EQ(passo(5, "7"), "\fTASTO NON VALIDO ~ |1 INGRESSO|2 ACQUISTO|SCELTA:_");
    EXPECT_EQ(passo(5, "2"), "\fRESIDUO: 20,00 ~ %K1 ~ |IMPORTO:_______");
    EXPECT_EQ(stato(5).toInt(), stato::AttesaImporto);
    EXPECT_EQ(passo(5, "2001"), "\fCREDITO|INSUFFICIENTE ~ " + idle);
    EXPECT_EQ(movimenti(), 0);
    passo(5, "0001234501");
    passo(5, "2");
    EXPECT_EQ(passo(5, "1234"), "\fOPERAZIONE|TERMINATA ~ " + idle);
    EXPECT_EQ(residuo(), "7.66");
    EXPECT_EQ(x.scalar("SELECT Importo FROM PN_Movimenti WHERE Tipologia=13 AND Codice_Cliente='CL000001'"),
              Value(12.34));
    EXPECT_EQ(stato(5).toInt(), 2);
    EXPECT_EQ(stato(5, "Codice_Cliente"), Value::null());

    // A badge that fits the amount field exactly is still a badge, not an amount.
    x.f.native("UPDATE Anagrafica_Clienti SET Codice_Bis='1234' WHERE Codice_Cliente='CL000002'");
    passo(5, "0001234501");
    passo(5, "2");
    EXPECT_EQ(passo(5, "1234").rfind("\fOPERAZIONE|ANNULLATA ~ \fBIANCHI|GIULIA", 0), 0u);
    EXPECT_EQ(residuo(), "7.66");
}

TEST_F(Dialogo, TheEntryChoiceGoesOnAsAnOrdinaryReadOfTheMember) {
    passo(5, "0001234501");
    const std::string risposta = passo(5, "1");
    EXPECT_NE(risposta.find("STOP|NON ABILITATO"), std::string::npos) << risposta;  // no subscription for ST001
    EXPECT_EQ(stato(5, "Codice_Cliente").toText(), "CL000001");
    EXPECT_EQ(stato(5).toInt(), 2);
    EXPECT_EQ(movimenti(), 0);
}

TEST_F(Dialogo, ZeroBadgeAndMisfitsInEveryStateNeverDebit) {
    struct Caso { int terminale; std::vector<std::string> verso; int stato; };
    const std::vector<Caso> casi = {
        {5, {"0001234501"}, stato::MenuMoneyCard}, {5, {"0001234501", "2"}, stato::AttesaImporto},
        {6, {"0001234501"}, stato::SceltaPagamento},      {6, {"0001234501", "2"}, stato::ConfermaContanti},
        {6, {"0001234501", "1"}, stato::AttesaArticolo},   {8, {"0001234501", "3"}, stato::AttesaServizio},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE("state " + std::to_string(c.stato));
        auto arriva = [&] {
            for (const auto& v : c.verso) passo(c.terminale, v);
            if (c.stato == stato::ConfermaContanti) {  // a cash sale of one article, awaiting "paid?"
                passo(c.terminale, "AR1");
                passo(c.terminale, "1");
            }
            ASSERT_EQ(stato(c.terminale).toInt(), c.stato);
        };
        arriva();
        EXPECT_EQ(passo(c.terminale, "0"), "\fOPERAZIONE|ANNULLATA ~ " + idle);
        EXPECT_EQ(stato(c.terminale).toInt(), 2);
        arriva();
        // Bianchi's badge (a card number of the amount field's width and more) starts her own read.
        const std::string badge = passo(c.terminale, "0001234502");
        EXPECT_EQ(badge.rfind("\fOPERAZIONE|ANNULLATA ~ \fBIANCHI|GIULIA", 0), 0u) << badge;
        passo(c.terminale, "0");
        arriva();
        passo(c.terminale, "1.5");  // no key, no digits, no article code
        EXPECT_NE(stato(c.terminale).toInt(), c.stato);
        EXPECT_EQ(conta("wTmp_ArticoliTerminali"), 0);
        passo(c.terminale, "0");
    }
    EXPECT_EQ(residuo(), "20");
    EXPECT_EQ(test::conti(x, "PN_Movimenti Gestione_Bar"), "0|0");
    int righe = 0;
    for (const auto& l : x.f.logLines) righe += l.find("\"1.5\" does not fit the money-card prompt") != std::string::npos;
    EXPECT_EQ(righe, 6);
}

TEST_F(Dialogo, ADialogueLeftAloneExpiresAndLaterDigitsAreAFreshRead) {
    passo(5, "0001234501");
    passo(5, "2");
    x.f.clock.advance(60);
    Scadenza_Dialoghi_MoneyCard(x.s);
    EXPECT_EQ(stato(5).toInt(), stato::AttesaImporto);  // not yet
    x.f.clock.advance(1);
    Scadenza_Dialoghi_MoneyCard(x.s);
    EXPECT_EQ(stato(5).toInt(), 2);
    EXPECT_EQ(stato(5, "Codice_Cliente"), Value::null());
    EXPECT_NE(unite(x.queued(5)).find("\fgio 07 mar 10:31|CODICE:_______"), std::string::npos);
    x.f.native("DELETE FROM Stato_Terminali WHERE Messaggio IS NOT NULL AND (Stato IS NULL OR Stato<>500)");
    // A dialogue whose moment passed before the tick ran: the digits are read afresh.
    passo(5, "0001234501");
    passo(5, "2");
    x.f.clock.advance(61);
    EXPECT_EQ(passo(5, "500"), "\fCODICE NON ASSEGNATO ~ \fgio 07 mar 10:32|CODICE:_______ ~ %K2BXM2");
    EXPECT_EQ(movimenti(), 0);
}

TEST_F(Dialogo, BarArticlesByCardThenCashPaidOrNot) {
    EXPECT_EQ(passo(6, "0001234501"), "\fROSSI|MARIO ~ \fRESIDUO: 20,00 ~ %K1 ~ %KN ~ |1 MONEY CARD|2 CONTANTI|SCELTA:_");
    EXPECT_EQ(passo(6, "5"), "\fTASTO NON VALIDO ~ |1 MONEY CARD|2 CONTANTI|SCELTA:_");
    const std::string articolo = "%K1BX ~ %Kn ~ |1 PER CONFERMA|0 PER ANNULLARE|ART.:_______________";
    EXPECT_EQ(passo(6, "1"), articolo);
    EXPECT_EQ(passo(6, "AR1"), "\fACQUA|COSTO: 1,25|TOTALE: 1,25 ~ " + articolo);
    EXPECT_EQ(passo(6, "AR1"), "\fACQUA|COSTO: 1,25|TOTALE: 2,50 ~ " + articolo);
    EXPECT_EQ(passo(6, "AR9"), "\fARTICOLO NON TROVATO ~ " + articolo);
    EXPECT_EQ(passo(6, "1"), "\fOPERAZIONE|TERMINATA ~ " + idle);
    EXPECT_EQ(residuo(), "17.5");
    EXPECT_EQ(conta("Gestione_Bar WHERE Pagato<>0 AND Qta=2 AND Importo=2.5"), 1);

    // Bianchi has no card: the state row still holds Rossi's residual, yet her sale is cash.
    x.f.native("UPDATE Stato_Terminali SET Importo=17.5 WHERE Indirizzo=6 AND Messaggio IS NULL");
    EXPECT_EQ(passo(6, "0001234502"), "\fBIANCHI|GIULIA ~ " + articolo);
    EXPECT_EQ(passo(6, "1"), "\fNESSUN ARTICOLO|VENDUTO|OPERAZIONE|ANNULLATA ~ " + idle);
    passo(6, "0001234502");
    passo(6, "AR1");
    EXPECT_EQ(passo(6, "1"), "%K1 ~ %KN ~ |1 PAGATO|2 NON PAGATO|SCELTA:_");
    EXPECT_EQ(passo(6, "2"), "\fOPERAZIONE|TERMINATA ~ " + idle);
    EXPECT_EQ(conta("Gestione_Bar WHERE Codice_Cliente='CL000002' AND Pagato=0 AND Importo=1.25"), 1);
    EXPECT_EQ(residuo(), "17.5");
}

TEST_F(Dialogo, PointsTypedAndServicesPaidInPoints) {
    EXPECT_EQ(passo(7, "0001234501"), "\fROSSI|MARIO ~ \fCREDITO RESIDUO:|10 ~ %K1 ~ |PUNTI:_______");
    EXPECT_EQ(passo(7, "11"), "\fCREDITO|INSUFFICIENTE ~ " + idle);
    passo(7, "0001234501");
    EXPECT_EQ(passo(7, "4"), "\fOPERAZIONE|TERMINATA ~ " + idle);
    EXPECT_EQ(conta("Gestione_Iscrizioni WHERE Punti_Uti=4"), 1);

    passo(8, "0001234501");
    EXPECT_EQ(passo(8, "3"), "%K1 ~ |SERVIZIO:_______");
    EXPECT_EQ(passo(8, "99"), "\fSERVIZIO NON TROVATO ~ |SERVIZIO:_______");
    EXPECT_EQ(passo(8, "31"), "%K1BX ~ %KN ~ |1 PER CONFERMA|0 PER ANNULLARE");
    EXPECT_EQ(passo(8, "1"), "\fOPERAZIONE|TERMINATA ~ " + idle);
    EXPECT_EQ(conta("Gestione_Iscrizioni WHERE Punti_Uti=7"), 1);
    EXPECT_EQ(conta("Log_Punti_Clienti WHERE Punti=3 AND Codice_Struttura='SE001' AND Descrizi='Utilizzo servizio: SAUNA'"),
              1);
    EXPECT_EQ(conta("wTmp_ArticoliTerminali"), 0);
}

TEST_F(Dialogo, StaffPayWithTheirClientsCreditAndUnknownCodesEndTheDialogue) {
    x.f.native("INSERT INTO Anagrafica_Operatori (Codice_Operatore, Cognome, Nome, Codice_Cliente) VALUES "
               "('OP0001','FONTANA','ELENA','CL000001'), ('OP0002','NERI','UGO',NULL)");
    EXPECT_EQ(passo(6, "OP0001"), "\fFONTANA|ELENA ~ \fRESIDUO: 20,00 ~ %K1 ~ %KN ~ |1 MONEY CARD|2 CONTANTI|SCELTA:_");
    passo(6, "0");
    EXPECT_EQ(passo(6, "OP0002"), "\fNERI|UGO ~ " + idle);
    EXPECT_EQ(conta("wTmp_DatiAccessi WHERE Codice_Tessera='OP0002' AND Terminale=6 AND Completo=1"), 1);
    EXPECT_EQ(passo(6, "99'77"), "\fCODICE NON ASSEGNATO ~ " + idle);
}
