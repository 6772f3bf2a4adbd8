#include "app/polling.h"

#include "app/format.h"
#include "processing/intake.h"
#include "processing/money_card_dialogo.h"
#include "terminals/queue.h"
#include "terminals/sender.h"

namespace velaris {

namespace {

void leggiNet92(Sistema& s) {
    s.fermaTimer1();
    struct Restart { Sistema& s; ~Restart() { s.avviaTimer1(); } } restart{s};
    s.corrente.Indirizzo_Corrente = 0;
    std::string buffer;
    for (const auto& t : s.registro.Terminali_Rete) {
        buffer = bufferLettura();
        int r = s.net92->PollTerm(t.Indirizzo, buffer);
        if (r == 2) r = s.net92->PollTerm(255, buffer);
        if (r > 1 && !buffer.empty()) {
            s.corrente.Indirizzo_Corrente = static_cast<unsigned char>(buffer[0]);
            break;
        }
    }
    if (s.corrente.Indirizzo_Corrente == 0) return;
    if (!s.registro.trova(s.corrente.Indirizzo_Corrente)) return;  // not configured: dropped
    s.corrente.Tipo_Corrente = static_cast<int>((*s.registro.corrente())["Tipo"].toInt());
    if (buffer.rfind("---", 0) == 0 || buffer.find_first_of(":&#") != std::string::npos) return;
    if (s.corrente.Tipo_Corrente == 1 || s.corrente.Tipo_Corrente == 2) {
        std::string ack = "%BxM0";
        KxSendMsg(s, s.corrente.Indirizzo_Corrente, ack, 0);
    }
    // The buffer's text ends at its NUL.
    std::string message = buffer.substr(0, buffer.find('\0'));
    Elabora_Messaggi(s, message);
}

void messaggiIniettati(Sistema& s) {
    Value id, address, message;
    {
        auto rs = s.db.open("SELECT TOP 1 ID, Indirizzo, Messaggio  FROM Stato_Terminali  WHERE Stato=500  ORDER BY ID");
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
    s.fermaTimer1();
    {
        struct Restart { Sistema& s; ~Restart() { s.avviaTimer1(); } } restart{s};
        s.corrente.Indirizzo_Corrente = indirizzo;
        if (s.connessioni) {
            for (int i = 1; i <= s.connessioni->highestIndex(); ++i) {
                const std::string tag = s.connessioni->tag(i);
                if (s.connessioni->loaded(i) && !Nullo_Vuoto(Value(tag)) && Value(tag).toInt() == indirizzo &&
                    s.connessioni->connected(i))
                    s.corrente.Indice_Socket = i;
            }
        }
        std::string text = message.toText();
        Elabora_Messaggi(s, text);
    }
    s.db.execute("DELETE FROM Stato_Terminali  WHERE ID=" + Num_SqlQ(id));
}

template <typename F>
void step(F&& f) {
    try {
        f();
    } catch (const std::exception&) {
        // A failing step never stops the cycle: the tick goes on with the next one.
    }
}

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

void Timer1_Tick(Sistema& s) {
    step([&] { rigaOrologio(s.clock.now()); });
    step([&] { Buffer_Terminali(s, ModoCoda::Invia); });
    const int kind = s.config.Dispositivo;
    if (kind == 1 || kind == 2) {
        step([&] {
            if (s.Contatore_Orologio == 60) {
                Buffer_Terminali(s, ModoCoda::Aggiorna);
                s.Contatore_Orologio = 0;
            } else {
                ++s.Contatore_Orologio;
            }
        });
    }
    if (kind == 4) {
        step([&] {
            if (s.Contatore_Ascolto == 5) {
                s.Contatore_Ascolto = 0;
                std::string error;
                if (s.connessioni && !s.connessioni->listening() && s.connessioni->listen(error)) s.loop.yieldOnce();
            } else {
                ++s.Contatore_Ascolto;
            }
        });
    }
    step([&] { s.loop.yieldOnce(); });
    if (kind == 1 && s.net92) step([&] { leggiNet92(s); });
    if (kind == 3) step([&] { messaggiIniettati(s); });
    step([&] { Scadenza_Dialoghi_MoneyCard(s); });
    step([&] { s.db.conn().manutenzione(); });
}

void Timer2_Tick(Sistema& s) {
    if (s.timer2) s.timer2->setInterval(std::chrono::milliseconds(0));
    step([&] {
        std::string missing;
        auto rs = s.db.open("SELECT Indirizzo  FROM Dettaglio_Terminali  WHERE Attivo<>0  ORDER BY Indirizzo ");
        for (; !rs->eof(); rs->moveNext()) {
            const int64_t address = rs->field(0).toInt();
            bool connected = false;
            if (s.connessioni) {
                for (int i = 1; i <= s.connessioni->highestIndex() && !connected; ++i) {
                    const std::string tag = s.connessioni->tag(i);
                    connected = s.connessioni->loaded(i) && !Nullo_Vuoto(Value(tag)) && Value(tag).toInt() == address;
                }
            }
            if (!connected) missing += std::to_string(address) + ", ";
        }
        if (!missing.empty())
            s.operatore.messageBox("Inizializzazione non riuscita dei terminali agli indirizzi : " + missing,
                                   Operatore::Icona::Informazione);
    });
}

}  // namespace velaris
