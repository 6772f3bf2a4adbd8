#pragma once
// Tickets: entries sold with a validity, a number of entries, time rules and a set of
// terminals. A read enters on the first ticket of its code that passes every test, and
// the entry is recorded; at an exit the ticket's stay is closed. The terminal's answer is
// the caller's.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "system/system.h"

namespace velaris {

// A read judged on tickets.
struct LetturaBiglietto {
    std::string Codice;   // the code read, stripped of its track sentinels
    int Indirizzo = 0;
    DateTime Data;        // day of the read
    DateTime Ora;         // time of day on 1 January 1900
    int Giorno = 1;       // Monday = 1 .. Sunday = 7
    std::string Note;     // note of an additional card, for the visit row
};

// One ticket sold, with its type.
struct Biglietto {
    int64_t ID = 0;
    Value Codice_Biglietto, Data_Acquisto, Data_Inizio, Codice_Struttura, DesBiglietto;
    int64_t Sedute = 0, SeduteFatte = 0, Accessi_Multipli = 0, Utilizzo_AltriGiorni = 0, Tipo_Gestione = 0;
    Value Ingresso_Da, Ingresso_A, Tempo_Permanenza;
};

// `Verifica_Biglietti` without the terminal's answer. Database errors are raised to the
// caller; the presence number is drawn (and its lock released) by the recording itself.
class Biglietti {
public:
    Biglietti(Sistema& s, const LetturaBiglietto& l);

    // Entry: true when a ticket of the code passes every test (it becomes the chosen one).
    bool ammetti();
    // The admitted entry's rows; false when no presence number could be drawn.
    bool registraIngresso();

    // Exit: true when a ticket of the code has an open stay (it becomes the chosen one).
    bool trovaUscita();
    // The open stay's deadline is not past (or there is none).
    bool uscitaConsentita() const;
    void registraUscita();

    void datiAccessi(bool uscita, bool consentito);

    // The card code as the customer columns hold it (cut to their width, once, with a log line).
    const std::string& codiceCliente();

private:
    std::vector<Biglietto> candidati(bool soloValidi);
    bool terminali(const Biglietto& b);
    bool giorno(const Biglietto& b) const;
    bool esterna();
    bool ripetuti(const Biglietto& b);
    bool orario(const Biglietto& b);
    bool passBack(const Biglietto& b);
    bool entrataOggi(const Biglietto& b, const std::string& terminale);
    int64_t conta(const std::string& sql, std::string_view colonna = {});

    Sistema& s_;
    LetturaBiglietto l_;
    std::string codice_, oggi_, ora_, terminale_;
    std::optional<bool> esterna_;
    std::optional<std::string> cliente_;  // the code as the customer columns hold it
    Biglietto scelto_;
    bool conta_ = false;  // the entry counts one of the ticket's entries
    Value stayPresenza_, stayAOre_, stayData_;
};

}  // namespace velaris
