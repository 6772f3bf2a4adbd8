#include "processing/attivita.h"

#include <array>

#include "attendance/money_card.h"
#include "attendance/presenze.h"
#include "attendance/punti.h"
#include "base/format.h"
#include "checks/festivi.h"
#include "checks/frequenze.h"
#include "checks/orari.h"
#include "processing/gestisci_attivita.h"
#include "processing/risposte.h"
#include "system/queue.h"
#include "system/sender.h"
#include "system/terminal_states.h"

namespace velaris {

namespace {

// Fee modalities of the six fixed fees that an activity may require (S1 .. S6).
constexpr std::array<int, 6> kModalitaRichieste = {2, 3, 14, 19, 20, 21};

struct Anagrafica {
    const char* tabella = nullptr;
    const char* chiave = nullptr;
    const char* sigla = "";
};

Anagrafica anagraficaPer(int64_t tipologia) {
    switch (tipologia) {
        case 1: return {"Anagrafica_Strutture", "Codice_Struttura", "ST"};
        case 2: return {"Anagrafica_Corsi", "Codice_Corso", "CS"};
        case 3: return {"Anagrafica_Servizi", "Codice_Servizio", "SE"};
        default: return {};
    }
}

// One entitlement row of the ordered walk, joined with the candidate it covers.
struct Candidato {
    int64_t IDK = 0;
    Value Codice;            // the activity
    int64_t Tipologia = 1;
    std::string Origine;     // 'Abbonamento' or 'Aggiunta'
    Value Codice_Abbonamento, Codice_Iscrizione;
    int64_t ID_Iscrizione = 0, ID_Prenotazione = 0, ID_Pacchetto = 0;
    Value Codice_Pacchetto, Codice_PacchettoM, Data_Fine;
    int64_t Sedute = 0, Residue = 0;
    Value FrequenzaDD, ID_Intervallo;
    Value DaOre, AOre;
    int64_t Conferma = 0, Tipo = 1;
    Value Luogo;             // the facility through which the activity is reached
    std::array<int64_t, 6> S{};
    bool abbonamento() const { return Origine == "Abbonamento"; }
};

// How the walk left a candidate.
enum class Esame { Ammesso, Rifiutato, FuoriFascia, Sospeso, Esaurito, PuntiInsufficienti, CreditoInsufficiente };

// What the admitted entry costs: points of the terminal's tariff for an entitlement that
// carries points, otherwise the terminal's money-card price (none: nothing to pay).
struct Costo {
    int64_t punti = 0;
    std::optional<Money> prezzo;
};

class Selezione {
public:
    Selezione(Sistema& s, Messaggio& m, const Value& cliente) : s_(s), m_(m), cliente_(cliente) {
        const DateTime now = s.clock.now();
        oggiD_ = now.datePart();
        oraD_ = now.timeOnDay1900();
        oggi_ = Data_SqlQ(Value(oggiD_));
        ora_ = Ora_SqlQ(Value(oraD_));
        giorno_ = now.weekdayMonday1();
        clienteQ_ = CChrQ(cliente);
        indirizzo_ = s.corrente.Indirizzo_Corrente;
    }

    EsitoAttivita esegui(const Value& attivita);

private:
    void prepara(const Value& attivita);
    std::vector<Value> luoghi();
    void candidati(const Value& attivita, const std::vector<Value>& luoghi);
    void regoleAccesso();
    void soloPrenotati();
    void soloIscritti();
    void requisiti();
    void diritti();
    void esterni();
    std::vector<Candidato> ordina();
    Esame esamina(Candidato& c, EsitoAttivita& e);
    bool fasceValide(const Candidato& c, const Value& tolleranza);
    bool dentroFasce(const std::string& tabella, const std::string& chiavi, bool conGiorno, const Value& tolleranza);
    void registra(const Candidato& c, EsitoAttivita& e);
    void exec(const std::string& sql) {
        if (lotto_) lotto_->push_back(sql);
        else s_.db.execute(sql);
    }
    bool trova(const std::string& sql) { return !s_.db.open(sql)->eof(); }
    Value valore(const std::string& sql) {
        auto rs = s_.db.open(sql);
        return rs->eof() ? Value::null() : rs->field(0);
    }
    Esame costo(const Candidato& c);
    bool paga(const Candidato& c, EsitoAttivita& e);

