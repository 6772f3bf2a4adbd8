#include "processing/dialogo.h"

#include <algorithm>
#include <vector>

#include "base/format.h"
#include "processing/risposte.h"
#include "system/queue.h"
#include "system/terminal_types.h"

namespace velaris {

namespace {

// `Stato_Terminali.Codice_Cliente` holds 20 characters.
constexpr size_t kLarghezzaCodiceStato = 20;

}  // namespace

int Larghezza_Risposta(const Sistema& s, int indirizzo, int stato) {
    switch (stato) {
        // "|MACCHINA:_" at a terminal serving machines: one to three digits.
        case stato::SceltaPrenotazione: return s.registro.conSub(indirizzo) ? 3 : 0;
        case stato::AttesaAttivita: return 6;  // "|ATTIVITA':______"
        case stato::AttesaConferma: return 1;  // "1 PER CONFERMA|0 PER ANNULLARE"
        case stato::SceltaAttivazione: return 1;    // "SCELTA:_"
        default: return 0;
    }
}

bool Risposta_Adatta(const std::string& codice, int larghezza) {
    if (codice.empty() || codice.size() > static_cast<size_t>(larghezza)) return false;
    return std::all_of(codice.begin(), codice.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void Segui_Dialogo(Sistema& s, int indirizzo, int stato) {
    if (Larghezza_Risposta(s, indirizzo, stato) > 0) s.dialoghi.apri(indirizzo, s.clock.now());
    else s.dialoghi.chiudi(indirizzo);
}

void Uscita_Dialogo(Sistema& s, Messaggio& m) {
    const int indirizzo = s.corrente.Indirizzo_Corrente;
    const int larghezza = Larghezza_Risposta(s, indirizzo, m.Stato);
    if (larghezza == 0) return;
    const auto armato = s.dialoghi.scadenze.find(indirizzo);
    const bool scaduto = armato != s.dialoghi.scadenze.end() && s.clock.now() > armato->second;
    if (!scaduto && Risposta_Adatta(m.Codice_Letto, larghezza)) return;
    if (scaduto) {
        s.log.timed("Terminal " + std::to_string(indirizzo) + ": the dialogue in state " + std::to_string(m.Stato) +
                    " had expired, the read is processed as a new one");
    } else if (tipo::conDisplay(s.corrente.Tipo_Corrente)) {
        // A staff member who typed no machine number is told so; any other dialogue is cancelled.
        accoda(s, indirizzo, m.Stato == stato::SceltaPrenotazione ? "\fNUMERO MACCHINA|ERRATO" : "\fOPERAZIONE|ANNULLATA", 0);
    }
    s.dialoghi.chiudi(indirizzo);
    m.Stato = stato::Pronto;
    m.Codice_Cliente = Value::null();
    m.Importo = Value::null();
    m.MoneyCard = 0;
}

void Scadenza_Dialoghi(Sistema& s) {
    const DateTime adesso = s.clock.now();
    for (int indirizzo : s.dialoghi.scaduti(adesso)) {
        s.dialoghi.chiudi(indirizzo);
        const TerminalRow* t = s.registro.perIndirizzo(indirizzo);
        const int tipoTerminale = t ? static_cast<int>((*t)["Tipo"].toInt()) : 0;
        s.log.timed("Terminal " + std::to_string(indirizzo) + ": dialogue left unanswered, back to the idle prompt");
        try {
            const std::string a = std::to_string(indirizzo);
            // What the dialogue held (a chosen activity, articles) is dropped with it.
            s.db.execute("DELETE FROM wTmp_ArticoliTerminali  WHERE Indirizzo = " + a);
            int nuovo = Accoda_Prompt_Riposo(s, indirizzo, tipoTerminale, t, rigaOrologio(adesso), 0);
            if (nuovo == 0) nuovo = stato::Pronto;
            s.db.execute("UPDATE Stato_Terminali SET Stato = " + std::to_string(nuovo) +
                         ", Importo = 0, Codice_Cliente = Null, MoneyCard = 0 WHERE Indirizzo = " + a +
                         " AND Messaggio Is Null");
        } catch (const std::exception& e) {
            s.db.logError(e, "Scadenza_Dialoghi");
        }
    }
}

Value Codice_Per_Stato(Sistema& s, const std::string& codice, const char* funzione) {
    return Testo_Colonna(s.db, Value(codice), kLarghezzaCodiceStato, "Stato_Terminali.Codice_Cliente", funzione);
}

}  // namespace velaris
