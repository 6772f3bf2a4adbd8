#include "processing/ingresso.h"

#include "attendance/dati_accessi.h"
#include "attendance/money_card.h"
#include "attendance/presenze.h"
#include "attendance/visita.h"
#include "checks/abbonamenti_strutture.h"
#include "checks/abbonamenti_terminali.h"
#include "processing/risposte.h"
#include "system/queue.h"
#include "system/sender.h"
#include "system/terminal_types.h"

namespace velaris {

namespace {

// Beeps of the desk for a member refused at the entrance (the stop pattern of the push
// terminals).
constexpr int kBeepRifiuto = 3;

// The access display row of the member's read.
void datiAccessi(Sistema& s, const Messaggio& m, const std::string& codice, const EsitoStrutture& e) {
    const SchedaCliente& c = e.cliente;
    DatiAccessi d;
    d.Completo = Value(1);
    const std::string tessera = s.lettura.Tessera_Letta.empty() ? codice : s.lettura.Tessera_Letta;
    d.Codice_Tessera = Value(tessera);  // cut to its column on the way in
    d.Codice = Value(codice);
    d.Cognome = c.Cognome;
    d.Nome = c.Nome;
    d.Indirizzo = c.Indirizzo;
    d.Data_Entrata = Value(m.oggi);
    d.Ora_Entrata = Value(m.ora);
    d.Data_Ultima_Entrata = c.Data_Ultima_Entrata;
    d.Ora_Ultima_Entrata = c.Ora_Ultima_Entrata;
    d.Codice_Abbonamento = e.Codice_Abbonamento;
    d.DesAbbonamento = Value(e.Sommario);
    d.Stato = c.Stato;
    d.Foto = c.Foto;
    d.Scadenza = e.Scadenza;
    d.DesStato = Value(descrizioneStato(c.Stato));
    d.Codice_Iscrizione = e.Codice_Iscrizione;
    d.TestoIrr = Value(e.Testo_Irregolarita);
    d.Codice_Consulente = c.Codice_Consulente;
    d.Sem1 = Value(e.Irregolare_Altri || e.Irregolare ? 1 : 0);
    d.Sem2 = Value(e.Ammesso ? 1 : 0);
    d.Sem3 = Value(e.Fuori_Fascia ? 1 : 0);
    d.Sospeso = Value(e.Sospeso ? 1 : 0);
    d.Messaggio = Value(e.messaggi.bloccante || e.messaggi.avviso ? 1 : 0);
    d.Struttura_Ingresso = Value("INGRESSO");
    d.Entrata = Value(!e.Ammesso ? "INGRESSO NON CONSENTITO" : e.MoneyCard ? "INGRESSO CON MONEY CARD" : "INGRESSO CONSENTITO");
    d.Terminale = Value(s.corrente.Indirizzo_Corrente);
    d.Monitor_Aggiuntivo = Value(static_cast<int>(s.corrente.Monitor_Aggiuntivo));
    d.TestoIrr_Push = Value(e.Testo_Irregolarita);
    VisualizzaDatiForm(s, d);
}

// The member's entry, recorded for the confirmed rows the check left.
bool registra(Sistema& s, const Messaggio& m, const std::string& codice, const EsitoStrutture& e) {
    PresenzaStrutture p;
    p.Codice_Cliente = Value(codice);
    p.Data = m.oggi;
    p.Ora = m.ora;
    p.Indirizzo = s.corrente.Indirizzo_Corrente;
    p.Stato_Precedente = e.cliente.Stato;
    p.Descrizione_Default = Value(e.Sommario);
    p.Data_Fine_Default = e.Scadenza;
    p.Cognome = e.cliente.Cognome;
    p.Nome = e.cliente.Nome;
    p.Rinnovo = e.Rinnovo;
    p.Fuori_Fascia = e.Fuori_Fascia;
    p.Sospeso = e.Sospeso;
    p.Irregolare = e.Irregolare;
    p.Nessun_Ingresso = e.Nessun_Ingresso;
    return Salva_Presenza(s, p);
}

// A code that is neither a member nor a staff member of the centre.
Fine rifiutaCodice(Sistema& s, Messaggio& m) {
    const Corrente& c = s.corrente;
    if (c.Stop != 0) Attiva_Rele(s, Value(), 2, c.Tipo_Corrente);
    if (tipo::conDisplay(c.Tipo_Corrente)) accoda(s, c.Indirizzo_Corrente, "\fSTOP|NON ABILITATO", 2);
    m.Regolare = 0;
    Prompt_Riposo(s, m);
    return Fine::ScriviStato;
}

// An entry paid by the money card: the price is debited before the entry is recorded.
// False when the credit no longer covers it; a database failure is raised.
bool pagaIngresso(Sistema& s, const std::string& codice, const EsitoStrutture& e, Pagamento& p) {
    p = Addebita_MoneyCard(s, Value(codice), Value(), e.Prezzo_MoneyCard);
    if (p.esito == EsitoAddebito::Errore) throw DbError(5, "The money card could not be debited");
    return p.esito == EsitoAddebito::Eseguito;
}

Fine membro(Sistema& s, Messaggio& m, const std::string& codice) {
    EsitoStrutture e = Verifica_Abbonamenti_Strutture(s, Value(codice), s.corrente.Indirizzo_Corrente);
    if (!e.Conosciuto) return rifiutaCodice(s, m);
    Verdetto& v = m.verdetto;
    Pagamento pagamento;
    const bool conMoneyCard = e.Ammesso && e.MoneyCard;
    if (conMoneyCard) {
        // The debit and the entry it pays are one unit: both on the books or neither.
        Transaction t(s.db);
        if (!pagaIngresso(s, codice, e, pagamento)) {
            e.Ammesso = false;  // another workstation took the credit in the meantime
            e.MoneyCard = false;
            v.Esito = 6;
        } else if (!registra(s, m, codice, e)) {
            return Fine::Nessuna;  // rolled back with the visit: the card keeps its credit
        } else {
            t.commit();
        }
    } else if (e.Ammesso && !registra(s, m, codice, e)) {
        // The entry is recorded before the gate opens: a recording that fails leaves the
        // read without a verdict, never a member let in without the visit on the books.
        return Fine::Nessuna;
    }

    if (v.Esito != 6) v.Esito = e.Ammesso ? 0 : (e.Rifiuto_Sospeso ? 3 : 4);
    if (conMoneyCard && e.Ammesso) v.Info_Ulteriore = rigaCreditoResiduo(pagamento.residuo, true);
    v.FuoriFascia = e.Fuori_Fascia;
    v.NessunIngresso = e.Rifiuto_Diritto;
    Rispondi_Verdetto(s, m, codice);
    if (!e.Ammesso) Segnale_Acustico(s, kBeepRifiuto);
    datiAccessi(s, m, codice, e);
    Marker_DatiAccessi(s);
    m.Regolare = e.Ammesso ? 1 : 0;
    m.FuoriOrario = e.Fuori_Fascia ? 1 : 0;
    Prompt_Riposo(s, m);
    return Fine::ScriviStato;
}

}  // namespace

Fine Ingresso_Generale(Sistema& s, Messaggio& m, const std::string& codice) {
    // The state row names the code just judged, never the previous read's member.
    if (!codice.empty()) m.Codice_Cliente = Value(codice);
    if (codicePersonale(codice)) {
        // Staff cards pass as at a facility's terminal.
        if (Verifica_Personale(s, Value(codice)) == kVAT_Personale) {
            Rispondi_Personale(s, s.esiti.Personale);
            m.Regolare = kVAT_Personale;
            Prompt_Riposo(s, m);
            return Fine::ScriviStato;
        }
        return rifiutaCodice(s, m);
    }
    if (codice.rfind("CL", 0) == 0) return membro(s, m, codice);
    return rifiutaCodice(s, m);
}

}  // namespace velaris
