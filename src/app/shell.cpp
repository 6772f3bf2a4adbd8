#include "app/shell.h"

#include <cstdlib>
#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <iostream>
#include <optional>

#include <unistd.h>

#include "app/config.h"
#include "app/links_factory.h"
#include "app/operator_view.h"
#include "app/polling.h"
#include "base/workstation.h"
#include "app/web/status_server.h"
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
    // The terminal's bell, when a person may hear it.
    void beep() override {
        if (::isatty(STDERR_FILENO)) err_ << '\a' << std::flush;
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

// What the command line asks for.
struct ServerOptions {
    std::string commandLine, configPath, logDir, workstation;
    std::optional<DateTime> clockAt;
    bool headless = false;
};

// Reads the command line; the status to end with when it asked for help or is wrong.
std::optional<int> parseOptions(int argc, char** argv, std::ostream& out, std::ostream& err, ServerOptions& opt) {
    CLI::App app{"Velaris access-control server", "velaris-accessi"};
    std::string clockText;
    app.add_option("COMMAND_LINE", opt.commandLine,
                   "Connection string, a separator and the start option digit, e.g. \"Provider=SQLite;Data "
                   "Source=centro.db;1\" (default: $VELARIS_CONNECTION)");
    app.add_option("--config", opt.configPath, "Settings file (default $XDG_CONFIG_HOME/Velaris/Velaris.ini)");
    app.add_option("--log-dir", opt.logDir, "Folder of VelarisAccessi.log (default: the program's folder)");
    app.add_option("--clock", clockText, "Start the system clock at \"YYYY-MM-DD HH:MM:SS\"");
    app.add_option("--workstation", opt.workstation,
                   "This server's workstation name (default: the computer name); servers sharing one database "
                   "need different names");
    app.add_flag("--headless", opt.headless, "No tray icon and window, even in a desktop session");
    app.footer("Operator commands: velaris-accessi database create|demo FILE; velaris-accessi sql --database FILE "
               "\"STATEMENT\"");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e, out, err);
    }
    // A service passes it in its environment: a password on the command line is visible
    // to every local user in the process list.
    if (opt.commandLine.empty())
        if (const char* e = std::getenv("VELARIS_CONNECTION")) opt.commandLine = e;
    const std::string& w = opt.workstation;
    if (!w.empty() && (w.find_first_not_of(' ') == std::string::npos || w.size() > 50)) {
        err << "velaris-accessi: --workstation wants a name of 1 to 50 characters\n";
        return 2;
    }
    if (!clockText.empty()) {
        opt.clockAt = DateTime::parse(clockText);
        if (!opt.clockAt) {
            err << "velaris-accessi: --clock wants \"YYYY-MM-DD HH:MM:SS\"\n";
            return 2;
        }
    }
    return std::nullopt;
}

// SIGINT and SIGTERM end the program. The system's log rotation moves the event log away
// and then sends SIGHUP: the next line starts the new file.
class SignalWatch {
public:
    SignalWatch(EventLoop& loop, EventLog& log, std::function<void()> termina)
        : stop_(loop.io(), SIGINT, SIGTERM), hangup_(loop.io(), SIGHUP), log_(log) {
        stop_.async_wait([termina = std::move(termina)](const asio::error_code& ec, int) {
            if (!ec) termina();
        });
        waitHangup();
    }

private:
    void waitHangup() {
        hangup_.async_wait([this](const asio::error_code& ec, int) {
            if (ec) return;
            log_.reopen();
            waitHangup();
        });
    }

    asio::signal_set stop_, hangup_;
    EventLog& log_;
};

// Starts the status page when the settings ask for one; the words the start-up line says
// of it.
std::string startStatusPage(Sistema& s, EventLoop& loop, EventLog& log, const std::shared_ptr<StatusModel>& model,
                            const WebConfig& web, std::unique_ptr<StatusServer>& page) {
    if (!model) return "pagina di stato disattivata";
    std::vector<std::string> ips;
    for (const TerminalRow& row : s.registro.Rs_Terminali) ips.push_back(row["Indirizzo_IP"].toText());
    page = std::make_unique<StatusServer>(loop, log, *model, web, PeerFilter::fromSetting(web.Allowed_Peers, ips));
    if (!page->start()) {
        page.reset();
        return "pagina di stato non avviata";
    }
    s.messaggioElaborato = [p = page.get()] { p->changed(); };
    log.timed("Pagina di stato: " + page->url());
    if (!web.loopback() && web.Token.empty() && web.Allowed_Peers.empty())
        log.timed("Pagina di stato aperta a ogni indirizzo senza token: impostare [Web] Token o Allowed_Peers");
    return "pagina di stato " + page->url();
}

}  // namespace

