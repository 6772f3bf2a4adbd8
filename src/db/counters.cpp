#include "db/counters.h"

#include <thread>

#include "base/workstation.h"
#include "db/settings.h"

namespace velaris {

Value Num_Contatore(Database& db, int selector, const Value& type) {
    if (Nullo_Vuoto(type)) return Value::null();
    try {
        std::string sql = selector == 1 ? "SELECT Contatore AS NumCont " : "SELECT ContatoreN AS NumCont ";
        sql += "FROM Contatori WHERE Cd_Tipo =" + Num_SqlQ(type);
        auto rs = db.open(sql);
        if (rs->eof()) return Value::null();
        return rs->field("NumCont");
    } catch (const std::exception& e) {
        db.logError(e, "Num_Contatore");
        return Value::null();
    }
}

Value Postazione::Info_Postazione(int reload, int index) {
    if (index < 0 || index >= static_cast<int>(slots_.size()))
        throw DbError(9, "Subscript out of range");
    Value& slot = slots_[static_cast<size_t>(index)];
    if (Nullo_Vuoto(slot) || reload == 1) {
        if (index == 1 || index == 3) slot = ShowInfo(index);
        else if (index == 2) slot = DLookUpQ(db_, "Codice_Operatore", "Permessi_Utenti", "InUse<>0");
    }
    return slot;
}

bool Semaforo(Database& db, Postazione& postazione, const Value& lockNumber, bool take, const LockPolicy& policy) {
    std::string sql;
    try {
        if (take) {
            // Host and user names are the system's: fitted to the columns.
            sql = "INSERT INTO Semafori (Cd_Semaforo, UserName, HostName) SELECT " + Num_SqlQ(lockNumber) + "," +
                  CChrQ_Colonna(db, postazione.Info_Postazione(0, 2), 50, "Semafori.UserName", "Semaforo") + "," +
                  CChrQ_Colonna(db, postazione.Info_Postazione(0, 1), 50, "Semafori.HostName", "Semaforo");
        } else {
            sql = "DELETE FROM Semafori WHERE Cd_Semaforo = " + Num_SqlQ(lockNumber);
        }
    } catch (const std::exception& e) {
        db.logError(e, "Semaforo");
        return false;
    }
    const int attempts = std::max(1, policy.maxAttempts);
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        try {
            db.execute(sql);  // the unique key on Cd_Semaforo lets exactly one taker succeed
            return true;
        } catch (const std::exception&) {
            // Held by another workstation (or the database is busy): wait and try again.
        }
        if (attempt < attempts) {
            if (policy.sleep) policy.sleep(policy.pause);
            else std::this_thread::sleep_for(policy.pause);
        }
    }
    db.log().error(0,
                   std::string(take ? "Lock " : "Release of lock ") + lockNumber.toText() + " failed after " +
                       std::to_string(attempts) + " attempts",
                   "Semaforo");
    return false;
}

Value Stato_Cliente(Database& db, Settings& settings, const Clock& clock, const Value& memberCode) {
    if (Nullo_Vuoto(memberCode)) return Value();
    try {
        const DateTime today = clock.today();
        const int64_t days = ZeroSeNullo(settings.Leggi_Impostazione(4));
        auto rs = db.open("exec Stato_Cliente 1, " + CChrQ(memberCode) + ", " + Data_SqlQ_SP(Value(today)) + ", " +
                          Data_SqlQ_SP(Value(today.addDays(-days))));
        if (rs->eof()) return Value();
        return rs->field(0);
    } catch (const std::exception& e) {
        db.logError(e, "Stato_Cliente");
        return Value();
    }
}

}  // namespace velaris
