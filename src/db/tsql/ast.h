#pragma once
// Syntax tree of the T-SQL subset that the system's statements use. The parser builds it
// from the tokens; the emitter annotates it (column types, literal contexts) and writes
// the SQLite statement.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velaris::tsql {

struct Select;
struct Source;

// What an expression yields, as far as the statement tells: it decides between native
// operators and the engine's functions that choose at run time.
enum class VType : uint8_t { Unknown, Num, Text, Date };

// How a date-shaped string literal is to be read, from what it is compared with or stored in.
enum class DateHint : uint8_t { Unknown, Date, NotDate, Output };

enum class EK : uint8_t {
    Lit, Null, Col, Star, Neg, BitNot, Arith, Cmp, And, Or, Not, IsNull, Between, InList, InSelect, Exists,
    Like, Case, Func, Convert, Subquery, Paren
};

struct Expr;
using ExprP = std::unique_ptr<Expr>;

struct Expr {
    explicit Expr(EK k) : kind(k) {}
    EK kind;
    std::string op;                  // Arith/Cmp: the operator; Func: upper-case name; Convert: upper-case type
    std::vector<std::string_view> parts;  // Col: [qualifiers..., column]; Star: [qualifier]; Func: [schema, name]
    int lit = -1;                    // Lit: literal index
    bool neg = false;                // NOT IN / NOT BETWEEN / NOT LIKE / IS NOT NULL / NOT EXISTS
    bool distinct = false;           // aggregate with DISTINCT
    bool caseBase = false;           // CASE x WHEN ...: a[0] is x
    bool caseElse = false;           // the last operand is the ELSE result
    int typeLen = -1;                // Convert: length or scale in the type
    std::vector<ExprP> a;            // operands / arguments
    std::unique_ptr<Select> sub;     // subquery
    size_t tokBegin = 0, tokEnd = 0; // source tokens [begin, end)

    // Filled by the annotation pass.
    VType type = VType::Unknown;
    DateHint hint = DateHint::Unknown;
    bool plainValue = false;         // literal stored or passed on: no collation attached
    Source* src = nullptr;           // Col: the FROM item it refers to
};

struct SelectItem {
    ExprP expr;                      // null for * and t.*
    std::string_view starQualifier;  // t.* (empty for *)
    bool star = false;
    std::string_view alias;
    bool hasAlias = false;
    Source* starSource = nullptr;    // t.*: the FROM item t names
};

enum class JoinKind : uint8_t { None, Inner, Left, Right, Full, Cross };

struct TableRef {
    enum Kind : uint8_t { Table, Derived, Join, Group } kind = Table;
    std::string_view name;           // Table
    std::string_view alias;
    bool hasAlias = false;
    std::unique_ptr<Select> sub;     // Derived
    std::unique_ptr<TableRef> left, right;  // Join
    JoinKind join = JoinKind::None;
    ExprP on;
    std::unique_ptr<TableRef> inner; // Group: ( join )
    Source* source = nullptr;        // Table / Derived after annotation
};

struct SelectCore {
    bool distinct = false;
    ExprP top;
    std::vector<SelectItem> items;
    std::vector<std::unique_ptr<TableRef>> from;
    ExprP where;
    std::vector<ExprP> groupBy;
    ExprP having;
};

struct OrderTerm {
    ExprP expr;
    bool desc = false;
};

struct Select {
    std::vector<SelectCore> cores;
    std::vector<std::string> setOps;  // between cores: "UNION", "UNION ALL", "EXCEPT", "INTERSECT"
    std::vector<OrderTerm> orderBy;
};

struct Assignment {
    std::vector<std::string_view> target;  // [qualifier..., column]
    ExprP value;
};

struct Statement {
    enum Kind : uint8_t { Query, Insert, Update, Delete, AlterTrigger, Exec, SessionOption } kind = Query;
    std::unique_ptr<Select> query;         // Query; Insert ... SELECT
    std::string_view table;                // Insert/Update/Delete target, AlterTrigger table
    std::vector<std::string_view> columns; // Insert column list
    std::vector<std::vector<ExprP>> rows;  // Insert VALUES
    bool defaultValues = false;
    std::vector<Assignment> sets;          // Update
    std::vector<std::unique_ptr<TableRef>> from;  // Update/Delete FROM
    ExprP where;
    bool enable = false;                   // AlterTrigger
    std::string_view trigger;              // AlterTrigger; empty for ALL
    std::string_view procedure;            // Exec
    std::vector<ExprP> args;               // Exec
};

}  // namespace velaris::tsql
