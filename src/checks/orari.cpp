#include "checks/orari.h"

namespace velaris {

std::string anticipo(const Value& minuti, const std::string& colonna) {
    return "DATEADD(minute, -" + Num_SqlQ(minuti) + ", " + colonna + ")";
}

std::string condizioneFascia(const Value& minuti, const DateTime& ora) {
    const std::string o = Ora_SqlQ(Value(ora));
    return " And " + anticipo(minuti, "Fascia_Ini") + "<=" + o + " And Fascia_Fin>=" + o;
}

Value Orario_Strutture_Ingresso(Sistema&, const Value&, const Value&, Value&, Value&, const Value& testo) {
    return testo;
}
Value Orario_Corsi_Ingresso(Sistema&, const Value&, const Value&, Value&, Value&, const Value& testo) { return testo; }
Value Orario_Servizi_Ingresso(Sistema&, const Value&, const Value&, Value&, Value&, const Value& testo) {
    return testo;
}

}  // namespace velaris
