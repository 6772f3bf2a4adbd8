#include "app/shell.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <iostream>

#include "app/config.h"
#include "app/links_factory.h"
#include "app/polling.h"
#include "db/engine.h"
#include "system/registry.h"
#include "system/sender.h"
#include "system/system.h"
#include "system/terminal_types.h"
#include "terminals/transport/link_kinds.h"

namespace velaris {

namespace {

// Headless operator: each message box is a line on standard error and in the event log.
class ConsoleOperatore : public Operatore {
public:
    ConsoleOperatore(EventLog& log, std::ostream& err) : log_(log), err_(err) {}
    void messageBox(const std::string& text, Icona icon) override {
        const std::string line = std::string(kTitolo) + (icon == Icona::Critico ? " [critico] " : " [informazione] ") + text;
        err_ << line << std::endl;
        log_.timed(line);
    }

private:
    EventLog& log_;
    std::ostream& err_;
};

// Farewell texts, then the link closes; nothing is sent when the terminals never came up.
// Every text reaches its terminal before the link closes, within bounds: each is sent at
// once (the queue is not drained any more at this point) and, where the terminals
// acknowledge, once the previous one was acknowledged; the link then writes out what it
// still holds.
void shutdown(Sistema& s) {
    using std::chrono::milliseconds;
    if (!s.Terminali_Inizializzati || !s.link) return;
    constexpr auto kConferme = std::chrono::seconds(5);  // the acknowledgements, all told
    const auto deadline = std::chrono::steady_clock::now() + kConferme;
    auto remaining = [&] {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
        return std::max(milliseconds(0), left);
    };
    for (const TerminalRow& row : s.registro.Rs_Terminali) {
        const int address = row.indirizzo();
        std::vector<std::string> texts;
        switch (row["Tipo"].toInt()) {
            case tipo::TastieraA: texts = {"%BxK0", "\fTERMINALE |DISABILITATO"}; break;
            case tipo::TastieraB: texts = {"\f:-:TERMINALE |DISABILITATO", "\fTERMINALE |DISABILITATO"}; break;
            case tipo::Tcp: texts = {"S00000000"}; break;
            default: break;
        }
        for (std::string& t : texts) {
            KxSendMsg(s, address, t, 1);
            s.loop.waitUntil([&] { return s.link->acknowledged(address); }, remaining());
        }
    }
    s.link->shutDown();
}

}  // namespace

int runServer(int argc, char** argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"Velaris access-control server", "velaris-accessi"};
    std::string commandLine, configPath, logDir, clockText;
    app.add_option("COMMAND_LINE", commandLine,
                   "Connection string, a separator and the start option digit, e.g. \"Provider=SQLite;Data "
                   "Source=centro.db;1\"");
    app.add_option("--config", configPath, "Settings file (default $XDG_CONFIG_HOME/Velaris/Velaris.ini)");
    app.add_option("--log-dir", logDir, "Folder of VelarisAccessi.log (default: the program's folder)");
    app.add_option("--clock", clockText, "Start the system clock at \"YYYY-MM-DD HH:MM:SS\"");
    app.footer("Operator commands: velaris-accessi database create|demo FILE; velaris-accessi sql --database FILE "
               "\"STATEMENT\"");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e, out, err);
    }

    Clock clock;
    if (!clockText.empty()) {
        auto at = DateTime::parse(clockText);
        if (!at) {
            err << "velaris-accessi: --clock wants \"YYYY-MM-DD HH:MM:SS\"\n";
            return 2;
        }
        clock.startAt(*at);
    }
    EventLog log(logDir.empty() ? EventLog::programFolder() : std::filesystem::path(logDir), clock);
    ConsoleOperatore operatore(log, err);

    if (commandLine.empty()) {
        operatore.messageBox("Impossibile avviare il controllo accessi", Operatore::Icona::Critico);
        return 1;
    }

    EventLoop loop;
    std::unique_ptr<Database> db;
    std::unique_ptr<Sistema> s;
    std::unique_ptr<SistemaLinkHost> host;
    std::unique_ptr<Collegamenti> links;
    std::unique_ptr<IntervalTimer> timer1, timer2;
    try {
        const bool option = commandLine.back() >= '1' && commandLine.back() <= '9';
        const std::string connection = commandLine.size() >= 2 ? commandLine.substr(0, commandLine.size() - 2) : "";
        db = std::make_unique<Database>(openConnection(connection, clock, engineOptionsFromEnvironment()), log);
        s = std::make_unique<Sistema>(clock, log, *db, loop, operatore);
        s->Opzione_Avvio = option;
        s->config = readLinkConfig(IniFile::load(configPath.empty() ? defaultConfigPath() : std::filesystem::path(configPath)));
        timer1 = std::make_unique<IntervalTimer>(loop.io(), [&] { Timer1_Tick(*s); });
        timer2 = std::make_unique<IntervalTimer>(loop.io(), [&] { Timer2_Tick(*s); });
        s->timer1 = timer1.get();
        s->timer2 = timer2.get();
        host = std::make_unique<SistemaLinkHost>(*s);
        links = creaCollegamenti(*s, *host);

        Inizializza_Terminali(*s);
        if (!s->Terminali_Inizializzati) {
            if (s->config.Dispositivo <= dispositivo::Nessuno)
                log.timed("Link kind (Dispositivo) not configured in " +
                          (configPath.empty() ? defaultConfigPath().string() : configPath));
            return 3;
        }
        s->settings.Defaults_DopoAggiornamento();
        db->execute("DELETE FROM wTmp_DatiAccessi ");
    } catch (const std::exception& e) {
        log.error(errorNumber(e), e.what(), "Form_Load");
        operatore.messageBox("Errore nell'avvio del controllo accessi", Operatore::Icona::Critico);
        if (s) shutdown(*s);
        return 1;
    }

    asio::signal_set signals(loop.io(), SIGINT, SIGTERM);
    signals.async_wait([&](const asio::error_code& ec, int) {
        if (ec) return;
        // Never inside a read in progress: the reads that came first end, then the
        // farewells go out while the loop still runs the links.
        loop.atTopLevel([&] {
            timer1->setInterval(std::chrono::milliseconds(0));
            timer2->setInterval(std::chrono::milliseconds(0));
            shutdown(*s);
            loop.stop();
        });
    });
    err << "velaris-accessi: in servizio, collegamento " << s->config.Dispositivo << ", "
        << s->registro.Terminali_Rete.size() << " terminali" << std::endl;
    loop.run();
    return 0;
}

}  // namespace velaris
