// Card read to verdict per kind of read: latency (p50, p99), SQL statements and round trips
// per read, on an embedded database of 20,000 members, 2,000,000 attendances and as many
// past exits, and 200,000 day tickets sold before: members admitted at a facility terminal
// (the pool turnstile) and at the general entrance (the main entrance), members leaving
// through the exit, and day tickets entering and leaving with the ticket check on. The reads
// go through the same path as a read from an HTTP-push terminal; only the socket is
// replaced by an in-memory connection.
//
// Across a network every round trip to SQL Server costs the link's latency. --rtt models
// it: each round trip of a read (a statement, or a batch) adds that delay to the read's
// time. The delay is added to the measured time rather than slept: on a shared machine a
// sleep of half a millisecond oversleeps by more than it lasts. Every kind is reported
// without delay and with it.
//
//   velaris-bench-read [--rtt 0.5ms] [--reads N] [--tick-every N] [--profile] [--statements]
//
// --reads: reads per kind (default 300). --tick-every: the polling tick's housekeeping runs
// after every N reads (default 4; 0: only before the first read, as on a link whose reads
// keep postponing the tick). --profile: the costliest statements. --statements: the
// statements of the first read of each kind, in order, a batch as one numbered trip.
// The journal's largest and final size are printed at the end.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
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

// Passes everything through; while `printing`, writes each round trip's statements.
class PrintingConnection : public ForwardingConnection {
public:
    explicit PrintingConnection(std::unique_ptr<Connection> inner) : ForwardingConnection(std::move(inner)) {}
    bool printing = false;

    void execute(std::string_view sql) override {
        print("", sql);
        inner_->execute(sql);
    }
    std::unique_ptr<Recordset> open(std::string_view sql) override {
        print("", sql);
        return inner_->open(sql);
    }
    void executeBatch(const std::vector<std::string>& statements) override {
        for (size_t i = 0; i < statements.size(); ++i) print(i == 0 ? "batch " : "   ... ", statements[i], i > 0);
        inner_->executeBatch(statements);
    }

private:
    void print(const char* head, std::string_view sql, bool sameTrip = false) {
        if (!printing) return;
        if (!sameTrip) ++trip_;
        std::printf("  %3d %s%.*s\n", trip_, head, static_cast<int>(sql.size()), sql.data());
    }
    int trip_ = 0;
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

// The statements that cost the most, summed by text (--profile).
std::map<std::string, std::pair<double, long>> g_profile;
bool g_profiling = false;
int profileStatement(unsigned, void*, void* stmt, void* ns) {
    if (!g_profiling) return 0;
    const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(stmt));
    auto& e = g_profile[std::string(sql ? sql : "").substr(0, 160)];
    e.first += static_cast<double>(*static_cast<sqlite3_int64*>(ns)) / 1e6;
    ++e.second;
    return 0;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(p * static_cast<double>(v.size() - 1))];
}

// "0.5ms", "500us", "0.5" (milliseconds).
double parseMilliseconds(const std::string& text) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    const std::string unit = end ? end : "";
    if (unit == "us") return v / 1000;
    if (unit == "s") return v * 1000;
    if (unit.empty() || unit == "ms") return v;
    std::fprintf(stderr, "bad delay: %s\n", text.c_str());
    std::exit(2);
}

long long fileSize(const std::string& path) {
    std::error_code ec;
    const auto n = std::filesystem::file_size(path, ec);
    return ec ? 0 : static_cast<long long>(n);
}

struct Kind {
    const char* name;
    int address;
    std::function<std::string(int)> code;  // the code of the i-th read of this kind
    bool biglietti = false;                  // the server's ticket check on
};

}  // namespace

