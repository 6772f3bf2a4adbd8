#include "processing/passaggi.h"

#include "attendance/biglietti.h"
#include "attendance/dati_accessi.h"
#include "attendance/log_terminali.h"
#include "attendance/uscite.h"
#include "attendance/visitatori.h"
#include "base/format.h"
#include "db/database.h"
#include "processing/identifica.h"
#include "system/sender.h"
#include "system/terminal_types.h"

namespace velaris {

namespace {

// Go when the gate opens and the terminal has its go relay on; stop when it stays shut and
// the terminal has its stop relay on.
void rele(Sistema& s, bool apri) {
    const Corrente& c = s.corrente;
    if (apri && c.Vai != 0) Attiva_Rele(s, Value(), 1, c.Tipo_Corrente);
    if (!apri && c.Stop != 0) Attiva_Rele(s, Value(), 2, c.Tipo_Corrente);
}

// A verdict text, shown at once by the terminals that have a display.
void mostra(Sistema& s, const std::string& testo) {
    if (!tipo::conDisplay(s.corrente.Tipo_Corrente)) return;
    std::string t = "\f" + testo;
    KxSendMsg(s, s.corrente.Indirizzo_Corrente, t, 0);
}

// An answered read ends with the idle prompt; the state row keeps the idle state, never
// the outcome (a dialogue state would take the next card for a keypad entry or drop it).
Fine riposo(Sistema& s, Messaggio& m, const std::string& codice, bool regolare, bool fuoriOrario) {
    m.Codice_Cliente = codice.empty() ? Value::null() : Value(codice);
    m.Regolare = regolare ? 1 : 0;
    m.FuoriOrario = fuoriOrario ? 1 : 0;
    Prompt_Riposo(s, m);
    return Fine::ScriviStato;
}

// A code longer than any owner code belongs to nobody: refused before anything is written.
bool troppoLungo(Sistema& s, const std::string& codice, const char* funzione) {
    if (Primi_Caratteri(codice, kLunghezzaCodice) == codice) return false;
    s.log.error(0, "Code longer than " + std::to_string(kLunghezzaCodice) + " characters refused: " + testoPerLog(codice),
                funzione);
    rele(s, false);
    mostra(s, "CODICE NON ASSEGNATO");
    return true;
}

std::string testoUscita(const DecisioneUscita& d) {
    if (d.via == DecisioneUscita::Via::Personale) return "USCITA|REGISTRATA";
    switch (d.stato) {
        case StatoUscita::Consentita: return "USCITA|CONSENTITA";
        case StatoUscita::FuoriOrario: return "USCITA|FUORI ORARIO";
        case StatoUscita::NonRegistrata: return "USCITA NON REGISTRATA";
        case StatoUscita::CreditoEsaurito: return "USCITA|NON CONSENTITA|CREDITO ESAURITO";
    }
    return {};
}

std::string testoVisita(EsitoVisita e) {
    switch (e) {
        case EsitoVisita::Ingresso: return "ENTRATA|CONSENTITA";
        case EsitoVisita::Uscita: return "USCITA|CONSENTITA";
        case EsitoVisita::FuoriOrario: return "USCITA|FUORI ORARIO";
        case EsitoVisita::SenzaVisita: return "USCITA|NON CONSENTITA";
        case EsitoVisita::NonAssegnato: return "CODICE NON ASSEGNATO";
    }
    return {};
}

// The exit's display record, log row and display-refresh marker.
void scriviUscita(Sistema& s, Uscita& u) {
    u.datiAccessi();
    u.logEntrate();
    Marker_DatiAccessi(s);
}

// An exit that pays the stay's time (points or money card). The debit with its movement
// rows and the exit's rows commit together or not at all, and the gate opens only once
// they are on the books: a failure in between charges nothing and lets nobody out. A
// credit that does not cover the charge refuses the exit with nothing debited and the
// stay left open, so the member can top up and try again.
Fine uscitaPagata(Sistema& s, Messaggio& m, Uscita& u, const LetturaUscita& l) {
    DecisioneUscita d;
    {
        Transaction t(s.db);
        d = u.addebita();
        if (d.consentita) {
            u.registra();
            scriviUscita(s, u);
            t.commit();
        }
    }
    if (!d.consentita) scriviUscita(s, u);
    rele(s, d.consentita);
    mostra(s, testoUscita(d));
    Log_Terminali(s, Value(l.Codice), l.Indirizzo, Value(m.Codice_Spogliato), Value(m.Codice_Letto), Value(0),
                  Value(0));
    return riposo(s, m, l.Codice, d.consentita, false);
}

}  // namespace

std::optional<Fine> Salva_Uscita(Sistema& s, Messaggio& m, const std::string& codice) {
    static constexpr const char* F = "Salva_Uscita";
    if (troppoLungo(s, codice, F)) return riposo(s, m, "", false, false);
    try {
        const LetturaUscita l{codice, m.Codice_Spogliato, s.corrente.Indirizzo_Corrente, m.oggi, m.ora,
                              m.giornoSettimana};
        Uscita u(s, l);
        const DecisioneUscita d = u.decidi();
        using Via = DecisioneUscita::Via;
        switch (d.via) {
            case Via::Entrata:
                u.registra();
                return std::nullopt;
            case Via::NonAssegnato:
                rele(s, false);
                mostra(s, "CODICE NON ASSEGNATO");
                return riposo(s, m, codice, false, false);
            case Via::Punti:
            case Via::Denaro: return uscitaPagata(s, m, u, l);
            case Via::Personale:
            case Via::Cliente: break;
        }
        rele(s, d.consentita);
        mostra(s, testoUscita(d));
        u.registra();
        scriviUscita(s, u);
        Log_Terminali(s, Value(codice), l.Indirizzo, Value(m.Codice_Spogliato), Value(m.Codice_Letto), Value(0),
                      Value(0));
        return riposo(s, m, codice, d.consentita, d.stato == StatoUscita::FuoriOrario);
    } catch (const std::exception& e) {
        // Dropped without a state write; nothing is left locked.
        s.db.logError(e, F);
        return Fine::Nessuna;
    }
}

bool Verifica_Biglietti(Sistema& s, Messaggio& m, int direzione, const std::string& codice) {
    static constexpr const char* F = "Verifica_Biglietti";
    bool accettato = false;
    try {
        const LetturaBiglietto l{Togli_Sentinelle(codice), s.corrente.Indirizzo_Corrente, m.oggi, m.ora,
                                 m.giornoSettimana, s.lettura.Note_Tessera_Letta};
        Biglietti b(s, l);
        bool consentito = true;
        if (direzione == 1) {
            if (!b.ammetti()) return false;
            accettato = true;
            // Without a presence number the entry is not recorded and the gate stays shut.
            if (!b.registraIngresso()) return true;
            if (l.Indirizzo != 0) rele(s, true);
            mostra(s, "OK|ABILITATO");
            b.datiAccessi(false, true);
        } else {
            if (!b.trovaUscita()) return false;
            accettato = true;
            consentito = b.uscitaConsentita();
            rele(s, consentito);
            mostra(s, consentito ? "USCITA|CONSENTITA" : "USCITA|NON CONSENTITA");
            if (consentito) b.registraUscita();
            b.datiAccessi(true, consentito);
        }
        Marker_DatiAccessi(s);
        m.Codice_Cliente = Value(b.codiceCliente());
        m.Regolare = consentito ? 1 : 0;
        return true;
    } catch (const std::exception& e) {
        s.db.logError(e, F);
        return accettato;
    }
}

Fine Verifica_Ingresso_Visitatori(Sistema& s, Messaggio& m, const std::string& codice) {
    static constexpr const char* F = "Verifica_Ingresso_Visitatori";
    if (troppoLungo(s, codice, F)) return riposo(s, m, "", false, false);
    try {
        Visitatore v(s, LetturaVisitatore{codice, m.Codice_Spogliato, s.corrente.Indirizzo_Corrente, m.oggi, m.ora});
        const EsitoVisita e = v.decidi();
        rele(s, v.consentita());
        mostra(s, testoVisita(e));
        v.registra();
        // A code without a visitor leaves its log row and nothing else.
        if (e != EsitoVisita::NonAssegnato) v.datiAccessi();
        v.logEntrate();
        if (e != EsitoVisita::NonAssegnato) Marker_DatiAccessi(s, Value(0));
        return riposo(s, m, e == EsitoVisita::NonAssegnato ? std::string() : codice, v.consentita(),
                      e == EsitoVisita::FuoriOrario);
    } catch (const std::exception& e) {
        s.db.logError(e, F);
        return Fine::Nessuna;
    }
}

}  // namespace velaris