int runServer(int argc, char** argv, std::ostream& out, std::ostream& err, const OperatorViewFactory& viewFactory) {
    ServerOptions opt;
    if (std::optional<int> status = parseOptions(argc, argv, out, err, opt)) return *status;
    if (!opt.workstation.empty()) setWorkstationName(opt.workstation);
    Clock clock;
    if (opt.clockAt) clock.startAt(*opt.clockAt);
    EventLog log(opt.logDir.empty() ? EventLog::programFolder() : std::filesystem::path(opt.logDir), clock);
    EventLoop loop;
    ConsoleOperatore console(log, err);
    // The tray icon and window only in a desktop session, and never when asked not to.
    std::unique_ptr<OperatorView> view;
    if (viewFactory && !opt.headless && desktopSession()) view = viewFactory(loop, log, err);
    Operatore& operatore = view ? view->operatore() : console;
    // A start-up failure ends the process once the operator has read why.
    auto failed = [&](int status) {
        if (view) view->waitForMessageBoxes();
        return status;
    };

    if (opt.commandLine.empty()) {
        operatore.messageBox("Impossibile avviare il controllo accessi", Operatore::Icona::Critico);
        return failed(1);
    }

    std::unique_ptr<Database> db;
    std::unique_ptr<Sistema> s;
    std::unique_ptr<SistemaLinkHost> host;
    std::unique_ptr<Collegamenti> links;
    std::unique_ptr<IntervalTimer> timer1, timer2;
    std::shared_ptr<StatusModel> statusModel;
    std::unique_ptr<StatusServer> statusPage;
    WebConfig web;
    // Ending the program (signal or the tray menu's exit): never inside a read in
    // progress; the reads that came first end, then the farewells go out while the loop
    // still runs the links.
    std::function<void()> termina = [&] {
        loop.atTopLevel([&] {
            timer1->setInterval(std::chrono::milliseconds(0));
            timer2->setInterval(std::chrono::milliseconds(0));
            if (statusPage) statusPage->stop();
            shutdown(*s);
            loop.stop();
        });
    };
    try {
        const std::string& commandLine = opt.commandLine;
        const bool option = commandLine.back() >= '1' && commandLine.back() <= '9';
        const std::string connection = commandLine.size() >= 2 ? commandLine.substr(0, commandLine.size() - 2) : "";
        db = std::make_unique<Database>(openConnection(connection, clock, engineOptionsFromEnvironment()), log);
        s = std::make_unique<Sistema>(clock, log, *db, loop, operatore);
        s->Opzione_Avvio = option;
        Pulisci_Semafori_Postazione(*db, s->postazione);
        const IniFile ini = IniFile::load(opt.configPath.empty() ? defaultConfigPath() : std::filesystem::path(opt.configPath));
        s->config = readLinkConfig(ini);
        web = readWebConfig(ini);
        if (web.enabled()) {
            // From here on, so that the page shows the start-up's log lines too.
            statusModel = std::make_shared<StatusModel>(*s);
            // The log outlives the model: lines written after it is gone reach nobody.
            log.addObserver([m = std::weak_ptr<StatusModel>(statusModel)](std::string_view line) {
                if (auto model = m.lock()) model->logLine(line);
            });
        }
        timer1 = std::make_unique<IntervalTimer>(loop.io(), [&] { Timer1_Tick(*s); });
        timer2 = std::make_unique<IntervalTimer>(loop.io(), [&] { Timer2_Tick(*s); });
        s->timer1 = timer1.get();
        s->timer2 = timer2.get();
        host = std::make_unique<SistemaLinkHost>(*s);
        links = creaCollegamenti(*s, *host);

        if (view) view->show([&] { termina(); });
        Inizializza_Terminali(*s);
        if (!s->Terminali_Inizializzati) {
            if (s->config.Dispositivo <= dispositivo::Nessuno)
                log.timed("Link kind (Dispositivo) not configured in " +
                          (opt.configPath.empty() ? defaultConfigPath().string() : opt.configPath));
            return failed(3);
        }
        s->settings.Defaults_DopoAggiornamento();
        db->execute("DELETE FROM wTmp_DatiAccessi ");
    } catch (const std::exception& e) {
        log.error(errorNumber(e), e.what(), "Form_Load");
        operatore.messageBox("Errore nell'avvio del controllo accessi", Operatore::Icona::Critico);
        if (s) shutdown(*s);
        return failed(1);
    }

    SignalWatch signalWatch(loop, log, termina);
    const std::string pageText = startStatusPage(*s, loop, log, statusModel, web, statusPage);
    std::string summary = "collegamento " + std::to_string(s->config.Dispositivo) + ", " +
                          std::to_string(s->registro.Terminali_Rete.size()) + " terminali";
    if (view) view->setStatus("In servizio: " + summary + "; " + pageText);
    err << "velaris-accessi: in servizio, " << summary << "; " << pageText << std::endl;
    loop.run();
    s->messaggioElaborato = nullptr;
    return 0;
}

}  // namespace velaris
