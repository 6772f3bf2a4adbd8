#include "checks/festivi.h"

namespace velaris {

bool Giorno_Festivo(Sistema& s, int modo, const Value& data, const Value& codiceArea, const Value& ora) {
    bool festivo = false;
    try {
        const std::string d = Data_SqlQ(data);
        {
            // Asked by several checks of one read: once per read.
            auto rs = s.db.openOncePerRead("SELECT TOP 1 ID_Festivita  FROM Tabella_Festivi  WHERE ID_Festivita=" + d +
                                " AND Club_Open=0");
            festivo = !rs->eof();
        }
        if (!festivo) {
            auto rs = s.db.openOncePerRead("SELECT TOP 1 ID_Periodo  FROM Periodi_Esclusi  WHERE Inizio_Periodo<=" + d +
                                " AND Fine_Periodo>=" + d);
            festivo = !rs->eof();
        }
        if (!festivo && modo == 1) {
            const auto giorno = data.toDate();
            if (!giorno) return false;
            const std::string o = Ora_SqlQ(ora);
            auto rs = s.db.open("SELECT TOP 1 ID, Motivo  FROM Periodi_NonPrenotabili  WHERE (Codice=" +
                                CChrQ(codiceArea) + " OR Codice='00000') AND (GiornoSettimana=0 OR GiornoSettimana=" +
                                Num_SqlQ(Value(giorno->weekdayMonday1())) + ") AND Data_Inizio<=" + d +
                                " AND Data_Fine>=" + d + " AND Ora_Inizio<=" + o + " AND Ora_Fine>" + o);
            festivo = !rs->eof();
        }
    } catch (const std::exception& e) {
        // A failure must never switch the checks to the holiday bands.
        s.db.logError(e, "Giorno_Festivo");
        return false;
    }
    return festivo;
}

}  // namespace velaris
