#include "checks/frequenze.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "base/format.h"

namespace velaris {

namespace {

struct Intervallo {
    int64_t n = 0;
    int64_t unita = 0;
};

// Reads the interval; false when it has no row.
bool leggiIntervallo(Sistema& s, const std::string& sql, Intervallo& iv) {
    auto rs = s.db.open(sql);
    if (rs->eof()) return false;
    // An interval of fewer than one unit is the current unit.
    iv.n = std::max<int64_t>(1, rs->field(0).toInt());
    iv.unita = rs->field(1).toInt();
    return true;
}

int giorniNelMese(int anno, int mese) {
    switch (mese) {
        case 4:
        case 6:
        case 9:
        case 11: return 30;
        case 2: return (anno % 4 == 0 && (anno % 100 != 0 || anno % 400 == 0)) ? 29 : 28;
        default: return 31;
    }
}

// The weekday texts of a counted column: an inclusion of the counted days and an
// exclusion of the others, by DATEPART(weekday, ...) numbers.
std::string testiGiorni(const std::array<bool, 7>& conta, const std::string& colonna) {
    std::string incl, escl;
    for (int g = 1; g <= 7; ++g) {
        const std::string d = std::to_string(giornoSql(g));
        if (conta[static_cast<size_t>(g - 1)]) {
            incl += (incl.empty() ? " AND (DATEPART(weekday," : " OR DATEPART(weekday,") + colonna + ")=" + d;
        } else {
            escl += (escl.empty() ? " AND (DATEPART(weekday," : " AND DATEPART(weekday,") + colonna + ")<>" + d;
        }
    }
    if (!incl.empty()) incl += ")";
    if (!escl.empty()) escl += ")";
    return incl + escl;
}

std::array<bool, 7> giorniContati(Sistema& s, const Value& idIntervallo) {
    std::array<bool, 7> conta{};
    auto rs = s.db.open("SELECT TOP 1 Lun, Mar, Mer, Gio, Ven, Sab, Dom FROM Intervalli_DD WHERE ID=" +
                        Num_SqlQ(idIntervallo));
    if (!rs->eof())
        for (int i = 0; i < 7; ++i) conta[static_cast<size_t>(i)] = rs->field(i).toInt() != 0;
    return conta;
}

std::string sqlContaPresenze(Sistema& s, const Value& codiceCliente, const Value& idIntervallo, const Value& dataInizio,
                            const Value& dataFine, const Value& codiceIscrizione, const Value& idAggiunta,
                            const Value& codiceStruttura, const Value& idPacchetto) {
    const bool struttura = !Nullo_Vuoto(codiceStruttura);
    std::string sql = struttura ? "SELECT Count(Presenze_Strutture.ID) AS ContPresenzeStruttura "
                                : "SELECT Count(Distinct Presenze_Strutture.ID_Presenza) AS ContPresenzeStruttura ";
    sql += " FROM Presenze INNER JOIN Presenze_Strutture ON Presenze.ID_Presenza=Presenze_Strutture.ID_Presenza "
           " WHERE Presenze.Codice_Cliente=" + CChrQ(codiceCliente) + " AND Presenze.Data_Presenza Between " +
           Data_SqlQ(dataInizio) + " And " + Data_SqlQ(dataFine);
    if (struttura) sql += " AND Presenze_Strutture.Codice_Struttura=" + CChrQ(codiceStruttura);
    if (!Nullo_Vuoto(codiceIscrizione)) sql += " AND Presenze_Strutture.Iscrizione=" + CChrQ(codiceIscrizione);
    if (ZeroSeNullo(idAggiunta) > 0) sql += " AND Presenze_Strutture.ID_Aggiunta=" + Num_SqlQ(idAggiunta);
    if (ZeroSeNullo(idPacchetto) > 0) sql += " AND Presenze_Strutture.ID_Pacchetto=" + Num_SqlQ(idPacchetto);
    return sql + testiGiorni(giorniContati(s, idIntervallo), "Presenze.Data_Presenza");
}

// One part of the bookings union: its head and joins, then the filters on its own columns.
struct ParteUnione {
    const char* testa;
    const char* cliente;      // member column
    const char* data;         // booking date column
    const char* attivita;     // activity column
    const char* iscrizione;   // registration column
    const char* aggiunta;     // add-on column
    const char* condizione;   // fixed condition of the part ("" for none)
};

constexpr ParteUnione kParti[] = {
    {"SELECT 1 AS Tipo, Gestione_Prenotazioni_Corsi.Codice_Corso AS Attivita, "
     "Gestione_Prenotazioni_Corsi.Data_Prenotazione, Orario_Istruttori_Corsi.DaOre, Orario_Istruttori_Corsi.AOre, "
     "Anagrafica_Corsi.Tolleranza "
     " FROM Gestione_Prenotazioni_Corsi INNER JOIN Orario_Istruttori_Corsi ON "
     "Gestione_Prenotazioni_Corsi.ID_Corso=Orario_Istruttori_Corsi.ID INNER JOIN Anagrafica_Corsi ON "
     "Gestione_Prenotazioni_Corsi.Codice_Corso=Anagrafica_Corsi.Codice_Corso ",
     "Gestione_Prenotazioni_Corsi.Codice_Cliente", "Gestione_Prenotazioni_Corsi.Data_Prenotazione",
     "Gestione_Prenotazioni_Corsi.Codice_Corso", "Gestione_Prenotazioni_Corsi.Codice_Iscrizione",
     "Gestione_Prenotazioni_Corsi.ID_Aggiunta", " AND Gestione_Prenotazioni_Corsi.Enroll<>0"},
    {" UNION SELECT 2 AS Tipo, Gestione_Prenotazioni_Servizi.Codice_Servizio AS Attivita, "
     "Gestione_Prenotazioni_Servizi.Data_Prenotazione, Orario_Servizi.DaOre, Orario_Servizi.AOre, "
     "Anagrafica_Servizi.Tolleranza "
     " FROM Gestione_Prenotazioni_Servizi INNER JOIN Orario_Servizi ON "
     "Gestione_Prenotazioni_Servizi.ID_Servizio=Orario_Servizi.ID INNER JOIN Anagrafica_Servizi ON "
     "Gestione_Prenotazioni_Servizi.Codice_Servizio=Anagrafica_Servizi.Codice_Servizio ",
     "Gestione_Prenotazioni_Servizi.Codice_Cliente", "Gestione_Prenotazioni_Servizi.Data_Prenotazione",
     "Gestione_Prenotazioni_Servizi.Codice_Servizio", "Gestione_Prenotazioni_Servizi.Codice_Iscrizione",
     "Gestione_Prenotazioni_Servizi.ID_Aggiunta", " AND Gestione_Prenotazioni_Servizi.Enroll<>0"},
    {" UNION SELECT 3 AS Tipo, Gestione_Prenotazioni.Codice2 AS Attivita, Gestione_Prenotazioni.Data_Prenotazione, "
     "Gestione_Prenotazioni.DaOre, Gestione_Prenotazioni.AOre, Anagrafica_Strutture.Tolleranza "
     " FROM Gestione_Prenotazioni INNER JOIN Booking_Clienti ON "
     "Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione INNER JOIN Anagrafica_Strutture ON "
     "Gestione_Prenotazioni.Codice2=Anagrafica_Strutture.Codice_Struttura ",
     "Booking_Clienti.Codice_Cliente", "Gestione_Prenotazioni.Data_Prenotazione", "Gestione_Prenotazioni.Codice2",
     "Booking_Clienti.Codice_Iscrizione", "Booking_Clienti.ID_Aggiunta", ""},
    {" UNION SELECT 4 AS Tipo, Gestione_Prenotazioni.Codice2 AS Attivita, Gestione_Prenotazioni.Data_Prenotazione, "
     "Gestione_Prenotazioni.DaOre, Gestione_Prenotazioni.AOre, Anagrafica_Corsi.Tolleranza "
     " FROM Gestione_Prenotazioni INNER JOIN Booking_Clienti ON "
     "Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione INNER JOIN Anagrafica_Corsi ON "
     "Gestione_Prenotazioni.Codice2=Anagrafica_Corsi.Codice_Corso ",
     "Booking_Clienti.Codice_Cliente", "Gestione_Prenotazioni.Data_Prenotazione", "Gestione_Prenotazioni.Codice2",
     "Booking_Clienti.Codice_Iscrizione", "Booking_Clienti.ID_Aggiunta", ""},
    {" UNION SELECT 5 AS Tipo, Gestione_Prenotazioni.Codice2 AS Attivita, Gestione_Prenotazioni.Data_Prenotazione, "
     "Gestione_Prenotazioni.DaOre, Gestione_Prenotazioni.AOre, Anagrafica_Servizi.Tolleranza "
     " FROM Gestione_Prenotazioni INNER JOIN Booking_Clienti ON "
     "Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione INNER JOIN Anagrafica_Servizi ON "
     "Gestione_Prenotazioni.Codice2=Anagrafica_Servizi.Codice_Servizio ",
     "Booking_Clienti.Codice_Cliente", "Gestione_Prenotazioni.Data_Prenotazione", "Gestione_Prenotazioni.Codice2",
     "Booking_Clienti.Codice_Iscrizione", "Booking_Clienti.ID_Aggiunta", ""},
};

std::string hhnn(int secondi) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d", (secondi / 3600) % 100, secondi / 60 % 60);
    return buf;
}

}  // namespace

