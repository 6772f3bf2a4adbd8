#include "attendance/dati_accessi.h"

namespace velaris {

namespace {

std::string numero(const Value& v) { return Num_SqlQ(v); }
std::string testo(const Value& v) { return CChrQ(v); }
// A value that is no date is written as Null rather than breaking the statement.
std::string data(const Value& v) { return Nullo_Vuoto(v) || !v.toDate() ? "Null" : Data_SqlQ(v); }
// A value that is no time would make the statement fail: it is written as Null.
std::string ora(const Value& v) {
    if (Nullo_Vuoto(v) || !v.toDate()) return "Null";
    return Ora_SqlQ(v);
}

}  // namespace

std::string istruzioneDatiAccessi(const DatiAccessi& d) {
    Value des = d.DesAbbonamento;
    if (des.isText()) des = Value(Primi_Caratteri(*des.textPtr(), 255));
    std::string sql =
        "INSERT INTO wTmp_DatiAccessi_SQL ( Completo, Codice_Tessera, Codice, Cognome, Nome, Indirizzo, Data_Entrata, "
        " Ora_Entrata, Data_Ultima_Entrata, Ora_Ultima_Entrata, Codice_Abbonamento, "
        " DesAbbonamento , Stato, Foto, Scadenza, DesStato, Codice_Iscrizione, "
        " TestoIrr , Codice_Consulente, Sem1, Sem2, Sem3, Sospeso, Messaggio, ASeduta , Struttura_Ingresso, Entrata, "
        "Terminale, CheckOut, Monitor_Aggiuntivo, TestoIrr_Push) "
        " VALUES (";
    const std::string valori[] = {
        numero(d.Completo),          testo(d.Codice_Tessera),     testo(d.Codice),
        testo(d.Cognome),            testo(d.Nome),               testo(d.Indirizzo),
        data(d.Data_Entrata),        ora(d.Ora_Entrata),          data(d.Data_Ultima_Entrata),
        ora(d.Ora_Ultima_Entrata),   testo(d.Codice_Abbonamento), testo(des),
        numero(d.Stato),             testo(d.Foto),               data(d.Scadenza),
        testo(d.DesStato),           testo(d.Codice_Iscrizione),  testo(d.TestoIrr),
        testo(d.Codice_Consulente),  numero(d.Sem1),              numero(d.Sem2),
        numero(d.Sem3),              numero(d.Sospeso),           numero(d.Messaggio),
        numero(d.ASeduta),           testo(d.Struttura_Ingresso), testo(d.Entrata),
        numero(d.Terminale),         numero(d.CheckOut),          numero(d.Monitor_Aggiuntivo),
        testo(d.TestoIrr_Push),
    };
    bool primo = true;
    for (const std::string& v : valori) {
        if (!primo) sql += ",";
        sql += v;
        primo = false;
    }
    return sql + ")";
}

// The record's texts fitted to the columns of wTmp_DatiAccessi: the card as read has the
// terminal's length, the other texts are put together from several sources.
DatiAccessi entroLeColonne(Sistema& s, DatiAccessi d) {
    const struct {
        Value DatiAccessi::*campo;
        size_t larghezza;
        const char* colonna;
    } testi[] = {
        {&DatiAccessi::Codice_Tessera, 30, "wTmp_DatiAccessi.Codice_Tessera"},
        {&DatiAccessi::Codice, 20, "wTmp_DatiAccessi.Codice"},
        {&DatiAccessi::Cognome, 50, "wTmp_DatiAccessi.Cognome"},
        {&DatiAccessi::Nome, 50, "wTmp_DatiAccessi.Nome"},
        {&DatiAccessi::Indirizzo, 100, "wTmp_DatiAccessi.Indirizzo"},
        {&DatiAccessi::Codice_Abbonamento, 20, "wTmp_DatiAccessi.Codice_Abbonamento"},
        {&DatiAccessi::Foto, 255, "wTmp_DatiAccessi.Foto"},
        {&DatiAccessi::DesStato, 30, "wTmp_DatiAccessi.DesStato"},
        {&DatiAccessi::Codice_Iscrizione, 20, "wTmp_DatiAccessi.Codice_Iscrizione"},
        {&DatiAccessi::Codice_Consulente, 20, "wTmp_DatiAccessi.Codice_Consulente"},
        {&DatiAccessi::Struttura_Ingresso, 100, "wTmp_DatiAccessi.Struttura_Ingresso"},
        {&DatiAccessi::Entrata, 100, "wTmp_DatiAccessi.Entrata"},
    };
    for (const auto& t : testi) d.*t.campo = Testo_Colonna(s.db, d.*t.campo, t.larghezza, t.colonna, "VisualizzaDatiForm");
    return d;
}

void VisualizzaDatiForm(Sistema& s, const DatiAccessi& d) {
    try {
        s.db.execute(istruzioneDatiAccessi(entroLeColonne(s, d)));
    } catch (const std::exception& e) {
        s.db.logError(e, "VisualizzaDatiForm");
    }
}

void DatiAccessi_Breve(Sistema& s, const Value& codiceTessera, int terminale) {
    s.db.tryExecute("INSERT INTO wTmp_DatiAccessi_SQL (Completo, Codice_Tessera, Terminale)  VALUES (1," +
                        CChrQ_Colonna(s.db, codiceTessera, 30, "wTmp_DatiAccessi.Codice_Tessera", "DatiAccessi_Breve") +
                        "," + std::to_string(terminale) + ")",
                    "DatiAccessi_Breve");
}

int64_t Completa_DatiAccessi(Sistema& s, const Value& codice, bool ammesso, bool fuoriOrario, bool sospeso,
                             const std::string& altre) {
    const Value id = DMaxQ(s.db, "ID", "wTmp_DatiAccessi", "Codice=" + CChrQ(codice) + " And Completo=0");
    const int64_t n = id.toInt();
    if (n <= 0) return 0;
    s.db.tryExecuteDeferred("UPDATE wTmp_DatiAccessi  SET Completo=1, Sem2=" + std::string(ammesso ? "1" : "0") +
                                ", Sem3=" + std::string(fuoriOrario ? "1" : "0") + (sospeso ? ", Sospeso=1 " : "") +
                                altre + " WHERE ID=" + std::to_string(n),
                            "Completa_DatiAccessi");
    return n;
}

void Semafori_DatiAccessi(Sistema& s, int64_t id, int sem2, int sem3) {
    s.db.tryExecute("UPDATE wTmp_DatiAccessi  SET Sem2=" + std::to_string(sem2) + ", Sem3=" + std::to_string(sem3) +
                        " WHERE ID=" + std::to_string(id),
                    "Semafori_DatiAccessi");
}

void Marker_DatiAccessi(Sistema& s, const Value& secondi) {
    Value attesa = secondi;
    if (Nullo_Vuoto(attesa)) attesa = s.settings.slot(impostazione::Tempo_Attesa);
    int64_t n = Nullo_Vuoto(attesa) ? 2 : ZeroSeNullo(attesa);
    const DateTime due = s.clock.timeKxl().addSeconds(n);
    try {
        s.db.executeDeferred("DELETE FROM Stato_Terminali WHERE Indirizzo=0", "Marker_DatiAccessi");
        s.db.executeDeferred("INSERT INTO Stato_Terminali (Indirizzo,Ora_Invio)  VALUES (0," + Ora_SqlQ(Value(due)) + ")",
                             "Marker_DatiAccessi");
    } catch (const std::exception& e) {
        s.db.logError(e, "Marker_DatiAccessi");
    }
}

}  // namespace velaris
