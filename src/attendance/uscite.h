#pragma once
// Ending a stay at an exit terminal: staff passages, the member's stay paired with its
// entry terminals, the latest allowed exit and the out-of-hours rule, the exit row, the
// display record and the exit log. The terminal's answer is the caller's.

#include <cstdint>
#include <string>

#include "system/system.h"

namespace velaris {

struct TipoPersonale;

// `Dettaglio_Terminali.Uscita`: 0 an entry terminal, 1 both directions, any other value
// an exit terminal.
inline constexpr int kUscitaNo = 0;
inline constexpr int kUscitaEntrambe = 1;
inline bool soloUscita(int uscita) { return uscita != kUscitaNo && uscita != kUscitaEntrambe; }

// Exit states, kept for the reply and the log.
enum class StatoUscita { Consentita = 0, FuoriOrario = 1, NonRegistrata = 2, CreditoEsaurito = 3 };

// A read at a terminal whose `Uscita` is set.
struct LetturaUscita {
    std::string Codice;   // owner code, with its two-letter prefix
    std::string Tessera;  // the card read, stripped of its track sentinels
    int Indirizzo = 0;
    DateTime Data;        // day of the read
    DateTime Ora;         // time of day on 1 January 1900
    int Giorno = 1;       // Monday = 1 .. Sunday = 7
};

struct DecisioneUscita {
    enum class Via {
        Entrata,       // not an exit here: the read goes on as an entry
        NonAssegnato,  // a staff code that no staff table holds
        Personale,     // a staff member leaves
        Cliente,       // a member's exit, decided
        Punti,         // the stay is charged in points for its time
        Denaro,        // the stay has no deadline and the terminal charges its time
    };
    Via via = Via::Cliente;
    StatoUscita stato = StatoUscita::NonRegistrata;
    bool consentita = false;  // the gate opens
};

// `Salva_Uscita` without the terminal's answer: `decidi` judges the read (and takes no
// action), `addebita` charges the time of a stay decided for points or the money card,
// `registra` writes the rows of the decision, `datiAccessi` and `logEntrate` the display
// record and the exit log. Database errors are raised to the caller.
class Uscita {
public:
    Uscita(Sistema& s, const LetturaUscita& l);

    DecisioneUscita decidi();
    // For `Via::Punti` and `Via::Denaro`: the stay's time, from its entry to this read,
    // debited once. Nothing due lets the member out; a credit that does not cover the
    // whole charge leaves it untouched and refuses the exit (credit exhausted); a stay
    // closed meanwhile by another workstation is not charged (no entry recorded). The
    // caller holds the transaction that commits the debit with the exit's rows, and rolls
    // it back unless the exit is allowed.
    DecisioneUscita addebita();
    void registra();
    void datiAccessi();
    void logEntrate();


private:
    DecisioneUscita personale();
    bool stessoTerminale();
    void soggiorno();
    void accompagnamento();
    void decisione();
    void tariffa();
    void registraPersonale();
    void registraCliente();
    void anagrafica();
    std::string esito() const;
    Value strutturaSoggiorno() const;
    DateTime momento(const DateTime& giorno, const Value& ora) const;

    Sistema& s_;
    LetturaUscita l_;
    const TerminalRow* t_ = nullptr;
    std::string cliente_, data_, ora_, terminale_, tessera_;
    std::string abbinate_;  // " AND IndTerminale IN (...)" when the exit is paired, else ""
    DecisioneUscita d_;
    // Staff.
    const TipoPersonale* tipo_ = nullptr;
    Value cognome_, nome_, indirizzo_, statoCliente_, foto_, consulente_;
    bool letta_ = false;
    bool entraPersonale_ = false;
    bool registroAggiornato_ = false;
    // The stay.
    bool trovato_ = false;
    int64_t idRiga_ = 0, idEntrata_ = 0, idPresenza_ = 0, punti_ = 0;
    int indTerminale_ = 0;  // the stay's entry terminal
    Value aOre_, dataPresenza_, oraPresenza_;
};

}  // namespace velaris
