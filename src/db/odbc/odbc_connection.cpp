#include "db/odbc/odbc_connection.h"

#include <sql.h>
#include <sqlext.h>

#include <cstring>
#include <optional>

#include "db/odbc/sqlite_dialect.h"

namespace velaris::odbc {

namespace {

// ADO's number for a provider failure that carries no error number of its own.
constexpr long kGenericFailure = -2147467259;

// SQL Server's time type and date/time with offset, as its drivers report them.
constexpr SQLSMALLINT kSsTime2 = -154;
constexpr SQLSMALLINT kSsTimestampOffset = -155;
// A BIT column holding the embedded schema's -1 for true (SQLite dialect): read as a
// number, since the driver's bit conversion reads -1 as false.
constexpr SQLSMALLINT kBitAsNumber = -1000;

bool ok(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// A field could not be read; the diagnostics wait on the statement handle.
struct ReadFailed {};

std::vector<Diagnostic> diagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
    std::vector<Diagnostic> out;
    if (!handle) return out;
    for (SQLSMALLINT rec = 1; rec < 64; ++rec) {
        SQLCHAR state[6] = {0};
        SQLINTEGER native = 0;
        std::vector<SQLCHAR> text(SQL_MAX_MESSAGE_LENGTH + 1);
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRec(handleType, handle, rec, state, &native, text.data(),
                                     static_cast<SQLSMALLINT>(text.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())) {
            text.resize(static_cast<size_t>(length) + 1);
            rc = SQLGetDiagRec(handleType, handle, rec, state, &native, text.data(),
                               static_cast<SQLSMALLINT>(text.size()), &length);
        }
        if (!ok(rc)) break;
        Diagnostic d;
        d.state.assign(reinterpret_cast<const char*>(state), strnlen(reinterpret_cast<const char*>(state), 5));
        d.native = native;
        d.message.assign(reinterpret_cast<const char*>(text.data()),
                         strnlen(reinterpret_cast<const char*>(text.data()), text.size()));
        while (!d.message.empty() && (d.message.back() == '\n' || d.message.back() == '\r')) d.message.pop_back();
        out.push_back(std::move(d));
    }
    return out;
}

// RAII holder of one statement handle: freed whatever way the statement ends.
struct Statement {
    SQLHSTMT h = SQL_NULL_HSTMT;
    Statement() = default;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() {
        if (h) SQLFreeHandle(SQL_HANDLE_STMT, h);
    }
};

std::string readText(SQLHSTMT st, SQLUSMALLINT col, bool& isNull) {
    std::string out;
    char buf[8192];
    isNull = false;
    for (;;) {
        SQLLEN ind = 0;
        const SQLRETURN rc = SQLGetData(st, col, SQL_C_CHAR, buf, sizeof buf, &ind);
        if (rc == SQL_NO_DATA) break;
        if (!ok(rc)) throw ReadFailed{};
        if (ind == SQL_NULL_DATA) {
            isNull = true;
            return {};
        }
        if (rc == SQL_SUCCESS) {
            // The last piece: the indicator is its exact length.
            const size_t n = ind == SQL_NO_TOTAL ? strnlen(buf, sizeof buf - 1)
                                                 : std::min(static_cast<size_t>(ind), sizeof buf - 1);
            out.append(buf, n);
            break;
        }
        // Truncated: the buffer holds a NUL-terminated piece; a driver converting the
        // character set may stop short of the end so as not to split a character.
        out.append(buf, strnlen(buf, sizeof buf - 1));
    }
    return out;
}

// "HH:MM:SS[.fffffff]" of a time column, on 1 January 1900.
Value timeValue(const std::string& text) {
    std::string_view t = text;
    if (const size_t dot = t.find('.'); dot != std::string_view::npos) t = t.substr(0, dot);
    if (auto d = DateTime::parse(t)) return Value(d->timeOnDay1900());
    return Value(text);
}

Value readValue(SQLHSTMT st, SQLUSMALLINT col, SQLSMALLINT sqlType) {
    SQLLEN ind = 0;
    switch (sqlType) {
        case SQL_BIT: {
            unsigned char b = 0;
            const SQLRETURN rc = SQLGetData(st, col, SQL_C_BIT, &b, sizeof b, &ind);
            if (!ok(rc)) throw ReadFailed{};
            return ind == SQL_NULL_DATA ? Value::null() : Value(b != 0);
        }
        case kBitAsNumber: {
            SQLBIGINT v = 0;
            const SQLRETURN rc = SQLGetData(st, col, SQL_C_SBIGINT, &v, sizeof v, &ind);
            if (!ok(rc)) throw ReadFailed{};
            return ind == SQL_NULL_DATA ? Value::null() : Value(v != 0);
        }
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT: {
            SQLBIGINT v = 0;
            const SQLRETURN rc = SQLGetData(st, col, SQL_C_SBIGINT, &v, sizeof v, &ind);
            if (!ok(rc)) throw ReadFailed{};
            return ind == SQL_NULL_DATA ? Value::null() : Value(static_cast<long long>(v));
        }
        case SQL_DECIMAL:
        case SQL_NUMERIC:
        case SQL_FLOAT:
        case SQL_REAL:
        case SQL_DOUBLE: {
            double v = 0;
            const SQLRETURN rc = SQLGetData(st, col, SQL_C_DOUBLE, &v, sizeof v, &ind);
            if (!ok(rc)) throw ReadFailed{};
            return ind == SQL_NULL_DATA ? Value::null() : Value(v);
        }
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIMESTAMP:
        case SQL_DATETIME:
        case kSsTimestampOffset: {
            SQL_TIMESTAMP_STRUCT ts{};
            const SQLRETURN rc = SQLGetData(st, col, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &ind);
            if (!ok(rc)) throw ReadFailed{};
            if (ind == SQL_NULL_DATA) return Value::null();
            // One-second resolution: the fraction is dropped, as the stored form has none.
            return Value(DateTime::fromParts(ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second));
        }
        case SQL_TYPE_TIME:
        case SQL_TIME:
        case kSsTime2: {
            // Read as text: converting a time to a timestamp would put it on today's date.
            bool isNull = false;
            std::string text = readText(st, col, isNull);
            return isNull ? Value::null() : timeValue(text);
        }
        default: {
            bool isNull = false;
            std::string text = readText(st, col, isNull);
            return isNull ? Value::null() : Value(std::move(text));
        }
    }
}

class OdbcRecordset : public Recordset {
public:
    OdbcRecordset(std::vector<std::string> names, std::vector<std::vector<Value>> rows)
        : names_(std::move(names)), rows_(std::move(rows)) {}