int main(int argc, char** argv) {
    double rttMs = 0.5;
    int reads = 300;
    int tickEvery = 4;
    bool profile = std::getenv("VELARIS_BENCH_PROFILE") != nullptr;
    bool printStatements = false;
    if (const char* r = std::getenv("VELARIS_BENCH_READS")) reads = std::atoi(r);
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--rtt") rttMs = parseMilliseconds(value());
        else if (a == "--reads") reads = std::atoi(value().c_str());
        else if (a == "--tick-every") tickEvery = std::atoi(value().c_str());
        else if (a == "--profile") profile = true;
        else if (a == "--statements") printStatements = true;
        else {
            std::fprintf(stderr, "usage: %s [--rtt 0.5ms] [--reads N] [--tick-every N] [--profile] [--statements]\n",
                         argv[0]);
            return 2;
        }
    }
    constexpr int kMembers = 20000;
    constexpr int kAttendances = 2000000;
    constexpr int kBiglietti = 200000;
    if (reads < 1 || reads * 2 > kMembers) reads = 300;  // admitted members read once each
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
        // Members with the first demo member's yearly subscription (gym and pool)...
        const std::string code = "'CL2' || printf('%05d', n)";
        clone(c, "Anagrafica_Clienti", "Codice_Cliente='CL000001'", {{"Codice_Cliente", code}, {"Codice_Bis", "NULL"}},
              kMembers);
        clone(c, "Gestione_Iscrizioni", "Codice_Cliente='CL000001'",
              {{"Codice_Cliente", code}, {"Codice_Iscrizione", "'IB' || printf('%05d', n)"}}, kMembers);
        clone(c, "Iscrizioni_Strutture", "Codice_Cliente='CL000001'",
              {{"Codice_Cliente", code}, {"Codice_Iscrizione", "'IB' || printf('%05d', n)"}}, kMembers);
        clone(c, "AnagraficaC_Clienti", "Codice_Cliente='CL000001'", {{"Codice_Cliente", code}}, kMembers);
        // ... and members whose gym subscription ended ten days ago (none for the pool).
        const std::string ended = "'CL3' || printf('%05d', n)";
        clone(c, "Anagrafica_Clienti", "Codice_Cliente='CL000003'", {{"Codice_Cliente", ended}, {"Codice_Bis", "NULL"}},
              kMembers / 10);
        clone(c, "Gestione_Iscrizioni", "Codice_Cliente='CL000003'",
              {{"Codice_Cliente", ended}, {"Codice_Iscrizione", "'IE' || printf('%05d', n)"}}, kMembers / 10);
        clone(c, "Iscrizioni_Strutture", "Codice_Cliente='CL000003'",
              {{"Codice_Cliente", ended}, {"Codice_Iscrizione", "'IE' || printf('%05d', n)"}}, kMembers / 10);
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
                        std::to_string(reads) +
                        ") INSERT INTO Gestione_Biglietti (Codice_Biglietto, Codice_Tessera, Data_Acquisto, Data_Inizio, "
                        "Sedute, SeduteFatte, Scaduta) SELECT 'BG001', 'TKOGGI' || printf('%05d', n), "
                        "strftime('%Y-%m-%d 00:00:00', 'now', 'localtime'), strftime('%Y-%m-%d 00:00:00', 'now', "
                        "'localtime'), 1, 0, 0 FROM seq");
        c.executeNative("COMMIT; ANALYZE; PRAGMA wal_checkpoint(TRUNCATE);");
    }
    const long long databaseBefore = fileSize(path);
    std::printf("database: %d members, %d attendances, %.1f MB, built in %.1f s\n", kMembers, kAttendances,
                static_cast<double>(databaseBefore) / 1e6, duration<double>(steady_clock::now() - t0).count());

    EventLoop loop;
    EventLog log(dir, clock);
    QuietOperator op;
    auto engine = std::make_unique<SqliteConnection>(path, clock);
    sqlite3_trace_v2(engine->handle(), SQLITE_TRACE_PROFILE, profileStatement, nullptr);
    g_profiling = profile;
    auto printing = std::make_unique<PrintingConnection>(std::move(engine));
    PrintingConnection& printer = *printing;
    Database db(std::move(printing), log);
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

    const std::string wal = path + "-wal";
    long long largestJournal = 0;
    db.conn().manutenzione();  // the ticks of start-up, before the reads begin
    long sinceTick = 0;

    // Every admitted member reads once; the other kinds may repeat.
    int nextMember = 0;
    auto membro = [&](int i) {
        char c[16];
        std::snprintf(c, sizeof c, "CL2%05d", 1 + (i * 7919) % kMembers);
        return std::string(c);
    };
    auto biglietto = [](int i) {
        char c[16];
        std::snprintf(c, sizeof c, "TKOGGI%05d", i + 1);
        return std::string(c);
    };
    const std::vector<Kind> kinds = {
        {"member admitted, facility turnstile", 2,
         [&](int) {
             char c[16];
             std::snprintf(c, sizeof c, "CL2%05d", 1 + (nextMember++ * 7919) % kMembers);
             return std::string(c);
         }},
        {"member admitted, main entrance", 1,
         [&](int) {
             char c[16];
             std::snprintf(c, sizeof c, "CL2%05d", 1 + (nextMember++ * 7919) % kMembers);
             return std::string(c);
         }},
        {"member refused (ended), facility turnstile", 2,
         [&](int i) {
             char c[16];
             std::snprintf(c, sizeof c, "CL3%05d", 1 + i % (kMembers / 10));
             return std::string(c);
         }},
        {"unknown code, facility turnstile", 2,
         [](int i) {
             char c[16];
             std::snprintf(c, sizeof c, "ZZ%06d", i);
             return std::string(c);
         }},
        {"staff card, facility turnstile", 2, [](int) { return std::string("0004512001"); }},
        // The members admitted at the pool leave through the exit, which closes their stays.
        {"member exit", 3, membro},
        // With the ticket check on (every read passes it first), today's day tickets in and out.
        {"day ticket entry, facility turnstile", 2, biglietto, true},
        {"day ticket exit", 3, biglietto, true},
    };

    std::vector<double> delays = {0};
    if (rttMs > 0) delays.push_back(rttMs);
    std::printf("\n%-44s %7s %6s %10s %11s %8s %8s %6s\n", "read kind", "rtt ms", "reads", "stmts/read",
                "trips/read", "p50 ms", "p99 ms", "gates");
    for (const Kind& kind : kinds) {
        std::vector<double> latency, trips;
        double statements = 0;
        const long openedBefore = conn.opened;
        s.Opzione_Avvio = kind.biglietti;
        for (int i = 0; i < reads; ++i) {
            const std::string code = kind.code(i);
            const auto st0 = db.conn().statementCount();
            const auto rt0 = db.conn().roundTrips();
            if (printStatements && i == 0) std::printf("\n%s, %s:\n", kind.name, code.c_str());
            printer.printing = printStatements && i == 0;
            const auto start = steady_clock::now();
            processaLettura(s, kind.address, code, kind.address);
            printer.printing = false;
            latency.push_back(duration<double, std::milli>(steady_clock::now() - start).count());
            statements += static_cast<double>(db.conn().statementCount() - st0);
            trips.push_back(static_cast<double>(db.conn().roundTrips() - rt0));
            largestJournal = std::max(largestJournal, fileSize(wal));
            // The polling tick runs once a second between reads; a busy turnstile sees a
            // few reads per second.
            if (tickEvery > 0 && ++sinceTick >= tickEvery) {
                sinceTick = 0;
                db.conn().manutenzione();
            }
        }
        double totalTrips = 0;
        for (double t : trips) totalTrips += t;
        for (double delay : delays) {
            std::vector<double> across(latency.size());
            for (size_t i = 0; i < latency.size(); ++i) across[i] = latency[i] + trips[i] * delay;
            std::printf("%-44s %7.2f %6d %10.1f %11.1f %8.2f %8.2f %6ld\n", kind.name, delay, reads,
                        statements / reads, totalTrips / reads, percentile(across, 0.5), percentile(across, 0.99),
                        conn.opened - openedBefore);
        }
    }
    const long long journalAtEnd = fileSize(wal);
    // The load is over: the next ticks find the database quiet.
    for (int i = 0; i < 3; ++i) db.conn().manutenzione();
    std::printf("\njournal: largest %.2f MB, %.2f MB when the reads end, %.2f MB after three quiet ticks\n",
                static_cast<double>(largestJournal) / 1e6, static_cast<double>(journalAtEnd) / 1e6,
                static_cast<double>(fileSize(wal)) / 1e6);
    std::printf("database: %.1f MB before, %.1f MB after\n", static_cast<double>(databaseBefore) / 1e6,
                static_cast<double>(fileSize(path)) / 1e6);
    if (!g_profile.empty()) {
        std::printf("\ncostliest statements (all kinds):\n");
        std::vector<std::pair<double, std::string>> top;
        for (const auto& [sql, e] : g_profile) top.push_back({e.first, std::to_string(e.second) + "x " + sql});
        std::sort(top.rbegin(), top.rend());
        for (size_t i = 0; i < std::min<size_t>(12, top.size()); ++i)
            std::printf("%9.1f ms  %s\n", top[i].first, top[i].second.c_str());
    }
    std::filesystem::remove_all(dir);
    return 0;
}
