#include "system/queue.h"

#include "base/format.h"
#include "system/sender.h"

namespace velaris {

namespace {

constexpr int64_t kSecondsPerDay = 86400;

// Due times are times of day on 1 January 1900. A delay that would carry a message past
// midnight keeps it on the last second of the day instead, so that it still goes out.
DateTime dueTime(const DateTime& base, int64_t delaySeconds) {
    const int64_t second = base.secondOfDay() + delaySeconds;
    const int64_t clamped = std::clamp<int64_t>(second, 0, kSecondsPerDay - 1);
    return DateTime::fromSeconds(2 * kSecondsPerDay + clamped);
}

// The due-row condition. In the first minutes after midnight the rows that fell due
// late the day before are due as well; the time-of-day comparison alone would hold
// them until the same time the next night.
std::string dueCondition(const DateTime& timeOfDay) {
    std::string cond = "Ora_Invio<=" + Ora_SqlQ(Value(timeOfDay));
    if (timeOfDay.secondOfDay() < 5 * 60)
        cond = "(" + cond + " OR Ora_Invio>=" + Ora_SqlQ(Value(DateTime::fromParts(1900, 1, 1, 23, 55, 0))) + ")";
    return cond;
}

void insertMessage(Sistema& s, const Value& address, const Value& message, const DateTime& due, const Value& booking,
                   const Value& subFacility) {
    // Within a read the reply goes out with the read's last writes (see executeDeferred).
    s.db.executeDeferred("INSERT INTO Stato_Terminali (Indirizzo, Messaggio, Ora_Invio, ID_Prenotazione, Cd_SubStruttura)  "
                         "VALUES (" +
                             Num_SqlQ(address) + ", " + CChrQ(message) + "," + Ora_SqlQ(Value(due)) + ", " +
                             Num_SqlQ(booking) + ", " + Num_SqlQ(subFacility) + ")",
                         "Buffer_Terminali");
    if (address.toInt() == s.corrente.Indirizzo_Corrente) s.corrente.Risposto = true;
}

void markSent(Sistema& s, const Value& id) {
    s.db.execute("UPDATE Stato_Terminali SET Inviato=1 WHERE ID=" + Num_SqlQ(id));
}

void drain(Sistema& s) {
    const DateTime now = s.clock.timeKxl();
    // One set-based select: every due message in terminal order, oldest first; the first
    // row of each terminal is the one that goes out in this pass.
    auto rs = s.db.open("SELECT ID, Indirizzo, Inviato, Messaggio, Ora_Invio  FROM Stato_Terminali  WHERE " +
                        dueCondition(now) + " AND Indirizzo > 0 AND Not Messaggio Is Null " + s.registro.soloPropri() +
                        " ORDER BY Indirizzo, ID");
    struct Due { Value id; int address; std::string message; DateTime due; };
    std::vector<Due> batch;
    int last = -1;
    for (; !rs->eof(); rs->moveNext()) {
        const int address = static_cast<int>(rs->field(1).toInt());
        if (address == last) continue;
        last = address;
        batch.push_back({rs->field(0), address, rs->field(3).toText(), rs->field(4).toDate().value_or(now)});
    }
    rs.reset();
    TerminalLink* link = s.link;
    for (Due& d : batch) {
        if (link && !link->readyFor(d.address, d.due, now)) continue;
        const int result = KxSendMsg(s, d.address, d.message, 2);
        if (result != 0 && (!link || link->traits().retriesUndelivered)) continue;
        markSent(s, d.id);
        if (link) link->delivered(d.address);
    }
    s.db.execute("DELETE FROM Stato_Terminali  WHERE Inviato <> 0 " + s.registro.soloPropri());
}

void refreshPrompts(Sistema& s) {
    const std::string riga = rigaOrologio(s.clock.now());
    auto rs = s.db.open("SELECT DISTINCT Indirizzo, Tipo, Stato  FROM Stato_Terminali  WHERE Stato In(1,2) AND Tipo In(1,2) " +
                        s.registro.soloPropri());
    struct Row { int address; int state; };
    std::vector<Row> rows;
    for (; !rs->eof(); rs->moveNext())
        rows.push_back({static_cast<int>(rs->field(0).toInt()), static_cast<int>(rs->field(2).toInt())});
    rs.reset();
    for (const Row& r : rows) {
        std::string prompt = "\f" + riga + (r.state == 1 ? "|SBLOCCO:____" : "|CODICE:_______");
        KxSendMsg(s, r.address, prompt, 0);
    }
}

}  // namespace

void Buffer_Terminali(Sistema& s, ModoCoda mode, const Value& address, const Value& message, const Value& delay,
                      Value* baseTime, const Value& booking, const Value& subFacility) {
    try {
        switch (mode) {
            case ModoCoda::Invia: {
                if (s.drenaggioInCorso) break;
                s.drenaggioInCorso = true;
                struct Reset { bool& f; ~Reset() { f = false; } } reset{s.drenaggioInCorso};
                drain(s);
                break;
            }
            case ModoCoda::Aggiorna: refreshPrompts(s); break;
            case ModoCoda::Accoda: {
                DateTime base = s.clock.timeKxl();
                if (baseTime && !Nullo_Vuoto(*baseTime)) {
                    auto d = baseTime->toDate();
                    if (!d) throw DbError(13, "Type mismatch");
                    base = *d;
                }
                const int64_t seconds = delay.isEmpty() ? 0 : roundHalfEven(delay.toDouble());
                insertMessage(s, address, message, dueTime(base, seconds), booking, subFacility);
                break;
            }
            case ModoCoda::AccodaDopo: {
                DateTime due = s.clock.timeKxl();
                auto rs = s.db.open("SELECT TOP 1 Ora_Invio  FROM Stato_Terminali  WHERE Indirizzo=" + Num_SqlQ(address) +
                                    " AND Not Messaggio Is Null  ORDER BY ID DESC");
                if (!rs->eof()) {
                    const Value last = rs->field(0);
                    if (auto d = last.toDate()) due = dueTime(*d, 0);
                    if (baseTime) *baseTime = last;
                }
                rs.reset();
                insertMessage(s, address, message, due, booking, subFacility);
                break;
            }
        }
    } catch (const std::exception& e) {
        s.log.timedError(e.what(), "Buffer_Terminali");
    }
}

}  // namespace velaris
