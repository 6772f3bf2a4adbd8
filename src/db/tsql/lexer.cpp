#include "db/tsql/lexer.h"

#include <cstdlib>
#include <cstring>

#include "db/tsql/error.h"
#include "base/value.h"

namespace velaris::tsql {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isIdentStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '#' || c == '@' || c >= 0x80; }
bool isIdentChar(unsigned char c) { return isIdentStart(c) || isDigit(static_cast<char>(c)) || c == '$'; }
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string context(std::string_view sql, size_t pos) {
    std::string_view s = sql.substr(pos, 30);
    return std::string(s);
}

// Reads a quoted string starting at the quote at `pos`; '' inside stands for one quote.
// Returns the position after the closing quote.
size_t readString(std::string_view sql, size_t pos, std::string& out) {
    out.clear();
    size_t i = pos + 1;
    while (true) {
        const size_t q = sql.find('\'', i);
        if (q == std::string_view::npos)
            throw TranslationError("Unterminated string literal near: " + context(sql, pos));
        out.append(sql.substr(i, q - i));
        if (q + 1 < sql.size() && sql[q + 1] == '\'') {
            out.push_back('\'');
            i = q + 2;
            continue;
        }
        return q + 1;
    }
}

}  // namespace

bool isDateShaped(std::string_view text, std::string& canonical) {
    if (text.size() < 6 || text.size() > 40 || !isDigit(text.front())) return false;
    if (text.find_first_of("-/") == std::string_view::npos) return false;
    auto d = DateTime::parse(text);
    if (!d) return false;
    canonical = d->canonical();
    return true;
}

bool isTimeShaped(std::string_view text, std::string& canonical) {
    if (text.size() < 3 || text.size() > 20 || !isDigit(text.front())) return false;
    if (text.find(':') == std::string_view::npos || text.find_first_of("-/ ") != std::string_view::npos) return false;
    auto d = DateTime::parse(text);
    if (!d) return false;
    canonical = d->canonical();
    return true;
}

void Lexed::clear() {
    source = {};
    shape.clear();
    literals.clear();
    tokens.clear();
    names.clear();
}

