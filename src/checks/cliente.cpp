#include "checks/cliente.h"

#include <filesystem>

#include "checks/abbonamenti_terminali.h"
#include "checks/orari.h"

namespace velaris {

namespace {

bool trovaRiga(Sistema& s, const std::string& sql) {
    auto rs = s.db.open(sql);
    return !rs->eof();
}

// Time bands of subscription types: master rows, counted once per read.
int32_t contaFasce(Sistema& s, const char* tabella, const std::string& criterio) {
    std::string dominio = tabella;
    return DCountQ_Verifica_Lettura(s.db, "*", dominio, criterio);
}

int32_t conta(Sistema& s, const char* tabella, const std::string& criterio) {
    std::string dominio = tabella;
    return DCountQ_Verifica(s.db, "*", dominio, criterio);
}

// A date literal that never breaks the statement: a value that is no date is Null.
std::string dataOppureNull(const Value& v) { return v.toDate() ? Data_SqlQ(v) : "Null"; }

}  // namespace

bool Leggi_Cliente(Sistema& s, const Value& codice, SchedaCliente& c, const char* funzione) {
    c.Codice = codice;
    c.q = CChrQ(codice);
    {
        auto rs = s.db.open(std::string("SELECT TOP 1 Data_Presenza, Ora_Presenza ") + " FROM Presenze " +
                            " WHERE Codice_Cliente=" + c.q + " ORDER BY Data_Presenza DESC");
        if (!rs->eof()) {
            c.Data_Ultima_Entrata = rs->field(0);
            c.Ora_Ultima_Entrata = rs->field(1);
        }
    }
    // The member's record, read whole once per read: the recording needs more of it.
    auto campo = [&](std::string_view col) { return Campo_Anagrafica(s.db, "Anagrafica_Clienti", "Codice_Cliente", c.q, col); };
    if (campo("Codice_Cliente").isNull()) {
        s.log.error(0, "Member " + codice.toText() + " not found: entry refused", funzione);
        return false;
    }
    const char* nomi[] = {"Cognome", "Nome", "Indirizzo", "Stato", "Foto", "Codice_Consulente", "Fido_Cliente",
                          "Controlli_Cliente", "Data_Registrazione", "Note_Accessi"};
    Value* campi[] = {&c.Cognome,           &c.Nome,         &c.Indirizzo,          &c.Stato,
                      &c.Foto,              &c.Codice_Consulente, &c.Fido_Cliente, &c.Controlli_Cliente,
                      &c.Data_Registrazione, &c.Note_Accessi};
    for (int i = 0; i < 10; ++i) *campi[i] = campo(nomi[i]);
    if (Nullo_Vuoto(c.Cognome) && Nullo_Vuoto(c.Nome)) s.log.error(0, "Member " + codice.toText() + " has no name", funzione);
    return true;
}

Value Rinnovo_Cliente(Sistema& s, const SchedaCliente& c) {
    return Value(conta(s, "Q_ClientiFuturi", "Codice_Cliente=" + c.q) > 0 ? 1 : 0);
}

void Sommario_Stato(Sistema& s, int indirizzo, const SchedaCliente& c, const std::string& sommario,
                    const Value& scadenza, const Value& rinnovo) {
    // The state row only, not the terminal's queued messages. Nothing reads it back before
    // the next statement: it goes out with the writes that follow.
    s.db.executeDeferred("UPDATE Stato_Terminali SET Cognome = " + CChrQ(c.Cognome) + ", Nome = " + CChrQ(c.Nome) +
                             ", Abbonamento = " + CChrQ(Value(Primi_Caratteri(sommario, 100))) +
                             ", Data_Scadenza = " + dataOppureNull(scadenza) +
                             ", Rinnovo = " + std::to_string(rinnovo.toInt()) + " WHERE Indirizzo = " +
                             std::to_string(indirizzo) + " AND Messaggio Is Null",
                         "Sommario_Stato");
}

Morosita Verifica_Morosita(Sistema& s, const SchedaCliente& c, const std::string& scaduti) {
    Morosita m;
    const std::string& q = c.q;
    auto altriScaduti = [&] {
        return trovaRiga(s, std::string("SELECT TOP 1 Modalita ") + " FROM Giornale " + " WHERE " + scaduti +
                                " And Codice_Cliente = " + q + " And Modalita Not In (2,3,14,19,20,21)");
    };
    if (c.Fido_Cliente.toDouble() > 0) {
        m.altriScaduti = altriScaduti();
        m.irregolare = trovaRiga(s, std::string("SELECT TOP 1 Modalita ") + " FROM Giornale " + " WHERE " + scaduti +
                                        " And Modalita In (2,3,5,14,19,20,21) AND Codice_Cliente = " + q);
        if (!m.irregolare) {
            auto rs = s.db.open(std::string("SELECT Sum(Importo_DaPagare) AS FidoUti ") + " FROM Giornale " +
                                " WHERE Modalita In (4,6,7,8,9,11,15,17,18) AND Codice_Cliente = " + q);
            if (!rs->eof() && !rs->field(0).isNullOrEmpty())
                m.irregolare = rs->field(0).toDouble() > c.Fido_Cliente.toDouble();
        }
    } else {
        m.irregolare = trovaRiga(s, std::string("SELECT TOP 1 Modalita ") + " FROM Giornale " + " WHERE " + scaduti +
                                        " And Codice_Cliente = " + q);
        // The other kinds are some of these rows: with none overdue there is nothing to ask.
        m.altriScaduti = m.irregolare && altriScaduti();
    }
    return m;
}

void Segna_Irregolarita(Sistema& s, const SchedaCliente& c) {
    auto& irr = s.esiti.Irregolarita;
    auto rs = s.db.open(std::string("SELECT DISTINCT Modalita ") + " FROM Giornale " + " WHERE Codice_Cliente = " + c.q +
                        " AND Modalita Not In (10,12,13) " +
                        " AND ((Modalita In (2,3,11,14,19,20,21)) OR (Modalita Not In (2,3,11,14,19,20,21) " +
                        s.corrente.Filtro_Centro + "))");
    for (; !rs->eof(); rs->moveNext()) {
        const int64_t m = rs->field(0).toInt();
        if (m >= 0 && m < static_cast<int64_t>(irr.size())) irr[static_cast<size_t>(m)] = Value(1);
    }
}

Messaggi Messaggi_Cliente(Sistema& s, const SchedaCliente& c, const std::string& oggi) {
    Messaggi m;
    // The member's unread messages of today and before, blocking or not, in one question.
    auto rs = s.db.open(std::string("SELECT Bloccante ") + " FROM Messaggi_Clienti " + " WHERE Codice_Cliente=" + c.q +
                        " And Ricevuto=0 And Data_Messaggio<=" + oggi);
    bool avviso = false;
    for (; !rs->eof(); rs->moveNext()) {
        const Value bloccante = rs->field(0);
        if (bloccante.isNullOrEmpty()) continue;  // neither kind, as "Bloccante<>0" and "Bloccante=0" read it
        if (bloccante.toDouble() != 0) m.bloccante = true;
        else avviso = true;
    }
    m.avviso = !m.bloccante && avviso;
    return m;
}

bool Foto_Mancante(Sistema& s, SchedaCliente& c, const DateTime& oggi) {
    std::string fileFoto(trimBlanks(c.Foto.toText()));
    bool mancante = fileFoto.empty();
    if (!mancante && s.settings.cartellaFoto()) {
        std::error_code ec;
        std::filesystem::path p = std::filesystem::u8path(fileFoto);
        if (p.is_relative()) p = std::filesystem::u8path(s.settings.slot(impostazione::Path_Foto).toText()) / p;
        if (!std::filesystem::exists(p, ec) || ec) {
            mancante = true;
            c.Foto = Value("");
        }
    }
    const auto registrazione = c.Data_Registrazione.toDate();
    return mancante && s.settings.slot(impostazione::Gestisci_Foto).toBool() && !(registrazione && registrazione->datePart() == oggi);
}

bool Ammesso_Controlli(int64_t controlli, bool motivo, bool bloccante) {
    if (controlli == kControlli_Rifiuta) return false;
    if (controlli == kControlli_Ammetti) return true;
    return !(motivo || bloccante);
}

bool Fasce_Abbonamento_Valide(Sistema& s, const Value& codice, int giorno, bool festivo, const Value& anticipoPren,
                              const DateTime& ora) {
    const std::string chiave = "Codice_Abbonamento=" + CChrQ(codice);
    if (contaFasce(s, "Giorni_DD_Fasce_Abbonamenti", chiave) > 0) {
        const std::string giornoTesto = festivo ? " And DDSettimana=8" : " And DDSettimana=" + Num_SqlQ(Value(giorno));
        if (conta(s, "Giorni_DD_Fasce_Abbonamenti", chiave + giornoTesto + condizioneFascia(anticipoPren, ora)) == 0)
            return false;
    }
    if (contaFasce(s, "FasceOrarie_Abbonamenti", chiave) > 0) {
        if (conta(s, "FasceOrarie_Abbonamenti", chiave + condizioneFascia(anticipoPren, ora)) == 0) return false;
    }
    return true;
}

std::string Testo_Irregolarita(Sistema& s, const SchedaCliente& c) {
    s.db.execute("DELETE FROM wTmp_Presenze_Irregolarita");
    s.db.execute(std::string("INSERT INTO wTmp_Presenze_Irregolarita_SQL (ID,Codice_Cliente,Modalita,CodiceS,CodiceN,"
                             "Data_Scadenza,[Check]) ") +
                 " SELECT ID,Codice_Cliente,Modalita,Codice1_S,Codice1_N,Data_Scadenza,0 " + " FROM Giornale " +
                 " WHERE Codice_Cliente=" + c.q + " AND Modalita Not In (10,12,13) " +
                 " AND ((Modalita In (2,3,11,14,19,20,21)) OR (Modalita Not In (2,3,11,14,19,20,21) " +
                 s.corrente.Filtro_Centro + "))");
    std::vector<int> modalita;
    {
        auto rs = s.db.open(std::string("SELECT DISTINCT Modalita ") + " FROM wTmp_Presenze_Irregolarita");
        for (; !rs->eof(); rs->moveNext()) modalita.push_back(static_cast<int>(rs->field(0).toInt()));
    }
    std::string testo;
    for (int m : modalita) {
        const std::string d = Descrizione_Modalita(s, m);
        if (d.empty()) continue;
        if (!testo.empty()) testo += " - ";
        testo += d;
    }
    return testo;
}

}  // namespace velaris
