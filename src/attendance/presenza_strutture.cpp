// `Salva_Presenza`: the recording of an entry admitted at a general entrance. The check
// left one staging row per facility, course or service in `wTmp_Presenze_Strutture`; the
// confirmed ones become the visit's detail rows and are counted on the lines and add-ons
// that pay for them.

#include <set>

#include "base/format.h"
#include "attendance/presenze.h"
#include "attendance/visita.h"

namespace velaris {

namespace {

constexpr const char* kSalvaPresenza = "Salva_Presenza";

// The rows that are recorded and counted here: confirmed, not external, not verified at a
// terminal of their own, not exempt, not already deducted.
constexpr const char* kFiltro =
    "wTmp_Presenze_Strutture.NoVerifica=0 AND wTmp_Presenze_Strutture.Terminale=0 AND "
    "wTmp_Presenze_Strutture.Esterna=0 AND wTmp_Presenze_Strutture.Conferma<>0 AND "
    "wTmp_Presenze_Strutture.Ingresso_Scalato=0";

std::string num(int64_t n) { return Num_SqlQ(Value(static_cast<long long>(n))); }

// Single bookings an add-on pays for, by kind: the join of the add-on with its booking and
// the add-on's single-use column.
struct Singola {
    const char* tabella;
    const char* legame;
    const char* colonna;
};
constexpr Singola kSingole[] = {
    {"Gestione_Prenotazioni_Corsi", "Gestione_Aggiunte.Singola_Corsi=Gestione_Prenotazioni_Corsi.ID",
     "Gestione_Aggiunte.Singola_Corsi"},
    {"Gestione_Prenotazioni_Servizi", "Gestione_Aggiunte.Singola_Servizi=Gestione_Prenotazioni_Servizi.ID",
     "Gestione_Aggiunte.Singola_Servizi"},
    {"Booking_Clienti",
     "Gestione_Aggiunte.Singola=Booking_Clienti.ID_PivotPrenotazione AND "
     "Gestione_Aggiunte.Codice_Cliente=Booking_Clienti.Codice_Cliente",
     "Gestione_Aggiunte.Singola"},
};

class SalvaPresenza : Visita {
public:
    SalvaPresenza(Sistema& s, const PresenzaStrutture& p)
        : Visita(s, p.Codice_Cliente, p.Indirizzo, p.Data.datePart(), p.Ora, kSalvaPresenza), p_(p) {}
    void esegui();

private:
    void contaRighe();
    void oraUscita();
    void omnia();
    void fasceAccompagnamento();
    void recuperi();
    void singole();
    void giornalieri();
    void dettagli(const std::string& filtro);
    std::string scalaRighe(const std::string& righe, bool conChiusa);
    void scadenzaRighe(const std::string& iscrizioni, bool conAccompagnate);
    void scadenzaAbbonamenti(const std::string& iscrizioni);
    void scalaAggiunte(const std::string& righe, bool conAccompagnate);
    void ordinaria();
    void tuttiGliImpianti();
    void giornale();
    std::string statoTesto();
    void log(const std::string& stato);

    int64_t conta(const std::string& criterio) {
        auto rs = s_.db.open("SELECT Count(*) FROM wTmp_Presenze_Strutture WHERE " + criterio);
        return rs->eof() ? 0 : rs->field(0).toInt();
    }
    std::string scadenza() const { return "Scaduta=-1, Gestione_Aggiunte.Data_Scadenza=" + oggi_; }

