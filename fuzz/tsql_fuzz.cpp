// Arbitrary text as a T-SQL statement for the embedded engine, against the centre's
// schema: the translator either refuses it with a TranslationError/DbError or gives
// SQLite text, which is prepared (never run, so the schema stays as it is).
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "base/clock.h"
#include "db/schema.h"
#include "db/sqlite_engine.h"

using namespace velaris;

namespace {
SqliteConnection& engine() {
    static Clock clock;
    static std::unique_ptr<SqliteConnection> conn = [] {
        auto c = std::make_unique<SqliteConnection>(":memory:", clock, true);
        c->executeNative(schemaScript());
        return c;
    }();
    return *conn;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    SqliteConnection& conn = engine();
    try {
        const std::string sql = conn.translate(text);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(conn.handle(), sql.c_str(), static_cast<int>(sql.size()), &st, nullptr);
        sqlite3_finalize(st);
    } catch (const DbError&) {
    }
    return 0;
}
