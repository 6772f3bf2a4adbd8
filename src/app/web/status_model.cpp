#include "app/web/status_model.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "app/links_factory.h"
#include "app/version.h"
#include "db/database.h"
#include "db/literals.h"
#include "system/terminal_states.h"

namespace velaris {

namespace {

std::string hms(const Value& v) {
    const auto d = v.toDate();
    if (!d) return "";
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", d->hour(), d->minute(), d->second());
    return text;
}

std::string ymd(const Value& v) {
    const auto d = v.toDate();
    if (!d) return "";
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", d->year(), d->month(), d->day());
    return text;
}

std::string trimmed(std::string s) {
    const size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// Length of the UTF-8 sequence starting at `p`, 0 when it is not a valid one.
size_t utf8Length(const unsigned char* p, size_t left) {
    const unsigned char c = p[0];
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || n > left || (n == 2 && c < 0xC2)) return 0;
    for (size_t i = 1; i < n; ++i)
        if ((p[i] & 0xC0) != 0x80) return 0;
    if (n == 3 && ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] >= 0xA0))) return 0;
    if (n == 4 && ((c == 0xF0 && p[1] < 0x90) || c > 0xF4 || (c == 0xF4 && p[1] >= 0x90))) return 0;
    return n;
}

bool startsWithNoCase(std::string_view text, size_t at, std::string_view word) {
    if (at + word.size() > text.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        char c = text[at + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != word[i]) return false;
    }
    return true;
}

}  // namespace

const char* descriviStato(int value) {
    switch (value) {
        case stato::Bloccato: return "bloccato";
        case stato::Pronto: return "pronto";
        case stato::AttesaImporto: return "attesa importo";
        case stato::SceltaPrenotazione: return "scelta prenotazione";
        case stato::AttesaAttivita: return "attesa attivit\xC3\xA0";
        case stato::AttesaConferma: return "attesa conferma";
        case stato::SceltaAttivazione: return "scelta attivazione";
        case stato::MenuMoneyCard: return "menu carta a scalare";
        default: return "sconosciuto";
    }
}

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = p[i];
        const size_t n = utf8Length(p + i, text.size() - i);
        if (n == 0) {
            out += "\\ufffd";
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(text.substr(i, n));
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F || c == '<' || c == '>' || c == '&') {
            // Control characters, and the HTML specials so the JSON is safe in any page.
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
        i += n;
    }
    return out + "\"";
}

std::string senzaSegreti(std::string_view line) {
    static constexpr std::string_view kKeys[] = {"password=", "pwd=", "data source=", "database=", "dbq=",
                                                 "initial catalog=", "uid=", "user id="};
    std::string out;
    size_t i = 0;
    while (i < line.size()) {
        bool masked = false;
        for (std::string_view key : kKeys) {
            const bool wordStart = i == 0 || !std::isalnum(static_cast<unsigned char>(line[i - 1]));
            if (wordStart && startsWithNoCase(line, i, key)) {
                out.append(line.substr(i, key.size())).append("***");
                i += key.size();
                while (i < line.size() && line[i] != ';' && line[i] != '"' && line[i] != '\'' &&
                       line.substr(i, 3) != " - ")
                    ++i;
                masked = true;
                break;
            }
        }
        if (!masked) out += line[i++];
    }
    // A database file named on its own (the embedded engine's errors quote it).
    for (size_t at = out.find(".db"); at != std::string::npos; at = out.find(".db", at + 3)) {
        size_t start = at;
        while (start > 0 && out[start - 1] != ' ' && out[start - 1] != '\'' && out[start - 1] != '"' &&
               out[start - 1] != '=' && out[start - 1] != ':')
            --start;
        const size_t end = at + 3;
        if (end < out.size() && std::isalnum(static_cast<unsigned char>(out[end]))) continue;
        if (start < at) {
            out.replace(start, end - start, "***");
            at = start;
        }
    }
    return out;
}

StatusModel::StatusModel(Sistema& s) : s_(s) {}

void StatusModel::logLine(std::string_view line) {
    // Kept short: a page of lines, not a copy of the log.
    constexpr size_t kLineLength = 500;
    log_.push_back(senzaSegreti(line.substr(0, kLineLength)));
    while (log_.size() > kLogLines) log_.pop_front();
}

