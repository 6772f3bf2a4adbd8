#include "attendance/money_card.h"

#include <algorithm>
#include <map>

#include "attendance/tariffe.h"
#include "db/setting_slots.h"

namespace velaris {

namespace {

constexpr const char* F_Credito = "Credito_MoneyCard";
constexpr const char* F_Movimenta = "Movimenta_MoneyCard";
// Deepest bill of materials walked; deeper levels are a fault of the data.
constexpr int kLivelliDistinta = 32;

std::string num(int64_t n) { return std::to_string(n); }

std::string numOrNull(const Value& v) { return Nullo_Vuoto(v) ? std::string("Null") : Num_SqlQ(v); }

// The first column of the first row (Null without rows). Unlike the query helpers a
// failure is raised: in a payment it must never read as "nothing there".
Value valore(Sistema& s, const std::string& sql) {
    auto rs = s.db.open(sql);
    return rs->eof() ? Value::null() : rs->field(0);
}

// A money column read from the database: Null and blanks count as 0.
Money denaro(const Value& v) { return Money::fromValue(v).value_or(Money()); }

// One usable card of the member.
struct Carta {
    int64_t id = 0;
    Value tipo;     // ID_TipoMC, Null without a type
    Money residuo;  // what is left on it
};

// One share of a debit: `importo` drawn from card `carta` for `articolo`.
struct Quota {
    int64_t carta = 0;
    Value tipo;
    Value articolo;
    Money importo;
};

// The member's usable cards for one article, in the fixed order.
class CarteCliente {
public:
    CarteCliente(Sistema& s, const Value& cliente) : s_(s), cliente_(CChrQ(cliente)) {
        conTipi_ = valore(s, "SELECT Count(*) FROM Tabella_MoneyCard").toInt() > 0;
        oggi_ = Data_SqlQ(Value(s.clock.today()));
    }

    bool conTipi() const { return conTipi_; }

    // The cards that may pay `articolo`: with card types, those of the article's types
    // first and then those of types without articles.
    std::vector<Carta> per(const Value& articolo) {
        if (!conTipi_) return leggi("");
        std::vector<Carta> out = leggi(" AND Gestione_MoneyCard.ID_TipoMC IN (SELECT ID_TipoMC FROM "
                                       "Gestione_MoneyCard_Associa WHERE Codice=" + CChrQ(articolo) + ")");
        for (Carta& c : leggi(" AND (Gestione_MoneyCard.ID_TipoMC Is Null OR Gestione_MoneyCard.ID_TipoMC Not In "
                              "(SELECT ID_TipoMC FROM Gestione_MoneyCard_Associa WHERE ID_TipoMC Is Not Null))"))
            out.push_back(std::move(c));
        return out;
    }

    // The usable-row filter.
    std::string filtro() const {
        std::string f = "Gestione_MoneyCard.Codice_Cliente=" + cliente_ + " AND Gestione_MoneyCard.Data_Inizio<=" + oggi_ +
                        " AND (Gestione_MoneyCard.Data_Fine Is Null Or Gestione_MoneyCard.Data_Fine>=" + oggi_ + ")";
        const Value& centro = s_.settings.slot(impostazione::Codice_Centro);
        if (!Nullo_Vuoto(centro)) f += " AND Gestione_MoneyCard.Codice_Centro=" + CChrQ(centro);
        return f;
    }

private:
    std::vector<Carta> leggi(const std::string& condizione) {
        std::vector<Carta> out;
        auto rs = s_.db.open("SELECT Gestione_MoneyCard.Cd_MoneyCard, Gestione_MoneyCard.Importo, "
                             "Gestione_MoneyCard.Importo_Usato, Gestione_MoneyCard.Importo_Omaggio, "
                             "Gestione_MoneyCard.ID_TipoMC  FROM Gestione_MoneyCard  WHERE " + filtro() +
                             " AND (Gestione_MoneyCard.Importo+Gestione_MoneyCard.Importo_Omaggio-"
                             "Gestione_MoneyCard.Importo_Usato>0)" + condizione +
                             " ORDER BY CASE WHEN Gestione_MoneyCard.Data_Fine Is Null THEN 1 ELSE 0 END, "
                             "Gestione_MoneyCard.Data_Fine, Gestione_MoneyCard.Cd_MoneyCard");
        for (; !rs->eof(); rs->moveNext()) {
            Carta c;
            c.id = rs->field(0).toInt();
            c.residuo = denaro(rs->field(1)) - denaro(rs->field(2)) + denaro(rs->field(3));
            c.tipo = rs->field(4);
            if (c.residuo > Money()) out.push_back(std::move(c));
        }
        return out;
    }

