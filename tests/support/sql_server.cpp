#include "support/sql_server.h"

#include <cstdlib>
#include <regex>

#include "db/database.h"
#include "db/schema.h"

namespace velaris::test::mssql {

namespace {

std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return u;
}

std::string trim(std::string_view s) {
    const size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string_view::npos) return {};
    const size_t b = s.find_last_not_of(" \t\r\n");
    return std::string(s.substr(a, b - a + 1));
}

bool startsWith(const std::string& upperText, const char* prefix) { return upperText.rfind(prefix, 0) == 0; }

// Splits at the commas that are not inside parentheses or quotes.
std::vector<std::string> topLevelParts(std::string_view s) {
    std::vector<std::string> out;
    int depth = 0;
    char quote = 0;
    std::string cur;
    for (char c : s) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == ',' && depth == 0) {
            out.push_back(trim(cur));
            cur.clear();
            continue;
        }
        cur.push_back(c);
    }
    if (!trim(cur).empty()) out.push_back(trim(cur));
    return out;
}

std::string withoutCollation(std::string text) {
    static const std::regex collate(R"(\s+COLLATE\s+TSQL)", std::regex::icase);
    return std::regex_replace(text, collate, "");
}

// One column definition of a SQLite table in SQL Server's words.
std::string column(const std::string& table, std::string def, Tables& tables) {
    def = withoutCollation(def);
    const std::string u = upper(def);
    if (startsWith(u, "PRIMARY KEY") || startsWith(u, "UNIQUE") || startsWith(u, "CONSTRAINT") ||
        startsWith(u, "CHECK"))
        return def;
    static const std::regex head(R"(^("[^"]+"|\[[^\]]+\]|\w+)\s+(\w+(\s*\([^)]*\))?)(.*)$)");
    std::smatch m;
    if (!std::regex_match(def, m, head)) return def;
    std::string name = m[1].str();
    if (name.front() == '"') name = "[" + name.substr(1, name.size() - 2) + "]";
    const std::string type = upper(m[2].str());
    std::string rest = m[4].str();
    const std::string restU = upper(rest);
    const bool key = restU.find("PRIMARY KEY") != std::string::npos;
    if (type == "INTEGER" && key && restU.find("AUTOINCREMENT") != std::string::npos) {
        tables.identities[upper(table)] = name;
        return name + " INT IDENTITY(1,1) PRIMARY KEY";
    }
    if (type == "INTEGER" && key) return name + " INT NOT NULL PRIMARY KEY";  // a code given by whoever inserts
    std::string t = type;
    if (type == "INTEGER") t = "INT";
    else if (type == "TEXT") t = key ? "VARCHAR(450)" : "VARCHAR(MAX)";
    else if (type == "BOOLEAN") t = "BIT";
    return name + " " + t + rest;
}

std::string createTable(const std::string& stmt, Tables& tables) {
    static const std::regex head(R"(^CREATE\s+TABLE\s+(\w+)\s*\(([\s\S]*)\)\s*$)", std::regex::icase);
    std::smatch m;
    if (!std::regex_match(stmt, m, head)) return stmt;
    const std::string table = m[1].str();
    tables.names.push_back(table);
    std::string out = "CREATE TABLE " + table + " (";
    bool first = true;
    for (const std::string& part : topLevelParts(m[2].str())) {
        out += (first ? "\n    " : ",\n    ") + column(table, part, tables);
        first = false;
    }
    return out + "\n)";
}

// The delete triggers of the sales tables log each deleted row.
std::string deleteTrigger(const std::string& stmt) {
    static const std::regex shape(R"(CREATE\s+TRIGGER\s+(\w+)\s+BEFORE\s+DELETE\s+ON\s+(\w+)[\s\S]*OLD\.(\w+))",
                                  std::regex::icase);
    std::smatch m;
    if (!std::regex_search(stmt, m, shape)) return {};
    return "CREATE TRIGGER " + m[1].str() + " ON " + m[2].str() +
           " FOR DELETE AS INSERT INTO wSys_Log_Trigger (Nome_Trigger, Tabella, ID_Riga, Data) SELECT '" + m[1].str() +
           "', '" + m[2].str() + "', " + m[3].str() + ", GETDATE() FROM deleted";
}

// An INSERT that names the identity column of its table is wrapped in IDENTITY_INSERT.
std::string insert(const std::string& stmt, const Tables& tables) {
    static const std::regex head(R"(^INSERT\s+(OR\s+IGNORE\s+)?INTO\s+(\w+)\s*\(([^)]*)\)([\s\S]*)$)", std::regex::icase);
    std::smatch m;
    if (!std::regex_match(stmt, m, head)) return stmt;
    const std::string table = m[2].str();
    std::string sql = "INSERT INTO " + table + " (" + m[3].str() + ")" + m[4].str();
    if (m[1].matched) sql = "BEGIN TRY " + sql + " END TRY BEGIN CATCH END CATCH";
    auto it = tables.identities.find(upper(table));
    if (it != tables.identities.end()) {
        for (const std::string& c : topLevelParts(m[3].str())) {
            if (upper(c) == upper(it->second)) {
                return "SET IDENTITY_INSERT " + table + " ON; " + sql + "; SET IDENTITY_INSERT " + table + " OFF";
            }
        }
    }
    return sql;
}

}  // namespace

