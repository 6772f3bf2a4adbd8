#include "checks/abbonamenti_terminali.h"

#include <vector>

#include "checks/cliente.h"

#include "base/format.h"
#include "attendance/dati_accessi.h"
#include "checks/festivi.h"
#include "checks/frequenze.h"
#include "checks/orari.h"
#include "checks/irregolarita.h"

namespace velaris {

namespace {

constexpr const char* kFunzione = "Verifica_Abbonamenti_Terminali";

// The staff kinds; the position (1..6) is the `Tipologia` of their register rows.
constexpr TipoPersonale kPersonale[] = {
    {"CO", "Anagrafica_Consulenti", "Codice_Consulente", "VENDITORE"},
    {"IS", "Anagrafica_Istruttori", "Codice_Istruttore", "ISTRUTTORE"},
    {"ME", "Anagrafica_Medici", "Codice_Medico", "MEDICO"},
    {"FI", "Anagrafica_Fisioterapisti", "Codice_Fisioterapista", "FISIOTERAPISTA"},
    {"OP", "Anagrafica_Operatori", "Codice_Operatore", "OPERATORE"},
    {"ET", "Anagrafica_Estetisti", "Codice_Estetista", "ESTETISTA"},
};

// Fee modalities whose overdue items refuse entry at an external facility, with the
// setting that holds their days of grace.
struct Tolleranza {
    int modalita;
    int impostazione;
};
namespace imp = impostazione;
constexpr Tolleranza kTolleranze[] = {
    {5, imp::Tolleranza3},   {4, imp::Tolleranza13},  {6, imp::Tolleranza4},   {7, imp::Tolleranza5},
    {8, imp::Tolleranza6},   {9, imp::Tolleranza7},   {11, imp::Tolleranza9},  {15, imp::Tolleranza12},
    {17, imp::Tolleranza14}, {18, imp::Tolleranza15}, {22, imp::Tolleranza19}};

bool trovaRiga(Sistema& s, const std::string& sql) {
    auto rs = s.db.open(sql);
    return !rs->eof();
}

const TerminalRow* terminaleCorrente(Sistema& s) {
    const TerminalRow* t = s.registro.corrente();
    if (t && t->indirizzo() == s.corrente.Indirizzo_Corrente) return t;
    return s.registro.perIndirizzo(s.corrente.Indirizzo_Corrente);
}

// A current line whose last end date is already past does not entitle, even while the
// management programs have not yet marked it expired.
bool scaduta(const Value& scadenza, const DateTime& oggi) {
    const auto d = scadenza.toDate();
    return d && d->datePart() < oggi;
}

}  // namespace

const TipoPersonale* tipoPersonale(const std::string& codice) {
    const std::string p = codice.substr(0, 2);
    for (const TipoPersonale& k : kPersonale)
        if (p == k.prefisso) return &k;
    return nullptr;
}

bool codicePersonale(const std::string& codice) { return tipoPersonale(codice) != nullptr; }

int tipologiaPersonale(const std::string& codice) {
    const TipoPersonale* k = tipoPersonale(codice);
    return k ? static_cast<int>(k - kPersonale) + 1 : 0;
}

bool personaleRegistrato(Sistema& s, const std::string& codice) {
    const TipoPersonale* k = tipoPersonale(codice);
    return k && trovaRiga(s, std::string("SELECT TOP 1 ") + k->chiave + " FROM " + k->tabella + " WHERE " + k->chiave + "=" +
                                 CChrQ(Value(codice)));
}

std::string descrizioneStato(const Value& stato) {
    switch (stato.toInt()) {
        case 1: return "ABBONATO";
        case 2: return "OCCASIONALE";
        case 3: return "EX CLIENTE";
        case 4: return "PROSPECT";
        case 5: return "IN RINNOVO";
        default: return "";
    }
}

std::string Descrizione_Modalita(Sistema& s, int m) {
    int slot = 0;
    switch (m) {
        case 2: slot = 1; break;
        case 3: slot = 2; break;
        case 14: slot = 3; break;
        case 19: slot = 4; break;
        case 20: slot = 5; break;
        case 21: slot = 6; break;
        default: break;
    }
    if (slot > 0) return "RINNOVO " + s.settings.Scadenze_Fisse()[static_cast<size_t>(slot)].Scadenza;
    return DLookUpQ(s.db, "Descrizi2", "wCab_Modalita_Verifiche", "Modalita=" + Num_SqlQ(Value(m))).toText();
}

int Verifica_Personale(Sistema& s, const Value& codiceValore) {
    const std::string codice = codiceValore.toText();
    const TipoPersonale* kind = nullptr;
    int tipologia = 0;
    for (size_t i = 0; i < std::size(kPersonale); ++i) {
        if (codice.rfind(kPersonale[i].prefisso, 0) == 0) {
            kind = &kPersonale[i];
            tipologia = static_cast<int>(i) + 1;
        }
    }
    if (!kind) return 0;

    const std::string q = CChrQ(codiceValore);
    const int address = s.corrente.Indirizzo_Corrente;
    Value cognome, nome, ingresso, foto;
    {
        auto rs = s.db.open(std::string("SELECT TOP 1 ") + kind->chiave + ", Cognome, Nome, Ingresso, Foto " + " FROM " +
                            kind->tabella + " " + " WHERE " + kind->chiave + "=" + q);
        if (rs->eof()) return 0;
        cognome = rs->field(1);
        nome = rs->field(2);
        ingresso = rs->field(3);
        foto = rs->field(4);
    }
    const DateTime now = s.clock.now();
    const Value oggi(now.datePart());
    const Value ora(now.timeOnDay1900());
    const TerminalRow* t = terminaleCorrente(s);

    std::string testoDisplay = "INGRESSO CONSENTITO";
    std::string testoTerminale;
    if (t && (*t)["Personale"].toInt() != 0) {
        Value maxId, maxData;
        {
            auto rs = s.db.open(std::string("SELECT Max(ID) AS MaxID, Max(Data_EntrataUscita) AS MaxData ") +
                                " FROM Gestione_Personale " + " WHERE Codice=" + q);
            if (!rs->eof()) {
                maxId = rs->field(0);
                maxData = rs->field(1);
            }
        }
        bool uscita = false;
        const auto ultima = maxData.toDate();
        if (!Nullo_Vuoto(maxId) && ultima && ultima->datePart() == now.datePart()) {
            auto rs = s.db.open(std::string("SELECT TOP 1 Ora_EntrataUscita, Ora_UscitaEntrata ") +
                                " FROM Gestione_Personale " + " WHERE ID=" + Num_SqlQ(maxId));
            uscita = !rs->eof() && Nullo_Vuoto(rs->field(1));
        }
        if (uscita) {
            testoDisplay = "USCITA PERSONALE INTERNO";
            s.db.execute(std::string("UPDATE Gestione_Personale ") + " SET Ora_UscitaEntrata=" + Ora_SqlQ(ora) +
                         " WHERE ID=" + Num_SqlQ(maxId));
            testoTerminale = "USCITA|REGISTRATA";
        } else {
            testoDisplay = "ENTRATA PERSONALE INTERNO";
            s.db.execute(std::string("INSERT INTO Gestione_Personale(Codice,Tipologia,Data_EntrataUscita,Ora_EntrataUscita) ") +
                         "VALUES (" + q + "," + Num_SqlQ(Value(tipologia)) + "," + Data_SqlQ(oggi) + "," + Ora_SqlQ(ora) +
                         ")");
            testoTerminale = "ENTRATA|REGISTRATA";
        }
    }

    bool ammesso = ingresso.toBool();
    if (ammesso) {
        // A code bound to some terminals passes only those.
        auto rs = s.db.open(std::string("SELECT Dettaglio_Terminali.Indirizzo ") +
                            " FROM Biglietti_Terminali INNER JOIN Dettaglio_Terminali ON "
                            "Biglietti_Terminali.ID_Terminale=Dettaglio_Terminali.ID " +
                            " WHERE Biglietti_Terminali.Codice_Biglietto=" + q);
        bool legato = false, qui = false;
        for (; !rs->eof(); rs->moveNext()) {
            legato = true;
            if (rs->field(0).toInt() == address) qui = true;
        }
        if (legato && !qui) ammesso = false;
    }
    // The desk shows the refusal whatever the terminal displays.
    if (!ammesso) testoDisplay = "INGRESSO NON CONSENTITO";

    s.db.execute(std::string("INSERT INTO Log_Entrate (Codice_Cliente,Cognome,Nome,Data_Presenza,Ora_Presenza,DesIrregolari,IndTerminale) ") +
                 " VALUES (" + q + "," + CChrQ(cognome) + "," + CChrQ(nome) + "," + Data_SqlQ(oggi) + "," + Ora_SqlQ(ora) +
                 "," + CChrQ(Value(kind->ruolo)) + "," + Num_SqlQ(Value(address)) + ")");

    EsitoPersonale& p = s.esiti.Personale;
    p.Ammesso = ammesso;
    p.Codice = codiceValore;
    p.Cognome = cognome;
    p.Nome = nome;
    p.Foto = foto;
    p.Ruolo = kind->ruolo;
    p.Testo_Display = testoDisplay;
    p.Testo_Terminale = testoTerminale;
    p.Data = oggi;
    p.Ora = ora;
    return kVAT_Personale;
}

namespace {

// `NoVerifica_Irregolari` of the terminal's facility.
constexpr int64_t kModo_Tolleranze = 1;  // an external facility judges arrears with days of grace
constexpr int64_t kModo_Diritto = -1;    // arrears are ignored: the lack of an entitlement judges

// The irregularity code of a member with no usable entitlement here.
constexpr size_t kIrr_NessunIngresso = 10;

// The member check, step by step. What is computed once (the member, the moment, the
// overdue condition) is held here; each method is one check and leaves its findings in
// the members below, in s.esiti and in the result.
class VerificaTerminale {
public:
    VerificaTerminale(Sistema& s, const RichiestaTerminale& r) : s_(s), r_(r), e_(s.esiti) {}
    EsitoTerminale esegui();

private:
    void prepara();
    void giornoFestivo();
    void sommarioAbbonamenti();
    void strutturaEsterna();
    void morosita();
    void abbonamentiStruttura();
    void pacchettiMultipli();
    void altriDiritti();
    void verdetto();
    void datiAccessi();

