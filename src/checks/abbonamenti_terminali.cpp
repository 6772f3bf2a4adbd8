#include "checks/abbonamenti_terminali.h"

namespace velaris {

bool codicePersonale(const std::string& codice) {
    const std::string p = codice.substr(0, 2);
    return p == "CO" || p == "IS" || p == "ME" || p == "FI" || p == "OP" || p == "ET";
}

std::string descrizioneStato(const Value& stato) {
    switch (stato.toInt()) {
        case 1: return "ABBONATO";
        case 2: return "OCCASIONALE";
        case 3: return "EX CLIENTE";
        case 4: return "PROSPECT";
        case 5: return "IN RINNOVO";
        default: return "";
    }
}

std::string Descrizione_Modalita(Sistema&, int) { return ""; }
int Verifica_Personale(Sistema&, const Value&) { return 0; }
int Verifica_Abbonamenti_Terminali(Sistema&, const Value&, const Value&, const Value&, const Value&, const Value&,
                                   Value& testoAbbonamento, Value&, Value&) {
    testoAbbonamento = Value("");
    return 0;
}

}  // namespace velaris
