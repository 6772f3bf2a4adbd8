#include "processing/gestisci_attivita.h"

#include <vector>

#include "processing/attivita.h"
#include "processing/attivita_terminale.h"
#include "processing/dialogo.h"
#include "processing/risposte.h"
#include "system/queue.h"
#include "system/sender.h"
#include "system/terminal_types.h"

namespace velaris {

namespace {

constexpr const char* kFunzione = "Gestisci_Attivita";
constexpr int kRitardoTesto = 2;

class GestioneAttivita {
public:
    GestioneAttivita(Sistema& s, Messaggio& m, const std::string& cliente)
        : s_(s), m_(m), cliente_(cliente), indirizzo_(s.corrente.Indirizzo_Corrente),
          struttura_((*m.terminale)["Codice_Struttura"]) {}

    Fine esegui(int verdetto);

private:
    Fine inizio(int verdetto);
    Fine codiceDigitato();
    Fine conferma();
    Fine ammetti(const Value& attivita);
    Fine rifiuta();
    Fine annulla(const std::string& testo);
    Fine chiediAncora(const std::string& errore);
    Fine attendi(int stato);
    void chiediAttivita(int ritardo);
    std::vector<Value> luoghi();
    void svuotaCarrello();
    void riposo();
    void tastieraNormale();
    void invia(const std::string& testo);

