#include "processing/identifica.h"

#include <array>

namespace velaris {

namespace {

struct Anagrafica {
    const char* prefisso;
    const char* tabella;
    const char* chiave;
};

// The staff tables in the order the resolving mode tries them.
constexpr std::array<Anagrafica, 6> kPersonale = {{
    {"CO", "Anagrafica_Consulenti", "Codice_Consulente"},
    {"IS", "Anagrafica_Istruttori", "Codice_Istruttore"},
    {"ME", "Anagrafica_Medici", "Codice_Medico"},
    {"FI", "Anagrafica_Fisioterapisti", "Codice_Fisioterapista"},
    {"OP", "Anagrafica_Operatori", "Codice_Operatore"},
    {"ET", "Anagrafica_Estetisti", "Codice_Estetista"},
}};

const Anagrafica* personalePer(std::string_view prefisso) {
    for (const Anagrafica& a : kPersonale)
        if (prefisso == a.prefisso) return &a;
    return nullptr;
}

bool codiceDiretto(std::string_view prefisso) {
    return personalePer(prefisso) || prefisso == "AR" || prefisso == "VR";
}

// Reads key, surname and name of the first row; false when there is none.
bool leggiNominativo(Sistema& s, const std::string& sql, std::string& codice, Value& Cognome, Value& Nome) {
    auto rs = s.db.open(sql);
    if (rs->eof()) return false;
    codice = rs->field(0).toText();
    Cognome = rs->field(1);
    Nome = rs->field(2);
    return true;
}

std::string primoCodice(Sistema& s, const std::string& sql) {
    auto rs = s.db.open(sql);
    return rs->eof() ? std::string() : rs->field(0).toText();
}

// The server's time of day. SQL Server answers 'convert(datetime,getdate(),108)' with the
// full date and time, so only its time of day is comparable with a QR code's expiry.
std::optional<int> secondiServer(Sistema& s) {
    auto rs = s.db.open("SELECT convert(datetime,getdate(),108)");
    if (rs->eof()) return std::nullopt;
    const auto t = rs->field(0).toDate();
    if (!t) return std::nullopt;
    return t->secondOfDay();
}

// One-day QR code of today, not yet used and not expired; consumed when found.
bool codiceQR(Sistema& s, const std::string& q, std::string& trovato, Value& Cognome, Value& Nome) {
    const std::string oggi = Data_SqlQ(Value(s.clock.today()));
    const std::optional<int> adesso = secondiServer(s);
    bool valido = false;
    {
        auto rs = s.db.open(
            "SELECT Gestione_QR_Code.Codice_Cliente, Anagrafica_Clienti.Cognome, Anagrafica_Clienti.Nome, "
            "Gestione_QR_Code.Ora_Scad FROM Gestione_QR_Code INNER JOIN Anagrafica_Clienti ON "
            "Gestione_QR_Code.Codice_Cliente=Anagrafica_Clienti.Codice_Cliente WHERE "
            "(Gestione_QR_Code.Codice_Cliente+Gestione_QR_Code.QR_Code+Gestione_QR_Code.Disp_Code) = " +
            q + " AND Gestione_QR_Code.Data_Reg=" + oggi + " AND Gestione_QR_Code.Usato=0");
        for (; !rs->eof() && !valido; rs->moveNext()) {
            const Value& scadenza = rs->field(3);
            if (!scadenza.isNullOrEmpty()) {
                const auto ora = scadenza.toDate();
                // Without the server's time an expiry cannot be checked: the code is not valid.
                if (!ora || !adesso || ora->secondOfDay() < *adesso) continue;
            }
            trovato = rs->field(0).toText();
            Cognome = rs->field(1);
            Nome = rs->field(2);
            valido = true;
        }
    }
    if (!valido) return false;
    s.db.execute("UPDATE Gestione_QR_Code  SET Usato=1  WHERE (Codice_Cliente+QR_Code+Disp_Code) = " + q +
                 " AND Data_Reg=" + oggi + " AND Usato=0");
    return true;
}

}  // namespace

std::string Togli_Sentinelle(const std::string& codice) {
    if (codice.size() < 2 || codice.front() != ';') return codice;
    const char ultimo = codice.back();
    if (ultimo != '?' && ultimo != '>' && ultimo != '<') return codice;
    const size_t p = codice.find('?');
    // ";...>" without "?" has no stripped form: the code stays as it was read.
    if (p == std::string::npos) return codice;
    return codice.substr(1, p - 1);
}

std::string Identifica_Codice(Sistema& s, std::string& codice, Value& Cognome, Value& Nome) {
    std::string trovato;
    try {
        const std::string prefisso = codice.substr(0, 2);
        if (codiceDiretto(prefisso) || ZeroSeNullo(s.settings.Leggi_Impostazione(impostazione::Utilizza_CodBis)) == 0) {
            // The code would be written as the owner's code: one longer than those columns
            // belongs to nobody (and the server would refuse to store it).
            const std::string_view scritto = std::string_view(codice).substr(0, codice.find_last_not_of(' ') + 1);
            if (Lunghezza_Caratteri(scritto) > kLarghezza_Codice) {
                s.log.timed("Read code of " + std::to_string(Lunghezza_Caratteri(scritto)) +
                            " characters is longer than any owner code: not assigned - Function Identifica_Codice");
                return trovato;
            }
            trovato = codice;
            if (const Anagrafica* a = personalePer(prefisso)) {
                std::string chiave;
                leggiNominativo(s,
                                std::string("SELECT TOP 1 ") + a->chiave + ", Cognome, Nome" + " FROM " + a->tabella +
                                    " " + " WHERE " + a->chiave + " = " + CChrQ(Value(codice)),
                                chiave, Cognome, Nome);
            }
            return trovato;
        }

        const std::string spogliato = Togli_Sentinelle(codice);
        // A blank read would match every record whose second code is blank.
        if (Nullo_Vuoto(Value(spogliato))) return trovato;
        const std::string q = CChrQ(Value(spogliato));
        if (leggiNominativo(s,
                            "SELECT TOP 1 Codice_Cliente, Cognome, Nome FROM Anagrafica_Clienti  WHERE Codice_Cliente = " +
                                q + " OR Codice_Bis = " + q,
                            trovato, Cognome, Nome))
            return trovato;

        {
            auto rs = s.db.open(
                "SELECT TOP 1 Tessere_Aggiuntive.Codice_Cliente, Anagrafica_Clienti.Cognome, Anagrafica_Clienti.Nome, "
                "Tessere_Aggiuntive.Notes  FROM Tessere_Aggiuntive INNER JOIN Anagrafica_Clienti ON "
                "Tessere_Aggiuntive.Codice_Cliente=Anagrafica_Clienti.Codice_Cliente WHERE "
                "Tessere_Aggiuntive.Codice_Tessera = " +
                q);
            if (!rs->eof()) {
                trovato = rs->field(0).toText();
                Cognome = rs->field(1);
                Nome = rs->field(2);
                s.lettura.Note_Tessera_Letta = rs->field(3).toText();
                return trovato;
            }
        }

        if (codiceQR(s, q, trovato, Cognome, Nome)) return trovato;

        trovato = primoCodice(s, "SELECT TOP 1 Codice_Visitatore FROM Anagrafica_Visitatori WHERE Codice_Visitatore = " +
                                     q + " OR Codice_Bis = " + q);
        if (!trovato.empty()) return trovato;

        for (const Anagrafica& a : kPersonale) {
            if (leggiNominativo(s,
                                std::string("SELECT TOP 1 ") + a.chiave + ", Cognome, Nome FROM " + a.tabella +
                                    " WHERE " + a.chiave + " = " + q + " OR Codice_Bis = " + q,
                                trovato, Cognome, Nome))
                return trovato;
        }

        trovato = primoCodice(s, "SELECT TOP 1 Codice_Articolo FROM Anagrafica_Articoli WHERE Codice_Articolo = " + q +
                                     " OR Codice_Bis = " + q);
    } catch (const std::exception& e) {
        s.db.logError(e, "Identifica_Codice");
    }
    return trovato;
}

}  // namespace velaris
