#include "app/polling.h"

#include "base/format.h"
#include "processing/dialogo.h"
#include "processing/intake.h"
#include "processing/money_card_dialogo.h"
#include "system/queue.h"
#include "system/sender.h"
#include "system/terminal_types.h"

namespace velaris {

namespace {

// Keypad terminals acknowledge a read with "%BxM0" before it is processed.
void confermaLettura(Sistema& s, int address) {
    if (tipo::tastiera(s.corrente.Tipo_Corrente)) {
        std::string ack = "%BxM0";
        KxSendMsg(s, address, ack, 0);
    }
}

// A read of a polled link, when its turn comes.
void elaboraLetta(Sistema& s, const LinkRead& read) {
    s.fermaTimer1();
    struct Restart { Sistema& s; ~Restart() { s.avviaTimer1(); } } restart{s};
    s.corrente.Indirizzo_Corrente = read.address;
    if (!s.registro.trova(read.address)) return;  // not configured: dropped
    s.corrente.Tipo_Corrente = static_cast<int>((*s.registro.corrente())["Tipo"].toInt());
    confermaLettura(s, read.address);
    std::string message = read.message;
    Elabora_Messaggi(s, message);
}

// A polled link: the first terminal with a read gives it.
void leggiTerminali(Sistema& s) {
    std::optional<LinkRead> read;
    {
        s.fermaTimer1();
        struct Restart { Sistema& s; ~Restart() { s.avviaTimer1(); } } restart{s};
        std::vector<int> addresses;
        for (const auto& t : s.registro.Terminali_Rete) addresses.push_back(t.Indirizzo);
        read = s.link->read(addresses);
    }
    if (read) s.accogliLettura([&s, read = *read] { elaboraLetta(s, read); });
}

// An injected read, when its turn comes; its row is deleted once it has been processed.
void elaboraIniettato(Sistema& s, const Value& id, int indirizzo, const std::string& message) {
    {
        s.fermaTimer1();
        struct Restart { Sistema& s; ~Restart() { s.avviaTimer1(); } } restart{s};
        s.corrente.Indirizzo_Corrente = indirizzo;
        if (const int connection = s.link ? s.link->connectionOf(indirizzo) : 0) s.corrente.Indice_Socket = connection;
        std::string text = message;
        Elabora_Messaggi(s, text);
    }
    s.db.execute("DELETE FROM Stato_Terminali  WHERE ID=" + Num_SqlQ(id));
}

void messaggiIniettati(Sistema& s) {
    // A row already handed over stays in the table until it has been processed: while any
    // read is in progress or waits, the next tick looks again.
    if (s.letturaInCorso() || s.lettureInAttesa() > 0) return;
    Value id, address, message;
    {
        auto rs = s.db.open("SELECT TOP 1 ID, Indirizzo, Messaggio  FROM Stato_Terminali  WHERE Stato=500 " +
                            s.registro.soloPropri() + " ORDER BY ID");
        if (rs->eof()) return;
        id = rs->field(0);
        address = rs->field(1);
        message = rs->field(2);
    }
    const int indirizzo = static_cast<int>(address.toInt());
    if (Nullo_Vuoto(message) || indirizzo == 0) {
        // Left in place it would be read again on every tick and hold back every later row.
        s.log.error(0, "Injected message " + id.toText() + " without text or address deleted", "Timer1");
        s.db.execute("DELETE FROM Stato_Terminali  WHERE ID=" + Num_SqlQ(id));
        return;
    }
    s.accogliLettura([&s, id, indirizzo, text = message.toText()] { elaboraIniettato(s, id, indirizzo, text); });
}

// One step of the tick. A failing step never stops the cycle: the tick goes on with the
// next one, and the failure is logged once per distinct message.
template <typename F>
void step(Sistema& s, const char* name, F&& f) {
    auto logged = s.ciclo.ultimoErrore.find(name);
    try {
        f();
        if (logged != s.ciclo.ultimoErrore.end()) s.ciclo.ultimoErrore.erase(logged);
    } catch (const std::exception& e) {
        if (logged != s.ciclo.ultimoErrore.end() && logged->second == e.what()) return;
        s.ciclo.ultimoErrore[name] = e.what();
        s.db.logError(e, std::string("Timer1 ") + name);
    }
}

// Ticks that leave the database alone after a tick met an outage: it is tried again
// every few seconds, while the reads still try it each time.
constexpr int kTickDopoGuasto = 4;

}  // namespace

void processaLettura(Sistema& s, int address, std::string message, int connectionIndex) {
    s.corrente.Indirizzo_Corrente = address;
    if (connectionIndex > 0) s.corrente.Indice_Socket = connectionIndex;
    if (s.registro.trova(address)) s.corrente.Tipo_Corrente = static_cast<int>((*s.registro.corrente())["Tipo"].toInt());
    if (Nullo_Vuoto(Value(message))) return;
    s.fermaTimer1();
    struct Restart { Sistema& s; ~Restart() { s.avviaTimer1(); } } restart{s};
    Elabora_Messaggi(s, message);
}

void EtherCtrl_MessageRecv(Sistema& s, int address, const std::string& message) {
    s.fermaTimer1();
    struct Restart { Sistema& s; ~Restart() { s.avviaTimer1(); } } restart{s};
    try {
        s.corrente.Indirizzo_Corrente = address;
        if (!s.registro.trova(address)) return;
        s.corrente.Tipo_Corrente = static_cast<int>((*s.registro.corrente())["Tipo"].toInt());
        confermaLettura(s, address);
        std::string text = message;
        Elabora_Messaggi(s, text);
    } catch (const std::exception& e) {
        s.db.logError(e, "EtherCtrl_MessageRecv");
    }
}

void Timer1_Tick(Sistema& s) {
    s.db.newTurn();
    const bool conDatabase = s.ciclo.tickSenzaDatabase == 0;
    if (!conDatabase) --s.ciclo.tickSenzaDatabase;
    step(s, "clock", [&] { rigaOrologio(s.clock.now()); });
    if (conDatabase) {
        step(s, "locks", [&] {
            if (!Rilascia_Semafori_Sospesi(s.db, s.postazione)) throw DbError(0, "Locks could not be released yet");
        });
        step(s, "queue", [&] { Buffer_Terminali(s, ModoCoda::Invia); });
        step(s, "dialogues", [&] { Scadenza_Dialoghi(s); });
    }
    const LinkTraits traits = s.link ? s.link->traits() : LinkTraits{};
    if (traits.refreshesClock && conDatabase) {
        step(s, "prompts", [&] {
            if (s.Contatore_Orologio == 60) {
                Buffer_Terminali(s, ModoCoda::Aggiorna);
                s.Contatore_Orologio = 0;
            } else {
                ++s.Contatore_Orologio;
            }
        });
    }
    if (s.link) step(s, "link", [&] { s.link->tick(); });
    step(s, "yield", [&] { s.loop.yieldOnce(); });
    // A polled read is fetched even while the database is out: it is answered with the
    // idle prompt rather than left waiting at the terminal.
    if (traits.polled) step(s, "read", [&] { leggiTerminali(s); });
    if (conDatabase) {
        if (traits.takesInjected) step(s, "injected", [&] { messaggiIniettati(s); });
        step(s, "money-card dialogues", [&] { Scadenza_Dialoghi_MoneyCard(s); });
        step(s, "lock watch", [&] { s.sorveglianzaSemafori.controlla(s.db, s.postazione, s.clock.now()); });
        step(s, "maintenance", [&] { s.db.conn().manutenzione(); });
        if (s.db.outage()) s.ciclo.tickSenzaDatabase = kTickDopoGuasto;
    }
}

void Timer2_Tick(Sistema& s) {
    if (s.timer2) s.timer2->setInterval(std::chrono::milliseconds(0));
    s.db.newTurn();
    step(s, "connections", [&] {
        std::string missing;
        auto rs = s.db.open("SELECT Indirizzo  FROM Dettaglio_Terminali  WHERE Attivo<>0 " + s.registro.soloPropri() +
                            " ORDER BY Indirizzo ");
        for (; !rs->eof(); rs->moveNext()) {
            const int64_t address = rs->field(0).toInt();
            const bool connected = s.link && s.link->identified(static_cast<int>(address));
            if (!connected) missing += std::to_string(address) + ", ";
        }
        if (!missing.empty())
            s.operatore.messageBox("Inizializzazione non riuscita dei terminali agli indirizzi : " + missing,
                                   Operatore::Icona::Informazione);
    });
}

}  // namespace velaris
