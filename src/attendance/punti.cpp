#include "attendance/punti.h"

#include <vector>

#include "attendance/visita.h"
#include "attendance/tariffe.h"

namespace velaris {

namespace {

constexpr const char* F_Punti = "Cliente_Credito_Punti";
// Bound of the periods walked at an exit: a day of one-minute periods.
constexpr int kPeriodiMassimi = 24 * 60;

std::string num(int64_t n) { return std::to_string(n); }

Value valore(Sistema& s, const std::string& sql) {
    auto rs = s.db.open(sql);
    return rs->eof() ? Value::null() : rs->field(0);
}

// One holder of points: a subscription (by code) or an add-on (by row).
struct Detentore {
    bool aggiunta = false;
    Value codice;          // Codice_Iscrizione, or the add-on's ID
    Value pacchetto;       // ID_Pacchetto of an add-on (for the log)
    int64_t credito = 0;
};

class Detentori {
public:
    Detentori(Sistema& s, const Value& cliente, const Value& struttura)
        : s_(s), cliente_(CChrQ(cliente)), struttura_(struttura), oggi_(Data_SqlQ(Value(s.clock.today()))) {}

    // Add-ons first (the newest first), then subscriptions (the oldest first).
    std::vector<Detentore> leggi() {
        std::vector<Detentore> out;
        const bool conStruttura = !Nullo_Vuoto(struttura_);
        {
            auto rs = s_.db.open("SELECT ID, (Punti-Punti_Uti) AS Credito, ID_Pacchetto  FROM Gestione_Aggiunte  WHERE "
                                 "Codice_Cliente=" + cliente_ + " AND Scaduta=0 AND Data_Inizio<=" + oggi_ +
                                 " AND (Data_Fine Is Null OR Data_Fine>=" + oggi_ + ") AND (Punti-Punti_Uti)>0" +
                                 (conStruttura ? " AND Codice_Struttura=" + CChrQ(struttura_) : "") +
                                 " ORDER BY Data_Inizio DESC, ID DESC");
            for (; !rs->eof(); rs->moveNext()) out.push_back({true, rs->field(0), rs->field(2), rs->field(1).toInt()});
        }
        {
            auto rs = s_.db.open(
                "SELECT Codice_Iscrizione, (Punti-Punti_Uti) AS Credito  FROM Gestione_Iscrizioni  WHERE Codice_Cliente=" +
                cliente_ + " AND Scaduta=0 AND Data_Inizio<=" + oggi_ + " AND (Data_Fine Is Null OR Data_Fine>=" + oggi_ +
                ") AND (Punti-Punti_Uti)>0 AND Codice_Iscrizione IN (SELECT Codice_Iscrizione FROM Iscrizioni_Strutture" +
                (conStruttura ? " WHERE Codice_Struttura=" + CChrQ(struttura_) : "") +
                ") ORDER BY Data_Inizio, Codice_Iscrizione");
            for (; !rs->eof(); rs->moveNext()) out.push_back({false, rs->field(0), Value(0), rs->field(1).toInt()});
        }
        return out;
    }

    int64_t credito() {
        int64_t totale = 0;
        for (const Detentore& d : leggi()) totale += d.credito;
        return totale;
    }