int giornoSql(int g) { return g == 7 ? 1 : g + 1; }

Value Cerca_Data_Inizio(Sistema& s, const Value& idIntervallo) {
    Value r;
    try {
        Intervallo iv;
        if (!leggiIntervallo(s, "SELECT TOP 1 DDIntervallo, Periodo_SMA FROM Intervalli_DD WHERE ID=" +
                                    Num_SqlQ(idIntervallo), iv))
            return r;
        const DateTime oggi = s.clock.today();
        const int64_t k = iv.n - 1;
        switch (iv.unita) {
            case 1: r = Value(oggi.addDays(-k)); break;
            case 2: {
                const DateTime d = oggi.addDays(-7 * k);
                r = Value(d.addDays(-(d.weekdayMonday1() - 1)));
                break;
            }
            case 3: {
                const DateTime d = oggi.addMonths(-k);
                r = Value(DateTime::fromParts(d.year(), d.month(), 1));
                break;
            }
            case 4: r = Value(DateTime::fromParts(oggi.addYears(-k).year(), 1, 1)); break;
            default: break;
        }
    } catch (const DbError& e) {
        // A count or a period the database failed to give would read as "no visits"
        // and admit past the limit: the read ends without a verdict instead.
        s.db.logError(e, "Cerca_Data_Inizio");
        throw;
    } catch (const std::exception& e) {
        s.db.logError(e, "Cerca_Data_Inizio");
    }
    return r;
}

