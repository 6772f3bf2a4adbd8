#include "checks/scadenze_fisse.h"

#include <array>

#include "db/setting_slots.h"

namespace velaris {

namespace {

// Setting slots of the grace days of fee kinds 1 to 6.
constexpr std::array<int, 6> kTolleranzeScadenze = {impostazione::Tolleranza1,  impostazione::Tolleranza2,
                                                    impostazione::Tolleranza11, impostazione::Tolleranza16,
                                                    impostazione::Tolleranza17, impostazione::Tolleranza18};

}  // namespace

std::optional<int> Verifica_ScadenzeFisse(Sistema& s, const std::string& cliente, const DateTime& oggi) {
    std::string sql = "SELECT TOP 1 Tabella_ScadenzeFisse.Tipo_Scadenza  FROM AnagraficaC_Clienti INNER JOIN "
                      "Tabella_ScadenzeFisse ON AnagraficaC_Clienti.Tipo_Certificato=Tabella_ScadenzeFisse.Tipo_Scadenza  "
                      "WHERE Tabella_ScadenzeFisse.Ingresso<>0 AND AnagraficaC_Clienti.Codice_Cliente=" +
                      CChrQ(Value(cliente)) + " AND AnagraficaC_Clienti.Pagato<>0 AND " + Data_SqlQ(Value(oggi)) +
                      " BETWEEN AnagraficaC_Clienti.Data_Rinnovo AND  CASE Tabella_ScadenzeFisse.Tipo_Scadenza ";
    for (size_t i = 0; i < kTolleranzeScadenze.size(); ++i)
        sql += " WHEN " + std::to_string(i + 1) + " THEN DATEADD(day," +
               Num_SqlQ(Value(static_cast<long long>(ZeroSeNullo(s.settings.slot(kTolleranzeScadenze[i]))))) +
               ", AnagraficaC_Clienti.Data_Scadenza) ";
    sql += "END";
    auto rs = s.db.open(sql);
    if (rs->eof()) return std::nullopt;
    return static_cast<int>(rs->field(0).toInt());
}

}  // namespace velaris
