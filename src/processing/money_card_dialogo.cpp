#include "processing/money_card_dialogo.h"

#include "attendance/dati_accessi.h"
#include "attendance/money_card.h"
#include "attendance/punti.h"
#include "base/format.h"
#include "checks/abbonamenti_terminali.h"
#include "db/counters.h"
#include "processing/identifica.h"
#include "system/queue.h"
#include "system/terminal_types.h"

namespace velaris {

namespace {

constexpr const char* F = "Elabora_MoneyCard";
// Field widths of the prompts: "IMPORTO:_______", "SERVIZIO:_______", "ART.:_______________".
constexpr size_t kCifreImporto = 7;
constexpr size_t kCaratteriArticolo = 15;

bool soloCifre(const std::string& t, size_t massimo) {
    if (t.empty() || t.size() > massimo) return false;
    for (char c : t)
        if (c < '0' || c > '9') return false;
    return true;
}

bool statoDialogo(int st) {
    return st == stato::MenuMoneyCard || (st >= stato::AttesaImporto && st <= stato::ConfermaContanti);
}

class Dialogo {
public:
    Dialogo(Sistema& s, Messaggio& m)
        : s_(s), m_(m), t_(*m.terminale), indirizzo_(s.corrente.Indirizzo_Corrente), codice_(m.Codice_Letto) {
        modo_ = static_cast<int>(t_["MoneyCard"].toInt());
        punti_ = t_["Gestione_Punti"].toInt() != 0;
        struttura_ = t_["Codice_Struttura"];
        cliente_ = m.Codice_Cliente;
        importo_ = Money::fromValue(m.Importo).value_or(Money());
        carta_ = m.MoneyCard;
        stato_ = m.Stato;
    }

    int esegui();

private:
    // The flows of the purchase, by the terminal's `MoneyCard` value and `Gestione_Punti`.
    bool importoLibero() const { return modo_ == -1 && !punti_; }
    bool puntiLiberi() const { return modo_ == -1 && punti_; }
    bool servizi() const { return modo_ != -1 && punti_; }
    bool bar() const { return modo_ != -1 && !punti_; }

    bool adatto() const;
    bool sembraTessera() const;
    int tessera();
    int menu();
    void acquisto();
    void importo();
    void servizio();
    void articolo();
    void chiudiVendita();
    void pagamento();
    void contanti();
    void promptArticolo();

    void testo(const std::string& t) { accoda(s_, indirizzo_, t, 0); }
    // Keypad commands reach the keypad terminals only.
    void comando(const std::string& c) {
        if (tipo::tastiera(s_.corrente.Tipo_Corrente)) testo(c);
    }
    void avanti(int nuovo);
    void fine(const std::string& esito);
    void svuotaCarrello() {
        s_.db.execute("DELETE FROM wTmp_ArticoliTerminali  WHERE Indirizzo = " + std::to_string(indirizzo_));
    }
    void salva();

