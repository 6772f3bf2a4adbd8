#include "db/schema.h"

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

void createDatabase(const std::string& path, const Clock& clock, bool demo) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(path, ec)) throw DbError(58, "File already exists: " + path);
    try {
        SqliteConnection conn(path, clock, true);
        conn.executeNative(schemaScript());
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
