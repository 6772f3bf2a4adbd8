#include "support/test_support.h"

#include "db/schema.h"

#include <atomic>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace velaris::test {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("velaris-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::filesystem::path schemaFile() { return std::filesystem::path(VELARIS_SCHEMA_DIR) / "centro.sql"; }

namespace {
std::unique_ptr<Connection> openFixtureDb(const std::filesystem::path& path, Clock& clock, SqliteConnection*& raw) {
    clock.setFixed(DateTime::fromParts(2024, 3, 7, 10, 30, 0));  // a Thursday
    auto conn = std::make_unique<SqliteConnection>(path.string(), clock, true);
    raw = conn.get();
    return conn;
}
}  // namespace

DbFixture::DbFixture(bool withSchema)
    : log(dir.path(), clock), db(openFixtureDb(dbPath(), clock, sqlite), log) {
    log.setObserver([this](std::string_view l) { logLines.emplace_back(l); });
    if (withSchema) {
        std::ifstream in(schemaFile());
        std::stringstream ss;
        ss << in.rdbuf();
        sqlite->executeNative(ss.str());
        separateWorkTables(*sqlite);
    }
}

Value DbFixture::scalar(const std::string& sql) {
    auto rs = db.open(sql);
    if (rs->eof()) return Value::null();
    return rs->field(0);
}

}  // namespace velaris::test
