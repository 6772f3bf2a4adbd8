// Card read to verdict: latency (p50, p99) and SQL statements per read on an embedded
// database of 20,000 members, 2,000,000 attendances and as many past exits: members
// admitted at a facility terminal (the pool turnstile) and at the general entrance (the
// main entrance), members leaving through the exit, and day tickets entering and leaving
// (among 200,000 tickets sold before). The reads go through the same path as a read from
// an HTTP-push terminal; only the socket is replaced by an in-memory connection.
#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <sqlite3.h>
#include <unistd.h>

#include "app/links_factory.h"
#include "app/polling.h"
#include "base/event_log.h"
#include "db/schema.h"
#include "db/sqlite_engine.h"
#include "system/registry.h"

using namespace velaris;
using namespace std::chrono;

namespace {

class QuietOperator : public Operatore {
public:
    void messageBox(const std::string& text, Icona) override { std::fprintf(stderr, "box: %s\n", text.c_str()); }
};

// One connection per terminal, always up; what is written is counted and dropped.
class MemoryConnections : public Connessioni {
public:
    int highestIndex() const override { return 3; }
    bool loaded(int i) const override { return i >= 1 && i <= 3; }
    bool connected(int i) const override { return loaded(i); }
    std::string tag(int i) const override { return std::to_string(i); }
    bool send(int, const std::string& wire) override {
        ++writes;
        if (wire.find("relay1=") != std::string::npos) ++opened;
        return true;
    }
    bool written() const override { return true; }
    bool listening() const override { return true; }
    bool listen(std::string&) override { return true; }
    long writes = 0, opened = 0;
};

// Copies the rows of `table` that belong to the template member once per member
// number 1..n, with the given columns rewritten (SQL expressions over n).
void clone(SqliteConnection& c, const std::string& table, const std::string& where,
           const std::map<std::string, std::string>& rewrite, int n) {
    std::vector<std::string> cols;
    {
        // Native SQLite introspection: this is set-up, not a statement of the system.
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(c.handle(), ("SELECT name, type, pk FROM pragma_table_info('" + table + "')").c_str(), -1,
                           &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            const std::string type = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
            if (sqlite3_column_int(st, 2) == 1 && type == "INTEGER") continue;  // assigned by the database
            cols.push_back(name);
        }
        sqlite3_finalize(st);
    }
    std::string list, select;
    for (const auto& col : cols) {
        list += (list.empty() ? "" : ", ") + col;
        auto it = rewrite.find(col);
        select += (select.empty() ? "" : ", ") + (it == rewrite.end() ? col : it->second);
    }
    c.executeNative("WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < " + std::to_string(n) +
                    ") INSERT INTO " + table + " (" + list + ") SELECT " + select + " FROM seq, " + table + " WHERE " +
                    where);
}

// With VELARIS_BENCH_PROFILE set: the statements that cost the most, summed by text.
std::map<std::string, std::pair<double, long>> g_profile;
int profileStatement(unsigned, void*, void* stmt, void* ns) {
    const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(stmt));
    auto& e = g_profile[std::string(sql ? sql : "").substr(0, 160)];
    e.first += static_cast<double>(*static_cast<sqlite3_int64*>(ns)) / 1e6;
    ++e.second;
    return 0;
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(p * static_cast<double>(v.size() - 1))];
}

}  // namespace