    // Takes `n` points from holder `d`: false when it no longer holds them.
    bool addebita(const Detentore& d, int64_t n) {
        const std::string punti = num(n);
        if (d.aggiunta) {
            const std::string id = Num_SqlQ(d.codice);
            s_.db.execute("UPDATE Gestione_Aggiunte  SET Punti_Uti=Punti_Uti+" + punti + " WHERE ID=" + id +
                          " AND Codice_Cliente=" + cliente_ + " AND (Punti-Punti_Uti)>=" + punti);
            if (s_.db.rowsChanged() != 1) return false;
            s_.db.execute("UPDATE Gestione_Aggiunte  SET Scaduta=-1, Data_Scadenza=" + oggi_ + " WHERE ID=" + id +
                          " AND Codice_Cliente=" + cliente_ + " AND Punti>0 AND (Punti-Punti_Uti)<=0 " +
                          esclusionePrenotazioni("Gestione_Aggiunte.ID", "ID_Aggiunta", cliente_, oggi_));
            return true;
        }
        const std::string codice = CChrQ(d.codice);
        s_.db.execute("UPDATE Gestione_Iscrizioni  SET Punti_Uti=Punti_Uti+" + punti + " WHERE Codice_Iscrizione=" +
                      codice + " AND Codice_Cliente=" + cliente_ + " AND (Punti-Punti_Uti)>=" + punti);
        if (s_.db.rowsChanged() != 1) return false;
        const std::string prenotate =
            esclusionePrenotazioni("Gestione_Iscrizioni.Codice_Iscrizione", "Codice_Iscrizione", cliente_, oggi_);
        s_.db.execute("UPDATE Gestione_Iscrizioni  SET Scaduta=-1, Data_Scadenza=" + oggi_ + " WHERE Codice_Iscrizione=" +
                      codice + " AND Punti>0 AND (Punti-Punti_Uti)<=0 " + prenotate);
        s_.db.execute("UPDATE Iscrizioni_Strutture  SET Iscrizioni_Strutture.Scaduta=-1, Iscrizioni_Strutture.Data_Scadenza=" +
                      oggi_ + " FROM Gestione_Iscrizioni INNER JOIN Iscrizioni_Strutture ON "
                              "Gestione_Iscrizioni.Codice_Iscrizione=Iscrizioni_Strutture.Codice_Iscrizione  WHERE "
                              "Gestione_Iscrizioni.Codice_Iscrizione=" + codice +
                      " AND Gestione_Iscrizioni.Punti>0 AND (Gestione_Iscrizioni.Punti-Gestione_Iscrizioni.Punti_Uti)<=0 " +
                      prenotate);
        return true;
    }

private:
    Sistema& s_;
    std::string cliente_;
    Value struttura_;
    std::string oggi_;
};

struct RigaTariffa {
    int64_t punti = 0, entrata = 0, noScalare = 0;
};

std::vector<RigaTariffa> righeTariffa(Sistema& s, int indirizzo, const DateTime& now, const std::string& altro, bool primo) {
    std::vector<RigaTariffa> out;
    auto rs = s.db.open(istruzioneTariffa(kTariffaPunti,
                                          "Dettaglio_Terminali_Punti.Punti, Dettaglio_Terminali_Punti.ID_Terminale_Entrata, "
                                          "Dettaglio_Terminali_Punti.Punti_NoScalare",
                                          "Dettaglio_Terminali.Indirizzo=" + num(indirizzo), now.weekdayMonday1(), now,
                                          now, altro, primo));
    for (; !rs->eof(); rs->moveNext()) out.push_back({rs->field(0).toInt(), rs->field(1).toInt(), rs->field(2).toInt()});
    return out;
}

// The member's last pass today through the terminal named by `terminale`: its facility
// and time, or nothing.
std::optional<std::pair<Value, DateTime>> ultimoPassaggio(Sistema& s, const std::string& cliente,
                                                          const std::string& terminale, const std::string& oggi) {
    auto rs = s.db.open("SELECT TOP 1 Dettaglio_Terminali.Codice_Struttura, Log_Terminali_Presenze.Ora_Presenza  FROM "
                        "Dettaglio_Terminali INNER JOIN Log_Terminali_Presenze ON "
                        "Dettaglio_Terminali.Indirizzo=Log_Terminali_Presenze.IndTerminale  WHERE "
                        "Log_Terminali_Presenze.Codice_Cliente=" + cliente + " AND " + terminale +
                        " AND Log_Terminali_Presenze.Data_Presenza=" + oggi +
                        " ORDER BY Log_Terminali_Presenze.Ora_Presenza DESC");
    if (rs->eof()) return std::nullopt;
    return std::make_pair(rs->field(0), rs->field(1).toDate().value_or(DateTime()).timeOnDay1900());
}

}  // namespace

CaricoPunti Verifica_Punti_Terminali(Sistema& s, const Value& cliente, int indirizzo) {
    const DateTime now = s.clock.now();
    const std::string c = CChrQ(cliente);
    const std::string oggi = Data_SqlQ(Value(now.datePart()));
    const std::string adesso = Ora_SqlQ(Value(now.timeOnDay1900()));

    // Follow-on rows: the charge of a terminal passed after an entry terminal.
    for (const RigaTariffa& r : righeTariffa(s, indirizzo, now, " AND Dettaglio_Terminali_Punti.ID_Terminale_Entrata>0", false)) {
        const auto passaggio = ultimoPassaggio(s, c, "Dettaglio_Terminali.ID=" + num(r.entrata), oggi);
        if (!passaggio) continue;
        const bool giaAddebitato =
            valore(s, "SELECT Count(*) FROM Log_Punti_Clienti WHERE Op=" + num(kOpIngressoPunti) + " And Codice_Cliente=" +
                          c + " And Codice_Struttura=" + CChrQ(passaggio->first) + " And Punti>0 And Data_Log=" + oggi)
                .toInt() > 0;
        return {giaAddebitato ? 0 : r.punti, r.noScalare};
    }

    // Booking rows, for a member with a points-paid booking started by now.
    const auto prenotazione = righeTariffa(
        s, indirizzo, now, " AND Dettaglio_Terminali_Punti.ID_Terminale_Entrata=0 AND Dettaglio_Terminali_Punti.Punti_Pren<>0",
        true);
    if (!prenotazione.empty()) {
        auto rs = s.db.open(
            "SELECT Gestione_Prenotazioni_Corsi.Punti_Uti  FROM Gestione_Prenotazioni_Corsi INNER JOIN "
            "Orario_Istruttori_Corsi ON Gestione_Prenotazioni_Corsi.ID_Corso=Orario_Istruttori_Corsi.ID  WHERE "
            "Gestione_Prenotazioni_Corsi.Codice_Cliente=" + c + " AND Gestione_Prenotazioni_Corsi.Data_Prenotazione=" +
            oggi + " AND Orario_Istruttori_Corsi.DaOre<=" + adesso +
            " AND Gestione_Prenotazioni_Corsi.Punti_Uti>0  UNION SELECT Gestione_Prenotazioni_Servizi.Punti_Uti  FROM "
            "Gestione_Prenotazioni_Servizi INNER JOIN Orario_Servizi ON "
            "Gestione_Prenotazioni_Servizi.ID_Servizio=Orario_Servizi.ID  WHERE "
            "Gestione_Prenotazioni_Servizi.Codice_Cliente=" + c + " AND Gestione_Prenotazioni_Servizi.Data_Prenotazione=" +
            oggi + " AND Orario_Servizi.DaOre<=" + adesso +
            " AND Gestione_Prenotazioni_Servizi.Punti_Uti>0  UNION SELECT Booking_Clienti.Punti_Uti  FROM Booking_Clienti "
            "INNER JOIN Gestione_Prenotazioni ON Booking_Clienti.ID_PivotPrenotazione=Gestione_Prenotazioni.ID  WHERE "
            "Booking_Clienti.Codice_Cliente=" + c + " AND Gestione_Prenotazioni.Data_Prenotazione=" + oggi +
            " AND Gestione_Prenotazioni.DaOre<=" + adesso + " AND Booking_Clienti.Punti_Uti>0");
        if (!rs->eof()) return {prenotazione.front().punti, prenotazione.front().noScalare};
    }

    // The plain row of the band.
    const auto semplice = righeTariffa(
        s, indirizzo, now, " AND Dettaglio_Terminali_Punti.ID_Terminale_Entrata=0 AND Dettaglio_Terminali_Punti.Punti_Pren=0",
        true);
    if (semplice.empty()) return {};
    // A charge taken for this facility after the member's last pass here has not been
    // used for a pass yet (the entry was never completed): it covers this one.
    const Value struttura = valore(s, "SELECT TOP 1 Codice_Struttura FROM Dettaglio_Terminali WHERE Indirizzo=" + num(indirizzo));
    const auto passaggio = ultimoPassaggio(s, c, "Dettaglio_Terminali.Indirizzo=" + num(indirizzo), oggi);
    std::string dopo;
    if (passaggio) dopo = " AND Log_Punti_Clienti.Ora_Log>" + Ora_SqlQ(Value(passaggio->second));
    const Value carico = valore(s, "SELECT TOP 1 Log_Punti_Clienti.Ora_Log  FROM Log_Punti_Clienti  WHERE "
                                   "Log_Punti_Clienti.Op=" + num(kOpIngressoPunti) + " AND Log_Punti_Clienti.Codice_Cliente=" +
                                   c + " AND Log_Punti_Clienti.Codice_Struttura=" + CChrQ(struttura) +
                                   " AND Log_Punti_Clienti.Punti>0 AND Log_Punti_Clienti.Data_Log=" + oggi + dopo +
                                   " ORDER BY Log_Punti_Clienti.Ora_Log DESC");
    if (!carico.isNull()) return {0, semplice.front().noScalare};
    return {semplice.front().punti, semplice.front().noScalare};
}

int64_t Cliente_Credito_Punti(Sistema& s, const Value& cliente, const Value& struttura) {
    return Detentori(s, cliente, struttura).credito();
}

PagamentoPunti Addebita_Punti(Sistema& s, const Value& cliente, int64_t punti, const Value& struttura,
                              const Value& attivita, int op) {
    PagamentoPunti p;
    try {
        if (Nullo_Vuoto(cliente) || punti < 0) {
            p.esito = EsitoAddebito::CreditoInsufficiente;
            return p;
        }
        Transaction t(s.db);
        Detentori detentori(s, cliente, struttura);
        const std::vector<Detentore> elenco = detentori.leggi();
        int64_t resta = punti, credito = 0;
        std::vector<std::pair<const Detentore*, int64_t>> quote;
        for (const Detentore& d : elenco) {
            credito += d.credito;
            if (resta <= 0) continue;
            const int64_t q = std::min(resta, d.credito);
            quote.emplace_back(&d, q);
            resta -= q;
        }
        p.residuo = credito;
        if (resta > 0) {
            p.esito = EsitoAddebito::CreditoInsufficiente;
            return p;  // rolled back: nothing was written
        }
        for (const auto& [d, q] : quote) {
            if (!detentori.addebita(*d, q)) {
                p.esito = EsitoAddebito::CreditoInsufficiente;
                return p;  // another workstation took them first
            }
            Log_Punti(s, op, cliente, q, attivita, d->aggiunta ? Value::null() : d->codice,
                      d->aggiunta ? d->pacchetto : Value(0));
        }
        t.commit();
        p.esito = EsitoAddebito::Eseguito;
        p.addebitati = punti;
        p.residuo = credito - punti;
    } catch (const std::exception& e) {
        s.db.logError(e, F_Punti);
        p = PagamentoPunti{};
    }
    return p;
}

void Log_Punti(Sistema& s, int op, const Value& cliente, int64_t punti, const Value& attivita, const Value& iscrizione,
               const Value& pacchetto) {
    const std::string c = CChrQ(cliente);
    std::string nome;
    {
        auto rs = s.db.open("SELECT TOP 1 Cognome, Nome FROM Anagrafica_Clienti WHERE Codice_Cliente=" + c);
        if (!rs->eof())
            nome = std::string(trimBlanks(rs->field(0).toText())) + " " + std::string(trimBlanks(rs->field(1).toText()));
    }
    const std::string codice = attivita.toText();
    const std::string sigla = codice.substr(0, 2);
    const char* tabella = sigla == "CS" ? "Anagrafica_Corsi" : sigla == "SE" ? "Anagrafica_Servizi" : "Anagrafica_Strutture";
    const char* chiave = sigla == "CS" ? "Codice_Corso" : sigla == "SE" ? "Codice_Servizio" : "Codice_Struttura";
    const std::string descrizione(trimBlanks(
        valore(s, std::string("SELECT TOP 1 Descrizione FROM ") + tabella + " WHERE " + chiave + "=" + CChrQ(attivita))
            .toText()));
    const bool struttura = sigla != "CS" && sigla != "SE";
    const DateTime now = s.clock.now();
    s.db.execute("INSERT INTO Log_Punti_Clienti (Op, Codice_Cliente, Data_Log, Ora_Log, Punti, Codice_Struttura, "
                 "Dati_Cliente, Dati_Struttura, Descrizi, Codice_Iscrizione, ID_Pacchetto, Codice_Servizio)  VALUES (" +
                 num(op) + ", " + c + ", " + Data_SqlQ(Value(now.datePart())) + ", " + Ora_SqlQ(Value(now.timeOnDay1900())) +
                 ", " + num(punti) + ", " + CChrQ(attivita) + ", " + CChrQ(Value(nome)) + ", " + CChrQ(Value(descrizione)) +
                 ", " + CChrQ(Value(struttura ? std::string("Ingresso struttura") : "Utilizzo servizio: " + descrizione)) +
                 ", " + (Nullo_Vuoto(iscrizione) ? std::string("Null") : CChrQ(iscrizione)) + ", " + Num_SqlQ(pacchetto) +
                 ", " + (struttura ? std::string("Null") : CChrQ(attivita)) + ")");
}

UscitaPunti Addebito_Uscita_Punti(Sistema& s, const Value& cliente, int indirizzo, const DateTime& oraEntrata,
                                  const DateTime& adesso, const Value& struttura) {
    UscitaPunti u;
    u.punti = Punti_Permanenza(s, indirizzo, oraEntrata, adesso);
    if (u.punti <= 0) {
        u.consentita = true;
        return u;
    }
    const PagamentoPunti p = Addebita_Punti(s, cliente, u.punti, struttura, struttura);
    if (p.esito == EsitoAddebito::Errore) throw DbError(5, "The points of the stay could not be debited");
    u.consentita = p.esito == EsitoAddebito::Eseguito;
    u.residuo = p.residuo;
    return u;
}

int64_t Punti_Permanenza(Sistema& s, int indirizzo, const DateTime& oraEntrata, const DateTime& adesso) {
    const std::string oggi = Data_SqlQ(Value(adesso.datePart()));
    const int giorno = adesso.weekdayMonday1();
    // The row in force at a moment of the stay: its band holds it (a band begins after it).
    auto riga = [&](const DateTime& momento, const char* colonne) {
        return s.db.open(std::string("SELECT TOP 1 ") + colonne +
                         "  FROM Dettaglio_Terminali_Punti INNER JOIN Dettaglio_Terminali ON "
                         "Dettaglio_Terminali_Punti.ID_Terminale = Dettaglio_Terminali.ID   WHERE "
                         "Dettaglio_Terminali_Punti.Tipo=" + num(kTariffaPunti) + " AND Dettaglio_Terminali.Indirizzo=" +
                         num(indirizzo) + " And Dettaglio_Terminali_Punti.DDSettimana=" + num(giorno) +
                         " And Dettaglio_Terminali_Punti.Fascia_Ini<" + Ora_SqlQ(Value(momento)) +
                         " And Dettaglio_Terminali_Punti.Fascia_Fin>=" + Ora_SqlQ(Value(momento)) +
                         " AND Data_Validita<=" + oggi + " AND (Fine_Validita Is Null OR Fine_Validita>=" + oggi +
                         ") ORDER BY Data_Validita DESC, Dettaglio_Terminali_Punti.ID DESC ");
    };
    const int64_t inizio = oraEntrata.secondOfDay() / 60;
    const int64_t fine = inizio + minutiPermanenza(oraEntrata, adesso);
    int64_t validita;
    {
        auto rs = riga(oraEntrata.timeOnDay1900(), "Dettaglio_Terminali_Punti.Validita, Dettaglio_Terminali_Punti.Punti");
        if (rs->eof()) return 0;
        validita = rs->field(0).toInt();
    }
    if (validita <= 0 || fine - inizio <= validita) return 0;
    int64_t totale = 0;
    int64_t periodo = inizio + validita;
    for (int n = 0; n < kPeriodiMassimi && periodo < fine; ++n) {
        const DateTime momento = DateTime::fromSeconds(2 * 86400 + (periodo % (24 * 60)) * 60);
        auto rs = riga(momento, "Dettaglio_Terminali_Punti.Fascia_Ini, Dettaglio_Terminali_Punti.Fascia_Fin, "
                                "Dettaglio_Terminali_Punti.Punti, Dettaglio_Terminali_Punti.Validita");
        if (rs->eof()) break;
        totale += std::max<int64_t>(0, rs->field(2).toInt());
        const int64_t v = rs->field(3).toInt();
        if (v <= 0) break;
        periodo += v;
    }
    return totale;
}

}  // namespace velaris
