#include "checks/abbonamenti_strutture.h"

#include <set>
#include <vector>

#include "attendance/money_card.h"
#include "base/format.h"
#include "checks/festivi.h"
#include "checks/frequenze.h"
#include "checks/orari.h"
#include "checks/irregolarita.h"

namespace velaris {

namespace {

constexpr const char* kFunzione = "Verifica_Abbonamenti_Strutture";
constexpr const char* kScratch = "wTmp_Presenze_Strutture";

// Facilities verified at a terminal of their own: a terminal's facility, the facilities
// associated with it, and the parents of sub-facilities served by a terminal.
const std::string kConTerminale =
    "(SELECT Codice_Struttura FROM Dettaglio_Terminali WHERE Codice_Struttura Is Not Null"
    " UNION SELECT Strutture_Associate.Codice_Struttura_Associata FROM Strutture_Associate INNER JOIN "
    "Dettaglio_Terminali ON Strutture_Associate.Codice_Struttura=Dettaglio_Terminali.Codice_Struttura"
    " UNION SELECT Anagrafica_SubStrutture.Codice_Struttura FROM Dettaglio_Terminali_Sub INNER JOIN "
    "Anagrafica_SubStrutture ON Dettaglio_Terminali_Sub.Cd_SubStruttura=Anagrafica_SubStrutture.Cd_SubStruttura)";

// External facilities. Flags are tested "<>0": a SQL Server bit reads back 1, never -1.
const std::string kEsterne = "(SELECT Codice_Struttura FROM Anagrafica_Strutture WHERE Esterna<>0)";

// Rows of facilities in `strutture`, and of courses and services held in them.
std::string inStrutture(const std::string& strutture) {
    return "(Tipologia=1 AND Codice_Struttura IN " + strutture +
           ") OR (Tipologia=2 AND Codice_Struttura IN (SELECT Codice_Corso FROM Orario_Istruttori_Corsi WHERE "
           "Codice_Struttura IN " + strutture +
           ")) OR (Tipologia=3 AND Codice_Struttura IN (SELECT Codice_Servizio FROM Orario_Servizi WHERE "
           "Codice_Struttura IN " + strutture + "))";
}

// Rows whose facility, course or service has the flag `colonna` set.
std::string conFlag(const std::string& colonna) {
    return "(Tipologia=1 AND Codice_Struttura IN (SELECT Codice_Struttura FROM Anagrafica_Strutture WHERE " + colonna +
           "<>0)) OR (Tipologia=2 AND Codice_Struttura IN (SELECT Codice_Corso FROM Anagrafica_Corsi WHERE " + colonna +
           "<>0)) OR (Tipologia=3 AND Codice_Struttura IN (SELECT Codice_Servizio FROM Anagrafica_Servizi WHERE " +
           colonna + "<>0))";
}

// The candidate check, step by step. What is computed once (the member, the moment, the
// literals) is held here; each method is one step and leaves its decisions in the
// scratch table or in `e_`.
class VerificaStrutture {
public:
    VerificaStrutture(Sistema& s, const Value& codice, int indirizzo);
    EsitoStrutture esegui();

private:
    void candidatiAbbonamenti();
    void candidatiAggiunte();
    void recuperi();
    void datiPacchetti();
    void righeNonValide();
    void segni();
    void morosita();
    void sommario();
    void frequenzaAbbonamenti();
    void frequenzaPacchetti();
    void orari();
    void prenotazioni();
    void passaggi();
    void singole();
    void sospensioni();
    void unaPerAttivita();
    void verdetto();
    void testoDisplay();
    void entitlementInutilizzabili();
    bool pagaConMoneyCard();

    std::string elencoAttivita() const;
    void strike(const std::string& where) { exec("UPDATE wTmp_Presenze_Strutture SET Conferma=0 " + where); }
    // Counts of the scratch table; a failure raises (never "nothing there").
    int64_t conta(const std::string& criterio);
    void exec(const std::string& sql) { s_.db.execute(sql); }

