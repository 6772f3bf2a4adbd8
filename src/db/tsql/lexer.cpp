#include "db/tsql/lexer.h"

#include <cerrno>
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

namespace {

// One pass over a statement: each method reads one kind of token at `i_` and leaves
// `i_` after it.
class Lexer {
public:
    Lexer(std::string_view sql, Lexed& out) : sql_(sql), n_(sql.size()), out_(out) {}
    void run();

private:
    bool at(size_t j, char c) const { return j < n_ && sql_[j] == c; }
    void skipBlanks(size_t& j) const {
        while (j < n_ && isSpace(sql_[j])) ++j;
    }
    void blockComment();
    void string();
    void number();
    void odbcEscape();
    void quotedIdentifier(char close, const char* what);
    void identifier();
    void op();
    void addLiteral(size_t start, size_t end, Literal&& lit);
    void addToken(Tok kind, size_t start, size_t end, std::string_view value = {}, bool bracketed = false);

    std::string_view sql_;
    size_t n_;
    Lexed& out_;
    size_t i_ = 0;
    size_t copied_ = 0;  // source up to here is in the shape already
    std::string buf_;
};

void Lexer::run() {
    while (i_ < n_) {
        const char c = sql_[i_];
        if (isSpace(c)) {
            ++i_;
        } else if (c == '-' && at(i_ + 1, '-')) {  // comment to the end of the line
            while (i_ < n_ && sql_[i_] != '\n') ++i_;
        } else if (c == '/' && at(i_ + 1, '*')) {
            blockComment();
        } else if (c == '\'' || ((c == 'N' || c == 'n') && at(i_ + 1, '\''))) {
            string();
        } else if (isDigit(c) || (c == '.' && i_ + 1 < n_ && isDigit(sql_[i_ + 1]))) {
            number();
        } else if (c == '{') {
            odbcEscape();
        } else if (c == '[') {
            quotedIdentifier(']', "[identifier]");
        } else if (c == '"') {
            quotedIdentifier('"', "\"identifier\"");
        } else if (isIdentStart(static_cast<unsigned char>(c))) {
            identifier();
        } else {
            op();
        }
    }
    out_.shape.append(sql_.substr(copied_));
    Token end;
    end.kind = Tok::End;
    end.text = sql_.substr(n_, 0);
    out_.tokens.push_back(end);
}

void Lexer::addLiteral(size_t start, size_t end, Literal&& lit) {
    out_.shape.append(sql_.substr(copied_, start - copied_));
    out_.shape.push_back('\x01');
    out_.shape.push_back(static_cast<char>(lit.cls));
    copied_ = end;
    Token t;
    t.kind = Tok::Literal;
    t.text = sql_.substr(start, end - start);
    t.lit = static_cast<int>(out_.literals.size());
    out_.literals.push_back(std::move(lit));
    out_.tokens.push_back(t);
}

void Lexer::addToken(Tok kind, size_t start, size_t end, std::string_view value, bool bracketed) {
    Token t;
    t.kind = kind;
    t.text = sql_.substr(start, end - start);
    t.value = value;
    t.bracketed = bracketed;
    out_.tokens.push_back(t);
}

// Block comments nest in T-SQL.
void Lexer::blockComment() {
    const size_t start = i_;
    int depth = 0;
    while (i_ < n_) {
        if (sql_[i_] == '/' && at(i_ + 1, '*')) {
            ++depth;
            i_ += 2;
        } else if (sql_[i_] == '*' && at(i_ + 1, '/')) {
            i_ += 2;
            if (--depth == 0) break;
        } else {
            ++i_;
        }
    }
    if (depth != 0) throw TranslationError("Unterminated comment near: " + context(sql_, start));
}

// 'text' or N'text'; date- and time-shaped texts are told apart here.
void Lexer::string() {
    const size_t start = i_;
    const size_t end = readString(sql_, sql_[i_] == '\'' ? i_ : i_ + 1, buf_);
    Literal lit;
    lit.text = buf_;
    if (isDateShaped(lit.text, lit.canonical)) lit.cls = LitClass::DateText;
    else if (isTimeShaped(lit.text, lit.canonical)) lit.cls = LitClass::TimeText;
    else lit.cls = LitClass::Text;
    addLiteral(start, end, std::move(lit));
    i_ = end;
}

void Lexer::number() {
    const size_t start = i_;
    bool real = false;
    if (sql_[i_] == '0' && i_ + 1 < n_ && (sql_[i_ + 1] == 'x' || sql_[i_ + 1] == 'X'))
        throw TranslationError("Binary literals are not supported: " + context(sql_, start));
    while (i_ < n_ && isDigit(sql_[i_])) ++i_;
    if (at(i_, '.')) {
        real = true;
        ++i_;
        while (i_ < n_ && isDigit(sql_[i_])) ++i_;
    }
    if (at(i_, 'e') || at(i_, 'E')) {
        size_t j = i_ + 1;
        if (at(j, '+') || at(j, '-')) ++j;
        if (j < n_ && isDigit(sql_[j])) {
            real = true;
            i_ = j;
            while (i_ < n_ && isDigit(sql_[i_])) ++i_;
        }
    }
    if (i_ < n_ && isIdentChar(static_cast<unsigned char>(sql_[i_])))
        throw TranslationError("Malformed number near: " + context(sql_, start));
    Literal lit;
    lit.text = std::string(sql_.substr(start, i_ - start));
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
    addLiteral(start, i_, std::move(lit));
}

// ODBC escape: {d '...'}, {ts '...'}, {t '...'}
void Lexer::odbcEscape() {
    const size_t start = i_;
    size_t j = i_ + 1;
    skipBlanks(j);
    size_t k = j;
    while (k < n_ && isIdentChar(static_cast<unsigned char>(sql_[k]))) ++k;
    std::string kind(sql_.substr(j, k - j));
    for (char& ch : kind) ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
    if (kind != "d" && kind != "ts" && kind != "t") throw TranslationError("ODBC escape {" + kind + " ...} is not supported");
    skipBlanks(k);
    if (!at(k, '\'')) throw TranslationError("Malformed ODBC escape near: " + context(sql_, start));
    k = readString(sql_, k, buf_);
    skipBlanks(k);
    if (!at(k, '}')) throw TranslationError("Malformed ODBC escape near: " + context(sql_, start));
    ++k;
    auto d = DateTime::parse(buf_);
    const bool timeOnly = buf_.find_first_of("-/") == std::string::npos;
    if (!d || (kind == "t") != timeOnly)
        throw TranslationError("Invalid date/time in ODBC escape: " + std::string(sql_.substr(start, k - start)));
    Literal lit;
    lit.cls = LitClass::Date;
    // {d} keeps the date alone; {t} puts the time on 1 January 1900, where every
    // stored time of day lives.
    lit.text = (kind == "d" ? d->datePart() : *d).canonical();
    addLiteral(start, k, std::move(lit));
    i_ = k;
}

// [name] or "name"; a doubled closing character inside stands for one.
void Lexer::quotedIdentifier(char close, const char* what) {
    const size_t start = i_;
    std::string name;
    bool escaped = false;
    size_t j = i_ + 1;
    while (true) {
        const size_t q = sql_.find(close, j);
        if (q == std::string_view::npos)
            throw TranslationError(std::string("Unterminated ") + what + " near: " + context(sql_, start));
        name.append(sql_.substr(j, q - j));
        if (at(q + 1, close)) {
            name.push_back(close);
            escaped = true;
            j = q + 2;
            continue;
        }
        i_ = q + 1;
        break;
    }
    std::string_view value = sql_.substr(start + 1, i_ - start - 2);
    if (escaped) value = out_.names.emplace_back(std::move(name));
    addToken(Tok::QIdent, start, i_, value, true);
}

void Lexer::identifier() {
    const size_t start = i_;
    while (i_ < n_ && isIdentChar(static_cast<unsigned char>(sql_[i_]))) ++i_;
    addToken(Tok::Ident, start, i_, sql_.substr(start, i_ - start));
}

// Operators and punctuation.
void Lexer::op() {
    const size_t start = i_;
    const char c = sql_[i_];
    const char d = i_ + 1 < n_ ? sql_[i_ + 1] : '\0';
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
    if (len == 0) throw TranslationError("Unexpected character '" + std::string(1, c) + "' near: " + context(sql_, start));
    i_ += len;
    addToken(Tok::Op, start, i_, sql_.substr(start, len));
}

}  // namespace

void lex(std::string_view sql, Lexed& out) {
    out.clear();
    out.source = sql;
    out.shape.reserve(sql.size());
    Lexer(sql, out).run();
}

}  // namespace velaris::tsql
