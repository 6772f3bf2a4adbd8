#pragma once
// Results of the entitlement checks shared between message processing and the checks:
// the verdict flags and the irregularity table of the member under examination.

#include <array>
#include <string>

#include "base/value.h"

namespace velaris {

// What the staff-card path decided: the reply and the display record are built from it.
struct EsitoPersonale {
    bool Ammesso = false;
    Value Codice;
    Value Cognome, Nome, Foto;
    std::string Ruolo;           // "ISTRUTTORE", "MEDICO", ...
    std::string Testo_Display;   // "INGRESSO CONSENTITO", "ENTRATA PERSONALE INTERNO", ...
    std::string Testo_Terminale; // "ENTRATA|REGISTRATA" or "USCITA|REGISTRATA" when a passage was recorded
    Value Data, Ora;             // the moment of the read
};

// Irregularity codes with a meaning of their own (the others are fee modalities); the
// same numbers select the matching NoEntry flag of the settings.
namespace irregolarita {
inline constexpr int NonAbilitato = 10;  // no valid entitlement (at an activity terminal: out of hours)
inline constexpr int Sospeso = 12;       // membership suspended
inline constexpr int NoIngressi = 16;    // no subscription or add-on to enter on
}  // namespace irregolarita

struct EsitiVerifica {
    bool Flag_NonAbilitato = false;
    bool Flag_Irregolare = false;
    std::array<Value, 23> Irregolarita{};  // by fee modality 0..22; slot 10: no valid subscription
    bool EsitoT_FuoriOrario = false;
    bool EsitoT_Sospeso = false;
    // Set by the member check of a facility terminal for the reply and the display.
    bool Messaggio_Bloccante = false;   // an unread blocking message refused the entry
    bool Messaggio_Cliente = false;     // an unread message to show, not blocking
    bool Foto_Mancante = false;         // refused for want of a photograph
    bool NoEntry_Abbonamento = false;   // no usable entitlement and NoEntry10 refuses it
    EsitoPersonale Personale;           // set when the staff path handled the card
};

}  // namespace velaris
