#include "support/faulty_connection.h"

namespace velaris::test {

FaultyConnection& FaultyConnection::install(Database& db) {
    auto wrapper = std::make_unique<FaultyConnection>(db.take());
    FaultyConnection& raw = *wrapper;
    db.reset(std::move(wrapper));
    return raw;
}

void FaultyConnection::failAt(unsigned long n, DbFault fault, bool forGood, When when) {
    counted_ = 0;
    texts_.clear();
    failAt_ = n == 0 ? 1 : n;
    fault_ = fault;
    forGood_ = forGood;
    when_ = when;
    fired_ = false;
    failed_.clear();
}

void FaultyConnection::heal() { failAt_ = 0; }

DbError FaultyConnection::errorFor(DbFault fault) {
    // The numbers and texts the engines give for these failures.
    switch (fault) {
        case DbFault::Busy: return DbError(5, "database is locked", DbFault::Busy);
        case DbFault::Locked: return DbError(6, "database table is locked", DbFault::Locked);
        case DbFault::LinkLost:
            return DbError(10054,
                           "Connection to the database lost: [FreeTDS][SQL Server]Communication link failure "
                           "(SQLSTATE 08S01, native error 10054)",
                           DbFault::LinkLost);
        case DbFault::Statement: break;
    }
    return DbError(1, "SQL logic error", DbFault::Statement);
}

bool FaultyConnection::due(std::string_view sql) {
    ++counted_;
    texts_.emplace_back(sql);
    if (failAt_ == 0 || counted_ < failAt_) return false;
    if (counted_ > failAt_ && !forGood_) return false;
    if (!fired_) failed_ = std::string(sql);
    fired_ = true;
    return true;
}

void FaultyConnection::execute(std::string_view sql) {
    if (!due(sql)) return inner_->execute(sql);
    if (when_ == When::After) inner_->execute(sql);
    throw errorFor(fault_);
}

std::unique_ptr<Recordset> FaultyConnection::open(std::string_view sql) {
    if (due(sql)) throw errorFor(fault_);
    return inner_->open(sql);
}

void FaultyConnection::executeBatch(const std::vector<std::string>& statements) {
    bool fails = false;
    for (const std::string& sql : statements) fails = due(sql) || fails;
    if (!fails) return inner_->executeBatch(statements);
    if (when_ == When::After) inner_->executeBatch(statements);
    throw errorFor(fault_);
}

void FaultyConnection::beginTransaction() {
    if (due("BEGIN")) throw errorFor(fault_);
    inner_->beginTransaction();
}

void FaultyConnection::commitTransaction() {
    if (due("COMMIT")) throw errorFor(fault_);  // the caller rolls back
    inner_->commitTransaction();
}

}  // namespace velaris::test