Value Cerca_Data_Fine(Sistema& s, const Value& idIntervallo) {
    Value r;
    try {
        Intervallo iv;
        if (!leggiIntervallo(s, "SELECT DDIntervallo, Periodo_SMA FROM Intervalli_DD WHERE ID=" + Num_SqlQ(idIntervallo),
                             iv))
            return r;
        const DateTime oggi = s.clock.today();
        const int64_t k = iv.n - 1;
        switch (iv.unita) {
            case 1: r = Value(oggi.addDays(k)); break;
            case 2: {
                const DateTime d = oggi.addDays(7 * k);
                r = Value(d.addDays(7 - d.weekdayMonday1()));
                break;
            }
            case 3: {
                const DateTime d = oggi.addMonths(k);
                r = Value(DateTime::fromParts(d.year(), d.month(), giorniNelMese(d.year(), d.month())));
                break;
            }
            // A period of several years reaches forward like the other units, so that it
            // holds today.
            case 4: r = Value(DateTime::fromParts(oggi.addYears(k).year(), 12, 31)); break;
            default: break;
        }
    } catch (const DbError& e) {
        s.db.logError(e, "Cerca_Data_Fine");
        throw;
    } catch (const std::exception& e) {
        s.db.logError(e, "Cerca_Data_Fine");
    }
    return r;
}

int Conta_Presenze_Periodo(Sistema& s, const Value& codiceCliente, const Value& idIntervallo, const Value& dataInizio,
                           const Value& dataFine, const Value& codiceIscrizione, const Value& idAggiunta,
                           const Value& codiceStruttura, const Value& idPacchetto) {
    int n = 0;
    try {
        auto rs = s.db.open(sqlContaPresenze(s, codiceCliente, idIntervallo, dataInizio, dataFine, codiceIscrizione,
                                            idAggiunta, codiceStruttura, idPacchetto));
        if (!rs->eof()) n = ZeroSeNullo(rs->field(0));
    } catch (const DbError& e) {
        s.db.logError(e, "Conta_Presenze_Periodo");
        throw;
    } catch (const std::exception& e) {
        s.db.logError(e, "Conta_Presenze_Periodo");
    }
    return n;
}

