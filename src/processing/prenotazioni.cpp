#include "processing/prenotazioni.h"

#include <algorithm>

#include "attendance/dati_accessi.h"
#include "attendance/prenotazioni.h"
#include "checks/abbonamenti_terminali.h"
#include "checks/prenotazioni.h"
#include "processing/dialogo.h"
#include "processing/risposte.h"
#include "system/queue.h"
#include "system/sender.h"
#include "system/terminal_types.h"

namespace velaris {

namespace {

constexpr const char* kFunzione = "Prenotazioni_Terminali";

// The machine a read switches on, taken fresh for every read.
struct Macchina {
    Value Cd_SubStruttura;
    Value Codice_Struttura;
    int64_t TempoVai = 0;
    int64_t NReleVai = 0;
    bool IOX = false;
    int64_t ID_Prenotazione = 0;  // 0 for a machine switched on by staff
};

// The on-time as the display shows it: two digits at least ("05").
std::string testoTempo(int64_t tempo) {
    const std::string t = std::to_string(std::max<int64_t>(tempo, 0));
    return t.size() < 2 ? "0" + t : t;
}

class PrenotazioniTerminali {
public:
    PrenotazioniTerminali(Sistema& s, Messaggio& m)
        : s_(s), m_(m), indirizzo_(s.corrente.Indirizzo_Corrente), tipo_(s.corrente.Tipo_Corrente),
          adesso_(s.clock.now()), idTerminale_((*m.terminale)["ID"]) {}

    void esegui();

private:
    void macchinaDigitata();
    void tesseraPersonale(const std::string& codice);
    void tesseraCliente(const std::string& codice);
    EsitoPrenotazione giudica(const std::string& codice, const PrenotazioneTrovata& p, UsoPrenotato& uso,
                              int64_t& idDisplay);
    void rispondi(EsitoPrenotazione esito, const Macchina& macchina);
    void accendi(const Macchina& macchina);
    void concludi(const Value& codice);
    void scriviStato(int stato, const Value& codice);
    void invia(const std::string& testo);

