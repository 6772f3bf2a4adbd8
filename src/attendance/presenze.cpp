#include "attendance/presenze.h"

#include <array>
#include <string>
#include <vector>

#include "attendance/visita.h"
#include "base/format.h"
#include "db/setting_slots.h"

namespace velaris {

namespace {

std::string num(int64_t n) { return Num_SqlQ(Value(static_cast<long long>(n))); }
std::string ora(const DateTime& t) { return Ora_SqlQ(Value(t)); }

// The master table of an activity kind and its key column.
struct Anagrafica {
    const char* tabella = nullptr;
    const char* chiave = nullptr;
};

Anagrafica anagraficaPer(int tipologia) {
    switch (tipologia) {
        case 1: return {"Anagrafica_Strutture", "Codice_Struttura"};
        case 2: return {"Anagrafica_Corsi", "Codice_Corso"};
        case 3: return {"Anagrafica_Servizi", "Codice_Servizio"};
        default: return {};
    }
}

// Single bookings that an add-on pays for, by kind of booking.
struct Singola {
    const char* join;    // the join of the add-on with its booking
    const char* test;    // the add-on's single-use column test
    const char* tabella; // the booking table (columns read back)
};

constexpr std::array<Singola, 3> kSingole = {{
    {"Gestione_Aggiunte INNER JOIN Gestione_Prenotazioni_Corsi ON "
     "Gestione_Aggiunte.Singola_Corsi=Gestione_Prenotazioni_Corsi.ID",
     "Gestione_Aggiunte.Singola_Corsi>0", "Gestione_Prenotazioni_Corsi"},
    {"Gestione_Aggiunte INNER JOIN Gestione_Prenotazioni_Servizi ON "
     "Gestione_Aggiunte.Singola_Servizi=Gestione_Prenotazioni_Servizi.ID",
     "Gestione_Aggiunte.Singola_Servizi>0", "Gestione_Prenotazioni_Servizi"},
    {"Gestione_Aggiunte INNER JOIN Booking_Clienti ON Gestione_Aggiunte.Singola=Booking_Clienti.ID_PivotPrenotazione "
     "AND Gestione_Aggiunte.Codice_Cliente=Booking_Clienti.Codice_Cliente",
     "Gestione_Aggiunte.Singola>0", "Booking_Clienti"},
}};

constexpr const char* kSalvaTerminali = "Salva_Presenza_Terminali";

// The recording of an entry for one activity decided at a terminal, step by step.
class SalvaPresenzaTerminali : Visita {
public:
    SalvaPresenzaTerminali(Sistema& s, PresenzaTerminale& p, const DateTime& adesso);
    void esegui();

private:
    bool numeroVisita();
    void leggiAttivita();
    void registra();
    bool contatoAltrove();
    void fasciaAccompagnamento();
    void recuperoCorso();
    void prenotazioniSingole();
    void reindirizza(const Riga& r);
    void scalaAbbonamento();
    void scalaAggiunta();
    void dettaglio();
    void fasciaGiornata();
    void giornale();
    void logIngresso();
    void oraUscita();

