#include "db/database.h"

namespace velaris {

void Database::beginTransaction() {
    if (depth_ == 0) {
        checkOutage();
        try {
            conn_->beginTransaction();
        } catch (const DbError& e) {
            noteFailure(e);
            throw;
        }
        doomed_ = false;
    }
    ++depth_;
}

void Database::commitTransaction() {
    if (depth_ == 0) throw DbError(5, "No transaction to commit");
    if (depth_ > 1) {
        --depth_;
        return;
    }
    if (doomed_) {
        rollbackTransaction();
        throw DbError(5, "The transaction was rolled back by an inner failure");
    }
    depth_ = 0;
    try {
        conn_->commitTransaction();
    } catch (const DbError& e) {
        noteFailure(e);
        try {
            conn_->rollbackTransaction();
        } catch (...) {
        }
        throw;
    } catch (...) {
        try {
            conn_->rollbackTransaction();
        } catch (...) {
        }
        throw;
    }
}

void Database::rollbackTransaction() noexcept {
    if (depth_ == 0) return;
    if (--depth_ > 0) {
        doomed_ = true;
        return;
    }
    try {
        conn_->rollbackTransaction();
    } catch (const std::exception& e) {
        logError(e, "Rollback");
    }
}

long errorNumber(const std::exception& e) {
    if (auto* d = dynamic_cast<const DbError*>(&e)) return d->number();
    return 5;
}

void Database::logError(const std::exception& e, std::string_view function) {
    ++errorsLogged_;
    if (dynamic_cast<const OutageRepeat*>(&e)) return;
    log_.error(errorNumber(e), e.what(), function);
}

void Database::checkOutage() const {
    if (outage_) throw OutageRepeat(*outage_);
}

void Database::noteFailure(const DbError& e) {
    if (e.outage() && !outage_) outage_ = e;
}

void Database::execute(std::string_view sql) {
    checkOutage();
    try {
        conn_->execute(sql);
    } catch (const DbError& e) {
        noteFailure(e);
        throw;
    }
}

std::unique_ptr<Recordset> Database::open(std::string_view sql) {
    checkOutage();
    try {
        return conn_->open(sql);
    } catch (const DbError& e) {
        noteFailure(e);
        throw;
    }
}

void Database::executeBatch(const std::vector<std::string>& statements) {
    checkOutage();
    try {
        conn_->executeBatch(statements);
    } catch (const DbError& e) {
        noteFailure(e);
        throw;
    }
}

void Database::beginUnit() {
    try {
        conn_->beginUnit();
    } catch (const DbError& e) {
        noteFailure(e);
        throw;
    }
}

void Database::endUnit() {
    try {
        conn_->endUnit();
    } catch (const DbError& e) {
        noteFailure(e);
        throw;
    }
}

Value Testo_Colonna(Database& db, const Value& v, size_t width, std::string_view column, std::string_view function) {
    const std::string* text = v.textPtr();
    if (!text) return v;
    const size_t length = Lunghezza_Caratteri(*text);
    if (length <= width) return v;
    std::string cut = Primi_Caratteri(*text, width);
    // Blanks beyond the width are dropped without a word, as the server drops them.
    if (text->find_first_not_of(' ', cut.size()) != std::string::npos)
        db.log().timed("Text of " + std::to_string(length) + " characters cut to " + std::to_string(width) + " for " +
                       std::string(column) + " - Function " + std::string(function));
    return Value(std::move(cut));
}

std::string CChrQ_Colonna(Database& db, const Value& v, size_t width, std::string_view column,
                          std::string_view function) {
    return CChrQ(Testo_Colonna(db, v, width, column, function));
}

UnitOfWork::UnitOfWork(Database& db, std::string_view function) : db_(db), function_(function) {
    try {
        db_.beginUnit();  // counted as begun even when it fails: the end is due all the same
    } catch (const std::exception& e) {
        db_.logError(e, function_);
    }
}

UnitOfWork::~UnitOfWork() {
    try {
        db_.endUnit();
    } catch (const std::exception& e) {
        db_.logError(e, function_);
    }
}

bool Database::tryExecute(std::string_view sql, std::string_view function) {
    try {
        execute(sql);
        return true;
    } catch (const std::exception& e) {
        logError(e, function);
        return false;
    }
}

namespace {

// The FROM part of a domain given as a whole SELECT, cut before its ORDER BY.
std::string fromPart(std::string_view domain) {
    const size_t from = findNoCase(domain, "FROM");
    if (from == std::string_view::npos) throw DbError(5, "Invalid procedure call or argument: domain without FROM");
    std::string_view part = domain.substr(from);
    if (size_t ob = findNoCase(part, "ORDER BY"); ob != std::string_view::npos) part = part.substr(0, ob);
    return std::string(part);
}

bool startsWithSelect(std::string_view domain) { return trimBlanks(domain).substr(0, 6) == "SELECT"; }

Value firstField(Database& db, const std::string& sql, const Value& noRow) {
    auto rs = db.open(sql);
    if (rs->eof()) return noRow;
    return rs->field(0);
}

}  // namespace

std::string buildAggregate(std::string_view head, std::string_view tail, std::string_view expression,
                           std::string_view domain, std::string_view criteria) {
    std::string sql(head);
    sql.append(expression).append(tail);
    if (startsWithSelect(domain)) sql.append(" ").append(fromPart(domain));
    else sql.append(" FROM ").append(domain);
    if (!trimBlanks(criteria).empty()) sql.append(" WHERE ").append(criteria);
    return sql;
}

std::string buildCount(std::string_view expression, std::string& domain, std::string_view criteria, bool distinct) {
    // A derived table "(SELECT ... ORDER BY ...) AS Vista" loses its ORDER BY, which the
    // server refuses inside a derived table; the caller sees the rewritten domain.
    if (size_t ob = domain.find("ORDER BY"); ob != std::string::npos) {
        const bool vista = domain.find("AS Vista") != std::string::npos;
        domain = domain.substr(0, ob) + (vista ? ") AS Vista" : "");
    }
    std::string sql;
    if (expression == "*") sql = "SELECT Count(*) AS E1 ";
    else if (!distinct) sql = "SELECT Count([" + std::string(expression) + "]) AS E1 ";
    else sql = "SELECT Count(Distinct [" + std::string(expression) + "]) AS E1 ";
    if (startsWithSelect(domain)) sql.append(fromPart(domain));
    else sql.append(" FROM ").append(domain);
    if (!trimBlanks(criteria).empty()) sql.append(" WHERE ").append(criteria);
    return sql;
}

Value DLookUpQ(Database& db, std::string_view expression, std::string_view domain, std::string_view criteria,
               bool quiet) {
    try {
        return firstField(db, buildAggregate("SELECT ", "", expression, domain, criteria), Value::null());
    } catch (const std::exception& e) {
        if (!quiet) db.logError(e, "DLookUpQ");
        return Value::null();
    }
}

Value DMaxQ(Database& db, std::string_view expression, std::string_view domain, std::string_view criteria) {
    try {
        return firstField(db, buildAggregate("SELECT Max(", ")", expression, domain, criteria), Value(0));
    } catch (const std::exception& e) {
        db.logError(e, "DMaxQ");
        return Value(0);
    }
}

Value DSumQ(Database& db, std::string_view expression, std::string_view domain, std::string_view criteria) {
    try {
        return firstField(db, buildAggregate("SELECT Sum(", ")", expression, domain, criteria), Value(0));
    } catch (const std::exception& e) {
        db.logError(e, "DSumQ");
        return Value(0);
    }
}

int32_t DCountQ(Database& db, std::string_view expression, std::string& domain, std::string_view criteria,
                bool distinct) {
    try {
        return ZeroSeNullo(firstField(db, buildCount(expression, domain, criteria, distinct), Value(0)));
    } catch (const std::exception& e) {
        db.logError(e, "DCountQ");
        return 0;
    }
}

int32_t DCountQ_Verifica(Database& db, std::string_view expression, std::string& domain, std::string_view criteria) {
    return ZeroSeNullo(firstField(db, buildCount(expression, domain, criteria, false), Value(0)));
}

Value DLookUpQ_Verifica(Database& db, std::string_view expression, std::string_view domain, std::string_view criteria) {
    return firstField(db, buildAggregate("SELECT ", "", expression, domain, criteria), Value::null());
}

}  // namespace velaris