int Conta_Presenze_Prenotazioni_Periodo(Sistema& s, const Value& codiceCliente, const Value& idIntervallo,
                                        const Value& dataInizio, const Value& dataFine,
                                        const Value& codiceIscrizione, const Value& idAggiunta,
                                        const Value& codiceStruttura, const Value& idPacchetto) {
    int n = 0;
    try {
        {
            auto rs = s.db.open(sqlContaPresenze(s, codiceCliente, idIntervallo, dataInizio, dataFine,
                                                codiceIscrizione, idAggiunta, codiceStruttura, idPacchetto));
            if (!rs->eof()) n = ZeroSeNullo(rs->field(0));
        }
        const auto giorni = giorniContati(s, idIntervallo);
        std::string sql;
        for (const ParteUnione& p : kParti) {
            sql += p.testa;
            sql += std::string(" WHERE ") + p.cliente + "=" + CChrQ(codiceCliente) + p.condizione + " AND " + p.data +
                   " Between " + Data_SqlQ(dataInizio) + " And " + Data_SqlQ(dataFine);
            if (!Nullo_Vuoto(codiceStruttura)) sql += std::string(" AND ") + p.attivita + "=" + CChrQ(codiceStruttura);
            if (!Nullo_Vuoto(codiceIscrizione))
                sql += std::string(" AND ") + p.iscrizione + "=" + CChrQ(codiceIscrizione);
            if (ZeroSeNullo(idAggiunta) > 0) sql += std::string(" AND ") + p.aggiunta + "=" + Num_SqlQ(idAggiunta);
            if (ZeroSeNullo(idPacchetto) > 0)
                sql += std::string(" AND ") + p.aggiunta + " In (SELECT ID FROM Gestione_Aggiunte WHERE ID_Pacchetto=" +
                       Num_SqlQ(idPacchetto) + ")";
            sql += testiGiorni(giorni, p.data);
        }
        const DateTime now = s.clock.now();
        const DateTime oggi = now.datePart();
        const std::string ora = hhnn(now.secondOfDay());
        const Value anticipoPren = s.settings.slot(impostazione::AnticipoPren);
        auto rs = s.db.open(sql);
        for (; !rs->eof(); rs->moveNext()) {
            const auto giorno = rs->field(2).toDate();
            if (giorno && giorno->datePart() == oggi) {
                int64_t tolleranza = ZeroSeNullo(rs->field(5));
                if (tolleranza == 0) tolleranza = ZeroSeNullo(anticipoPren);
                const auto da = rs->field(3).toDate();
                const auto a = rs->field(4).toDate();
                if (da && a) {
                    // A window that would start before midnight starts at midnight.
                    const int inizio = static_cast<int>(std::max<int64_t>(0, da->secondOfDay() - tolleranza * 60));
                    if (hhnn(inizio) <= ora && ora <= hhnn(a->secondOfDay())) continue;  // the entry being judged
                }
            }
            ++n;
        }
    } catch (const DbError& e) {
        s.db.logError(e, "Conta_Presenze_Prenotazioni_Periodo");
        throw;
    } catch (const std::exception& e) {
        s.db.logError(e, "Conta_Presenze_Prenotazioni_Periodo");
    }
    return n;
}

bool Limite_Frequenza_Raggiunto(Sistema& s, const Value& frequenzaDD, const Value& idIntervallo,
                                const Value& codiceCliente, const Value& codiceIscrizione, const Value& idAggiunta,
                                const Value& codiceStruttura, const Value& idPacchetto) {
    const int64_t massimo = ZeroSeNullo(frequenzaDD);
    if (massimo <= 0 || ZeroSeNullo(idIntervallo) <= 0) return false;
    const Value inizio = Cerca_Data_Inizio(s, idIntervallo);
    const Value fine = Cerca_Data_Fine(s, idIntervallo);
    const int visite = s.settings.slot(impostazione::PrenComePres).toBool()
                           ? Conta_Presenze_Prenotazioni_Periodo(s, codiceCliente, idIntervallo, inizio, fine,
                                                                 codiceIscrizione, idAggiunta, codiceStruttura,
                                                                 idPacchetto)
                           : Conta_Presenze_Periodo(s, codiceCliente, idIntervallo, inizio, fine, codiceIscrizione,
                                                    idAggiunta, codiceStruttura, idPacchetto);
    return visite >= massimo;
}

std::string Sql_Frequenza_Abbonamento(const Value& abbonamento) {
    return "SELECT TOP 1 FrequenzaDD, ID_Intervallo, Tempo_Permanenza  FROM Anagrafica_Abbonamenti  WHERE "
           "Codice_Abbonamento=" + CChrQ(abbonamento);
}