    const PresenzaStrutture& p_;
    int iscrizioneScaduta_ = 0, exTerminali_ = 0;
    Value uscita_ = Value::null();  // the stay's latest exit time, Null: none
    std::string omnia_;             // the all-facilities code, as a literal; empty: none
    Value iscrizioneOmnia_;
};

// The visit's marks.
void SalvaPresenza::contaRighe() {
    auto r = primaRiga(s_.db, "SELECT Count(*), Sum(CASE WHEN Conferma<>0 And Terminale=0 THEN 1 ELSE 0 END), "
                              "Sum(CASE WHEN Terminale<>0 THEN 1 ELSE 0 END) FROM wTmp_Presenze_Strutture WHERE "
                              "Esterna=0");
    const int64_t tutte = r ? (*r)[0].toInt() : 0;
    const int64_t confermate = r ? ZeroSeNullo((*r)[1]) : 0;
    const int64_t terminali = r ? ZeroSeNullo((*r)[2]) : 0;
    if (confermate == 0) {
        iscrizioneScaduta_ = tutte == 0 ? 1 : 0;
        exTerminali_ = terminali > 0 ? 1 : 0;
    }
}

// The latest exit time of the stay: the latest of the deadlines of the rows that admitted
// the member, none when one of them has no deadline. Worked out before the daily rows
// already used today are struck out: they admit the member all the same.
void SalvaPresenza::oraUscita() {
    if (!s_.registro.Terminali_Uscita || p_.Senza_Fasce) return;
    const auto righe = tutteLeRighe(s_.db, "SELECT Origine, Codice_Abbonamento, Codice_Pacchetto, Codice_PacchettoM, "
                                           "Codice_Struttura, ID_Prenotazione, Tempo_Permanenza, AOre FROM "
                                           "wTmp_Presenze_Strutture WHERE Conferma<>0 AND Esterna=0");
    std::optional<DateTime> ultima;
    for (const Riga& r : righe) {
        const bool abbonamento = r[0].toText() == "Abbonamento";
        const Value pacchetto = Nullo_Vuoto(r[3]) ? r[2] : r[3];
        const Value u = Calcola_Ora_Uscita(s_, abbonamento ? r[1] : Value::null(), abbonamento ? Value::null() : pacchetto,
                                           r[4], abbonamento ? Value(0) : r[5], oggiD_.weekdayMonday1(), Value(oraD_),
                                           r[6], Value::null(), r[7]);
        const auto t = u.toDate();
        if (Nullo_Vuoto(u) || !t) return;  // a row without a deadline: the stay has none
        if (!ultima || *t > *ultima) ultima = *t;
    }
    if (ultima) uscita_ = Value(*ultima);
}

// An entry by an all-facilities line.
void SalvaPresenza::omnia() {
    auto r = primaRiga(s_.db, "SELECT TOP 1 Anagrafica_Strutture.Codice_Struttura, "
                              "wTmp_Presenze_Strutture.Codice_Iscrizione FROM wTmp_Presenze_Strutture INNER JOIN "
                              "Anagrafica_Strutture ON "
                              "wTmp_Presenze_Strutture.Codice_Struttura=Anagrafica_Strutture.Codice_Struttura WHERE "
                              "Anagrafica_Strutture.Omnia<>0 AND wTmp_Presenze_Strutture.Conferma<>0 AND "
                              "wTmp_Presenze_Strutture.Esterna=0");
    if (!r) return;
    omnia_ = CChrQ((*r)[0]);
    iscrizioneOmnia_ = Nullo_Vuoto(p_.Codice_Iscrizione) ? (*r)[1] : p_.Codice_Iscrizione;
}

// The bands of accompanied activities, carrying the stay number of this visit.
void SalvaPresenza::fasceAccompagnamento() {
    if (p_.Senza_Fasce) return;
    exec("INSERT INTO Controllo_Fascia_Oraria (Modalita, Codice_Cliente, Data_Presenza, DaOre, AOre, IndTerminale, "
         "Codice_Bis, ID_Entrata)  SELECT 1, Codice_Cliente, " + oggi_ + ", DaOre, AOre, " + terminale_ + "," +
         tesseraBis_ + ", " + num(idEntrata_) +
         " FROM wTmp_Presenze_Strutture  WHERE Con_Accompagnatore<>0 AND Conferma<>0 AND Esterna=0 AND NoVerifica=0");
}

// Recovery vouchers are closed first, then the entry goes to the subscription
// line or the add-on whose lesson the voucher makes up.
void SalvaPresenza::recuperi() {
    const std::string voucher = " AND wTmp_Presenze_Strutture.Codice_Cliente=Clienti_Recuperi_Corsi.Codice_Cliente AND "
                                "wTmp_Presenze_Strutture.ID_Prenotazione=Clienti_Recuperi_Corsi.ID_Aggiunta2 AND "
                                "Clienti_Recuperi_Corsi.ID_Aggiunta2>0 AND " + std::string(kFiltro);
    exec("UPDATE Gestione_Aggiunte  SET Gestione_Aggiunte.SeduteFatte=Gestione_Aggiunte.SeduteFatte+1, "
         "Gestione_Aggiunte." + scadenza() + " FROM Gestione_Aggiunte, wTmp_Presenze_Strutture, Clienti_Recuperi_Corsi "
         "WHERE Gestione_Aggiunte.ID=wTmp_Presenze_Strutture.ID_Prenotazione AND Gestione_Aggiunte.Scaduta=0" + voucher);
    exec("UPDATE wTmp_Presenze_Strutture  SET wTmp_Presenze_Strutture.Origine='Abbonamento', "
         "wTmp_Presenze_Strutture.Codice_Iscrizione=Clienti_Recuperi_Corsi.Codice_Iscrizione, "
         "wTmp_Presenze_Strutture.Prog_Riga=Iscrizioni_Strutture.Prog_Riga  FROM wTmp_Presenze_Strutture, "
         "Clienti_Recuperi_Corsi, Iscrizioni_Strutture WHERE Clienti_Recuperi_Corsi.ID_Iscrizione=Iscrizioni_Strutture.ID" +
         voucher);
    exec("UPDATE wTmp_Presenze_Strutture  SET wTmp_Presenze_Strutture.Origine='Aggiunta', "
         "wTmp_Presenze_Strutture.ID_Prenotazione=Clienti_Recuperi_Corsi.ID_Aggiunta, "
         "wTmp_Presenze_Strutture.Prog_Riga=Gestione_Aggiunte.Prog_Riga  FROM wTmp_Presenze_Strutture, "
         "Clienti_Recuperi_Corsi, Gestione_Aggiunte WHERE Clienti_Recuperi_Corsi.ID_Aggiunta=Gestione_Aggiunte.ID AND "
         "wTmp_Presenze_Strutture.Origine='Aggiunta'" + voucher);
}

// A single booking closes its single-entry add-on and the entry goes to the
// subscription line or add-on the booking names.
void SalvaPresenza::singole() {
    // Single bookings are rare: one count saves the twelve statements below.
    if (conta(std::string(kFiltro) + " AND wTmp_Presenze_Strutture.Singola>0") == 0) return;
    for (const Singola& k : kSingole) {
        const std::string t = k.tabella;
        const std::string base = " WHERE wTmp_Presenze_Strutture.ID_Prenotazione=Gestione_Aggiunte.ID AND " +
                                 std::string(k.legame) + " AND " + k.colonna + ">0 AND wTmp_Presenze_Strutture.Singola>0 AND " +
                                 kFiltro;
        const std::string chiudi = "UPDATE Gestione_Aggiunte  SET Gestione_Aggiunte.SeduteFatte=Gestione_Aggiunte."
                                   "SeduteFatte+1, Gestione_Aggiunte." + scadenza() +
                                   " FROM Gestione_Aggiunte, wTmp_Presenze_Strutture, " + t + base +
                                   " AND Gestione_Aggiunte.Scaduta=0";
        exec(chiudi + " AND " + t + ".ID_Iscrizione>0");
        exec("UPDATE wTmp_Presenze_Strutture  SET wTmp_Presenze_Strutture.Origine='Abbonamento', "
             "wTmp_Presenze_Strutture.Codice_Iscrizione=Iscrizioni_Strutture.Codice_Iscrizione, "
             "wTmp_Presenze_Strutture.Prog_Riga=Iscrizioni_Strutture.Prog_Riga FROM wTmp_Presenze_Strutture, "
             "Gestione_Aggiunte, " + t + ", Iscrizioni_Strutture" + base + " AND " + t +
             ".ID_Iscrizione=Iscrizioni_Strutture.ID");
        exec(chiudi + " AND " + t + ".ID_Aggiunta>0");
        exec("UPDATE wTmp_Presenze_Strutture  SET wTmp_Presenze_Strutture.Origine='Aggiunta', "
             "wTmp_Presenze_Strutture.ID_Prenotazione=Gestione_Aggiunte_1.ID, "
             "wTmp_Presenze_Strutture.Prog_Riga=Gestione_Aggiunte_1.Prog_Riga FROM wTmp_Presenze_Strutture, "
             "Gestione_Aggiunte, " + t + ", Gestione_Aggiunte AS Gestione_Aggiunte_1" + base + " AND " + t +
             ".ID_Aggiunta=Gestione_Aggiunte_1.ID AND wTmp_Presenze_Strutture.Origine='Aggiunta'");
    }
}

// A daily entitlement counts one entry a day: the rows of one already
// used today are struck out.
void SalvaPresenza::giornalieri() {
    const std::string testa = "UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.Conferma=0 FROM "
                              "wTmp_Presenze_Strutture, Presenze_Strutture, Presenze WHERE ";
    const std::string coda = " AND Presenze_Strutture.Codice_Cliente=" + clienteQ_ +
                             " AND wTmp_Presenze_Strutture.Esterna=0 AND wTmp_Presenze_Strutture.Conferma<>0  AND "
                             "wTmp_Presenze_Strutture.Giornaliero<>0 AND Presenze.Data_Presenza=" + oggi_;
    exec(testa + "wTmp_Presenze_Strutture.Origine='Abbonamento'" + coda +
         " AND wTmp_Presenze_Strutture.Codice_Iscrizione=Presenze_Strutture.Iscrizione AND "
         "wTmp_Presenze_Strutture.Codice_Struttura=Presenze_Strutture.Codice_Struttura AND "
         "Presenze_Strutture.ID_Presenza=Presenze.ID_Presenza");
    exec(testa + "wTmp_Presenze_Strutture.Origine='Aggiunta'" + coda +
         " AND wTmp_Presenze_Strutture.ID_Prenotazione=Presenze_Strutture.ID_Aggiunta AND "
         "Presenze_Strutture.ID_Presenza=Presenze.ID_Presenza");

    const std::string annulla = "UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.Conferma=0 FROM "
                                "wTmp_Presenze_Strutture WHERE wTmp_Presenze_Strutture.Origine=";
    const std::string cliente = " AND wTmp_Presenze_Strutture.Codice_Cliente=" + clienteQ_ +
                                " AND wTmp_Presenze_Strutture.Esterna=0 AND wTmp_Presenze_Strutture.Conferma<>0 ";
    for (const Riga& r : tutteLeRighe(s_.db, "SELECT DISTINCT wTmp_Presenze_Strutture.Codice_Iscrizione FROM "
                                             "(wTmp_Presenze_Strutture INNER JOIN Gestione_Iscrizioni ON "
                                             "wTmp_Presenze_Strutture.Codice_Iscrizione=Gestione_Iscrizioni."
                                             "Codice_Iscrizione) INNER JOIN Anagrafica_Abbonamenti ON "
                                             "Gestione_Iscrizioni.Codice_Abbonamento=Anagrafica_Abbonamenti."
                                             "Codice_Abbonamento WHERE Anagrafica_Abbonamenti.Giornaliero<>0 AND "
                                             "wTmp_Presenze_Strutture.Origine='Abbonamento' AND " + std::string(kFiltro))) {
        if (trova("SELECT TOP 1 Codice_Cliente FROM Q_Presenze_Attivita WHERE Codice_Cliente=" + clienteQ_ +
                  " And Data_Presenza=" + oggi_ + " And Iscrizione=" + CChrQ(r[0])))
            exec(annulla + "'Abbonamento'" + cliente + " AND wTmp_Presenze_Strutture.Codice_Iscrizione=" + CChrQ(r[0]));
    }
    for (const Riga& r : tutteLeRighe(s_.db, "SELECT DISTINCT wTmp_Presenze_Strutture.ID_Prenotazione, "
                                             "Gestione_Aggiunte.Codice_PacchettoM FROM (wTmp_Presenze_Strutture INNER "
                                             "JOIN Gestione_Aggiunte ON wTmp_Presenze_Strutture.ID_Prenotazione="
                                             "Gestione_Aggiunte.ID) INNER JOIN Anagrafica_Pacchetti_Multipli ON "
                                             "Gestione_Aggiunte.Codice_PacchettoM=Anagrafica_Pacchetti_Multipli."
                                             "Codice_PacchettoM WHERE Anagrafica_Pacchetti_Multipli.Giornaliero<>0 AND "
                                             "wTmp_Presenze_Strutture.Origine='Aggiunta' AND " + std::string(kFiltro))) {
        if (trova("SELECT Q_Presenze_Attivita.Codice_Cliente  FROM Q_Presenze_Attivita INNER JOIN Gestione_Aggiunte ON "
                  "Q_Presenze_Attivita.ID_Aggiunta=Gestione_Aggiunte.ID AND "
                  "Q_Presenze_Attivita.Codice_Cliente=Gestione_Aggiunte.Codice_Cliente  WHERE "
                  "Q_Presenze_Attivita.Codice_Cliente=" + clienteQ_ + " AND Data_Presenza=" + oggi_ +
                  " AND Gestione_Aggiunte.Codice_PacchettoM=" + CChrQ(r[1])))
            exec(annulla + "'Aggiunta'" + cliente + " AND wTmp_Presenze_Strutture.ID_Prenotazione=" + Num_SqlQ(r[0]));
    }
}

// One detail row per confirmed row.
void SalvaPresenza::dettagli(const std::string& filtro) {
    exec("INSERT INTO Presenze_Strutture (ID_Presenza, Codice_Struttura, Tipologia, Codice_Cliente, Pagato, Iscrizione, "
         "Costo_Presenza, Ora_Presenza, ID_Aggiunta, ID_Pacchetto, Codice_Centro, IndTerminale, ID_Entrata) SELECT " +
         num(numero_) + " AS E1, Codice_Struttura, Tipologia, Codice_Cliente, Pagato, Codice_Iscrizione, "
         "Costo_Presenza, " + ora_ + ", ID_Prenotazione, ID_Pacchetto, " + centro_ + ", " + terminale_ + ", " +
         num(idEntrata_) + " FROM wTmp_Presenze_Strutture WHERE " + filtro);
}

// One entry on each subscription line used, never past its entries.
// Returns the subscriptions counted, as a list of literals ("" when none).
std::string SalvaPresenza::scalaRighe(const std::string& righe, bool conChiusa) {
    std::set<std::string> codici;
    for (const Riga& r : tutteLeRighe(s_.db, "SELECT DISTINCT Codice_Iscrizione, Prog_Riga FROM wTmp_Presenze_Strutture "
                                             "WHERE wTmp_Presenze_Strutture.Origine='Abbonamento' AND " + righe)) {
        codici.insert(CChrQ(r[0]));
        exec("UPDATE Iscrizioni_Strutture SET Iscrizioni_Strutture.SeduteFatte = Iscrizioni_Strutture.SeduteFatte + 1 "
             "WHERE Iscrizioni_Strutture.Codice_Iscrizione=" + CChrQ(r[0]) + " AND Iscrizioni_Strutture.Prog_Riga = " +
             Num_SqlQ(r[1]) +
             (conChiusa ? " AND Iscrizioni_Strutture.Chiusa=0 AND Iscrizioni_Strutture.Scaduta=0" : "") +
             " AND (Iscrizioni_Strutture.Sedute=0 OR (Iscrizioni_Strutture.Sedute-Iscrizioni_Strutture.SeduteFatte>0))");
    }
    std::string iscrizioni;
    for (const std::string& c : codici) iscrizioni += (iscrizioni.empty() ? "" : ",") + c;
    return iscrizioni;
}

// Lines whose last entry is used expire today, unless daily, booked
// ahead or (in the ordinary case) of an accompanied course or service. Only the
// subscriptions counted now can have reached their limit: naming them lets the database
// find their lines by their key instead of reading every line of the centre.
void SalvaPresenza::scadenzaRighe(const std::string& iscrizioni, bool conAccompagnate) {
    exec("UPDATE Iscrizioni_Strutture  SET Iscrizioni_Strutture.Scaduta=-1, Iscrizioni_Strutture.Data_Scadenza=" +
         oggi_ + " FROM Iscrizioni_Strutture INNER JOIN wTmp_Presenze_Strutture ON "
         "Iscrizioni_Strutture.Codice_Iscrizione=wTmp_Presenze_Strutture.Codice_Iscrizione  WHERE "
         "Iscrizioni_Strutture.Chiusa=0 AND Iscrizioni_Strutture.Scaduta=0 AND Iscrizioni_Strutture.Sedute>0 AND "
         "(Iscrizioni_Strutture.Sedute-Iscrizioni_Strutture.SeduteFatte)<=0  AND (wTmp_Presenze_Strutture.Giornaliero=0 "
         "AND wTmp_Presenze_Strutture.GiornalieroT=0) AND Iscrizioni_Strutture.Codice_Iscrizione IN (" + iscrizioni +
         ")" + esclusionePrenotazioni("Iscrizioni_Strutture.ID", "ID_Iscrizione", clienteQ_, oggi_) +
         (conAccompagnate ? esclusioneAccompagnate("Iscrizioni_Strutture.Codice_Struttura") : std::string()));
}

// A subscription expires when none of its own lines is open any more;
// an open line of another subscription does not keep it alive.
void SalvaPresenza::scadenzaAbbonamenti(const std::string& iscrizioni) {
    exec("UPDATE Gestione_Iscrizioni  SET Gestione_Iscrizioni.Scaduta=-1, Gestione_Iscrizioni.Data_Scadenza=" + oggi_ +
         " WHERE Gestione_Iscrizioni.Scaduta=0 AND Gestione_Iscrizioni.Codice_Iscrizione IN (" + iscrizioni +
         ") AND Gestione_Iscrizioni.Codice_Iscrizione Not In (SELECT Iscrizioni_Strutture.Codice_Iscrizione FROM "
         "Iscrizioni_Strutture WHERE Iscrizioni_Strutture.Scaduta=0 AND Iscrizioni_Strutture.Codice_Iscrizione IN (" +
         iscrizioni + "))");
}

// One entry on each add-on used, and its expiry when used up. The
// counting statements take the rows their selection took, never an add-on the check
// struck out or that is counted elsewhere.
void SalvaPresenza::scalaAggiunte(const std::string& righe, bool conAccompagnate) {
    const std::string filtro = " AND wTmp_Presenze_Strutture.Origine = 'Aggiunta' AND " + righe;
    for (const Riga& r : tutteLeRighe(s_.db, "SELECT DISTINCT Prog_Riga FROM wTmp_Presenze_Strutture WHERE "
                                             "wTmp_Presenze_Strutture.Origine='Aggiunta' AND " + righe)) {
        const std::string riga = " AND wTmp_Presenze_Strutture.Prog_Riga = " + Num_SqlQ(r[0]);
        exec("UPDATE Gestione_Aggiunte SET Gestione_Aggiunte.SeduteFatte = Gestione_Aggiunte.SeduteFatte + 1 FROM "
             "wTmp_Presenze_Strutture, Gestione_Aggiunte WHERE wTmp_Presenze_Strutture.ID_Prenotazione=Gestione_Aggiunte.ID" +
             riga + filtro +
             " AND Gestione_Aggiunte.Scaduta=0 AND (Gestione_Aggiunte.Sedute=0 OR "
             "(Gestione_Aggiunte.Sedute-Gestione_Aggiunte.SeduteFatte>0))");
        exec("UPDATE Gestione_Aggiunte  SET Gestione_Aggiunte." + scadenza() +
             " FROM wTmp_Presenze_Strutture, Gestione_Aggiunte  WHERE "
             "wTmp_Presenze_Strutture.ID_Prenotazione=Gestione_Aggiunte.ID" + riga + filtro +
             " AND Gestione_Aggiunte.Scaduta=0 AND Gestione_Aggiunte.Sedute>0 AND "
             "(Gestione_Aggiunte.Sedute-Gestione_Aggiunte.SeduteFatte)<=0  AND (wTmp_Presenze_Strutture.Giornaliero=0 AND "
             "wTmp_Presenze_Strutture.GiornalieroT=0) " +
             esclusionePrenotazioni("Gestione_Aggiunte.ID", "ID_Aggiunta", clienteQ_, oggi_) +
             (conAccompagnate ? esclusioneAccompagnate("Gestione_Aggiunte.Codice_Struttura") : std::string()));
    }
}

// The ordinary entry.
void SalvaPresenza::ordinaria() {
    recuperi();
    singole();
    giornalieri();
    dettagli("Terminale=0 AND Conferma<>0 AND Esterna=0 AND NoVerifica=0");
    Verifica_Prenotazioni_NoIngressi_Gen(s_, Value(oggiD_), Value(oggiD_), cliente_, Value::null());
    const std::string iscrizioni = scalaRighe(kFiltro, true);
    if (!iscrizioni.empty()) {
        scadenzaRighe(iscrizioni, true);
        scadenzaAbbonamenti(iscrizioni);
    }
    scalaAggiunte(kFiltro, true);
}

// An entry by an all-facilities line: one detail row per preferred facility in
// force today (or the ordinary detail rows), one entry on the all-facilities line.
void SalvaPresenza::tuttiGliImpianti() {
    const std::string iscrizione = CChrQ(iscrizioneOmnia_);
    const std::string inVigore = " AND Data_Preferenza<=" + oggi_ + " AND (Data_Preferenza_Fine>=" + oggi_ +
                                 " OR Data_Preferenza_Fine Is Null)";
    // Only preferences already in force: a future one alone would leave the visit without
    // any detail row.
    const bool preferenze = trova("SELECT TOP 1 ID FROM Gestione_Preferenze WHERE Codice_Iscrizione=" + iscrizione +
                                  inVigore);
    if (preferenze)
        exec("INSERT INTO Presenze_Strutture (ID_Presenza, Codice_Struttura, Tipologia, Codice_Cliente, Pagato, Iscrizione, "
             "Costo_Presenza, Ora_Presenza, Codice_Centro, IndTerminale, ID_Entrata) SELECT " + num(numero_) +
             " AS E1, Codice_Struttura, Tipologia, " + clienteQ_ + ", -1 AS E2, Codice_Iscrizione, 0 AS E3, " + ora_ +
             " AS E4, " + centro_ + ", " + terminale_ + ", " + num(idEntrata_) +
             " FROM Gestione_Preferenze WHERE Codice_Iscrizione=" + iscrizione + inVigore);
    else
        dettagli("Terminale=0 AND Conferma<>0 AND Esterna=0 AND NoVerifica=0");
    Verifica_Prenotazioni_NoIngressi_Gen(s_, Value(oggiD_), Value(oggiD_), cliente_, Value::null());
    const std::string righe = "wTmp_Presenze_Strutture.Codice_Struttura=" + omnia_ +
                              " AND wTmp_Presenze_Strutture.Conferma<>0 AND wTmp_Presenze_Strutture.Ingresso_Scalato=0";
    const std::string iscrizioni = scalaRighe(righe, false);
    if (!iscrizioni.empty()) {
        scadenzaRighe(iscrizioni, false);
        scadenzaAbbonamenti(iscrizioni);
    }
    scalaAggiunte(righe, false);
}

// The journal of out-of-band and suspended entries.
void SalvaPresenza::giornale() {
    if (p_.Fuori_Fascia) giornaleFuoriOrario();
    if (p_.Sospeso) giornaleSospeso();
}

// The status text, and the history of an irregular entry.
std::string SalvaPresenza::statoTesto() {
    std::string stato;
    if (p_.Sospeso) stato += "SOSPESO\r\n";
    if (p_.Nessun_Ingresso) stato += "NO INGRESSI\r\n";
    if (p_.Irregolare) stato += "IRREGOLARE\r\n";
    if (p_.Fuori_Fascia) stato += "FASCIA ORARIA";
    if (stato.empty()) return "OK";
    storiaIrregolari("Null");
    return stato;
}

// The entry log with the entitlement that paid.
void SalvaPresenza::log(const std::string& stato) {
    Log l;
    l.stato = stato;
    l.attivita = "INGRESSO";
    if (auto r = primaRiga(s_.db, "SELECT TOP 1 Anagrafica_Abbonamenti.Descrizione, wTmp_Presenze_Strutture.Data_Fine  "
                                  "FROM wTmp_Presenze_Strutture INNER JOIN Anagrafica_Abbonamenti ON "
                                  "wTmp_Presenze_Strutture.Codice_Abbonamento=Anagrafica_Abbonamenti.Codice_Abbonamento  "
                                  "WHERE wTmp_Presenze_Strutture.Origine='Abbonamento' AND "
                                  "wTmp_Presenze_Strutture.Conferma<>0")) {
        l.descrizione = Value(conScadenza((*r)[0], (*r)[1]));
        l.dataFine = (*r)[1];
    }
    if (Nullo_Vuoto(l.descrizione)) l.descrizione = p_.Descrizione_Default;
    if (Nullo_Vuoto(l.dataFine)) l.dataFine = p_.Data_Fine_Default;
    if (Nullo_Vuoto(l.descrizione)) {
        if (auto r = primaRiga(s_.db, "SELECT TOP 1 Gestione_Aggiunte.Codice_Pacchetto, Gestione_Aggiunte.Codice_PacchettoM, "
                                      "Gestione_Aggiunte.Data_Fine  FROM wTmp_Presenze_Strutture INNER JOIN "
                                      "Gestione_Aggiunte ON wTmp_Presenze_Strutture.ID_Prenotazione=Gestione_Aggiunte.ID  "
                                      "WHERE wTmp_Presenze_Strutture.ID_Prenotazione>0 AND "
                                      "(Gestione_Aggiunte.Codice_Pacchetto Is Not Null OR "
                                      "Gestione_Aggiunte.Codice_PacchettoM Is Not Null) AND "
                                      "wTmp_Presenze_Strutture.Conferma<>0")) {
            Value d = DLookUpQ(s_.db, "Descrizione", "Anagrafica_Pacchetti", "Codice_Pacchetto=" + CChrQ((*r)[0]));
            if (Nullo_Vuoto(d))
                d = DLookUpQ(s_.db, "Descrizione", "Anagrafica_Pacchetti_Multipli", "Codice_PacchettoM=" + CChrQ((*r)[1]));
            l.descrizione = Value(conScadenza(d, (*r)[2]));
            l.dataFine = (*r)[2];
        }
    }
    l.cognome = p_.Cognome;
    l.nome = p_.Nome;
    l.rinnovo = p_.Rinnovo;
    l.luci = semaforiDi(s_.esiti.Irregolarita, p_.Sospeso);
    scriviLog(l);
}

void SalvaPresenza::esegui() {
    contaRighe();
    oraUscita();
    if (!preleva()) throw DbError(0, "No presence number: entry not recorded");
    omnia();
    // The stay comes first so that the visit's band rows carry its number.
    apriPermanenza();
    fasceAccompagnamento();
    scriviPresenza(p_.Fuori_Fascia ? 1 : 0, iscrizioneScaduta_, exTerminali_);
    if (omnia_.empty()) ordinaria();
    else tuttiGliImpianti();
    esportaMyWellness();
    giornale();
    const std::string stato = statoTesto();
    aggiornaStato(p_.Stato_Precedente);
    log(stato);
    // Exactly one deadline row per stay.
    if (s_.registro.Terminali_Uscita && !p_.Senza_Fasce) {
        exec("DELETE FROM wTmp_OrarioUscita");
        scadenzaUscita(uscita_, std::nullopt);
    }
}

}  // namespace

bool Salva_Presenza(Sistema& s, const PresenzaStrutture& p) {
    if (Nullo_Vuoto(p.Codice_Cliente)) return true;
    try {
        SalvaPresenza(s, p).esegui();
        return true;
    } catch (const std::exception& e) {
        s.db.logError(e, kSalvaPresenza);
        return false;
    }
}

}  // namespace velaris
