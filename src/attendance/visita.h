#pragma once
// The steps every recorded entry shares, whichever check admitted it: the presence number,
// the stay, the visit row, the export to the fitness platform, the journal, the history of
// irregular entries, the entry log, the exit deadline and the client's status. The
// recording procedures derive from `Visita` and add their own steps in between.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "system/system.h"

namespace velaris {

using Riga = std::vector<Value>;

// The first row of a query, or nothing; every row of a query.
std::optional<Riga> primaRiga(Database& db, const std::string& sql);
std::vector<Riga> tutteLeRighe(Database& db, const std::string& sql);

// The description with " scadenza dd/mm/yyyy" when the end date is known.
std::string conScadenza(const Value& descrizione, const Value& dataFine);

// A line or add-on that still has a booking today or later is never expired: the
// " AND <colonna> Not In (...)" term over the three booking tables' `campo`.
std::string esclusionePrenotazioni(const std::string& colonna, const std::string& campo, const std::string& cliente,
                                   const std::string& oggi);
// Lines of courses and services that need a companion are never expired.
std::string esclusioneAccompagnate(const std::string& colonna);

// The four lights of the entry log from the irregularity codes (and the suspended mark).
struct Semafori {
    int s1 = 0, s2 = 0, s3 = 0, s4 = 0;
};
Semafori semaforiDi(const std::array<Value, 23>& irregolarita, bool sospeso);

class Visita {
protected:
    // `data` and `ora` are the moment of the entry (date; time of day on 1 January 1900):
    // every row of the visit carries them, however long the recording takes.
    Visita(Sistema& s, const Value& cliente, int indirizzo, const DateTime& data, const DateTime& ora,
           const char* funzione);

    // Draws the visit's presence number under lock 103; false when none could be drawn.
    bool preleva();
    // The open stay (`Gestione_Entrate`) and its number, when exit terminals exist.
    void apriPermanenza();
    // The visit row with its three marks.
    void scriviPresenza(int fuoriOrario, int iscrizioneScaduta, int exTerminali);
    // The export row for the fitness platform, for members linked to it. The statement's
    // date literal depends on the login's date format: its failure is logged and the
    // recording goes on.
    void esportaMyWellness();
    // Journal rows: an entry out of the band (of one activity, or of the whole visit) and
    // the entry of a suspended client.
    void giornaleFuoriOrarioAttivita(const std::string& codiceAttivita);
    void giornaleFuoriOrario();
    void giornaleSospeso();
    // The snapshot of the 22 irregularity codes; `codiceStruttura` a literal ("Null").
    void storiaIrregolari(const std::string& codiceStruttura);
    // The entry-log row.
    struct Log {
        std::string stato;         // DesIrregolari
        std::string attivita;      // DesIrregolari_Att
        Value descrizione;         // DesIrregolari_Abb, cut to 80 characters
        Value dataFine;            // DesIrregolari_Scad
        Value cognome, nome, rinnovo;
        Semafori luci;
    };
    void scriviLog(const Log& l);
    // The latest exit time of the stay: one row through `wTmp_OrarioUscita`, then the
    // deadline row (`Modalita` 2) with the stay number; `punti` given adds the points column.
    void scadenzaUscita(const Value& oraUscita, const std::optional<Value>& punti);
    // The client's status, written when it changed. A status that could not be read
    // leaves the record alone.
    void aggiornaStato(const Value& statoPrecedente);

    void exec(const std::string& sql) { s_.db.execute(sql); }
    // A write nothing in this recording reads back: it goes with the next ones as one batch.
    void execDopo(std::string sql) { s_.db.executeDeferred(std::move(sql), funzione_); }
    bool trova(const std::string& sql) { return primaRiga(s_.db, sql).has_value(); }

    Sistema& s_;
    Value cliente_;
    const char* funzione_;
    int indirizzo_ = 0;
    DateTime oggiD_, oraD_;
    std::string clienteQ_, oggi_, ora_, terminale_, centro_;
    // The card code, cut to the widths of the columns that store it.
    std::string tessera_;     // Presenze.Codice_Tessera
    std::string tesseraBis_;  // Controllo_Fascia_Oraria.Codice_Bis
    int64_t numero_ = 0;      // presence number
    int64_t idEntrata_ = 0;   // stay number, 0 without exit terminals
};

}  // namespace velaris
