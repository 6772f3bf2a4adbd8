#pragma once
// The member steps both subscription checks share (at a facility's terminal and at a
// general entrance): the member record and last attendance, the renewal flag, the member's
// summary on the terminal's state row, fee arrears and irregularity kinds, messages, the
// photograph rule, the member's own control setting, the day and time bands of an
// entitlement and the irregularity text of the display.

#include <cstdint>
#include <string>

#include "system/system.h"

namespace velaris {

struct SchedaCliente {
    Value Codice;
    std::string q;  // the code as a literal
    Value Cognome, Nome, Indirizzo, Stato, Foto, Codice_Consulente, Fido_Cliente, Controlli_Cliente,
        Data_Registrazione, Note_Accessi;
    Value Data_Ultima_Entrata, Ora_Ultima_Entrata;
    int64_t controlli() const { return ZeroSeNullo(Controlli_Cliente); }
};

// The last attendance and the member record of `codice`. False, with a log line under
// `funzione`, when the centre does not know the member (who is never admitted).
bool Leggi_Cliente(Sistema& s, const Value& codice, SchedaCliente& c, const char* funzione);

// 1 when the member has a future subscription (`Q_ClientiFuturi`), else 0.
Value Rinnovo_Cliente(Sistema& s, const SchedaCliente& c);

// The member's name and subscription summary on the terminal's state row (not on its
// queued messages); the summary is cut to its 100-character column.
void Sommario_Stato(Sistema& s, int indirizzo, const SchedaCliente& c, const std::string& sommario,
                    const Value& scadenza, const Value& rinnovo);

// Overdue fees. `irregolare`: the member is irregular (with credit, renewals and instalments
// alone, or credit in use beyond the member's credit line); `altriScaduti`: fees other than
// renewals are overdue (the display's light). `scaduti` is the overdue condition.
struct Morosita {
    bool irregolare = false;
    bool altriScaduti = false;
};
Morosita Verifica_Morosita(Sistema& s, const SchedaCliente& c, const std::string& scaduti);

// Marks in s.esiti.Irregolarita every fee modality the member has on the books.
void Segna_Irregolarita(Sistema& s, const SchedaCliente& c);

// Unread messages of today or before: a blocking one refuses the entry.
struct Messaggi {
    bool bloccante = false;
    bool avviso = false;
};
Messaggi Messaggi_Cliente(Sistema& s, const SchedaCliente& c, const std::string& oggi);

// The photograph rule: true when the member has no photograph (blank, or a file that does
// not exist, which is then cleared from `c.Foto`) and the centre asks for one, except on
// the day of registration.
bool Foto_Mancante(Sistema& s, SchedaCliente& c, const DateTime& oggi);

// The member's own control setting (`Controlli_Cliente`): admitted whatever the arrears
// and messages, or always refused; any other value lets the reasons decide.
inline constexpr int64_t kControlli_Ammetti = 2;
inline constexpr int64_t kControlli_Rifiuta = 3;

// The member's own control setting decides over the reasons; otherwise the member is
// refused for `motivo` or a blocking message.
bool Ammesso_Controlli(int64_t controlli, bool motivo, bool bloccante);

// Day and time bands of an entitlement (a subscription type, or a package code read in its
// place): true when it has no bands of a kind or one of them holds `ora`.
bool Fasce_Abbonamento_Valide(Sistema& s, const Value& codice, int giorno, bool festivo, const Value& anticipoPren,
                              const DateTime& ora);

// The irregularity list of the display: the member's fee rows copied to
// `wTmp_Presenze_Irregolarita`, the texts of their modalities joined with " - ".
std::string Testo_Irregolarita(Sistema& s, const SchedaCliente& c);

}  // namespace velaris
