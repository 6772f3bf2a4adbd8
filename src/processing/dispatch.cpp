// The dispatch of a code read at a ready terminal: go code, tickets, the owner, zone limit,
// reader time windows, the terminal's special modes, visitors, unassigned codes, exits,
// companion cards, sub-terminals and finally the member check with its reply.

#include <algorithm>
#include <optional>

#include "attendance/dati_accessi.h"
#include "base/format.h"
#include "attendance/log_terminali.h"
#include "attendance/uscite.h"
#include "attendance/visita.h"
#include "checks/abbonamenti_terminali.h"
#include "processing/attivita.h"
#include "processing/dialogo.h"
#include "processing/gestisci_attivita.h"
#include "processing/identifica.h"
#include "processing/ingresso.h"
#include "processing/intake.h"
#include "processing/prenotazioni.h"
#include "processing/passaggi.h"
#include "processing/risposte.h"
#include "processing/scadenze_fisse.h"
#include "system/queue.h"
#include "system/sender.h"
#include "system/terminal_states.h"

namespace velaris {

namespace {

using Passo = std::optional<Fine>;  // nothing: the dispatch goes on with the next step

void inviaSubito(Sistema& s, std::string testo) { KxSendMsg(s, s.corrente.Indirizzo_Corrente, testo, 0); }

// Every verdict that reaches the idle prompt ends here, before the state write.
Fine concludi(Sistema& s, Messaggio& m, const std::string& codice, bool ammesso) {
    Prompt_Riposo(s, m);
    Fine_Verdetto(s, m, codice, ammesso);
    return Fine::ScriviStato;
}

bool codiceCliente(const std::string& codice) { return codice.rfind("CL", 0) == 0; }

std::string ora(const DateTime& t) { return Ora_SqlQ(Value(t)); }

// Zone limit: the entry side of a zone with a maximum of people inside.
Passo limiteZona(Sistema& s, Messaggio& m, const std::string& codice) {
    const TerminalRow& t = *m.terminale;
    Value zona, massimo;
    {
        auto rs = s.db.open("SELECT TOP 1 Gestione_Zone_Terminali.ID_Zona, Tabella_Zone_Terminali.MaxPresenze FROM "
                            "Gestione_Zone_Terminali INNER JOIN Tabella_Zone_Terminali ON "
                            "Gestione_Zone_Terminali.ID_Zona=Tabella_Zone_Terminali.ID_Zona WHERE "
                            "Gestione_Zone_Terminali.ID_Terminale=" + Num_SqlQ(t["ID"]) +
                            " AND Gestione_Zone_Terminali.Uscita=0 AND (Tabella_Zone_Terminali.MaxPresenze>0)");
        if (rs->eof()) return std::nullopt;
        zona = rs->field(0);
        massimo = rs->field(1);
    }
    Value presenti;
    {
        auto rs = s.db.open("SELECT Count(Gestione_Entrate.ID_Entrata) AS TotPresenze FROM (Gestione_Entrate INNER JOIN "
                            "Dettaglio_Terminali ON Gestione_Entrate.IndTerminale=Dettaglio_Terminali.Indirizzo) INNER "
                            "JOIN Gestione_Zone_Terminali ON Dettaglio_Terminali.ID=Gestione_Zone_Terminali.ID_Terminale "
                            "LEFT JOIN Gestione_Uscite ON Gestione_Entrate.ID_Entrata=Gestione_Uscite.ID_Entrata WHERE "
                            "Gestione_Zone_Terminali.ID_Zona=" + Num_SqlQ(zona) +
                            " AND Gestione_Zone_Terminali.Uscita=0 AND Gestione_Entrate.Data_Entrata=" +
                            Data_SqlQ(Value(m.oggi)) + " AND Gestione_Uscite.ID_Entrata Is Null ");
        if (!rs->eof()) presenti = rs->field(0);
    }
    if (presenti.toInt() < massimo.toInt()) return std::nullopt;
    inviaSubito(s, "\fRAGGIUNTO LIMITE PRESENZE CONSENTITE");
    return concludi(s, m, codice, false);
}

// Reader time windows: a reader with windows valid today reads only inside one of today's.
Passo finestreLettore(Sistema& s, Messaggio& m, const std::string& codice) {
    bool conFinestre = false, dentro = false;
    const int adesso = m.ora.secondOfDay();
    {
        const std::string oggi = Data_SqlQ(Value(m.oggi));
        auto rs = s.db.open("SELECT DDSettimana, Fascia_Ini, Fascia_Fin, Data_Validita, Fine_Validita FROM "
                            "Dettaglio_Terminali_Punti INNER JOIN Dettaglio_Terminali ON "
                            "Dettaglio_Terminali_Punti.ID_Terminale=Dettaglio_Terminali.ID WHERE "
                            "Dettaglio_Terminali_Punti.Tipo=4 AND Dettaglio_Terminali.Indirizzo=" +
                            std::to_string(s.corrente.Indirizzo_Corrente) + " AND Data_Validita<=" + oggi +
                            " AND (Fine_Validita Is Null OR Fine_Validita>=" + oggi + ") ORDER BY DDSettimana");
        for (; !rs->eof(); rs->moveNext()) {
            conFinestre = true;
            if (rs->field(0).toInt() != m.giornoSettimana) continue;
            // A window without a start opens at midnight; one without an end closes at midnight.
            const auto ini = rs->field(1).toDate();
            const auto fin = rs->field(2).toDate();
            const int da = ini ? ini->secondOfDay() : 0;
            const int a = fin ? fin->secondOfDay() : 86399;
            if (da <= adesso && adesso <= a) dentro = true;
        }
    }
    if (!conFinestre || dentro) return std::nullopt;
    inviaSubito(s, "\fLETTORE NON ATTIVO");
    return concludi(s, m, codice, false);
}

// Companion cards: a card already used as a companion today at this terminal or in its
// group (within the terminal's interval of minutes, when it has one) is not active.
Passo accompagnatore(Sistema& s, Messaggio& m, const std::string& codice) {
    const TerminalRow& t = *m.terminale;
    const Corrente& c = s.corrente;
    std::string sql =
        "SELECT TOP 1 Log_Terminali_Presenze.ID FROM Log_Terminali_Presenze INNER JOIN Dettaglio_Terminali ON "
        "Log_Terminali_Presenze.IndTerminale=Dettaglio_Terminali.Indirizzo WHERE Log_Terminali_Presenze.Codice_Tessera=" +
        CChrQ(Value(m.Codice_Spogliato)) + " AND Log_Terminali_Presenze.Data_Presenza=" + Data_SqlQ(Value(m.oggi)) +
        " AND Log_Terminali_Presenze.Accompagnatore=1 AND (Dettaglio_Terminali.Indirizzo=" +
        std::to_string(c.Indirizzo_Corrente);
    if (t["Gruppo"].toInt() != 0) sql += " OR Dettaglio_Terminali.Gruppo=" + Num_SqlQ(t["Gruppo"]);
    sql += ")";
    if (c.Intervallo_Presenze > 0) {
        const int64_t inizio = std::max<int64_t>(0, m.ora.secondOfDay() - int64_t{c.Intervallo_Presenze} * 60);
        sql += " AND Log_Terminali_Presenze.Ora_Presenza>=" + ora(DateTime::fromSeconds(2 * 86400 + inizio));
    }
    {
        auto rs = s.db.open(sql);
        if (rs->eof()) return std::nullopt;
    }
    inviaSubito(s, "\fCODICE NON ATTIVO");
    return concludi(s, m, codice, false);
}

// Sub-terminals admit a member who already passed one of their main terminals today.
Fine subTerminale(Sistema& s, Messaggio& m, const std::string& codice) {
    const Corrente& c = s.corrente;
    bool passato;
    {
        auto rs = s.db.open("SELECT TOP 1 Log_Terminali_Presenze.ID FROM (Log_Terminali_Presenze INNER JOIN "
                            "Dettaglio_Terminali ON Log_Terminali_Presenze.IndTerminale=Dettaglio_Terminali.Indirizzo) "
                            "INNER JOIN Dettaglio_SubTerminali ON "
                            "Dettaglio_Terminali.ID=Dettaglio_SubTerminali.ID_Terminale WHERE "
                            "Log_Terminali_Presenze.Codice_Cliente=" + CChrQ(Value(codice)) +
                            " AND Log_Terminali_Presenze.Data_Presenza=" + Data_SqlQ(Value(m.oggi)) +
                            " AND Dettaglio_SubTerminali.ID_Terminale_Sub=" + Num_SqlQ((*m.terminale)["ID"]));
        passato = !rs->eof();
    }
    if (passato) {
        Attiva_Rele(s, Value(), 1, c.Tipo_Corrente);
        if (tipoConDisplay(c.Tipo_Corrente)) accoda(s, c.Indirizzo_Corrente, "\fOK|ABILITATO", 2);
    } else {
        if (c.Stop != 0) Attiva_Rele(s, Value(), 2, c.Tipo_Corrente);
        if (tipoConDisplay(c.Tipo_Corrente)) accoda(s, c.Indirizzo_Corrente, "\fSTOP|NON ABILITATO", 2);
    }
    m.verdetto.Esito = passato ? 0 : 4;
    return concludi(s, m, codice, passato);
}

std::string descrizioneAttivita(Sistema& s, int tipologia, const Value& codice) {
    const char* tabella = tipologia == 2 ? "Anagrafica_Corsi" : tipologia == 3 ? "Anagrafica_Servizi" : "Anagrafica_Strutture";
    const char* chiave = tipologia == 2 ? "Codice_Corso" : tipologia == 3 ? "Codice_Servizio" : "Codice_Struttura";
    return std::string(trimBlanks(DLookUpQ(s.db, "Descrizione", tabella, std::string(chiave) + "=" + CChrQ(codice)).toText()));
}

// The text after the first "|" of an information line that begins with `testa`.
Value valoreRiga(const std::vector<std::string>& righe, std::string_view testa) {
    for (const std::string& r : righe) {
        if (r.rfind(testa, 0) != 0) continue;
        const size_t p = r.find('|');
        if (p != std::string::npos) return Value(std::string(trimBlanks(std::string_view(r).substr(p + 1))));
    }
    return Value();
}

// The member check at a terminal that belongs to a facility.
Fine controlloStruttura(Sistema& s, Messaggio& m, const std::string& codice) {
    const TerminalRow& t = *m.terminale;
    const Value struttura = t["Codice_Struttura"];
    RichiestaTerminale r{Value(codice), Value(), Value(), t["Visualizza_Dett"], struttura};
    if (!Campo_Anagrafica(s.db, "Anagrafica_Strutture", "Codice_Struttura", CChrQ(struttura), "Codice_Struttura")
             .isNull()) {
        r.Esterna = Campo_Anagrafica(s.db, "Anagrafica_Strutture", "Codice_Struttura", CChrQ(struttura), "Esterna");
        r.Modo_Irregolari =
            Campo_Anagrafica(s.db, "Anagrafica_Strutture", "Codice_Struttura", CChrQ(struttura), "NoVerifica_Irregolari");
    }
    const int esito = Verifica_Abbonamenti_Terminali(s, r).Esito;
    m.Regolare = esito;
    m.FuoriOrario = s.esiti.EsitoT_FuoriOrario ? 1 : 0;
    if (esito == kVAT_Personale) {
        Rispondi_Personale(s, s.esiti.Personale);
        Prompt_Riposo(s, m);
        return Fine::ScriviStato;
    }

    if (Attivita_Da_Tastiera(s, t)) return Gestisci_Attivita(s, m, codice, esito);

    if (esito == kVAT_Ammesso) return Verdetto_Attivita(s, m, codice, Verifica_Attivita_Terminale(s, m, Value(codice)));
    Verdetto& v = m.verdetto;
    v.Esito = s.esiti.EsitoT_Sospeso ? 3 : 4;
    v.FuoriFascia = s.esiti.EsitoT_FuoriOrario;
    v.NessunIngresso = s.esiti.NoEntry_Abbonamento;
    Rispondi_Verdetto(s, m, codice);
    return concludi(s, m, codice, false);
}

}  // namespace

Fine Verdetto_Attivita(Sistema& s, Messaggio& m, const std::string& codice, const EsitoAttivita& ea) {
    if (ea.Scelta) return Fine::ScriviStato;  // the activation choice waits in state 10
    const TerminalRow& t = *m.terminale;
    Verdetto& v = m.verdetto;
    v.Esito = ea.Esito;
    if (v.Esito == 0) {
        v.Registrato = true;
        v.Info = ea.Righe_Info;
        v.Info_Ulteriore = ea.Info_Ulteriore;
        if (t["Stampa_Scontrino"].toBool()) {
            v.Servizio = descrizioneAttivita(s, ea.Tipologia, ea.Codice_Attivita);
            v.Residui = valoreRiga(ea.Righe_Info, "RESIDUO|");
            v.Scadenza = valoreRiga(ea.Righe_Info, "DATA SCADENZA:|");
        }
        Log_Terminali(s, Value(codice), s.corrente.Indirizzo_Corrente, Value(m.Codice_Spogliato), Value(m.Codice_Letto),
                      Value(ea.Tipologia), Value(0));
    } else {
        v.FuoriFascia = ea.Fuori_Fascia;
        v.NessunIngresso = ea.Nessun_Ingresso;
        v.Altre_DatiAccessi = ea.Altre_DatiAccessi;
    }
    // The activity selection may have found the member out of the band after all.
    m.FuoriOrario = s.esiti.EsitoT_FuoriOrario ? 1 : 0;
    Rispondi_Verdetto(s, m, codice);
    return concludi(s, m, codice, v.Esito == 0);
}

Fine controlloCliente(Sistema& s, Messaggio& m) {
    // The flags belong to the card under examination, never to the previous one.
    s.esiti = EsitiVerifica{};
    if (m.Stato == stato::AttesaAttivita || m.Stato == stato::AttesaConferma)
        return Gestisci_Attivita(s, m, m.Codice_Cliente.toText());
    const TerminalRow& t = *m.terminale;
    const int address = s.corrente.Indirizzo_Corrente;
    const std::string& codice = m.Codice_Proprietario;
    if (!Nullo_Vuoto(t["Codice_Struttura"])) {
        if (!codice.empty()) m.Codice_Cliente = Value(codice);
        return controlloStruttura(s, m, codice);
    }
    if (s.registro.conSub(address)) {
        Prenotazioni_Terminali(s, m);
        return Fine::Nessuna;
    }
    if (!Nullo_Vuoto(Value(codice)) && ZeroSeNullo(s.settings.Leggi_Impostazione(impostazione::Utilizza_CodBis)) != 0)
        DatiAccessi_Breve(s, Value(codice), address);
    Fine fine = Ingresso_Generale(s, m, codice);
    s.registro.trova(address);
    return fine;
}

Fine dispatchCodice(Sistema& s, Messaggio& m) {
    const TerminalRow& t = *m.terminale;
    const Corrente& c = s.corrente;
    std::string codice = m.Codice_Letto;

    const Value& codiceVai = t["CodiceVai"];
    if (!Nullo_Vuoto(codiceVai) && codice == codiceVai.toText() && c.Vai != 0) {
        Attiva_Rele(s, Value(), 1, c.Tipo_Corrente);
        return concludi(s, m, codice, true);
    }

    m.Codice_Spogliato = Togli_Sentinelle(codice);
    s.lettura.Tessera_Letta = m.Codice_Spogliato;
    const int uscita = static_cast<int>(t["Uscita"].toInt());

    if (s.Opzione_Avvio) {
        if (Nullo_Vuoto(Value(codice))) codice = m.Codice_Spogliato;
        if (Verifica_Biglietti(s, m, soloUscita(uscita) ? 2 : 1, codice)) {
            Prompt_Riposo(s, m);
            return Fine::ScriviStato;
        }
    }

    m.Codice_Proprietario = Identifica_Codice(s, codice, m.Cognome, m.Nome);
    codice = m.Codice_Proprietario;
    const bool cliente = codiceCliente(codice);

    if (cliente && uscita == 0)
        if (Passo p = limiteZona(s, m, codice)) return *p;
    if (cliente)
        if (Passo p = finestreLettore(s, m, codice)) return *p;
    if (cliente && t["Gestisci_Attivita"].toInt() == kGestioneScadenzeFisse) return Ingresso_ScadenzeFisse(s, m, codice);
    if (cliente && t["Gestisci_Attivita"].toInt() == kGestioneIngressiResidui) {
        Verifica_Ingressi_Residui(s, m, codice, t["Codice_Struttura"]);
        Prompt_Riposo(s, m);
        return Fine::ScriviStato;
    }
    if (codice.rfind("VR", 0) == 0) return Verifica_Ingresso_Visitatori(s, m, codice);

    if (codice.empty() && tipoConDisplay(c.Tipo_Corrente)) accoda(s, c.Indirizzo_Corrente, "\fCODICE NON ASSEGNATO", 2);
    if (uscita != kUscitaNo && !Nullo_Vuoto(Value(codice)))
        if (auto fine = Salva_Uscita(s, m, codice)) return *fine;
    // A terminal that only lets people out has nothing more to judge for a code nobody owns.
    if (soloUscita(uscita) && Nullo_Vuoto(Value(codice))) {
        if (c.Stop != 0) Attiva_Rele(s, Value(), 2, c.Tipo_Corrente);
        Prompt_Riposo(s, m);
        return Fine::ScriviStato;
    }

    if (!codice.empty())
        if (Passo p = accompagnatore(s, m, codice)) return *p;
    if (t["SubTerminale"].toBool() && cliente) return subTerminale(s, m, codice);
    return controlloCliente(s, m);
}

}  // namespace velaris