void StatusModel::refresh() {
    lastProbe_ = std::chrono::steady_clock::now();
    try {
        std::vector<std::pair<int, int>> states;
        {
            auto rs = s_.db.open("SELECT Indirizzo, Stato  FROM Stato_Terminali  WHERE Messaggio Is Null AND Indirizzo<>0 ");
            for (; !rs->eof(); rs->moveNext())
                states.emplace_back(static_cast<int>(rs->field(0).toInt()), static_cast<int>(rs->field(1).toInt()));
        }
        std::vector<Row> rows;
        {
            auto rs = s_.db.open("SELECT TOP " + std::to_string(kRows) +
                                 " ID, Data_Entrata, Ora_Entrata, Cognome, Nome, Codice_Tessera, Codice, Entrata, "
                                 "TestoIrr, Struttura_Ingresso, Terminale, Sem2, CheckOut  FROM wTmp_DatiAccessi "
                                 " ORDER BY ID DESC");
            for (; !rs->eof(); rs->moveNext()) {
                Row r;
                r.id = rs->field(0).toInt();
                r.date = ymd(rs->field(1));
                r.time = hms(rs->field(2));
                r.name = trimmed(trimmed(rs->field(3).toText()) + " " + trimmed(rs->field(4).toText()));
                r.card = rs->field(5).toText();
                const bool owner = !Nullo_Vuoto(rs->field(6));
                r.outcome = trimmed(rs->field(7).toText());
                r.irregularity = trimmed(rs->field(8).toText());
                r.entrance = trimmed(rs->field(9).toText());
                r.terminal = static_cast<int>(rs->field(10).toInt());
                r.admitted = rs->field(11).toInt() == 1;
                r.exit = rs->field(12).toInt() != 0;
                // A short row (card code and terminal only) carries no verdict of its own.
                r.verdict = r.admitted ? "admitted" : owner || !r.outcome.empty() ? "refused" : "";
                rows.push_back(std::move(r));
            }
        }
        const std::string today = " WHERE Data_Entrata=" + Data_SqlQ(Value(s_.clock.today()));
        int64_t admitted = 0, refused = 0;
        {
            auto rs = s_.db.open("SELECT Count(*)  FROM wTmp_DatiAccessi " + today + " AND Sem2=1");
            if (!rs->eof()) admitted = rs->field(0).toInt();
        }
        {
            auto rs = s_.db.open("SELECT Count(*)  FROM wTmp_DatiAccessi " + today + " AND Sem2<>1 AND Codice<>''");
            if (!rs->eof()) refused = rs->field(0).toInt();
        }
        states_ = std::move(states);
        rows_ = std::move(rows);
        admitted_ = admitted;
        refused_ = refused;
        refreshedAt_ = s_.clock.now().canonical();
        databaseOk_ = true;
    } catch (const std::exception& e) {
        // Shown as "database not answering"; the previous figures stay on the page. Logged
        // once when it starts, not on every refresh.
        if (databaseOk_ || refreshedAt_.empty()) s_.log.error(errorNumber(e), e.what(), "Pagina_Stato");
        databaseOk_ = false;
    }
}

bool StatusModel::linkUp() const { return s_.Terminali_Inizializzati && s_.link && s_.link->up(); }

bool StatusModel::healthy(std::string& reason, std::chrono::milliseconds maxAge) {
    if (std::chrono::steady_clock::now() - lastProbe_ >= maxAge) refresh();
    if (!databaseOk_) {
        reason = "database non raggiungibile";
        return false;
    }
    if (!linkUp()) {
        reason = "collegamento terminali non attivo";
        return false;
    }
    return true;
}

bool StatusModel::connectedNow(int address) const {
    // Terminals that call the server are connected while a connection carries their id.
    if (s_.link && s_.link->traits().checksConnections) return s_.link->connectionOf(address) > 0;
    // The other links have no connection per terminal: a terminal that answered the
    // start-up probe is the one the link reaches.
    const auto& rete = s_.registro.Terminali_Rete;
    return std::any_of(rete.begin(), rete.end(), [&](const Registro::Rete& r) { return r.Indirizzo == address; });
}

std::string StatusModel::json() const {
    std::string j = "{\"version\":" + jsonString(testoVersione());
    j += ",\"now\":" + jsonString(s_.clock.now().canonical());
    j += ",\"refreshed\":" + jsonString(refreshedAt_);
    j += ",\"link\":{\"kind\":" + std::to_string(s_.config.Dispositivo) + ",\"name\":" +
         jsonString(nomeCollegamento(s_.config.Dispositivo)) + ",\"up\":" + (linkUp() ? "true" : "false") + "}";
    j += ",\"database\":" + std::string(databaseOk_ ? "true" : "false");
    j += ",\"terminals\":[";
    bool first = true;
    for (const TerminalRow& t : s_.registro.Rs_Terminali) {
        const int address = t.indirizzo();
        int dialogo = 0;
        for (const auto& [a, st] : states_)
            if (a == address) dialogo = st;
        if (!first) j += ",";
        first = false;
        j += "{\"address\":" + std::to_string(address) + ",\"description\":" +
             jsonString(trimmed(t["Descrizione"].toText())) + ",\"type\":" + std::to_string(t["Tipo"].toInt()) +
             ",\"ip\":" + jsonString(trimmed(t["Indirizzo_IP"].toText())) + ",\"state\":" + std::to_string(dialogo) +
             ",\"stateText\":" + jsonString(dialogo != 0 ? descriviStato(dialogo) : "senza riga di stato") +
             ",\"connected\":" + (connectedNow(address) ? "true" : "false") + "}";
    }
    j += "],\"today\":{\"admitted\":" + std::to_string(admitted_) + ",\"refused\":" + std::to_string(refused_) + "}";
    j += ",\"accesses\":[";
    first = true;
    for (const Row& r : rows_) {
        if (!first) j += ",";
        first = false;
        j += "{\"id\":" + std::to_string(r.id) + ",\"date\":" + jsonString(r.date) + ",\"time\":" + jsonString(r.time) +
             ",\"name\":" + jsonString(r.name) + ",\"card\":" + jsonString(r.card) + ",\"verdict\":" +
             jsonString(r.verdict) + ",\"outcome\":" + jsonString(r.outcome) + ",\"irregularity\":" +
             jsonString(r.irregularity) + ",\"entrance\":" + jsonString(r.entrance) + ",\"terminal\":" +
             std::to_string(r.terminal) + ",\"exit\":" + (r.exit ? "true" : "false") + "}";
    }
    j += "],\"log\":[";
    first = true;
    for (const std::string& line : log_) {
        if (!first) j += ",";
        first = false;
        j += jsonString(line);
    }
    return j + "]}";
}

}  // namespace velaris