    Sistema& s_;
    Value codice_;
    int indirizzo_;
    DateTime oggiD_, oraD_;
    std::string q_, oggi_;
    int giorno_ = 1;
    bool festivo_ = false;
    Value anticipo_;
    bool fascia_ = false;  // a band or timetable test struck a row out
    EsitoStrutture e_;
};

VerificaStrutture::VerificaStrutture(Sistema& s, const Value& codice, int indirizzo)
    : s_(s), codice_(codice), indirizzo_(indirizzo) {
    const DateTime now = s.clock.now();
    oggiD_ = now.datePart();
    oraD_ = now.timeOnDay1900();
    giorno_ = now.weekdayMonday1();
    q_ = CChrQ(codice);
    oggi_ = Data_SqlQ(Value(oggiD_));
    anticipo_ = s.settings.slot(impostazione::AnticipoPren);
}

int64_t VerificaStrutture::conta(const std::string& criterio) {
    auto rs = s_.db.open(std::string("SELECT Count(*) FROM ") + kScratch + " WHERE " + criterio);
    return rs->eof() ? 0 : rs->field(0).toInt();
}

// Facilities need `Abilita_Ingresso`; with a centre set, only its own activities.
std::string VerificaStrutture::elencoAttivita() const {
    const Value centro = s_.settings.slot(impostazione::Codice_Centro);
    if (Nullo_Vuoto(centro))
        return " (SELECT Codice_Struttura FROM Anagrafica_Strutture WHERE Abilita_Ingresso<>0 "
               " UNION ALL SELECT Codice_Corso FROM Anagrafica_Corsi "
               " UNION ALL SELECT Codice_Servizio FROM Anagrafica_Servizi)";
    const std::string c = CChrQ(centro);
    return " (SELECT Codice_Struttura FROM Anagrafica_Strutture WHERE Abilita_Ingresso<>0 AND (Codice_Centro Is Null OR "
           "Codice_Centro=" + c + ")" + " UNION ALL SELECT Codice_Corso FROM Anagrafica_Corsi WHERE (Codice_Centro Is "
           "Null OR Codice_Centro=" + c + ")" + " UNION ALL SELECT Codice_Servizio FROM Anagrafica_Servizi WHERE "
           "(Codice_Centro Is Null OR Codice_Centro=" + c + "))";
}

// The open subscription lines of enterable activities.
void VerificaStrutture::candidatiAbbonamenti() {
    exec("INSERT INTO wTmp_Presenze_Strutture_SQL (Origine, Codice_Abbonamento, Codice_Iscrizione, ID_Iscrizione, "
         "Prog_Riga, Codice_Cliente, Codice_Struttura, Tipologia, Sedute, Sedute_Fatte, Pagato, Conferma, Data_Inizio, "
         "Data_Fine, Data_Scadenza, Scaduta, Giornaliero, GiornalieroT, Tempo_Permanenza) SELECT 'Abbonamento', "
         "Iscrizioni_Strutture.Codice_Abbonamento, Iscrizioni_Strutture.Codice_Iscrizione, Iscrizioni_Strutture.ID, "
         "Iscrizioni_Strutture.Prog_Riga, Iscrizioni_Strutture.Codice_Cliente, Iscrizioni_Strutture.Codice_Struttura, "
         "Iscrizioni_Strutture.Tipologia, Iscrizioni_Strutture.Sedute, Iscrizioni_Strutture.SeduteFatte, 1, 1, "
         "Iscrizioni_Strutture.Data_Inizio, Iscrizioni_Strutture.Data_Fine, Iscrizioni_Strutture.Data_Scadenza, "
         "Iscrizioni_Strutture.Scaduta, Iscrizioni_Strutture.Giornaliero, Anagrafica_Abbonamenti.Giornaliero, "
         "Anagrafica_Abbonamenti.Tempo_Permanenza FROM Iscrizioni_Strutture INNER JOIN Anagrafica_Abbonamenti ON "
         "Iscrizioni_Strutture.Codice_Abbonamento=Anagrafica_Abbonamenti.Codice_Abbonamento"
         " WHERE Iscrizioni_Strutture.Codice_Cliente=" + q_ + " AND Iscrizioni_Strutture.Data_Inizio<=" + oggi_ +
         " AND Iscrizioni_Strutture.Chiusa=0 AND Iscrizioni_Strutture.Scaduta=0 " +
         " AND Iscrizioni_Strutture.Codice_Struttura IN " + elencoAttivita());
}

// The open add-ons (entry packages, multi-activity packages, single bookings,
// recovery vouchers) of enterable activities; the master tables give their kind.
void VerificaStrutture::candidatiAggiunte() {
    exec("INSERT INTO wTmp_Presenze_Strutture_SQL (Origine, ID_Prenotazione, ID_Pacchetto, Codice_Pacchetto, "
         "Codice_PacchettoM, Prog_Riga, Codice_Cliente, Codice_Struttura, Tipologia, Sedute, Sedute_Fatte, Pagato, "
         "Conferma, Pass, Singola, Data_Inizio, Data_Fine, Data_Scadenza, Scaduta, Giornaliero, Tempo_Permanenza, "
         "FrequenzaDD, ID_Intervallo, Pren_DaOre, Pren_AOre) SELECT 'Aggiunta', Gestione_Aggiunte.ID, "
         "Gestione_Aggiunte.ID_Pacchetto, Gestione_Aggiunte.Codice_Pacchetto, Gestione_Aggiunte.Codice_PacchettoM, "
         "Gestione_Aggiunte.Prog_Riga, Gestione_Aggiunte.Codice_Cliente, Gestione_Aggiunte.Codice_Struttura, CASE WHEN "
         "Gestione_Aggiunte.Codice_Struttura IN (SELECT Codice_Corso FROM Anagrafica_Corsi) THEN 2 WHEN "
         "Gestione_Aggiunte.Codice_Struttura IN (SELECT Codice_Servizio FROM Anagrafica_Servizi) THEN 3 ELSE 1 END, "
         "Gestione_Aggiunte.Sedute, Gestione_Aggiunte.SeduteFatte, 1, 1, 1, "
         "Gestione_Aggiunte.Singola+Gestione_Aggiunte.Singola_Corsi+Gestione_Aggiunte.Singola_Servizi, "
         "Gestione_Aggiunte.Data_Inizio, Gestione_Aggiunte.Data_Fine, Gestione_Aggiunte.Data_Scadenza, "
         "Gestione_Aggiunte.Scaduta, Gestione_Aggiunte.Giornaliero, Gestione_Aggiunte.Tempo_Permanenza, "
         "Gestione_Aggiunte.FrequenzaDD, Gestione_Aggiunte.ID_Intervallo, Gestione_Aggiunte.Pren_DaOre, "
         "Gestione_Aggiunte.Pren_AOre FROM Gestione_Aggiunte WHERE Gestione_Aggiunte.Codice_Cliente=" + q_ +
         " AND Gestione_Aggiunte.Data_Inizio<=" + oggi_ + " AND Gestione_Aggiunte.Scaduta=0" +
         " AND Gestione_Aggiunte.Codice_Struttura IN " + elencoAttivita());
}

// A recovery voucher entitles only within its recovery period. The voucher is
// re-labelled to the entitlement whose lesson it makes up by the recording, after it has
// been closed: re-labelled here, it would no longer be found and closed there.
void VerificaStrutture::recuperi() {
    strike("WHERE Origine='Aggiunta' AND Conferma<>0 AND ID_Prenotazione IN (SELECT ID_Aggiunta2 FROM "
           "Clienti_Recuperi_Corsi WHERE Codice_Cliente=" + q_ + " AND ID_Aggiunta2>0) AND ID_Prenotazione Not In "
           "(SELECT ID_Aggiunta2 FROM Clienti_Recuperi_Corsi WHERE Codice_Cliente=" + q_ + " AND Data_Inizio<=" +
           oggi_ + " AND Data_Fine>=" + oggi_ + ")");
}

// Packages take their daily flag and permitted stay from their master
// rows (per facility when the package has one for it).
void VerificaStrutture::datiPacchetti() {
    exec("UPDATE wTmp_Presenze_Strutture SET GiornalieroT=Anagrafica_Pacchetti_Multipli.GiornalieroT, "
         "Tempo_Permanenza=Anagrafica_Pacchetti_Multipli.Tempo_Permanenza FROM wTmp_Presenze_Strutture, "
         "Anagrafica_Pacchetti_Multipli WHERE wTmp_Presenze_Strutture.Origine='Aggiunta' AND "
         "wTmp_Presenze_Strutture.Codice_PacchettoM=Anagrafica_Pacchetti_Multipli.Codice_PacchettoM");
    exec("UPDATE wTmp_Presenze_Strutture SET Tempo_Permanenza=Strutture_Pacchetti_Multipli.Tempo_Permanenza FROM "
         "wTmp_Presenze_Strutture, Strutture_Pacchetti_Multipli WHERE wTmp_Presenze_Strutture.Origine='Aggiunta' AND "
         "wTmp_Presenze_Strutture.Codice_PacchettoM=Strutture_Pacchetti_Multipli.Codice_PacchettoM AND "
         "wTmp_Presenze_Strutture.Codice_Struttura=Strutture_Pacchetti_Multipli.Codice_Struttura AND "
         "Strutture_Pacchetti_Multipli.Tempo_Permanenza>0");
    exec("UPDATE wTmp_Presenze_Strutture SET Tempo_Permanenza=Anagrafica_Pacchetti.Tempo_Permanenza FROM "
         "wTmp_Presenze_Strutture, Anagrafica_Pacchetti WHERE wTmp_Presenze_Strutture.Origine='Aggiunta' AND "
         "wTmp_Presenze_Strutture.Codice_Pacchetto=Anagrafica_Pacchetti.Codice_Pacchetto AND "
         "wTmp_Presenze_Strutture.Codice_Struttura=Anagrafica_Pacchetti.Codice_Struttura AND "
         "Anagrafica_Pacchetti.Tempo_Permanenza>0");
}

// Rows that cannot entitle: past their end date, entries used up (the count would not
// take the entry), or contradictory (negative entries, end before start; logged).
void VerificaStrutture::righeNonValide() {
    const std::string contraddittorie = "Sedute<0 OR Sedute_Fatte<0 OR Data_Fine<Data_Inizio";
    {
        auto rs = s_.db.open("SELECT Origine, Codice_Iscrizione, ID_Prenotazione, Codice_Struttura, Sedute, "
                             "Sedute_Fatte, Data_Inizio, Data_Fine FROM wTmp_Presenze_Strutture WHERE " +
                             contraddittorie);
        for (; !rs->eof(); rs->moveNext()) {
            const bool abb = rs->field(0).toText() == "Abbonamento";
            auto data = [](const Value& v) { return v.toDate() ? formatDate(*v.toDate(), "dd/mm/yyyy") : std::string("-"); };
            s_.log.error(0,
                         "Member " + codice_.toText() + ": " + (abb ? "subscription " + rs->field(1).toText()
                                                                    : "add-on " + rs->field(2).toText()) +
                             " for " + rs->field(3).toText() + " has contradictory data (entries " +
                             rs->field(5).toText() + " of " + rs->field(4).toText() + ", from " + data(rs->field(6)) +
                             " to " + data(rs->field(7)) + "): not used",
                         kFunzione);
        }
    }
    strike("WHERE Conferma<>0 AND (" + contraddittorie + " OR Data_Fine<" + oggi_ +
           " OR (Sedute>0 AND Sedute_Fatte>=Sedute))");
}

// Rows verified at their own terminal, rows of external facilities, rows exempt
// from entry checks, rows that need a companion.
void VerificaStrutture::segni() {
    exec("UPDATE wTmp_Presenze_Strutture SET Terminale=-1 WHERE " + inStrutture(kConTerminale));
    // A service booked today in a sub-facility of an external facility is external too
    // (today from the server's clock, as every other date).
    exec("UPDATE wTmp_Presenze_Strutture SET Esterna=1 WHERE " + inStrutture(kEsterne) +
         " OR (Tipologia=3 AND Codice_Struttura IN (SELECT Gestione_Prenotazioni.Codice2 FROM Gestione_Prenotazioni "
         "INNER JOIN Booking_Clienti ON Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione WHERE "
         "Booking_Clienti.Codice_Cliente=" + q_ + " AND Gestione_Prenotazioni.Data_Prenotazione=" + oggi_ +
         " AND Gestione_Prenotazioni.Cd_SubStruttura IN (SELECT Cd_SubStruttura FROM Anagrafica_SubStrutture WHERE "
         "Codice_Struttura IN " + kEsterne + ")))");
    exec("UPDATE wTmp_Presenze_Strutture SET NoVerifica=-1 WHERE " + conFlag("NoVerifica_Ingresso"));
    exec("UPDATE wTmp_Presenze_Strutture SET Con_Accompagnatore=-1 WHERE " + conFlag("Con_Accompagnatore"));
}

// Arrears and the irregularity kinds.
void VerificaStrutture::morosita() {
    if (s_.corrente.Filtro_Irregolarita.empty())
        s_.corrente.Filtro_Irregolarita = costruisciFiltroIrregolarita(s_, oggiD_, true);
    const Morosita m =
        Verifica_Morosita(s_, e_.cliente, s_.corrente.Filtro_Irregolarita + s_.settings.Filtro_NoEntry());
    e_.Irregolare = m.irregolare;
    e_.Irregolare_Altri = m.altriScaduti;
    Segna_Irregolarita(s_, e_.cliente);
}

// The member's subscriptions and packages for the state row and the display.
void VerificaStrutture::sommario() {
    auto rs = s_.db.open(
        "SELECT 1 AS Ordine, Gestione_Iscrizioni.Descrizione, MAX(wTmp_Presenze_Strutture.Data_Fine) AS Scadenza, "
        "wTmp_Presenze_Strutture.Codice_Abbonamento, wTmp_Presenze_Strutture.Codice_Iscrizione FROM "
        "wTmp_Presenze_Strutture INNER JOIN Gestione_Iscrizioni ON "
        "wTmp_Presenze_Strutture.Codice_Iscrizione=Gestione_Iscrizioni.Codice_Iscrizione WHERE "
        "wTmp_Presenze_Strutture.Origine='Abbonamento' GROUP BY Gestione_Iscrizioni.Descrizione, "
        "wTmp_Presenze_Strutture.Codice_Abbonamento, wTmp_Presenze_Strutture.Codice_Iscrizione"
        " UNION ALL SELECT 2 AS Ordine, Anagrafica_Pacchetti.Descrizione, MAX(wTmp_Presenze_Strutture.Data_Fine) AS "
        "Scadenza, Null, Null FROM wTmp_Presenze_Strutture INNER JOIN Anagrafica_Pacchetti ON "
        "wTmp_Presenze_Strutture.Codice_Pacchetto=Anagrafica_Pacchetti.Codice_Pacchetto AND "
        "wTmp_Presenze_Strutture.Codice_Struttura=Anagrafica_Pacchetti.Codice_Struttura WHERE "
        "wTmp_Presenze_Strutture.Origine='Aggiunta' AND wTmp_Presenze_Strutture.ID_Pacchetto>0 GROUP BY "
        "Anagrafica_Pacchetti.Descrizione, wTmp_Presenze_Strutture.Codice_Pacchetto"
        " UNION ALL SELECT 3 AS Ordine, Anagrafica_Pacchetti_Multipli.Descrizione, "
        "MAX(wTmp_Presenze_Strutture.Data_Fine) AS Scadenza, Null, Null FROM wTmp_Presenze_Strutture INNER JOIN "
        "Anagrafica_Pacchetti_Multipli ON "
        "wTmp_Presenze_Strutture.Codice_PacchettoM=Anagrafica_Pacchetti_Multipli.Codice_PacchettoM WHERE "
        "wTmp_Presenze_Strutture.Origine='Aggiunta' GROUP BY Anagrafica_Pacchetti_Multipli.Descrizione, "
        "wTmp_Presenze_Strutture.Codice_PacchettoM ORDER BY 1");
    for (; !rs->eof(); rs->moveNext()) {
        const Value& scadenza = rs->field(2);
        e_.Sommario += rs->field(1).toText();
        if (const auto d = scadenza.toDate(); d && !Nullo_Vuoto(scadenza))
            e_.Sommario += " scadenza " + formatDate(*d, "dd/mm/yyyy");
        e_.Sommario += "\r\n";
        e_.Scadenza = scadenza;
        if (rs->field(0).toInt() == 1) {
            e_.Codice_Abbonamento = rs->field(3);
            e_.Codice_Iscrizione = rs->field(4);
        }
    }
    rs.reset();
    Sommario_Stato(s_, indirizzo_, e_.cliente, e_.Sommario, e_.Scadenza, e_.Rinnovo);
}

// Visit frequency and day and time bands of each subscription; a subscription
// that fails is struck out with the single uses booked on it.
void VerificaStrutture::frequenzaAbbonamenti() {
    struct Iscrizione { Value abbonamento, iscrizione; };
    std::vector<Iscrizione> iscrizioni;
    {
        auto rs = s_.db.open("SELECT Codice_Abbonamento, Codice_Iscrizione, MAX(Data_Fine) AS Scadenza "
                             " FROM wTmp_Presenze_Strutture "
                             " WHERE Origine='Abbonamento' AND Esterna=0 And Conferma<>0"
                             " GROUP BY Codice_Abbonamento, Codice_Iscrizione");
        for (; !rs->eof(); rs->moveNext()) iscrizioni.push_back({rs->field(0), rs->field(1)});
    }
    for (const Iscrizione& i : iscrizioni) {
        Value frequenza, intervallo;
        if (auto rs = s_.db.open(std::string("SELECT Descrizione, FrequenzaDD, ID_Intervallo, Tempo_Permanenza ") +
                                 " FROM Anagrafica_Abbonamenti " + " WHERE Codice_Abbonamento=" + CChrQ(i.abbonamento));
            !rs->eof()) {
            frequenza = rs->field(1);
            intervallo = rs->field(2);
        }
        const bool limite =
            Limite_Frequenza_Raggiunto(s_, frequenza, intervallo, codice_, i.iscrizione, Value(0), Value(), Value(0));
        const bool fasce = !limite && !Fasce_Abbonamento_Valide(s_, i.abbonamento, giorno_, festivo_, anticipo_, oraD_);
        if (!limite && !fasce) continue;
        fascia_ = fascia_ || fasce;
        const std::string x = CChrQ(i.iscrizione);
        strike(" WHERE Origine='Abbonamento' AND Codice_Iscrizione=" + x + " AND Esterna=0 AND Conferma<>0");
        strike("WHERE Origine='Aggiunta' AND Esterna=0 AND Conferma<>0 AND Singola>0 AND ID_Prenotazione IN (SELECT "
               "ID FROM Gestione_Aggiunte WHERE Codice_Cliente=" + q_ +
               " AND ((Singola>0 AND Singola IN (SELECT ID_PivotPrenotazione FROM Booking_Clienti WHERE "
               "Codice_Iscrizione=" + x + ")) OR (Singola_Corsi>0 AND Singola_Corsi IN (SELECT ID FROM "
               "Gestione_Prenotazioni_Corsi WHERE Codice_Iscrizione=" + x + ")) OR (Singola_Servizi>0 AND "
               "Singola_Servizi IN (SELECT ID FROM Gestione_Prenotazioni_Servizi WHERE Codice_Iscrizione=" + x + "))))");
    }
}

// The same per multi-facility package sale.
void VerificaStrutture::frequenzaPacchetti() {
    struct Pacchetto { Value codice, id; };
    std::vector<Pacchetto> pacchetti;
    {
        auto rs = s_.db.open("SELECT Codice_PacchettoM, ID_Pacchetto, MAX(Data_Fine) AS Scadenza "
                             " FROM wTmp_Presenze_Strutture "
                             " WHERE Origine='Aggiunta' AND Esterna=0 And Conferma<>0 AND Codice_PacchettoM Is Not Null "
                             "AND ID_Pacchetto>0 GROUP BY Codice_PacchettoM, ID_Pacchetto");
        for (; !rs->eof(); rs->moveNext()) pacchetti.push_back({rs->field(0), rs->field(1)});
    }
    for (const Pacchetto& p : pacchetti) {
        Value frequenza, intervallo;
        if (auto rs = s_.db.open(std::string("SELECT Descrizione, FrequenzaDD, ID_Intervallo, Tempo_Permanenza ") +
                                 " FROM Anagrafica_Pacchetti_Multipli " + " WHERE Codice_PacchettoM=" + CChrQ(p.codice));
            !rs->eof()) {
            frequenza = rs->field(1);
            intervallo = rs->field(2);
        }
        const bool limite =
            Limite_Frequenza_Raggiunto(s_, frequenza, intervallo, codice_, Value(), Value(0), Value(), p.id);
        const bool fasce = !limite && !Fasce_Abbonamento_Valide(s_, p.codice, giorno_, festivo_, anticipo_, oraD_);
        if (!limite && !fasce) continue;
        fascia_ = fascia_ || fasce;
        strike("WHERE Origine='Aggiunta' AND ID_Pacchetto=" + Num_SqlQ(p.id) + " AND Esterna=0 AND Conferma<>0");
    }
}

// Opening times of facilities always, lesson times of courses and services when
// the centre asks for them.
void VerificaStrutture::orari() {
    const int64_t prima = conta("Esterna=0 AND Conferma<>0");
    Value a, b;
    Orario_Strutture_Ingresso(s_, Value(), codice_, a, b, Value());
    if (s_.settings.slot(impostazione::Orari_Ingresso).toBool()) {
        Orario_Corsi_Ingresso(s_, Value(), codice_, a, b, Value());
        Orario_Servizi_Ingresso(s_, Value(), codice_, a, b, Value());
    }
    if (conta("Esterna=0 AND Conferma<>0") < prima) fascia_ = true;
}

// When an entitlement that needs a booking survived the timetable tests, it is
// the one used: every other confirmed row is struck out.
void VerificaStrutture::prenotazioni() {
    exec("UPDATE wTmp_Presenze_Strutture SET APrenotazione=1 WHERE Codice_Cliente=" + q_ +
         " AND ((Tipologia=1 AND Codice_Struttura IN (SELECT Codice_Struttura FROM Anagrafica_Strutture WHERE "
         "APrenotazione<>0)) OR (Tipologia=2 AND Codice_Struttura IN (SELECT Codice_Corso FROM Anagrafica_Corsi WHERE "
         "APrenotazione In (-1,0))) OR (Tipologia=3 AND Codice_Struttura IN (SELECT Codice_Servizio FROM "
         "Anagrafica_Servizi WHERE APrenotazione In (-1,0))))");
    if (conta("Codice_Cliente=" + q_ + " And Conferma<>0 And APrenotazione=1") > 0)
        strike("WHERE Codice_Cliente=" + q_ + " AND Conferma<>0 AND APrenotazione=0");
}

// Several passes for one facility: the oldest is used (ties broken by the row
// key), the others are removed.
void VerificaStrutture::passaggi() {
    std::vector<Value> strutture;
    {
        auto rs = s_.db.open("SELECT Count(Codice_Struttura) AS ContaStruttura, Codice_Struttura FROM "
                             "wTmp_Presenze_Strutture WHERE Esterna=0 AND Pass<>0 AND Conferma<>0 "
                             " GROUP BY Codice_Struttura ");
        for (; !rs->eof(); rs->moveNext())
            if (rs->field(0).toInt() > 1) strutture.push_back(rs->field(1));
    }
    for (const Value& struttura : strutture) {
        const std::string dove = " WHERE Codice_Struttura=" + CChrQ(struttura) + " AND Esterna=0 AND Pass<>0 AND Conferma<>0";
        Value idk;
        if (auto rs = s_.db.open("SELECT TOP 1 IDK FROM wTmp_Presenze_Strutture" + dove + " ORDER BY Data_Inizio, IDK");
            !rs->eof())
            idk = rs->field(0);
        exec("UPDATE wTmp_Presenze_Strutture SET Pass=0 WHERE IDK=" + Num_SqlQ(idk));
        exec("DELETE FROM wTmp_Presenze_Strutture" + dove);
    }
}

// A booked single use is the entitlement used.
void VerificaStrutture::singole() {
    if (conta("Esterna=0 And Conferma<>0 And Singola>0") > 0)
        strike("WHERE Esterna=0 AND Conferma<>0 AND Singola=0 AND Terminale=0");
}

// Before the duplicates: a suspended subscription or add-on is struck out first,
// so that a newer entitlement of the same activity can still be used.
void VerificaStrutture::sospensioni() {
    const std::string sospese = " FROM Gestione_Sospensioni WHERE Data_Inizio_Sospensione<=" + oggi_ +
                                " And (Data_Fine_Sospensione>=" + oggi_ + " Or Data_Fine_Sospensione Is Null)";
    const std::string righe = " WHERE Esterna=0 AND Conferma<>0 AND ((Origine='Abbonamento' AND Codice_Iscrizione IN "
                              "(SELECT Codice_Iscrizione" + sospese + ")) OR (Origine='Aggiunta' AND ID_Pacchetto=0 AND "
                              "ID_Prenotazione IN (SELECT ID_Aggiunta" + sospese + ")) OR (Origine='Aggiunta' AND "
                              "ID_Pacchetto>0 AND ID_Pacchetto IN (SELECT ID_Pacchetto" + sospese + ")))";
    if (s_.db.open("SELECT TOP 1 IDK FROM wTmp_Presenze_Strutture" + righe)->eof()) return;
    strike(righe);
    e_.Sospeso = conta("Esterna=0 And Conferma<>0") == 0;
}

// One row per activity, the oldest entitlement (ties broken by the row key).
void VerificaStrutture::unaPerAttivita() {
    std::vector<std::string> doppie;
    {
        std::set<std::string> viste;
        auto rs = s_.db.open("SELECT IDK, Codice_Struttura FROM wTmp_Presenze_Strutture WHERE Conferma<>0 "
                             " ORDER BY Codice_Struttura, Data_Inizio, IDK");
        for (; !rs->eof(); rs->moveNext())
            if (!viste.insert(rs->field(1).toText()).second) doppie.push_back(Num_SqlQ(rs->field(0)));
    }
    if (doppie.empty()) return;
    std::string elenco;
    for (const std::string& k : doppie) elenco += (elenco.empty() ? "" : ",") + k;
    exec("DELETE FROM wTmp_Presenze_Strutture WHERE IDK IN (" + elenco + ")");
}

// A refusal for lack of entitlement that the member's money card may pay: the entrance
// has a money-card price in force and the member's usable credit covers it. Only the
// judgement: the debit is the caller's, when nothing else refuses the member.
bool VerificaStrutture::pagaConMoneyCard() {
    const std::optional<Money> prezzo = Prezzo_MoneyCard(s_, indirizzo_, s_.clock.now());
    if (!prezzo) return false;
    if (*prezzo > Money() && Credito_MoneyCard(s_, codice_, Value(), *prezzo) < *prezzo) return false;
    e_.MoneyCard = true;
    e_.Prezzo_MoneyCard = *prezzo;
    return true;
}

// The verdict.
void VerificaStrutture::verdetto() {
    {
        auto rs = s_.db.open("SELECT Count(*), Sum(CASE WHEN Conferma<>0 THEN 1 ELSE 0 END) FROM "
                             "wTmp_Presenze_Strutture WHERE Esterna=0");
        e_.Nessun_Candidato = rs->eof() || rs->field(0).toInt() == 0;
        e_.Nessun_Ingresso = rs->eof() || ZeroSeNullo(rs->field(1)) == 0;
    }
    e_.Fuori_Fascia = e_.Nessun_Ingresso && fascia_ && !e_.Sospeso;
    auto& irr = s_.esiti.Irregolarita;
    irr[irregolarita::NonAbilitato] = Value(e_.Nessun_Ingresso ? 1 : 0);
    irr[irregolarita::Sospeso] = Value(e_.Sospeso ? 1 : 0);
    irr[irregolarita::NoIngressi] = Value(0);
    e_.Rifiuto_Diritto =
        e_.Nessun_Candidato || (e_.Nessun_Ingresso && s_.settings.Leggi_NoEntry(irregolarita::NonAbilitato).toBool());
    e_.Rifiuto_Sospeso = e_.Sospeso && s_.settings.Leggi_NoEntry(irregolarita::Sospeso).toBool();

    e_.messaggi = Messaggi_Cliente(s_, e_.cliente, oggi_);
    e_.Foto_Mancante = Foto_Mancante(s_, e_.cliente, oggiD_);
    // The money card pays only when the want of an entitlement is the one reason to refuse:
    // never over arrears, a suspension, a blocking message or the photograph rule, nor for
    // a member whom the control setting lets in anyway.
    const int64_t controlli = e_.cliente.controlli();
    if (e_.Rifiuto_Diritto && !Ammesso_Controlli(controlli, true, e_.messaggi.bloccante) &&
        Ammesso_Controlli(controlli, e_.Rifiuto_Sospeso || e_.Irregolare, e_.messaggi.bloccante) &&
        !e_.Foto_Mancante && pagaConMoneyCard())
        e_.Rifiuto_Diritto = false;
    e_.Ammesso = Ammesso_Controlli(e_.cliente.controlli(), e_.Rifiuto_Diritto || e_.Rifiuto_Sospeso || e_.Irregolare,
                                   e_.messaggi.bloccante) &&
                 !e_.Foto_Mancante;
    // The flags the recording and the reply read.
    EsitiVerifica& es = s_.esiti;
    es.Flag_Irregolare = e_.Irregolare;
    es.Flag_NonAbilitato = e_.Nessun_Ingresso;
    es.NoEntry_Abbonamento = e_.Rifiuto_Diritto;
    es.EsitoT_FuoriOrario = e_.Fuori_Fascia;
    es.EsitoT_Sospeso = e_.Sospeso;
    es.Messaggio_Bloccante = e_.messaggi.bloccante;
    es.Messaggio_Cliente = e_.messaggi.avviso;
    es.Foto_Mancante = e_.Foto_Mancante;
}

// the irregularity text of the display.
void VerificaStrutture::testoDisplay() {
    if (e_.Irregolare || e_.Irregolare_Altri || e_.Nessun_Ingresso)
        e_.Testo_Irregolarita = Testo_Irregolarita(s_, e_.cliente);
    if (!e_.Ammesso && e_.cliente.controlli() == kControlli_Rifiuta && !Nullo_Vuoto(e_.cliente.Note_Accessi)) {
        if (!e_.Testo_Irregolarita.empty()) e_.Testo_Irregolarita += " - ";
        e_.Testo_Irregolarita += e_.cliente.Note_Accessi.toText();
    }
}

// A refused member's entitlements that can never be used (an activity the centre no longer
// has, no start date) are reported: the desk must mend them.
void VerificaStrutture::entitlementInutilizzabili() {
    auto rs = s_.db.open("SELECT Codice_Struttura, Data_Inizio FROM Q_Ingressi_Accessi WHERE Codice_Cliente=" + q_ +
                         " AND (Data_Inizio Is Null OR Codice_Struttura Not In (SELECT Codice_Struttura FROM "
                         "Anagrafica_Strutture UNION SELECT Codice_Corso FROM Anagrafica_Corsi UNION SELECT "
                         "Codice_Servizio FROM Anagrafica_Servizi))");
    for (; !rs->eof(); rs->moveNext())
        s_.log.error(0,
                     "Member " + codice_.toText() + " holds an entitlement for " + rs->field(0).toText() +
                         (Nullo_Vuoto(rs->field(1)) ? " without a start date" : ", which the centre no longer has"),
                     kFunzione);
}

EsitoStrutture VerificaStrutture::esegui() {
    s_.esiti = EsitiVerifica{};
    for (Value& v : s_.esiti.Irregolarita) v = Value(0);
    // The member, the day, the scratch tables.
    if (!Leggi_Cliente(s_, codice_, e_.cliente, kFunzione)) return e_;
    e_.Conosciuto = true;
    festivo_ = Giorno_Festivo(s_, 0, Value(oggiD_));
    e_.Rinnovo = Rinnovo_Cliente(s_, e_.cliente);
    exec("DELETE FROM wTmp_Presenze_Strutture");
    exec("DELETE FROM wTmp_OrarioUscita");

    candidatiAbbonamenti();
    candidatiAggiunte();
    recuperi();
    datiPacchetti();
    righeNonValide();
    segni();
    morosita();
    sommario();
    frequenzaAbbonamenti();
    frequenzaPacchetti();
    orari();
    prenotazioni();
    passaggi();
    singole();
    sospensioni();
    unaPerAttivita();
    verdetto();
    testoDisplay();
    if (e_.Nessun_Ingresso) entitlementInutilizzabili();
    return e_;
}

}  // namespace

EsitoStrutture Verifica_Abbonamenti_Strutture(Sistema& s, const Value& codice, int indirizzo) {
    try {
        return VerificaStrutture(s, codice, indirizzo).esegui();
    } catch (const std::exception& err) {
        // A database failure part-way leaves no sound verdict: the read is dropped.
        s.db.logError(err, kFunzione);
        throw;
    }
}

}  // namespace velaris