    bool eof() const override { return pos_ >= rows_.size(); }
    void moveNext() override {
        if (pos_ < rows_.size()) {
            rows_[pos_].clear();  // a forward-only read never comes back
            ++pos_;
        }
    }
    int fieldCount() const override { return static_cast<int>(names_.size()); }
    const std::string& fieldName(int index) const override {
        if (index < 0 || index >= fieldCount()) throw DbError(3265, "Field index out of range");
        return names_[static_cast<size_t>(index)];
    }
    const Value& field(int index) const override {
        if (eof()) throw DbError(3021, "Either BOF or EOF is True, or the current record has been deleted");
        if (index < 0 || index >= fieldCount()) throw DbError(3265, "Field index out of range");
        return rows_[pos_][static_cast<size_t>(index)];
    }

private:
    std::vector<std::string> names_;
    std::vector<std::vector<Value>> rows_;
    size_t pos_ = 0;
};

}  // namespace

std::string describe(const std::vector<Diagnostic>& diags) {
    std::string out;
    for (const auto& d : diags) {
        if (!out.empty()) out += "; ";
        out += d.message + " (SQLSTATE " + d.state + ", native error " + std::to_string(d.native) + ")";
    }
    return out;
}

bool isConnectionLost(std::string_view sqlState) { return sqlState.size() == 5 && sqlState.substr(0, 2) == "08"; }

bool isBusy(const Diagnostic& d) {
    // The statement's time-out ran out, a lock wait timed out, or the server chose this
    // connection as a deadlock victim: the data is held by someone else for now.
    return d.state == "HYT00" || d.state == "HYT01" || d.native == 1222 || d.native == 1205;
}

OdbcConnection::OdbcConnection(std::string connectionString, const Clock& clock, Dialect dialect)
    : connectionString_(std::move(connectionString)), clock_(clock) {
    if (dialect == Dialect::SqliteTranslated) {
        const std::string file = sqliteDatabaseFile(connectionString_);
        if (file.empty()) throw DbError(kGenericFailure, "The SQLite dialect needs Database=<file>");
        dialect_ = std::make_unique<SqliteDialect>(file, clock_);
    }
    SQLHENV env = SQL_NULL_HENV;
    if (!ok(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        throw DbError(kGenericFailure, "Cannot start the ODBC driver manager");
    env_ = env;
    if (!ok(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0))) {
        const auto d = diagnostics(SQL_HANDLE_ENV, env);
        SQLFreeHandle(SQL_HANDLE_ENV, env);
        env_ = nullptr;
        throw DbError(kGenericFailure, "Cannot start the ODBC driver manager: " + describe(d));
    }
    try {
        connect(0);
    } catch (...) {
        disconnect();
        SQLFreeHandle(SQL_HANDLE_ENV, env);
        env_ = nullptr;
        throw;
    }
}

OdbcConnection::~OdbcConnection() {
    disconnect();
    if (env_) SQLFreeHandle(SQL_HANDLE_ENV, static_cast<SQLHENV>(env_));
}

void OdbcConnection::connect(unsigned loginTimeoutSeconds) {
    SQLHDBC dbc = SQL_NULL_HDBC;
    if (!ok(SQLAllocHandle(SQL_HANDLE_DBC, static_cast<SQLHENV>(env_), &dbc)))
        throw DbError(kGenericFailure, "Cannot connect to the database: " + describe(diagnostics(SQL_HANDLE_ENV, env_)));
    dbc_ = dbc;
    // 0 = wait without limit. A driver that does not know an attribute keeps its own.
    SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(loginTimeoutSeconds)), 0);
    SQLSetConnectAttr(dbc, SQL_ATTR_CONNECTION_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(0)), 0);

    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    std::optional<SqliteDialect::ConnectHook> hook;
    if (dialect_) hook.emplace(clock_);
    const SQLRETURN rc = SQLDriverConnect(
        dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectionString_.c_str())),
        static_cast<SQLSMALLINT>(connectionString_.size()), out, sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
    if (hook) sqliteHandle_ = hook->opened();
    hook.reset();
    if (!ok(rc)) {
        auto d = diagnostics(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        dbc_ = nullptr;
        const long number = !d.empty() && d.front().native != 0 ? d.front().native : kGenericFailure;
        throw DbError(number, "Cannot connect to the database: " + (d.empty() ? std::string("no reason given") : describe(d)));
    }
    connected_ = true;
    lost_ = false;
    SQLSetConnectAttr(dbc, SQL_ATTR_CONNECTION_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(0)), 0);
    // SQL Server's settings: sent to SQL Server and, in the test dialect, through the
    // embedded engine's translation; another product (a bare SQLite driver) would refuse them.
    const bool sqlServer = dialect_ || info(SQL_DBMS_NAME).find("SQL Server") != std::string::npos;
    for (const std::string& sql : sqlServer ? sessionStatements() : std::vector<std::string>{}) {
        ++statements_;
        ++roundTrips_;
        try {
            run(outgoing(sql));
        } catch (const DbError& e) {
            disconnect();
            throw DbError(e.number(), std::string("Cannot prepare the connection (") + sql + "): " + e.what());
        }
    }
}

