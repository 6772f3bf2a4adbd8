#include "checks/orari.h"

#include <vector>

#include "checks/festivi.h"
#include "checks/frequenze.h"

namespace velaris {

namespace {

// What tells the three procedures apart.
struct Genere {
    const char* funzione;
    const char* anagrafica;     // master table of the activity
    const char* chiave;         // its key column
    const char* orario;         // lesson timetable (nullptr for facilities)
    const char* prenotazioni;   // lesson bookings
    const char* idLezione;      // lesson column of bookings and enrolments
};

constexpr Genere kStrutture{"Orario_Strutture_Ingresso", "Anagrafica_Strutture", "Codice_Struttura", nullptr, nullptr,
                            nullptr};
constexpr Genere kCorsi{"Orario_Corsi_Ingresso",        "Anagrafica_Corsi",          "Codice_Corso",
                        "Orario_Istruttori_Corsi",      "Gestione_Prenotazioni_Corsi", "ID_Corso"};
constexpr Genere kServizi{"Orario_Servizi_Ingresso",       "Anagrafica_Servizi",           "Codice_Servizio",
                          "Orario_Servizi",                "Gestione_Prenotazioni_Servizi", "ID_Servizio"};

struct Riga {
    Value struttura, abbonamento, iscrizione, idPrenotazione, origine, singola, prenDa, prenA, aPrenotazione,
        pacchetto, pacchettoM, tolleranza, idIscrizione;
    bool abbonamentoRiga() const { return origine.toText() == "Abbonamento"; }
};

struct Contesto {
    Sistema& s;
    const Genere& g;
    Value cliente;
    DateTime oggiData;
    std::string oggi;
    DateTime ora;
    std::string oraSql;
    int giorno;
    bool festivo;
    Value anticipoPren;
};

int32_t conta(Sistema& s, const std::string& tabella, const std::string& criterio) {
    std::string dominio = tabella;
    return DCountQ_Verifica(s.db, "*", dominio, criterio);
}

// Whether a band table has rows for these keys: kept for the read, as the exit deadline
// asks the same.
int32_t contaRighe(Sistema& s, const std::string& tabella, const std::string& criterio) {
    std::string dominio = tabella;
    return DCountQ_Verifica_Lettura(s.db, "*", dominio, criterio);
}

// Day and time bands keyed by `chiave` (entitlement and facility): false when a kind of
// band exists and none holds now. A failed count ends the read.
bool fasce(Contesto& c, const std::string& giorni, const std::string& orarie, const std::string& chiave) {
    if (contaRighe(c.s, giorni, chiave) > 0) {
        const std::string g = c.festivo ? " And DDSettimana=8" : " And DDSettimana=" + Num_SqlQ(Value(c.giorno));
        if (conta(c.s, giorni, chiave + g + condizioneFascia(c.anticipoPren, c.ora)) == 0) return false;
    }
    if (contaRighe(c.s, orarie, chiave) > 0 &&
        conta(c.s, orarie, chiave + condizioneFascia(c.anticipoPren, c.ora)) == 0)
        return false;
    return true;
}

// The WHERE of a row in the scratch table.
std::string chiaveRiga(const Riga& r) {
    if (r.abbonamentoRiga())
        return " WHERE Origine='Abbonamento' AND Codice_Iscrizione=" + CChrQ(r.iscrizione) +
               " And Codice_Struttura=" + CChrQ(r.struttura) + " AND Esterna=0 AND Conferma<>0";
    return " WHERE Origine='Aggiunta' AND ID_Prenotazione=" + Num_SqlQ(r.idPrenotazione) + " AND Esterna=0 AND Conferma<>0";
}

void segna(Contesto& c, const Riga& r, const std::string& set) {
    c.s.db.execute("UPDATE wTmp_Presenze_Strutture " + set + chiaveRiga(r));
}

// Frequency, bands: the tests of the entitlement itself. True when the row may be used.
bool provaDiritto(Contesto& c, const Riga& r) {
    Sistema& s = c.s;
    const std::string struttura = " And Codice_Struttura=" + CChrQ(r.struttura);
    if (r.abbonamentoRiga()) {
        Value frequenza, intervallo;
        {
            auto rs = s.db.open(std::string("SELECT TOP 1 FrequenzaDD, ID_Intervallo ") + " FROM Abbonamenti_Strutture " +
                                " WHERE Codice_Abbonamento=" + CChrQ(r.abbonamento) + struttura);
            if (!rs->eof()) {
                frequenza = rs->field(0);
                intervallo = rs->field(1);
            }
        }
        if (Limite_Frequenza_Raggiunto(s, frequenza, intervallo, c.cliente, r.iscrizione, Value(0), r.struttura, Value(0)))
            return false;
        return fasce(c, "Giorni_DD_Fasce_Abbonamenti_Righe", "FasceOrarie_Abbonamenti_Righe",
                     "Codice_Abbonamento=" + CChrQ(r.abbonamento) + struttura);
    }
    const bool multiplo = !Nullo_Vuoto(r.pacchettoM);
    if (multiplo || !Nullo_Vuoto(r.pacchetto)) {
        const std::string pacchetto = multiplo ? "Codice_PacchettoM=" + CChrQ(r.pacchettoM)
                                               : "Codice_Pacchetto=" + CChrQ(r.pacchetto);
        const char* tabella = multiplo ? "Strutture_Pacchetti_Multipli" : "Anagrafica_Pacchetti";
        Value frequenza = DLookUpQ_Verifica(s.db, "FrequenzaDD", tabella, pacchetto + struttura);
        Value intervallo = DLookUpQ_Verifica(s.db, "ID_Intervallo", tabella, pacchetto + struttura);
        if (frequenza.isNullOrEmpty()) {
            const std::string aggiunta = "ID=" + Num_SqlQ(r.idPrenotazione);
            frequenza = DLookUpQ_Verifica(s.db, "FrequenzaDD", "Gestione_Aggiunte", aggiunta);
            intervallo = DLookUpQ_Verifica(s.db, "ID_Intervallo", "Gestione_Aggiunte", aggiunta);
        }
        if (Limite_Frequenza_Raggiunto(s, frequenza, intervallo, c.cliente, Value(), r.idPrenotazione, r.struttura,
                                       Value(0)))
            return false;
        return fasce(c, "Giorni_DD_Fasce_Pacchetti_Righe", "FasceOrarie_Pacchetti_Righe", pacchetto + struttura);
    }
    return fasce(c, "Giorni_DD_Fasce_Aggiunte_Righe", "FasceOrarie_Aggiunte_Righe",
                 "ID_Aggiunta=" + Num_SqlQ(r.idPrenotazione) + struttura);
}

// A closure of the activity's area (or of every area) now.
bool chiusa(Contesto& c, const Riga& r) {
    const Value area = DLookUpQ(c.s.db, "Codice_Area", "Q_Attivita_Aree", "Attivita=" + CChrQ(r.struttura));
    const std::string condizione = Nullo_Vuoto(area)
                                       ? "(Codice=" + CChrQ(r.struttura) + " OR Codice='00000')"
                                       : "(Codice=" + CChrQ(r.struttura) + " OR Codice='00000' OR Codice=" + CChrQ(area) + ")";
    auto rs = c.s.db.open(std::string("SELECT TOP 1 ID, Motivo ") + " FROM Periodi_NonPrenotabili " + " WHERE " + condizione +
                          " AND (GiornoSettimana=0 OR GiornoSettimana=" + Num_SqlQ(Value(c.giorno)) +
                          ") AND Data_Inizio<=" + c.oggi + " AND Data_Fine>=" + c.oggi + " AND Ora_Inizio<=" + c.oraSql +
                          " AND Ora_Fine>" + c.oraSql);
    return !rs->eof();
}

// A single-use add-on with a booked window: usable from its start less the tolerance to its end.
bool finestraSingola(Contesto& c, const Riga& r, bool& inFinestra) {
    const auto da = r.prenDa.toDate();
    const auto a = r.prenA.toDate();
    if (ZeroSeNullo(r.singola) == 0 || !da || !a) return false;
    const int ora = c.ora.secondOfDay();
    inFinestra = da->secondOfDay() - ZeroSeNullo(r.tolleranza) * 60 <= ora && ora <= a->secondOfDay();
    return true;
}

// The booking of a facility row. True when one covers now; its window is written to the row.
bool prenotazioneStruttura(Contesto& c, const Riga& r) {
    std::string sql = std::string("SELECT Gestione_Prenotazioni.DaOre, Gestione_Prenotazioni.AOre, Booking_Clienti.Ingresso_Scalato ") +
                      "FROM Gestione_Prenotazioni INNER JOIN Booking_Clienti ON "
                      "Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione " +
                      "WHERE Booking_Clienti.Codice_Cliente=" + CChrQ(c.cliente) +
                      " AND Gestione_Prenotazioni.Codice2=" + CChrQ(r.struttura) +
                      " AND Gestione_Prenotazioni.Data_Prenotazione=" + c.oggi + " AND " +
                      anticipo(r.tolleranza, "Gestione_Prenotazioni.DaOre") + "<=" + c.oraSql +
                      " AND Gestione_Prenotazioni.AOre>=" + c.oraSql;
    if (r.abbonamentoRiga())
        sql += " AND Booking_Clienti.Codice_Iscrizione=" + CChrQ(r.iscrizione) +
               " AND Booking_Clienti.ID_Iscrizione=" + Num_SqlQ(r.idIscrizione);
    else
        sql += " AND Booking_Clienti.ID_Aggiunta=" + Num_SqlQ(r.idPrenotazione);
    Value da, a, scalato;
    {
        auto rs = c.s.db.open(sql);
        if (rs->eof()) return false;
        da = rs->field(0);
        a = rs->field(1);
        scalato = rs->field(2);
    }
    segna(c, r, " SET DaOre=" + Ora_SqlQ(da) + ", AOre=" + Ora_SqlQ(a) + ", Ingresso_Scalato=" + Num_SqlQ(scalato));
    return true;
}

// Courses and services: a lesson must be running, and the member must be entitled to it
// (free entry, enrolment, make-up lesson or booking, by the activity's rule).
void provaLezione(Contesto& c, const Riga& r) {
    Sistema& s = c.s;
    const Genere& g = c.g;
    const bool singola = ZeroSeNullo(r.singola) != 0;
    bool inFinestra = true;
    if (finestraSingola(c, r, inFinestra) && !inFinestra) {
        segna(c, r, " SET Conferma=0, Singola=-1 ");
        return;
    }
    struct Lezione { Value id, da, a; };
    std::vector<Lezione> lezioni;
    {
        auto rs = s.db.open(std::string("SELECT DISTINCT ID, DaOre, AOre ") + "FROM " + g.orario + " " + "WHERE " +
                            g.chiave + "=" + CChrQ(r.struttura) + " AND " + "(GiornoSettimana=" +
                            Num_SqlQ(Value(c.giorno)) + " OR Data_Selezione=" + c.oggi + ") AND " + "(DaData<=" + c.oggi +
                            " AND AData>=" + c.oggi + ") AND " + "(" + anticipo(r.tolleranza, "DaOre") + "<=" + c.oraSql +
                            " AND AOre>=" + c.oraSql + ")");
        for (; !rs->eof(); rs->moveNext()) lezioni.push_back({rs->field(0), rs->field(1), rs->field(2)});
    }
    if (lezioni.empty()) {
        segna(c, r, " SET Conferma=0, Singola=-2 ");
        return;
    }
    const int64_t regola = r.aPrenotazione.toInt();  // 1 free, -1 booking of today, 0 enrolment
    const std::string cliente = CChrQ(c.cliente);
    const std::string diritto = r.abbonamentoRiga()
                                    ? " AND Codice_Iscrizione=" + CChrQ(r.iscrizione) +
                                          " AND ID_Iscrizione=" + Num_SqlQ(r.idIscrizione)
                                    : " AND ID_Aggiunta=" + Num_SqlQ(r.idPrenotazione);
    for (const Lezione& l : lezioni) {
        const std::string lezione = Num_SqlQ(l.id);
        Value prenotazione, scalato;
        {
            auto rs = s.db.open(std::string("SELECT ID, Ingresso_Scalato ") + " FROM " + g.prenotazioni +
                                " WHERE Enroll<>0 And Codice_Cliente=" + cliente + " AND Data_Prenotazione=" + c.oggi +
                                " And " + g.idLezione + "=" + lezione + diritto);
            if (!rs->eof()) {
                prenotazione = rs->field(0);
                scalato = rs->field(1);
            }
        }
        bool ammessa = regola == 1 || !Nullo_Vuoto(prenotazione);
        if (!ammessa && regola == 0) {
            const std::string base = "Codice_Cliente=" + cliente + " AND " + g.chiave + "=" + CChrQ(r.struttura) +
                                     " AND " + g.idLezione + "=" + lezione;
            if (g.orario == kCorsi.orario) {
                ammessa = conta(s, "Clienti_Frequenze_Corsi", base + " AND Enroll<>0 AND InUso<>0 ") > 0 ||
                          conta(s, "Clienti_Recuperi_Corsi", base + " And Data_Inizio<=" + c.oggi +
                                                                 " And Data_Fine>=" + c.oggi + " AND Enroll<>0 ") > 0;
            } else {
                ammessa = conta(s, "Clienti_Frequenze_Servizi", base + " AND Enroll<>0 AND InUso<>0 ") > 0;
            }
        }
        if (!ammessa) continue;
        std::string set = " SET DaOre=" + Ora_SqlQ(l.da) + ", AOre=" + Ora_SqlQ(l.a);
        if (!Nullo_Vuoto(prenotazione)) set += ", Singola=1, Ingresso_Scalato=" + Num_SqlQ(scalato);
        segna(c, r, set);
        return;
    }
    segna(c, r, singola ? " SET Conferma=0, Singola=-1 " : " SET Conferma=0 ");
}

Value esegui(Sistema& s, const Genere& g, const Value& codiceCliente, const Value& testo) {
    try {
        const DateTime now = s.clock.now();
        Contesto c{s,
                   g,
                   codiceCliente,
                   now.datePart(),
                   Data_SqlQ(Value(now.datePart())),
                   now.timeOnDay1900(),
                   Ora_SqlQ(Value(now.timeOnDay1900())),
                   now.weekdayMonday1(),
                   false,
                   s.settings.slot(impostazione::AnticipoPren)};
        c.festivo = Giorno_Festivo(s, 0, Value(c.oggiData));

        if (g.orario) {
            // Activities whose season does not include today are out before any timetable test.
            s.db.execute(std::string("UPDATE wTmp_Presenze_Strutture ") + "SET wTmp_Presenze_Strutture.Conferma=0 " +
                         "FROM wTmp_Presenze_Strutture, " + g.anagrafica + " " +
                         "WHERE wTmp_Presenze_Strutture.Codice_Struttura=" + g.anagrafica + "." + g.chiave +
                         " AND (" + g.anagrafica + ".Data_Inizio>" + c.oggi + " OR " + g.anagrafica +
                         ".Data_Fine<" + c.oggi + ")");
        }

        const std::string a = g.anagrafica;
        std::vector<Riga> righe;
        {
            auto rs = s.db.open(
                "SELECT wTmp_Presenze_Strutture.Codice_Struttura, wTmp_Presenze_Strutture.Codice_Abbonamento, "
                "wTmp_Presenze_Strutture.Codice_Iscrizione, wTmp_Presenze_Strutture.ID_Prenotazione, "
                "wTmp_Presenze_Strutture.Origine, wTmp_Presenze_Strutture.Singola, wTmp_Presenze_Strutture.Pren_DaOre, "
                "wTmp_Presenze_Strutture.Pren_AOre, " + a + ".APrenotazione, wTmp_Presenze_Strutture.Codice_Pacchetto, "
                "wTmp_Presenze_Strutture.Codice_PacchettoM, " + a + ".Tolleranza, wTmp_Presenze_Strutture.ID_Iscrizione " +
                "FROM wTmp_Presenze_Strutture INNER JOIN " + a + " ON wTmp_Presenze_Strutture.Codice_Struttura=" + a + "." +
                g.chiave + " " + "WHERE wTmp_Presenze_Strutture.Conferma<>0 AND wTmp_Presenze_Strutture.Esterna=0");
            for (; !rs->eof(); rs->moveNext()) {
                Riga r;
                Value* campi[] = {&r.struttura, &r.abbonamento, &r.iscrizione,    &r.idPrenotazione, &r.origine,
                                  &r.singola,   &r.prenDa,      &r.prenA,         &r.aPrenotazione,  &r.pacchetto,
                                  &r.pacchettoM, &r.tolleranza, &r.idIscrizione};
                for (int i = 0; i < 13; ++i) *campi[i] = rs->field(i);
                righe.push_back(std::move(r));
            }
        }

        for (const Riga& r : righe) {
            if (!provaDiritto(c, r) || chiusa(c, r)) {
                segna(c, r, " SET Conferma=0");
                continue;
            }
            if (g.orario) {
                provaLezione(c, r);
                continue;
            }
            if (!r.aPrenotazione.toBool()) continue;
            bool inFinestra = true;
            const bool conFinestra = finestraSingola(c, r, inFinestra);
            if (conFinestra ? !inFinestra : !prenotazioneStruttura(c, r)) segna(c, r, " SET Conferma=0");
        }
    } catch (const DbError& e) {
        // A failed statement leaves rows confirmed that a test would have struck out: the
        // read ends without a verdict rather than admit on them.
        s.db.logError(e, g.funzione);
        throw;
    } catch (const std::exception& e) {
        s.db.logError(e, g.funzione);
    }
    return testo;
}

}  // namespace

std::string anticipo(const Value& minuti, const std::string& colonna) {
    return "DATEADD(minute, -" + Num_SqlQ(minuti) + ", " + colonna + ")";
}

std::string condizioneFascia(const Value& minuti, const DateTime& ora) {
    const std::string o = Ora_SqlQ(Value(ora));
    return " And " + anticipo(minuti, "Fascia_Ini") + "<=" + o + " And Fascia_Fin>=" + o;
}

Value Orario_Strutture_Ingresso(Sistema& s, const Value&, const Value& codiceCliente, Value&, Value&, const Value& testo) {
    return esegui(s, kStrutture, codiceCliente, testo);
}

Value Orario_Corsi_Ingresso(Sistema& s, const Value&, const Value& codiceCliente, Value&, Value&, const Value& testo) {
    return esegui(s, kCorsi, codiceCliente, testo);
}

Value Orario_Servizi_Ingresso(Sistema& s, const Value&, const Value& codiceCliente, Value&, Value&, const Value& testo) {
    return esegui(s, kServizi, codiceCliente, testo);
}

}  // namespace velaris
