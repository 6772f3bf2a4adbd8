#include "attendance/presenze.h"

#include <array>
#include <string>
#include <vector>

#include "base/format.h"
#include "db/setting_slots.h"

namespace velaris {

namespace {

using Riga = std::vector<Value>;

// The first row of a query, or nothing.
std::optional<Riga> primaRiga(Database& db, const std::string& sql) {
    auto rs = db.open(sql);
    if (rs->eof()) return std::nullopt;
    Riga r;
    for (int i = 0; i < rs->fieldCount(); ++i) r.push_back(rs->field(i));
    return r;
}

std::vector<Riga> tutteLeRighe(Database& db, const std::string& sql) {
    auto rs = db.open(sql);
    std::vector<Riga> out;
    for (; !rs->eof(); rs->moveNext()) {
        Riga r;
        for (int i = 0; i < rs->fieldCount(); ++i) r.push_back(rs->field(i));
        out.push_back(std::move(r));
    }
    return out;
}

std::string num(int64_t n) { return Num_SqlQ(Value(static_cast<long long>(n))); }
std::string data(const DateTime& d) { return Data_SqlQ(Value(d)); }
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

// The first `n` characters of a UTF-8 text (never a broken character).
std::string primiCaratteri(const std::string& s, size_t n) {
    size_t chars = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (chars == n) return s.substr(0, i);
            ++chars;
        }
    }
    return s;
}

// " scadenza dd/mm/yyyy" when the end date is known.
std::string conScadenza(const Value& descrizione, const Value& dataFine) {
    std::string d = descrizione.toText();
    if (auto fine = dataFine.toDate(); fine && !Nullo_Vuoto(dataFine)) d += " scadenza " + formatDate(*fine, "dd/mm/yyyy");
    return d;
}

bool qualcuno(const std::array<Value, 23>& irr, std::initializer_list<int> codici) {
    for (int c : codici)
        if (irr[static_cast<size_t>(c)].toDouble() != 0) return true;
    return false;
}

// A line or add-on that still has a booking today or later is never expired.
std::string esclusionePrenotazioni(const std::string& colonna, const std::string& campo, const std::string& cliente,
                                   const std::string& oggi) {
    return " AND " + colonna + " Not In  (SELECT Booking_Clienti." + campo +
           " FROM Gestione_Prenotazioni INNER JOIN Booking_Clienti ON "
           "Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione WHERE Booking_Clienti.Codice_Cliente=" +
           cliente + " AND Gestione_Prenotazioni.Data_Prenotazione>=" + oggi +
           " UNION SELECT Gestione_Prenotazioni_Corsi." + campo +
           " FROM Gestione_Prenotazioni_Corsi WHERE Gestione_Prenotazioni_Corsi.Codice_Cliente=" + cliente +
           " AND Gestione_Prenotazioni_Corsi.Data_Prenotazione>=" + oggi + " UNION SELECT Gestione_Prenotazioni_Servizi." +
           campo + " FROM Gestione_Prenotazioni_Servizi WHERE Gestione_Prenotazioni_Servizi.Codice_Cliente=" + cliente +
           " AND Gestione_Prenotazioni_Servizi.Data_Prenotazione>=" + oggi + ") ";
}

std::string esclusioneAccompagnate(const std::string& colonna) {
    return " AND " + colonna +
           " Not In  (SELECT Codice_Corso FROM Anagrafica_Corsi WHERE Con_Accompagnatore<>0  UNION SELECT "
           "Codice_Servizio FROM Anagrafica_Servizi WHERE Con_Accompagnatore<>0)";
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

}  // namespace

