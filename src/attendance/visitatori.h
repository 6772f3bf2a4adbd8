#pragma once
// Visitors: a visitor card opens (or restarts) a visit at an entrance and closes it at an
// exit within the card's maximum stay, after which the card is free for the next visitor;
// an overstay is marked and left to the desk. The terminal's answer is the caller's.

#include <cstdint>
#include <string>

#include "system/system.h"

namespace velaris {

struct LetturaVisitatore {
    std::string Codice;   // visitor code ("VR...")
    std::string Tessera;  // the card read, stripped of its track sentinels
    int Indirizzo = 0;
    DateTime Data;        // day of the read
    DateTime Ora;         // time of day on 1 January 1900
};

enum class EsitoVisita {
    Ingresso,      // a visit opened or restarted
    Uscita,        // a visit closed in time
    FuoriOrario,   // overstay: refused, the visit marked and left open
    SenzaVisita,   // an exit without an open visit: refused
    NonAssegnato,  // no visitor holds the code: refused
};

// `Verifica_Ingresso_Visitatori` without the terminal's answer. Database errors are raised
// to the caller.
class Visitatore {
public:
    Visitatore(Sistema& s, const LetturaVisitatore& l);

    EsitoVisita decidi();
    void registra();
    void datiAccessi();
    void logEntrate();

    bool consentita() const { return esito_ == EsitoVisita::Ingresso || esito_ == EsitoVisita::Uscita; }

private:
    bool anagrafica();
    void permanenza();
    bool esterna();
    void visitaAperta();
    bool uscita();
    std::string testo() const;

    Sistema& s_;
    LetturaVisitatore l_;
    const TerminalRow* t_ = nullptr;
    std::string visitatore_, oggi_, ora_;
    EsitoVisita esito_ = EsitoVisita::NonAssegnato;
    Value cognome_, nome_, indirizzo_;
    int64_t maxPermanenza_ = 0;  // minutes; 0 without limit
    int64_t idVisita_ = 0;       // the open visit, 0 when none
    DateTime entrata_;           // when the open visit began
    DateTime limite_;            // the latest exit of a limited visit
};

}  // namespace velaris
