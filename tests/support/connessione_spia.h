#pragma once
// A connection that runs a hook before each statement it executes: a test puts another
// workstation's work at an exact point of a procedure.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"
#include "db/database.h"
#include "db/sqlite_engine.h"

namespace velaris::test {

class ConnessioneSpia : public Connection {
public:
    explicit ConnessioneSpia(std::unique_ptr<Connection> inner) : inner_(std::move(inner)) {}
    // Called with the connection itself and the statement, before the statement runs.
    std::function<void(Connection&, std::string_view)> prima;

    void execute(std::string_view sql) override {
        if (prima) prima(*inner_, sql);
        inner_->execute(sql);
    }
    std::unique_ptr<Recordset> open(std::string_view sql) override { return inner_->open(sql); }
    std::string engineName() const override { return inner_->engineName(); }
    unsigned long statementCount() const override { return inner_->statementCount(); }
    unsigned long roundTrips() const override { return inner_->roundTrips(); }
    void executeBatch(const std::vector<std::string>& statements) override { inner_->executeBatch(statements); }
    void beginUnit() override { inner_->beginUnit(); }
    void endUnit() override { inner_->endUnit(); }
    void manutenzione() override { inner_->manutenzione(); }
    int64_t rowsChanged() const override { return inner_->rowsChanged(); }
    void beginTransaction() override { inner_->beginTransaction(); }
    void commitTransaction() override { inner_->commitTransaction(); }
    void rollbackTransaction() override { inner_->rollbackTransaction(); }

private:
    std::unique_ptr<Connection> inner_;
};

// Replaces the fixture database's connection by a spy over a new connection to the same file.
inline ConnessioneSpia& spia(Database& db, const std::string& path, const Clock& clock) {
    auto s = std::make_unique<ConnessioneSpia>(std::make_unique<SqliteConnection>(path, clock));
    ConnessioneSpia& ref = *s;
    db.reset(std::move(s));
    return ref;
}

}  // namespace velaris::test
