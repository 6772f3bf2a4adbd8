#include "attendance/scadenze_fisse.h"

#include "attendance/presenze.h"

namespace velaris {

std::optional<int64_t> Salva_Presenza_ScadenzeFisse(Sistema& s, const Value& cliente, int indirizzo) {
    static constexpr const char* F = "Ingresso_ScadenzeFisse";
    const auto numero = Preleva_Numero_Presenza(s, LockPolicy{}, F);
    if (!numero) return std::nullopt;
    const DateTime adesso = s.clock.now();
    if (!s.db.tryExecute("INSERT INTO Presenze (ID_Presenza,Codice_Cliente, Data_Presenza, Ora_Presenza, Fuori_Orario, "
                         "Iscrizione_Scaduta, Ex_Terminali, Codice_Centro, IndTerminale, Codice_Tessera, Note_Tessera) "
                         "VALUES (" + Num_SqlQ(Value(static_cast<long long>(*numero))) + ", " + CChrQ(cliente) + ", " +
                             Data_SqlQ(Value(adesso.datePart())) + ", " + Ora_SqlQ(Value(adesso.timeOnDay1900())) +
                             ", 0, 0, 0, " + CChrQ(s.corrente.Codice_Centro_Corrente) + ", " +
                             Num_SqlQ(Value(indirizzo)) + ", " + CChrQ_Colonna(s.db, Value(s.lettura.Tessera_Letta), 30, "Presenze.Codice_Tessera", F) + ", " +
                             CChrQ(Value(s.lettura.Note_Tessera_Letta)) + ") ",
                         F))
        return std::nullopt;
    return numero;
}

}  // namespace velaris