    Sistema& s_;
    Messaggio& m_;
    const std::string cliente_;
    const int indirizzo_;
    const Value struttura_;
};

Fine GestioneAttivita::esegui(int verdetto) {
    try {
        if (Nullo_Vuoto(Value(cliente_)) || Nullo_Vuoto(struttura_)) {
            s_.log.error(0, "Terminal " + std::to_string(indirizzo_) + ": activity dialogue without member or facility",
                         kFunzione);
            riposo();
            m_.Codice_Cliente = Value::null();
            return Fine::ScriviStato;
        }
        if (m_.Stato == stato::AttesaAttivita) return codiceDigitato();
        if (m_.Stato == stato::AttesaConferma) return conferma();
        return inizio(verdetto);
    } catch (const std::exception& e) {
        s_.db.logError(e, kFunzione);
        // No verdict; the terminal goes back to waiting for the next member.
        m_.Codice_Cliente = Value::null();
        riposo();
        return Fine::ScriviStato;
    }
}

// Steps 1 and 2: refusals of the subscription check, or the activity prompt.
Fine GestioneAttivita::inizio(int verdetto) {
    if (verdetto != kVAT_Ammesso) {
        Verdetto& v = m_.verdetto;
        v.Esito = s_.esiti.EsitoT_Sospeso ? 3 : 4;
        v.FuoriFascia = s_.esiti.EsitoT_FuoriOrario;
        v.NessunIngresso = s_.esiti.NoEntry_Abbonamento;
        if (v.Esito == 4 && s_.esiti.Flag_Irregolare && !v.FuoriFascia && !v.NessunIngresso) {
            if (s_.corrente.Stop != 0) Attiva_Rele(s_, Value(), 2, s_.corrente.Tipo_Corrente);
            if (tipo::conDisplay(s_.corrente.Tipo_Corrente))
                accoda(s_, indirizzo_, "UTENTE|NON ABILITATO||UTENTE IRREGOLARE", kRitardoTesto);
        } else {
            Rispondi_Verdetto(s_, m_, cliente_);
        }
        Prompt_Riposo(s_, m_);
        Fine_Verdetto(s_, m_, cliente_, false);
        return Fine::ScriviStato;
    }
    svuotaCarrello();  // nothing of an earlier dialogue may be confirmed by this member
    chiediAttivita(0);
    return attendi(stato::AttesaAttivita);
}

// Step 3: the typed activity code.
Fine GestioneAttivita::codiceDigitato() {
    if (m_.Codice_Letto == "0") return annulla("\fOPERAZIONE|ANNULLATA");
    const AttivitaDigitata a = Attivita_DaTerminale(s_, m_.Codice_Letto, luoghi());
    switch (a.esito) {
        case AttivitaDigitata::Esito::Sconosciuta: return chiediAncora("\fCODICE|ERRATO");
        case AttivitaDigitata::Esito::NonControllata: return chiediAncora("\fATTIVITA'|NON CONTROLLATA");
        case AttivitaDigitata::Esito::Trovata: break;
    }
    if (!Attivita_Cliente_Terminale(s_, cliente_, a.Struttura)) return rifiuta();
    if (!(*m_.terminale)["Addebito"].toBool()) return ammetti(a.Codice);

    // Step 4, charge mode: the choice goes into the terminal's basket and waits for 1 or 0.
    s_.db.execute("INSERT INTO wTmp_ArticoliTerminali_SQL (Indirizzo, Codice_Cliente, Codice_Articolo)  VALUES (" +
                  std::to_string(indirizzo_) + ", " + CChrQ(Value(cliente_)) + ", " + CChrQ(a.Codice) + ")");
    accoda(s_, indirizzo_, "\f" + std::string(trimBlanks(a.Descrizione.toText())) + "|1 PER CONFERMA|0 PER ANNULLARE", 0);
    accoda(s_, indirizzo_, "%K1BX", 0);
    accoda(s_, indirizzo_, "%KN", 0);
    return attendi(stato::AttesaConferma);
}

// Step 4: 1 confirms the activity in the basket, any other key cancels.
Fine GestioneAttivita::conferma() {
    if (m_.Codice_Letto != "1") return annulla("\fOPERAZIONE|ANNULLATA");
    Value attivita;
    {
        auto rs = s_.db.open("SELECT TOP 1 Codice_Articolo  FROM wTmp_ArticoliTerminali  WHERE Indirizzo = " +
                             std::to_string(indirizzo_));
        if (!rs->eof()) attivita = rs->field(0);
    }
    if (Nullo_Vuoto(attivita)) return annulla("\fNESSUN SERVIZIO|SELEZIONATO|OPERAZIONE|ANNULLATA");
    return ammetti(attivita);
}

// The chosen activity goes through the activity selection, which records it.
Fine GestioneAttivita::ammetti(const Value& attivita) {
    svuotaCarrello();
    // The card is not read again in a dialogue: the member's code stands for it.
    m_.Codice_Letto = m_.Codice_Spogliato = s_.lettura.Tessera_Letta = cliente_;
    const EsitoAttivita e = Verifica_Attivita_Terminale(s_, m_, Value(cliente_), attivita);
    m_.Regolare = e.Esito == 0 ? 1 : 0;
    m_.verdetto.Altra_Attivita = true;
    const Fine fine = Verdetto_Attivita(s_, m_, cliente_, e);
    tastieraNormale();
    return fine;
}

// "noentry": the member holds nothing for the typed activity here.
Fine GestioneAttivita::rifiuta() {
    Verdetto& v = m_.verdetto;
    v.Esito = 4;
    v.NessunIngresso = true;
    v.Altre_DatiAccessi = ", Entrata = 'INGRESSO NON CONSENTITO' ";
    Rispondi_Verdetto(s_, m_, cliente_);
    riposo();
    Fine_Verdetto(s_, m_, cliente_, false);
    return Fine::ScriviStato;
}

Fine GestioneAttivita::annulla(const std::string& testo) {
    svuotaCarrello();
    invia(testo);
    m_.verdetto.Altre_DatiAccessi = ", Entrata = 'INGRESSO NON CONSENTITO' ";
    riposo();
    Fine_Verdetto(s_, m_, cliente_, false);
    return Fine::ScriviStato;
}

// A code that names nothing usable here: told at once, then the prompt again.
Fine GestioneAttivita::chiediAncora(const std::string& errore) {
    invia(errore);
    chiediAttivita(kRitardoTesto);
    return attendi(stato::AttesaAttivita);
}

Fine GestioneAttivita::attendi(int stato) {
    m_.Stato_Nuovo = stato;
    m_.Codice_Cliente = Value(cliente_);
    return Fine::ScriviStato;
}

void GestioneAttivita::chiediAttivita(int ritardo) {
    accoda(s_, indirizzo_, "\f" + m_.Riga_Orologio + "|ATTIVITA':______", ritardo);
    accoda(s_, indirizzo_, "%K1", ritardo);
}

// The terminal's facility and its associated facilities, by priority.
std::vector<Value> GestioneAttivita::luoghi() {
    std::vector<Value> out{struttura_};
    auto rs = s_.db.open("SELECT Codice_Struttura_Associata  FROM Strutture_Associate  WHERE Codice_Struttura=" +
                         CChrQ(struttura_) + " ORDER BY Priorita DESC");
    for (; !rs->eof(); rs->moveNext())
        if (!Nullo_Vuoto(rs->field(0))) out.push_back(rs->field(0));
    return out;
}

void GestioneAttivita::svuotaCarrello() {
    s_.db.execute("DELETE FROM wTmp_ArticoliTerminali  WHERE Indirizzo = " + std::to_string(indirizzo_));
}

// The idle prompt, with the keypad back in its normal mode.
void GestioneAttivita::riposo() {
    Prompt_Riposo(s_, m_);
    tastieraNormale();
}

void GestioneAttivita::tastieraNormale() {
    if (tipo::tastiera(s_.corrente.Tipo_Corrente)) accoda(s_, indirizzo_, "%Kn", m_.Tempo_Display);
}

void GestioneAttivita::invia(const std::string& testo) {
    if (!tipo::conDisplay(s_.corrente.Tipo_Corrente)) return;
    std::string t = testo;
    KxSendMsg(s_, indirizzo_, t, 0);
}

}  // namespace

bool Attivita_Da_Tastiera(Sistema& s, const TerminalRow& t) {
    if (t["Gestisci_Attivita"].toInt() != kGestioneAttivita || Nullo_Vuoto(t["Codice_Struttura"])) return false;
    const std::string criterio = "Codice_Struttura=" + CChrQ(t["Codice_Struttura"]);
    std::string dominio = "Attivita_Terminali";
    if (DCountQ(s.db, "*", dominio, criterio) > 0) return true;
    dominio = "Attivita_Terminali_Strutture_Associate";
    return DCountQ(s.db, "*", dominio, criterio) > 0;
}

Fine Gestisci_Attivita(Sistema& s, Messaggio& m, const std::string& cliente, int verdetto) {
    GestioneAttivita g(s, m, cliente);
    return g.esegui(verdetto);
}

}  // namespace velaris