    // The tests an entitlement passes to entitle now: not past its end, within its visit
    // frequency, inside its day and time bands. `fasce` is the code its bands are kept by.
    bool entitles(const Value& scadenza, const Value& frequenza, const Value& intervallo, const Value& iscrizione,
                  const Value& idPacchetto, const Value& fasce);

    Sistema& s_;
    const RichiestaTerminale& r_;
    EsitiVerifica& e_;
    EsitoTerminale out_;

    std::string codice_;
    int indirizzo_ = 0;
    SchedaCliente c_;
    int64_t controlli_ = 0;
    int64_t modo_ = 0;
    DateTime oggiD_, ora_;
    std::string oggi_;
    int giorno_ = 1;
    bool festivo_ = false;
    Value anticipoPren_;
    std::string scaduti_;  // the overdue condition on `Giornale`

    std::string sommario_;
    Value codiceAbbonamento_, codiceIscrizione_;
    bool irregolare_ = false;
    bool irregolareAltri_ = false;  // overdue fees other than renewals (display)
    Messaggi messaggi_;
};

EsitoTerminale VerificaTerminale::esegui() {
    codice_ = r_.Codice.toText();
    try {
        if (codicePersonale(codice_)) {
            out_.Esito = Verifica_Personale(s_, r_.Codice);
            return out_;
        }
        if (codice_.rfind("CL", 0) != 0) return out_;

        prepara();
        if (!Leggi_Cliente(s_, r_.Codice, c_, kFunzione)) return out_;
        controlli_ = c_.controlli();
        giornoFestivo();
        out_.Rinnovo = Rinnovo_Cliente(s_, c_);
        sommarioAbbonamenti();

        modo_ = ZeroSeNullo(r_.Modo_Irregolari);
        if (r_.Esterna.toBool()) {
            strutturaEsterna();
        } else {
            morosita();
            abbonamentiStruttura();
            if (e_.Flag_NonAbilitato) pacchettiMultipli();
            altriDiritti();
            messaggi_ = Messaggi_Cliente(s_, c_, oggi_);
            verdetto();
        }
        if (r_.Visualizza_Dett.toBool()) datiAccessi();
    } catch (const DbError& err) {
        // A database failure part-way leaves no sound verdict: the read is dropped by the
        // message processor, which serves the next one normally.
        s_.db.logError(err, kFunzione);
        throw;
    } catch (const std::exception& err) {
        s_.db.logError(err, kFunzione);
    }
    return out_;
}

// The flags of the previous member go; the moment and the overdue condition are fixed.
void VerificaTerminale::prepara() {
    e_ = EsitiVerifica{};
    for (Value& v : e_.Irregolarita) v = Value(0);

    indirizzo_ = s_.corrente.Indirizzo_Corrente;
    const DateTime now = s_.clock.now();
    oggiD_ = now.datePart();
    oggi_ = Data_SqlQ(Value(oggiD_));
    ora_ = now.timeOnDay1900();
    giorno_ = now.weekdayMonday1();
    anticipoPren_ = s_.settings.slot(impostazione::AnticipoPren);
    if (s_.corrente.Filtro_Irregolarita.empty())
        s_.corrente.Filtro_Irregolarita = costruisciFiltroIrregolarita(s_, oggiD_, true);
    // Overdue fee items as the message processor defines them, less the modalities
    // whose no-entry flag is off.
    scaduti_ = s_.corrente.Filtro_Irregolarita + s_.settings.Filtro_NoEntry();
}

// The bands are tested at the time of the read: the band condition itself opens them
// `AnticipoPren` minutes early.
void VerificaTerminale::giornoFestivo() { festivo_ = Giorno_Festivo(s_, 0, Value(oggiD_)); }

// The member's current subscriptions as text, then on the terminal's state row.
void VerificaTerminale::sommarioAbbonamenti() {
    {
        auto rs = s_.db.open(
            std::string("SELECT Gestione_Iscrizioni.Codice_Abbonamento, Gestione_Iscrizioni.Descrizione, "
                        "Gestione_Iscrizioni.Codice_Iscrizione, Gestione_Iscrizioni.Data_Fine AS Scadenza ") +
            " FROM Anagrafica_Clienti INNER JOIN Gestione_Iscrizioni ON "
            "Anagrafica_Clienti.Codice_Cliente=Gestione_Iscrizioni.Codice_Cliente " +
            " WHERE Anagrafica_Clienti.Codice_Cliente=" + c_.q + " AND Gestione_Iscrizioni.Data_Inizio<=" + oggi_ +
            " AND Gestione_Iscrizioni.Scaduta=0 " + " ORDER BY Gestione_Iscrizioni.Data_Inizio");
        for (; !rs->eof(); rs->moveNext()) {
            codiceAbbonamento_ = rs->field(0);
            codiceIscrizione_ = rs->field(2);
            const Value& scadenza = rs->field(3);
            out_.Data_Scadenza = scadenza;
            sommario_ += rs->field(1).toText();
            if (const auto d = scadenza.toDate(); d && !Nullo_Vuoto(scadenza))
                sommario_ += " scadenza " + formatDate(*d, "dd/mm/yyyy");
            sommario_ += "\r\n";
        }
    }
    out_.Testo_Abbonamento = Value(sommario_);
    Sommario_Stato(s_, indirizzo_, c_, sommario_, out_.Data_Scadenza, out_.Rinnovo);
    s_.db.executeDeferred("DELETE FROM wTmp_OrarioUscita", "Verifica_Abbonamenti_Terminali");
}

// An external facility skips the entitlement checks; it may refuse a member whose fees of
// the tolerated modalities are overdue beyond their days of grace.
void VerificaTerminale::strutturaEsterna() {
    out_.Esito = kVAT_Ammesso;
    if (modo_ != kModo_Tolleranze) return;
    std::string sql = std::string("SELECT TOP 1 Modalita ") + " FROM Giornale ";
    bool primo = true;
    for (const Tolleranza& k : kTolleranze) {
        const int64_t giorni = ZeroSeNullo(s_.settings.slot(k.impostazione));
        sql += primo ? " WHERE ((Modalita=" : " OR (Modalita=";
        sql += std::to_string(k.modalita) + " And Data_Scadenza<=" + Data_SqlQ(Value(oggiD_.addDays(-giorni))) + ")";
        primo = false;
    }
    sql += ") AND Codice_Cliente = " + c_.q + s_.corrente.Filtro_Centro;
    e_.Flag_Irregolare = trovaRiga(s_, sql);
    if (e_.Flag_Irregolare && controlli_ != kControlli_Ammetti) out_.Esito = kVAT_Rifiutato;
    if (controlli_ == kControlli_Rifiuta) out_.Esito = kVAT_Rifiutato;
}

void VerificaTerminale::morosita() {
    const Morosita m = Verifica_Morosita(s_, c_, scaduti_);
    irregolareAltri_ = m.altriScaduti;
    irregolare_ = m.irregolare;
    Segna_Irregolarita(s_, c_);
}

bool VerificaTerminale::entitles(const Value& scadenza, const Value& frequenza, const Value& intervallo,
                                 const Value& iscrizione, const Value& idPacchetto, const Value& fasce) {
    if (scaduta(scadenza, oggiD_)) return false;
    if (Limite_Frequenza_Raggiunto(s_, frequenza, intervallo, r_.Codice, iscrizione, Value(0), Value(), idPacchetto))
        return false;
    return Fasce_Abbonamento_Valide(s_, fasce, giorno_, festivo_, anticipoPren_, ora_);
}

// Facility subscription lines: the first that passes every test entitles.
void VerificaTerminale::abbonamentiStruttura() {
    struct Riga {
        Value abbonamento, iscrizione, scadenza;
    };
    std::vector<Riga> righe;
    {
        auto rs = s_.db.open(std::string("SELECT Codice_Abbonamento, Codice_Iscrizione, MAX(Data_Fine) AS Scadenza ") +
                             " FROM Iscrizioni_Strutture " + " WHERE Codice_Cliente=" + c_.q +
                             " AND Data_Inizio<=" + oggi_ + " AND Scaduta=0 " +
                             " GROUP BY Codice_Abbonamento, Codice_Iscrizione");
        for (; !rs->eof(); rs->moveNext()) righe.push_back({rs->field(0), rs->field(1), rs->field(2)});
    }
    for (const Riga& r : righe) {
        Value frequenza, intervallo;
        {
            auto rs = s_.db.openOncePerRead(Sql_Frequenza_Abbonamento(r.abbonamento));
            if (!rs->eof()) {
                frequenza = rs->field(0);
                intervallo = rs->field(1);
            }
        }
        e_.Flag_NonAbilitato = !entitles(r.scadenza, frequenza, intervallo, r.iscrizione, Value(0), r.abbonamento);
        if (!e_.Flag_NonAbilitato) break;
    }
}

// Multi-facility packages, when no subscription line entitles.
void VerificaTerminale::pacchettiMultipli() {
    struct Pacchetto {
        Value codice, id, scadenza;
    };
    std::vector<Pacchetto> pacchetti;
    {
        auto rs = s_.db.open(std::string("SELECT Codice_PacchettoM, ID_Pacchetto, MAX(Data_Fine) AS Scadenza ") +
                             " FROM Gestione_Aggiunte " + " WHERE Codice_PacchettoM Is Not Null AND Codice_Cliente=" +
                             c_.q + " AND Data_Inizio<=" + oggi_ + " AND Scaduta=0 " +
                             " GROUP BY Codice_PacchettoM, ID_Pacchetto");
        for (; !rs->eof(); rs->moveNext()) pacchetti.push_back({rs->field(0), rs->field(1), rs->field(2)});
    }
    for (const Pacchetto& p : pacchetti) {
        Value frequenza, intervallo;
        {
            auto rs = s_.db.open(std::string("SELECT Descrizione, FrequenzaDD, ID_Intervallo, Tempo_Permanenza ") +
                                 " FROM Anagrafica_Pacchetti_Multipli " + " WHERE Codice_PacchettoM=" + CChrQ(p.codice));
            if (!rs->eof()) {
                frequenza = rs->field(1);
                intervallo = rs->field(2);
            }
        }
        e_.Flag_NonAbilitato = !entitles(p.scadenza, frequenza, intervallo, Value(), p.id, p.codice);
        if (!e_.Flag_NonAbilitato) break;
    }
}

// Other entitlements: a plain add-on, or a booking of today not made on a subscription.
void VerificaTerminale::altriDiritti() {
    const std::string& q = c_.q;
    const std::string altri[] = {
        std::string("SELECT TOP 1 Gestione_Aggiunte.ID ") + " FROM Gestione_Aggiunte " + " WHERE Codice_Cliente=" + q +
            " AND Data_Inizio<=" + oggi_ +
            " AND Scaduta=0 AND (Codice_PacchettoM Is Null OR Codice_PacchettoM='') AND "
            "(Singola+Singola_Corsi+Singola_Servizi)=0",
        std::string("SELECT TOP 1 Booking_Clienti.ID ") +
            " FROM Gestione_Prenotazioni INNER JOIN Booking_Clienti ON "
            "Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione " +
            " WHERE Booking_Clienti.Codice_Cliente=" + q + " AND Gestione_Prenotazioni.Data_Prenotazione=" + oggi_ +
            " AND (Booking_Clienti.Codice_Abbonamento Is Null OR Booking_Clienti.Codice_Abbonamento='')",
        std::string("SELECT TOP 1 ID ") + " FROM Gestione_Prenotazioni_Corsi " + " WHERE Codice_Cliente=" + q +
            " AND Data_Prenotazione=" + oggi_ + " AND (Codice_Abbonamento Is Null OR Codice_Abbonamento='')",
        std::string("SELECT TOP 1 ID ") + " FROM Gestione_Prenotazioni_Servizi " + " WHERE Codice_Cliente=" + q +
            " AND Data_Prenotazione=" + oggi_ + " AND (Codice_Abbonamento Is Null OR Codice_Abbonamento='')",
    };
    for (const std::string& sql : altri) {
        if (!e_.Flag_NonAbilitato) break;
        if (trovaRiga(s_, sql)) e_.Flag_NonAbilitato = false;
    }
}

// The combination. The member's own control setting decides over arrears and messages;
// a terminal that ignores arrears judges on the lack of an entitlement instead. Blocking
// messages and the photograph rule still hold.
void VerificaTerminale::verdetto() {
    e_.Flag_Irregolare = irregolare_;
    e_.Irregolarita[kIrr_NessunIngresso] = Value(e_.Flag_NonAbilitato ? 1 : 0);
    const bool senzaAbbonamento =
        e_.Flag_NonAbilitato && s_.settings.Leggi_NoEntry(static_cast<int>(kIrr_NessunIngresso)).toBool();
    e_.NoEntry_Abbonamento = senzaAbbonamento;
    const bool fotoMancante = Foto_Mancante(s_, c_, oggiD_);
    e_.Foto_Mancante = fotoMancante;
    e_.Messaggio_Bloccante = messaggi_.bloccante;
    e_.Messaggio_Cliente = messaggi_.avviso;

    auto decidi = [&](bool motivo) {
        return Ammesso_Controlli(controlli_, motivo, messaggi_.bloccante) ? kVAT_Ammesso : kVAT_Rifiutato;
    };
    out_.Esito = decidi(irregolare_);
    if (fotoMancante) out_.Esito = kVAT_Rifiutato;
    if (modo_ == kModo_Diritto && controlli_ != kControlli_Rifiuta) {
        out_.Esito = decidi(senzaAbbonamento);
        if (fotoMancante) out_.Esito = kVAT_Rifiutato;
    }
}

// The display record of the desk.
void VerificaTerminale::datiAccessi() {
    if (!r_.Esterna.toBool()) e_.Flag_Irregolare = irregolareAltri_;
    std::string testoIrr;
    if (e_.Flag_Irregolare || e_.Flag_NonAbilitato) testoIrr = Testo_Irregolarita(s_, c_);
    const bool rifiutato = out_.Esito == kVAT_Rifiutato;
    if (rifiutato && controlli_ == kControlli_Rifiuta && !Nullo_Vuoto(c_.Note_Accessi)) {
        if (!testoIrr.empty()) testoIrr += " - ";
        testoIrr += c_.Note_Accessi.toText();
    }
    DatiAccessi d;
    d.Completo = Value(0);  // completed with the lights at the end of the verdict
    d.Codice_Tessera = s_.lettura.Tessera_Letta.empty() ? r_.Codice : Value(s_.lettura.Tessera_Letta);
    d.Codice = r_.Codice;
    d.Cognome = c_.Cognome;
    d.Nome = c_.Nome;
    d.Indirizzo = c_.Indirizzo;
    d.Data_Entrata = Value(oggiD_);
    d.Ora_Entrata = Value(ora_);
    d.Data_Ultima_Entrata = c_.Data_Ultima_Entrata;
    d.Ora_Ultima_Entrata = c_.Ora_Ultima_Entrata;
    d.Codice_Abbonamento = codiceAbbonamento_;
    d.DesAbbonamento = Value(sommario_);
    d.Stato = c_.Stato;
    d.Foto = c_.Foto;
    d.Scadenza = out_.Data_Scadenza;
    d.DesStato = Value(descrizioneStato(c_.Stato));
    d.Codice_Iscrizione = codiceIscrizione_;
    d.TestoIrr = Value(testoIrr);
    d.Codice_Consulente = c_.Codice_Consulente;
    d.Sem1 = Value(e_.Flag_Irregolare ? 1 : 0);
    d.Messaggio = Value(messaggi_.bloccante || messaggi_.avviso ? 1 : 0);
    d.Struttura_Ingresso =
        DLookUpQ_Anagrafica(s_.db, "Anagrafica_Strutture", "Codice_Struttura", CChrQ(r_.Codice_Struttura), "Descrizione");
    d.Entrata = Value(rifiutato ? "INGRESSO NON CONSENTITO" : "INGRESSO CONSENTITO");
    d.Terminale = Value(indirizzo_);
    d.Monitor_Aggiuntivo = Value(static_cast<int>(s_.corrente.Monitor_Aggiuntivo));
    d.TestoIrr_Push = Value(testoIrr);
    VisualizzaDatiForm(s_, d);
}

}  // namespace

EsitoTerminale Verifica_Abbonamenti_Terminali(Sistema& s, const RichiestaTerminale& r) {
    return VerificaTerminale(s, r).esegui();
}

}  // namespace velaris
