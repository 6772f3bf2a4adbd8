// Statement corpus: the access display record.

#include "corpus_support.h"

namespace velaris::test {
namespace {

using CorpusAccounts = CorpusTest;

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
