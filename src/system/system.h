#pragma once
// The process-wide state of the running server, in one place: the services every
// procedure uses (clock, log, database, settings, event loop, operator), the link
// configuration, the terminal registry and the context of the message in progress.
// Procedures take it by reference; nothing lives in globals.

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/event_log.h"
#include "base/event_loop.h"
#include "db/counters.h"
#include "db/database.h"
#include "db/settings.h"
#include "system/attivazioni.h"
#include "system/dialoghi.h"
#include "system/esiti.h"
#include "system/lettura.h"
#include "terminals/transport/terminal_link.h"

namespace velaris {

// The operator's view. The server runs headless: each message box becomes a line on
// standard error and in the event log, and never blocks.
class Operatore {
public:
    enum class Icona { Informazione, Critico };
    static constexpr const char* kTitolo = "*** VELARIS. Controllo Accessi ***";
    virtual ~Operatore() = default;
    virtual void messageBox(const std::string& text, Icona icon) = 0;
    // One beep of the workstation (the desk's alert); nothing by default.
    virtual void beep() {}
};

// Link configuration: the [Comm] section of the per-user settings file.
struct LinkConfig {
    int Dispositivo = 0;       // 1 NET92, 2 Ethernet controllers, 3 HTTP push, 4 TCP; 0 not configured
    int Port = 1;              // NET92 line
    std::string Listen_Address = "0.0.0.0";
    int Http_Port = 8080;
    int Tcp_Port = 10001;
    int Terminal_Port = 10001;
    std::string Net92_Device = "127.0.0.1:9200";
    int Controller_Port = 9300;
    std::string Allowed_Peers;  // empty: every peer; "terminals"; or a list of addresses
};

// One configured terminal (a row of `Dettaglio_Terminali`), all columns by name.
class TerminalRow {
public:
    TerminalRow(std::shared_ptr<const std::vector<std::string>> columns, std::vector<Value> values)
        : columns_(std::move(columns)), values_(std::move(values)) {}
    // The named column; Null when the table has no such column.
    const Value& operator[](std::string_view column) const;
    int indirizzo() const { return static_cast<int>((*this)["Indirizzo"].toInt()); }

private:
    std::shared_ptr<const std::vector<std::string>> columns_;
    std::vector<Value> values_;
};

// The terminal registry built at start-up and read for the rest of the process's life.
struct Registro {
    std::vector<TerminalRow> Rs_Terminali;  // active terminals in address order
    int posizione = -1;                     // the positioned row, -1 when none
    struct Rete { int Indirizzo; std::string Indirizzo_IP; };
    std::vector<Rete> Terminali_Rete;  // terminals that answered the start-up probe
    std::vector<bool> Terminale_Con_Sub;
    bool Terminali_Uscita = false;
    bool Terminali_Uscita_Personale = false;
    // Terminals whose `Postazione` names another workstation are driven by that
    // workstation's server and left out here. When there are any, the database is shared:
    // this server's statements on state and queue rows keep to its own terminals.
    bool condiviso = false;
    // " AND <column> In (<own addresses>)" when the database is shared, "" otherwise.
    std::string soloPropri(std::string_view column = "Indirizzo") const;

    // MoveFirst + Find "Indirizzo = n": positions the list; false when no row matches
    // (the previous position is kept, as a failed Find leaves the list at its end).
    bool trova(int indirizzo);
    const TerminalRow* corrente() const;
    const TerminalRow* perIndirizzo(int indirizzo) const;
    // The IP of a terminal of the network list, or "" (linear search, as the queue does).
    std::string ipDi(int indirizzo) const;
    bool conSub(int indirizzo) const;
};

// The context of the message in progress and the relay parameters of its terminal.
struct Corrente {
    int Indirizzo_Corrente = 0;
    int Tipo_Corrente = 0;
    int Indice_Socket = 0;
    int16_t Stop = 0, Vai = 0, NReleStop = 0, NReleVai = 0, NReleUscita = 0, Monitor_Aggiuntivo = 0,
            Intervallo_Presenze = 0;
    Value TempoStop, TempoVai;
    Value Codice_Centro_Corrente;
    std::string Filtro_Centro;
    std::string Filtro_Irregolarita;
    std::string Filtro_Scadenze;
    // Something was sent or queued for the terminal of the read in progress since its
    // processing began: a read that ends without a verdict is answered with the idle
    // prompt only when this is not so.
    bool Risposto = false;
};

struct Sistema {
    Sistema(Clock& c, EventLog& l, Database& d, EventLoop& e, Operatore& o)
        : clock(c), log(l), db(d), loop(e), operatore(o), settings(d), postazione(d) {}

    Clock& clock;
    EventLog& log;
    Database& db;
    EventLoop& loop;
    Operatore& operatore;
    Settings settings;
    Postazione postazione;
    SorveglianzaSemafori sorveglianzaSemafori;
    LinkConfig config;

    bool Opzione_Avvio = false;
    bool Terminali_Inizializzati = false;
    Registro registro;
    Corrente corrente;
    EsitiVerifica esiti;
    DatiLettura lettura;
    Dialoghi dialoghi;
    Attivazioni attivazioni;

    // The link of the configured kind; none when the kind is not configured.
    TerminalLink* link = nullptr;

    // The window timers of the polling cycle; set by the shell.
    IntervalTimer* timer1 = nullptr;
    IntervalTimer* timer2 = nullptr;
    int16_t Contatore_Orologio = 0;
    // A drain pass is in progress: a tick that runs inside one of its waits (the client
    // link lets other events run) must not send the same row a second time.
    bool drenaggioInCorso = false;
    // What the polling cycle keeps between ticks: the error each step logged last (a
    // failing step logs its message once, and again when the message changes or after
    // the step has worked), and how many ticks leave the database alone after a tick met
    // an outage, so that a stalled database does not take every second of the loop.
    struct Ciclo {
        std::map<std::string, std::string> ultimoErrore;
        int tickSenzaDatabase = 0;
    } ciclo;

    // Stops Timer1 for the duration of message processing and restarts it after.
    void fermaTimer1();
    void avviaTimer1();
    // Told at the end of every message's processing (the status page reads the new
    // figures from it); set by the shell.
    std::function<void()> messaggioElaborato;

    // Every inbound read of every link enters here. It is processed at once when nothing
    // else is in progress; a read that arrives while another is being processed (or while
    // any handler waits) is processed after it, from the top of the loop, in arrival
    // order. Each read starts from an empty context of the message in progress.
    void accogliLettura(std::function<void()> elabora);
    bool letturaInCorso() const { return letturaInCorso_; }
    int lettureInAttesa() const { return lettureInAttesa_; }

private:
    void elaboraLettura(const std::function<void()>& elabora);
    bool letturaInCorso_ = false;
    int lettureInAttesa_ = 0;
};

}  // namespace velaris