    Sistema& s_;
    std::string cliente_;
    std::string oggi_;
    bool conTipi_ = false;
};

// Splits each part (article, amount) over the cards, every card giving at most what is
// still free on it. The shares cover the parts in full, or the result is empty.
std::vector<Quota> ripartisci(CarteCliente& carte, const std::vector<std::pair<Value, Money>>& parti, Money* coperto) {
    std::map<int64_t, Money> preso;
    std::vector<Quota> quote;
    Money totale;
    bool completo = true;
    for (const auto& [articolo, importo] : parti) {
        Money resta = importo;
        for (const Carta& c : carte.per(articolo)) {
            if (resta <= Money()) break;
            const Money libero = c.residuo - preso[c.id];
            if (libero <= Money()) continue;
            const Money q = min(resta, libero);
            preso[c.id] += q;
            resta -= q;
            totale += q;
            quote.push_back({c.id, c.tipo, articolo, q});
        }
        completo = completo && resta <= Money();
    }
    if (coperto) *coperto = totale;
    if (!completo) quote.clear();
    return quote;
}

// Applies the shares: one guarded update per card and one movement per share. False when
// a card no longer covers its share (another workstation took it first): the caller rolls
// back.
bool applica(Sistema& s, const Value& cliente, const std::vector<Quota>& quote, bool conTipi) {
    const DateTime now = s.clock.now();
    const std::string oggi = Data_SqlQ(Value(now.datePart()));
    const std::string ora = Ora_SqlQ(Value(now.timeOnDay1900()));
    std::map<int64_t, Money> perCarta;
    for (const Quota& q : quote) perCarta[q.carta] += q.importo;
    for (const auto& [carta, importo] : perCarta) {
        const std::string x = Num_SqlQ(importo);
        s.db.execute("UPDATE Gestione_MoneyCard  SET Ultimo_Utilizzo=" + oggi +
                     ", Importo_Usato = Convert(Money, Importo_Usato + " + x + ") WHERE Cd_MoneyCard=" + num(carta) +
                     " AND Codice_Cliente=" + CChrQ(cliente) +
                     " AND Convert(Money, Importo-Importo_Usato+Importo_Omaggio)>=" + x);
        if (s.db.rowsChanged() != 1) return false;
    }
    for (const Quota& q : quote) {
        const std::string x = Num_SqlQ(q.importo);
        s.db.execute(std::string("INSERT INTO PN_Movimenti (Tipologia, Codice_Cliente, Codice_Struttura, CodiceN, "
                                 "Codice2N, Data_Mov, Ora_Mov, Qta, Prezzo_Unitario, Importo, DareAvere, Automatico, "
                                 "Data_Pagamento, Ora_Pagamento, Pagato") +
                     (conTipi ? ", ID_TipoMC" : "") + ")  VALUES (" + num(kMovimentoMoneyCard) + ", " + CChrQ(cliente) +
                     ", " + CChrQ(q.articolo) + ", " + num(q.carta) + ", 0, " + oggi + ", " + ora + ", 1, " + x + ", " +
                     x + ",1 ,-1 ," + oggi + ", " + ora + ", -1" + (conTipi ? ", " + numOrNull(q.tipo) : "") + ")");
    }
    return true;
}

Money sommaResidui(CarteCliente& carte) {
    Money totale;
    for (const Carta& c : carte.per(Value())) totale += c.residuo;
    return totale;
}

std::optional<Money> prezzo(Sistema& s, const std::string& sql, const char* funzione) {
    auto rs = s.db.open(sql);
    if (rs->eof()) return std::nullopt;
    const auto p = Money::fromValue(rs->field(0));
    if (!p || p->isNegative()) {
        s.log.error(0, "Money-card tariff with a " + std::string(p ? "negative" : "blank") +
                           " price: the card cannot pay", funzione);
        return std::nullopt;
    }
    return p;
}

}  // namespace

std::string istruzioneTariffa(int tipo, const std::string& colonne, const std::string& terminale, int giorno,
                              const DateTime& ora, const DateTime& oggi, const std::string& altro, bool primo) {
    const std::string t = Ora_SqlQ(Value(ora.timeOnDay1900()));
    const std::string d = Data_SqlQ(Value(oggi.datePart()));
    return std::string("SELECT ") + (primo ? "TOP 1 " : "") + colonne +
           "  FROM Dettaglio_Terminali_Punti INNER JOIN Dettaglio_Terminali ON "
           "Dettaglio_Terminali_Punti.ID_Terminale=Dettaglio_Terminali.ID  WHERE Dettaglio_Terminali_Punti.Tipo=" +
           num(tipo) + " AND " + terminale + " AND Dettaglio_Terminali_Punti.DDSettimana=" + num(giorno) +
           " AND Dettaglio_Terminali_Punti.Fascia_Ini<=" + t + " AND Dettaglio_Terminali_Punti.Fascia_Fin>=" + t + altro +
           " AND Dettaglio_Terminali_Punti.Data_Validita<=" + d +
           " AND (Dettaglio_Terminali_Punti.Fine_Validita Is Null OR Dettaglio_Terminali_Punti.Fine_Validita>=" + d +
           ")  ORDER BY Dettaglio_Terminali_Punti.Data_Validita DESC, Dettaglio_Terminali_Punti.ID DESC";
}

std::optional<Money> Prezzo_MoneyCard(Sistema& s, int indirizzo, const DateTime& quando) {
    return prezzo(s,
                  istruzioneTariffa(kTariffaIngresso, "Dettaglio_Terminali_Punti.Importo",
                                    "Dettaglio_Terminali.Indirizzo=" + num(indirizzo), quando.weekdayMonday1(), quando,
                                    quando),
                  F_Credito);
}

std::optional<Money> Prezzo_Tempo_MoneyCard(Sistema& s, const Value& idTerminaleEntrata, const DateTime& quando) {
    Value uscita;
    {
        auto rs = s.db.open("SELECT TOP 1 Dettaglio_Terminali_Uscita.ID_Terminale  FROM Dettaglio_Terminali_Uscita "
                            "INNER JOIN Dettaglio_Terminali ON "
                            "Dettaglio_Terminali_Uscita.ID_Terminale=Dettaglio_Terminali.ID  WHERE "
                            "Dettaglio_Terminali_Uscita.ID_Terminale_Entrata=" + Num_SqlQ(idTerminaleEntrata) +
                            " ORDER BY Dettaglio_Terminali_Uscita.ID");
        if (rs->eof()) return std::nullopt;
        uscita = rs->field(0);
    }
    // The pairing names the exit terminal by its ID: the tariff is looked up by the same key.
    return prezzo(s,
                  istruzioneTariffa(kTariffaTempo, "Dettaglio_Terminali_Punti.Importo",
                                    "Dettaglio_Terminali.ID=" + Num_SqlQ(uscita), quando.weekdayMonday1(), quando,
                                    quando),
                  F_Credito);
}

Money Credito_MoneyCard(Sistema& s, const Value& cliente, const Value& articolo, Money importo) {
    if (Nullo_Vuoto(cliente)) return Money();
    CarteCliente carte(s, cliente);
    Money coperto;
    ripartisci(carte, {{articolo, importo}}, &coperto);
    return coperto;
}

std::optional<Money> Residuo_MoneyCard(Sistema& s, const Value& cliente) {
    CarteCliente carte(s, cliente);
    if (valore(s, "SELECT Count(*) FROM Gestione_MoneyCard WHERE " + carte.filtro()).toInt() == 0) return std::nullopt;
    return sommaResidui(carte);
}

Pagamento Addebita_MoneyCard(Sistema& s, const Value& cliente, const Value& articolo, Money importo) {
    Pagamento p;
    try {
        if (Nullo_Vuoto(cliente) || importo.isNegative()) {
            p.esito = EsitoAddebito::CreditoInsufficiente;
            return p;
        }
        Transaction t(s.db);
        CarteCliente carte(s, cliente);
        if (!importo.isZero()) {
            const std::vector<Quota> quote = ripartisci(carte, {{articolo, importo}}, nullptr);
            if (quote.empty() || !applica(s, cliente, quote, carte.conTipi())) {
                p.esito = EsitoAddebito::CreditoInsufficiente;
                p.residuo = sommaResidui(carte);
                return p;  // rolled back
            }
        }
        p.residuo = sommaResidui(carte);
        t.commit();
        p.esito = EsitoAddebito::Eseguito;
        p.addebitato = importo;
    } catch (const std::exception& e) {
        s.db.logError(e, F_Credito);
        p = Pagamento{};
    }
    return p;
}

std::optional<TariffaTempo> Tariffa_Tempo(Sistema& s, int indirizzo, int giorno, const DateTime& oraEntrata) {
    auto rs = s.db.open(istruzioneTariffa(
        kTariffaTempo,
        "Dettaglio_Terminali_Punti.Importo, Dettaglio_Terminali_Punti.Unita_Min, Dettaglio_Terminali_Punti.Fraz_Min, "
        "Dettaglio_Terminali_Punti.Importo_Fraz, Dettaglio_Terminali_Punti.Tolleranza",
        "Dettaglio_Terminali.Indirizzo=" + num(indirizzo), giorno, oraEntrata, s.clock.today()));
    if (rs->eof()) return std::nullopt;
    TariffaTempo t;
    t.Importo = denaro(rs->field(0));
    t.Unita_Min = rs->field(1).toInt();
    t.Fraz_Min = rs->field(2).toInt();
    t.Importo_Fraz = denaro(rs->field(3));
    t.Tolleranza = rs->field(4).toInt();
    if (t.Importo.isNegative() || t.Importo_Fraz.isNegative() || t.Unita_Min < 0 || t.Fraz_Min < 0) {
        s.log.error(0, "Time tariff with negative values at terminal " + num(indirizzo) + ": not charged", F_Credito);
        return std::nullopt;
    }
    return t;
}

Money Importo_Permanenza(const TariffaTempo& t, int64_t minuti) {
    if (minuti <= 0 || minuti <= t.Tolleranza) return Money();
    if (t.Unita_Min == 0) return t.Importo;
    const int64_t unita = std::max<int64_t>(1, minuti / t.Unita_Min);
    Money importo = t.Importo * unita;
    int64_t resto = minuti - unita * t.Unita_Min;
    if (resto > 0 && resto > t.Tolleranza) {
        if (t.Fraz_Min > 0) {
            const int64_t frazioni = std::max<int64_t>(1, resto / t.Fraz_Min);
            importo += t.Importo_Fraz * frazioni;
            resto -= frazioni * t.Fraz_Min;
            if (resto > 0 && resto > t.Tolleranza) importo += t.Importo_Fraz;
        } else {
            importo += t.Importo_Fraz;
        }
    }
    return importo;
}

IngressoMoneyCard Ingresso_MoneyCard(Sistema& s, const Value& cliente, int indirizzo) {
    IngressoMoneyCard r;
    const std::optional<Money> prezzo = Prezzo_MoneyCard(s, indirizzo, s.clock.now());
    if (!prezzo) return r;
    const Pagamento p = Addebita_MoneyCard(s, cliente, Value(), *prezzo);
    if (p.esito == EsitoAddebito::Errore) throw DbError(5, "The money card could not be debited");
    r.ammesso = p.esito == EsitoAddebito::Eseguito;
    r.addebitato = p.addebitato;
    r.residuo = p.residuo;
    return r;
}

int64_t minutiPermanenza(const DateTime& oraEntrata, const DateTime& adesso) {
    int64_t secondi = adesso.secondOfDay() - oraEntrata.secondOfDay();
    if (secondi < 0) secondi += 86400;
    return secondi / 60;
}

UscitaPagata Addebito_Uscita_MoneyCard(Sistema& s, const Value& cliente, int indirizzo, const DateTime& oraEntrata,
                                       const DateTime& adesso) {
    UscitaPagata u;
    const std::optional<TariffaTempo> t = Tariffa_Tempo(s, indirizzo, adesso.weekdayMonday1(), oraEntrata);
    if (t) u.importo = Importo_Permanenza(*t, minutiPermanenza(oraEntrata, adesso));
    if (u.importo <= Money()) {
        u.consentita = true;  // nothing to pay never depends on the credit
        return u;
    }
    const Pagamento p = Addebita_MoneyCard(s, cliente, Value(), u.importo);
    if (p.esito == EsitoAddebito::Errore) throw DbError(5, "The money card could not be debited");
    u.consentita = p.esito == EsitoAddebito::Eseguito;
    u.residuo = p.residuo;
    return u;
}

std::string Money_Card_Personale(Sistema& s, const std::string& codice) {
    struct Ruolo { const char* prefisso; const char* tabella; const char* chiave; };
    static constexpr Ruolo kRuoli[] = {
        {"CO", "Anagrafica_Consulenti", "Codice_Consulente"}, {"OP", "Anagrafica_Operatori", "Codice_Operatore"},
        {"IS", "Anagrafica_Istruttori", "Codice_Istruttore"}, {"FI", "Anagrafica_Fisioterapisti", "Codice_Fisioterapista"},
        {"ME", "Anagrafica_Medici", "Codice_Medico"},         {"ET", "Anagrafica_Estetisti", "Codice_Estetista"},
    };
    try {
        for (const Ruolo& r : kRuoli) {
            if (codice.rfind(r.prefisso, 0) != 0) continue;
            auto rs = s.db.open(std::string("SELECT TOP 1 Codice_Cliente FROM ") + r.tabella + " WHERE " + r.chiave +
                                " = " + CChrQ(Value(codice)));
            return rs->eof() ? std::string() : std::string(trimBlanks(rs->field(0).toText()));
        }
    } catch (const std::exception& e) {
        s.db.logError(e, "Money_Card_Personale");
    }
    return {};
}

Money Conversione_Euro_Dett(Money m) { return m <= Money() ? Money() : m.roundedToCents(); }

Money Conversione_Euro_Dett(const Value& v) {
    const auto m = Money::fromValue(v);
    return m ? Conversione_Euro_Dett(*m) : Money();
}

namespace {

class Esplosione {
public:
    Esplosione(Sistema& s, std::string radice) : s_(s), radice_(std::move(radice)) {}