const std::vector<std::string>& OdbcConnection::sessionStatements() {
    static const std::vector<std::string> statements = {"SET DATEFORMAT mdy", "SET DATEFIRST 7"};
    return statements;
}

std::string OdbcConnection::outgoing(std::string_view sql) {
    return dialect_ ? dialect_->translate(sql) : std::string(sql);
}

void OdbcConnection::disconnect() {
    if (!dbc_) return;
    if (connected_) SQLDisconnect(static_cast<SQLHDBC>(dbc_));
    sqliteHandle_ = nullptr;
    SQLFreeHandle(SQL_HANDLE_DBC, static_cast<SQLHDBC>(dbc_));
    dbc_ = nullptr;
    connected_ = false;
}

void OdbcConnection::markLost() {
    lost_ = true;
    nextAttempt_ = clock_.now();
}

void OdbcConnection::ensureConnected() {
    if (!lost_) return;
    if (inTransaction_) throw DbError(kGenericFailure, "Connection to the database lost inside a transaction");
    const DateTime now = clock_.now();
    if (now < nextAttempt_)
        throw DbError(kGenericFailure,
                      "Connection to the database lost; next reconnection attempt at " + nextAttempt_.canonical(),
                      DbFault::LinkLost);
    disconnect();
    nextAttempt_ = now.addSeconds(kReconnectInterval);
    try {
        connect(timeoutSeconds_ > 0 ? timeoutSeconds_ : 15);
    } catch (const DbError& e) {
        lost_ = true;
        throw DbError(e.number(), std::string("Connection to the database lost; reconnection failed: ") + e.what(),
                      DbFault::LinkLost);
    }
}

