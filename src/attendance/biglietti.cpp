#include "attendance/biglietti.h"

#include "attendance/dati_accessi.h"
#include "attendance/presenze.h"
#include "base/format.h"
#include "checks/abbonamenti_terminali.h"
#include "db/setting_slots.h"

namespace velaris {

namespace {

constexpr const char* kFunzione = "Verifica_Biglietti";
constexpr size_t kLunghezzaCodiceCliente = 20;     // `Codice_Cliente` columns
constexpr int kTipologiaBiglietto = 4;
constexpr int kPrimoSecondo = 1;                   // a blank start of a band: 00:00:01
constexpr int kUltimoSecondo = 86399;              // a blank end: 23:59:59

std::string num(int64_t n) { return std::to_string(n); }

int secondi(const Value& ora, int vuoto) {
    const auto t = ora.toDate();
    return Nullo_Vuoto(ora) || !t ? vuoto : t->secondOfDay();
}

}  // namespace

Biglietti::Biglietti(Sistema& s, const LetturaBiglietto& l) : s_(s), l_(l) {
    codice_ = CChrQ(Value(l.Codice));
    oggi_ = Data_SqlQ(Value(l.Data));
    ora_ = Ora_SqlQ(Value(l.Ora));
    terminale_ = num(l.Indirizzo);
}

// The named column (the first when none) of the first row; 0 without rows.
int64_t Biglietti::conta(const std::string& sql, std::string_view colonna) {
    auto rs = s_.db.open(sql);
    if (rs->eof()) return 0;
    return (colonna.empty() ? rs->field(0) : rs->field(colonna)).toInt();
}

// The tickets of the code, oldest first; a blank code has none (it would match every
// ticket sold without a card or a customer).
std::vector<Biglietto> Biglietti::candidati(bool soloValidi) {
    std::vector<Biglietto> out;
    if (Nullo_Vuoto(Value(l_.Codice))) return out;
    auto rs = s_.db.open(
        "SELECT Gestione_Biglietti.ID, Gestione_Biglietti.Codice_Biglietto, Gestione_Biglietti.Data_Acquisto, "
        "Gestione_Biglietti.Data_Inizio, Gestione_Biglietti.Data_Fine, Gestione_Biglietti.Sedute, "
        "Gestione_Biglietti.SeduteFatte, Anagrafica_Biglietti.Codice_Struttura, Anagrafica_Biglietti.Descrizione AS "
        "DesBiglietto, Anagrafica_Biglietti.Accessi_Multipli, Anagrafica_Biglietti.Utilizzo_AltriGiorni, "
        "Anagrafica_Biglietti.Tipo_Gestione, Anagrafica_Biglietti.Ingresso_Da, Anagrafica_Biglietti.Ingresso_A, "
        "Anagrafica_Biglietti.Tempo_Permanenza  FROM Gestione_Biglietti INNER JOIN Anagrafica_Biglietti ON "
        "Gestione_Biglietti.Codice_Biglietto = Anagrafica_Biglietti.Codice_Biglietto  WHERE (" +
        std::string(soloValidi ? "(Gestione_Biglietti.Scaduta=0) AND " : "") + "(Gestione_Biglietti.Data_Inizio<=" +
        oggi_ + ") AND (Gestione_Biglietti.Codice_Cliente=" + codice_ + " OR Gestione_Biglietti.Codice_Tessera=" +
        codice_ + ")) ORDER BY Gestione_Biglietti.Data_Inizio, Gestione_Biglietti.ID");
    for (; !rs->eof(); rs->moveNext()) {
        Biglietto b;
        b.ID = rs->field(0).toInt();
        b.Codice_Biglietto = rs->field(1);
        b.Data_Acquisto = rs->field(2);
        b.Data_Inizio = rs->field(3);
        b.Sedute = rs->field(5).toInt();
        b.SeduteFatte = rs->field(6).toInt();
        b.Codice_Struttura = rs->field(7);
        b.DesBiglietto = rs->field(8);
        b.Accessi_Multipli = rs->field(9).toInt();
        b.Utilizzo_AltriGiorni = rs->field(10).toInt();
        b.Tipo_Gestione = rs->field(11).toInt();
        b.Ingresso_Da = rs->field(12);
        b.Ingresso_A = rs->field(13);
        b.Tempo_Permanenza = rs->field(14);
        out.push_back(std::move(b));
    }
    return out;
}

bool Biglietti::ammetti() {
    if (codicePersonale(l_.Codice)) return false;
    for (const Biglietto& b : candidati(true)) {
        if (!terminali(b) || !giorno(b)) continue;
        const bool ok = esterna() ? ripetuti(b) && orario(b) : passBack(b);
        if (!ok) continue;
        scelto_ = b;
        return true;
    }
    return false;
}

// A type bound to terminals is valid at those only.
bool Biglietti::terminali(const Biglietto& b) {
    const std::string tipo = CChrQ(b.Codice_Biglietto);
    if (conta("SELECT Count(*) FROM Biglietti_Terminali WHERE Codice_Biglietto=" + tipo) == 0) return true;
    auto rs = s_.db.open("SELECT TOP 1 ID_Terminale  FROM Biglietti_Terminali INNER JOIN Dettaglio_Terminali ON "
                         "Biglietti_Terminali.ID_Terminale=Dettaglio_Terminali.ID  WHERE Codice_Biglietto=" + tipo +
                         " AND Dettaglio_Terminali.Indirizzo=" + terminale_);
    return !rs->eof();
}

// Types whose `Utilizzo_AltriGiorni` is 0 or 1 are used on their day of purchase only.
bool Biglietti::giorno(const Biglietto& b) const {
    if (b.Utilizzo_AltriGiorni != 0 && b.Utilizzo_AltriGiorni != 1) return true;
    const auto acquisto = b.Data_Acquisto.toDate();
    return acquisto && !Nullo_Vuoto(b.Data_Acquisto) && acquisto->datePart() == l_.Data.datePart();
}

// The terminal's facility, once per read; a terminal without one counts as external.
bool Biglietti::esterna() {
    if (!esterna_) {
        auto rs = s_.db.open("SELECT Anagrafica_Strutture.Esterna  FROM Anagrafica_Strutture INNER JOIN "
                             "Dettaglio_Terminali ON "
                             "Anagrafica_Strutture.Codice_Struttura=Dettaglio_Terminali.Codice_Struttura  WHERE "
                             "Dettaglio_Terminali.Indirizzo=" + terminale_);
        esterna_ = rs->eof() || rs->field(0).toDouble() != 0;
    }
    return *esterna_;
}

bool Biglietti::entrataOggi(const Biglietto& b, const std::string& terminale) {
    auto rs = s_.db.open("SELECT TOP 1 Presenze_Strutture.IndTerminale  FROM Presenze_Strutture INNER JOIN Presenze ON "
                         "Presenze_Strutture.ID_Presenza = Presenze.ID_Presenza  WHERE Presenze_Strutture.ID_Biglietto=" +
                         num(b.ID) + " AND Presenze.Data_Presenza=" + oggi_ + terminale);
    return !rs->eof();
}

// Whether this entry counts one of the ticket's entries; a counting entry needs one left
// (`Sedute` 0: unlimited).
bool Biglietti::ripetuti(const Biglietto& b) {
    const std::string qui = " AND Presenze_Strutture.IndTerminale=" + terminale_;
    const std::string altrove = " AND Presenze_Strutture.IndTerminale<>" + terminale_;
    switch (b.Accessi_Multipli) {
        case 0:
        case 1: conta_ = true; break;
        case 2: conta_ = !entrataOggi(b, "") || entrataOggi(b, qui); break;
        case 3: conta_ = !entrataOggi(b, "") || entrataOggi(b, altrove); break;
        case 4: conta_ = !entrataOggi(b, ""); break;
        default: conta_ = false; break;
    }
    const bool esaurito = b.Sedute > 0 && b.Sedute - b.SeduteFatte <= 0;
    return !(conta_ && esaurito);
}

// The entry bands of an external facility's ticket, opened `AnticipoPren` minutes early.
bool Biglietti::orario(const Biglietto& b) {
    const int anticipo = ZeroSeNullo(s_.settings.Leggi_Impostazione(impostazione::AnticipoPren)) * 60;
    const int adesso = l_.Ora.secondOfDay();
    auto dentro = [&](const Value& da, const Value& a) {
        const int inizio = std::max(0, secondi(da, kPrimoSecondo) - anticipo);
        return inizio <= adesso && adesso <= secondi(a, kUltimoSecondo);
    };
    if (b.Tipo_Gestione == 1) return dentro(b.Ingresso_Da, b.Ingresso_A);
    if (b.Tipo_Gestione != 2) return true;
    bool righe = false;
    auto rs = s_.db.open("SELECT DDSettimana, Ingresso_Da, Ingresso_A  FROM Biglietti_FasceOrarie  WHERE "
                         "Codice_Biglietto=" + CChrQ(b.Codice_Biglietto) + " ORDER BY DDSettimana, Ingresso_Da");
    for (; !rs->eof(); rs->moveNext()) {
        righe = true;
        if (rs->field(0).toInt() == l_.Giorno && dentro(rs->field(1), rs->field(2))) return true;
    }
    return !righe;
}

// Inside an internal facility a ticket enters a terminal no more often than it entered the
// busiest other one today; the entry never counts.
bool Biglietti::passBack(const Biglietto& b) {
    conta_ = false;
    const std::string da = "  FROM Presenze_Strutture INNER JOIN Presenze ON Presenze_Strutture.ID_Presenza = "
                           "Presenze.ID_Presenza  WHERE Presenze_Strutture.ID_Biglietto=" + num(b.ID) +
                           " AND Presenze.Data_Presenza=" + oggi_;
    const int64_t altrove = conta("SELECT Presenze_Strutture.IndTerminale, COUNT(Presenze_Strutture.ID) AS TotIngB " +
                                      da + " AND Presenze_Strutture.IndTerminale<>" + terminale_ +
                                      " GROUP BY Presenze_Strutture.IndTerminale  ORDER BY COUNT(Presenze_Strutture.ID) DESC",
                                  "TotIngB");
    if (altrove == 0) return true;
    const int64_t qui = conta("SELECT COUNT(Presenze_Strutture.ID) AS TotIngB " + da +
                              " AND Presenze_Strutture.IndTerminale=" + terminale_ +
                              " GROUP BY Presenze_Strutture.IndTerminale");
    return qui < altrove;
}

// The customer columns hold 20 characters: a longer card code is cut there, with a log line.
const std::string& Biglietti::codiceCliente() {
    if (!cliente_)
        cliente_ =
            Testo_Colonna(s_.db, Value(l_.Codice), kLunghezzaCodiceCliente, "Presenze.Codice_Cliente", kFunzione).toText();
    return *cliente_;
}

bool Biglietti::registraIngresso() {
    const auto numero = Preleva_Numero_Presenza(s_, LockPolicy{}, kFunzione);
    if (!numero) return false;
    const std::string n = num(*numero);
    const std::string cliente = CChrQ(Value(codiceCliente()));
    const std::string centro = CChrQ(s_.corrente.Codice_Centro_Corrente);
    const std::string id = num(scelto_.ID);
    s_.db.execute("INSERT INTO Presenze (ID_Presenza, Codice_Cliente, Data_Presenza, Ora_Presenza, Codice_Centro, "
                  "IndTerminale, Codice_Tessera, Note_Tessera)  VALUES (" + n + ", " + cliente + ", " + oggi_ + ", " +
                  ora_ + ", " + centro + ", " + terminale_ + ", " + codice_ + ", " + CChrQ(Value(l_.Note)) + ")");
    Value struttura = scelto_.Codice_Struttura;
    if (Nullo_Vuoto(struttura)) struttura = s_.settings.Leggi_Impostazione(impostazione::Struttura_Biglietti);
    s_.db.execute("INSERT INTO Presenze_Strutture (ID_Presenza, Codice_Cliente, Codice_Struttura, Tipologia, Pagato, "
                  "Costo_Presenza, Ora_Presenza, ID_Biglietto, IndTerminale, Codice_Centro)  SELECT " + n + ", " +
                  cliente + ", " + CChrQ(struttura) + ", " + num(kTipologiaBiglietto) + ", -1, 0, " + ora_ + ", " + id +
                  ", " + terminale_ + ", " + centro);
    if (conta_)
        s_.db.execute("UPDATE Gestione_Biglietti  SET SeduteFatte = SeduteFatte + 1  WHERE ID = " + id +
                      " AND Scaduta=0 ");
    // Only the ticket just used expires, never another customer's.
    if (scelto_.Accessi_Multipli == 1)
        s_.db.execute("UPDATE Gestione_Biglietti  SET Scaduta = -1, Data_Scadenza = " + oggi_ +
                      "  WHERE ((Sedute > 0) AND (Sedute - SeduteFatte <= 0)) AND Scaduta=0 AND ID = " + id);
    if (s_.registro.Terminali_Uscita) {
        s_.db.execute("DELETE FROM Controllo_Fascia_Oraria  WHERE ID_Biglietto=" + id + " AND Modalita=2 ");
        const Value uscita = Calcola_Ora_Uscita(s_, Value::null(), Value::null(), Value::null(), Value(0), l_.Giorno,
                                                Value(l_.Ora), scelto_.Tempo_Permanenza, scelto_.Codice_Biglietto,
                                                Value::null());
        s_.db.execute("INSERT INTO Controllo_Fascia_Oraria (Modalita, ID_Biglietto, Data_Presenza, IndTerminale, "
                      "ID_Presenza, Ora_Presenza, AOre)  SELECT 2, " + id + ", " + oggi_ + ", " + terminale_ + ", " +
                      n + ", " + ora_ + ", " + Ora_SqlQ(uscita));
    }
    return true;
}

// The first ticket of the code with an open stay: today's, or one of the previous day that
// is still open (it crossed midnight). An expired ticket can still leave.
bool Biglietti::trovaUscita() {
    if (codicePersonale(l_.Codice)) return false;
    for (const Biglietto& b : candidati(false)) {
        auto rs = s_.db.open("SELECT TOP 1 ID_Presenza, AOre, Data_Presenza  FROM Controllo_Fascia_Oraria  WHERE "
                             "ID_Biglietto=" + num(b.ID) + " AND Data_Presenza>=" + Data_SqlQ(Value(l_.Data.addDays(-1))) +
                             " AND Data_Presenza<=" + oggi_ + " AND Modalita=2 ORDER BY Data_Presenza DESC");
        if (rs->eof()) continue;
        scelto_ = b;
        stayPresenza_ = rs->field(0);
        stayAOre_ = rs->field(1);
        stayData_ = rs->field(2);
        return true;
    }
    return false;
}

bool Biglietti::uscitaConsentita() const {
    const auto limite = stayAOre_.toDate();
    if (Nullo_Vuoto(stayAOre_) || !limite) return true;
    const auto giorno = stayData_.toDate();
    const DateTime fine = (giorno ? giorno->datePart() : l_.Data.datePart()).addSeconds(limite->secondOfDay());
    return l_.Data.datePart().addSeconds(l_.Ora.secondOfDay()) <= fine;
}

void Biglietti::registraUscita() {
    s_.db.execute("INSERT INTO Gestione_Uscite (Codice_Cliente, Data_Uscita,            Ora_Uscita,             "
                  "ID_Presenza, Codice_Centro)  VALUES (" + CChrQ(Value(codiceCliente())) + ", " + oggi_ + ", " + ora_ + ", " +
                  Num_SqlQ(stayPresenza_) + ", " + CChrQ(s_.corrente.Codice_Centro_Corrente) + ") ");
    s_.db.execute("DELETE FROM Controllo_Fascia_Oraria  WHERE ID_Biglietto=" + num(scelto_.ID) + " AND Modalita=2 ");
}

void Biglietti::datiAccessi(bool uscita, bool consentito) {
    const TerminalRow* t = s_.registro.perIndirizzo(l_.Indirizzo);
    const std::string terminale(trimBlanks(t ? (*t)["Descrizione"].toText() : std::string()));
    DatiAccessi d;
    d.Codice_Tessera = Value(l_.Codice);
    d.Codice = Value(codiceCliente());
    if (l_.Codice.rfind("CL", 0) == 0) {
        auto rs = s_.db.open("SELECT Cognome, Nome, Indirizzo  FROM Anagrafica_Clienti  WHERE Codice_Cliente=" + codice_);
        if (!rs->eof()) {
            d.Cognome = rs->field(0);
            d.Nome = rs->field(1);
            d.Indirizzo = rs->field(2);
        }
    }
    d.Data_Entrata = Value(l_.Data);
    d.Ora_Entrata = Value(l_.Ora);
    d.Codice_Abbonamento = scelto_.Codice_Biglietto;
    d.DesAbbonamento = scelto_.DesBiglietto;
    d.Sem2 = Value(consentito ? 1 : 0);
    d.Struttura_Ingresso = Value(std::string(uscita ? "USCITA BIGLIETTO " : "ENTRATA BIGLIETTO ") + terminale);
    d.Entrata = Value(!uscita ? "INGRESSO CONSENTITO" : consentito ? "USCITA CONSENTITA" : "USCITA NON CONSENTITA");
    d.Terminale = Value(l_.Indirizzo);
    d.CheckOut = Value(uscita ? 1 : 0);
    d.Monitor_Aggiuntivo = Value(static_cast<int>(s_.corrente.Monitor_Aggiuntivo));
    VisualizzaDatiForm(s_, d);
}

}  // namespace velaris