int main() {
    constexpr int kMembers = 20000;
    constexpr int kAttendances = 2000000;
    constexpr int kBiglietti = 200000;
    const int kReads = std::getenv("VELARIS_BENCH_READS") ? std::atoi(std::getenv("VELARIS_BENCH_READS")) : 2000;
    const auto dir = std::filesystem::temp_directory_path() / ("velaris-bench-read-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "centro.db").string();

    Clock clock;
    const auto t0 = steady_clock::now();
    createDatabase(path, clock, true);
    {
        SqliteConnection c(path, clock);
        c.executeNative("BEGIN");
        const std::string code = "'CL2' || printf('%05d', n)";
        clone(c, "Anagrafica_Clienti", "Codice_Cliente='CL000001'", {{"Codice_Cliente", code}, {"Codice_Bis", "NULL"}},
              kMembers);
        clone(c, "Gestione_Iscrizioni", "Codice_Cliente='CL000001'",
              {{"Codice_Cliente", code}, {"Codice_Iscrizione", "'IB' || printf('%05d', n)"}}, kMembers);
        clone(c, "Iscrizioni_Strutture", "Codice_Cliente='CL000001'",
              {{"Codice_Cliente", code}, {"Codice_Iscrizione", "'IB' || printf('%05d', n)"}}, kMembers);
        clone(c, "AnagraficaC_Clienti", "Codice_Cliente='CL000001'", {{"Codice_Cliente", code}}, kMembers);
        // Past attendances spread over the last two years.
        c.executeNative("WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < " +
                        std::to_string(kAttendances) +
                        ") INSERT INTO Presenze (ID_Presenza, Codice_Cliente, Data_Presenza, Ora_Presenza, IndTerminale) "
                        "SELECT n, 'CL2' || printf('%05d', n % " + std::to_string(kMembers) +
                        " + 1), strftime('%Y-%m-%d 00:00:00', 'now', 'localtime', '-' || (1 + n % 730) || ' days'), "
                        "'1900-01-01 10:00:00', 2 FROM seq");
        // Past exits, and the tickets sold on earlier days (used up and expired).
        c.executeNative("WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < " +
                        std::to_string(kAttendances) +
                        ") INSERT INTO Gestione_Uscite (Codice_Cliente, Data_Uscita, Ora_Uscita, ID_Entrata, IndTerminale) "
                        "SELECT 'CL2' || printf('%05d', n % " + std::to_string(kMembers) +
                        " + 1), strftime('%Y-%m-%d 00:00:00', 'now', 'localtime', '-' || (1 + n % 730) || ' days'), "
                        "'1900-01-01 11:30:00', n, 3 FROM seq");
        c.executeNative("WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < " +
                        std::to_string(kBiglietti) +
                        ") INSERT INTO Gestione_Biglietti (Codice_Biglietto, Codice_Tessera, Data_Acquisto, Data_Inizio, "
                        "Sedute, SeduteFatte, Scaduta) SELECT 'BG001', 'TK' || printf('%06d', n), "
                        "strftime('%Y-%m-%d 00:00:00', 'now', 'localtime', '-' || (1 + n % 730) || ' days'), "
                        "strftime('%Y-%m-%d 00:00:00', 'now', 'localtime', '-' || (1 + n % 730) || ' days'), 1, 1, -1 "
                        "FROM seq");
        c.executeNative("WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < " +
                        std::to_string(kReads) +
                        ") INSERT INTO Gestione_Biglietti (Codice_Biglietto, Codice_Tessera, Data_Acquisto, Data_Inizio, "
                        "Sedute, SeduteFatte, Scaduta) SELECT 'BG001', 'TKOGGI' || printf('%05d', n), "
                        "strftime('%Y-%m-%d 00:00:00', 'now', 'localtime'), strftime('%Y-%m-%d 00:00:00', 'now', "
                        "'localtime'), 1, 0, 0 FROM seq");
        c.executeNative("COMMIT; ANALYZE;");
    }
    std::printf("database: %d members, %d attendances, built in %.1f s\n", kMembers, kAttendances,
                duration<double>(steady_clock::now() - t0).count());

    EventLoop loop;
    EventLog log(dir, clock);
    QuietOperator op;
    auto engine = std::make_unique<SqliteConnection>(path, clock);
    if (std::getenv("VELARIS_BENCH_PROFILE"))
        sqlite3_trace_v2(engine->handle(), SQLITE_TRACE_PROFILE, profileStatement, nullptr);
    Database db(std::move(engine), log);
    Sistema s(clock, log, db, loop, op);
    MemoryConnections conn;
    s.config.Dispositivo = 3;
    SistemaLinkHost host(s);
    LinkDrivers driver;
    driver.connessioni = &conn;
    const auto link = creaLink(s.config.Dispositivo, driver, s, host);
    s.link = link.get();
    Inizializza_Terminali(s);
    if (!s.Terminali_Inizializzati) return 1;
    s.settings.Defaults_DopoAggiornamento();

    // Reads `codice(i)` at `terminal`, i = 0 .. kReads-1, and prints the figures.
    auto misura = [&](const char* cosa, int terminal, const auto& codice) {
        std::vector<double> latency, statements;
        const long openedBefore = conn.opened;
        for (int i = 0; i < kReads; ++i) {
            const std::string code = codice(i);
            const auto before = db.conn().statementCount();
            const auto start = steady_clock::now();
            processaLettura(s, terminal, code, terminal);
            latency.push_back(duration<double, std::milli>(steady_clock::now() - start).count());
            statements.push_back(static_cast<double>(db.conn().statementCount() - before));
            // The polling tick runs once a second between reads; a busy terminal sees a
            // few reads per second.
            if (i % 4 == 3) db.conn().manutenzione();
        }
        double total = 0;
        for (double st : statements) total += st;
        std::printf("card read to verdict, %s (%d reads, %ld gates opened): p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", cosa,
                    kReads, conn.opened - openedBefore, percentile(latency, 0.5), percentile(latency, 0.99),
                    *std::max_element(latency.begin(), latency.end()));
        std::printf("SQL statements per read: mean %.1f, min %.0f, max %.0f\n", total / kReads,
                    *std::min_element(statements.begin(), statements.end()),
                    *std::max_element(statements.begin(), statements.end()));
    };
    auto membro = [&](int i) {
        char code[16];
        std::snprintf(code, sizeof code, "CL2%05d", 1 + (i * 7919) % kMembers);  // each member once per terminal
        return std::string(code);
    };
    auto biglietto = [](int i) {
        char code[16];
        std::snprintf(code, sizeof code, "TKOGGI%05d", i + 1);
        return std::string(code);
    };
    misura("pool turnstile", 2, membro);
    misura("main entrance", 1, [&](int i) { return membro(i + kReads); });
    // The members of the pool leave through the exit, which closes the stays just opened.
    misura("member exit", 3, membro);
    // With the ticket check on (every read passes it first), day tickets in and out.
    s.Opzione_Avvio = true;
    misura("day ticket entry, pool turnstile", 2, biglietto);
    misura("day ticket exit", 3, biglietto);
    if (!g_profile.empty()) {
        std::vector<std::pair<double, std::string>> top;
        for (const auto& [sql, e] : g_profile) top.push_back({e.first, std::to_string(e.second) + "x " + sql});
        std::sort(top.rbegin(), top.rend());
        for (size_t i = 0; i < std::min<size_t>(12, top.size()); ++i)
            std::printf("%9.1f ms  %s\n", top[i].first, top[i].second.c_str());
    }
    std::filesystem::remove_all(dir);
    return 0;
}
