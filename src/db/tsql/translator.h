#pragma once
// Translation of the system's T-SQL statements into SQLite statements with SQL Server's
// meaning. Works over a real tokenizer and parser; anything it does not understand is
// refused with a TranslationError naming the construct, never guessed.
//
// Statements that differ only in their literal values share one translation: the
// literals become numbered parameters (literal i is ?(i+1)) that the engine binds on
// every call, so the prepared statement is reused too. Translations are cached by that
// shape of the text, in a bounded least-recently-used cache.

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/connection.h"
#include "db/tsql/error.h"
#include "db/tsql/lexer.h"

struct sqlite3;

namespace velaris {
class Clock;
}

namespace velaris::tsql {

// How a literal is bound: as a number, as its text, or as the canonical date/time text.
enum class BindAs : uint8_t { Int, Real, Text, Canonical };

struct Binding {
    int literal;
    BindAs as;
};

struct Translation {
    uint64_t id = 0;                 // unique per translation made by one translator
    std::string sql;                 // the SQLite statement
    std::vector<Binding> bindings;   // literal -> parameter ?(literal+1)
    std::vector<int> inlined;        // literals whose values are written into `sql`
    std::string procedure;           // the engine procedure a statement runs ("Stato_Cliente"), if any
};

struct ColumnInfo {
    std::string name;
    std::string declType;
};

// Where the translator learns the declared types of table and view columns: they decide
// whether a date-shaped text is a date and whether "+" adds or concatenates.
class SchemaLookup {
public:
    virtual ~SchemaLookup() = default;
    // The columns of a table or view, or nullptr when there is no such table.
    virtual const std::vector<ColumnInfo>* columns(std::string_view table) = 0;
};

class Translator : public SchemaLookup {
public:
    // `db` is the connection whose schema is read (may be null: no column is known).
    explicit Translator(sqlite3* db = nullptr, size_t capacity = 512);

    // The translation of a tokenized statement, from the cache when its shape (and the
    // values of any literals written into the text) was seen before.
    // The reference stays valid until the next call.
    const std::shared_ptr<const Translation>& translate(const Lexed& lexed);
    // The SQLite text for a T-SQL statement with the literals written in (diagnostics).
    std::string translateText(std::string_view tsql);
    // Forgets the cached translations and table columns (after a schema change).
    void invalidate();
    // Forgets them only when the schema changed since they were read.
    void refreshSchema() { checkSchema(); }

    size_t cacheSize() const { return lru_.size(); }
    uint64_t hits() const { return hits_; }
    uint64_t misses() const { return misses_; }

    const std::vector<ColumnInfo>* columns(std::string_view table) override;

private:
    struct Entry {
        std::vector<std::string> inlinedValues;
        std::shared_ptr<const Translation> translation;
    };
    struct Shape {
        std::string key;
        std::vector<Entry> entries;
    };
    void checkSchema();

    sqlite3* db_;
    size_t capacity_;
    std::list<Shape> lru_;
    std::unordered_map<std::string_view, std::list<Shape>::iterator> byShape_;
    std::unordered_map<std::string, std::unique_ptr<std::vector<ColumnInfo>>> tables_;
    int64_t schemaVersion_ = -1;
    uint64_t nextId_ = 1;
    uint64_t hits_ = 0, misses_ = 0;
};

// Translates one tokenized statement (no cache). `inlineLiterals` writes the literal
// values into the text instead of parameters.
Translation translateStatement(const Lexed& lexed, SchemaLookup& schema, bool inlineLiterals = false);

// Registers the user functions, the collation and the procedures that translated
// statements call on this connection (see functions.h).
void registerFunctions(sqlite3* db, const Clock& clock);

}  // namespace velaris::tsql