void* OdbcConnection::newStatement() {
    ensureConnected();
    SQLHSTMT st = SQL_NULL_HSTMT;
    if (!ok(SQLAllocHandle(SQL_HANDLE_STMT, static_cast<SQLHDBC>(dbc_), &st)))
        fail(SQL_HANDLE_DBC, dbc_, "Cannot start a statement");
    // The command time-out (0: without limit). Ignored by drivers that lack it.
    SQLSetStmtAttr(st, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeoutSeconds_)), 0);
    return st;
}

void OdbcConnection::fail(short handleType, void* handle, std::string_view what) {
    const auto d = diagnostics(handleType, handle);
    long number = kGenericFailure;
    for (const auto& r : d)
        if (r.native != 0) {
            number = r.native;
            break;
        }
    bool brokenLink = false, busy = false;
    for (const auto& r : d) {
        brokenLink = brokenLink || isConnectionLost(r.state);
        busy = busy || isBusy(r);
    }
    std::string text = d.empty() ? std::string(what) : describe(d);
    if (brokenLink) {
        markLost();
        throw DbError(number, "Connection to the database lost: " + text, DbFault::LinkLost);
    }
    throw DbError(number, text, busy ? DbFault::Busy : DbFault::Statement);
}

void OdbcConnection::execute(std::string_view sql) {
    ++statements_;
    ++roundTrips_;
    run(outgoing(sql));
}

void OdbcConnection::run(const std::string& text) {
    Statement st;
    st.h = static_cast<SQLHSTMT>(newStatement());
    SQLRETURN rc = SQLExecDirect(st.h, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())),
                                 static_cast<SQLINTEGER>(text.size()));
    if (rc != SQL_NO_DATA && !ok(rc)) fail(SQL_HANDLE_STMT, st.h, "The statement failed");
    changed_ = 0;
    SQLLEN count = 0;
    if (rc != SQL_NO_DATA && ok(SQLRowCount(st.h, &count)) && count > 0) changed_ = count;
    // A batch or procedure reports a later failure only when its next result is asked for.
    while (true) {
        rc = SQLMoreResults(st.h);
        if (rc == SQL_NO_DATA) break;
        if (!ok(rc)) fail(SQL_HANDLE_STMT, st.h, "The statement failed");
        // The server reports the counts of a statement's triggers before its own.
        if (ok(SQLRowCount(st.h, &count)) && count >= 0) changed_ = count;
    }
}

void OdbcConnection::beginTransaction() {
    ensureConnected();
    ++statements_;
    if (!ok(SQLSetConnectAttr(static_cast<SQLHDBC>(dbc_), SQL_ATTR_AUTOCOMMIT,
                              reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_OFF)), 0)))
        fail(SQL_HANDLE_DBC, dbc_, "Cannot begin a transaction");
    inTransaction_ = true;
}

