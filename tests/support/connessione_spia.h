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

class ConnessioneSpia : public ForwardingConnection {
public:
    explicit ConnessioneSpia(std::unique_ptr<Connection> inner) : ForwardingConnection(std::move(inner)) {}
    // Called with the connection itself and the statement, before the statement runs.
    std::function<void(Connection&, std::string_view)> prima;

    void execute(std::string_view sql) override {
        if (prima) prima(*inner_, sql);
        inner_->execute(sql);
    }
};

// Replaces the fixture database's connection by a spy over a new connection to the same file.
inline ConnessioneSpia& spia(Database& db, const std::string& path, const Clock& clock) {
    auto s = std::make_unique<ConnessioneSpia>(std::make_unique<SqliteConnection>(path, clock));
    ConnessioneSpia& ref = *s;
    db.reset(std::move(s));
    return ref;
}

}  // namespace velaris::test
