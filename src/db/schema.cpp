#include "db/schema.h"

#include <sqlite3.h>

#include <filesystem>

#include "db/sqlite_engine.h"

namespace velaris {

std::vector<std::string> splitStatements(std::string_view script) {
    std::vector<std::string> out;
    std::string current;
    char quote = 0;
    for (size_t i = 0; i < script.size(); ++i) {
        const char c = script[i];
        if (quote) {
            current.push_back(c);
            if (c == quote) quote = 0;
            continue;
        }
        if (c == '-' && i + 1 < script.size() && script[i + 1] == '-') {  // comment to end of line
            while (i < script.size() && script[i] != '\n') ++i;
            current.push_back('\n');
            continue;
        }
        if (c == '\'' || c == '"' || c == '[') {
            quote = c == '[' ? ']' : c;
            current.push_back(c);
            continue;
        }
        if (c == ';') {
            if (current.find_first_not_of(" \t\r\n") != std::string::npos) out.push_back(current);
            current.clear();
            continue;
        }
        current.push_back(c);
    }
    if (current.find_first_not_of(" \t\r\n") != std::string::npos) out.push_back(current);
    return out;
}

namespace {

struct Column {
    std::string name;
    std::string dflt;  // the default's SQL text, "" when none
    bool pk = false;
};

std::string quoted(const std::string& name) { return "[" + name + "]"; }

std::string splitScript(const std::string& t, const std::vector<Column>& cols) {
    const std::string rows = t + "_Postazioni";
    std::string key;
    for (const Column& c : cols)
        if (c.pk) key = quoted(c.name);
    std::string names, values, sets;
    for (const Column& c : cols) {
        const std::string n = quoted(c.name);
        names += n + ", ";
        values += c.dflt.empty() || c.pk ? "NEW." + n + ", " : "coalesce(NEW." + n + ", " + c.dflt + "), ";
        if (!c.pk) sets += std::string(sets.empty() ? "" : ", ") + n + " = NEW." + n;
    }
    std::string select = names.substr(0, names.size() - 2);
    std::string sql = "DROP VIEW IF EXISTS " + t + "_SQL;\n"
                      "ALTER TABLE " + t + " RENAME TO " + rows + ";\n"
                      "ALTER TABLE " + rows + " ADD COLUMN Postazione VARCHAR(50) COLLATE TSQL NOT NULL DEFAULT '';\n"
                      "CREATE INDEX " + rows + "_Postazione ON " + rows + " (Postazione);\n"
                      // Rows written into the table directly (tools, tests) belong to the writer.
                      "CREATE TRIGGER " + rows + "_Postazione AFTER INSERT ON " + rows +
                      " WHEN NEW.Postazione = '' BEGIN UPDATE " + rows +
                      " SET Postazione = host_name() WHERE rowid = NEW.rowid; END;\n";
    for (const std::string& view : {t, t + "_SQL"}) {
        sql += "CREATE VIEW " + view + " AS SELECT " + select + " FROM " + rows + " WHERE Postazione = host_name();\n";
        sql += "CREATE TRIGGER " + view + "_Insert INSTEAD OF INSERT ON " + view + " BEGIN INSERT INTO " + rows + " (" +
               names + "Postazione) VALUES (" + values + "host_name()); END;\n";
        if (!key.empty()) {
            if (!sets.empty())
                sql += "CREATE TRIGGER " + view + "_Update INSTEAD OF UPDATE ON " + view + " BEGIN UPDATE " + rows +
                       " SET " + sets + " WHERE " + key + " = OLD." + key + "; END;\n";
            sql += "CREATE TRIGGER " + view + "_Delete INSTEAD OF DELETE ON " + view + " BEGIN DELETE FROM " + rows +
                   " WHERE " + key + " = OLD." + key + "; END;\n";
        }
    }
    return sql;
}

}  // namespace

void separateWorkTables(SqliteConnection& conn) {
    // Read natively: the catalogue is no T-SQL.
    auto rows = [&](const std::string& sql) {
        std::vector<std::vector<std::string>> out;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(conn.handle(), sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
            throw DbError(1, sqlite3_errmsg(conn.handle()));
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::vector<std::string> r;
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                const unsigned char* t = sqlite3_column_text(st, i);
                r.emplace_back(t ? reinterpret_cast<const char*>(t) : "\x01");  // \x01: Null
            }
            out.push_back(std::move(r));
        }
        sqlite3_finalize(st);
        return out;
    };
    std::string script;
    for (const auto& t : rows("SELECT name FROM sqlite_master WHERE type = 'table' AND name LIKE 'wTmp\\_%' ESCAPE '\\' "
                              "AND name NOT LIKE '%\\_Postazioni' ESCAPE '\\' ORDER BY name")) {
        std::vector<Column> cols;
        bool split = false;
        for (const auto& r : rows("SELECT name, dflt_value, pk FROM pragma_table_info('" + t[0] + "')")) {
            cols.push_back({r[0], r[1] == "\x01" ? std::string() : r[1], r[2] == "1"});
            split = split || sameName(r[0], "Postazione");
        }
        if (!split && !cols.empty()) script += splitScript(t[0], cols);
    }
    if (script.empty()) return;
    try {
        conn.executeNative("SAVEPOINT separa;\n" + script + "RELEASE separa;\n");
    } catch (const DbError&) {
        try {
            conn.executeNative("ROLLBACK TO separa; RELEASE separa;");
        } catch (const DbError&) {
        }
        throw;
    }
}

void createDatabase(const std::string& path, const Clock& clock, bool demo) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(path, ec)) throw DbError(58, "File already exists: " + path);
    try {
        SqliteConnection conn(path, clock, true);
        conn.executeNative(schemaScript());
        separateWorkTables(conn);
        if (demo) {
            for (const std::string& stmt : splitStatements(demoScript())) {
                try {
                    conn.execute(stmt);
                } catch (const DbError& e) {
                    throw DbError(e.number(), std::string(e.what()) + " in demo statement: " + stmt);
                }
            }
        }
        conn.executeNative("PRAGMA wal_checkpoint(TRUNCATE);");
    } catch (...) {
        fs::remove(path, ec);
        fs::remove(path + "-wal", ec);
        fs::remove(path + "-shm", ec);
        throw;
    }
}

}  // namespace velaris
