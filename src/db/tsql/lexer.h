#pragma once
// Tokenizer of the system's T-SQL statements. Besides the tokens it yields the statement's
// literals and its "shape": the text with every literal replaced by a marker of its class.
// Statements of one shape translate alike, so the engine caches translations and prepared
// statements by shape and binds the literals of each call as parameters.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace velaris::tsql {

enum class Tok : uint8_t {
    End,
    Ident,     // plain identifier or keyword; value = the name
    QIdent,    // [bracketed] or "quoted" identifier; value = the name
    Literal,   // number, string or ODBC date escape; lit = index into the literals
    Op,        // operator or punctuation: ( ) , . ; + - * / % = <> != < > <= >= !< !> & | ^ ~
};

// What a literal is, as far as its text tells. Date-shaped texts are turned into the
// canonical date form only where the statement compares or stores them as dates.
enum class LitClass : char {
    Int = 'i',       // whole number
    Real = 'r',      // number with a decimal point or an exponent
    Text = 't',      // any other string
    DateText = 'D',  // string that reads as a date or date/time: '2024-03-07', '1900-1-1 07:05:00', '03-07-2024'
    TimeText = 'T',  // string that reads as a time alone: '07:05:00'
    Date = 'd',      // ODBC escape {d '...'}, {ts '...'}, {t '...'}: always a date/time
};

struct Literal {
    LitClass cls = LitClass::Text;
    std::string text;       // strings: the content; numbers: the source text; escapes: canonical form
    std::string canonical;  // DateText and TimeText: the canonical form 'YYYY-MM-DD HH:MM:SS'
    int64_t i = 0;          // Int
    double d = 0;           // Real
};

struct Token {
    Tok kind = Tok::End;
    std::string_view text;  // the source span
    std::string_view value; // identifier name without quotes (points into the source or into `names`)
    int lit = -1;
    bool bracketed = false; // QIdent written with [ ] or " "
};

struct Lexed {
    std::string_view source;
    std::string shape;
    std::vector<Literal> literals;
    std::vector<Token> tokens;  // ends with a Tok::End token
    std::deque<std::string> names;  // unescaped quoted identifiers ("a""b", [a]]b]); stable addresses

    void clear();
};

// Tokenizes `sql` into `out` (whose buffers are reused). Throws TranslationError for text
// that is no T-SQL at all: an unterminated string, comment or identifier, an unknown
// character, a malformed ODBC escape.
void lex(std::string_view sql, Lexed& out);

// The literal classifiers: whether a string reads as a date (with or without a time) or
// as a time alone; on success `canonical` receives the canonical form.
bool isDateShaped(std::string_view text, std::string& canonical);
bool isTimeShaped(std::string_view text, std::string& canonical);

}  // namespace velaris::tsql