void OdbcConnection::commitTransaction() {
    ++statements_;
    if (!inTransaction_) throw DbError(kGenericFailure, "No transaction to commit");
    const SQLRETURN rc = lost_ ? SQL_ERROR : SQLEndTran(SQL_HANDLE_DBC, static_cast<SQLHDBC>(dbc_), SQL_COMMIT);
    if (ok(rc)) {
        inTransaction_ = false;
        SQLSetConnectAttr(static_cast<SQLHDBC>(dbc_), SQL_ATTR_AUTOCOMMIT,
                          reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_ON)), 0);
        return;
    }
    std::string reason = lost_ ? std::string("connection lost") : describe(diagnostics(SQL_HANDLE_DBC, dbc_));
    rollbackTransaction();
    throw DbError(kGenericFailure, "The transaction was not committed: " + reason);
}

void OdbcConnection::rollbackTransaction() {
    if (!inTransaction_) return;
    ++statements_;
    inTransaction_ = false;
    if (lost_ || !dbc_) return;  // the server rolled it back with the link
    SQLEndTran(SQL_HANDLE_DBC, static_cast<SQLHDBC>(dbc_), SQL_ROLLBACK);
    SQLSetConnectAttr(static_cast<SQLHDBC>(dbc_), SQL_ATTR_AUTOCOMMIT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_ON)), 0);
}

void OdbcConnection::executeBatch(const std::vector<std::string>& statements) {
    if (statements.empty()) return;
    statements_ += statements.size();
    ++roundTrips_;
    if (dialect_) {
        // The SQLite driver takes one statement per call: the transaction is the unit.
        std::vector<std::string> texts;
        for (const std::string& sql : statements) texts.push_back(dialect_->translate(sql));
        // Inside a transaction of ours the batch is a savepoint of it.
        const bool nested = inTransaction_;
        run(nested ? "SAVEPOINT odbc_batch" : "BEGIN IMMEDIATE");
        try {
            for (const std::string& text : texts) run(text);
            run(nested ? "RELEASE odbc_batch" : "COMMIT");
        } catch (...) {
            try {
                run(nested ? "ROLLBACK TO odbc_batch" : "ROLLBACK");
                if (nested) run("RELEASE odbc_batch");
            } catch (const DbError&) {
            }
            throw;
        }
        return;
    }
    // XACT_ABORT: any error ends the batch and rolls the transaction back. A few errors
    // (a missing table found when the statement is compiled) end the batch but leave the
    // transaction open, hence the explicit rollback after a failure.
    std::string text = "SET XACT_ABORT ON;\nBEGIN TRANSACTION;\n";
    for (const std::string& sql : statements) text += sql + ";\n";
    text += "COMMIT TRANSACTION;";
    try {
        run(text);
    } catch (const DbError&) {
        if (!lost_) {
            try {
                run("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION");
            } catch (const DbError&) {
            }
        }
        throw;
    }
}