    void figli(const std::string& padre, int livello, double prodotto, std::vector<std::string>& percorso) {
        if (livello > kLivelliDistinta) {
            segnala("deeper than " + num(kLivelliDistinta) + " levels below " + radice_);
            return;
        }
        percorso.push_back(padre);
        struct Figlio { std::string codice; double quantita; };
        std::vector<Figlio> elenco;
        auto leggi = [&](const std::string& sql, bool conQuantita) {
            auto rs = s_.db.open(sql);
            for (; !rs->eof(); rs->moveNext())
                elenco.push_back({std::string(trimBlanks(rs->field(2).toText())),
                                  conQuantita && rs->field(3).toDouble() > 0 ? rs->field(3).toDouble() : 1.0});
        };
        const std::string p = CChrQ(Value(padre));
        leggi("SELECT Anagrafica_Articoli.Descrizione AS Descrizione,Distinte_Articoli.Codice_Padre,"
              "Distinte_Articoli.Codice_Figlio,Distinte_Articoli.Quantita  FROM Distinte_Articoli INNER JOIN "
              "Anagrafica_Articoli ON Distinte_Articoli.Codice_Figlio = Anagrafica_Articoli.Codice_Articolo  WHERE "
              "Distinte_Articoli.Codice_Padre = " + p + " ORDER BY Distinte_Articoli.Codice_Figlio",
              true);
        leggi("SELECT Anagrafica_Articoli.Descrizione AS Descrizione,Tabella_Gruppi_Articoli.Codice_Padre,"
              "Tabella_Gruppi_Articoli.Codice_Figlio  FROM Tabella_Gruppi_Articoli INNER JOIN Anagrafica_Articoli ON "
              "Tabella_Gruppi_Articoli.Codice_Figlio = Anagrafica_Articoli.Codice_Articolo  WHERE "
              "Tabella_Gruppi_Articoli.Codice_Padre = " + p + " ORDER BY Tabella_Gruppi_Articoli.Codice_Figlio",
              false);
        for (const Figlio& f : elenco) {
            const double prod = prodotto * f.quantita;
            s_.db.execute("INSERT INTO wTmp_Distinte_SQL (Cd_Radice, Cd_Padre, Cd_Figlio, Livello_figlio, Livello_padre, "
                          "Prodotto_figlio)  VALUES (" + CChrQ(Value(radice_)) + ", " + p + ", " + CChrQ(Value(f.codice)) +
                          ", " + num(livello) + ", " + num(livello - 1) + ", " + Num_SqlQ(Value(prod)) + ")");
            raggiunti_.insert(f.codice);
            if (std::find(percorso.begin(), percorso.end(), f.codice) != percorso.end()) {
                segnala("article " + f.codice + " contains itself below " + radice_);
                continue;
            }
            if (!espansi_.insert(f.codice).second) continue;  // walked already through another parent
            if (!haFigli(f.codice)) {
                s_.db.execute("UPDATE  wTmp_Distinte Set Foglia = -1 WHERE ((Cd_figlio=" + CChrQ(Value(f.codice)) +
                              ") AND (Cd_padre=" + p + ") AND (Livello_Figlio=" + num(livello) + "))");
                continue;
            }
            figli(f.codice, livello + 1, prod, percorso);
        }
        percorso.pop_back();
    }