    Sistema& s_;
    Messaggio& m_;
    const int indirizzo_;
    const int tipo_;
    const DateTime adesso_;
    const Value idTerminale_;
};

void PrenotazioniTerminali::esegui() {
    try {
        if (m_.Stato == stato::SceltaPrenotazione) {
            macchinaDigitata();
            return;
        }
        const std::string& codice = m_.Codice_Proprietario;
        if (codicePersonale(codice)) tesseraPersonale(codice);
        else tesseraCliente(codice);
    } catch (const std::exception& e) {
        s_.db.logError(e, kFunzione);
        // No verdict; the terminal must not stay in a dialogue nobody can finish.
        try {
            Prompt_Riposo(s_, m_);
            scriviStato(m_.Stato_Nuovo != 0 ? m_.Stato_Nuovo : stato::Pronto, Value::null());
        } catch (const std::exception& e2) {
            s_.db.logError(e2, kFunzione);
        }
    }
}

// Step 1: the number a staff member typed after badging.
void PrenotazioniTerminali::macchinaDigitata() {
    const std::string personale = m_.Codice_Cliente.toText();
    std::optional<Macchina> macchina;
    if (tipologiaPersonale(personale) == 0) {
        s_.log.error(0, "Terminal " + std::to_string(indirizzo_) + " waits for a machine number without a staff member",
                     kFunzione);
    } else if (Risposta_Adatta(m_.Codice_Letto, Larghezza_Risposta(s_, indirizzo_, stato::SceltaPrenotazione))) {
        auto rs = s_.db.open(
            "SELECT TOP 1 Dettaglio_Terminali_Sub.TempoVai, Dettaglio_Terminali_Sub.NReleVai, IOX, TempoAnticipo, "
            "TempoRitardo, TempoApertura, Dettaglio_Terminali_Sub.Cd_SubStruttura, Anagrafica_SubStrutture.Codice_Struttura "
            "FROM (Dettaglio_Terminali_Sub INNER JOIN Dettaglio_Terminali ON "
            "Dettaglio_Terminali_Sub.ID_Terminale=Dettaglio_Terminali.ID) INNER JOIN Anagrafica_SubStrutture ON "
            "Dettaglio_Terminali_Sub.Cd_SubStruttura=Anagrafica_SubStrutture.Cd_SubStruttura "
            " WHERE Indirizzo = " + std::to_string(indirizzo_) +
            " AND Dettaglio_Terminali_Sub.NReleVai = " + std::to_string(std::stoi(m_.Codice_Letto)));
        if (!rs->eof()) {
            macchina = Macchina{rs->field(6), rs->field(7), rs->field(0).toInt(), rs->field(1).toInt(),
                                rs->field(2).toBool(), 0};
        }
    }
    if (!macchina) {
        invia("\fNUMERO MACCHINA|ERRATO");
    } else {
        UsoPrenotato uso;
        uso.Codice = Value(personale);
        uso.Tipologia_Personale = tipologiaPersonale(personale);
        uso.Codice_Struttura = macchina->Codice_Struttura;
        uso.Cd_SubStruttura = macchina->Cd_SubStruttura;
        uso.Indirizzo = indirizzo_;
        Salva_Presenza_Prenotazioni(s_, uso);
        accendi(*macchina);
        invia("\fMACCHINA|ATTIVATA");
    }
    concludi(Value(personale));
}

// Step 2: a staff card asks for the number of the machine to switch on.
void PrenotazioniTerminali::tesseraPersonale(const std::string& codice) {
    if (!personaleRegistrato(s_, codice)) {
        invia("\fSTOP|NON ABILITATO");
        concludi(Codice_Per_Stato(s_, codice, kFunzione));
        return;
    }
    accoda(s_, indirizzo_, "\f" + m_.Riga_Orologio + "|MACCHINA:_", 0);
    accoda(s_, indirizzo_, "%KN", 0);
    accoda(s_, indirizzo_, "%K1BX", 0);
    scriviStato(stato::SceltaPrenotazione, Value(codice));
}

// Steps 3 to 7 for a member's card.
void PrenotazioniTerminali::tesseraCliente(const std::string& codice) {
    if (codice.empty()) {
        concludi(Value::null());  // "CODICE NON ASSEGNATO" has been shown already
        return;
    }
    const PrenotazioneTrovata trovata = Cerca_Prenotazione(s_, idTerminale_, codice, adesso_);
    int64_t idDisplay = 0;
    UsoPrenotato uso;
    const EsitoPrenotazione esito = giudica(codice, trovata, uso, idDisplay);
    const SlotPrenotato& p = trovata.slot;
    const Macchina macchina{p.Cd_SubStruttura, p.Codice_Struttura, p.TempoVai, p.NReleVai, p.IOX, p.ID_Prenotazione};
    rispondi(esito, macchina);
    if (esito == EsitoPrenotazione::Attivata) {
        Salva_Presenza_Prenotazioni(s_, uso);
        accendi(macchina);
        // Remembered only with its relay command queued: once the database has failed in
        // this read that command is lost, the machine never starts, and the member must be
        // able to badge again rather than be told the slot was used.
        bool accodato = true;
        try {
            s_.db.flushDeferred();
        } catch (const std::exception& e) {
            s_.db.logError(e, kFunzione);
            accodato = false;
        }
        if (accodato && !s_.db.outage()) Segna_Prenotazione_Attivata(s_, p.ID_Prenotazione, p.apertura);
    }
    if (idDisplay > 0) Semafori_DatiAccessi(s_, idDisplay, esito == EsitoPrenotazione::Attivata ? 1 : 0, 0);
    concludi(Codice_Per_Stato(s_, codice, kFunzione));
}

// Step 4: the member's standing and entitlement for a usable slot, the display row of the
// read, and what the attendance of an admitted use records.
EsitoPrenotazione PrenotazioniTerminali::giudica(const std::string& codice, const PrenotazioneTrovata& p,
                                                UsoPrenotato& uso, int64_t& idDisplay) {
    switch (p.esito) {
        case EsitoSlot::Nessuna: return EsitoPrenotazione::Nessuna;
        case EsitoSlot::FuoriOrario: return EsitoPrenotazione::FuoriOrario;
        case EsitoSlot::GiaAttivata: return EsitoPrenotazione::GiaAttivata;
        case EsitoSlot::Utilizzabile: break;
    }
    const DateTime oggi = adesso_.datePart();
    DatiAccessi d;
    d.Codice_Tessera = Value(s_.lettura.Tessera_Letta.empty() ? codice : s_.lettura.Tessera_Letta);
    d.Struttura_Ingresso = p.slot.Descrizione_Struttura;
    std::optional<TitoloPrenotazione> titolo;
    if (Verifica_Abbonamenti_Prenotazioni(s_, codice, oggi, d) == kVAP_Ammesso)
        titolo = Abbonamento_Prenotazione(s_, codice, p.slot.Codice_Struttura, oggi);
    if (!titolo) d.Entrata = Value("INGRESSO NON CONSENTITO");
    VisualizzaDatiForm(s_, d);
    idDisplay = DMaxQ(s_.db, "ID", "wTmp_DatiAccessi", "Codice=" + CChrQ(Value(codice))).toInt();
    if (!titolo) return EsitoPrenotazione::Irregolare;

    uso.Codice = Value(codice);
    uso.Codice_Struttura = p.slot.Codice_Struttura;
    uso.Cd_SubStruttura = p.slot.Cd_SubStruttura;
    uso.DaOre = p.slot.DaOre;
    uso.AOre = p.slot.AOre;
    uso.Indirizzo = indirizzo_;
    uso.Codice_Iscrizione = titolo->Codice_Iscrizione;
    uso.ID_Aggiunta = titolo->ID_Aggiunta;
    uso.ID_Riga = titolo->ID_Riga;
    uso.Codice_Abbonamento = titolo->Codice_Abbonamento;
    uso.Descrizione = d.DesAbbonamento;
    uso.Data_Fine = titolo->Data_Fine;
    uso.Cognome = d.Cognome;
    uso.Nome = d.Nome;
    return EsitoPrenotazione::Attivata;
}

// Step 5.
void PrenotazioniTerminali::rispondi(EsitoPrenotazione esito, const Macchina& macchina) {
    switch (esito) {
        case EsitoPrenotazione::Attivata: invia("\fOK REGOLARE|ATTIVAZIONE:|" + testoTempo(macchina.TempoVai)); break;
        case EsitoPrenotazione::FuoriOrario: invia("\fSTOP|FUORI ORARIO"); break;
        case EsitoPrenotazione::Irregolare: invia("\fSTOP|IRREGOLARE"); break;
        case EsitoPrenotazione::GiaAttivata: invia("\fSEDUTA|GIA' ATTIVATA|"); break;
        case EsitoPrenotazione::Nessuna: invia("\fSTOP|NESSUNA PRENOTAZIONE"); break;
    }
}

// Step 6: the machine's relay, on an expansion board or on the terminal itself; the
// queued commands carry the booking and the machine.
void PrenotazioniTerminali::accendi(const Macchina& macchina) {
    const Value booking(static_cast<long long>(macchina.ID_Prenotazione));
    if (macchina.IOX) {
        AttivazioneIOX(s_, Value(indirizzo_), static_cast<int>(macchina.NReleVai - 1), Value(macchina.TempoVai),
                       Value(0), nullptr, booking, macchina.Cd_SubStruttura);
        return;
    }
    std::string comando;
    if (tipo_ == tipo::HttpPush) {
        // A push terminal switches its relays through relay lines.
        comando = "relay" + std::to_string(macchina.NReleVai) + "=" + std::to_string(macchina.TempoVai);
    } else {
        // The on-time travels as one character: 1 to 255 (a NUL cannot be queued as text).
        const int64_t tempo = std::clamp<int64_t>(macchina.TempoVai, 1, 255);
        if (tempo != macchina.TempoVai)
            s_.log.timed(std::string(kFunzione) + ": on-time " + std::to_string(macchina.TempoVai) + " of machine " +
                         macchina.Cd_SubStruttura.toText() + " sent as " + std::to_string(tempo));
        comando = Comando_Rele(std::to_string(macchina.NReleVai), tempo);
    }
    Buffer_Terminali(s_, ModoCoda::Accoda, Value(indirizzo_), Value(comando), Value(0), nullptr, booking,
                     macchina.Cd_SubStruttura);
}

// Step 7: the display-refresh marker, the idle prompt and the state row.
void PrenotazioniTerminali::concludi(const Value& codice) {
    Marker_DatiAccessi(s_, Value(m_.Tempo_Display));
    Prompt_Riposo(s_, m_);
    if (tipo::tastiera(tipo_)) accoda(s_, indirizzo_, "%Kn", m_.Tempo_Display);
    scriviStato(m_.Stato_Nuovo != 0 ? m_.Stato_Nuovo : stato::Pronto, codice);
}

void PrenotazioniTerminali::scriviStato(int stato, const Value& codice) {
    s_.db.execute("UPDATE Stato_Terminali SET Stato = " + std::to_string(stato) + ", Codice_Cliente = " + CChrQ(codice) +
                  " WHERE Indirizzo = " + std::to_string(indirizzo_) + " AND Messaggio Is Null");
    Segui_Dialogo(s_, indirizzo_, stato);
}

void PrenotazioniTerminali::invia(const std::string& testo) {
    if (!tipo::conDisplay(tipo_)) return;
    std::string t = testo;
    KxSendMsg(s_, indirizzo_, t, 0);
}

}  // namespace

void Prenotazioni_Terminali(Sistema& s, Messaggio& m) {
    PrenotazioniTerminali p(s, m);
    p.esegui();
}

}  // namespace velaris
