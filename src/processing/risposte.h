#pragma once
// Replies to the terminal: the verdict texts and relay command, the refusal reason, the
// information lines, the display record completion and the marker row that tells the
// desk programs a verdict was given.

#include <string>

#include "db/money.h"
#include "processing/intake.h"

namespace velaris {

// "CREDITO RESIDUO:| 12,50" after an entry paid with the money card or points; with the
// euro sign between blanks where the entrance's money card paid ("CREDITO RESIDUO:| 12,50 € ").
std::string rigaCreditoResiduo(const Money& credito, bool euro = false);

// Terminal types that show texts (keypad displays and HTTP-push screens).
bool tipoConDisplay(int tipo);

// The refusal reason ("FASCIA ORARIA", "NESSUN INGRESSO" or the description of the first
// blocking irregularity of `cliente` in `wTmp_Presenze_Irregolarita`); empty when none.
std::string Motivo_Rifiuto(Sistema& s, const Messaggio& m, const std::string& cliente);

// Answers the terminal for `m.verdetto` on behalf of `cliente`: relay, verdict text,
// information lines, receipt.
void Rispondi_Verdetto(Sistema& s, Messaggio& m, const std::string& cliente);

// Answers the terminal for a staff card judged by the checks (`EsitoPersonale`): verdict
// and passage texts, the gate of an HTTP-push terminal, the display record and its marker.
void Rispondi_Personale(Sistema& s, const EsitoPersonale& p);

// End of a verdict: completes the newest incomplete display record of `codice` when the
// terminal shows details, then writes the address-0 marker row (unless the entries are
// managed elsewhere or the money-card credit was short).
void Fine_Verdetto(Sistema& s, Messaggio& m, const std::string& codice, bool ammesso);

// `Segnale_Acustico`: the workstation beeps `volte` times, 0.6 seconds apart. The beeps are
// queued on the event loop: the read that asks for them goes on at once and never runs
// the loop from inside its own processing while they sound.
void Segnale_Acustico(Sistema& s, int volte);

// `Gestisci_Attivita` of a terminal record: 3 the terminal shows the entries left.
inline constexpr int kGestioneIngressiResidui = 3;

// `Verifica_Ingressi_Residui`: queues the facility's description and the entries left to
// the member on it.
void Verifica_Ingressi_Residui(Sistema& s, Messaggio& m, const std::string& cliente, const Value& struttura);

}  // namespace velaris
