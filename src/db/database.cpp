#include "db/database.h"

#include <cctype>

#include "base/format.h"

namespace velaris {

void Database::executeDeferred(std::string sql, std::string_view function) {
    if (deferring_ == 0 || depth_ > 0) {
        execute(sql);
        return;
    }
    forgetWritten(sql);
    if (deferred_.empty()) deferredFunction_ = function;
    deferred_.push_back(std::move(sql));
}

void Database::tryExecuteDeferred(std::string sql, std::string_view function) {
    try {
        executeDeferred(std::move(sql), function);
    } catch (const std::exception& e) {
        logError(e, function);
    }
}

void Database::sendDeferred() {
    if (deferred_.empty()) return;
    const std::vector<std::string> batch = std::move(deferred_);
    deferred_.clear();
    checkOutage();
    try {
        if (batch.size() == 1) conn_->execute(batch.front());
        else conn_->executeBatch(batch);
    } catch (const DbError& e) {
        noteFailure(e);
        throw;
    }
}

void Database::endDeferred() noexcept {
    if (--deferring_ > 0) return;
    forgetRead();
    try {
        sendDeferred();
    } catch (const std::exception& e) {
        logError(e, deferredFunction_);
    }
}

void Database::beginTransaction() {
    sendDeferred();
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
    sendDeferred();
    forgetWritten(sql);
    checkOutage();
    try {
        conn_->execute(sql);
    } catch (const DbError& e) {
        noteFailure(e);
        throw;
    }
}

namespace {

// A kept answer, read again from the start.
class KeptRecordset : public Recordset {
public:
    explicit KeptRecordset(std::shared_ptr<const ResultTable> t) : t_(std::move(t)) {}
    bool eof() const override { return row_ >= t_->rows.size(); }
    void moveNext() override {
        if (!eof()) ++row_;
    }
    int fieldCount() const override { return static_cast<int>(t_->columns.size()); }
    const std::string& fieldName(int index) const override { return t_->columns.at(static_cast<size_t>(index)); }
    const Value& field(int index) const override {
        if (eof()) throw DbError(3021, "Either BOF or EOF is True, or the current record has been deleted");
        return t_->rows[row_].at(static_cast<size_t>(index));
    }
    using Recordset::field;

private:
    std::shared_ptr<const ResultTable> t_;
    size_t row_ = 0;
};

}  // namespace

void Database::forgetWritten(std::string_view sql) {
    if (perRead_.empty()) return;
    // The table a write names: "UPDATE t", "INSERT INTO t", "DELETE FROM t".
    std::string_view rest = trimBlanks(sql);
    auto skipWord = [&rest] {
        const size_t end = rest.find_first_of(" \t\r\n");
        rest = end == std::string_view::npos ? std::string_view{} : trimBlanks(rest.substr(end));
    };
    skipWord();  // the verb
    if (!rest.empty() && (sameName(rest.substr(0, 4), "INTO") || sameName(rest.substr(0, 4), "FROM"))) skipWord();
    const std::string_view table = rest.substr(0, rest.find_first_of(" \t\r\n("));
    if (table.empty()) return forgetRead();
    std::string lower(table);
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    std::erase_if(perRead_, [&lower](const auto& kept) {
        std::string text = kept.first;
        for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return text.find(lower) != std::string::npos;
    });
}

std::unique_ptr<Recordset> Database::openOncePerRead(const std::string& sql) {
    if (deferring_ == 0) return open(sql);
    auto it = perRead_.find(sql);
    if (it == perRead_.end()) {
        auto rs = open(sql);
        it = perRead_.emplace(sql, std::make_shared<const ResultTable>(readAll(*rs))).first;
    }
    return std::make_unique<KeptRecordset>(it->second);
}

std::unique_ptr<Recordset> Database::open(std::string_view sql) {
    sendDeferred();
    checkOutage();
    try {
        return conn_->open(sql);
    } catch (const DbError& e) {
        noteFailure(e);
        throw;
    }
}

void Database::executeBatch(const std::vector<std::string>& statements) {
    sendDeferred();
    for (const std::string& sql : statements) forgetWritten(sql);
    checkOutage();
    try {
        conn_->executeBatch(statements);
    } catch (const DbError& e) {
        noteFailure(e);
        throw;
    }
}

void Database::beginUnit() {
    sendDeferred();
    try {
        conn_->beginUnit();
    } catch (const DbError& e) {
        noteFailure(e);
        throw;
    }
}

void Database::endUnit() {
    sendDeferred();
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

Value Campo_Anagrafica(Database& db, std::string_view table, std::string_view key, const std::string& keyQ,
                       std::string_view column) {
    auto rs = db.openOncePerRead("SELECT * FROM " + std::string(table) + " WHERE " + std::string(key) + "=" + keyQ);
    if (rs->eof()) return Value::null();
    return rs->field(column);
}

Value DLookUpQ_Anagrafica(Database& db, std::string_view table, std::string_view key, const std::string& keyQ,
                          std::string_view column) {
    try {
        return Campo_Anagrafica(db, table, key, keyQ, column);
    } catch (const std::exception& e) {
        db.logError(e, "DLookUpQ");
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

int32_t DCountQ_Verifica_Lettura(Database& db, std::string_view expression, std::string& domain,
                                 std::string_view criteria) {
    auto rs = db.openOncePerRead(buildCount(expression, domain, criteria, false));
    return ZeroSeNullo(rs->eof() ? Value(0) : rs->field(0));
}

Value DLookUpQ_Verifica(Database& db, std::string_view expression, std::string_view domain, std::string_view criteria) {
    return firstField(db, buildAggregate("SELECT ", "", expression, domain, criteria), Value::null());
}

}  // namespace velaris