    Sistema& s_;
    Messaggio& m_;
    Value cliente_;
    std::string clienteQ_, oggi_, ora_;
    DateTime oggiD_, oraD_;
    int giorno_ = 1;
    int indirizzo_ = 0;
    Value struttura_;
    bool festivo_ = false;
    bool sospeso_ = false;           // some entitlement examined was suspended
    bool sospesoCandidato_ = false;  // the one under examination is
    Value tempoPermanenza_;
    bool sceltaDalCliente_ = false;  // the member typed the activity: nothing more to choose
    Costo costo_;  // of the candidate under examination
    // While set, exec collects the statements instead of running them (see prepara).
    std::vector<std::string>* lotto_ = nullptr;
};

// Staging 1: the terminal's facility and its associated facilities, in priority.
std::vector<Value> Selezione::luoghi() {
    std::vector<Value> luoghi{struttura_};
    {
        auto rs = s_.db.open("SELECT Codice_Struttura_Associata  FROM Strutture_Associate  WHERE Codice_Struttura=" +
                             CChrQ(struttura_) + " ORDER BY Priorita");
        for (; !rs->eof(); rs->moveNext())
            if (!Nullo_Vuoto(rs->field(0))) luoghi.push_back(rs->field(0));
    }
    return luoghi;
}

void Selezione::prepara(const Value& attivita) {
    const std::vector<Value> dove = luoghi();
    // Staging 2 to 9 only write the work tables, none reading back what another wrote
    // in between: they go to the database as one batch (one round trip across a network).
    // A failure fails the batch, and the read, as a failing statement did.
    std::vector<std::string> lotto;
    lotto_ = &lotto;
    struct Rilascio {
        std::vector<std::string>*& l;
        ~Rilascio() { l = nullptr; }
    } rilascio{lotto_};
    exec("DELETE FROM wTmp_Attivita_Strutture ");
    exec("DELETE FROM wTmp_Presenze_Strutture ");
    candidati(attivita, dove);
    regoleAccesso();
    soloPrenotati();
    soloIscritti();
    requisiti();
    diritti();
    Tipologia_Da_Anagrafiche(s_, "wTmp_Presenze_Strutture.Origine='Aggiunta' AND ", &lotto);
    esterni();
    lotto_ = nullptr;
    s_.db.executeBatch(lotto);

    // Lesson times of courses and services: the timetable procedures strike out the rows
    // whose lesson is not held now and give the others the lesson's window.
    Value a, b;
    const Value testo;
    Orario_Corsi_Ingresso(s_, Value(), cliente_, a, b, testo);
    Orario_Servizi_Ingresso(s_, Value(), cliente_, a, b, testo);

    // Each entitlement takes the access rule of the candidate it covers, for the order.
    exec("UPDATE wTmp_Presenze_Strutture  SET Esterna=wTmp_Attivita_Strutture.Tipo  FROM wTmp_Presenze_Strutture, "
         "wTmp_Attivita_Strutture WHERE wTmp_Presenze_Strutture.Codice_Struttura=wTmp_Attivita_Strutture.Codice");
}

// Staging 3: the candidates.
void Selezione::candidati(const Value& attivita, const std::vector<Value>& luoghi) {
    const std::string testa = "INSERT INTO wTmp_Attivita_Strutture_SQL (Codice, Codice_Struttura) ";
    if (!Nullo_Vuoto(attivita)) {
        bool luogo = false;
        for (const Value& l : luoghi) {
            if (CChrQ(l) == CChrQ(attivita)) {
                exec(testa + " VALUES (" + CChrQ(attivita) + ", " + CChrQ(l) + ")");
                luogo = true;
                break;
            }
        }
        if (!luogo)
            exec(testa + " SELECT Attivita_Strutture.Codice, " + CChrQ(struttura_) + " FROM Attivita_Strutture " +
                 " WHERE Attivita_Strutture.Codice=" + CChrQ(attivita) + " GROUP BY Attivita_Strutture.Codice");
    } else {
        for (const Value& l : luoghi) {
            const std::string lq = CChrQ(l);
            exec(testa + " VALUES (" + lq + ", " + lq + ")");
            exec(testa + " SELECT Attivita_Strutture.Codice, " + lq +
                 " FROM Attivita_Strutture INNER JOIN Q_Ingressi_Accessi ON "
                 "Attivita_Strutture.Codice=Q_Ingressi_Accessi.Codice_Struttura " +
                 " WHERE Attivita_Strutture.Codice_Struttura=" + lq +
                 " AND Q_Ingressi_Accessi.Codice_Cliente=" + clienteQ_ + " GROUP BY Attivita_Strutture.Codice");
        }
    }
}

// Staging 4: the access rule of each candidate.
void Selezione::regoleAccesso() {
    exec("UPDATE wTmp_Attivita_Strutture  SET wTmp_Attivita_Strutture.Tipo=CASE Anagrafica_Strutture.APrenotazione "
         "WHEN 0 THEN 1 ELSE -1 END  FROM wTmp_Attivita_Strutture, Anagrafica_Strutture WHERE "
         "wTmp_Attivita_Strutture.Codice=Anagrafica_Strutture.Codice_Struttura");
    exec("UPDATE wTmp_Attivita_Strutture  SET wTmp_Attivita_Strutture.Tipo=Anagrafica_Corsi.APrenotazione  FROM "
         "wTmp_Attivita_Strutture, Anagrafica_Corsi WHERE wTmp_Attivita_Strutture.Codice=Anagrafica_Corsi.Codice_Corso");
    exec("UPDATE wTmp_Attivita_Strutture  SET wTmp_Attivita_Strutture.Tipo=Anagrafica_Servizi.APrenotazione  FROM "
         "wTmp_Attivita_Strutture, Anagrafica_Servizi WHERE "
         "wTmp_Attivita_Strutture.Codice=Anagrafica_Servizi.Codice_Servizio");
}

// Staging 5 and 6 gather in wTmp_Formule the activities the member may take today.
const std::string formule = "INSERT INTO wTmp_Formule_SQL (Codice) ";

// Staging 5: a booking-only activity stays only when booked today.
void Selezione::soloPrenotati() {
    exec("DELETE FROM wTmp_Formule");
    exec(formule + "SELECT Codice_Corso FROM Gestione_Prenotazioni_Corsi WHERE Codice_Cliente=" + clienteQ_ +
         " AND Data_Prenotazione=" + oggi_ + " AND Enroll<>0");
    exec(formule + "SELECT Codice_Servizio FROM Gestione_Prenotazioni_Servizi WHERE Codice_Cliente=" + clienteQ_ +
         " AND Data_Prenotazione=" + oggi_ + " AND Enroll<>0");
    exec(formule + "SELECT Gestione_Prenotazioni.Codice2 FROM Gestione_Prenotazioni INNER JOIN Booking_Clienti ON "
                   "Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione WHERE Booking_Clienti.Codice_Cliente=" +
         clienteQ_ + " AND Gestione_Prenotazioni.Data_Prenotazione=" + oggi_ + " AND Booking_Clienti.Enroll<>0");
    exec("DELETE FROM wTmp_Attivita_Strutture  WHERE Tipo=-1 AND Codice Not In  (SELECT Codice FROM wTmp_Formule)");
}

// Staging 6: an enrolment-only activity stays only when the member is enrolled today.
void Selezione::soloIscritti() {
    exec("DELETE FROM wTmp_Formule");
    const std::string giorno = Num_SqlQ(Value(giorno_));
    exec(formule + "SELECT Clienti_Frequenze_Corsi.Codice_Corso FROM Clienti_Frequenze_Corsi INNER JOIN "
                   "Orario_Istruttori_Corsi ON Clienti_Frequenze_Corsi.ID_Corso=Orario_Istruttori_Corsi.ID WHERE "
                   "Clienti_Frequenze_Corsi.Codice_Cliente=" + clienteQ_ +
         " AND Orario_Istruttori_Corsi.GiornoSettimana=" + giorno +
         " AND Clienti_Frequenze_Corsi.InUso<>0 AND Clienti_Frequenze_Corsi.Enroll<>0");
    // Services taken by enrolment follow the same rule as courses.
    exec(formule + "SELECT Clienti_Frequenze_Servizi.Codice_Servizio FROM Clienti_Frequenze_Servizi INNER JOIN "
                   "Orario_Servizi ON Clienti_Frequenze_Servizi.ID_Servizio=Orario_Servizi.ID WHERE "
                   "Clienti_Frequenze_Servizi.Codice_Cliente=" + clienteQ_ +
         " AND Orario_Servizi.GiornoSettimana=" + giorno +
         " AND Clienti_Frequenze_Servizi.InUso<>0 AND Clienti_Frequenze_Servizi.Enroll<>0");
    exec(formule + "SELECT Codice_Corso FROM Clienti_Recuperi_Corsi WHERE Codice_Cliente=" + clienteQ_ +
         " AND Data_Inizio<=" + oggi_ + " AND Data_Fine>=" + oggi_);
    exec("DELETE FROM wTmp_Attivita_Strutture  WHERE Tipo=0 AND Codice Not In  (SELECT Codice FROM wTmp_Formule)");
}

// Staging 7: the required items of each candidate.
void Selezione::requisiti() {
    for (int t = 1; t <= 3; ++t) {
        const Anagrafica a = anagraficaPer(t);
        exec(std::string("UPDATE wTmp_Attivita_Strutture  SET S1=") + a.tabella + ".QA_Richiesta, S2=" + a.tabella +
             ".CM_Richiesto, S3=" + a.tabella + ".QAss_Richiesta, S4=" + a.tabella + ".S4_Richiesta, S5=" + a.tabella +
             ".S5_Richiesta, S6=" + a.tabella + ".S6_Richiesta  FROM wTmp_Attivita_Strutture, " + a.tabella +
             " WHERE wTmp_Attivita_Strutture.Codice=" + a.tabella + "." + a.chiave);
    }
}

// Staging 8: the entitlements that cover a candidate.
void Selezione::diritti() {
    const std::string candidati = " IN (SELECT Codice FROM wTmp_Attivita_Strutture)";
    exec("INSERT INTO wTmp_Presenze_Strutture_SQL (Codice_Cliente, Esterna, Tipologia, Codice_Struttura, "
         "Codice_Abbonamento, Codice_Iscrizione, Data_Fine, Pass, Sedute, Sedute_Fatte, ID_Iscrizione, Prog_Riga, "
         "Giornaliero, Origine, Conferma) SELECT Iscrizioni_Strutture.Codice_Cliente, 0, Iscrizioni_Strutture.Tipologia, "
         "Iscrizioni_Strutture.Codice_Struttura, Iscrizioni_Strutture.Codice_Abbonamento, "
         "Iscrizioni_Strutture.Codice_Iscrizione, Iscrizioni_Strutture.Data_Fine, Iscrizioni_Strutture.TipoSedute, "
         "Iscrizioni_Strutture.Sedute, Iscrizioni_Strutture.Sedute-Iscrizioni_Strutture.SeduteFatte, "
         "Iscrizioni_Strutture.ID, Iscrizioni_Strutture.Prog_Riga, 1, 'Abbonamento', 1 FROM Iscrizioni_Strutture WHERE "
         "Iscrizioni_Strutture.Codice_Cliente=" + clienteQ_ + " AND Iscrizioni_Strutture.Codice_Struttura" + candidati +
         " AND ((Iscrizioni_Strutture.Data_Inizio<=" + oggi_ + " AND (Iscrizioni_Strutture.Data_Fine>=" + oggi_ +
         " OR Iscrizioni_Strutture.Data_Fine IS Null)) AND Iscrizioni_Strutture.Scaduta=0)"
         " AND Iscrizioni_Strutture.Chiusa=0");
    exec("INSERT INTO wTmp_Presenze_Strutture_SQL (Codice_Cliente, Esterna, Codice_Struttura, Data_Inizio, Data_Fine, "
         "Pass, Sedute, Sedute_Fatte, Prog_Riga, Giornaliero, Origine, Conferma, FrequenzaDD, ID_Intervallo, "
         "Codice_Pacchetto, Codice_PacchettoM, Singola, Pren_DaOre, Pren_AOre, ID_Pacchetto, ID_Prenotazione) SELECT "
         "Gestione_Aggiunte.Codice_Cliente, 0, Gestione_Aggiunte.Codice_Struttura, Gestione_Aggiunte.Data_Inizio, "
         "Gestione_Aggiunte.Data_Fine, 0, Gestione_Aggiunte.Sedute, Gestione_Aggiunte.Sedute-Gestione_Aggiunte.SeduteFatte, "
         "Gestione_Aggiunte.Prog_Riga, 2, 'Aggiunta', 1, Gestione_Aggiunte.FrequenzaDD, Gestione_Aggiunte.ID_Intervallo, "
         "Gestione_Aggiunte.Codice_Pacchetto, Gestione_Aggiunte.Codice_PacchettoM, "
         "Gestione_Aggiunte.Singola+Gestione_Aggiunte.Singola_Corsi+Gestione_Aggiunte.Singola_Servizi, "
         "Gestione_Aggiunte.Pren_DaOre, Gestione_Aggiunte.Pren_AOre, Gestione_Aggiunte.ID_Pacchetto, Gestione_Aggiunte.ID "
         "FROM Gestione_Aggiunte WHERE Gestione_Aggiunte.Codice_Cliente=" + clienteQ_ +
         " AND Gestione_Aggiunte.Codice_Struttura" + candidati + " AND Gestione_Aggiunte.Data_Inizio<=" + oggi_ +
         " AND Gestione_Aggiunte.Scaduta=0");
}

// Staging 9: entitlements of facilities with their own terminal elsewhere or associated
// with another facility.
void Selezione::esterni() {
    const std::string struttura = CChrQ(struttura_);
    exec("UPDATE wTmp_Presenze_Strutture  SET wTmp_Presenze_Strutture.Conferma=1  FROM wTmp_Presenze_Strutture INNER "
         "JOIN Dettaglio_Terminali ON wTmp_Presenze_Strutture.Codice_Struttura=Dettaglio_Terminali.Codice_Struttura "
         " WHERE wTmp_Presenze_Strutture.Codice_Struttura<>" + struttura);
    exec("UPDATE wTmp_Presenze_Strutture  SET wTmp_Presenze_Strutture.Conferma=1  FROM wTmp_Presenze_Strutture INNER "
         "JOIN Strutture_Associate ON "
         "wTmp_Presenze_Strutture.Codice_Struttura=Strutture_Associate.Codice_Struttura_Associata "
         " WHERE Strutture_Associate.Codice_Struttura<>" + struttura);
}

std::vector<Candidato> Selezione::ordina() {
    auto rs = s_.db.open(
        "SELECT wTmp_Presenze_Strutture.IDK, wTmp_Presenze_Strutture.Codice_Struttura, "
        "wTmp_Presenze_Strutture.Tipologia, wTmp_Presenze_Strutture.Origine, "
        "wTmp_Presenze_Strutture.Codice_Abbonamento, wTmp_Presenze_Strutture.Codice_Iscrizione, "
        "wTmp_Presenze_Strutture.ID_Iscrizione, wTmp_Presenze_Strutture.ID_Prenotazione, "
        "wTmp_Presenze_Strutture.ID_Pacchetto, wTmp_Presenze_Strutture.Codice_Pacchetto, "
        "wTmp_Presenze_Strutture.Codice_PacchettoM, wTmp_Presenze_Strutture.Data_Fine, wTmp_Presenze_Strutture.Sedute, "
        "wTmp_Presenze_Strutture.Sedute_Fatte, wTmp_Presenze_Strutture.FrequenzaDD, "
        "wTmp_Presenze_Strutture.ID_Intervallo, wTmp_Presenze_Strutture.DaOre, wTmp_Presenze_Strutture.AOre, "
        "wTmp_Presenze_Strutture.Conferma, wTmp_Presenze_Strutture.Esterna, wTmp_Attivita_Strutture.Codice_Struttura, "
        "wTmp_Attivita_Strutture.S1, wTmp_Attivita_Strutture.S2, wTmp_Attivita_Strutture.S3, "
        "wTmp_Attivita_Strutture.S4, wTmp_Attivita_Strutture.S5, wTmp_Attivita_Strutture.S6 "
        "FROM wTmp_Presenze_Strutture INNER JOIN wTmp_Attivita_Strutture ON "
        "wTmp_Presenze_Strutture.Codice_Struttura=wTmp_Attivita_Strutture.Codice"
        " ORDER BY wTmp_Presenze_Strutture.Conferma, wTmp_Presenze_Strutture.Esterna, "
        "wTmp_Presenze_Strutture.Tipologia DESC, wTmp_Presenze_Strutture.Sedute, wTmp_Attivita_Strutture.IDK");
    std::vector<Candidato> out;
    for (; !rs->eof(); rs->moveNext()) {
        Candidato c;
        c.IDK = rs->field(0).toInt();
        c.Codice = rs->field(1);
        c.Tipologia = rs->field(2).toInt();
        c.Origine = rs->field(3).toText();
        c.Codice_Abbonamento = rs->field(4);
        c.Codice_Iscrizione = rs->field(5);
        c.ID_Iscrizione = rs->field(6).toInt();
        c.ID_Prenotazione = rs->field(7).toInt();
        c.ID_Pacchetto = rs->field(8).toInt();
        c.Codice_Pacchetto = rs->field(9);
        c.Codice_PacchettoM = rs->field(10);
        c.Data_Fine = rs->field(11);
        c.Sedute = rs->field(12).toInt();
        c.Residue = rs->field(13).toInt();
        c.FrequenzaDD = rs->field(14);
        c.ID_Intervallo = rs->field(15);
        c.DaOre = rs->field(16);
        c.AOre = rs->field(17);
        c.Conferma = rs->field(18).toInt();
        c.Tipo = rs->field(19).toInt();
        c.Luogo = rs->field(20);
        for (size_t i = 0; i < 6; ++i) c.S[i] = rs->field(static_cast<int>(21 + i)).toInt();
        out.push_back(std::move(c));
    }
    return out;
}

bool Selezione::dentroFasce(const std::string& tabella, const std::string& chiavi, bool conGiorno,
                            const Value& tolleranza) {
    std::string dominio = tabella;
    if (DCountQ_Verifica_Lettura(s_.db, "*", dominio, chiavi) == 0) return true;  // no rows: no limit
    std::string criterio = chiavi;
    if (conGiorno) criterio += " And DDSettimana=" + Num_SqlQ(Value(festivo_ ? 8 : giorno_));
    criterio += condizioneFascia(tolleranza, oraD_);
    return DCountQ_Verifica(s_.db, "*", dominio, criterio) > 0;
}

bool Selezione::fasceValide(const Candidato& c, const Value& tolleranza) {
    const std::string struttura = " And Codice_Struttura=" + CChrQ(c.Codice);
    if (c.abbonamento()) {
        const std::string abb = "Codice_Abbonamento=" + CChrQ(c.Codice_Abbonamento);
        return dentroFasce("Giorni_DD_Fasce_Abbonamenti", abb, true, tolleranza) &&
               dentroFasce("Giorni_DD_Fasce_Abbonamenti_Righe", abb + struttura, true, tolleranza) &&
               dentroFasce("FasceOrarie_Abbonamenti", abb, false, tolleranza) &&
               dentroFasce("FasceOrarie_Abbonamenti_Righe", abb + struttura, false, tolleranza);
    }
    std::string pacchetto;
    if (!Nullo_Vuoto(c.Codice_PacchettoM)) pacchetto = "Codice_PacchettoM=" + CChrQ(c.Codice_PacchettoM);
    else if (!Nullo_Vuoto(c.Codice_Pacchetto)) pacchetto = "Codice_Pacchetto=" + CChrQ(c.Codice_Pacchetto);
    if (!pacchetto.empty() && (!dentroFasce("Giorni_DD_Fasce_Pacchetti_Righe", pacchetto + struttura, true, tolleranza) ||
                               !dentroFasce("FasceOrarie_Pacchetti_Righe", pacchetto + struttura, false, tolleranza)))
        return false;
    const std::string agg = "ID_Aggiunta=" + Num_SqlQ(Value(static_cast<long long>(c.ID_Prenotazione)));
    return dentroFasce("Giorni_DD_Fasce_Aggiunte_Righe", agg, true, tolleranza) &&
           dentroFasce("FasceOrarie_Aggiunte_Righe", agg, false, tolleranza);
}

Esame Selezione::esamina(Candidato& c, EsitoAttivita& e) {
    sospesoCandidato_ = false;
    if (c.Conferma == 0) return Esame::FuoriFascia;  // no lesson held now
    const Anagrafica anag = anagraficaPer(c.Tipologia);
    const std::string codice = CChrQ(c.Codice);
    const std::string aggiunta = Num_SqlQ(Value(static_cast<long long>(c.ID_Prenotazione)));

    // An entitlement whose entries are used up admits no more (the deduction would not count it).
    if (c.Sedute > 0 && c.Residue <= 0) return Esame::Esaurito;

    // Walk 1: required items: no open fee of the matching kinds.
    std::string tipi;
    for (size_t i = 0; i < 6; ++i)
        if (c.S[i] != 0) tipi += (tipi.empty() ? "" : ",") + std::to_string(kModalitaRichieste[i]);
    if (!tipi.empty()) {
        std::string filtro = s_.corrente.Filtro_Irregolarita;
        if (filtro.empty()) filtro = costruisciFiltroIrregolarita(s_, oggiD_, true);
        if (trova("SELECT TOP 1 Modalita  FROM Giornale  WHERE " + filtro + s_.settings.Filtro_NoEntry() +
                  " And Codice_Cliente = " + clienteQ_ + " And Modalita In (" + tipi + ")"))
            return Esame::Rifiutato;
    }

    // Walk 2: the activity's tolerance.
    Value tolleranza(0);
    if (anag.tabella)
        tolleranza = DLookUpQ_Anagrafica(s_.db, anag.tabella, anag.chiave, codice, "Tolleranza");

    // Walk 3: a booking-only facility needs today's booking covering now.
    if (c.Tipo == -1 && c.Tipologia == 1) {
        std::string legame = c.abbonamento()
                                 ? " AND Booking_Clienti.Codice_Iscrizione=" + CChrQ(c.Codice_Iscrizione) +
                                       " AND Booking_Clienti.ID_Iscrizione=" +
                                       Num_SqlQ(Value(static_cast<long long>(c.ID_Iscrizione)))
                                 : " AND Booking_Clienti.ID_Aggiunta=" + aggiunta;
        auto rs = s_.db.open(
            "SELECT Gestione_Prenotazioni.DaOre, Gestione_Prenotazioni.AOre, Booking_Clienti.Ingresso_Scalato "
            "FROM Gestione_Prenotazioni INNER JOIN Booking_Clienti ON "
            "Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione WHERE Booking_Clienti.Codice_Cliente=" +
            clienteQ_ + " AND Gestione_Prenotazioni.Data_Prenotazione=" + oggi_ + " AND " +
            anticipo(tolleranza, "Gestione_Prenotazioni.DaOre") + "<=" + ora_ + " AND Gestione_Prenotazioni.AOre>=" +
            ora_ + legame +
            " AND Gestione_Prenotazioni.Cd_SubStruttura In (SELECT Cd_SubStruttura FROM Anagrafica_SubStrutture "
            "WHERE Codice_Struttura=" + CChrQ(c.Luogo) + ")" + " ORDER BY Gestione_Prenotazioni.DaOre");
        if (rs->eof()) return Esame::FuoriFascia;
        c.DaOre = rs->field(0);
        c.AOre = rs->field(1);
    }

    // Walk 4: the entitlement's day and time bands.
    if (!fasceValide(c, tolleranza)) return Esame::FuoriFascia;

    // Walk 5: one entry per band where the terminal counts attendances.
    const TerminalRow* t = s_.registro.corrente();
    if (t && (*t)["ControlloPresenze"].toDouble() != 0) {
        const int64_t gruppo = (*t)["Gruppo"].toInt();
        std::string terminali = " AND (IndTerminale=" + Num_SqlQ(Value(indirizzo_));
        if (gruppo != 0)
            terminali += " OR IndTerminale In (SELECT Indirizzo FROM Dettaglio_Terminali WHERE Gruppo=" +
                         Num_SqlQ(Value(static_cast<long long>(gruppo))) + ")";
        terminali += ")";
        if (trova("SELECT TOP 1 ID FROM Controllo_Fascia_Oraria WHERE Modalita=1 And Codice_Cliente=" + clienteQ_ +
                  " AND Codice=" + codice + " And Data_Presenza=" + oggi_ + " And ((DaOre Is Null) OR (DaOre<=" + ora_ +
                  " And AOre>=" + ora_ + ")) AND Codice_Bis=" + CChrQ(Value(s_.lettura.Tessera_Letta)) + terminali))
            return Esame::Rifiutato;
    }

    // Walk 7: closures of the activity or its area.
    const Value area = DLookUpQ(s_.db, "Codice_Area", "Q_Attivita_Aree", "Attivita=" + codice);
    std::string aree = "(Codice=" + codice + " OR Codice='00000'";
    if (!Nullo_Vuoto(area)) aree += " OR Codice=" + CChrQ(area);
    aree += ")";
    if (trova("SELECT TOP 1 ID, Motivo  FROM Periodi_NonPrenotabili  WHERE " + aree +
              " AND (GiornoSettimana=0 OR GiornoSettimana=" + Num_SqlQ(Value(giorno_)) + ") AND Data_Inizio<=" + oggi_ +
              " AND Data_Fine>=" + oggi_ + " AND Ora_Inizio<=" + ora_ + " AND Ora_Fine>" + ora_))
        return Esame::FuoriFascia;

    // Walk 8: suspension and visit frequency of the entitlement.
    DatiDD d;
    d.Codice_Cliente = cliente_;
    d.Codice_Struttura = c.Codice;
    Value frequenza = c.FrequenzaDD, intervallo = c.ID_Intervallo, permanenza;
    if (c.abbonamento()) {
        d.Codice_Abbonamento = c.Codice_Abbonamento;
        d.Codice_Iscrizione = c.Codice_Iscrizione;
        // The per-facility data, when the subscription has them, override the type's own.
        std::string dominio = "Abbonamenti_Strutture";
        if (DCountQ_Verifica(s_.db, "*", dominio,
                    "Codice_Abbonamento=" + CChrQ(c.Codice_Abbonamento) + " And Codice_Struttura=" + codice) == 0)
            d.Codice_Struttura = Value();
        const int r = Verifica_DD(s_, 1, d, frequenza, intervallo, permanenza);
        d.Codice_Struttura = c.Codice;
        if (r == kDD_Sospeso) sospeso_ = sospesoCandidato_ = true;
        if (r == kDD_Sospeso && s_.settings.Leggi_NoEntry(irregolarita::Sospeso).toDouble() != 0) return Esame::Sospeso;
    } else {
        d.ID_Aggiunta = Value(static_cast<long long>(c.ID_Prenotazione));
        d.ID_Pacchetto = Value(static_cast<long long>(c.ID_Pacchetto));
        if (!Nullo_Vuoto(c.Codice_PacchettoM) || !Nullo_Vuoto(c.Codice_Pacchetto)) {
            d.Codice_Pacchetto = c.Codice_Pacchetto;
            d.Codice_PacchettoM = c.Codice_PacchettoM;
            Value f, i;
            const int r = Verifica_DD(s_, 2, d, f, i, permanenza);
            // The package's own limits, when it has them, take over from the add-on's.
            if (ZeroSeNullo(f) > 0 && ZeroSeNullo(i) > 0) {
                frequenza = f;
                intervallo = i;
            }
            if (r == kDD_Sospeso) sospeso_ = sospesoCandidato_ = true;
            if (r == kDD_Sospeso && s_.settings.Leggi_NoEntry(irregolarita::Sospeso).toDouble() != 0) return Esame::Sospeso;
        }
    }
    tempoPermanenza_ = permanenza;
    if (ZeroSeNullo(frequenza) > 0 && ZeroSeNullo(intervallo) > 0) {
        Value f = frequenza, i = intervallo, p;
        if (Verifica_DD(s_, 3, d, f, i, p) == kDD_Limite) return Esame::Rifiutato;
    }

    // The points or money the entry costs, and whether the member's credit covers it.
    if (const Esame e2 = costo(c); e2 != Esame::Ammesso) return e2;

    // Walk 9: the information lines of the reply.
    e.Righe_Info.clear();
    if (c.Sedute > 0) e.Righe_Info.push_back("RESIDUO| " + std::to_string(c.Residue));
    if (auto fine = c.Data_Fine.toDate(); fine && !Nullo_Vuoto(c.Data_Fine))
        e.Righe_Info.push_back("DATA SCADENZA:|" + formatDate(*fine, "ddd dd mmm yyyy"));
    return Esame::Ammesso;
}

Esame Selezione::costo(const Candidato& c) {
    costo_ = Costo{};
    const Value punti =
        c.abbonamento()
            ? valore("SELECT TOP 1 Punti FROM Gestione_Iscrizioni WHERE Codice_Iscrizione=" + CChrQ(c.Codice_Iscrizione))
            : valore("SELECT TOP 1 Punti FROM Gestione_Aggiunte WHERE ID=" +
                     Num_SqlQ(Value(static_cast<long long>(c.ID_Prenotazione))));
    if (ZeroSeNullo(punti) > 0) {
        // An entitlement that carries points pays the terminal's points tariff of the moment.
        costo_.punti = Verifica_Punti_Terminali(s_, cliente_, indirizzo_).Punti;
        if (costo_.punti > 0 && Cliente_Credito_Punti(s_, cliente_, c.Codice) < costo_.punti)
            return Esame::PuntiInsufficienti;
        return Esame::Ammesso;
    }
    costo_.prezzo = Prezzo_MoneyCard(s_, indirizzo_, s_.clock.now());
    if (costo_.prezzo && *costo_.prezzo > Money() &&
        Credito_MoneyCard(s_, cliente_, c.Codice, *costo_.prezzo) < *costo_.prezzo)
        return Esame::CreditoInsufficiente;
    return Esame::Ammesso;
}

// Debits what the admitted entry costs, once, on the pass that records it. False (with
// `Esito` 5 or 6) when the credit no longer covers it; a database failure ends the read.
bool Selezione::paga(const Candidato& c, EsitoAttivita& e) {
    if (costo_.punti > 0) {
        const PagamentoPunti p = Addebita_Punti(s_, cliente_, costo_.punti, c.Codice, c.Codice);
        if (p.esito == EsitoAddebito::Errore) throw DbError(5, "The points of the entry could not be debited");
        if (p.esito != EsitoAddebito::Eseguito) {
            e.Esito = 5;
            return false;
        }
        e.Info_Ulteriore = rigaCreditoResiduo(Money::fromUnits(p.residuo * Money::kScale));
    } else if (costo_.prezzo && *costo_.prezzo > Money()) {
        const Pagamento p = Addebita_MoneyCard(s_, cliente_, c.Codice, *costo_.prezzo);
        if (p.esito == EsitoAddebito::Errore) throw DbError(5, "The money card could not be debited");
        if (p.esito != EsitoAddebito::Eseguito) {
            e.Esito = 6;
            return false;
        }
        e.Info_Ulteriore = rigaCreditoResiduo(p.residuo);
    }
    return true;
}

void Selezione::registra(const Candidato& c, EsitoAttivita& e) {
    const Anagrafica anag = anagraficaPer(c.Tipologia);
    e.Esito = 0;
    e.Codice_Attivita = c.Codice;
    e.Tipologia = static_cast<int>(c.Tipologia);
    e.Tipo_Attivita = anag.sigla;
    if (anag.tabella)
        e.APrenotazione = static_cast<int>(
            ZeroSeNullo(DLookUpQ_Anagrafica(s_.db, anag.tabella, anag.chiave, CChrQ(c.Codice), "APrenotazione")));

    // The member's summary as the subscription check left it in the state row.
    const std::string testa = "SELECT TOP 1 Cognome, Nome, Abbonamento, Data_Scadenza, Rinnovo, Regolare, FuoriOrario  "
                              "FROM Stato_Terminali  WHERE Indirizzo=" + Num_SqlQ(Value(indirizzo_));
    auto rs = s_.db.open(testa + " AND Codice_Cliente=" + clienteQ_);
    // The state row takes the member's code only at the end of the verdict: before that the
    // summary is on the terminal's state row itself.
    if (rs->eof()) rs = s_.db.open(testa + " AND Messaggio Is Null");
    if (!rs->eof()) {
        e.Cognome = rs->field(0);
        e.Nome = rs->field(1);
        e.Abbonamento = rs->field(2);
        e.Data_Scadenza = rs->field(3);
        e.Rinnovo = rs->field(4);
    }
    rs.reset();

    // The activation choice, at a terminal that asks for confirmation.
    const TerminalRow* t = s_.registro.corrente();
    if (t && (*t)["Gestisci_Attivita"].toInt() == kGestioneAttivita && m_.Stato != stato::SceltaAttivazione && !sceltaDalCliente_) {
        std::string scelta;
        if (c.Sedute > 0) scelta = "INGRESSI RESIDUI " + std::to_string(c.Residue);
        else if (auto fine = c.Data_Fine.toDate(); fine && !Nullo_Vuoto(c.Data_Fine))
            scelta = "SCAD " + formatDate(*fine, "ddd dd mmm yyyy");
        if (!scelta.empty()) {
            accoda(s_, indirizzo_, scelta + "|1 ATTIVARE|2 NON ATTIVARE|SCELTA:_", 4);
            accoda(s_, indirizzo_, "%K1", 4);
            accoda(s_, indirizzo_, "%KN", 4);
            m_.Stato_Nuovo = stato::SceltaAttivazione;
            m_.Codice_Cliente = cliente_;
            e.Scelta = true;
            return;
        }
    }

    if (!paga(c, e)) {
        e.Righe_Info.clear();
        return;
    }

    PresenzaTerminale p;
    p.Codice_Cliente = cliente_;
    p.Tipologia = static_cast<int>(c.Tipologia);
    p.Codice_Attivita = c.Codice;
    p.Codice_Iscrizione = c.abbonamento() ? c.Codice_Iscrizione : Value::null();
    p.ID_Aggiunta = c.abbonamento() ? Value(0) : Value(static_cast<long long>(c.ID_Prenotazione));
    // The line that admitted the member, never another line of the same subscription.
    p.ID_Riga = c.abbonamento() ? c.ID_Iscrizione : 0;
    p.DaOre = c.DaOre;
    p.AOre = c.AOre;
    p.Indirizzo = indirizzo_;
    p.Attivita_Accompagnamento = c.Codice;
    p.Descrizione_Default = e.Abbonamento;
    p.Data_Fine_Default = e.Data_Scadenza;
    p.Cognome = e.Cognome;
    p.Nome = e.Nome;
    p.Rinnovo = e.Rinnovo;
    // An entitlement reached through another facility is counted at that facility's terminal.
    p.Struttura_Abbonamento = CChrQ(c.Luogo) == CChrQ(struttura_) ? Value::null() : c.Luogo;
    p.Tempo_Permanenza = tempoPermanenza_;
    p.Codice_Abbonamento = c.Codice_Abbonamento;
    p.Codice_Pacchetto = c.Codice_PacchettoM.isNullOrEmpty() ? c.Codice_Pacchetto : c.Codice_PacchettoM;
    p.Punti = Value(static_cast<long long>(costo_.punti));  // the stay's exit may charge further periods
    // The gate opens before any database work of the recording.
    if (s_.corrente.Vai != 0) Attiva_Rele(s_, Value(), 1, s_.corrente.Tipo_Corrente);
    Salva_Presenza_Terminali(s_, p);
    e.Codice_Iscrizione = p.Codice_Iscrizione;
    e.ID_Aggiunta = p.ID_Aggiunta;
    s_.db.executeDeferred("INSERT INTO Log_Terminali (Codice_Cliente, Codice_Struttura, Data_Presenza, Ora_Presenza, "
                          "IndTerminale)  VALUES (" + clienteQ_ + ", " + CChrQ(c.Codice) + ", " + oggi_ + ", " + ora_ +
                              ", " + Num_SqlQ(Value(indirizzo_)) + ")",
                          "Elabora_Messaggi");
}

EsitoAttivita Selezione::esegui(const Value& attivita) {
    EsitoAttivita e;
    const TerminalRow* t = s_.registro.corrente();
    struttura_ = t ? (*t)["Codice_Struttura"] : Value();
    if (Nullo_Vuoto(cliente_) || Nullo_Vuoto(struttura_)) {
        e.Nessun_Ingresso = true;
        return e;
    }
    festivo_ = Giorno_Festivo(s_, 0, Value(oggiD_));
    sceltaDalCliente_ = !Nullo_Vuoto(attivita);
    prepara(attivita);
    const std::vector<Candidato> candidati = ordina();
    bool fuori = false, esauriti = true, puntiScarsi = false, creditoScarso = false;
    for (Candidato c : candidati) {
        const Esame esito = esamina(c, e);
        if (esito == Esame::Ammesso) {
            s_.esiti.EsitoT_Sospeso = sospesoCandidato_;
            s_.esiti.EsitoT_FuoriOrario = false;
            registra(c, e);
            return e;
        }
        fuori = fuori || esito == Esame::FuoriFascia;
        esauriti = esauriti && esito == Esame::Esaurito;
        puntiScarsi = puntiScarsi || esito == Esame::PuntiInsufficienti;
        creditoScarso = creditoScarso || esito == Esame::CreditoInsufficiente;
    }
    e.Nessun_Ingresso = esauriti;
    // No candidate admits the member.
    e.Righe_Info.clear();
    e.Esito = sospeso_ && s_.settings.Leggi_NoEntry(irregolarita::Sospeso).toDouble() != 0 ? 3 : puntiScarsi ? 5 : creditoScarso ? 6 : 4;
    e.Fuori_Fascia = fuori;
    s_.esiti.EsitoT_Sospeso = sospeso_;
    s_.esiti.EsitoT_FuoriOrario = fuori;
    e.Altre_DatiAccessi = ", Entrata = 'INGRESSO NON CONSENTITO' ";
    e.Controlli_Cliente = DLookUpQ(s_.db, "Controlli_Cliente", "Anagrafica_Clienti", "Codice_Cliente=" + clienteQ_);
    return e;
}

}  // namespace

void Tipologia_Da_Anagrafiche(Sistema& s, const std::string& condizione, std::vector<std::string>* lotto) {
    const std::string sql[] = {
        "UPDATE wTmp_Presenze_Strutture  SET Tipologia=2  FROM wTmp_Presenze_Strutture, Anagrafica_Corsi WHERE " +
            condizione + "wTmp_Presenze_Strutture.Codice_Struttura=Anagrafica_Corsi.Codice_Corso",
        "UPDATE wTmp_Presenze_Strutture  SET Tipologia=3  FROM wTmp_Presenze_Strutture, Anagrafica_Servizi WHERE " +
            condizione + "wTmp_Presenze_Strutture.Codice_Struttura=Anagrafica_Servizi.Codice_Servizio"};
    for (const std::string& q : sql) {
        if (lotto) lotto->push_back(q);
        else s.db.execute(q);
    }
}

EsitoAttivita Verifica_Attivita_Terminale(Sistema& s, Messaggio& m, const Value& Codice_Cliente, const Value& Attivita) {
    Selezione sel(s, m, Codice_Cliente);
    return sel.esegui(Attivita);
}

}  // namespace velaris