int Verifica_DD(Sistema& s, int modo, const DatiDD& d, Value& frequenzaDD, Value& idIntervallo,
                Value& tempoPermanenza) {
    try {
        const std::string oggi = Data_SqlQ(Value(s.clock.today()));
        const bool struttura = !Nullo_Vuoto(d.Codice_Struttura);
        if (modo == 1 || modo == 2) {
            std::string sql = "SELECT TOP 1 FrequenzaDD, ID_Intervallo, Tempo_Permanenza ";
            std::string criterio;
            if (modo == 1) {
                sql = struttura ? sql + " FROM Abbonamenti_Strutture  WHERE Codice_Abbonamento=" +
                                      CChrQ(d.Codice_Abbonamento) + " And Codice_Struttura=" + CChrQ(d.Codice_Struttura)
                                : Sql_Frequenza_Abbonamento(d.Codice_Abbonamento);
                criterio = "Codice_Iscrizione=" + CChrQ(d.Codice_Iscrizione);
            } else {
                if (!Nullo_Vuoto(d.Codice_PacchettoM)) {
                    sql += struttura ? " FROM Strutture_Pacchetti_Multipli  WHERE Codice_PacchettoM=" +
                                           CChrQ(d.Codice_PacchettoM) + " And Codice_Struttura=" +
                                           CChrQ(d.Codice_Struttura)
                                     : " FROM Anagrafica_Pacchetti_Multipli  WHERE Codice_PacchettoM=" +
                                           CChrQ(d.Codice_PacchettoM);
                } else {
                    sql += " FROM Anagrafica_Pacchetti  WHERE Codice_Pacchetto=" + CChrQ(d.Codice_Pacchetto) +
                           " And Codice_Struttura=" + CChrQ(d.Codice_Struttura);
                }
                const Value pacchetto = DLookUpQ_Verifica(s.db, "ID_Pacchetto", "Gestione_Aggiunte", "ID=" + Num_SqlQ(d.ID_Aggiunta));
                criterio = ZeroSeNullo(pacchetto) == 0 ? "ID_Aggiunta=" + Num_SqlQ(d.ID_Aggiunta)
                                                       : "ID_Pacchetto=" + Num_SqlQ(pacchetto);
            }
            {
                // Master rows the read never writes; the subscription check asked for them already.
                auto rs = s.db.openOncePerRead(sql);
                if (rs->eof()) {
                    frequenzaDD = idIntervallo = tempoPermanenza = Value::null();
                } else {
                    frequenzaDD = rs->field(0);
                    idIntervallo = rs->field(1);
                    tempoPermanenza = rs->field(2);
                }
            }
            std::string dominio = "Gestione_Sospensioni";
            const bool sospeso = DCountQ_Verifica(s.db, "*", dominio,
                                         criterio + " And Data_Inizio_Sospensione<=" + oggi +
                                             " And (Data_Fine_Sospensione>=" + oggi +
                                             " Or Data_Fine_Sospensione Is Null)") > 0;
            s.esiti.EsitoT_Sospeso = sospeso;
            return sospeso ? kDD_Sospeso : kDD_Entro;
        }
        if (modo == 3) {
            if (ZeroSeNullo(frequenzaDD) <= 0 || ZeroSeNullo(idIntervallo) <= 0) return kDD_Entro;
            std::string sql =
                "SELECT Max(Presenze.Data_Presenza) AS UltimaPres  FROM Presenze INNER JOIN Presenze_Strutture ON "
                "Presenze.ID_Presenza=Presenze_Strutture.ID_Presenza AND "
                "Presenze.Codice_Cliente=Presenze_Strutture.Codice_Cliente WHERE Presenze.Codice_Cliente=" +
                CChrQ(d.Codice_Cliente);
            Value iscrizione, aggiunta, pacchetto;
            if (!Nullo_Vuoto(d.Codice_Iscrizione)) {
                iscrizione = d.Codice_Iscrizione;
                sql += " AND Presenze_Strutture.Iscrizione=" + CChrQ(iscrizione);
            } else if (ZeroSeNullo(d.ID_Pacchetto) > 0) {
                pacchetto = d.ID_Pacchetto;
                sql += " AND Presenze_Strutture.ID_Pacchetto=" + Num_SqlQ(pacchetto);
            } else {
                aggiunta = d.ID_Aggiunta;
                sql += " AND Presenze_Strutture.ID_Aggiunta=" + Num_SqlQ(aggiunta);
            }
            sql += " AND Presenze_Strutture.Codice_Struttura=" + CChrQ(d.Codice_Struttura);
            {
                auto rs = s.db.open(sql);
                if (rs->eof() || Nullo_Vuoto(rs->field(0))) return kDD_Entro;
            }
            return Limite_Frequenza_Raggiunto(s, frequenzaDD, idIntervallo, d.Codice_Cliente, iscrizione, aggiunta,
                                              d.Codice_Struttura, pacchetto)
                       ? kDD_Limite
                       : kDD_Entro;
        }
    } catch (const DbError& e) {
        s.db.logError(e, "Verifica_DD");
        throw;
    } catch (const std::exception& e) {
        s.db.logError(e, "Verifica_DD");
    }
    return kDD_Entro;
}

}  // namespace velaris