    PresenzaTerminale& p_;
    DateTime adesso_;
    Anagrafica anag_;
    std::string codice_;  // the activity as a literal
    bool altre_ = false;  // an entry not tied to one activity
    bool irregolare_ = false, fuoriOrario_ = false, sospeso_ = false;
    Value statoPrecedente_;
    bool nuova_ = false;  // the visit is new (not a further activity of today's visit)
    int64_t noVerifica_ = 0, modScalo_ = 0;
    std::string descrizioneAttivita_;
    bool conta_ = true;   // the entry is deducted
    int64_t fascia_ = 0, idPacchetto_ = 0;
    int64_t idRiga_ = 0;  // the subscription line (`Iscrizioni_Strutture.ID`) that pays, 0 unknown
    Value descrizioneLog_, dataFineLog_;
    bool descrizioneTrovata_ = false;
};

SalvaPresenzaTerminali::SalvaPresenzaTerminali(Sistema& s, PresenzaTerminale& p, const DateTime& adesso)
    : Visita(s, p.Codice_Cliente, p.Indirizzo, adesso.datePart(), adesso.timeOnDay1900(), kSalvaTerminali),
      p_(p),
      adesso_(adesso),
      anag_(anagraficaPer(p.Tipologia)),
      codice_(CChrQ(p.Codice_Attivita)),
      altre_(p.Codice_Attivita.toText() == kAltreStrutture),
      idRiga_(p.ID_Riga) {}

// The visit's presence number; today's when a further activity of the visit.
bool SalvaPresenzaTerminali::numeroVisita() {
    if (p_.Non_Registrare) {
        nuova_ = p_.Nuova_Visita;
        return true;
    }
    if (!p_.Nuova_Visita) {
        const Value ultimo =
            DMaxQ(s_.db, "ID_Presenza", "Presenze", "Codice_Cliente=" + clienteQ_ + " And Data_Presenza=" + oggi_);
        if (!Nullo_Vuoto(ultimo)) numero_ = ultimo.toInt();
    }
    if (p_.Nuova_Visita || numero_ == 0) {
        if (!preleva()) return false;  // nothing can be recorded without a number
        nuova_ = true;
    }
    return true;
}

// The activity's master row.
void SalvaPresenzaTerminali::leggiAttivita() {
    if (altre_ || !anag_.tabella) return;
    auto campo = [&](std::string_view c) { return Campo_Anagrafica(s_.db, anag_.tabella, anag_.chiave, codice_, c); };
    if (!campo(anag_.chiave).isNull()) {
        noVerifica_ = campo("NoVerifica_Ingresso").toInt();
        modScalo_ = campo("Mod_Scalo").toInt();
        descrizioneAttivita_ = campo("Descrizione").toText();
    }
}

// An entitlement whose facility has a terminal of its own in this group is
// counted there.
bool SalvaPresenzaTerminali::contatoAltrove() {
    if (Nullo_Vuoto(p_.Struttura_Abbonamento)) return false;
    const std::string g = Num_SqlQ(DLookUpQ(s_.db, "Gruppo2", "Dettaglio_Terminali", "Indirizzo=" + terminale_));
    const std::string struttura = CChrQ(p_.Struttura_Abbonamento);
    if (trova("SELECT TOP 1 Dettaglio_Terminali.Codice_Struttura  FROM Dettaglio_Terminali INNER JOIN "
              "Anagrafica_Strutture ON Dettaglio_Terminali.Codice_Struttura=Anagrafica_Strutture.Codice_Struttura  "
              "WHERE (Dettaglio_Terminali.Gruppo2=0 OR Dettaglio_Terminali.Gruppo2=" + g +
              ") AND Dettaglio_Terminali.Codice_Struttura=" + struttura))
        return true;
    return trova("SELECT TOP 1 Strutture_Associate.Codice_Struttura  FROM Strutture_Associate INNER JOIN "
                 "Anagrafica_Strutture ON Strutture_Associate.Codice_Struttura=Anagrafica_Strutture.Codice_Struttura  "
                 "WHERE Anagrafica_Strutture.Esterna=0 AND Strutture_Associate.Codice_Struttura_Associata=" + struttura +
                 " AND Anagrafica_Strutture.Codice_Struttura In  (SELECT Dettaglio_Terminali.Codice_Struttura  FROM "
                 "Dettaglio_Terminali INNER JOIN Anagrafica_Strutture ON "
                 "Dettaglio_Terminali.Codice_Struttura=Anagrafica_Strutture.Codice_Struttura  WHERE "
                 "Dettaglio_Terminali.Indirizzo<>" + terminale_ +
                 " AND (Dettaglio_Terminali.Gruppo2=0 OR Dettaglio_Terminali.Gruppo2=" + g + "))");
}

// The band of an accompanied activity.
void SalvaPresenzaTerminali::fasciaAccompagnamento() {
    if (p_.Seguito || !anag_.tabella) return;
    if (Campo_Anagrafica(s_.db, anag_.tabella, anag_.chiave, codice_, "Con_Accompagnatore").toDouble() == 0) return;
    exec("INSERT INTO Controllo_Fascia_Oraria (Modalita, Codice_Cliente, Codice, Data_Presenza, DaOre, AOre, "
         "IndTerminale, ID_Presenza, Codice_Bis)  VALUES (1, " + clienteQ_ + ", " + codice_ + ", " + oggi_ + ", " +
         Ora_SqlQ(p_.DaOre) + ", " + Ora_SqlQ(p_.AOre) + ", " + terminale_ + ", " + num(numero_) + ", " + tesseraBis_ +
         ")");
    fascia_ = ZeroSeNullo(
        DMaxQ(s_.db, "ID", "Controllo_Fascia_Oraria", "Codice_Cliente=" + clienteQ_ + " And Data_Presenza=" + oggi_));
}

// A voucher or a booking names the entitlement that pays instead.
void SalvaPresenzaTerminali::reindirizza(const Riga& r) {
    p_.ID_Aggiunta = Value(static_cast<long long>(r[2].toInt()));
    if (r[2].toInt() == 0) {
        p_.Codice_Iscrizione = r[0];
        idRiga_ = r[1].toInt();
    }
}

// A recovery voucher is closed and the entry goes to the entitlement whose
// lesson it makes up.
void SalvaPresenzaTerminali::recuperoCorso() {
    if (p_.ID_Aggiunta.toInt() <= 0) return;
    exec("UPDATE Gestione_Aggiunte  SET Gestione_Aggiunte.SeduteFatte=Gestione_Aggiunte.SeduteFatte+1, "
         "Gestione_Aggiunte.Scaduta=-1, Gestione_Aggiunte.Data_Scadenza=" + oggi_ +
         " FROM Gestione_Aggiunte INNER JOIN Clienti_Recuperi_Corsi ON "
         "Clienti_Recuperi_Corsi.ID_Aggiunta2=Gestione_Aggiunte.ID INNER JOIN Orario_Istruttori_Corsi ON "
         "Clienti_Recuperi_Corsi.ID_Corso=Orario_Istruttori_Corsi.ID  WHERE Orario_Istruttori_Corsi.GiornoSettimana=" +
         num(adesso_.weekdayMonday1()) +
         " AND Clienti_Recuperi_Corsi.ID_Aggiunta2>0 AND Gestione_Aggiunte.Scaduta=0 AND "
         "Gestione_Aggiunte.Codice_Cliente=" + clienteQ_ + " AND Clienti_Recuperi_Corsi.Codice_Corso=" + codice_);
    if (auto r = primaRiga(s_.db, "SELECT TOP 1 Codice_Iscrizione, ID_Iscrizione, ID_Aggiunta  FROM "
                                  "Clienti_Recuperi_Corsi  WHERE Codice_Cliente=" + clienteQ_ +
                                      " AND ID_Aggiunta2=" + Num_SqlQ(p_.ID_Aggiunta)))
        reindirizza(*r);
}

// A single booking closes its add-on and the entry goes to the entitlement the
// booking names.
void SalvaPresenzaTerminali::prenotazioniSingole() {
    for (const Singola& k : kSingole) {
        if (p_.ID_Aggiunta.toInt() <= 0) break;
        const std::string tab = k.tabella;
        const std::string filtro = "  WHERE Gestione_Aggiunte.ID=" + Num_SqlQ(p_.ID_Aggiunta) + " AND " + k.test +
                                   " AND (" + tab + ".ID_Iscrizione>0 OR " + tab + ".ID_Aggiunta>0)";
        exec("UPDATE Gestione_Aggiunte  SET Gestione_Aggiunte.SeduteFatte=Gestione_Aggiunte.SeduteFatte+1, "
             "Gestione_Aggiunte.Scaduta=-1, Gestione_Aggiunte.Data_Scadenza=" + oggi_ + " FROM " + k.join + filtro);
        if (auto r = primaRiga(s_.db, "SELECT TOP 1 " + tab + ".Codice_Iscrizione, " + tab + ".ID_Iscrizione, " + tab +
                                          ".ID_Aggiunta FROM " + k.join + filtro))
            reindirizza(*r);
    }
}

// Paid by a subscription line.
void SalvaPresenzaTerminali::scalaAbbonamento() {
    const std::string iscrizione = CChrQ(p_.Codice_Iscrizione);
    // The line that admitted the member, with its daily mark; unknown, the line of this
    // subscription and facility.
    Value progRiga, giornalieroRiga;
    if (idRiga_ >= 1) {
        if (auto r = primaRiga(s_.db, "SELECT Prog_Riga, Giornaliero FROM Iscrizioni_Strutture WHERE ID=" + num(idRiga_))) {
            progRiga = (*r)[0];
            giornalieroRiga = (*r)[1];
        }
    } else {
        progRiga = DLookUpQ(s_.db, "Prog_Riga", "Iscrizioni_Strutture",
                            "Codice_Iscrizione=" + iscrizione + " AND Codice_Cliente=" + clienteQ_ +
                                " AND Codice_Struttura=" + codice_);
    }
    const std::string riga = Num_SqlQ(progRiga);
    bool giornaliero = false;
    if (auto r = primaRiga(s_.db, "SELECT TOP 1 Anagrafica_Abbonamenti.Giornaliero, Gestione_Iscrizioni.Descrizione, "
                                  "Gestione_Iscrizioni.Data_Fine  FROM Anagrafica_Abbonamenti INNER JOIN "
                                  "Gestione_Iscrizioni ON "
                                  "Anagrafica_Abbonamenti.Codice_Abbonamento=Gestione_Iscrizioni.Codice_Abbonamento  "
                                  "WHERE Gestione_Iscrizioni.Codice_Iscrizione=" + iscrizione)) {
        giornaliero = (*r)[0].toDouble() != 0;
        descrizioneLog_ = Value(conScadenza((*r)[1], (*r)[2]));
        dataFineLog_ = (*r)[2];
        descrizioneTrovata_ = true;
    }
    std::string gia = "SELECT TOP 1 Codice_Cliente FROM Q_Presenze_Attivita WHERE Codice_Cliente=" + clienteQ_ +
                      " AND Data_Presenza=" + oggi_ + " AND Iscrizione=" + iscrizione;
    if (!giornaliero) gia += " AND Codice_Struttura=" + codice_;
    const bool giaOggi = trova(gia);
    bool rigaGiornaliera = false;
    if (giornaliero) {
        if (giaOggi) conta_ = false;
    } else {
        if (idRiga_ < 1)
            giornalieroRiga = DLookUpQ(s_.db, "Giornaliero", "Iscrizioni_Strutture",
                                       "Codice_Iscrizione=" + iscrizione + " AND Codice_Cliente=" + clienteQ_ +
                                           " AND Codice_Struttura=" + codice_);
        rigaGiornaliera = giornalieroRiga.toDouble() != 0;
        if (giaOggi) {
            conta_ = false;
        } else {
            // A daily line shared by several facilities counts once a day.
            std::string dominio = "Iscrizioni_Strutture";
            if (rigaGiornaliera &&
                DCountQ(s_.db, "*", dominio, "Codice_Iscrizione=" + iscrizione + " AND Prog_Riga=" + riga) > 1 &&
                trova("SELECT TOP 1 Data_Presenza FROM (Presenze INNER JOIN Presenze_Strutture ON "
                      "Presenze.ID_Presenza=Presenze_Strutture.ID_Presenza) INNER JOIN Iscrizioni_Strutture ON "
                      "Presenze_Strutture.Iscrizione=Iscrizioni_Strutture.Codice_Iscrizione AND "
                      "Presenze_Strutture.Codice_Struttura=Iscrizioni_Strutture.Codice_Struttura WHERE "
                      "Presenze.Data_Presenza=" + oggi_ + " AND Presenze.Codice_Cliente=" + clienteQ_ +
                      " AND Presenze_Strutture.Iscrizione=" + iscrizione + " AND Iscrizioni_Strutture.Prog_Riga=" + riga))
                conta_ = false;
        }
    }
    if (noVerifica_ != 0 || !conta_ || modScalo_ == 2) return;
    // The count and the expiry go together; the count of open lines below sends them.
    execDopo("UPDATE Iscrizioni_Strutture  SET Iscrizioni_Strutture.SeduteFatte = Iscrizioni_Strutture.SeduteFatte + 1  "
             "WHERE Iscrizioni_Strutture.Codice_Iscrizione=" + iscrizione + " AND Iscrizioni_Strutture.Codice_Cliente=" +
             clienteQ_ + " AND Iscrizioni_Strutture.Chiusa=0 AND Iscrizioni_Strutture.Scaduta=0  AND "
             "Iscrizioni_Strutture.Prog_Riga=" + riga +
             " AND (Iscrizioni_Strutture.Sedute=0 OR (Iscrizioni_Strutture.Sedute-Iscrizioni_Strutture.SeduteFatte>0))");
    if (!giornaliero && !rigaGiornaliera) {
        execDopo("UPDATE Iscrizioni_Strutture  SET Iscrizioni_Strutture.Scaduta=-1, Iscrizioni_Strutture.Data_Scadenza=" +
                 oggi_ + "  WHERE Iscrizioni_Strutture.Codice_Iscrizione=" + iscrizione +
                 " AND Iscrizioni_Strutture.Codice_Cliente=" + clienteQ_ +
                 " AND Iscrizioni_Strutture.Chiusa=0 AND Iscrizioni_Strutture.Scaduta=0 AND Iscrizioni_Strutture.Sedute>0 "
                 "AND (Iscrizioni_Strutture.Sedute-Iscrizioni_Strutture.SeduteFatte)<=0  AND "
                 "Iscrizioni_Strutture.Prog_Riga=" + riga +
                 esclusionePrenotazioni("Iscrizioni_Strutture.ID", "ID_Iscrizione", clienteQ_, oggi_) +
                 esclusioneAccompagnate("Iscrizioni_Strutture.Codice_Struttura"));
    }
    // The subscription expires with its last open line, decided by the database itself in
    // the same batch: a failed count can never pass for "no open line".
    execDopo("UPDATE Gestione_Iscrizioni  SET Scaduta=-1, Data_Scadenza=" + oggi_ + "  WHERE Codice_Iscrizione=" +
             iscrizione + " AND NOT EXISTS (SELECT * FROM Iscrizioni_Strutture WHERE "
             "Iscrizioni_Strutture.Codice_Iscrizione=" + iscrizione + " And Iscrizioni_Strutture.Scaduta=0)");
}

// Paid by an add-on.
void SalvaPresenzaTerminali::scalaAggiunta() {
    const std::string aggiunta = Num_SqlQ(p_.ID_Aggiunta);
    Value progRiga;
    if (auto r = primaRiga(s_.db, "SELECT Prog_Riga, ID_Pacchetto  FROM Gestione_Aggiunte  WHERE ID=" + aggiunta)) {
        progRiga = (*r)[0];
        idPacchetto_ = (*r)[1].toInt();
    }
    const std::string riga = Num_SqlQ(progRiga);
    bool pacchettoGiornaliero = false;
    Value pacchettoM;
    if (auto r = primaRiga(s_.db, "SELECT TOP 1 Anagrafica_Pacchetti_Multipli.Giornaliero, "
                                  "Anagrafica_Pacchetti_Multipli.Codice_PacchettoM, "
                                  "Anagrafica_Pacchetti_Multipli.Descrizione, Gestione_Aggiunte.Data_Fine  FROM "
                                  "Anagrafica_Pacchetti_Multipli INNER JOIN Gestione_Aggiunte ON "
                                  "Anagrafica_Pacchetti_Multipli.Codice_PacchettoM=Gestione_Aggiunte.Codice_PacchettoM  "
                                  "WHERE Gestione_Aggiunte.Codice_PacchettoM Is Not Null AND Gestione_Aggiunte.ID=" +
                                      aggiunta)) {
        pacchettoGiornaliero = (*r)[0].toDouble() != 0;
        pacchettoM = (*r)[1];
        descrizioneLog_ = Value(conScadenza((*r)[2], (*r)[3]));
        dataFineLog_ = (*r)[3];
        descrizioneTrovata_ = true;
    } else if (auto p = primaRiga(s_.db, "SELECT TOP 1 Anagrafica_Pacchetti.Descrizione, Gestione_Aggiunte.Data_Fine  "
                                         "FROM Anagrafica_Pacchetti INNER JOIN Gestione_Aggiunte ON "
                                         "Anagrafica_Pacchetti.Codice_Pacchetto=Gestione_Aggiunte.Codice_Pacchetto  "
                                         "WHERE Gestione_Aggiunte.Codice_Pacchetto Is Not Null AND "
                                         "Gestione_Aggiunte.ID=" + aggiunta)) {
        descrizioneLog_ = Value(conScadenza((*p)[0], (*p)[1]));
        dataFineLog_ = (*p)[1];
        descrizioneTrovata_ = true;
    }
    const std::string gia =
        pacchettoGiornaliero
            ? "SELECT Q_Presenze_Attivita.Codice_Cliente  FROM Q_Presenze_Attivita INNER JOIN Gestione_Aggiunte ON "
              "Q_Presenze_Attivita.ID_Aggiunta=Gestione_Aggiunte.ID AND "
              "Q_Presenze_Attivita.Codice_Cliente=Gestione_Aggiunte.Codice_Cliente  WHERE "
              "Q_Presenze_Attivita.Codice_Cliente=" + clienteQ_ + " AND Data_Presenza=" + oggi_ +
                  " AND Gestione_Aggiunte.Codice_PacchettoM=" + CChrQ(pacchettoM)
            : "SELECT TOP 1 Codice_Cliente FROM Q_Presenze_Attivita WHERE Codice_Cliente=" + clienteQ_ +
                  " AND Data_Presenza=" + oggi_ + " AND ID_Aggiunta=" + aggiunta + " AND Codice_Struttura=" + codice_;
    const bool giaOggi = trova(gia);
    const bool aggiuntaGiornaliera =
        DLookUpQ(s_.db, "Giornaliero", "Gestione_Aggiunte", "ID=" + aggiunta + " AND Codice_Struttura=" + codice_)
            .toDouble() != 0;
    if (giaOggi) {
        conta_ = false;
    } else if (!pacchettoGiornaliero && aggiuntaGiornaliera) {
        std::string dominio = "Gestione_Aggiunte";
        if (DCountQ(s_.db, "*", dominio, "ID=" + aggiunta + " AND Prog_Riga=" + riga) > 1 &&
            trova("SELECT TOP 1 Data_Presenza FROM (Presenze INNER JOIN Presenze_Strutture ON "
                  "Presenze.ID_Presenza=Presenze_Strutture.ID_Presenza) INNER JOIN Gestione_Aggiunte ON "
                  "Presenze_Strutture.ID_Aggiunta=Gestione_Aggiunte.ID WHERE Presenze.Data_Presenza=" + oggi_ +
                  " AND Presenze.Codice_Cliente=" + clienteQ_ + " AND Presenze_Strutture.ID_Aggiunta=" + aggiunta +
                  " AND Gestione_Aggiunte.Prog_Riga=" + riga))
            conta_ = false;
    }
    if (noVerifica_ != 0 || !conta_ || modScalo_ == 2) return;
    // The line number alone would also count the client's other add-ons that happen to
    // share it: only the lines of this sale are counted.
    const std::string vendita = idPacchetto_ > 0 ? " AND Gestione_Aggiunte.ID_Pacchetto=" + num(idPacchetto_)
                                                 : " AND Gestione_Aggiunte.ID=" + aggiunta;
    exec("UPDATE Gestione_Aggiunte  SET Gestione_Aggiunte.SeduteFatte = Gestione_Aggiunte.SeduteFatte + 1  WHERE "
         "Gestione_Aggiunte.Codice_Cliente=" + clienteQ_ + " AND Gestione_Aggiunte.Scaduta=0  AND "
         "Gestione_Aggiunte.Prog_Riga=" + riga +
         " AND (Gestione_Aggiunte.Sedute=0 OR (Gestione_Aggiunte.Sedute-Gestione_Aggiunte.SeduteFatte>0))" + vendita);
    if (!pacchettoGiornaliero && !aggiuntaGiornaliera) {
        exec("UPDATE Gestione_Aggiunte  SET Gestione_Aggiunte.Scaduta=-1, Gestione_Aggiunte.Data_Scadenza=" + oggi_ +
             " FROM Gestione_Aggiunte  WHERE Gestione_Aggiunte.Codice_Cliente=" + clienteQ_ +
             " AND Gestione_Aggiunte.Scaduta=0 AND Gestione_Aggiunte.Sedute>0 AND "
             "(Gestione_Aggiunte.Sedute-Gestione_Aggiunte.SeduteFatte)<=0  AND Gestione_Aggiunte.Prog_Riga=" + riga +
             " AND (Gestione_Aggiunte.Singola+Gestione_Aggiunte.Singola_Corsi+Gestione_Aggiunte.Singola_Servizi=0) " +
             esclusionePrenotazioni("Gestione_Aggiunte.ID", "ID_Aggiunta", clienteQ_, oggi_) +
             esclusioneAccompagnate("Gestione_Aggiunte.Codice_Struttura") + vendita);
    }
}

// The detail row and the bookings it may use.
void SalvaPresenzaTerminali::dettaglio() {
    if (noVerifica_ != 0) return;
    exec("INSERT INTO Presenze_Strutture (ID_Presenza, Codice_Struttura, Tipologia, Codice_Cliente, Pagato, "
         "Costo_Presenza, Ora_Presenza, Iscrizione, ID_Aggiunta, ID_Pacchetto, Codice_Centro, IndTerminale, "
         "ID_Entrata)  VALUES (" + num(numero_) + ", " + codice_ + ", " + num(p_.Tipologia) + ", " + clienteQ_ +
         ", -1, 0, " + ora_ + ", " + CChrQ(p_.Codice_Iscrizione) + ", " + Num_SqlQ(p_.ID_Aggiunta) + ", " +
         num(idPacchetto_) + ", " + centro_ + ", " + terminale_ + ", " + num(idEntrata_) + ") ");
    Verifica_Prenotazioni_NoIngressi_Gen(s_, Value(oggiD_), Value(oggiD_), p_.Codice_Cliente, p_.Codice_Attivita);
}

// A whole-day band when the activity behind the entry needs a companion.
void SalvaPresenzaTerminali::fasciaGiornata() {
    if (p_.Seguito || !anag_.tabella) return;
    std::string dominio = anag_.tabella;
    if (DCountQ(s_.db, "*", dominio,
                std::string("Con_Accompagnatore<>0 And ") + anag_.chiave + " = " + CChrQ(p_.Attivita_Accompagnamento)) <=
        0)
        return;
    exec("INSERT INTO Controllo_Fascia_Oraria (Modalita, Codice_Cliente, Codice, Data_Presenza, DaOre, AOre, "
         "IndTerminale, Codice_Bis)  VALUES (1, " + clienteQ_ + ", Null, " + oggi_ + ", '00:00:00', '23:59:59'," +
         terminale_ + "," + tesseraBis_ + ")");
    fascia_ = ZeroSeNullo(
        DMaxQ(s_.db, "ID", "Controllo_Fascia_Oraria", "Codice_Cliente=" + clienteQ_ + " And Data_Presenza=" + oggi_));
}

// The journal of out-of-hours and suspended entries.
void SalvaPresenzaTerminali::giornale() {
    if (fuoriOrario_) {
        if (!altre_) giornaleFuoriOrarioAttivita(codice_);
        else giornaleFuoriOrario();
    }
    if (sospeso_) giornaleSospeso();
}

// The stay, the visit, the deduction, the detail row, the export, the journal.
void SalvaPresenzaTerminali::registra() {
    apriPermanenza();
    if (noVerifica_ == 0 && nuova_) scriviPresenza(0, 0, 0);
    if (!altre_) {
        const bool altrove = contatoAltrove();
        fasciaAccompagnamento();
        if (!altrove) {
            recuperoCorso();
            prenotazioniSingole();
            if (!Nullo_Vuoto(p_.Codice_Iscrizione) && p_.ID_Aggiunta.toInt() == 0) scalaAbbonamento();
            else if (p_.ID_Aggiunta.toInt() > 0) scalaAggiunta();
            dettaglio();
        }
    } else {
        fasciaGiornata();
    }
    if (noVerifica_ == 0 && nuova_) esportaMyWellness();
    giornale();
}

// The status text, the history of irregular entries and the entry log.
void SalvaPresenzaTerminali::logIngresso() {
    if (noVerifica_ != 0 || !nuova_) return;
    auto& irr = s_.esiti.Irregolarita;
    std::string stato;
    if (sospeso_) {
        stato += "SOSPESO\r\n";
        irr[irregolarita::Sospeso] = Value(1);
    }
    if (Nullo_Vuoto(p_.Codice_Iscrizione) && p_.ID_Aggiunta.toInt() == 0) {
        stato += "NO INGRESSI\r\n";
        irr[irregolarita::NoIngressi] = Value(1);
    }
    if (irregolare_) stato += "IRREGOLARE\r\n";
    if (fuoriOrario_) {
        stato += "FUORI ORARIO";
        irr[irregolarita::NonAbilitato] = Value(1);
    }
    if (stato.empty()) stato = "OK";
    else if (!p_.Non_Registrare) storiaIrregolari(altre_ ? "Null" : codice_);

    Log l;
    l.stato = stato;
    l.attivita = descrizioneAttivita_;
    l.descrizione = descrizioneTrovata_ ? descrizioneLog_ : p_.Descrizione_Default;
    l.dataFine = descrizioneTrovata_ ? dataFineLog_ : p_.Data_Fine_Default;
    if (Nullo_Vuoto(l.descrizione)) l.descrizione = p_.Descrizione_Default;
    if (Nullo_Vuoto(l.dataFine)) l.dataFine = p_.Data_Fine_Default;
    l.cognome = p_.Cognome;
    l.nome = p_.Nome;
    l.rinnovo = p_.Rinnovo;
    l.luci = semaforiDi(irr, sospeso_);
    scriviLog(l);
}

// The latest exit time of the stay.
void SalvaPresenzaTerminali::oraUscita() {
    if (p_.Non_Registrare || !s_.registro.Terminali_Uscita || p_.Seguito) return;
    const Value uscita =
        Calcola_Ora_Uscita(s_, p_.Codice_Abbonamento, p_.Codice_Pacchetto, p_.Codice_Attivita, p_.ID_Aggiunta,
                           adesso_.weekdayMonday1(), Value(oraD_), p_.Tempo_Permanenza, Value::null(),
                           p_.Ora_Uscita_Default);
    scadenzaUscita(uscita, p_.Punti);
    if (fascia_ > 0)
        exec("UPDATE Controllo_Fascia_Oraria  SET ID_Entrata=" + num(idEntrata_) + " WHERE ID=" + num(fascia_));
}

void SalvaPresenzaTerminali::esegui() {
    try {
        statoPrecedente_ = DLookUpQ_Anagrafica(s_.db, "Anagrafica_Clienti", "Codice_Cliente", clienteQ_, "Stato");
        irregolare_ = s_.esiti.Flag_Irregolare;
        fuoriOrario_ = s_.esiti.EsitoT_FuoriOrario;
        sospeso_ = s_.esiti.EsitoT_Sospeso;
        if (!numeroVisita()) return;
        leggiAttivita();
        // An out-of-hours entry at a terminal without activity management is not counted.
        const TerminalRow* terminale = s_.registro.corrente();
        const int64_t gestisciAttivita = terminale ? (*terminale)["Gestisci_Attivita"].toInt() : 0;
        conta_ = !(gestisciAttivita == 0 && fuoriOrario_);
        if (!p_.Non_Registrare) registra();
        logIngresso();
        oraUscita();
        aggiornaStato(statoPrecedente_);
    } catch (const std::exception& e) {
        s_.db.logError(e, kSalvaTerminali);
    }
}

}  // namespace

std::optional<int64_t> Preleva_Numero_Presenza(Sistema& s, const LockPolicy& policy, const char* function) {
    if (!Semaforo(s.db, s.postazione, Value(kSemaforoPresenze), true, policy)) {
        // Another workstation holds the counter: its lock row is not ours to remove.
        s.log.error(0, "Presence counter locked by another workstation: no number drawn", function);
        return std::nullopt;
    }
    std::optional<int64_t> numero;
    try {
        // A failed read must end the drawing, never pass for a missing row and start the
        // counter again.
        auto rs = s.db.open("SELECT ContatoreN AS NumCont FROM Contatori WHERE Cd_Tipo =" + num(kContatorePresenze));
        const bool riga = !rs->eof();
        const Value attuale = riga ? rs->field(0) : Value::null();
        rs.reset();
        if (!riga) {
            s.db.execute("INSERT INTO Contatori (Cd_Tipo,ContatoreN) VALUES (22," + num(1) + ")");
            numero = 1;
        } else {
            // A row created empty by a desk program counts as 0.
            const int64_t n = (Nullo_Vuoto(attuale) ? 0 : attuale.toInt()) + 1;
            s.db.execute("UPDATE Contatori SET ContatoreN = " + num(n) + " WHERE Cd_Tipo = 22");
            numero = n;
        }
    } catch (const std::exception& e) {
        s.db.logError(e, function);
        numero.reset();
    }
    // Released on every path: a lock left behind would stop every workstation's entries.
    Semaforo(s.db, s.postazione, Value(kSemaforoPresenze), false, policy);
    return numero;
}


void Salva_Presenza_Terminali(Sistema& s, PresenzaTerminale& p) {
    if (Nullo_Vuoto(p.Codice_Cliente)) return;
    SalvaPresenzaTerminali(s, p, s.clock.now()).esegui();
}

void Verifica_Prenotazioni_NoIngressi_Gen(Sistema& s, const Value& Data_Da, const Value& Data_A,
                                          const Value& Codice_Cliente, const Value& Attivita) {
    static constexpr const char* F = "Verifica_Prenotazioni_NoIngressi_Gen";
    try {
        auto filtri = [&](const std::string& data, const std::string& cliente, const std::string& attivita) {
            std::string f;
            if (!Nullo_Vuoto(Data_Da)) f += " AND " + data + ">=" + Data_SqlQ(Data_Da);
            if (!Nullo_Vuoto(Data_A)) f += " AND " + data + "<=" + Data_SqlQ(Data_A);
            if (!Nullo_Vuoto(Codice_Cliente)) f += " AND " + cliente + "=" + CChrQ(Codice_Cliente);
            if (!Nullo_Vuoto(Attivita)) f += " AND " + attivita + "=" + CChrQ(Attivita);
            return f;
        };
        const std::string prenotazioneStruttura =
            " FROM (Gestione_Prenotazioni INNER JOIN Booking_Clienti ON "
            "Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione) INNER JOIN ";
        const std::string colonneStruttura =
            "SELECT 3 AS Tipo, Booking_Clienti.ID_PivotPrenotazione AS ID, Booking_Clienti.Codice_Cliente, "
            "Gestione_Prenotazioni.Codice2 AS Attivita, Gestione_Prenotazioni.Data_Prenotazione, "
            "Gestione_Prenotazioni.DaOre, Gestione_Prenotazioni.AOre, Gestione_Prenotazioni.Cd_SubStruttura AS "
            "SubStruttura, ";
        const std::string codaStruttura =
            ".Tolleranza, Booking_Clienti.ID_Iscrizione, Booking_Clienti.ID_Aggiunta";
        const std::string filtroStruttura =
            filtri("Gestione_Prenotazioni.Data_Prenotazione", "Booking_Clienti.Codice_Cliente",
                   "Gestione_Prenotazioni.Codice2");
        const std::string sql =
            "SELECT 1 AS Tipo, Gestione_Prenotazioni_Corsi.ID, Gestione_Prenotazioni_Corsi.Codice_Cliente, "
            "Gestione_Prenotazioni_Corsi.Codice_Corso AS Attivita, Gestione_Prenotazioni_Corsi.Data_Prenotazione, "
            "Orario_Istruttori_Corsi.DaOre, Orario_Istruttori_Corsi.AOre, 0 AS SubStruttura, Anagrafica_Corsi.Tolleranza, "
            "Gestione_Prenotazioni_Corsi.ID_Iscrizione, Gestione_Prenotazioni_Corsi.ID_Aggiunta"
            " FROM (Gestione_Prenotazioni_Corsi INNER JOIN Orario_Istruttori_Corsi ON "
            "Gestione_Prenotazioni_Corsi.ID_Corso=Orario_Istruttori_Corsi.ID) INNER JOIN Anagrafica_Corsi ON "
            "Gestione_Prenotazioni_Corsi.Codice_Corso=Anagrafica_Corsi.Codice_Corso"
            " WHERE Anagrafica_Corsi.APrenotazione=-1 AND Gestione_Prenotazioni_Corsi.Usata=0 AND "
            "Gestione_Prenotazioni_Corsi.Ingresso_Scalato=0 AND Gestione_Prenotazioni_Corsi.Enroll<>0" +
            filtri("Gestione_Prenotazioni_Corsi.Data_Prenotazione", "Gestione_Prenotazioni_Corsi.Codice_Cliente",
                   "Gestione_Prenotazioni_Corsi.Codice_Corso") +
            " UNION SELECT 2 AS Tipo, Gestione_Prenotazioni_Servizi.ID, Gestione_Prenotazioni_Servizi.Codice_Cliente, "
            "Gestione_Prenotazioni_Servizi.Codice_Servizio AS Attivita, Gestione_Prenotazioni_Servizi.Data_Prenotazione, "
            "Orario_Servizi.DaOre, Orario_Servizi.AOre, 0 AS SubStruttura, Anagrafica_Servizi.Tolleranza, "
            "Gestione_Prenotazioni_Servizi.ID_Iscrizione, Gestione_Prenotazioni_Servizi.ID_Aggiunta"
            " FROM (Gestione_Prenotazioni_Servizi INNER JOIN Orario_Servizi ON "
            "Gestione_Prenotazioni_Servizi.ID_Servizio=Orario_Servizi.ID) INNER JOIN Anagrafica_Servizi ON "
            "Gestione_Prenotazioni_Servizi.Codice_Servizio=Anagrafica_Servizi.Codice_Servizio"
            " WHERE Gestione_Prenotazioni_Servizi.Usata=0 AND Gestione_Prenotazioni_Servizi.Ingresso_Scalato=0 AND "
            "Gestione_Prenotazioni_Servizi.Enroll<>0" +
            filtri("Gestione_Prenotazioni_Servizi.Data_Prenotazione", "Gestione_Prenotazioni_Servizi.Codice_Cliente",
                   "Gestione_Prenotazioni_Servizi.Codice_Servizio") +
            " UNION " + colonneStruttura + "Anagrafica_Strutture" + codaStruttura + prenotazioneStruttura +
            "Anagrafica_Strutture ON Gestione_Prenotazioni.Codice2=Anagrafica_Strutture.Codice_Struttura"
            " WHERE Anagrafica_Strutture.APrenotazione<>0 AND Booking_Clienti.Usata=0 AND "
            "Booking_Clienti.Ingresso_Scalato=0" + filtroStruttura +
            " UNION " + colonneStruttura + "Anagrafica_Corsi" + codaStruttura + prenotazioneStruttura +
            "Anagrafica_Corsi ON Gestione_Prenotazioni.Codice2=Anagrafica_Corsi.Codice_Corso"
            " WHERE Anagrafica_Corsi.APrenotazione=-1 AND Booking_Clienti.Usata=0 AND "
            "Booking_Clienti.Ingresso_Scalato=0" + filtroStruttura +
            " UNION " + colonneStruttura + "Anagrafica_Servizi" + codaStruttura + prenotazioneStruttura +
            "Anagrafica_Servizi ON Gestione_Prenotazioni.Codice2=Anagrafica_Servizi.Codice_Servizio"
            " WHERE Booking_Clienti.Usata=0 AND Booking_Clienti.Ingresso_Scalato=0" + filtroStruttura;

        const int64_t anticipo = ZeroSeNullo(s.settings.Leggi_Impostazione(impostazione::AnticipoPren));
        for (const Riga& r : tutteLeRighe(s.db, sql)) {
            const int64_t tipo = r[0].toInt();
            const Value& id = r[1];
            const Value& cliente = r[2];
            const int64_t tolleranza = ZeroSeNullo(r[8]);
            // The window opens early by the activity's tolerance, or by the booking advance.
            std::string inizio = "Null", fine = Ora_SqlQ(r[6]);
            if (auto da = r[5].toDate(); da && !Nullo_Vuoto(r[5])) {
                const int64_t minuti = tolleranza > 0 ? tolleranza : anticipo;
                const DateTime t = da->timeOnDay1900();
                // A window cannot open before midnight of the booked day.
                const int64_t secondi = std::min<int64_t>(minuti * 60, t.secondOfDay());
                inizio = ora(t.addSeconds(-secondi));
            }
            const char* tabella = tipo == 1 ? "Gestione_Prenotazioni_Corsi"
                                 : tipo == 2 ? "Gestione_Prenotazioni_Servizi"
                                             : "Booking_Clienti";
            const char* chiave = tipo == 3 ? "ID_PivotPrenotazione" : "ID";
            const std::string clienteQ = CChrQ(cliente);
            Value ingresso;
            if (auto p = primaRiga(s.db, "SELECT Presenze.ID_Presenza  FROM Presenze INNER JOIN Presenze_Strutture ON "
                                         "Presenze.ID_Presenza=Presenze_Strutture.ID_Presenza  WHERE "
                                         "Presenze.Codice_Cliente=" + clienteQ + " AND Presenze.Data_Presenza=" +
                                             Data_SqlQ(r[4]) + " AND Presenze_Strutture.Codice_Struttura=" +
                                             CChrQ(r[3]) + " AND Presenze_Strutture.Ora_Presenza BETWEEN " + inizio +
                                             " AND " + fine))
                ingresso = (*p)[0];
            bool usata = false;
            if (!Nullo_Vuoto(ingresso)) {
                std::string dominio = tabella;
                usata = DCountQ(s.db, "*", dominio, "Codice_Cliente=" + clienteQ + " And Ingresso=" + Num_SqlQ(ingresso)) == 0;
            }
            if (usata)
                s.db.execute(std::string("UPDATE ") + tabella + " SET Usata=-1, Ingresso= " + Num_SqlQ(ingresso) +
                             " WHERE Codice_Cliente=" + clienteQ + " AND " + chiave + "=" + Num_SqlQ(id));
            else
                s.db.execute(std::string("UPDATE ") + tabella + " SET Usata=0, Ingresso=0  WHERE Codice_Cliente=" +
                             clienteQ + " AND " + chiave + "=" + Num_SqlQ(id));
        }
    } catch (const std::exception& e) {
        s.db.logError(e, F);
    }
}

Value Calcola_Ora_Uscita(Sistema& s, const Value& Codice_Abbonamento, const Value& Codice_Pacchetto,
                         const Value& Codice_Attivita, const Value& ID_Aggiunta, int Giorno_Settimana,
                         const Value& Ora_Entrata, const Value& Permanenza, const Value& Codice_Biglietto,
                         const Value& Ora_Default) {
    Value risultato = Value::null();
    try {
        // The exit tolerance.
        const std::string attivita = Codice_Attivita.toText();
        const std::string prefisso = attivita.size() >= 2 ? attivita.substr(0, 2) : "";
        const Anagrafica a = prefisso == "ST"   ? anagraficaPer(1)
                             : prefisso == "CS" ? anagraficaPer(2)
                             : prefisso == "SE" ? anagraficaPer(3)
                                                : Anagrafica{};
        int64_t tolleranza = 0;
        if (!Nullo_Vuoto(Codice_Attivita) && a.tabella)
            tolleranza = ZeroSeNullo(
                DLookUpQ_Anagrafica(s.db, a.tabella, a.chiave, CChrQ(Codice_Attivita), "TolleranzaU"));
        const int64_t anticipo = ZeroSeNullo(s.settings.Leggi_Impostazione(impostazione::AnticipoPren));
        if (tolleranza == 0) tolleranza = ZeroSeNullo(s.settings.Leggi_Impostazione(impostazione::TolleranzaU));
        if (tolleranza == 0) tolleranza = anticipo;

        // The band that holds the entry, or the one it was admitted to `AnticipoPren` minutes
        // before its start.
        const std::string entrata = Ora_SqlQ(Ora_Entrata);
        std::string anticipata = entrata;
        if (const auto e = Ora_Entrata.toDate(); e && anticipo > 0 && !Nullo_Vuoto(Ora_Entrata))
            anticipata = Ora_SqlQ(Value(DateTime::fromParts(1900, 1, 1).addSeconds(
                std::min<int64_t>(e->secondOfDay() + anticipo * 60, 23 * 3600 + 59 * 60 + 59))));
        const std::string giorno = " AND DDSettimana = " + num(Giorno_Settimana);
        auto dentro = [&](const char* da, const char* a) {
            return std::string(" AND ") + a + ">=" + entrata + " AND " + da + "<=" + anticipata + " ORDER BY " + da;
        };
        auto fascia = [&](const std::string& tabella, const std::string& chiavi, bool conGiorno) -> Value {
            auto r = primaRiga(s.db, "SELECT TOP 1 Fascia_Fin FROM " + tabella + " WHERE " + chiavi +
                                         (conGiorno ? giorno : std::string()) + dentro("Fascia_Ini", "Fascia_Fin"));
            return r ? (*r)[0] : Value::null();
        };
        // A table with no rows for these keys holds no band; the check of this read has
        // mostly counted them already, so asking again costs no round trip.
        auto senzaRighe = [&](const char* tabella, const std::string& chiavi) {
            std::string dominio = tabella;
            return DCountQ_Verifica_Lettura(s.db, "*", dominio, chiavi) == 0;
        };
        auto ripiego = [&] {
            if (risultato.isNullOrEmpty() && !Nullo_Vuoto(Ora_Default)) risultato = Ora_Default;
        };

        // The band that contains the entry time.
        if (ZeroSeNullo(Permanenza) == 0) {
            const std::string struttura = " AND Codice_Struttura=" + CChrQ(Codice_Attivita);
            if (!Nullo_Vuoto(Codice_Abbonamento)) {
                const std::string abb = "Codice_Abbonamento=" + CChrQ(Codice_Abbonamento);
                if (Nullo_Vuoto(Codice_Attivita)) {
                    if (!senzaRighe("Giorni_DD_Fasce_Abbonamenti", abb))
                        risultato = fascia("Giorni_DD_Fasce_Abbonamenti", abb, true);
                    if (risultato.isNullOrEmpty() && !senzaRighe("FasceOrarie_Abbonamenti", abb))
                        risultato = fascia("FasceOrarie_Abbonamenti", abb, false);
                } else {
                    const std::string righe = abb + " And Codice_Struttura=" + CChrQ(Codice_Attivita);
                    if (!senzaRighe("Giorni_DD_Fasce_Abbonamenti_Righe", righe))
                        risultato = fascia("Giorni_DD_Fasce_Abbonamenti_Righe", abb + struttura, true);
                    if (risultato.isNullOrEmpty() && !senzaRighe("FasceOrarie_Abbonamenti_Righe", righe))
                        risultato = fascia("FasceOrarie_Abbonamenti_Righe", abb + struttura, false);
                }
                ripiego();
            }
            if (!Nullo_Vuoto(Codice_Pacchetto)) {
                const std::string pac = "Codice_Pacchetto=" + CChrQ(Codice_Pacchetto) + struttura;
                Value trovato = fascia("Giorni_DD_Fasce_Pacchetti_Righe", pac, true);
                if (trovato.isNullOrEmpty()) trovato = fascia("FasceOrarie_Pacchetti_Righe", pac, false);
                if (!trovato.isNullOrEmpty()) risultato = trovato;
                ripiego();
            } else if (ZeroSeNullo(ID_Aggiunta) != 0) {
                const std::string agg = "ID_Aggiunta=" + Num_SqlQ(ID_Aggiunta);
                risultato = fascia("Giorni_DD_Fasce_Aggiunte_Righe", agg, true);
                if (risultato.isNullOrEmpty()) risultato = fascia("FasceOrarie_Aggiunte_Righe", agg, false);
                ripiego();
            }
            if (!Nullo_Vuoto(Codice_Biglietto)) {
                const std::string big = CChrQ(Codice_Biglietto);
                if (auto b = primaRiga(s.db, "SELECT Tipo_Gestione, Ingresso_A  FROM Anagrafica_Biglietti  WHERE "
                                             "Codice_Biglietto=" + big)) {
                    if ((*b)[0].toInt() == 1) {
                        risultato = (*b)[1];
                    } else if ((*b)[0].toInt() == 2) {
                        auto r = primaRiga(s.db, "SELECT TOP 1 Ingresso_A  FROM Biglietti_FasceOrarie  WHERE "
                                                 "Codice_Biglietto=" + big + giorno + dentro("Ingresso_Da", "Ingresso_A"));
                        if (r) risultato = (*r)[0];
                    }
                }
            }
        }

        // The allowance, never past the end of the day.
        const int64_t permanenza = ZeroSeNullo(Permanenza);
        const int64_t concesso = (tolleranza + permanenza) * 60;
        const int64_t fineGiorno = 23 * 3600 + 59 * 60 + 59;
        auto piu = [&](const Value& base) -> Value {
            const auto t = base.toDate();
            if (!t) return Value::null();
            const int64_t sec = t->secondOfDay();
            const DateTime giornoBase = DateTime::fromParts(1900, 1, 1);
            if ((fineGiorno - sec) / 60 < concesso / 60) return Value(giornoBase.addSeconds(fineGiorno));
            return Value(giornoBase.addSeconds(sec + concesso));
        };
        if (permanenza > 0) risultato = piu(Ora_Entrata);
        else if (!risultato.isNullOrEmpty()) risultato = piu(risultato);
    } catch (const std::exception& e) {
        s.db.logError(e, "Calcola_Ora_Uscita");
    }
    return risultato;
}

}  // namespace velaris
