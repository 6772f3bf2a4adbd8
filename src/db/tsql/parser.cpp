#include "db/tsql/parser.h"

#include <algorithm>

#include "db/tsql/error.h"

namespace velaris::tsql {

bool ieq(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

namespace {

std::string upper(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return r;
}

// Words that end an expression or a table source: never taken as an alias written
// without AS.
bool isClauseWord(std::string_view w) {
    static const char* const words[] = {
        "FROM", "WHERE", "GROUP", "ORDER", "HAVING", "UNION", "EXCEPT", "INTERSECT", "INTO", "ON", "JOIN", "INNER",
        "LEFT", "RIGHT", "FULL", "CROSS", "OUTER", "WITH", "AS", "AND", "OR", "NOT", "SELECT", "SET", "VALUES",
        "WHEN", "THEN", "ELSE", "END", "IS", "IN", "BETWEEN", "LIKE", "ASC", "DESC", "OPTION", "FOR", "OFFSET",
        "FETCH", "COLLATE", "ESCAPE", "NULL", "CASE", "EXISTS", "TOP", "DISTINCT", "ALL", "APPLY", "UPDATE",
        "DELETE", "INSERT", "EXEC", "EXECUTE", "BY", "COMPUTE", "PIVOT", "UNPIVOT", "TABLESAMPLE", "OUTPUT"};
    for (const char* k : words)
        if (ieq(w, k)) return true;
    return false;
}

class Parser {
public:
    explicit Parser(const Lexed& lx) : lx_(lx), toks_(lx.tokens) {}

    Parsed run() {
        Parsed p;
        p.stmt = statement();
        const bool separated = acceptOp(";");
        if (peek().kind != Tok::End) {
            if (separated) fail("Several statements in one text are not supported");
            syntax();
        }
        p.inlined = std::move(inlined_);
        return p;
    }

private:
    // ---- token helpers -------------------------------------------------------------
    const Token& peek(size_t ahead = 0) const {
        const size_t i = std::min(pos_ + ahead, toks_.size() - 1);
        return toks_[i];
    }
    const Token& next() {
        const Token& t = toks_[pos_];
        if (pos_ + 1 < toks_.size()) ++pos_;
        return t;
    }
    bool isKw(std::string_view kw, size_t ahead = 0) const {
        const Token& t = peek(ahead);
        return t.kind == Tok::Ident && ieq(t.value, kw);
    }
    bool isOp(std::string_view op, size_t ahead = 0) const {
        const Token& t = peek(ahead);
        return t.kind == Tok::Op && t.text == op;
    }
    bool acceptKw(std::string_view kw) {
        if (!isKw(kw)) return false;
        ++pos_;
        return true;
    }
    bool acceptOp(std::string_view op) {
        if (!isOp(op)) return false;
        ++pos_;
        return true;
    }
    void expectKw(std::string_view kw) {
        if (!acceptKw(kw)) fail("Expected " + std::string(kw) + " " + near());
    }
    void expectOp(std::string_view op) {
        if (!acceptOp(op)) fail("Expected '" + std::string(op) + "' " + near());
    }
    std::string near() const {
        const Token& t = peek();
        if (t.kind == Tok::End) return "at the end of the statement";
        return "near '" + std::string(t.text) + "'";
    }
    [[noreturn]] void fail(const std::string& msg) const { throw TranslationError(msg); }
    [[noreturn]] void syntax() const { fail("Incorrect syntax " + near()); }
    [[noreturn]] void unsupported(const std::string& what) const {
        fail(what + " is not supported by the embedded engine");
    }

    bool isName(size_t ahead = 0) const {
        const Token& t = peek(ahead);
        return t.kind == Tok::QIdent || (t.kind == Tok::Ident && !isClauseWord(t.value));
    }
    std::string_view name() {
        const Token& t = peek();
        if (t.kind == Tok::QIdent) return next().value;
        if (t.kind == Tok::Ident) {
            if (t.value.front() == '@') unsupported("The variable " + std::string(t.value));
            if (isClauseWord(t.value)) syntax();
            return next().value;
        }
        syntax();
    }
    // A table name, possibly qualified with the dbo schema.
    std::string_view tableName() {
        std::string_view n = name();
        if (acceptOp(".")) {
            if (!ieq(n, "dbo")) unsupported("The qualified table name " + std::string(n) + ".");
            n = name();
            if (isOp(".")) unsupported("A table name with a database part");
        }
        return n;
    }
    int literalIndex() {
        const Token& t = peek();
        if (t.kind != Tok::Literal) syntax();
        return next().lit;
    }

    // ---- statements ----------------------------------------------------------------
    Statement statement() {
        Statement s;
        if (isKw("SELECT") || isOp("(")) {
            s.kind = Statement::Query;
            s.query = select();
            return s;
        }
        if (acceptKw("INSERT")) return insert();
        if (acceptKw("UPDATE")) return update();
        if (acceptKw("DELETE")) return remove();
        if (acceptKw("ALTER")) return alter();
        if (acceptKw("EXEC") || acceptKw("EXECUTE")) return exec();
        if (acceptKw("SET")) return sessionOption();
        const Token& t = peek();
        if (t.kind == Tok::End) fail("Empty statement");
        if (t.kind == Tok::Ident) unsupported("The statement " + upper(t.value));
        syntax();
    }

    Statement insert() {
        Statement s;
        s.kind = Statement::Insert;
        acceptKw("INTO");
        s.table = tableName();
        if (isOp("(") && !isKw("SELECT", 1)) {
            next();
            do s.columns.push_back(name());
            while (acceptOp(","));
            expectOp(")");
        }
        if (acceptKw("VALUES")) {
            do {
                expectOp("(");
                std::vector<ExprP> row;
                do row.push_back(expr());
                while (acceptOp(","));
                expectOp(")");
                s.rows.push_back(std::move(row));
            } while (acceptOp(","));
        } else if (acceptKw("DEFAULT")) {
            expectKw("VALUES");
            s.defaultValues = true;
        } else if (isKw("SELECT") || isOp("(")) {
            s.query = select();
        } else if (isKw("EXEC") || isKw("EXECUTE")) {
            unsupported("INSERT ... EXEC");
        } else {
            syntax();
        }
        return s;
    }

    void tableHints() {
        // Locking hints mean nothing to the embedded engine, which serialises writers.
        if (isKw("WITH") && isOp("(", 1)) {
            next();
            skipParens();
        } else if (isOp("(") && peek(1).kind == Tok::Ident && (ieq(peek(1).value, "NOLOCK") || ieq(peek(1).value, "READUNCOMMITTED") || ieq(peek(1).value, "ROWLOCK") || ieq(peek(1).value, "UPDLOCK") || ieq(peek(1).value, "HOLDLOCK") || ieq(peek(1).value, "READPAST") || ieq(peek(1).value, "TABLOCK") || ieq(peek(1).value, "TABLOCKX") || ieq(peek(1).value, "PAGLOCK") || ieq(peek(1).value, "XLOCK") || ieq(peek(1).value, "NOWAIT"))) {
            skipParens();
        }
    }
    void skipParens() {
        expectOp("(");
        int depth = 1;
        while (depth > 0) {
            const Token& t = next();
            if (t.kind == Tok::End) syntax();
            if (t.kind == Tok::Op && t.text == "(") ++depth;
            if (t.kind == Tok::Op && t.text == ")") --depth;
        }
    }

    Statement update() {
        Statement s;
        s.kind = Statement::Update;
        if (isKw("TOP")) unsupported("UPDATE TOP");
        s.table = tableName();
        tableHints();
        expectKw("SET");
        do {
            Assignment a;
            a.target.push_back(name());
            while (acceptOp(".")) a.target.push_back(name());
            if (a.target.front().front() == '@') unsupported("SET of a variable");
            if (!acceptOp("=")) {
                if (peek().kind == Tok::Op && (peek().text == "+" || peek().text == "-") && isOp("=", 1))
                    unsupported("Compound assignment " + std::string(peek().text) + "=");
                syntax();
            }
            a.value = expr();
            s.sets.push_back(std::move(a));
        } while (acceptOp(","));
        if (acceptKw("FROM")) s.from = fromList();
        if (acceptKw("WHERE")) s.where = expr();
        if (isKw("OUTPUT")) unsupported("OUTPUT");
        return s;
    }

    Statement remove() {
        Statement s;
        s.kind = Statement::Delete;
        if (isKw("TOP")) unsupported("DELETE TOP");
        acceptKw("FROM");
        s.table = tableName();
        tableHints();
        if (acceptKw("FROM")) s.from = fromList();
        if (acceptKw("WHERE")) s.where = expr();
        if (isKw("OUTPUT")) unsupported("OUTPUT");
        return s;
    }

    Statement alter() {
        Statement s;
        if (!acceptKw("TABLE")) unsupported("ALTER " + upper(peek().text));
        s.kind = Statement::AlterTrigger;
        s.table = tableName();
        if (acceptKw("ENABLE")) s.enable = true;
        else if (acceptKw("DISABLE")) s.enable = false;
        else unsupported("ALTER TABLE ... " + upper(peek().text));
        expectKw("TRIGGER");
        if (acceptKw("ALL")) s.trigger = {};
        else {
            s.trigger = name();
            if (acceptOp(",")) unsupported("ALTER TABLE ... TRIGGER with several triggers");
        }
        return s;
    }

    // SET DATEFORMAT / SET DATEFIRST: the embedded engine reads dates month first and
    // counts weekdays from Sunday, the settings a connection to the server makes; those
    // are accepted (and change nothing), any other is refused.
    Statement sessionOption() {
        Statement s;
        s.kind = Statement::SessionOption;
        const Token& opt = peek();
        if (opt.kind != Tok::Ident) syntax();
        const std::string option = upper(next().value);
        const Token& v = peek();
        std::string value;
        if (v.kind == Tok::Ident) {
            value = upper(v.value);
        } else if (v.kind == Tok::Literal) {
            value = upper(lx_.literals[static_cast<size_t>(v.lit)].text);
            inlined_.push_back(v.lit);  // the value decides the translation
        } else {
            syntax();
        }
        next();
        if (option == "DATEFORMAT") {
            if (value != "MDY") unsupported("SET DATEFORMAT " + value + " (dates are read month first)");
        } else if (option == "DATEFIRST") {
            if (value != "7") unsupported("SET DATEFIRST " + value + " (weeks start on Sunday)");
        } else {
            unsupported("SET " + option);
        }
        return s;
    }

    Statement exec() {
        Statement s;
        s.kind = Statement::Exec;
        s.procedure = tableName();
        if (peek().kind != Tok::End && !isOp(";")) {
            do {
                if (peek().kind == Tok::Ident && peek().value.front() == '@')
                    unsupported("A named procedure argument");
                s.args.push_back(expr());
            } while (acceptOp(","));
        }
        return s;
    }

    // ---- queries -------------------------------------------------------------------
    std::unique_ptr<Select> select() {
        Depth d(*this);
        auto sel = std::make_unique<Select>();
        if (isOp("(")) unsupported("A parenthesised query");
        sel->cores.push_back(core());
        while (true) {
            std::string op;
            if (acceptKw("UNION")) op = acceptKw("ALL") ? "UNION ALL" : "UNION";
            else if (acceptKw("EXCEPT")) op = "EXCEPT";
            else if (acceptKw("INTERSECT")) op = "INTERSECT";
            else break;
            if (isOp("(")) unsupported("A parenthesised query");
            sel->setOps.push_back(op);
            sel->cores.push_back(core());
        }
        if (acceptKw("ORDER")) {
            expectKw("BY");
            do {
                OrderTerm t;
                t.expr = expr();
                if (acceptKw("DESC")) t.desc = true;
                else acceptKw("ASC");
                sel->orderBy.push_back(std::move(t));
            } while (acceptOp(","));
        }
        if (isKw("OFFSET")) unsupported("OFFSET ... FETCH");
        if (isKw("FOR")) unsupported("FOR " + upper(peek(1).text));
        if (isKw("OPTION")) unsupported("OPTION (...)");
        if (isKw("COMPUTE")) unsupported("COMPUTE");
        return sel;
    }

    SelectCore core() {
        SelectCore c;
        expectKw("SELECT");
        if (acceptKw("DISTINCT")) c.distinct = true;
        else acceptKw("ALL");
        if (acceptKw("TOP")) {
            if (acceptOp("(")) {
                c.top = expr();
                expectOp(")");
            } else {
                const size_t b = pos_;
                auto e = std::make_unique<Expr>(EK::Lit);
                e->lit = literalIndex();
                e->tokBegin = b;
                e->tokEnd = pos_;
                c.top = std::move(e);
            }
            if (isKw("PERCENT")) unsupported("TOP ... PERCENT");
            if (isKw("WITH") && isKw("TIES", 1)) unsupported("TOP ... WITH TIES");
        }
        do c.items.push_back(selectItem());
        while (acceptOp(","));
        if (isKw("INTO")) unsupported("SELECT ... INTO");
        if (acceptKw("FROM")) c.from = fromList();
        if (acceptKw("WHERE")) c.where = expr();
        if (acceptKw("GROUP")) {
            expectKw("BY");
            if (isKw("ALL")) unsupported("GROUP BY ALL");
            do c.groupBy.push_back(expr());
            while (acceptOp(","));
            if (isKw("WITH")) unsupported("GROUP BY ... WITH " + upper(peek(1).text));
        }
        if (acceptKw("HAVING")) c.having = expr();
        return c;
    }

    SelectItem selectItem() {
        SelectItem it;
        if (acceptOp("*")) {
            it.star = true;
            return it;
        }
        if (isName() && isOp(".", 1) && isOp("*", 2)) {
            it.star = true;
            it.starQualifier = name();
            next();
            next();
            return it;
        }
        // alias = expression
        if (isName() && isOp("=", 1)) {
            if (peek().kind == Tok::Ident && peek().value.front() == '@') unsupported("SELECT @variable = ...");
            it.alias = name();
            it.hasAlias = true;
            next();
            it.expr = expr();
            return it;
        }
        it.expr = expr();
        if (acceptKw("AS")) {
            it.alias = aliasName();
            it.hasAlias = true;
        } else if (isName() || peek().kind == Tok::Literal) {
            if (peek().kind == Tok::Literal && lx_.literals[static_cast<size_t>(peek().lit)].cls == LitClass::Int) syntax();
            it.alias = aliasName();
            it.hasAlias = true;
        }
        return it;
    }
    std::string_view aliasName() {
        const Token& t = peek();
        if (t.kind == Tok::Literal) {
            const Literal& l = lx_.literals[static_cast<size_t>(t.lit)];
            if (l.cls == LitClass::Int || l.cls == LitClass::Real || l.cls == LitClass::Date) syntax();
            inlined_.push_back(t.lit);
            next();
            return l.text;
        }
        return name();
    }

    std::vector<std::unique_ptr<TableRef>> fromList() {
        std::vector<std::unique_ptr<TableRef>> list;
        do list.push_back(tableSource());
        while (acceptOp(","));
        return list;
    }

    std::unique_ptr<TableRef> tableSource() {
        auto left = tablePrimary();
        while (true) {
            JoinKind k = JoinKind::None;
            if (acceptKw("JOIN")) k = JoinKind::Inner;
            else if (isKw("INNER") && isKw("JOIN", 1)) { next(); next(); k = JoinKind::Inner; }
            else if (isKw("LEFT") || isKw("RIGHT") || isKw("FULL")) {
                k = isKw("LEFT") ? JoinKind::Left : isKw("RIGHT") ? JoinKind::Right : JoinKind::Full;
                next();
                acceptKw("OUTER");
                if (isKw("LOOP") || isKw("HASH") || isKw("MERGE")) unsupported("A join hint");
                expectKw("JOIN");
            } else if (isKw("CROSS") && isKw("JOIN", 1)) { next(); next(); k = JoinKind::Cross; }
            else if ((isKw("CROSS") || isKw("OUTER")) && isKw("APPLY", 1)) unsupported(upper(peek().text) + " APPLY");
            else break;
            auto j = std::make_unique<TableRef>();
            j->kind = TableRef::Join;
            j->join = k;
            j->left = std::move(left);
            j->right = tablePrimary();
            if (k != JoinKind::Cross) {
                if (!acceptKw("ON")) {
                    if (isKw("JOIN") || isKw("INNER") || isKw("LEFT")) unsupported("A nested JOIN without parentheses");
                    fail("Expected ON " + near());
                }
                j->on = expr();
            }
            left = std::move(j);
        }
        return left;
    }

    std::unique_ptr<TableRef> tablePrimary() {
        Depth d(*this);
        auto t = std::make_unique<TableRef>();
        if (acceptOp("(")) {
            if (isKw("SELECT")) {
                t->kind = TableRef::Derived;
                t->sub = select();
                expectOp(")");
            } else {
                t->kind = TableRef::Group;
                t->inner = tableSource();
                expectOp(")");
                return t;
            }
        } else {
            t->kind = TableRef::Table;
            t->name = tableName();
            if (isOp("(")) {
                // A hint written without WITH, or a table-valued function call.
                tableHints();
                if (isOp("(")) unsupported("A table-valued function");
            }
        }
        if (acceptKw("AS")) {
            t->alias = name();
            t->hasAlias = true;
        } else if (isName()) {
            t->alias = name();
            t->hasAlias = true;
        }
        if (t->kind == TableRef::Derived && !t->hasAlias) fail("A derived table needs an alias " + near());
        tableHints();
        return t;
    }

    // ---- expressions ---------------------------------------------------------------
    ExprP make(EK k, size_t begin) {
        auto e = std::make_unique<Expr>(k);
        e->tokBegin = begin;
        return e;
    }
    ExprP done(ExprP e) {
        e->tokEnd = pos_;
        return e;
    }

    // Nesting is bounded so that no statement can exhaust the stack.
    struct Depth {
        explicit Depth(Parser& p) : p_(p) {
            if (++p_.depth_ > kMaxDepth) p_.fail("The statement is nested too deeply");
        }
        ~Depth() { --p_.depth_; }
        Parser& p_;
    };
    static constexpr int kMaxDepth = 200;

    ExprP expr() {
        Depth d(*this);
        return orExpr();
    }

    ExprP orExpr() {
        const size_t b = pos_;
        ExprP l = andExpr();
        while (acceptKw("OR")) {
            auto e = make(EK::Or, b);
            e->a.push_back(std::move(l));
            e->a.push_back(andExpr());
            l = done(std::move(e));
        }
        return l;
    }

    ExprP andExpr() {
        const size_t b = pos_;
        ExprP l = notExpr();
        while (acceptKw("AND")) {
            auto e = make(EK::And, b);
            e->a.push_back(std::move(l));
            e->a.push_back(notExpr());
            l = done(std::move(e));
        }
        return l;
    }

    ExprP notExpr() {
        const size_t b = pos_;
        if (acceptKw("NOT")) {
            auto e = make(EK::Not, b);
            e->a.push_back(notExpr());
            return done(std::move(e));
        }
        return predicate();
    }

    ExprP predicate() {
        const size_t b = pos_;
        if (isKw("EXISTS")) {
            next();
            auto e = make(EK::Exists, b);
            expectOp("(");
            e->sub = select();
            expectOp(")");
            return done(std::move(e));
        }
        ExprP l = additive();
        const Token& t = peek();
        if (t.kind == Tok::Op) {
            static const char* const cmps[] = {"=", "<>", "!=", "<", ">", "<=", ">=", "!<", "!>"};
            for (const char* c : cmps) {
                if (t.text == c) {
                    next();
                    if (isKw("ALL") || isKw("ANY") || isKw("SOME")) unsupported(upper(peek().text) + " (subquery)");
                    auto e = make(EK::Cmp, b);
                    e->op = c;
                    if (e->op == "!=") e->op = "<>";
                    else if (e->op == "!<") e->op = ">=";
                    else if (e->op == "!>") e->op = "<=";
                    e->a.push_back(std::move(l));
                    e->a.push_back(additive());
                    return done(std::move(e));
                }
            }
            return l;
        }
        if (isKw("IS")) {
            next();
            auto e = make(EK::IsNull, b);
            e->neg = acceptKw("NOT");
            expectKw("NULL");
            e->a.push_back(std::move(l));
            return done(std::move(e));
        }
        bool neg = false;
        if (isKw("NOT") && (isKw("IN", 1) || isKw("BETWEEN", 1) || isKw("LIKE", 1))) {
            next();
            neg = true;
        }
        if (acceptKw("IN")) {
            expectOp("(");
            ExprP e;
            if (isKw("SELECT")) {
                e = make(EK::InSelect, b);
                e->a.push_back(std::move(l));
                e->sub = select();
            } else {
                e = make(EK::InList, b);
                e->a.push_back(std::move(l));
                do e->a.push_back(expr());
                while (acceptOp(","));
            }
            expectOp(")");
            e->neg = neg;
            return done(std::move(e));
        }
        if (acceptKw("BETWEEN")) {
            auto e = make(EK::Between, b);
            e->neg = neg;
            e->a.push_back(std::move(l));
            e->a.push_back(additive());
            expectKw("AND");
            e->a.push_back(additive());
            return done(std::move(e));
        }
        if (acceptKw("LIKE")) {
            auto e = make(EK::Like, b);
            e->neg = neg;
            e->a.push_back(std::move(l));
            e->a.push_back(additive());
            if (acceptKw("ESCAPE")) e->a.push_back(additive());
            return done(std::move(e));
        }
        if (isKw("COLLATE")) unsupported("COLLATE in a statement");
        return l;
    }

    ExprP additive() {
        const size_t b = pos_;
        ExprP l = multiplicative();
        while (peek().kind == Tok::Op && (peek().text == "+" || peek().text == "-" || peek().text == "&" ||
                                          peek().text == "|" || peek().text == "^")) {
            auto e = make(EK::Arith, b);
            e->op = std::string(next().text);
            if (e->op == "^") unsupported("The operator ^");
            e->a.push_back(std::move(l));
            e->a.push_back(multiplicative());
            l = done(std::move(e));
        }
        return l;
    }

    ExprP multiplicative() {
        const size_t b = pos_;
        ExprP l = unary();
        while (peek().kind == Tok::Op && (peek().text == "*" || peek().text == "/" || peek().text == "%")) {
            auto e = make(EK::Arith, b);
            e->op = std::string(next().text);
            e->a.push_back(std::move(l));
            e->a.push_back(unary());
            l = done(std::move(e));
        }
        return l;
    }

    ExprP unary() {
        Depth d(*this);
        const size_t b = pos_;
        if (acceptOp("-")) {
            auto e = make(EK::Neg, b);
            e->a.push_back(unary());
            return done(std::move(e));
        }
        if (acceptOp("+")) return unary();
        if (acceptOp("~")) {
            auto e = make(EK::BitNot, b);
            e->a.push_back(unary());
            return done(std::move(e));
        }
        return primary();
    }

    ExprP primary() {
        const size_t b = pos_;
        const Token& t = peek();
        if (t.kind == Tok::Literal) {
            auto e = make(EK::Lit, b);
            e->lit = next().lit;
            return done(std::move(e));
        }
        if (t.kind == Tok::Op && t.text == "(") {
            next();
            if (isKw("SELECT")) {
                auto e = make(EK::Subquery, b);
                e->sub = select();
                expectOp(")");
                return done(std::move(e));
            }
            auto e = make(EK::Paren, b);
            e->a.push_back(expr());
            expectOp(")");
            return done(std::move(e));
        }
        if (t.kind == Tok::Ident) {
            if (t.value.front() == '@') unsupported("The variable " + std::string(t.value));
            if (ieq(t.value, "NULL")) {
                next();
                return done(make(EK::Null, b));
            }
            if (ieq(t.value, "CASE")) return caseExpr();
            if (ieq(t.value, "CAST") && isOp("(", 1)) return castExpr();
            if (ieq(t.value, "CONVERT") && isOp("(", 1)) return convertExpr();
            if (isOp("(", 1)) return function({}, b);
            if (ieq(t.value, "CURRENT_TIMESTAMP")) {
                next();
                auto e = make(EK::Func, b);
                e->op = "GETDATE";
                return done(std::move(e));
            }
            if (isClauseWord(t.value)) syntax();
        }
        if (t.kind == Tok::Ident || t.kind == Tok::QIdent) {
            // column reference or schema-qualified function
            std::vector<std::string_view> parts;
            parts.push_back(name());
            while (isOp(".")) {
                next();
                if (isOp("*")) syntax();
                if (peek().kind == Tok::Ident && isOp("(", 1)) {
                    if (parts.size() != 1 || !ieq(parts[0], "dbo")) unsupported("The function " + std::string(parts[0]) + "." + std::string(peek().value));
                    return function(parts[0], b);
                }
                parts.push_back(name());
            }
            if (parts.size() == 3 && ieq(parts[0], "dbo")) parts.erase(parts.begin());
            if (parts.size() > 2) unsupported("The column name " + std::string(lx_.source.substr(toks_[b].text.data() - lx_.source.data(), toks_[pos_ - 1].text.data() + toks_[pos_ - 1].text.size() - toks_[b].text.data())));
            auto e = make(EK::Col, b);
            e->parts = std::move(parts);
            return done(std::move(e));
        }
        syntax();
    }

    ExprP caseExpr() {
        const size_t b = pos_;
        next();  // CASE
        auto e = make(EK::Case, b);
        if (!isKw("WHEN")) {
            e->caseBase = true;
            e->a.push_back(expr());
        }
        if (!isKw("WHEN")) syntax();
        while (acceptKw("WHEN")) {
            e->a.push_back(expr());
            expectKw("THEN");
            e->a.push_back(expr());
        }
        if (acceptKw("ELSE")) {
            e->caseElse = true;
            e->a.push_back(expr());
        }
        expectKw("END");
        return done(std::move(e));
    }

    // type name: Float, int, varchar(10), nvarchar(max), decimal(10,2), datetime ...
    void typeName(Expr& e) {
        const Token& t = peek();
        if (t.kind != Tok::Ident && t.kind != Tok::QIdent) syntax();
        e.op = upper(next().value);
        if (e.op == "DOUBLE" && acceptKw("PRECISION")) e.op = "FLOAT";
        if (acceptOp("(")) {
            if (acceptKw("MAX")) {
                e.typeLen = -1;
            } else {
                const int li = literalIndex();
                const Literal& l = lx_.literals[static_cast<size_t>(li)];
                if (l.cls != LitClass::Int) syntax();
                inlined_.push_back(li);
                e.typeLen = static_cast<int>(l.i);
                if (acceptOp(",")) {
                    const int si = literalIndex();
                    const Literal& s = lx_.literals[static_cast<size_t>(si)];
                    if (s.cls != LitClass::Int) syntax();
                    inlined_.push_back(si);
                    e.typeLen = static_cast<int>(s.i);  // the scale is what matters for rounding
                }
            }
            expectOp(")");
        }
    }

    ExprP castExpr() {
        const size_t b = pos_;
        next();  // CAST
        expectOp("(");
        auto e = make(EK::Convert, b);
        e->a.push_back(expr());
        expectKw("AS");
        typeName(*e);
        expectOp(")");
        return done(std::move(e));
    }

    ExprP convertExpr() {
        const size_t b = pos_;
        next();  // CONVERT
        expectOp("(");
        auto e = make(EK::Convert, b);
        typeName(*e);
        expectOp(",");
        e->a.push_back(expr());
        if (acceptOp(",")) e->a.push_back(expr());
        expectOp(")");
        return done(std::move(e));
    }

    ExprP function(std::string_view schema, size_t b) {
        auto e = make(EK::Func, b);
        const std::string_view fname = next().value;
        e->op = upper(fname);
        if (!schema.empty()) e->parts = {schema, fname};
        expectOp("(");
        static const char* const dateFns[] = {"DATEADD", "DATEDIFF", "DATEPART", "DATENAME", "DATEDIFF_BIG"};
        bool datePartFirst = false;
        if (schema.empty())
            for (const char* f : dateFns)
                if (e->op == f) datePartFirst = true;
        if (datePartFirst) {
            // The date part is a keyword, kept in the node as a column-less name.
            const Token& p = peek();
            if (p.kind != Tok::Ident && p.kind != Tok::QIdent) fail("Expected a date part in " + e->op + " " + near());
            auto part = make(EK::Col, pos_);
            part->parts.push_back(next().value);
            e->a.push_back(done(std::move(part)));
            while (acceptOp(",")) e->a.push_back(expr());
            expectOp(")");
            return done(std::move(e));
        }
        if (isOp(")")) {
            next();
            return done(std::move(e));
        }
        if (isOp("*")) {
            if (e->op != "COUNT" || !schema.empty()) syntax();
            next();
            e->a.push_back(done(make(EK::Star, pos_ - 1)));
            expectOp(")");
            return done(std::move(e));
        }
        if (acceptKw("DISTINCT")) e->distinct = true;
        else acceptKw("ALL");
        do e->a.push_back(expr());
        while (acceptOp(","));
        expectOp(")");
        if (isKw("OVER")) unsupported("A window function (OVER)");
        return done(std::move(e));
    }

    const Lexed& lx_;
    const std::vector<Token>& toks_;
    size_t pos_ = 0;
    int depth_ = 0;
    std::vector<int> inlined_;
};

}  // namespace

Parsed parse(const Lexed& lexed) { return Parser(lexed).run(); }

}  // namespace velaris::tsql
