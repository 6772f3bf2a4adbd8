#include "db/counters.h"

#include <thread>

#include "base/workstation.h"
#include "db/settings.h"

namespace velaris {

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

namespace {

// A release done late removes only this workstation's row: the take it follows may never
// have reached the database, and the lock may be another workstation's by now.
bool eseguiRilascio(Database& db, Postazione& postazione, int64_t numero) {
    try {
        db.execute("DELETE FROM Semafori WHERE Cd_Semaforo = " + Num_SqlQ(Value(numero)) + " AND HostName = " +
                   CChrQ_Colonna(db, postazione.Info_Postazione(0, 1), 50, "Semafori.HostName", "Semaforo"));
        return true;
    } catch (const std::exception& e) {
        db.logError(e, "Semaforo");
        return false;
    }
}

std::string testoRilascio(int64_t numero) { return "Release of lock " + std::to_string(numero); }

}  // namespace

bool Rilascia_Semafori_Sospesi(Database& db, Postazione& postazione) {
    for (auto it = postazione.rilasciSospesi.begin(); it != postazione.rilasciSospesi.end();) {
        if (!eseguiRilascio(db, postazione, *it)) return false;
        db.log().error(0, testoRilascio(*it) + " done late", "Semaforo");
        it = postazione.rilasciSospesi.erase(it);
    }
    return true;
}

bool Semaforo(Database& db, Postazione& postazione, const Value& lockNumber, bool take, const LockPolicy& policy) {
    std::string sql;
    int64_t numero = 0;
    try {
        numero = lockNumber.toInt();
        if (take) {
            // A release of the same lock that failed earlier goes first: the row would
            // otherwise be ours and block us.
            if (postazione.rilasciSospesi.count(numero)) {
                if (!eseguiRilascio(db, postazione, numero)) return false;
                postazione.rilasciSospesi.erase(numero);
            }
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
            if (!take) postazione.rilasciSospesi.erase(numero);
            return true;
        } catch (const DbError& e) {
            if (e.outage()) {
                // The database is held or gone: waiting here would only add time-outs. A
                // take whose link broke may have reached the database, so its row is
                // released later like a release that failed.
                db.logError(e, "Semaforo");
                if (!take || e.fault() == DbFault::LinkLost) postazione.rilasciSospesi.insert(numero);
                return false;
            }
            // Held by another workstation: wait and try again.
        } catch (const std::exception&) {
        }
        if (attempt < attempts) {
            if (policy.sleep) policy.sleep(policy.pause);
            else std::this_thread::sleep_for(policy.pause);
        }
    }
    if (!take) postazione.rilasciSospesi.insert(numero);
    db.log().error(0,
                   std::string(take ? "Lock " : "Release of lock ") + lockNumber.toText() + " failed after " +
                       std::to_string(attempts) + " attempts",
                   "Semaforo");
    return false;
}

int Pulisci_Semafori_Postazione(Database& db, Postazione& postazione) {
    const Value host = postazione.Info_Postazione(0, 1);
    if (Nullo_Vuoto(host)) return 0;  // without a name the rows cannot be told apart
    const std::string where = " WHERE HostName = " + CChrQ(host);
    std::string numeri;
    int n = 0;
    try {
        {
            auto rs = db.open("SELECT Cd_Semaforo FROM Semafori" + where + " ORDER BY Cd_Semaforo");
            for (; !rs->eof(); rs->moveNext(), ++n) numeri += (n ? ", " : "") + rs->field(0).toText();
        }
        if (n == 0) return 0;
        db.execute("DELETE FROM Semafori" + where);
    } catch (const std::exception& e) {
        db.logError(e, "Pulisci_Semafori_Postazione");
        return 0;
    }
    db.log().timed("Lock rows left behind by workstation " + host.toText() + " removed: " + numeri);
    return n;
}

void SorveglianzaSemafori::controlla(Database& db, Postazione& postazione, const DateTime& now) {
    if (ultimaVolta_ && now.seconds() - ultimaVolta_->seconds() < kOgni && now >= *ultimaVolta_) return;
    ultimaVolta_ = now;
    const std::string io = postazione.Info_Postazione(0, 1).toText();
    std::map<std::string, Visto> ancora;
    try {
        auto rs = db.open("SELECT Cd_Semaforo, UserName, HostName FROM Semafori ORDER BY Cd_Semaforo");
        for (; !rs->eof(); rs->moveNext()) {
            const std::string numero = rs->field(0).toText();
            const std::string utente = rs->field(1).isNullOrEmpty() ? std::string() : rs->field(1).toText();
            const std::string host = rs->field(2).isNullOrEmpty() ? std::string() : rs->field(2).toText();
            if (sameName(host, io)) continue;  // ours: released by this process
            const std::string chiave = numero + "|" + utente + "|" + host;
            Visto v;
            if (auto it = visti_.find(chiave); it != visti_.end()) v = it->second;
            else v.da = now;
            const bool dovuto = (now.seconds() - v.da.seconds()) >= kTroppoAPiu &&
                                (!v.segnalato || (now.seconds() - v.segnalato->seconds()) >= kTroppoAPiu);
            if (dovuto) {
                db.log().timed("Lock " + numero + " held by workstation " + (host.empty() ? "?" : host) + " (user " +
                               (utente.empty() ? "?" : utente) + ") for " + std::to_string((now.seconds() - v.da.seconds()) / 60) +
                               " min: numbers that need it cannot be drawn");
                v.segnalato = now;
            }
            ancora.emplace(chiave, v);
        }
    } catch (const std::exception& e) {
        db.logError(e, "SorveglianzaSemafori");
        return;
    }
    visti_ = std::move(ancora);
}

Value Stato_Cliente(Database& db, Settings& settings, const Clock& clock, const Value& memberCode) {
    if (Nullo_Vuoto(memberCode)) return Value();
    try {
        const DateTime today = clock.today();
        const int64_t days = ZeroSeNullo(settings.Leggi_Impostazione(impostazione::Giorni_Sospensione));
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
