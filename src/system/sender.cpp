#include "system/sender.h"

#include "base/format.h"
#include "system/queue.h"
#include "system/terminal_types.h"
#include "terminals/httppush/http_reply.h"
#include "terminals/transport/cp1252.h"
#include "terminals/transport/wire_text.h"

namespace velaris {

int KxSendMsg(Sistema& s, int address, std::string& message, int sendMode) {
    try {
        const int result = s.link ? s.link->send(address, message, sendMode) : 0;
        if (result == 0 && address == s.corrente.Indirizzo_Corrente) s.corrente.Risposto = true;
        return result;
    } catch (const std::exception& e) {
        s.log.timedError(e.what(), "KxSendMsg", s.corrente.Indice_Socket);
        return -1;
    }
}

void AttivazioneIOX(Sistema& s, const Value& address, int output, const Value& time, const Value& delay,
                    Value* baseTime, const Value& booking, const Value& subFacility) {
    try {
        const int64_t t = time.toInt();
        if (t < 1) {
            if (output < 0 || output > 7) {
                s.log.timedError("Output " + std::to_string(output) + " out of range 0-7", "AttivazioneIOX");
                return;
            }
            std::string on = "S--------", off = "S--------";
            on[static_cast<size_t>(8 - output)] = '1';
            off[static_cast<size_t>(8 - output)] = '0';
            Buffer_Terminali(s, ModoCoda::Accoda, address, Value(on), Value(0), baseTime, booking, subFacility);
            Buffer_Terminali(s, ModoCoda::Accoda, address, Value(off), delay, baseTime, booking, subFacility);
        } else {
            Buffer_Terminali(s, ModoCoda::Accoda, address, Value("O" + std::to_string(output) + std::to_string(t)), delay,
                             baseTime, booking, subFacility);
        }
    } catch (const std::exception& e) {
        s.log.timedError(e.what(), "AttivazioneIOX");
    }
}

void Stampa_Scontrino(Sistema& s, int address, const Value& clientCode, const std::string& service,
                      const Value& remainingEntries, const Value& expiry) {
    try {
        std::string surname, name;
        {
            auto rs = s.db.open("SELECT TOP 1 Cognome, Nome  FROM Anagrafica_Clienti  WHERE Codice_Cliente = " +
                                CChrQ(clientCode));
            if (!rs->eof()) {
                surname = rs->field(0).toText();
                name = rs->field(1).toText();
            }
        }
        const std::string esc = "\x1b", dq = "\"", crlf = "\r\n";
        auto line = [&](const std::string& pos, const std::string& text) {
            return esc + "@A20," + pos + ",0,4,1,1,N," + dq + text + dq + crlf;
        };
        std::vector<std::string> texts = {
            esc + "@N" + crlf + "ZB" + crlf + "Q250,0" + crlf + "OD" + crlf,
            esc + "@A20,10,0,4,1,1,N," + dq + rigaOrologio(s.clock.now()) + dq + crlf + "A20,50,0,4,1,1,N," + dq +
                "Cliente: " + dq + crlf,
            line("90", surname + " " + name),
            line("130", "Servizio: "),
            line("170", service),
        };
        if (!Nullo_Vuoto(remainingEntries)) texts.push_back(line("210", "Ingressi residui: " + remainingEntries.toText()));
        if (!Nullo_Vuoto(expiry)) texts.push_back(line("210", "Scadenza: " + expiry.toText()));
        for (std::string& t : texts) {
            KxSendMsg(s, address, t, 0);
            s.loop.yieldFor(std::chrono::milliseconds(300));
        }
        std::string print = esc + "@P1" + crlf;
        KxSendMsg(s, address, print, 0);
    } catch (const std::exception& e) {
        s.log.timedError(e.what(), "Stampa_Scontrino");
    }
}

std::string Comando_Rele(const std::string& rele, int64_t tempo) {
    // Chr(time): a byte of the terminals' code page, carried as UTF-8 up to the link.
    return "%O" + rele + cp1252ToUtf8(std::string(1, static_cast<char>(tempo & 0xFF)));
}

void Attiva_Rele(Sistema& s, const Value& risultato, int modo, int tipo) {
    (void)risultato;
    try {
        const Corrente& c = s.corrente;
        const bool go = modo == 1;
        switch (tipo) {
            case tipo::TastieraA:
            case tipo::TastieraB:
            case tipo::LettoreA:
            case tipo::LettoreB: {
                const int16_t relay = go ? c.NReleVai : c.NReleStop;
                const Value& time = go ? c.TempoVai : c.TempoStop;
                std::string cmd =
                    Comando_Rele(tipo::tastiera(tipo) || relay != 1 ? std::to_string(relay) : std::string(), time.toInt());
                KxSendMsg(s, c.Indirizzo_Corrente, cmd, 0);
                break;
            }
            case tipo::Tcp:
                if (s.link) s.link->sendCommand(c.Indirizzo_Corrente, go ? frameGo(c.TempoVai) : frameStop());
                s.corrente.Risposto = true;
                break;
            case tipo::HttpPush:
                if (s.link && s.link->writeTo(c.Indice_Socket, httpResponse(releBody(go, c.TempoVai), s.clock)))
                    s.corrente.Risposto = true;
                break;
            default: break;
        }
    } catch (const std::exception& e) {
        s.log.timedError(e.what(), "Attiva_Rele");
    }
}

}  // namespace velaris
