#pragma once
// The tariff rows of a terminal (`Dettaglio_Terminali_Punti`) in force on a weekday and at
// a time: shared by the money-card prices, the points charges and the exit charges.

#include <string>

#include "base/value.h"

namespace velaris {

// "SELECT TOP 1 <colonne> FROM ... WHERE Tipo=<tipo> AND <terminale> AND DDSettimana=<giorno>
// AND Fascia_Ini<=<ora> AND Fascia_Fin>=<ora> AND valid on <oggi> <altro> ORDER BY
// Data_Validita DESC": the newest valid row of the band, ties broken by the newest row.
// `terminale` is the condition naming the terminal ("Dettaglio_Terminali.Indirizzo=3").
std::string istruzioneTariffa(int tipo, const std::string& colonne, const std::string& terminale, int giorno,
                              const DateTime& ora, const DateTime& oggi, const std::string& altro = {},
                              bool primo = true);

}  // namespace velaris