    std::set<std::string> raggiunti_;

private:
    bool haFigli(const std::string& codice) {
        const std::string c = " WHERE Codice_Padre=" + CChrQ(Value(codice));
        return valore(s_, "SELECT Count(*) FROM Distinte_Articoli" + c).toInt() > 0 ||
               valore(s_, "SELECT Count(*) FROM Tabella_Gruppi_Articoli" + c).toInt() > 0;
    }
    void segnala(const std::string& cosa) {
        if (segnalato_) return;
        segnalato_ = true;
        s_.log.error(0, "Bill of articles not walked further: " + cosa, "Esplosione_Gruppi_Articoli");
    }

    Sistema& s_;
    std::string radice_;
    std::set<std::string> espansi_;
    bool segnalato_ = false;
};

// `Sconto` in ten-thousandths of a percent; nothing when it is no discount.
std::optional<int64_t> sconto(const Value& v) {
    const auto m = Money::fromValue(v);
    if (!m || *m <= Money() || *m > Money::fromUnits(100 * Money::kScale)) return std::nullopt;
    return m->units();
}

}  // namespace

std::set<std::string> Esplosione_Gruppi_Articoli(Sistema& s, const std::string& articolo, const std::string& radice) {
    Esplosione e(s, radice);
    std::vector<std::string> percorso;
    e.figli(articolo, 1, 1.0, percorso);
    return e.raggiunti_;
}

std::optional<Money> Imposta_Prezzo_Articolo(Sistema& s, const std::string& articolo, const Value& cliente) {
    const std::string a = CChrQ(Value(articolo));
    Money listino, abbonato;
    {
        auto rs = s.db.open("SELECT Prezzo_Unitario, Prezzo_Unitario_Abb  FROM Anagrafica_Articoli  WHERE "
                            "Codice_Articolo=" + a);
        if (rs->eof()) return std::nullopt;
        listino = denaro(rs->field(0));
        abbonato = denaro(rs->field(1));
    }
    const std::string oggi = Data_SqlQ(Value(s.clock.today()));
    const std::string c = CChrQ(cliente);
    struct Promo { int64_t tipologia; Value articolo; int64_t sconto; };
    std::vector<Promo> promozioni;
    s.db.execute("DELETE FROM wTmp_Distinte");
    {
        auto rs = s.db.open(
            "SELECT Anagrafica_Promozioni.Descrizione, Promozioni_Abbonamenti.Tipologia, "
            "Promozioni_Abbonamenti.Codice_Abbonamento, Promozioni_Abbonamenti.Sconto, Promozioni_Abbonamenti.Durata, "
            "Promozioni_Abbonamenti.UMTemporale, Promozioni_Abbonamenti.Codice_Articolo FROM Anagrafica_Promozioni "
            "INNER JOIN Promozioni_Abbonamenti ON Anagrafica_Promozioni.Codice_Promo=Promozioni_Abbonamenti.Codice_Promo "
            "WHERE (Promozioni_Abbonamenti.Codice_Abbonamento IN (SELECT Codice_Abbonamento FROM Gestione_Iscrizioni "
            "WHERE Codice_Cliente=" + c + " AND Scaduta=0 AND Data_Inizio<=" + oggi +
            " AND (Data_Fine Is Null OR Data_Fine>=" + oggi + ")) OR Promozioni_Abbonamenti.Tipologia=3) AND "
            "Anagrafica_Promozioni.Data_Inizio<=" + oggi + " AND Anagrafica_Promozioni.Data_Fine>=" + oggi +
            " ORDER BY Promozioni_Abbonamenti.ID");
        for (; !rs->eof(); rs->moveNext())
            if (auto sc = sconto(rs->field(3))) promozioni.push_back({rs->field(1).toInt(), rs->field(6), *sc});
    }
    Money prezzo = listino;
    for (const Promo& p : promozioni) {
        const std::string codice(trimBlanks(p.articolo.toText()));
        bool vale;
        if (p.tipologia == 3) {
            // A group promotion holds for the articles inside the group.
            vale = !codice.empty() && (codice == articolo || Esplosione_Gruppi_Articoli(s, codice, codice).count(articolo));
        } else {
            // A promotion of the member's subscription type that names an article holds for that article only.
            vale = codice.empty() || codice == articolo;
        }
        if (!vale) continue;
        const __int128 giu = static_cast<__int128>(prezzo.units()) * p.sconto;
        const int64_t d = static_cast<int64_t>((giu + 500000) / 1000000);  // percent of ten-thousandths
        prezzo -= Money::fromUnits(d);
    }
    if (abbonato > Money() &&
        ZeroSeNullo(valore(s, "SELECT TOP 1 Stato FROM Anagrafica_Clienti WHERE Codice_Cliente=" + c)) == 1)
        prezzo = abbonato;
    return Conversione_Euro_Dett(prezzo);
}

int Movimenta_MoneyCard(Sistema& s, int indirizzo, const Value& cliente, ModoVendita modo) {
    try {
        struct Riga { Value articolo; Money unitario; int64_t qta; };
        std::vector<Riga> righe;
        Money totale;
        {
            auto rs = s.db.open("SELECT Codice_Articolo, Prezzo_Unitario, Qta  FROM wTmp_ArticoliTerminali  WHERE "
                                "Indirizzo = " + num(indirizzo) + " ORDER BY ID");
            for (; !rs->eof(); rs->moveNext()) {
                Riga r{rs->field(0), denaro(rs->field(1)), rs->field(2).toInt()};
                if (r.qta <= 0 || r.unitario.isNegative()) {
                    s.log.error(0, "Basket line of article " + r.articolo.toText() + " with quantity " +
                                       num(r.qta) + " or a negative price at terminal " + num(indirizzo) + ": not sold",
                                F_Movimenta);
                    return -1;
                }
                totale += r.unitario * r.qta;
                righe.push_back(std::move(r));
            }
        }
        if (righe.empty() || totale <= Money()) return -3;
        const bool pagato = modo != ModoVendita::ContantiNonPagato;
        const DateTime now = s.clock.now();
        const std::string oggi = Data_SqlQ(Value(now.datePart()));
        const std::string ora = Ora_SqlQ(Value(now.timeOnDay1900()));
        const std::string c = CChrQ(cliente);

        Transaction t(s.db);
        if (modo == ModoVendita::MoneyCard) {
            CarteCliente carte(s, cliente);
            std::vector<std::pair<Value, Money>> parti;
            for (const Riga& r : righe) parti.emplace_back(r.articolo, r.unitario * r.qta);
            const std::vector<Quota> quote = ripartisci(carte, parti, nullptr);
            if (quote.empty() || !applica(s, cliente, quote, carte.conTipi())) return -2;
        }
        for (const Riga& r : righe) {
            const std::string unitario = Num_SqlQ(r.unitario), importo = Num_SqlQ(r.unitario * r.qta);
            s.db.execute("INSERT INTO Gestione_Bar (Codice_Cliente, Codice_Articolo, Data_Vendita, Qta, Prezzo_Unitario, "
                         "Importo, Pagato)  VALUES (" + c + ", " + CChrQ(r.articolo) + ", " + oggi + ", " + num(r.qta) +
                         ", " + unitario + ", " + importo + ", " + (pagato ? "-1" : "0") + ")");
            const Value riga = valore(s, "SELECT Max(ID) FROM Gestione_Bar WHERE Codice_Cliente=" + c);
            s.db.execute("INSERT INTO PN_Movimenti (Tipologia, Codice_Cliente, Codice_Struttura, CodiceN, Codice2N, "
                         "Data_Mov, Ora_Mov, Qta, Prezzo_Unitario, Importo, DareAvere, Automatico, Data_Pagamento, "
                         "Ora_Pagamento, Pagato)  VALUES (" + num(kMovimentoBar) + ", " + c + ", " + CChrQ(r.articolo) +
                         ", " + num(riga.toInt()) + ", 0, " + oggi + ", " + ora + ", " + num(r.qta) + ", " + unitario +
                         ", " + importo + ",1 ,-1 ," + (pagato ? oggi + ", " + ora + ", -1" : "Null, Null, 0") + ")");
        }
        s.db.execute("DELETE FROM wTmp_ArticoliTerminali  WHERE Indirizzo = " + num(indirizzo));
        t.commit();
        return 1;
    } catch (const std::exception& e) {
        s.db.logError(e, F_Movimenta);
        return -1;
    }
}

}  // namespace velaris
