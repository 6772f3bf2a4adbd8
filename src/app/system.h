#pragma once
// The process-wide state of the running server, in one place: the services every
// procedure uses (clock, log, database, settings, event loop, operator), the link
// configuration, the terminal registry and the context of the message in progress.
// Procedures take it by reference; nothing lives in globals.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/clock.h"
#include "app/event_log.h"
#include "app/event_loop.h"
#include "attendance/lettura.h"
#include "checks/esiti.h"
#include "db/counters.h"
#include "db/database.h"
#include "db/settings.h"
#include "terminals/dialoghi.h"
#include "terminals/links.h"

namespace velaris {

// The operator's view. The server runs headless: each message box becomes a line on
// standard error and in the event log, and never blocks.
class Operatore {
public:
    enum class Icona { Informazione, Critico };
    static constexpr const char* kTitolo = "*** VELARIS. Controllo Accessi ***";
    virtual ~Operatore() = default;
    virtual void messageBox(const std::string& text, Icona icon) = 0;
};

// Link kinds 3 and 4: the listener's connections as the sender and the polling cycle
// see them (member 0 listens; members 1..n are terminal connections).
class Connessioni {
public:
    virtual ~Connessioni() = default;
    virtual int highestIndex() const = 0;
    virtual bool loaded(int index) const = 0;
    virtual bool connected(int index) const = 0;
    virtual std::string tag(int index) const = 0;
    // Writes bytes already in wire form; false when the member is not connected.
    virtual bool send(int index, const std::string& wire) = 0;
    virtual bool listening() const = 0;
    // Starts (or restarts) listening on the configured port; false with a reason when
    // the port cannot be opened.
    virtual bool listen(std::string& error) = 0;
};

// Link kind 4: the one client socket that reaches the terminals.
class CollegamentoClient {
public:
    virtual ~CollegamentoClient() = default;
    // Waits for an earlier connection to finish (bounded), then connects to `ip` and
    // sends `frame` once connected. -1 when the socket is still busy; 0 otherwise.
    virtual int sendCommand(const std::string& ip, const std::string& frame) = 0;
    // `Risposta_Winsock2`: the terminal's last record was an answer.
    virtual bool risposta() const = 0;
    virtual void resetRisposta() = 0;
    // 0 closed, 6 connecting, 7 connected.
    virtual int state() const = 0;
    virtual void close() = 0;
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
    // Link kind 2 flow control.
    std::vector<int16_t> Occupato_Terminale;
    std::vector<int16_t> Errori_Terminale;
    struct ElencoIP { std::string IP; int16_t inVolo = 0; };
    std::vector<ElencoIP> Elenco_IP;

    // MoveFirst + Find "Indirizzo = n": positions the list; false when no row matches
    // (the previous position is kept, as a failed Find leaves the list at its end).
    bool trova(int indirizzo);
    const TerminalRow* corrente() const;
    const TerminalRow* perIndirizzo(int indirizzo) const;
    // The IP of a terminal that answered, or "" (linear search, as the queue does).
    std::string ipDi(int indirizzo) const;
    ElencoIP* elencoPer(const std::string& ip);
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
    LinkConfig config;

    bool Opzione_Avvio = false;
    bool Terminali_Inizializzati = false;
    int Fase_Errore = 0;
    Registro registro;
    Corrente corrente;
    EsitiVerifica esiti;
    DatiLettura lettura;
    Dialoghi dialoghi;

    // The link in use (only the one of the configured kind is set).
    Net92* net92 = nullptr;
    EtherCtrl* etherCtrl = nullptr;
    Connessioni* connessioni = nullptr;
    CollegamentoClient* client = nullptr;

    // The window timers of the polling cycle; set by the shell.
    IntervalTimer* timer1 = nullptr;
    IntervalTimer* timer2 = nullptr;
    int16_t Contatore_Orologio = 0;
    int16_t Contatore_Ascolto = 0;
    // Seconds a queued start-up prompt waits, by link kind.
    int ritardoCoda = 0;
    // A drain pass is in progress: a tick that runs inside one of its waits (the client
    // link lets other events run) must not send the same row a second time.
    bool drenaggioInCorso = false;

    // Stops Timer1 for the duration of message processing and restarts it after.
    void fermaTimer1();
    void avviaTimer1();
};

// `Buffer_Lettura`: 255 "-" and one NUL, the template of every NET92 poll buffer.
std::string bufferLettura();

}  // namespace velaris
