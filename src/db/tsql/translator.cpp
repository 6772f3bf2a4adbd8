#include "db/tsql/translator.h"

#include <sqlite3.h>

namespace velaris::tsql {

Translator::Translator(sqlite3* db, size_t capacity) : db_(db), capacity_(capacity ? capacity : 1) {}

void Translator::invalidate() {
    byShape_.clear();
    lru_.clear();
    tables_.clear();
    schemaVersion_ = -1;
}

void Translator::checkSchema() {
    if (!db_) return;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, "PRAGMA schema_version", -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return;
    }
    int64_t version = schemaVersion_;
    if (sqlite3_step(st) == SQLITE_ROW) version = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    if (version != schemaVersion_) {
        // Another connection (or process) changed the schema: column types may differ.
        invalidate();
        schemaVersion_ = version;
    }
}

const std::vector<ColumnInfo>* Translator::columns(std::string_view table) {
    if (!db_) return nullptr;
    std::string key(table);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (auto it = tables_.find(key); it != tables_.end()) return it->second.get();
    std::unique_ptr<std::vector<ColumnInfo>> cols;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, "SELECT name, type FROM pragma_table_xinfo(?1) WHERE hidden IN (0, 2, 3)", -1, &st,
                           nullptr) == SQLITE_OK) {
        sqlite3_bind_text(st, 1, table.data(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
        while (sqlite3_step(st) == SQLITE_ROW) {
            if (!cols) cols = std::make_unique<std::vector<ColumnInfo>>();
            const auto* n = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
            cols->push_back({n ? n : "", t ? t : ""});
        }
    }
    sqlite3_finalize(st);
    const std::vector<ColumnInfo>* result = cols.get();
    tables_.emplace(std::move(key), std::move(cols));
    return result;
}

const std::shared_ptr<const Translation>& Translator::translate(const Lexed& lexed) {
    auto matches = [&](const Entry& e, const Translation& t) {
        for (size_t k = 0; k < t.inlined.size(); ++k)
            if (lexed.literals[static_cast<size_t>(t.inlined[k])].text != e.inlinedValues[k]) return false;
        return true;
    };
    auto it = byShape_.find(lexed.shape);
    if (it != byShape_.end()) {
        Shape& shape = *it->second;
        for (const Entry& e : shape.entries) {
            if (matches(e, *e.translation)) {
                lru_.splice(lru_.begin(), lru_, it->second);
                ++hits_;
                return e.translation;
            }
        }
    }
    ++misses_;
    checkSchema();
    auto t = std::make_shared<Translation>(translateStatement(lexed, *this, false));
    t->id = nextId_++;
    Entry entry;
    for (int i : t->inlined) entry.inlinedValues.push_back(lexed.literals[static_cast<size_t>(i)].text);
    entry.translation = t;
    it = byShape_.find(lexed.shape);  // the schema check may have emptied the cache
    if (it == byShape_.end()) {
        lru_.emplace_front();
        lru_.front().key = lexed.shape;
        it = byShape_.emplace(lru_.front().key, lru_.begin()).first;
    } else {
        lru_.splice(lru_.begin(), lru_, it->second);
    }
    auto& entries = it->second->entries;
    // Literals written into the text (type lengths, ORDER BY positions) vary little;
    // keep a few variants per shape.
    if (entries.size() >= 8) entries.erase(entries.begin());
    entries.push_back(std::move(entry));
    while (lru_.size() > capacity_) {
        byShape_.erase(lru_.back().key);
        lru_.pop_back();
    }
    return entries.back().translation;
}

std::string Translator::translateText(std::string_view tsql) {
    Lexed lexed;
    lex(tsql, lexed);
    return translateStatement(lexed, *this, true).sql;
}

}  // namespace velaris::tsql