std::optional<int64_t> Preleva_Numero_Presenza(Sistema& s, const LockPolicy& policy, const char* function) {
    if (!Semaforo(s.db, s.postazione, Value(kSemaforoPresenze), true, policy)) {
        // Another workstation holds the counter: its lock row is not ours to remove.
        s.log.error(0, "Presence counter locked by another workstation: no number drawn", function);
        return std::nullopt;
    }
    std::optional<int64_t> numero;
    try {
        const Value attuale = Num_Contatore(s.db, 0, Value(kContatorePresenze));
        if (attuale.isNull()) {
            std::string dominio = "Contatori";
            if (DCountQ(s.db, "*", dominio, "Cd_Tipo = " + num(kContatorePresenze)) > 0) {
                // The row exists without a presence counter (or could not be read): never
                // start a second row, which the key would refuse anyway.
                throw DbError(0, "Counter " + std::to_string(kContatorePresenze) + " unreadable");
            }
            s.db.execute("INSERT INTO Contatori (Cd_Tipo,ContatoreN) VALUES (22," + num(1) + ")");
            numero = 1;
        } else {
            const int64_t n = attuale.toInt() + 1;
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

void Salva_Presenza_Terminali(Sistema& s, const Value& Codice_Cliente, int Tipologia, const Value& Codice_Attivita,
                              Value& Codice_Iscrizione, Value& ID_Aggiunta, const Value& DaOre, const Value& AOre,
                              int Indirizzo, const Value& Attivita_Accompagnamento, int Nuova_Visita,
                              const Value& Descrizione_Default, const Value& Data_Fine_Default, const Value& Cognome,
                              const Value& Nome, const Value& Rinnovo, const Value& Struttura_Abbonamento,
                              const Value& Punti, int Seguito, const Value& Tempo_Permanenza,
                              const Value& Codice_Abbonamento, const Value& Codice_Pacchetto,
                              const Value& Ora_Uscita_Default, int Non_Registrare) {
    static constexpr const char* F = "Salva_Presenza_Terminali";
    if (Nullo_Vuoto(Codice_Cliente)) return;
    try {
        // Step 2, the early reply that opens the gate before any database work, is the caller's.
        const TerminalRow* terminale = s.registro.corrente();
        const int64_t gestisciAttivita = terminale ? (*terminale)["Gestisci_Attivita"].toInt() : 0;

        // Step 3.
        const std::string cliente = CChrQ(Codice_Cliente);
        const Value statoPrecedente = DLookUpQ(s.db, "Stato", "Anagrafica_Clienti", "Codice_Cliente=" + cliente);
        const bool irregolare = s.esiti.Flag_Irregolare;
        const bool fuoriOrario = s.esiti.EsitoT_FuoriOrario;
        const bool sospeso = s.esiti.EsitoT_Sospeso;
        const DateTime adesso = s.clock.now();
        const DateTime oggiD = adesso.datePart();
        const DateTime oraD = adesso.timeOnDay1900();
        const std::string oggi = data(oggiD);
        const std::string adessoOra = ora(oraD);
        const std::string terminaleN = num(Indirizzo);
        const std::string centro = CChrQ(s.corrente.Codice_Centro_Corrente);
        const std::string tessera = CChrQ(Value(s.lettura.Tessera_Letta));
        const std::string codiceTxt = Codice_Attivita.toText();
        const bool altre = codiceTxt == kAltreStrutture;
        const std::string codice = CChrQ(Codice_Attivita);

        // Step 4: the visit's presence number.
        int64_t numero = 0;
        bool nuova = false;
        if (Non_Registrare == 0) {
            if (Nuova_Visita == 0) {
                const Value ultimo = DMaxQ(s.db, "ID_Presenza", "Presenze",
                                           "Codice_Cliente=" + cliente + " And Data_Presenza=" + oggi);
                if (!Nullo_Vuoto(ultimo)) numero = ultimo.toInt();
            }
            if (Nuova_Visita != 0 || numero == 0) {
                const auto tratto = Preleva_Numero_Presenza(s, LockPolicy{}, F);
                if (!tratto) return;  // nothing can be recorded without a number
                numero = *tratto;
                nuova = true;
            }
        } else {
            nuova = Nuova_Visita != 0;
        }

        // Step 5: the activity's master row.
        const Anagrafica anag = anagraficaPer(Tipologia);
        int64_t noVerifica = 0, modScalo = 0;
        std::string descrizioneAttivita;
        if (!altre && anag.tabella) {
            if (auto r = primaRiga(s.db, std::string("SELECT TOP 1 NoVerifica_Ingresso, Mod_Scalo, Descrizione  FROM ") +
                                             anag.tabella + " WHERE " + anag.chiave + " = " + codice)) {
                noVerifica = (*r)[0].toInt();
                modScalo = (*r)[1].toInt();
                descrizioneAttivita = (*r)[2].toText();
            }
        }

        // Step 6: an out-of-hours entry at a terminal without activity management is not counted.
        bool conta = !(gestisciAttivita == 0 && fuoriOrario);

        int64_t idEntrata = 0, fascia = 0, idPacchetto = 0;
        Value descrizioneLog, dataFineLog;
        bool descrizioneTrovata = false;

        if (Non_Registrare == 0) {
            // Step 8: the stay and the visit.
            if (s.registro.Terminali_Uscita) {
                s.db.execute("INSERT INTO Gestione_Entrate (Codice_Cliente, Data_Entrata, Ora_Entrata, IndTerminale, "
                             "Codice_Centro)  VALUES (" + cliente + ", " + oggi + ", " + adessoOra + ", " + terminaleN +
                             ", " + centro + ")");
                idEntrata = ZeroSeNullo(DMaxQ(s.db, "ID_Entrata", "Gestione_Entrate",
                                              "Codice_Cliente=" + cliente + " And Data_Entrata=" + oggi));
            }
            if (noVerifica == 0 && nuova) {
                s.db.execute("INSERT INTO Presenze (ID_Presenza,Codice_Cliente, Data_Presenza, Ora_Presenza, "
                             "Fuori_Orario, Iscrizione_Scaduta, Ex_Terminali, Codice_Centro, IndTerminale, "
                             "Codice_Tessera, Note_Tessera) VALUES (" + num(numero) + ", " + cliente + ", " + oggi +
                             ", " + adessoOra + ", 0, 0, 0, " + centro + ", " + terminaleN + ", " + tessera + ", " +
                             CChrQ(Value(s.lettura.Note_Tessera_Letta)) + ")");
            }

            if (!altre) {
                // Step 9.1: an entitlement whose facility has a terminal of its own in this group
                // is counted there.
                bool contatoAltrove = false;
                if (!Nullo_Vuoto(Struttura_Abbonamento)) {
                    const std::string g =
                        Num_SqlQ(DLookUpQ(s.db, "Gruppo2", "Dettaglio_Terminali", "Indirizzo=" + terminaleN));
                    const std::string struttura = CChrQ(Struttura_Abbonamento);
                    contatoAltrove =
                        primaRiga(s.db,
                                  "SELECT TOP 1 Dettaglio_Terminali.Codice_Struttura  FROM Dettaglio_Terminali INNER "
                                  "JOIN Anagrafica_Strutture ON "
                                  "Dettaglio_Terminali.Codice_Struttura=Anagrafica_Strutture.Codice_Struttura  WHERE "
                                  "(Dettaglio_Terminali.Gruppo2=0 OR Dettaglio_Terminali.Gruppo2=" + g +
                                      ") AND Dettaglio_Terminali.Codice_Struttura=" + struttura)
                            .has_value();
                    if (!contatoAltrove) {
                        contatoAltrove =
                            primaRiga(
                                s.db,
                                "SELECT TOP 1 Strutture_Associate.Codice_Struttura  FROM Strutture_Associate INNER JOIN "
                                "Anagrafica_Strutture ON "
                                "Strutture_Associate.Codice_Struttura=Anagrafica_Strutture.Codice_Struttura  WHERE "
                                "Anagrafica_Strutture.Esterna=0 AND Strutture_Associate.Codice_Struttura_Associata=" +
                                    struttura +
                                    " AND Anagrafica_Strutture.Codice_Struttura In  (SELECT "
                                    "Dettaglio_Terminali.Codice_Struttura  FROM Dettaglio_Terminali INNER JOIN "
                                    "Anagrafica_Strutture ON "
                                    "Dettaglio_Terminali.Codice_Struttura=Anagrafica_Strutture.Codice_Struttura  WHERE "
                                    "Dettaglio_Terminali.Indirizzo<>" + terminaleN +
                                    " AND (Dettaglio_Terminali.Gruppo2=0 OR Dettaglio_Terminali.Gruppo2=" + g + "))")
                                .has_value();
                    }
                }

                // Step 9.2: the band of an accompanied activity.
                if (Seguito == 0 && anag.tabella) {
                    auto r = primaRiga(s.db, std::string("SELECT TOP 1 Con_Accompagnatore  FROM ") + anag.tabella +
                                                 " WHERE " + anag.chiave + " = " + codice);
                    if (r && (*r)[0].toDouble() != 0) {
                        s.db.execute("INSERT INTO Controllo_Fascia_Oraria (Modalita, Codice_Cliente, Codice, "
                                     "Data_Presenza, DaOre, AOre, IndTerminale, ID_Presenza, Codice_Bis)  VALUES (1, " +
                                     cliente + ", " + codice + ", " + oggi + ", " + Ora_SqlQ(DaOre) + ", " +
                                     Ora_SqlQ(AOre) + ", " + terminaleN + ", " + num(numero) + ", " + tessera + ")");
                        fascia = ZeroSeNullo(DMaxQ(s.db, "ID", "Controllo_Fascia_Oraria",
                                                   "Codice_Cliente=" + cliente + " And Data_Presenza=" + oggi));
                    }
                }

                if (!contatoAltrove) {
                    // Step 9.3: a recovery voucher is closed and the entry goes to the entitlement
                    // whose lesson it makes up.
                    int64_t idRiga = 0;
                    auto reindirizza = [&](const Riga& r) {
                        ID_Aggiunta = Value(static_cast<long long>(r[2].toInt()));
                        if (r[2].toInt() == 0) {
                            Codice_Iscrizione = r[0];
                            idRiga = r[1].toInt();
                        }
                    };
                    if (ID_Aggiunta.toInt() > 0) {
                        s.db.execute("UPDATE Gestione_Aggiunte  SET Gestione_Aggiunte.SeduteFatte=Gestione_Aggiunte."
                                     "SeduteFatte+1, Gestione_Aggiunte.Scaduta=-1, Gestione_Aggiunte.Data_Scadenza=" +
                                     oggi +
                                     " FROM Gestione_Aggiunte INNER JOIN Clienti_Recuperi_Corsi ON "
                                     "Clienti_Recuperi_Corsi.ID_Aggiunta2=Gestione_Aggiunte.ID INNER JOIN "
                                     "Orario_Istruttori_Corsi ON Clienti_Recuperi_Corsi.ID_Corso=Orario_Istruttori_Corsi.ID"
                                     "  WHERE Orario_Istruttori_Corsi.GiornoSettimana=" +
                                     num(adesso.weekdayMonday1()) +
                                     " AND Clienti_Recuperi_Corsi.ID_Aggiunta2>0 AND Gestione_Aggiunte.Scaduta=0 AND "
                                     "Gestione_Aggiunte.Codice_Cliente=" + cliente +
                                     " AND Clienti_Recuperi_Corsi.Codice_Corso=" + codice);
                        if (auto r = primaRiga(s.db, "SELECT TOP 1 Codice_Iscrizione, ID_Iscrizione, ID_Aggiunta  FROM "
                                                     "Clienti_Recuperi_Corsi  WHERE Codice_Cliente=" + cliente +
                                                         " AND ID_Aggiunta2=" + Num_SqlQ(ID_Aggiunta)))
                            reindirizza(*r);
                    }

                    // Step 9.4: a single booking closes its add-on and the entry goes to the
                    // entitlement the booking names.
                    for (const Singola& k : kSingole) {
                        if (ID_Aggiunta.toInt() <= 0) break;
                        const std::string tab = k.tabella;
                        const std::string filtro = "  WHERE Gestione_Aggiunte.ID=" + Num_SqlQ(ID_Aggiunta) + " AND " +
                                                   k.test + " AND (" + tab + ".ID_Iscrizione>0 OR " + tab +
                                                   ".ID_Aggiunta>0)";
                        s.db.execute("UPDATE Gestione_Aggiunte  SET Gestione_Aggiunte.SeduteFatte=Gestione_Aggiunte."
                                     "SeduteFatte+1, Gestione_Aggiunte.Scaduta=-1, Gestione_Aggiunte.Data_Scadenza=" +
                                     oggi + " FROM " + k.join + filtro);
                        if (auto r = primaRiga(s.db, "SELECT TOP 1 " + tab + ".Codice_Iscrizione, " + tab +
                                                         ".ID_Iscrizione, " + tab + ".ID_Aggiunta FROM " + k.join +
                                                         filtro))
                            reindirizza(*r);
                    }

                    const std::string iscrizione = CChrQ(Codice_Iscrizione);
                    if (!Nullo_Vuoto(Codice_Iscrizione) && ID_Aggiunta.toInt() == 0) {
                        // Step 9.5: paid by a subscription line.
                        const Value progRiga =
                            idRiga < 1 ? DLookUpQ(s.db, "Prog_Riga", "Iscrizioni_Strutture",
                                                  "Codice_Iscrizione=" + iscrizione + " AND Codice_Cliente=" + cliente +
                                                      " AND Codice_Struttura=" + codice)
                                       : DLookUpQ(s.db, "Prog_Riga", "Iscrizioni_Strutture", "ID=" + num(idRiga));
                        const std::string riga = Num_SqlQ(progRiga);
                        bool giornaliero = false;
                        if (auto r = primaRiga(s.db, "SELECT TOP 1 Anagrafica_Abbonamenti.Giornaliero, "
                                                     "Gestione_Iscrizioni.Descrizione, Gestione_Iscrizioni.Data_Fine  "
                                                     "FROM Anagrafica_Abbonamenti INNER JOIN Gestione_Iscrizioni ON "
                                                     "Anagrafica_Abbonamenti.Codice_Abbonamento=Gestione_Iscrizioni."
                                                     "Codice_Abbonamento  WHERE Gestione_Iscrizioni.Codice_Iscrizione=" +
                                                         iscrizione)) {
                            giornaliero = (*r)[0].toDouble() != 0;
                            descrizioneLog = Value(conScadenza((*r)[1], (*r)[2]));
                            dataFineLog = (*r)[2];
                            descrizioneTrovata = true;
                        }
                        std::string gia = "SELECT TOP 1 Codice_Cliente FROM Q_Presenze_Attivita WHERE Codice_Cliente=" +
                                          cliente + " AND Data_Presenza=" + oggi + " AND Iscrizione=" + iscrizione;
                        if (!giornaliero) gia += " AND Codice_Struttura=" + codice;
                        const bool giaOggi = primaRiga(s.db, gia).has_value();
                        bool rigaGiornaliera = false;
                        if (giornaliero) {
                            if (giaOggi) conta = false;
                        } else {
                            rigaGiornaliera = DLookUpQ(s.db, "Giornaliero", "Iscrizioni_Strutture",
                                                       "Codice_Iscrizione=" + iscrizione + " AND Codice_Cliente=" +
                                                           cliente + " AND Codice_Struttura=" + codice)
                                                  .toDouble() != 0;
                            if (giaOggi) {
                                conta = false;
                            } else {
                                std::string dominio = "Iscrizioni_Strutture";
                                if (rigaGiornaliera &&
                                    DCountQ(s.db, "*", dominio,
                                            "Codice_Iscrizione=" + iscrizione + " AND Prog_Riga=" + riga) > 1 &&
                                    primaRiga(s.db,
                                              "SELECT TOP 1 Data_Presenza FROM (Presenze INNER JOIN Presenze_Strutture "
                                              "ON Presenze.ID_Presenza=Presenze_Strutture.ID_Presenza) INNER JOIN "
                                              "Iscrizioni_Strutture ON "
                                              "Presenze_Strutture.Iscrizione=Iscrizioni_Strutture.Codice_Iscrizione AND "
                                              "Presenze_Strutture.Codice_Struttura=Iscrizioni_Strutture.Codice_Struttura "
                                              "WHERE Presenze.Data_Presenza=" + oggi + " AND Presenze.Codice_Cliente=" +
                                                  cliente + " AND Presenze_Strutture.Iscrizione=" + iscrizione +
                                                  " AND Iscrizioni_Strutture.Prog_Riga=" + riga))
                                    conta = false;
                            }
                        }
                        if (noVerifica == 0 && conta && modScalo != 2) {
                            s.db.execute("UPDATE Iscrizioni_Strutture  SET Iscrizioni_Strutture.SeduteFatte = "
                                         "Iscrizioni_Strutture.SeduteFatte + 1  WHERE "
                                         "Iscrizioni_Strutture.Codice_Iscrizione=" + iscrizione +
                                         " AND Iscrizioni_Strutture.Codice_Cliente=" + cliente +
                                         " AND Iscrizioni_Strutture.Chiusa=0 AND Iscrizioni_Strutture.Scaduta=0  AND "
                                         "Iscrizioni_Strutture.Prog_Riga=" + riga +
                                         " AND (Iscrizioni_Strutture.Sedute=0 OR "
                                         "(Iscrizioni_Strutture.Sedute-Iscrizioni_Strutture.SeduteFatte>0))");
                            if (!giornaliero && !rigaGiornaliera) {
                                s.db.execute(
                                    "UPDATE Iscrizioni_Strutture  SET Iscrizioni_Strutture.Scaduta=-1, "
                                    "Iscrizioni_Strutture.Data_Scadenza=" + oggi +
                                    "  WHERE Iscrizioni_Strutture.Codice_Iscrizione=" + iscrizione +
                                    " AND Iscrizioni_Strutture.Codice_Cliente=" + cliente +
                                    " AND Iscrizioni_Strutture.Chiusa=0 AND Iscrizioni_Strutture.Scaduta=0 AND "
                                    "Iscrizioni_Strutture.Sedute>0 AND "
                                    "(Iscrizioni_Strutture.Sedute-Iscrizioni_Strutture.SeduteFatte)<=0  AND "
                                    "Iscrizioni_Strutture.Prog_Riga=" + riga +
                                    esclusionePrenotazioni("Iscrizioni_Strutture.ID", "ID_Iscrizione", cliente, oggi) +
                                    esclusioneAccompagnate("Iscrizioni_Strutture.Codice_Struttura"));
                            }
                            std::string dominio = "Iscrizioni_Strutture";
                            if (DCountQ(s.db, "*", dominio, "Codice_Iscrizione=" + iscrizione + " And Scaduta=0") == 0)
                                s.db.execute("UPDATE Gestione_Iscrizioni  SET Scaduta=-1, Data_Scadenza=" + oggi +
                                             "  WHERE Codice_Iscrizione=" + iscrizione);
                        }
                    } else if (ID_Aggiunta.toInt() > 0) {
                        // Step 9.6: paid by an add-on.
                        const std::string aggiunta = Num_SqlQ(ID_Aggiunta);
                        Value progRiga;
                        if (auto r = primaRiga(s.db, "SELECT Prog_Riga, ID_Pacchetto  FROM Gestione_Aggiunte  WHERE ID=" +
                                                         aggiunta)) {
                            progRiga = (*r)[0];
                            idPacchetto = (*r)[1].toInt();
                        }
                        const std::string riga = Num_SqlQ(progRiga);
                        bool pacchettoGiornaliero = false;
                        Value pacchettoM;
                        if (auto r = primaRiga(s.db, "SELECT TOP 1 Anagrafica_Pacchetti_Multipli.Giornaliero, "
                                                     "Anagrafica_Pacchetti_Multipli.Codice_PacchettoM, "
                                                     "Anagrafica_Pacchetti_Multipli.Descrizione, "
                                                     "Gestione_Aggiunte.Data_Fine  FROM Anagrafica_Pacchetti_Multipli "
                                                     "INNER JOIN Gestione_Aggiunte ON "
                                                     "Anagrafica_Pacchetti_Multipli.Codice_PacchettoM=Gestione_Aggiunte."
                                                     "Codice_PacchettoM  WHERE Gestione_Aggiunte.Codice_PacchettoM Is Not "
                                                     "Null AND Gestione_Aggiunte.ID=" + aggiunta)) {
                            pacchettoGiornaliero = (*r)[0].toDouble() != 0;
                            pacchettoM = (*r)[1];
                            descrizioneLog = Value(conScadenza((*r)[2], (*r)[3]));
                            dataFineLog = (*r)[3];
                            descrizioneTrovata = true;
                        } else if (auto p = primaRiga(s.db, "SELECT TOP 1 Anagrafica_Pacchetti.Descrizione, "
                                                            "Gestione_Aggiunte.Data_Fine  FROM Anagrafica_Pacchetti INNER "
                                                            "JOIN Gestione_Aggiunte ON "
                                                            "Anagrafica_Pacchetti.Codice_Pacchetto=Gestione_Aggiunte."
                                                            "Codice_Pacchetto  WHERE Gestione_Aggiunte.Codice_Pacchetto Is "
                                                            "Not Null AND Gestione_Aggiunte.ID=" + aggiunta)) {
                            descrizioneLog = Value(conScadenza((*p)[0], (*p)[1]));
                            dataFineLog = (*p)[1];
                            descrizioneTrovata = true;
                        }
                        const std::string gia =
                            pacchettoGiornaliero
                                ? "SELECT Q_Presenze_Attivita.Codice_Cliente  FROM Q_Presenze_Attivita INNER JOIN "
                                  "Gestione_Aggiunte ON Q_Presenze_Attivita.ID_Aggiunta=Gestione_Aggiunte.ID AND "
                                  "Q_Presenze_Attivita.Codice_Cliente=Gestione_Aggiunte.Codice_Cliente  WHERE "
                                  "Q_Presenze_Attivita.Codice_Cliente=" + cliente + " AND Data_Presenza=" + oggi +
                                      " AND Gestione_Aggiunte.Codice_PacchettoM=" + CChrQ(pacchettoM)
                                : "SELECT TOP 1 Codice_Cliente FROM Q_Presenze_Attivita WHERE Codice_Cliente=" +
                                      cliente + " AND Data_Presenza=" + oggi + " AND ID_Aggiunta=" + aggiunta +
                                      " AND Codice_Struttura=" + codice;
                        const bool giaOggi = primaRiga(s.db, gia).has_value();
                        const bool aggiuntaGiornaliera =
                            DLookUpQ(s.db, "Giornaliero", "Gestione_Aggiunte",
                                     "ID=" + aggiunta + " AND Codice_Struttura=" + codice)
                                .toDouble() != 0;
                        if (giaOggi) {
                            conta = false;
                        } else if (!pacchettoGiornaliero && aggiuntaGiornaliera) {
                            std::string dominio = "Gestione_Aggiunte";
                            if (DCountQ(s.db, "*", dominio, "ID=" + aggiunta + " AND Prog_Riga=" + riga) > 1 &&
                                primaRiga(s.db,
                                          "SELECT TOP 1 Data_Presenza FROM (Presenze INNER JOIN Presenze_Strutture ON "
                                          "Presenze.ID_Presenza=Presenze_Strutture.ID_Presenza) INNER JOIN "
                                          "Gestione_Aggiunte ON Presenze_Strutture.ID_Aggiunta=Gestione_Aggiunte.ID "
                                          "WHERE Presenze.Data_Presenza=" + oggi + " AND Presenze.Codice_Cliente=" +
                                              cliente + " AND Presenze_Strutture.ID_Aggiunta=" + aggiunta +
                                              " AND Gestione_Aggiunte.Prog_Riga=" + riga))
                                conta = false;
                        }
                        if (noVerifica == 0 && conta && modScalo != 2) {
                            // The line number alone would also count the client's other add-ons
                            // that happen to share it: only the lines of this sale are counted.
                            const std::string vendita =
                                idPacchetto > 0 ? " AND Gestione_Aggiunte.ID_Pacchetto=" + num(idPacchetto)
                                                : " AND Gestione_Aggiunte.ID=" + aggiunta;
                            s.db.execute("UPDATE Gestione_Aggiunte  SET Gestione_Aggiunte.SeduteFatte = "
                                         "Gestione_Aggiunte.SeduteFatte + 1  WHERE Gestione_Aggiunte.Codice_Cliente=" +
                                         cliente + " AND Gestione_Aggiunte.Scaduta=0  AND Gestione_Aggiunte.Prog_Riga=" +
                                         riga +
                                         " AND (Gestione_Aggiunte.Sedute=0 OR "
                                         "(Gestione_Aggiunte.Sedute-Gestione_Aggiunte.SeduteFatte>0))" + vendita);
                            if (!pacchettoGiornaliero && !aggiuntaGiornaliera) {
                                s.db.execute(
                                    "UPDATE Gestione_Aggiunte  SET Gestione_Aggiunte.Scaduta=-1, "
                                    "Gestione_Aggiunte.Data_Scadenza=" + oggi +
                                    " FROM Gestione_Aggiunte  WHERE Gestione_Aggiunte.Codice_Cliente=" + cliente +
                                    " AND Gestione_Aggiunte.Scaduta=0 AND Gestione_Aggiunte.Sedute>0 AND "
                                    "(Gestione_Aggiunte.Sedute-Gestione_Aggiunte.SeduteFatte)<=0  AND "
                                    "Gestione_Aggiunte.Prog_Riga=" + riga +
                                    " AND (Gestione_Aggiunte.Singola+Gestione_Aggiunte.Singola_Corsi+Gestione_Aggiunte."
                                    "Singola_Servizi=0) " +
                                    esclusionePrenotazioni("Gestione_Aggiunte.ID", "ID_Aggiunta", cliente, oggi) +
                                    esclusioneAccompagnate("Gestione_Aggiunte.Codice_Struttura") + vendita);
                            }
                        }
                    }

                    // Step 9.7: the detail row and the bookings it may use.
                    if (noVerifica == 0) {
                        s.db.execute("INSERT INTO Presenze_Strutture (ID_Presenza, Codice_Struttura, Tipologia, "
                                     "Codice_Cliente, Pagato, Costo_Presenza, Ora_Presenza, Iscrizione, ID_Aggiunta, "
                                     "ID_Pacchetto, Codice_Centro, IndTerminale, ID_Entrata)  VALUES (" +
                                     num(numero) + ", " + codice + ", " + num(Tipologia) + ", " + cliente + ", -1, 0, " +
                                     adessoOra + ", " + CChrQ(Codice_Iscrizione) + ", " + Num_SqlQ(ID_Aggiunta) + ", " +
                                     num(idPacchetto) + ", " + centro + ", " + terminaleN + ", " + num(idEntrata) + ") ");
                        Verifica_Prenotazioni_NoIngressi_Gen(s, Value(oggiD), Value(oggiD), Codice_Cliente,
                                                             Codice_Attivita);
                    }
                }
            } else {
                // Step 10: a whole-day band when the activity behind the entry needs a companion.
                const Anagrafica acc = anagraficaPer(Tipologia);
                if (Seguito == 0 && acc.tabella) {
                    std::string dominio = acc.tabella;
                    if (DCountQ(s.db, "*", dominio,
                                std::string("Con_Accompagnatore<>0 And ") + acc.chiave + " = " +
                                    CChrQ(Attivita_Accompagnamento)) > 0) {
                        s.db.execute("INSERT INTO Controllo_Fascia_Oraria (Modalita, Codice_Cliente, Codice, "
                                     "Data_Presenza, DaOre, AOre, IndTerminale, Codice_Bis)  VALUES (1, " + cliente +
                                     ", Null, " + oggi + ", '00:00:00', '23:59:59'," + terminaleN + "," + tessera + ")");
                        fascia = ZeroSeNullo(DMaxQ(s.db, "ID", "Controllo_Fascia_Oraria",
                                                   "Codice_Cliente=" + cliente + " And Data_Presenza=" + oggi));
                    }
                }
            }

            // Step 11: the export to the fitness platform.
            if (noVerifica == 0 && nuova) {
                if (ZeroSeNullo(DLookUpQ(s.db, "ID_MyWellness", "Anagrafica_Clienti", "Codice_Cliente=" + cliente)) != 0) {
                    const Value centroMW =
                        Indirizzo != 0
                            ? DLookUpQ(s.db, "Cd_Centro_MyWellness", "Dettaglio_Terminali", "Indirizzo=" + terminaleN)
                            : Value(0);
                    s.db.execute("INSERT INTO wTmp_MyWellness_SQL (Codice_Cliente, Ora_Presenza, Cd_Centro) VALUES (" +
                                 cliente + ", '" + formatDate(oggiD, "yyyy/mm/dd") + " " + formatDate(oraD, "hh:nn:ss") +
                                 "', " + Num_SqlQ(centroMW) + ")");
                }
            }

            // Step 12: the journal of out-of-hours and suspended entries.
            if (fuoriOrario) {
                if (!altre) {
                    s.db.execute("INSERT INTO Giornale (Modalita,Codice_Cliente,Codice1_N,Data_Scadenza,Codice1_S,"
                                 "DaOre,Codice_Centro) SELECT 10 AS E1, Codice_Cliente, ID_Presenza, Data_Presenza, " +
                                 codice + ", " + adessoOra + ", " + centro +
                                 " AS E2  FROM Presenze  WHERE Data_Presenza=" + oggi + " AND ID_Presenza=" +
                                 num(numero));
                } else {
                    s.db.execute("INSERT INTO Giornale (Modalita,Codice_Cliente,Codice1_N,Data_Scadenza,Codice1_S, "
                                 "Codice_Centro) SELECT 10 AS E1, Codice_Cliente, ID_Presenza, Data_Presenza, Null, " +
                                 centro + " AS E2 FROM Presenze WHERE Data_Presenza=" + oggi + " AND ID_Presenza=" +
                                 num(numero));
                }
            }
            if (sospeso) {
                s.db.execute("INSERT INTO Giornale (Modalita,Codice_Cliente,Codice1_N,Data_Scadenza, Codice_Centro) "
                             "SELECT 12 AS E1, Codice_Cliente, ID_Presenza, Data_Presenza, " + centro +
                             " AS E2 FROM Presenze WHERE Data_Presenza=" + oggi + " AND ID_Presenza=" + num(numero));
            }
        }

        // Steps 14 and 15: the status text, the history of irregular entries and the entry log.
        if (noVerifica == 0 && nuova) {
            auto& irr = s.esiti.Irregolarita;
            std::string stato;
            if (sospeso) {
                stato += "SOSPESO\r\n";
                irr[12] = Value(1);
            }
            if (Nullo_Vuoto(Codice_Iscrizione) && ID_Aggiunta.toInt() == 0) {
                stato += "NO INGRESSI\r\n";
                irr[16] = Value(1);
            }
            if (irregolare) stato += "IRREGOLARE\r\n";
            if (fuoriOrario) {
                stato += "FUORI ORARIO";
                irr[10] = Value(1);
            }
            if (stato.empty()) {
                stato = "OK";
            } else if (Non_Registrare == 0) {
                bool qualche = false;
                for (int i = 1; i <= 22; ++i) qualche = qualche || irr[static_cast<size_t>(i)].toDouble() != 0;
                if (qualche) {
                    std::string sql = "INSERT INTO Storia_Clienti_Irregolari (ID_Presenza,Codice_Cliente,Data_Presenza,"
                                      "Ora_Presenza,Campo1,Campo2,Campo3,Campo4,Campo5,Campo6,Campo7,Campo8,Campo9,"
                                      "Campo10,Campo11,Campo12,Campo13,Campo14,Campo15,Campo16,Campo17,Campo18,Campo19,"
                                      "Campo20,Campo21,Campo22,Codice_Struttura) VALUES (" +
                                      num(numero) + "," + cliente + "," + oggi + "," + adessoOra;
                    for (int i = 1; i <= 22; ++i) sql += "," + Num_SqlQ(irr[static_cast<size_t>(i)]);
                    sql += altre ? ",Null)" : "," + codice + ")";
                    s.db.execute(sql);
                }
            }

            if (!descrizioneTrovata) {
                descrizioneLog = Descrizione_Default;
                dataFineLog = Data_Fine_Default;
            }
            if (Nullo_Vuoto(descrizioneLog)) descrizioneLog = Descrizione_Default;
            if (Nullo_Vuoto(dataFineLog)) dataFineLog = Data_Fine_Default;
            const std::string descrizione = primiCaratteri(descrizioneLog.toText(), 80);
            const int s1 = qualcuno(irr, {2, 3, 14, 19, 20, 21, 22}) ? 1 : 0;
            const int s2 = qualcuno(irr, {4, 5, 6, 7, 8, 9, 11, 15, 17, 18}) ? 1 : 0;
            const int s3 = qualcuno(irr, {10, 12, 16}) ? 1 : 0;
            const int s4 = sospeso ? 1 : 0;
            const Value fineLog = dataFineLog.toDate() ? Value(*dataFineLog.toDate()) : Value::null();
            s.db.execute("INSERT INTO Log_Entrate (Codice_Cliente,Cognome,Nome,Data_Presenza,Ora_Presenza,Semaforo1,"
                         "Semaforo2,Semaforo3,Semaforo4,Irregolare1,Irregolare2,Irregolare3,Irregolare4,Irregolare5,"
                         "Irregolare6,Irregolare7,Irregolare8,Irregolare9,Irregolare10,ID_Presenza,DesIrregolari,"
                         "DesIrregolari_Att,DesIrregolari_Abb,DesIrregolari_Scad,Rinnovo, IndTerminale)  VALUES (" +
                         cliente + "," + CChrQ(Cognome) + "," + CChrQ(Nome) + "," + oggi + "," + adessoOra + "," +
                         num(s1) + "," + num(s2) + "," + num(s3) + "," + num(s4) + ",0,0,0,0,0,0,0,0,0,0," +
                         num(numero) + "," + CChrQ(Value(stato)) + "," + CChrQ(Value(descrizioneAttivita)) + "," +
                         CChrQ(Value(descrizione)) + "," + Data_SqlQ(fineLog) + "," + Num_SqlQ(Rinnovo) + "," +
                         terminaleN + ")");
        }

        // Step 16: the latest exit time of the stay.
        if (Non_Registrare == 0 && s.registro.Terminali_Uscita && Seguito == 0) {
            const Value uscita = Calcola_Ora_Uscita(s, Codice_Abbonamento, Codice_Pacchetto, Codice_Attivita,
                                                    ID_Aggiunta, adesso.weekdayMonday1(), Value(oraD),
                                                    Tempo_Permanenza, Value::null(), Ora_Uscita_Default);
            s.db.execute("INSERT INTO wTmp_OrarioUscita_SQL (Codice_Cliente, Data_Presenza, AOre)  SELECT " + cliente +
                         " AS E1, " + oggi + " AS E2, " + Ora_SqlQ(uscita));
            s.db.execute("INSERT INTO Controllo_Fascia_Oraria (Modalita, Codice_Cliente, Data_Presenza, AOre, "
                         "Ora_Presenza, IndTerminale, Punti, Codice_Bis, ID_Entrata)  SELECT 2, Codice_Cliente, "
                         "Data_Presenza, AOre, " + adessoOra + ", " + terminaleN + ", " + Num_SqlQ(Punti) + ", " +
                         tessera + ", " + num(idEntrata) + " FROM wTmp_OrarioUscita");
            if (fascia > 0)
                s.db.execute("UPDATE Controllo_Fascia_Oraria  SET ID_Entrata=" + num(idEntrata) + " WHERE ID=" +
                             num(fascia));
        }

        // Step 17: the client's status. A status that could not be read leaves the record alone.
        const Value stato = Stato_Cliente(s.db, s.settings, s.clock, Codice_Cliente);
        if (!stato.isNullOrEmpty() && !(stato.asNumber() && statoPrecedente.asNumber() &&
                                        *stato.asNumber() == *statoPrecedente.asNumber())) {
            s.db.execute("UPDATE Anagrafica_Clienti SET Stato=" + Num_SqlQ(stato) + " WHERE Codice_Cliente=" + cliente);
        }
    } catch (const std::exception& e) {
        s.db.logError(e, F);
    }
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

        const int64_t anticipo = ZeroSeNullo(s.settings.Leggi_Impostazione(37));
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
        // Step 1: the exit tolerance.
        const std::string attivita = Codice_Attivita.toText();
        const std::string prefisso = attivita.size() >= 2 ? attivita.substr(0, 2) : "";
        const Anagrafica a = prefisso == "ST"   ? anagraficaPer(1)
                             : prefisso == "CS" ? anagraficaPer(2)
                             : prefisso == "SE" ? anagraficaPer(3)
                                                : Anagrafica{};
        int64_t tolleranza = 0;
        if (!Nullo_Vuoto(Codice_Attivita) && a.tabella)
            tolleranza = ZeroSeNullo(
                DLookUpQ(s.db, "TolleranzaU", a.tabella, std::string(a.chiave) + "=" + CChrQ(Codice_Attivita)));
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
        auto ripiego = [&] {
            if (risultato.isNullOrEmpty() && !Nullo_Vuoto(Ora_Default)) risultato = Ora_Default;
        };

        // Step 2: the band that contains the entry time.
        if (ZeroSeNullo(Permanenza) == 0) {
            const std::string struttura = " AND Codice_Struttura=" + CChrQ(Codice_Attivita);
            if (!Nullo_Vuoto(Codice_Abbonamento)) {
                const std::string abb = "Codice_Abbonamento=" + CChrQ(Codice_Abbonamento);
                if (Nullo_Vuoto(Codice_Attivita)) {
                    risultato = fascia("Giorni_DD_Fasce_Abbonamenti", abb, true);
                    if (risultato.isNullOrEmpty()) risultato = fascia("FasceOrarie_Abbonamenti", abb, false);
                } else {
                    risultato = fascia("Giorni_DD_Fasce_Abbonamenti_Righe", abb + struttura, true);
                    if (risultato.isNullOrEmpty())
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

        // Steps 3 to 5: the allowance, never past the end of the day.
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