    Sistema& s_;
    Messaggio& m_;
    const TerminalRow& t_;
    int indirizzo_;
    std::string codice_;
    int modo_ = 0;
    bool punti_ = false;
    Value struttura_;
    Value cliente_;
    Money importo_;      // the residual shown, or the points chosen for a service
    int16_t carta_ = 0;  // the sale is paid by card
    int stato_ = stato::Pronto;
};

// Does the input fit what the current state's prompt asks for?
bool Dialogo::adatto() const {
    switch (stato_) {
        case stato::MenuMoneyCard:
        case stato::SceltaPagamento:
        case stato::ConfermaContanti: return soloCifre(codice_, 1);
        case stato::AttesaImporto:
        case stato::AttesaServizio: return soloCifre(codice_, kCifreImporto) && !sembraTessera();
        case stato::AttesaArticolo: {
            if (codice_ == "0" || codice_ == "1") return true;
            if (servizi() || codice_.size() > kCaratteriArticolo) return false;
            for (char c : codice_)
                if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
            return !sembraTessera();
        }
        default: return true;
    }
}

// A code that belongs to a person: a badge read in the middle of a dialogue.
bool Dialogo::sembraTessera() const {
    for (const char* prefisso : {"CL", "VR"})
        if (codice_.rfind(prefisso, 0) == 0) return true;
    if (codicePersonale(codice_)) return true;
    const std::string q = CChrQ(Value(codice_));
    if (!s_.db.open("SELECT TOP 1 Codice_Cliente FROM Anagrafica_Clienti WHERE Codice_Cliente=" + q + " OR Codice_Bis=" + q)
             ->eof())
        return true;
    return !s_.db.open("SELECT TOP 1 Codice_Cliente FROM Tessere_Aggiuntive WHERE Codice_Tessera=" + q)->eof();
}

int Dialogo::esegui() {
    if (statoDialogo(stato_)) {
        if (!s_.dialoghi.attivo(indirizzo_, s_.clock.now())) {
            // Left alone too long: the read starts afresh.
            stato_ = stato::Pronto;
            carta_ = 0;
            return tessera();
        }
        if (codice_ == "0") {
            fine("\fOPERAZIONE|ANNULLATA");
            return 0;
        }
        if (!adatto()) {
            s_.log.timed("Terminal " + std::to_string(indirizzo_) + ": \"" + testoPerLog(codice_) +
                         "\" does not fit the money-card prompt (state " + std::to_string(stato_) +
                         "): operation cancelled, read again as a new code");
            testo("\fOPERAZIONE|ANNULLATA");
            svuotaCarrello();
            stato_ = stato::Pronto;
            carta_ = 0;
            return tessera();
        }
    }
    switch (stato_) {
        case stato::Pronto: return tessera();
        case stato::MenuMoneyCard: return menu();
        case stato::AttesaImporto: importo(); return 0;
        case stato::AttesaServizio: servizio(); return 0;
        case stato::AttesaArticolo: articolo(); return 0;
        case stato::SceltaPagamento: pagamento(); return 0;
        case stato::ConfermaContanti: contanti(); return 0;
        default: return 1;  // no dialogue state: the intake's own rules decide
    }
}

int Dialogo::tessera() {
    std::string codice = codice_;
    Value cognome, nome;
    std::string proprietario = Identifica_Codice(s_, codice, cognome, nome);
    if (codicePersonale(proprietario)) proprietario = Money_Card_Personale(s_, proprietario);
    if (proprietario.empty() && Nullo_Vuoto(cognome)) {
        fine("\fCODICE NON ASSEGNATO");
        return 0;
    }
    testo("\f" + std::string(trimBlanks(cognome.toText())) + "|" + std::string(trimBlanks(nome.toText())));
    if (proprietario.rfind("CL", 0) != 0) {
        DatiAccessi_Breve(s_, Value(codice_), indirizzo_);
        fine("");
        return 0;
    }
    cliente_ = Value(proprietario);
    svuotaCarrello();  // nothing of an earlier operation may be sold to this member
    if (t_["Vendita"].toBool()) {
        comando("%K1BX");
        comando("%KN");
        testo("|1 INGRESSO|2 ACQUISTO|SCELTA:_");
        avanti(stato::MenuMoneyCard);
        return 0;
    }
    acquisto();
    return 0;
}

int Dialogo::menu() {
    if (codice_ == "1") {
        s_.db.execute("UPDATE Stato_Terminali SET Stato = " + std::to_string(stato::Pronto) +
                      ", Codice_Cliente = Null  WHERE Indirizzo = " + std::to_string(indirizzo_) +
                      " AND Messaggio Is Null");
        s_.dialoghi.chiudi(indirizzo_);
        m_.Stato = stato::Pronto;
        m_.Codice_Cliente = cliente_;
        m_.MoneyCard = 0;
        return 1;
    }
    if (codice_ == "2" && !Nullo_Vuoto(cliente_)) {
        acquisto();
        return 0;
    }
    testo("\fTASTO NON VALIDO");
    testo("|1 INGRESSO|2 ACQUISTO|SCELTA:_");
    avanti(stato::MenuMoneyCard);
    return 0;
}

void Dialogo::acquisto() {
    if (importoLibero() || bar()) {
        const std::optional<Money> residuo = Residuo_MoneyCard(s_, cliente_);
        if (bar() && (!residuo || *residuo <= Money())) {
            // Nothing to pay with on the card: the sale is cash.
            carta_ = 0;
            importo_ = Money();
            promptArticolo();
            return;
        }
        if (!residuo) return fine("\fCLIENTE SENZA|MONEYCARD");
        if (*residuo <= Money()) return fine("\fCREDITO ESAURITO");
        importo_ = *residuo;
        testo("\fRESIDUO: " + formatMoney(*residuo));
        comando("%K1");
        if (importoLibero()) {
            testo("|IMPORTO:_______");
            return avanti(stato::AttesaImporto);
        }
        comando("%KN");
        testo("|1 MONEY CARD|2 CONTANTI|SCELTA:_");
        return avanti(stato::SceltaPagamento);
    }
    const int64_t credito = Cliente_Credito_Punti(s_, cliente_, struttura_);
    if (credito <= 0) return fine("\fCREDITO|INSUFFICIENTE");
    testo("\fCREDITO RESIDUO:|" + std::to_string(credito));
    comando("%K1");
    testo("|PUNTI:_______");
    importo_ = Money();
    avanti(stato::AttesaImporto);
}

void Dialogo::importo() {
    const int64_t n = std::stoll(codice_);
    if (n == 0) return fine("\fOPERAZIONE|ANNULLATA");
    if (importoLibero()) {
        const Pagamento p = Addebita_MoneyCard(s_, cliente_, Value(), Money::fromCents(n));
        switch (p.esito) {
            case EsitoAddebito::Eseguito: return fine("\fOPERAZIONE|TERMINATA");
            case EsitoAddebito::CreditoInsufficiente: return fine("\fCREDITO|INSUFFICIENTE");
            default: return fine("\fERRORE NON PREVISTO|OPERAZIONE|ANNULLATA");
        }
    }
    if (servizi()) {
        // The points are kept for the service chosen next.
        if (Cliente_Credito_Punti(s_, cliente_, struttura_) < n) return fine("\fCREDITO|INSUFFICIENTE");
        importo_ = Money::fromUnits(n * Money::kScale);
        comando("%K1");
        testo("|SERVIZIO:_______");
        return avanti(stato::AttesaServizio);
    }
    const PagamentoPunti p = Addebita_Punti(s_, cliente_, n, struttura_, struttura_);
    if (p.esito == EsitoAddebito::CreditoInsufficiente) return fine("\fCREDITO|INSUFFICIENTE");
    if (p.esito != EsitoAddebito::Eseguito) return fine("\fERRORE NON PREVISTO|OPERAZIONE|ANNULLATA");
    const Value stato = Stato_Cliente(s_.db, s_.settings, s_.clock, cliente_);
    if (!stato.isNullOrEmpty())
        s_.db.execute("UPDATE Anagrafica_Clienti SET Stato=" + Num_SqlQ(stato) + " WHERE Codice_Cliente=" + CChrQ(cliente_));
    fine("\fOPERAZIONE|TERMINATA");
}

void Dialogo::servizio() {
    const std::string q = CChrQ(Value(codice_));
    Value trovato;
    {
        auto rs = s_.db.open("SELECT Codice_Struttura AS Codice, Descrizione FROM Anagrafica_Strutture WHERE Codice_Bis=" +
                             q + " UNION SELECT Codice_Corso AS Codice, Descrizione FROM Anagrafica_Corsi WHERE Codice_Bis=" +
                             q + " UNION SELECT Codice_Servizio AS Codice, Descrizione FROM Anagrafica_Servizi WHERE "
                                 "Codice_Bis=" + q);
        if (!rs->eof()) trovato = rs->field(0);
    }
    if (Nullo_Vuoto(trovato)) {
        testo("\fSERVIZIO NON TROVATO");
        testo("|SERVIZIO:_______");
        return avanti(stato::AttesaServizio);
    }
    svuotaCarrello();
    s_.db.execute("INSERT INTO wTmp_ArticoliTerminali_SQL (Indirizzo, Codice_Cliente, Codice_Articolo)  VALUES (" +
                  std::to_string(indirizzo_) + ", " + CChrQ(cliente_) + ", " + CChrQ(trovato) + ")");
    comando("%K1BX");
    comando("%KN");
    testo("|1 PER CONFERMA|0 PER ANNULLARE");
    avanti(stato::AttesaArticolo);
}

void Dialogo::promptArticolo() {
    comando("%K1BX");
    comando("%Kn");
    testo("|1 PER CONFERMA|0 PER ANNULLARE|ART.:_______________");
    avanti(stato::AttesaArticolo);
}

void Dialogo::articolo() {
    const std::string indirizzo = std::to_string(indirizzo_);
    if (servizi()) {
        Value servizio;
        {
            auto rs = s_.db.open("SELECT TOP 1 Codice_Articolo  FROM wTmp_ArticoliTerminali  WHERE Indirizzo = " + indirizzo);
            if (!rs->eof()) servizio = rs->field(0);
        }
        if (Nullo_Vuoto(servizio)) return fine("\fNESSUN SERVIZIO|SELEZIONATO|OPERAZIONE|ANNULLATA");
        const int64_t n = importo_.units() / Money::kScale;
        const PagamentoPunti p = Addebita_Punti(s_, cliente_, n, struttura_, servizio);
        if (p.esito == EsitoAddebito::CreditoInsufficiente) return fine("\fCREDITO|INSUFFICIENTE");
        if (p.esito != EsitoAddebito::Eseguito) return fine("\fERRORE NON PREVISTO|OPERAZIONE|ANNULLATA");
        const Value stato = Stato_Cliente(s_.db, s_.settings, s_.clock, cliente_);
        if (!stato.isNullOrEmpty())
            s_.db.execute("UPDATE Anagrafica_Clienti SET Stato=" + Num_SqlQ(stato) + " WHERE Codice_Cliente=" +
                          CChrQ(cliente_));
        return fine("\fOPERAZIONE|TERMINATA");
    }
    if (codice_ == "1") return chiudiVendita();

    const std::string q = CChrQ(Value(codice_));
    Value descrizione, iva;
    bool trovato;
    {
        auto rs = s_.db.open("SELECT TOP 1 Descrizione, Giacenza, Scorta_Minima, Prezzo_Unitario, Cd_IVA  FROM "
                             "Anagrafica_Articoli  WHERE Codice_Articolo = " + q);
        trovato = !rs->eof();
        if (trovato) {
            descrizione = rs->field(0);
            iva = rs->field(4);
        }
    }
    const std::optional<Money> prezzo = trovato ? Imposta_Prezzo_Articolo(s_, codice_, cliente_) : std::nullopt;
    if (!prezzo) {
        testo("\fARTICOLO NON TROVATO");
        return promptArticolo();
    }
    const std::string nelCarrello = "SELECT TOP 1 ID FROM wTmp_ArticoliTerminali WHERE Codice_Articolo = " + q +
                                    " AND Indirizzo = " + indirizzo;
    if (s_.db.open(nelCarrello)->eof())
        s_.db.execute("INSERT INTO wTmp_ArticoliTerminali_SQL (Indirizzo, Codice_Cliente, Codice_Articolo, Qta, "
                      "Prezzo_Unitario, Cd_IVA)  VALUES (" + indirizzo + ", " + CChrQ(cliente_) + ", " + q + ", 1, " +
                      Num_SqlQ(*prezzo) + ", " + CChrQ(iva) + ")");
    else
        s_.db.execute("UPDATE wTmp_ArticoliTerminali SET Qta = Qta + 1  WHERE Codice_Articolo = " + q +
                      " AND Indirizzo = " + indirizzo);
    Money totale;
    {
        auto rs = s_.db.open("SELECT Prezzo_Unitario, Qta FROM wTmp_ArticoliTerminali WHERE Indirizzo = " + indirizzo);
        for (; !rs->eof(); rs->moveNext())
            totale += Money::fromValue(rs->field(0)).value_or(Money()) * rs->field(1).toInt();
    }
    testo("\f" + std::string(trimBlanks(descrizione.toText())) + "|COSTO: " + formatMoney(*prezzo) +
          "|TOTALE: " + formatMoney(totale));
    promptArticolo();
}

void Dialogo::chiudiVendita() {
    if (s_.db.open("SELECT TOP 1 ID FROM wTmp_ArticoliTerminali WHERE Indirizzo = " + std::to_string(indirizzo_))->eof())
        return fine("\fNESSUN ARTICOLO|VENDUTO|OPERAZIONE|ANNULLATA");
    if (carta_ == 0 && modo_ == 1) {
        comando("%K1");
        comando("%KN");
        testo("|1 PAGATO|2 NON PAGATO|SCELTA:_");
        return avanti(stato::ConfermaContanti);
    }
    const int r = Movimenta_MoneyCard(s_, indirizzo_, cliente_, carta_ != 0 ? ModoVendita::MoneyCard : ModoVendita::ContantiPagato);
    switch (r) {
        case 1: return fine("\fOPERAZIONE|TERMINATA");
        case -2: return fine("\fCREDITO|INSUFFICIENTE|OPERAZIONE|ANNULLATA");
        case -3: return fine("\fNESSUN ARTICOLO|VENDUTO|OPERAZIONE|ANNULLATA");
        default: return fine("\fERRORE NON PREVISTO|OPERAZIONE|ANNULLATA");
    }
}

void Dialogo::pagamento() {
    if (codice_ == "1" || codice_ == "2") {
        carta_ = codice_ == "1" ? 1 : 0;
        return promptArticolo();
    }
    testo("\fTASTO NON VALIDO");
    testo("|1 MONEY CARD|2 CONTANTI|SCELTA:_");
    avanti(stato::SceltaPagamento);
}

void Dialogo::contanti() {
    const int r = Movimenta_MoneyCard(s_, indirizzo_, cliente_,
                                      codice_ == "1" ? ModoVendita::ContantiPagato : ModoVendita::ContantiNonPagato);
    fine(r == 1 ? "\fOPERAZIONE|TERMINATA" : "\fERRORE NON PREVISTO|OPERAZIONE|ANNULLATA");
}

void Dialogo::avanti(int nuovo) {
    stato_ = nuovo;
    s_.dialoghi.apri(indirizzo_, s_.clock.now());
    salva();
}

void Dialogo::fine(const std::string& esito) {
    if (!esito.empty()) testo(esito);
    svuotaCarrello();
    s_.dialoghi.chiudi(indirizzo_);
    m_.Stato_Nuovo = stato::Pronto;
    Prompt_Riposo(s_, m_);
    stato_ = m_.Stato_Nuovo;
    cliente_ = Value::null();
    importo_ = Money();
    carta_ = 0;
    salva();
}

void Dialogo::salva() {
    s_.db.execute("UPDATE Stato_Terminali SET Stato = " + std::to_string(stato_) + ", Importo = " + Num_SqlQ(importo_) +
                  ", Codice_Cliente = " + (Nullo_Vuoto(cliente_) ? std::string("Null") : CChrQ(cliente_)) +
                  ", Tipo = " + std::to_string(s_.corrente.Tipo_Corrente) + ", MoneyCard = " + std::to_string(carta_) +
                  " WHERE Indirizzo = " + std::to_string(indirizzo_) + " AND Messaggio Is Null");
}

}  // namespace

int Elabora_MoneyCard(Sistema& s, Messaggio& m) {
    try {
        Dialogo d(s, m);
        return d.esegui();
    } catch (const std::exception& e) {
        s.db.logError(e, F);
        s.dialoghi.chiudi(s.corrente.Indirizzo_Corrente);
        try {
            const std::string a = std::to_string(s.corrente.Indirizzo_Corrente);
            accoda(s, s.corrente.Indirizzo_Corrente, "\fERRORE NON PREVISTO|OPERAZIONE|ANNULLATA", 0);
            s.db.execute("DELETE FROM wTmp_ArticoliTerminali  WHERE Indirizzo = " + a);
            m.Stato_Nuovo = stato::Pronto;
            Prompt_Riposo(s, m);
            s.db.execute("UPDATE Stato_Terminali SET Stato = " + std::to_string(m.Stato_Nuovo) +
                         ", Importo = 0, Codice_Cliente = Null, MoneyCard = 0 WHERE Indirizzo = " + a +
                         " AND Messaggio Is Null");
        } catch (const std::exception& e2) {
            s.db.logError(e2, F);
        }
        return 0;
    }
}

void Scadenza_Dialoghi_MoneyCard(Sistema& s) {
    const DateTime now = s.clock.now();
    const std::vector<int> scaduti = s.dialoghi.scaduti(now);
    if (scaduti.empty()) return;
    const Corrente salvato = s.corrente;
    for (int indirizzo : scaduti) {
        s.dialoghi.chiudi(indirizzo);
        const TerminalRow* t = s.registro.perIndirizzo(indirizzo);
        if (!t) continue;
        try {
            Messaggio m;
            m.terminale = t;
            m.Riga_Orologio = rigaOrologio(now);
            m.Tempo_Display = 0;
            m.Stato_Nuovo = stato::Pronto;
            s.corrente.Indirizzo_Corrente = indirizzo;
            s.corrente.Tipo_Corrente = static_cast<int>((*t)["Tipo"].toInt());
            const std::string a = std::to_string(indirizzo);
            s.log.timed("Terminal " + a + ": money-card operation left alone, back to the idle prompt");
            s.db.execute("DELETE FROM wTmp_ArticoliTerminali  WHERE Indirizzo = " + a);
            Prompt_Riposo(s, m);
            s.db.execute("UPDATE Stato_Terminali SET Stato = " + std::to_string(m.Stato_Nuovo) +
                         ", Importo = 0, Codice_Cliente = Null, MoneyCard = 0 WHERE Indirizzo = " + a +
                         " AND Messaggio Is Null AND (Stato=" + std::to_string(stato::MenuMoneyCard) + " OR Stato BETWEEN " +
                         std::to_string(stato::AttesaImporto) + " AND " + std::to_string(stato::ConfermaContanti) + ")");
        } catch (const std::exception& e) {
            s.db.logError(e, "Scadenza_Dialoghi_MoneyCard");
        }
    }
    s.corrente = salvato;
}

}  // namespace velaris
