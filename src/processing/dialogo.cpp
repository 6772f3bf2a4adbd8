#include "processing/dialogo.h"

#include <algorithm>
#include <vector>

#include "app/format.h"
#include "processing/risposte.h"
#include "terminals/queue.h"

namespace velaris {

namespace {

// `Stato_Terminali.Codice_Cliente` holds 20 characters.
constexpr size_t kLarghezzaCodiceStato = 20;

bool statoRiposo(int stato) { return stato == 1 || stato == 2; }

}  // namespace

int Larghezza_Risposta(int stato) {
    switch (stato) {
        case kStatoMacchina: return 3;   // "|MACCHINA:_": machine numbers of one to three digits
        case kStatoAttivita: return 6;   // "|ATTIVITA':______"
        case kStatoConferma: return 1;   // "1 PER CONFERMA|0 PER ANNULLARE"
        case kStatoScelta: return 1;     // "SCELTA:_"
        default: return 0;
    }
}

bool Risposta_Adatta(const std::string& codice, int larghezza) {
    if (codice.empty() || codice.size() > static_cast<size_t>(larghezza)) return false;
    return std::all_of(codice.begin(), codice.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void Avvia_Dialogo(Sistema& s, int indirizzo) {
    s.dialoghi.scadenze[indirizzo] = s.clock.now().addSeconds(kSecondiDialogo);
}

void Chiudi_Dialogo(Sistema& s, int indirizzo) { s.dialoghi.scadenze.erase(indirizzo); }

void Segui_Dialogo(Sistema& s, int indirizzo, int stato) {
    if (Larghezza_Risposta(stato) > 0) Avvia_Dialogo(s, indirizzo);
    else Chiudi_Dialogo(s, indirizzo);
}

bool Dialogo_Scaduto(const Sistema& s, int indirizzo) {
    const auto it = s.dialoghi.scadenze.find(indirizzo);
    return it != s.dialoghi.scadenze.end() && it->second <= s.clock.now();
}

void Uscita_Dialogo(Sistema& s, Messaggio& m) {
    const int indirizzo = s.corrente.Indirizzo_Corrente;
    const bool scaduto = Dialogo_Scaduto(s, indirizzo);
    if (statoRiposo(m.Stato)) {
        if (scaduto) Chiudi_Dialogo(s, indirizzo);  // another program has already reset the terminal
        return;
    }
    const int larghezza = Larghezza_Risposta(m.Stato);
    const bool adatta = larghezza == 0 || Risposta_Adatta(m.Codice_Letto, larghezza);
    if (!scaduto && adatta) return;
    if (scaduto) {
        s.log.timed("Terminal " + std::to_string(indirizzo) + ": the dialogue in state " + std::to_string(m.Stato) +
                    " had expired, the read is processed as a new one");
    } else if (tipoConDisplay(s.corrente.Tipo_Corrente)) {
        // A staff member who typed no machine number is told so; any other dialogue is cancelled.
        accoda(s, indirizzo, m.Stato == kStatoMacchina ? "\fNUMERO MACCHINA|ERRATO" : "\fOPERAZIONE|ANNULLATA", 0);
    }
    Chiudi_Dialogo(s, indirizzo);
    m.Stato = 2;
    m.Codice_Cliente = Value::null();
    m.Importo = Value::null();
    m.MoneyCard = 0;
}

void Scadenza_Dialoghi(Sistema& s) {
    if (s.dialoghi.scadenze.empty()) return;
    const DateTime adesso = s.clock.now();
    std::vector<int> scaduti;
    for (const auto& [indirizzo, scadenza] : s.dialoghi.scadenze)
        if (scadenza <= adesso) scaduti.push_back(indirizzo);
    for (int indirizzo : scaduti) {
        Chiudi_Dialogo(s, indirizzo);
        const TerminalRow* t = s.registro.perIndirizzo(indirizzo);
        const int tipo = t ? static_cast<int>((*t)["Tipo"].toInt()) : 0;
        int stato = Accoda_Prompt_Riposo(s, indirizzo, tipo, t, rigaOrologio(adesso), 0);
        if (stato == 0) stato = 2;
        s.log.timed("Terminal " + std::to_string(indirizzo) + ": dialogue left unanswered, back to the idle prompt");
        s.db.tryExecute("UPDATE Stato_Terminali SET Stato = " + std::to_string(stato) +
                            ", Codice_Cliente = Null, Importo = Null, MoneyCard = Null WHERE Indirizzo = " +
                            std::to_string(indirizzo) + " AND Messaggio Is Null",
                        "Scadenza_Dialoghi");
    }
}

Value Codice_Per_Stato(Sistema& s, const std::string& codice, const char* funzione) {
    size_t caratteri = 0, fine = 0;
    for (size_t i = 0; i < codice.size(); ++i) {
        if ((static_cast<unsigned char>(codice[i]) & 0xC0) == 0x80) continue;  // inside a character
        if (++caratteri > kLarghezzaCodiceStato) break;
        fine = i + 1;
        while (fine < codice.size() && (static_cast<unsigned char>(codice[fine]) & 0xC0) == 0x80) ++fine;
    }
    if (caratteri <= kLarghezzaCodiceStato) return Value(codice);
    s.log.timed(std::string(funzione) + ": a code longer than " + std::to_string(kLarghezzaCodiceStato) +
                " characters is kept cut in the terminal's state row");
    return Value(codice.substr(0, fine));
}

}  // namespace velaris