std::string connectionString() {
    const char* s = std::getenv("VELARIS_TEST_MSSQL");
    return s ? s : "";
}

std::vector<std::string> toSqlServer(std::string_view sqliteText, Tables& tables) {
    std::vector<std::string> out;
    for (const std::string& raw : splitStatements(sqliteText)) {
        const std::string stmt = trim(raw);
        const std::string u = upper(stmt);
        // A trigger's body is split at its inner ";": its "END" stands alone.
        if (stmt.empty() || startsWith(u, "BEGIN") || startsWith(u, "COMMIT") || startsWith(u, "PRAGMA") || u == "END")
            continue;
        if (startsWith(u, "CREATE TABLE")) {
            out.push_back(createTable(stmt, tables));
        } else if (startsWith(u, "CREATE TRIGGER")) {
            // The companion views' triggers stand in for what SQL Server does by itself.
            if (u.find("INSTEAD OF") != std::string::npos) continue;
            const std::string t = deleteTrigger(stmt);
            if (!t.empty()) out.push_back(t);
        } else if (startsWith(u, "CREATE INDEX") || startsWith(u, "CREATE UNIQUE INDEX") || startsWith(u, "CREATE VIEW")) {
            out.push_back(withoutCollation(stmt));
        } else if (startsWith(u, "INSERT")) {
            out.push_back(insert(stmt, tables));
        } else {
            out.push_back(stmt);
        }
    }
    return out;
}

const std::vector<std::string>& engineObjects() {
    static const std::vector<std::string> objects = {
        "CREATE FUNCTION dbo.Set_Data (@d DATETIME) RETURNS DATETIME AS "
        "BEGIN RETURN DATEADD(day, DATEDIFF(day, 0, @d), 0) END",
        // The member's status as the embedded engine computes it.
        "CREATE PROCEDURE Stato_Cliente @Modo INT, @Codice VARCHAR(20), @Oggi DATETIME, @Dal DATETIME AS\n"
        "BEGIN\n"
        "  SET NOCOUNT ON;\n"
        "  IF @Modo IS NULL OR @Modo <> 1 BEGIN RAISERROR('Stato_Cliente: mode is not supported', 16, 1); RETURN; END\n"
        "  SET @Oggi = dbo.Set_Data(ISNULL(@Oggi, GETDATE()));\n"
        "  SET @Dal = dbo.Set_Data(ISNULL(@Dal, @Oggi));\n"
        "  SELECT CASE\n"
        "    WHEN NOT EXISTS (SELECT 1 FROM Anagrafica_Clienti WHERE Codice_Cliente = @Codice) THEN NULL\n"
        "    WHEN EXISTS (SELECT 1 FROM Gestione_Iscrizioni WHERE Codice_Cliente = @Codice AND Scaduta = 0\n"
        "      AND Data_Inizio <= @Oggi AND (Data_Fine IS NULL OR Data_Fine >= @Oggi)) THEN 1\n"
        "    WHEN EXISTS (SELECT 1 FROM Gestione_Iscrizioni WHERE Codice_Cliente = @Codice\n"
        "      AND (Data_Inizio > @Oggi OR (Data_Fine >= @Dal AND Data_Fine < @Oggi))) THEN 5\n"
        "    WHEN EXISTS (SELECT 1 FROM Gestione_Iscrizioni WHERE Codice_Cliente = @Codice) THEN 3\n"
        "    WHEN EXISTS (SELECT 1 FROM Presenze WHERE Codice_Cliente = @Codice)\n"
        "      OR EXISTS (SELECT 1 FROM Gestione_Aggiunte WHERE Codice_Cliente = @Codice) THEN 2\n"
        "    ELSE 4 END AS Stato\n"
        "END",
    };
    return objects;
}

void dropEverything(Database& db) {
    db.execute(
        "DECLARE @s NVARCHAR(MAX) = N'';\n"
        "SELECT @s = @s + N'DROP VIEW ' + QUOTENAME(SCHEMA_NAME(schema_id)) + N'.' + QUOTENAME(name) + N'; ' "
        "FROM sys.views;\n"
        "SELECT @s = @s + N'DROP PROCEDURE ' + QUOTENAME(SCHEMA_NAME(schema_id)) + N'.' + QUOTENAME(name) + N'; ' "
        "FROM sys.procedures;\n"
        "SELECT @s = @s + N'DROP FUNCTION ' + QUOTENAME(SCHEMA_NAME(schema_id)) + N'.' + QUOTENAME(name) + N'; ' "
        "FROM sys.objects WHERE type IN ('FN', 'IF', 'TF');\n"
        "SELECT @s = @s + N'DROP TABLE ' + QUOTENAME(SCHEMA_NAME(schema_id)) + N'.' + QUOTENAME(name) + N'; ' "
        "FROM sys.tables;\n"
        "EXEC sp_executesql @s;");
}

void emptyTables(Database& db, const Tables& tables) {
    std::string sql;
    for (const std::string& t : tables.names) sql += "TRUNCATE TABLE " + t + ";\n";
    if (!sql.empty()) db.execute(sql);
}

}  // namespace velaris::test::mssql