void lex(std::string_view sql, Lexed& out) {
    out.clear();
    out.source = sql;
    out.shape.reserve(sql.size());
    size_t copied = 0;  // source up to here is in the shape already
    const size_t n = sql.size();
    size_t i = 0;
    auto addLiteral = [&](size_t start, size_t end, Literal&& lit) {
        out.shape.append(sql.substr(copied, start - copied));
        out.shape.push_back('\x01');
        out.shape.push_back(static_cast<char>(lit.cls));
        copied = end;
        Token t;
        t.kind = Tok::Literal;
        t.text = sql.substr(start, end - start);
        t.lit = static_cast<int>(out.literals.size());
        out.literals.push_back(std::move(lit));
        out.tokens.push_back(t);
    };
    auto addToken = [&](Tok kind, size_t start, size_t end, std::string_view value = {}, bool bracketed = false) {
        Token t;
        t.kind = kind;
        t.text = sql.substr(start, end - start);
        t.value = value;
        t.bracketed = bracketed;
        out.tokens.push_back(t);
    };
    std::string buf;
    while (i < n) {
        const char c = sql[i];
        if (isSpace(c)) {
            ++i;
            continue;
        }
        if (c == '-' && i + 1 < n && sql[i + 1] == '-') {  // comment to the end of the line
            while (i < n && sql[i] != '\n') ++i;
            continue;
        }
        if (c == '/' && i + 1 < n && sql[i + 1] == '*') {  // block comment; they nest in T-SQL
            const size_t start = i;
            int depth = 0;
            while (i < n) {
                if (sql[i] == '/' && i + 1 < n && sql[i + 1] == '*') {
                    ++depth;
                    i += 2;
                } else if (sql[i] == '*' && i + 1 < n && sql[i + 1] == '/') {
                    i += 2;
                    if (--depth == 0) break;
                } else {
                    ++i;
                }
            }
            if (depth != 0) throw TranslationError("Unterminated comment near: " + context(sql, start));
            continue;
        }
        if (c == '\'' || ((c == 'N' || c == 'n') && i + 1 < n && sql[i + 1] == '\'')) {
            const size_t start = i;
            const size_t end = readString(sql, c == '\'' ? i : i + 1, buf);
            Literal lit;
            lit.text = buf;
            if (isDateShaped(lit.text, lit.canonical)) lit.cls = LitClass::DateText;
            else if (isTimeShaped(lit.text, lit.canonical)) lit.cls = LitClass::TimeText;
            else lit.cls = LitClass::Text;
            addLiteral(start, end, std::move(lit));
            i = end;
            continue;
        }
        if (isDigit(c) || (c == '.' && i + 1 < n && isDigit(sql[i + 1]))) {
            const size_t start = i;
            bool real = false;
            if (c == '0' && i + 1 < n && (sql[i + 1] == 'x' || sql[i + 1] == 'X'))
                throw TranslationError("Binary literals are not supported: " + context(sql, start));
            while (i < n && isDigit(sql[i])) ++i;
            if (i < n && sql[i] == '.') {
                real = true;
                ++i;
                while (i < n && isDigit(sql[i])) ++i;
            }
            if (i < n && (sql[i] == 'e' || sql[i] == 'E')) {
                size_t j = i + 1;
                if (j < n && (sql[j] == '+' || sql[j] == '-')) ++j;
                if (j < n && isDigit(sql[j])) {
                    real = true;
                    i = j;
                    while (i < n && isDigit(sql[i])) ++i;
                }
            }
            if (i < n && isIdentChar(static_cast<unsigned char>(sql[i])))
                throw TranslationError("Malformed number near: " + context(sql, start));
            Literal lit;
            lit.text = std::string(sql.substr(start, i - start));
            if (!real) {
                errno = 0;
                char* end = nullptr;
                const long long v = std::strtoll(lit.text.c_str(), &end, 10);
                if (errno == ERANGE) real = true;  // beyond 64 bits: a decimal number, as on the server
                else {
                    lit.cls = LitClass::Int;
                    lit.i = v;
                }
            }
            if (real) {
                lit.cls = LitClass::Real;
                lit.d = std::strtod(lit.text.c_str(), nullptr);
            }
            addLiteral(start, i, std::move(lit));
            continue;
        }
        if (c == '{') {  // ODBC escape: {d '...'}, {ts '...'}, {t '...'}
            const size_t start = i;
            size_t j = i + 1;
            while (j < n && isSpace(sql[j])) ++j;
            size_t k = j;
            while (k < n && isIdentChar(static_cast<unsigned char>(sql[k]))) ++k;
            std::string kind(sql.substr(j, k - j));
            for (char& ch : kind) ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
            if (kind != "d" && kind != "ts" && kind != "t")
                throw TranslationError("ODBC escape {" + kind + " ...} is not supported");
            while (k < n && isSpace(sql[k])) ++k;
            if (k >= n || sql[k] != '\'') throw TranslationError("Malformed ODBC escape near: " + context(sql, start));
            k = readString(sql, k, buf);
            while (k < n && isSpace(sql[k])) ++k;
            if (k >= n || sql[k] != '}') throw TranslationError("Malformed ODBC escape near: " + context(sql, start));
            ++k;
            auto d = DateTime::parse(buf);
            const bool timeOnly = buf.find_first_of("-/") == std::string::npos;
            if (!d || (kind == "t") != timeOnly)
                throw TranslationError("Invalid date/time in ODBC escape: " + std::string(sql.substr(start, k - start)));
            Literal lit;
            lit.cls = LitClass::Date;
            // {d} keeps the date alone; {t} puts the time on 1 January 1900, where every
            // stored time of day lives.
            lit.text = (kind == "d" ? d->datePart() : *d).canonical();
            addLiteral(start, k, std::move(lit));
            i = k;
            continue;
        }
        if (c == '[') {
            const size_t start = i;
            std::string name;
            bool escaped = false;
            size_t j = i + 1;
            while (true) {
                const size_t q = sql.find(']', j);
                if (q == std::string_view::npos)
                    throw TranslationError("Unterminated [identifier] near: " + context(sql, start));
                name.append(sql.substr(j, q - j));
                if (q + 1 < n && sql[q + 1] == ']') {
                    name.push_back(']');
                    escaped = true;
                    j = q + 2;
                    continue;
                }
                i = q + 1;
                break;
            }
            std::string_view value = sql.substr(start + 1, i - start - 2);
            if (escaped) value = out.names.emplace_back(std::move(name));
            addToken(Tok::QIdent, start, i, value, true);
            continue;
        }
        if (c == '"') {
            const size_t start = i;
            std::string name;
            bool escaped = false;
            size_t j = i + 1;
            while (true) {
                const size_t q = sql.find('"', j);
                if (q == std::string_view::npos)
                    throw TranslationError("Unterminated \"identifier\" near: " + context(sql, start));
                name.append(sql.substr(j, q - j));
                if (q + 1 < n && sql[q + 1] == '"') {
                    name.push_back('"');
                    escaped = true;
                    j = q + 2;
                    continue;
                }
                i = q + 1;
                break;
            }
            std::string_view value = sql.substr(start + 1, i - start - 2);
            if (escaped) value = out.names.emplace_back(std::move(name));
            addToken(Tok::QIdent, start, i, value, true);
            continue;
        }
        if (isIdentStart(static_cast<unsigned char>(c))) {
            const size_t start = i;
            while (i < n && isIdentChar(static_cast<unsigned char>(sql[i]))) ++i;
            addToken(Tok::Ident, start, i, sql.substr(start, i - start));
            continue;
        }
        // Operators and punctuation.
        const size_t start = i;
        const char d = i + 1 < n ? sql[i + 1] : '\0';
        size_t len = 0;
        switch (c) {
            case '<': len = (d == '>' || d == '=') ? 2 : 1; break;
            case '>': len = d == '=' ? 2 : 1; break;
            case '!':
                if (d == '=' || d == '<' || d == '>') len = 2;
                break;
            case '(': case ')': case ',': case '.': case ';': case '+': case '-': case '*': case '/': case '%':
            case '=': case '&': case '|': case '^': case '~':
                len = 1;
                break;
            default: break;
        }
        if (len == 0) throw TranslationError("Unexpected character '" + std::string(1, c) + "' near: " + context(sql, start));
        i += len;
        addToken(Tok::Op, start, i, sql.substr(start, len));
    }
    out.shape.append(sql.substr(copied));
    Token end;
    end.kind = Tok::End;
    end.text = sql.substr(n, 0);
    out.tokens.push_back(end);
}

}  // namespace velaris::tsql