std::unique_ptr<Recordset> OdbcConnection::open(std::string_view sql) {
    ++statements_;
    ++roundTrips_;
    const std::string text = outgoing(sql);
    Statement st;
    st.h = static_cast<SQLHSTMT>(newStatement());
    SQLRETURN rc = SQLExecDirect(st.h, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())),
                                 static_cast<SQLINTEGER>(text.size()));
    if (rc != SQL_NO_DATA && !ok(rc)) fail(SQL_HANDLE_STMT, st.h, "The statement failed");

    // Skip the row counts a procedure or batch reports before its first result set (the
    // first of them may be "no row touched", which the driver reports as no data).
    SQLSMALLINT columns = 0;
    for (;;) {
        if (rc == SQL_NO_DATA)
            columns = 0;
        else if (!ok(SQLNumResultCols(st.h, &columns)))
            fail(SQL_HANDLE_STMT, st.h, "The statement failed");
        if (columns > 0) break;
        rc = SQLMoreResults(st.h);
        if (rc == SQL_NO_DATA)
            return std::make_unique<OdbcRecordset>(std::vector<std::string>{}, std::vector<std::vector<Value>>{});
        if (!ok(rc)) fail(SQL_HANDLE_STMT, st.h, "The statement failed");
    }

    std::vector<std::string> names;
    std::vector<SQLSMALLINT> types;
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
        std::vector<SQLCHAR> name(256);
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        rc = SQLDescribeCol(st.h, c, name.data(), static_cast<SQLSMALLINT>(name.size()), &nameLength, &type, &size,
                            &digits, &nullable);
        if (ok(rc) && nameLength >= static_cast<SQLSMALLINT>(name.size())) {
            name.resize(static_cast<size_t>(nameLength) + 1);
            rc = SQLDescribeCol(st.h, c, name.data(), static_cast<SQLSMALLINT>(name.size()), &nameLength, &type, &size,
                                &digits, &nullable);
        }
        if (!ok(rc)) fail(SQL_HANDLE_STMT, st.h, "Cannot describe the result");
        names.emplace_back(reinterpret_cast<const char*>(name.data()),
                           strnlen(reinterpret_cast<const char*>(name.data()), name.size()));
        if (dialect_ && type == SQL_BIT) type = kBitAsNumber;
        if (dialect_ && (type == SQL_CHAR || type == SQL_VARCHAR || type == SQL_LONGVARCHAR)) {
            // The SQLite driver describes the columns it has no type for (MONEY, DECIMAL)
            // as text; SQL Server's drivers describe them as numbers.
            char typeName[64] = {0};
            SQLSMALLINT typeNameLength = 0;
            SQLColAttribute(st.h, c, SQL_DESC_TYPE_NAME, typeName, sizeof typeName, &typeNameLength, nullptr);
            const std::string_view tn(typeName, strnlen(typeName, sizeof typeName));
            for (std::string_view numeric : {"MONEY", "SMALLMONEY", "DECIMAL", "NUMERIC"})
                if (tn.size() >= numeric.size() && sameName(tn.substr(0, numeric.size()), numeric)) type = SQL_DOUBLE;
        }
        types.push_back(type);
    }

    std::vector<std::vector<Value>> rows;
    for (;;) {
        rc = SQLFetch(st.h);
        if (rc == SQL_NO_DATA) break;
        if (!ok(rc)) fail(SQL_HANDLE_STMT, st.h, "Cannot read the result");
        std::vector<Value> row;
        row.reserve(types.size());
        for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
            try {
                Value v = readValue(st.h, c, types[c - 1]);
                row.push_back(dialect_ ? SqliteDialect::adapt(std::move(v)) : std::move(v));
            } catch (const ReadFailed&) {
                fail(SQL_HANDLE_STMT, st.h, "Cannot read the field " + names[c - 1]);
            }
        }
        rows.push_back(std::move(row));
    }
    // Errors raised after the rows (a procedure failing late) are not swallowed.
    for (;;) {
        rc = SQLMoreResults(st.h);
        if (rc == SQL_NO_DATA) break;
        if (!ok(rc)) fail(SQL_HANDLE_STMT, st.h, "The statement failed");
    }
    return std::make_unique<OdbcRecordset>(std::move(names), std::move(rows));
}

std::string OdbcConnection::info(unsigned short infoType) const {
    if (!dbc_ || !connected_) return {};
    char buf[256] = {0};
    SQLSMALLINT length = 0;
    if (!ok(SQLGetInfo(static_cast<SQLHDBC>(dbc_), infoType, buf, sizeof buf, &length))) return {};
    return std::string(buf, strnlen(buf, sizeof buf));
}

void OdbcConnection::setStatementTimeout(std::chrono::milliseconds timeout) {
    timeoutSeconds_ = timeout.count() <= 0 ? 0 : static_cast<unsigned>((timeout.count() + 999) / 1000);
}

std::string OdbcConnection::driverName() const { return info(SQL_DRIVER_NAME); }
std::string OdbcConnection::dbmsName() const { return info(SQL_DBMS_NAME); }

}  // namespace velaris::odbc
