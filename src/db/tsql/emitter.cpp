// The second half of the translation: annotates the syntax tree (which FROM item each
// column belongs to, its declared type, what each literal is compared with or stored
// in) and writes the SQLite statement.

#include <sqlite3.h>

#include <deque>
#include <optional>

#include "db/tsql/ast.h"
#include "db/tsql/functions.h"
#include "db/tsql/parser.h"
#include "db/tsql/translator.h"

namespace velaris::tsql {

struct Source {
    std::string_view exposed;  // the name the statement uses for it (alias or table name)
    std::string_view table;    // the table or view (empty for a derived table)
    const std::vector<ColumnInfo>* cols = nullptr;
    bool derived = false;
    bool derivedKnown = false;
    std::vector<std::pair<std::string_view, VType>> derivedCols;
    std::string emitName;      // the qualifier written for its columns

    bool known() const { return derived ? derivedKnown : cols != nullptr; }
    std::optional<VType> column(std::string_view c) const;
};

namespace {

VType typeOfDecl(std::string_view decl) {
    std::string u(decl);
    for (char& ch : u)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
    auto has = [&](const char* w) { return u.find(w) != std::string::npos; };
    if (u.empty()) return VType::Unknown;
    if (has("DATE") || has("TIME")) return VType::Date;
    if (has("CHAR") || has("TEXT") || has("CLOB")) return VType::Text;
    if (has("INT") || has("BIT") || has("FLOAT") || has("REAL") || has("DOUB") || has("MONEY") || has("DEC") ||
        has("NUM") || has("BOOL"))
        return VType::Num;
    return VType::Unknown;
}

// The width of a text column declared CHAR(n), VARCHAR(n), NCHAR(n) or NVARCHAR(n);
// 0 for any other declaration (TEXT, VARCHAR(MAX), numbers, dates).
int widthOfDecl(std::string_view decl) {
    std::string u(decl);
    for (char& ch : u)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
    const size_t at = u.find("CHAR");
    if (at == std::string::npos) return 0;
    const std::string_view head = std::string_view(u).substr(0, at);
    if (head.find_first_not_of(" ") != std::string_view::npos && head != "VAR" && head != "N" && head != "NVAR")
        return 0;
    size_t i = at + 4;
    while (i < u.size() && u[i] == ' ') ++i;
    if (i >= u.size() || u[i] != '(') return 0;
    int n = 0;
    for (++i; i < u.size() && u[i] >= '0' && u[i] <= '9'; ++i) {
        n = n * 10 + (u[i] - '0');
        if (n > 100000) return 0;
    }
    return i < u.size() && u[i] == ')' ? n : 0;
}

}  // namespace

std::optional<VType> Source::column(std::string_view c) const {
    if (derived) {
        for (const auto& [n, t] : derivedCols)
            if (ieq(n, c)) return t;
        return std::nullopt;
    }
    if (!cols) return std::nullopt;
    for (const ColumnInfo& ci : *cols)
        if (ieq(ci.name, c)) return typeOfDecl(ci.declType);
    return std::nullopt;
}

namespace {

struct Scope {
    std::vector<Source*> sources;
    Scope* parent = nullptr;
};

enum class OutCtx { Sub, TopLevel, Insert };

const Expr& strip(const Expr& e) {
    const Expr* p = &e;
    while (p->kind == EK::Paren) p = p->a[0].get();
    return *p;
}
Expr& strip(Expr& e) {
    Expr* p = &e;
    while (p->kind == EK::Paren) p = p->a[0].get();
    return *p;
}

bool numOrDate(VType t) { return t == VType::Num || t == VType::Date; }

class Emitter {
public:
    Emitter(const Lexed& lx, SchemaLookup& schema, bool inl)
        : lx_(lx), schema_(schema), inline_(inl), bindOf_(lx.literals.size(), -1) {}

    Translation run(Parsed& p) {
        Statement& s = p.stmt;
        switch (s.kind) {
            case Statement::Query:
                annotateSelect(*s.query, nullptr, OutCtx::TopLevel, nullptr);
                emitSelect(*s.query, true);
                break;
            case Statement::Insert: insert(s); break;
            case Statement::Update: update(s); break;
            case Statement::Delete: remove(s); break;
            case Statement::AlterTrigger: alterTrigger(s); break;
            case Statement::Exec: exec(s); break;
            case Statement::SessionOption: w("SELECT 0 WHERE 0"); break;  // nothing to change
        }
        Translation t;
        t.sql = std::move(out_);
        for (size_t i = 0; i < bindOf_.size(); ++i)
            if (bindOf_[i] >= 0) t.bindings.push_back({static_cast<int>(i), static_cast<BindAs>(bindOf_[i])});
        t.inlined = std::move(p.inlined);
        for (int i : inlined_) t.inlined.push_back(i);
        t.procedure = procedure_;
        return t;
    }

private:
    [[noreturn]] void fail(const std::string& msg) const { throw TranslationError(msg); }
    [[noreturn]] void unsupported(const std::string& what) const {
        fail(what + " is not supported by the embedded engine");
    }

    // ---- output helpers ---------------------------------------------------------------
    void w(std::string_view s) { out_.append(s); }

    static bool plainIdent(std::string_view n) {
        if (n.empty()) return false;
        if (!((n[0] >= 'A' && n[0] <= 'Z') || (n[0] >= 'a' && n[0] <= 'z') || n[0] == '_')) return false;
        for (char c : n)
            if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
        return sqlite3_keyword_check(n.data(), static_cast<int>(n.size())) == 0;
    }
    void ident(std::string_view n) {
        if (plainIdent(n)) {
            w(n);
            return;
        }
        out_.push_back('"');
        for (char c : n) {
            if (c == '"') out_.push_back('"');
            out_.push_back(c);
        }
        out_.push_back('"');
    }
    void quoted(std::string_view text) {
        out_.push_back('\'');
        for (char c : text) {
            if (c == '\'') out_.push_back('\'');
            out_.push_back(c);
        }
        out_.push_back('\'');
    }
    // ---- scopes -----------------------------------------------------------------------
    Scope* newScope(Scope* parent) {
        scopes_.emplace_back();
        scopes_.back().parent = parent;
        return &scopes_.back();
    }
    Source* tableSource(std::string_view table, std::string_view exposed) {
        sources_.emplace_back();
        Source* s = &sources_.back();
        s->table = table;
        s->exposed = exposed;
        s->cols = schema_.columns(table);
        s->emitName = std::string(exposed);
        return s;
    }
    Source* findSource(Scope* sc, std::string_view exposed) {
        for (Scope* s = sc; s; s = s->parent)
            for (Source* src : s->sources)
                if (ieq(src->exposed, exposed)) return src;
        return nullptr;
    }

    void resolveColumn(Expr& e, Scope* sc) {
        if (e.parts.size() == 2) {
            if (Source* src = findSource(sc, e.parts[0])) {
                e.src = src;
                e.type = src->column(e.parts[1]).value_or(VType::Unknown);
            }
            return;
        }
        const std::string_view c = e.parts[0];
        for (Scope* s = sc; s; s = s->parent) {
            int found = 0;
            bool unknown = false;
            VType t = VType::Unknown;
            for (Source* src : s->sources) {
                if (!src->known()) {
                    unknown = true;
                } else if (auto ct = src->column(c)) {
                    ++found;
                    t = *ct;
                }
            }
            if (found == 1 && !unknown) e.type = t;
            if (found > 0 || unknown) return;
        }
    }

    // ---- annotation ---------------------------------------------------------------
    static void hint(Expr& e, VType other) {
        Expr& l = strip(e);
        if (l.kind != EK::Lit) return;
        l.hint = other == VType::Date ? DateHint::Date : other == VType::Unknown ? DateHint::Unknown : DateHint::NotDate;
    }
    static void plain(Expr& e) {
        Expr& l = strip(e);
        if (l.kind == EK::Lit) l.plainValue = true;
    }
    static void plainNotDate(Expr& e) {
        Expr& l = strip(e);
        if (l.kind == EK::Lit) {
            l.plainValue = true;
            l.hint = DateHint::NotDate;
        }
    }
    static void plainDate(Expr& e) {
        Expr& l = strip(e);
        if (l.kind == EK::Lit) {
            l.plainValue = true;
            l.hint = DateHint::Date;
        }
    }

    void argCount(const Expr& e, size_t lo, size_t hi) const {
        if (e.a.size() < lo || e.a.size() > hi)
            fail("The function " + e.op + " was given " + std::to_string(e.a.size()) + " argument(s)");
    }

    DatePart datePartOf(const Expr& fn) const {
        const Expr& p = *fn.a[0];
        auto part = datePartFromName(p.parts.empty() ? std::string_view() : p.parts[0]);
        if (!part) fail("Unknown date part '" + std::string(p.parts.empty() ? "" : p.parts[0]) + "' in " + fn.op);
        return *part;
    }

    void annotateFunc(Expr& e, Scope* sc) {
        const std::string& f = e.op;
        auto all = [&] {
            for (auto& a : e.a) annotate(*a, sc);
        };
        if (!e.parts.empty()) {  // dbo.<name>
            if (f != "SET_DATA") unsupported("The function dbo." + std::string(e.parts[1]));
            argCount(e, 1, 1);
            all();
            plainDate(*e.a[0]);
            e.type = VType::Date;
            return;
        }
        if (e.distinct && f != "COUNT" && f != "SUM" && f != "AVG" && f != "MAX" && f != "MIN")
            fail("DISTINCT in " + f + "()");
        if (f == "COUNT") {
            argCount(e, 1, 1);
            all();
            e.type = VType::Num;
        } else if (f == "SUM" || f == "AVG") {
            argCount(e, 1, 1);
            all();
            e.type = VType::Num;
        } else if (f == "MAX" || f == "MIN") {
            argCount(e, 1, 1);
            all();
            e.type = e.a[0]->type;
        } else if (f == "ISNULL" || f == "NULLIF") {
            argCount(e, 2, 2);
            all();
            e.type = e.a[0]->type != VType::Unknown ? e.a[0]->type : e.a[1]->type;
            hint(*e.a[1], e.a[0]->type);
            plain(*e.a[1]);
        } else if (f == "COALESCE") {
            argCount(e, 2, 64);
            all();
            for (auto& a : e.a)
                if (e.type == VType::Unknown) e.type = a->type;
            for (auto& a : e.a) {
                hint(*a, e.type);
                plain(*a);
            }
        } else if (f == "GETDATE" || f == "SYSDATETIME") {
            argCount(e, 0, 0);
            e.type = VType::Date;
        } else if (f == "DATEADD") {
            argCount(e, 3, 3);
            datePartOf(e);
            annotate(*e.a[1], sc);
            annotate(*e.a[2], sc);
            plainNotDate(*e.a[1]);
            plainDate(*e.a[2]);
            e.type = VType::Date;
        } else if (f == "DATEDIFF") {
            argCount(e, 3, 3);
            datePartOf(e);
            annotate(*e.a[1], sc);
            annotate(*e.a[2], sc);
            plainDate(*e.a[1]);
            plainDate(*e.a[2]);
            e.type = VType::Num;
        } else if (f == "DATEPART") {
            argCount(e, 2, 2);
            datePartOf(e);
            annotate(*e.a[1], sc);
            plainDate(*e.a[1]);
            e.type = VType::Num;
        } else if (f == "YEAR" || f == "MONTH" || f == "DAY") {
            argCount(e, 1, 1);
            all();
            plainDate(*e.a[0]);
            e.type = VType::Num;
        } else if (f == "LEN" || f == "ABS" || f == "FLOOR" || f == "CEILING") {
            argCount(e, 1, 1);
            all();
            plainNotDate(*e.a[0]);
            e.type = VType::Num;
        } else if (f == "ROUND") {
            argCount(e, 2, 3);
            all();
            for (auto& a : e.a) plainNotDate(*a);
            e.type = VType::Num;
        } else if (f == "CHARINDEX") {
            argCount(e, 2, 3);
            all();
            for (auto& a : e.a) plainNotDate(*a);
            e.type = VType::Num;
        } else if (f == "LEFT" || f == "RIGHT") {
            argCount(e, 2, 2);
            all();
            for (auto& a : e.a) plainNotDate(*a);
            e.type = VType::Text;
        } else if (f == "SUBSTRING" || f == "REPLACE") {
            argCount(e, 3, 3);
            all();
            for (auto& a : e.a) plainNotDate(*a);
            e.type = VType::Text;
        } else if (f == "UPPER" || f == "LOWER" || f == "LTRIM" || f == "RTRIM") {
            argCount(e, 1, 1);
            all();
            plainNotDate(*e.a[0]);
            e.type = VType::Text;
        } else {
            unsupported("The function " + f + "()");
        }
    }

    enum class ConvKind { Float, Decimal, Int, Bit, Text, DateTime, Date, Time };

    ConvKind convKind(const Expr& e) const {
        const std::string& t = e.op;
        if (t == "FLOAT" || t == "REAL") return ConvKind::Float;
        if (t == "DECIMAL" || t == "NUMERIC" || t == "MONEY" || t == "SMALLMONEY") return ConvKind::Decimal;
        if (t == "INT" || t == "INTEGER" || t == "BIGINT" || t == "SMALLINT" || t == "TINYINT") return ConvKind::Int;
        if (t == "BIT") return ConvKind::Bit;
        if (t == "VARCHAR" || t == "NVARCHAR" || t == "CHAR" || t == "NCHAR" || t == "TEXT" || t == "NTEXT")
            return ConvKind::Text;
        if (t == "DATETIME" || t == "SMALLDATETIME" || t == "DATETIME2") return ConvKind::DateTime;
        if (t == "DATE") return ConvKind::Date;
        if (t == "TIME") return ConvKind::Time;
        unsupported("Conversion to the type " + t);
    }

    void annotate(Expr& e, Scope* sc) {
        switch (e.kind) {
            case EK::Lit: {
                switch (lx_.literals[static_cast<size_t>(e.lit)].cls) {
                    case LitClass::Int:
                    case LitClass::Real: e.type = VType::Num; break;
                    case LitClass::Date: e.type = VType::Date; break;
                    case LitClass::Text: e.type = VType::Text; break;
                    default: e.type = VType::Unknown; break;
                }
                break;
            }
            case EK::Null:
            case EK::Star: break;
            case EK::Col: resolveColumn(e, sc); break;
            case EK::Neg:
            case EK::BitNot:
                annotate(*e.a[0], sc);
                plain(*e.a[0]);
                e.type = VType::Num;
                break;
            case EK::Arith: {
                annotate(*e.a[0], sc);
                annotate(*e.a[1], sc);
                plain(*e.a[0]);
                plain(*e.a[1]);
                hint(*e.a[0], e.a[1]->type);  // a date-shaped text joined to a text stays text
                hint(*e.a[1], e.a[0]->type);
                const VType l = e.a[0]->type, r = e.a[1]->type;
                if (e.op == "+") {
                    if (l == VType::Num && r == VType::Num) e.type = VType::Num;
                    else if (l == VType::Text && r == VType::Text) e.type = VType::Text;
                    else if ((l == VType::Date && r == VType::Num) || (l == VType::Num && r == VType::Date)) e.type = VType::Date;
                } else if (e.op == "-") {
                    if (l == VType::Num && r == VType::Num) e.type = VType::Num;
                    else if (l == VType::Date && r == VType::Num) e.type = VType::Date;
                } else {
                    e.type = VType::Num;
                }
                break;
            }
            case EK::Cmp:
                annotate(*e.a[0], sc);
                annotate(*e.a[1], sc);
                hint(*e.a[0], e.a[1]->type);
                hint(*e.a[1], e.a[0]->type);
                e.type = VType::Num;
                break;
            case EK::And:
            case EK::Or:
            case EK::Not:
            case EK::IsNull:
                for (auto& a : e.a) annotate(*a, sc);
                e.type = VType::Num;
                break;
            case EK::Between:
                for (auto& a : e.a) annotate(*a, sc);
                hint(*e.a[1], e.a[0]->type);
                hint(*e.a[2], e.a[0]->type);
                hint(*e.a[0], e.a[1]->type != VType::Unknown ? e.a[1]->type : e.a[2]->type);
                e.type = VType::Num;
                break;
            case EK::InList: {
                for (auto& a : e.a) annotate(*a, sc);
                VType listType = VType::Unknown;
                for (size_t i = 1; i < e.a.size(); ++i) {
                    hint(*e.a[i], e.a[0]->type);
                    if (listType == VType::Unknown) listType = e.a[i]->type;
                }
                hint(*e.a[0], listType);
                e.type = VType::Num;
                break;
            }
            case EK::InSelect:
                annotate(*e.a[0], sc);
                annotateSelect(*e.sub, sc, OutCtx::Sub, nullptr);
                hint(*e.a[0], firstType(*e.sub));
                e.type = VType::Num;
                break;
            case EK::Exists:
                annotateSelect(*e.sub, sc, OutCtx::Sub, nullptr);
                e.type = VType::Num;
                break;
            case EK::Like:
                for (auto& a : e.a) {
                    annotate(*a, sc);
                    plainNotDate(*a);
                }
                e.type = VType::Num;
                break;
            case EK::Case: {
                for (auto& a : e.a) annotate(*a, sc);
                size_t i = e.caseBase ? 1 : 0;
                const size_t pairsEnd = e.a.size() - (e.caseElse ? 1 : 0);
                bool first = true;
                VType result = VType::Unknown;
                auto result1 = [&](Expr& r) {
                    if (first) result = r.type;
                    else if (result != r.type) result = VType::Unknown;
                    first = false;
                };
                for (; i < pairsEnd; i += 2) {
                    if (e.caseBase) hint(*e.a[i], e.a[0]->type);
                    result1(*e.a[i + 1]);
                }
                if (e.caseElse) result1(*e.a.back());
                e.type = result;
                break;
            }
            case EK::Func: annotateFunc(e, sc); break;
            case EK::Convert: {
                for (auto& a : e.a) {
                    annotate(*a, sc);
                    plainNotDate(*a);
                }
                switch (convKind(e)) {
                    case ConvKind::Float:
                    case ConvKind::Decimal:
                    case ConvKind::Int:
                    case ConvKind::Bit: e.type = VType::Num; break;
                    case ConvKind::Text: e.type = VType::Text; break;
                    default: e.type = VType::Date; break;
                }
                break;
            }
            case EK::Subquery:
                annotateSelect(*e.sub, sc, OutCtx::Sub, nullptr);
                e.type = firstType(*e.sub);
                break;
            case EK::Paren:
                annotate(*e.a[0], sc);
                e.type = e.a[0]->type;
                break;
        }
    }

    static VType firstType(const Select& s) {
        const SelectCore& c = s.cores.front();
        if (c.items.empty() || !c.items[0].expr) return VType::Unknown;
        return c.items[0].expr->type;
    }

    void addSources(TableRef& r, Scope& sc, Scope* outer) {
        switch (r.kind) {
            case TableRef::Table:
                r.source = tableSource(r.name, r.hasAlias ? r.alias : r.name);
                sc.sources.push_back(r.source);
                break;
            case TableRef::Derived: {
                annotateSelect(*r.sub, outer, OutCtx::Sub, nullptr);
                sources_.emplace_back();
                Source* s = &sources_.back();
                s->derived = true;
                s->derivedKnown = true;
                s->exposed = r.alias;
                s->emitName = std::string(r.alias);
                for (const SelectItem& it : r.sub->cores.front().items) {
                    if (it.star) {
                        s->derivedKnown = false;
                        continue;
                    }
                    std::string_view n = it.hasAlias ? it.alias : std::string_view();
                    const Expr& x = strip(*it.expr);
                    if (!it.hasAlias && x.kind == EK::Col) n = x.parts.back();
                    s->derivedCols.emplace_back(n, it.expr->type);
                }
                r.source = s;
                sc.sources.push_back(s);
                break;
            }
            case TableRef::Join:
                addSources(*r.left, sc, outer);
                addSources(*r.right, sc, outer);
                break;
            case TableRef::Group: addSources(*r.inner, sc, outer); break;
        }
    }
    void annotateOns(TableRef& r, Scope& sc) {
        if (r.kind == TableRef::Join) {
            annotateOns(*r.left, sc);
            annotateOns(*r.right, sc);
            if (r.on) annotate(*r.on, &sc);
        } else if (r.kind == TableRef::Group) {
            annotateOns(*r.inner, sc);
        }
    }
    Scope* annotateFrom(std::vector<std::unique_ptr<TableRef>>& from, Scope* parent) {
        Scope* sc = newScope(parent);
        for (auto& r : from) addSources(*r, *sc, parent);
        for (auto& r : from) annotateOns(*r, *sc);
        return sc;
    }

    void annotateSelect(Select& s, Scope* parent, OutCtx ctx, const std::vector<VType>* targets) {
        Scope* firstScope = nullptr;
        for (SelectCore& c : s.cores) {
            Scope* sc = annotateFrom(c.from, parent);
            if (!firstScope) firstScope = sc;
            if (c.top) {
                annotate(*c.top, sc);
                plainNotDate(*c.top);
            }
            for (size_t i = 0; i < c.items.size(); ++i) {
                SelectItem& it = c.items[i];
                if (it.star) {
                    if (!it.starQualifier.empty()) it.starSource = findSource(sc, it.starQualifier);
                    continue;
                }
                annotate(*it.expr, sc);
                Expr& x = strip(*it.expr);
                if (x.kind != EK::Lit) continue;
                if (ctx == OutCtx::Insert && targets && i < targets->size()) {
                    hint(x, (*targets)[i]);
                    x.plainValue = true;
                } else if (ctx == OutCtx::TopLevel) {
                    x.hint = DateHint::Output;
                }
            }
            if (c.where) annotate(*c.where, sc);
            for (auto& g : c.groupBy) annotate(*g, sc);
            if (c.having) annotate(*c.having, sc);
        }
        for (OrderTerm& t : s.orderBy) annotate(*t.expr, s.cores.size() == 1 ? firstScope : parent);
    }

    // ---- emission -------------------------------------------------------------------
    void param(int lit, BindAs as) {
        bindOf_[static_cast<size_t>(lit)] = static_cast<int8_t>(as);
        w("?");
        w(std::to_string(lit + 1));
    }

    // Whether a literal is written as text that keeps its own value (and the collation).
    bool rawText(const Expr& e) const {
        switch (lx_.literals[static_cast<size_t>(e.lit)].cls) {
            case LitClass::Text: return true;
            case LitClass::DateText: return e.hint == DateHint::NotDate || e.hint == DateHint::Output;
            case LitClass::TimeText: return e.hint != DateHint::Date;
            default: return false;
        }
    }

    void emitLit(const Expr& e) {
        const Literal& l = lx_.literals[static_cast<size_t>(e.lit)];
        switch (l.cls) {
            case LitClass::Int:
                if (inline_) w(l.text);
                else param(e.lit, BindAs::Int);
                return;
            case LitClass::Real:
                if (inline_) w(l.text);
                else param(e.lit, BindAs::Real);
                return;
            case LitClass::Date:
                if (inline_) quoted(l.text);
                else param(e.lit, BindAs::Canonical);
                return;
            default: break;
        }
        if (!rawText(e)) {
            if (inline_) quoted(l.canonical);
            else param(e.lit, BindAs::Canonical);
            return;
        }
        if (inline_) quoted(l.text);
        else param(e.lit, BindAs::Text);
        if (!e.plainValue) w(" COLLATE TSQL");
    }

    // Whether SQLite compares this operand with a collation of its own: a column (the
    // schema declares text columns COLLATE TSQL) or a text literal written with it.
    bool bearsCollation(const Expr& e) const {
        const Expr& x = strip(e);
        if (x.kind == EK::Col) return true;
        if (x.kind == EK::Lit) return rawText(x) && !x.plainValue;
        return false;
    }
    bool collateNeeded(std::initializer_list<const Expr*> operands) const {
        for (const Expr* o : operands) {
            if (bearsCollation(*o)) return false;
            if (numOrDate(o->type)) return false;
            const Expr& x = strip(*o);
            if (x.kind == EK::Null || (x.kind == EK::Lit && !rawText(x))) return false;
        }
        return true;
    }
    void emitCollated(const Expr& e, bool collated) {
        if (!collated) return emit(e);
        w("(");
        emit(e);
        w(") COLLATE TSQL");
    }

    void emitArgs(const Expr& e, size_t from = 0) {
        for (size_t i = from; i < e.a.size(); ++i) {
            if (i > from) w(", ");
            emit(*e.a[i]);
        }
    }
    void call(const char* fn, const Expr& e, size_t from = 0) {
        w(fn);
        w("(");
        emitArgs(e, from);
        w(")");
    }

    void emitFunc(const Expr& e) {
        const std::string& f = e.op;
        if (!e.parts.empty()) return call("tsql_set_data", e);  // dbo.Set_Data
        if (f == "COUNT" || f == "SUM" || f == "AVG" || f == "MAX" || f == "MIN") {
            std::string lower = f;
            for (char& c : lower) c = static_cast<char>(c + 32);
            w(lower);
            w("(");
            if (e.distinct) w("DISTINCT ");
            emitArgs(e);
            w(")");
            return;
        }
        if (f == "ISNULL") return call("ifnull", e);
        if (f == "NULLIF") return call("nullif", e);
        if (f == "COALESCE") return call("coalesce", e);
        if (f == "GETDATE" || f == "SYSDATETIME") return w("tsql_getdate()");
        if (f == "DATEADD" || f == "DATEDIFF" || f == "DATEPART") {
            w(f == "DATEADD" ? "tsql_dateadd('" : f == "DATEDIFF" ? "tsql_datediff('" : "tsql_datepart('");
            w(datePartName(datePartOf(e)));
            w("', ");
            emitArgs(e, 1);
            w(")");
            return;
        }
        if (f == "YEAR" || f == "MONTH" || f == "DAY") {
            w(f == "YEAR" ? "tsql_datepart('year', " : f == "MONTH" ? "tsql_datepart('month', " : "tsql_datepart('day', ");
            emit(*e.a[0]);
            w(")");
            return;
        }
        if (f == "LEN") return call("tsql_len", e);
        if (f == "ABS") return call("abs", e);
        if (f == "FLOOR") return call("tsql_floor", e);
        if (f == "CEILING") return call("tsql_ceiling", e);
        if (f == "ROUND") return call("tsql_round", e);
        if (f == "CHARINDEX") return call("tsql_charindex", e);
        if (f == "LEFT") return call("tsql_left", e);
        if (f == "RIGHT") return call("tsql_right", e);
        if (f == "SUBSTRING") return call("tsql_substring", e);
        if (f == "REPLACE") return call("tsql_replace", e);
        if (f == "UPPER") return call("tsql_upper", e);
        if (f == "LOWER") return call("tsql_lower", e);
        if (f == "LTRIM") return call("ltrim", e);
        if (f == "RTRIM") return call("rtrim", e);
        unsupported("The function " + f + "()");
    }

    void emitConvert(const Expr& e) {
        const Expr& arg = *e.a[0];
        const Expr* style = e.a.size() > 1 ? e.a[1].get() : nullptr;
        switch (convKind(e)) {
            case ConvKind::Float: {
                const Expr& x = strip(arg);
                if (x.kind == EK::Lit && x.type == VType::Num) {  // Convert(Float, 12.5): a number literal
                    w("CAST(");
                    emit(x);
                    w(" AS REAL)");
                    return;
                }
                w("tsql_float(");
                emit(arg);
                w(")");
                return;
            }
            case ConvKind::Decimal: {
                w("tsql_float(");
                emit(arg);
                const int scale = e.op == "MONEY" || e.op == "SMALLMONEY" ? 4 : (e.typeLen >= 0 ? e.typeLen : 0);
                w(", ");
                w(std::to_string(scale));
                w(")");
                return;
            }
            case ConvKind::Int: w("tsql_int("); emit(arg); w(")"); return;
            case ConvKind::Bit: w("tsql_bit("); emit(arg); w(")"); return;
            case ConvKind::Text:
                w("tsql_varchar(");
                emit(arg);
                w(", ");
                if (style) emit(*style);
                else w("NULL");
                w(", ");
                w(std::to_string(e.typeLen));
                w(")");
                return;
            case ConvKind::DateTime:
            case ConvKind::Date:
            case ConvKind::Time: {
                const ConvKind k = convKind(e);
                w("tsql_datetime(");
                emit(arg);
                w(", ");
                if (style) emit(*style);
                else w("NULL");
                w(k == ConvKind::Date ? ", 'date')" : k == ConvKind::Time ? ", 'time')" : ", 'datetime')");
                return;
            }
        }
    }

    void emit(const Expr& e) {
        switch (e.kind) {
            case EK::Lit: return emitLit(e);
            case EK::Null: return w("NULL");
            case EK::Star: return w("*");
            case EK::Col:
                if (e.parts.size() == 2) {
                    if (e.src) ident(e.src->emitName);
                    else ident(e.parts[0]);
                    w(".");
                }
                return ident(e.parts.back());
            case EK::Neg: w("(-"); emit(*e.a[0]); return w(")");
            case EK::BitNot: w("(~"); emit(*e.a[0]); return w(")");
            case EK::Arith: {
                const VType l = e.a[0]->type, r = e.a[1]->type;
                const char* fn = nullptr;
                std::string_view op = e.op;
                if (e.op == "+") {
                    if (l == VType::Num && r == VType::Num) op = "+";
                    else if (l == VType::Text && r == VType::Text) op = "||";
                    else fn = "tsql_add";
                } else if (e.op == "-") {
                    if (!(l == VType::Num && r == VType::Num)) fn = "tsql_sub";
                } else if (e.op == "/") {
                    fn = "tsql_div";
                } else if (e.op == "%") {
                    fn = "tsql_mod";
                }
                if (fn) return call(fn, e);
                w("(");
                emit(*e.a[0]);
                w(" ");
                w(op);
                w(" ");
                emit(*e.a[1]);
                return w(")");
            }
            case EK::Cmp: {
                const bool coll = collateNeeded({e.a[0].get(), e.a[1].get()});
                w("(");
                emitCollated(*e.a[0], coll);
                w(" ");
                w(e.op);
                w(" ");
                emit(*e.a[1]);
                return w(")");
            }
            case EK::And:
            case EK::Or:
                w("(");
                emit(*e.a[0]);
                w(e.kind == EK::And ? " AND " : " OR ");
                emit(*e.a[1]);
                return w(")");
            case EK::Not: w("(NOT "); emit(*e.a[0]); return w(")");
            case EK::IsNull:
                w("(");
                emit(*e.a[0]);
                w(e.neg ? " IS NOT NULL)" : " IS NULL)");
                return;
            case EK::Between: {
                const bool coll = collateNeeded({e.a[0].get(), e.a[1].get(), e.a[2].get()});
                w("(");
                emitCollated(*e.a[0], coll);
                w(e.neg ? " NOT BETWEEN " : " BETWEEN ");
                emit(*e.a[1]);
                w(" AND ");
                emit(*e.a[2]);
                return w(")");
            }
            case EK::InList: {
                const bool coll = collateNeeded({e.a[0].get()});
                w("(");
                emitCollated(*e.a[0], coll);
                w(e.neg ? " NOT IN (" : " IN (");
                emitArgs(e, 1);
                return w("))");
            }
            case EK::InSelect: {
                const bool coll = collateNeeded({e.a[0].get()});
                w("(");
                emitCollated(*e.a[0], coll);
                w(e.neg ? " NOT IN (" : " IN (");
                emitSelect(*e.sub, false);
                return w("))");
            }
            case EK::Exists: w("EXISTS ("); emitSelect(*e.sub, false); return w(")");
            case EK::Like:
                w(e.neg ? "(NOT tsql_like(" : "(tsql_like(");
                emitArgs(e);
                return w("))");
            case EK::Case: {
                w("CASE");
                size_t i = 0;
                if (e.caseBase) {
                    w(" ");
                    emit(*e.a[0]);
                    i = 1;
                }
                const size_t pairsEnd = e.a.size() - (e.caseElse ? 1 : 0);
                for (; i < pairsEnd; i += 2) {
                    w(" WHEN ");
                    emit(*e.a[i]);
                    w(" THEN ");
                    emit(*e.a[i + 1]);
                }
                if (e.caseElse) {
                    w(" ELSE ");
                    emit(*e.a.back());
                }
                return w(" END");
            }
            case EK::Func: return emitFunc(e);
            case EK::Convert: return emitConvert(e);
            case EK::Subquery: w("("); emitSelect(*e.sub, false); return w(")");
            case EK::Paren: w("("); emit(*e.a[0]); return w(")");
        }
    }

    void emitRef(const TableRef& r) {
        switch (r.kind) {
            case TableRef::Table:
                ident(r.name);
                if (r.source && !ieq(r.source->emitName, r.name)) {
                    w(" AS ");
                    ident(r.source->emitName);
                } else if (r.hasAlias && !ieq(r.alias, r.name)) {
                    w(" AS ");
                    ident(r.alias);
                }
                return;
            case TableRef::Derived:
                w("(");
                emitSelect(*r.sub, false);
                w(") AS ");
                ident(r.alias);
                return;
            case TableRef::Join:
                emitRef(*r.left);
                switch (r.join) {
                    case JoinKind::Left: w(" LEFT JOIN "); break;
                    case JoinKind::Right: w(" RIGHT JOIN "); break;
                    case JoinKind::Full: w(" FULL JOIN "); break;
                    case JoinKind::Cross: w(" CROSS JOIN "); break;
                    default: w(" INNER JOIN "); break;
                }
                emitRef(*r.right);
                if (r.on) {
                    w(" ON ");
                    emit(*r.on);
                }
                return;
            case TableRef::Group:
                w("(");
                emitRef(*r.inner);
                w(")");
                return;
        }
    }
    void emitFrom(const std::vector<std::unique_ptr<TableRef>>& from) {
        for (size_t i = 0; i < from.size(); ++i) {
            if (i) w(", ");
            emitRef(*from[i]);
        }
    }

    bool needsCollateTerm(const Expr& e) const {
        const Expr& x = strip(e);
        if (x.kind == EK::Col || x.kind == EK::Lit || x.kind == EK::Null) return false;
        return !numOrDate(x.type);
    }

    // `widths`: the declared widths of the columns an INSERT ... SELECT fills.
    void emitCore(const SelectCore& c, bool top, bool compound, const std::vector<int>* widths = nullptr) {
        w("SELECT ");
        if (c.distinct) w("DISTINCT ");
        for (size_t i = 0; i < c.items.size(); ++i) {
            if (i) w(", ");
            const SelectItem& it = c.items[i];
            const int width = widths && !it.star && i < widths->size() ? (*widths)[i] : 0;
            if (it.star) {
                if (!it.starQualifier.empty()) {
                    ident(it.starSource ? std::string_view(it.starSource->emitName) : it.starQualifier);
                    w(".");
                }
                w("*");
                continue;
            }
            // Rows compared for DISTINCT and UNION compare text as the server does.
            const bool coll = (c.distinct || compound) && needsCollateTerm(*it.expr);
            if (width > 0) {
                w("tsql_fit(");
                emit(*it.expr);
                w(", " + std::to_string(width) + ")");
                if (coll || c.distinct || compound) w(" COLLATE TSQL");
            } else {
                emitCollated(*it.expr, coll);
            }
            if (it.hasAlias) {
                w(" AS ");
                ident(it.alias);
            } else if (top && strip(*it.expr).kind != EK::Col) {
                // As on the server, an expression without alias has no name (rather than
                // the text of its translation).
                w(" AS \"\"");
            }
        }
        if (!c.from.empty()) {
            w(" FROM ");
            emitFrom(c.from);
        }
        if (c.where) {
            w(" WHERE ");
            emit(*c.where);
        }
        if (!c.groupBy.empty()) {
            w(" GROUP BY ");
            for (size_t i = 0; i < c.groupBy.size(); ++i) {
                if (i) w(", ");
                emitCollated(*c.groupBy[i], needsCollateTerm(*c.groupBy[i]));
            }
        }
        if (c.having) {
            w(" HAVING ");
            emit(*c.having);
        }
    }

    void emitSelect(const Select& s, bool top) {
        // The widths of an INSERT's columns apply to this SELECT, not to queries inside it.
        const std::vector<int>* widths = insertWidths_;
        insertWidths_ = nullptr;
        if (s.cores.size() == 1) {
            emitCore(s.cores[0], top, false, widths);
        } else {
            for (size_t i = 0; i < s.cores.size(); ++i) {
                if (i) {
                    w(" ");
                    w(s.setOps[i - 1]);
                    w(" ");
                }
                const SelectCore& c = s.cores[i];
                if (c.top) {  // TOP belongs to its own SELECT, not to the whole UNION
                    w("SELECT * FROM (");
                    emitCore(c, top && i == 0, true, widths);
                    w(" LIMIT ");
                    emit(*c.top);
                    w(")");
                } else {
                    emitCore(c, top && i == 0, true, widths);
                }
            }
        }
        if (!s.orderBy.empty()) {
            w(" ORDER BY ");
            for (size_t i = 0; i < s.orderBy.size(); ++i) {
                if (i) w(", ");
                const Expr& x = strip(*s.orderBy[i].expr);
                if (x.kind == EK::Lit && lx_.literals[static_cast<size_t>(x.lit)].cls == LitClass::Int) {
                    w(lx_.literals[static_cast<size_t>(x.lit)].text);  // a column position, not a value
                    inlined_.push_back(x.lit);
                } else {
                    emitCollated(*s.orderBy[i].expr, needsCollateTerm(*s.orderBy[i].expr));
                }
                if (s.orderBy[i].desc) w(" DESC");
            }
        }
        if (s.cores.size() == 1 && s.cores[0].top) {
            w(" LIMIT ");
            emit(*s.cores[0].top);
        }
    }

    // ---- statements -----------------------------------------------------------------
    void insert(Statement& s) {
        const std::vector<ColumnInfo>* cols = schema_.columns(s.table);
        std::vector<VType> types;
        std::vector<int> widths;
        if (!s.columns.empty()) {
            for (std::string_view c : s.columns) {
                VType t = VType::Unknown;
                int width = 0;
                if (cols)
                    for (const ColumnInfo& ci : *cols)
                        if (ieq(ci.name, c)) {
                            t = typeOfDecl(ci.declType);
                            width = widthOfDecl(ci.declType);
                        }
                types.push_back(t);
                widths.push_back(width);
            }
        } else if (cols) {
            for (const ColumnInfo& ci : *cols) {
                types.push_back(typeOfDecl(ci.declType));
                widths.push_back(widthOfDecl(ci.declType));
            }
        }
        w("INSERT INTO ");
        ident(s.table);
        if (!s.columns.empty()) {
            w(" (");
            for (size_t i = 0; i < s.columns.size(); ++i) {
                if (i) w(", ");
                ident(s.columns[i]);
            }
            w(")");
        }
        if (s.defaultValues) {
            w(" DEFAULT VALUES");
            return;
        }
        if (s.query) {
            annotateSelect(*s.query, nullptr, OutCtx::Insert, &types);
            w(" ");
            insertWidths_ = &widths;
            emitSelect(*s.query, false);
            return;
        }
        Scope* sc = newScope(nullptr);
        w(" VALUES ");
        for (size_t r = 0; r < s.rows.size(); ++r) {
            if (r) w(", ");
            w("(");
            auto& row = s.rows[r];
            for (size_t i = 0; i < row.size(); ++i) {
                annotate(*row[i], sc);
                Expr& x = strip(*row[i]);
                if (x.kind == EK::Lit) {
                    hint(x, i < types.size() ? types[i] : VType::Unknown);
                    x.plainValue = true;
                }
                if (i) w(", ");
                emitStored(*row[i], i < types.size() ? types[i] : VType::Unknown, i < widths.size() ? widths[i] : 0);
            }
            w(")");
        }
    }

    // A value stored into a column: a fractional number going into a text column is
    // written as the server writes it (3, not SQLite's 3.0); a text column of declared
    // width refuses a longer value as the server does (tsql_fit).
    void emitStored(const Expr& v, VType target, int width = 0) {
        if (width > 0) {
            w("tsql_fit(");
            emitStoredValue(v, target);
            w(", " + std::to_string(width) + ")");
            return;
        }
        emitStoredValue(v, target);
    }
    void emitStoredValue(const Expr& v, VType target) {
        const Expr& x = strip(v);
        const bool wholeLiteral = x.kind == EK::Lit && lx_.literals[static_cast<size_t>(x.lit)].cls == LitClass::Int;
        if (target != VType::Text || v.type != VType::Num || wholeLiteral) return emit(v);
        w("tsql_varchar(");
        emit(v);
        w(", NULL, -1)");
    }
    // The declared width of a column of `table` (see widthOfDecl).
    int columnWidth(std::string_view table, std::string_view column) {
        if (const std::vector<ColumnInfo>* cols = schema_.columns(table))
            for (const ColumnInfo& ci : *cols)
                if (ieq(ci.name, column)) return widthOfDecl(ci.declType);
        return 0;
    }

    // The column an assignment of UPDATE writes, checked against the updated table.
    std::string_view setColumn(const Assignment& a, std::string_view target, std::string_view table) const {
        if (a.target.size() > 2) unsupported("The SET target " + std::string(a.target[0]) + "." + std::string(a.target[1]) + ".");
        if (a.target.size() == 2 && !ieq(a.target[0], target) && !ieq(a.target[0], table))
            fail("The SET target " + std::string(a.target[0]) + "." + std::string(a.target[1]) +
                 " is not a column of the updated table " + std::string(target));
        return a.target.back();
    }

    static bool hasReferences(const Expr& e) {
        if (e.kind == EK::Col || e.kind == EK::Star || e.sub) return true;
        // The date part of DATEADD and its kin is a keyword, not a column.
        const size_t from = e.kind == EK::Func && (e.op == "DATEADD" || e.op == "DATEDIFF" || e.op == "DATEPART") ? 1 : 0;
        for (size_t i = from; i < e.a.size(); ++i)
            if (hasReferences(*e.a[i])) return true;
        return false;
    }

    // The FROM item of UPDATE/DELETE ... FROM that is the target itself: the one exposed
    // under the target's name. Null when the target is not repeated in FROM.
    static TableRef* findTarget(TableRef& r, std::string_view target) {
        switch (r.kind) {
            case TableRef::Table: return ieq(r.hasAlias ? r.alias : r.name, target) ? &r : nullptr;
            case TableRef::Join: {
                TableRef* l = findTarget(*r.left, target);
                return l ? l : findTarget(*r.right, target);
            }
            case TableRef::Group: return findTarget(*r.inner, target);
            default: return nullptr;
        }
    }

    struct JoinedTarget {
        std::string_view table;  // the table written to
        bool repeated = false;   // the target is one of the FROM items
    };

    // Prepares UPDATE/DELETE ... FROM: the statement's rows are those of the join, the
    // target row being the one the join holds. SQLite's own UPDATE ... FROM treats a
    // target repeated in FROM as a second instance, so the join runs as a subquery tied
    // to the target by rowid ("tsql_target" inside, "tsql_outer" outside).
    JoinedTarget prepareJoined(Statement& s, Scope*& sc) {
        JoinedTarget jt;
        jt.table = s.table;
        TableRef* inst = nullptr;
        for (auto& r : s.from)
            if ((inst = findTarget(*r, s.table))) break;
        Scope* outer = newScope(nullptr);
        if (inst) {
            jt.repeated = true;
            jt.table = inst->name;
            sc = annotateFrom(s.from, outer);
            // Another instance of the same table may keep its bare name: the outer
            // statement's table is only ever named tsql_outer.
            inst->source->emitName = "tsql_target";
        } else {
            Source* t = tableSource(s.table, s.table);
            t->emitName = "tsql_outer";
            outer->sources.push_back(t);
            sc = annotateFrom(s.from, outer);
        }
        return jt;
    }
    void joinedRows(const Statement& s, bool repeated) {
        // "FROM <from> [WHERE <where>]" of the subqueries
        w(" FROM ");
        emitFrom(s.from);
        if (s.where) {
            w(" WHERE ");
            emit(*s.where);
        }
        (void)repeated;
    }

    void update(Statement& s) {
        if (s.from.empty()) {
            Scope* sc = newScope(nullptr);
            Source* t = tableSource(s.table, s.table);
            sc->sources.push_back(t);
            w("UPDATE ");
            ident(s.table);
            w(" SET ");
            for (size_t i = 0; i < s.sets.size(); ++i) {
                const std::string_view col = setColumn(s.sets[i], s.table, s.table);
                const VType type = t->column(col).value_or(VType::Unknown);
                annotate(*s.sets[i].value, sc);
                hint(*s.sets[i].value, type);
                plain(*s.sets[i].value);
                if (i) w(", ");
                ident(col);
                w(" = ");
                emitStored(*s.sets[i].value, type, columnWidth(s.table, col));
            }
            if (s.where) {
                annotate(*s.where, sc);
                w(" WHERE ");
                emit(*s.where);
            }
            return;
        }
        Scope* sc = nullptr;
        const JoinedTarget jt = prepareJoined(s, sc);
        const std::vector<ColumnInfo>* cols = schema_.columns(jt.table);
        std::vector<std::string_view> setCols;
        std::vector<VType> setTypes;
        for (Assignment& a : s.sets) {
            const std::string_view col = setColumn(a, s.table, jt.table);
            setCols.push_back(col);
            annotate(*a.value, sc);
            VType t = VType::Unknown;
            if (cols)
                for (const ColumnInfo& ci : *cols)
                    if (ieq(ci.name, col)) t = typeOfDecl(ci.declType);
            setTypes.push_back(t);
            hint(*a.value, t);
            plain(*a.value);
        }
        if (s.where) annotate(*s.where, sc);

        w("UPDATE ");
        ident(jt.table);
        w(" AS tsql_outer SET ");
        for (size_t i = 0; i < s.sets.size(); ++i) {
            if (i) w(", ");
            ident(setCols[i]);
            w(" = ");
            const Expr& v = *s.sets[i].value;
            const int width = columnWidth(jt.table, setCols[i]);
            if (!hasReferences(v)) {
                emitStored(v, setTypes[i], width);
                continue;
            }
            // The value as the joined row gives it.
            w("(SELECT ");
            emitStored(v, setTypes[i], width);
            w(" FROM ");
            emitFrom(s.from);
            w(" WHERE ");
            if (s.where) {
                w("(");
                emit(*s.where);
                w(")");
                if (jt.repeated) w(" AND ");
            }
            if (jt.repeated) w("tsql_target.rowid = tsql_outer.rowid");
            else if (!s.where) w("1");
            w(" LIMIT 1)");
        }
        w(" WHERE ");
        joinedCondition(s, jt);
    }

    void joinedCondition(const Statement& s, const JoinedTarget& jt) {
        if (jt.repeated) {
            w("tsql_outer.rowid IN (SELECT tsql_target.rowid");
        } else {
            w("EXISTS (SELECT 1");
        }
        joinedRows(s, jt.repeated);
        w(")");
    }

    void remove(Statement& s) {
        if (s.from.empty()) {
            Scope* sc = newScope(nullptr);
            sc->sources.push_back(tableSource(s.table, s.table));
            w("DELETE FROM ");
            ident(s.table);
            if (s.where) {
                annotate(*s.where, sc);
                w(" WHERE ");
                emit(*s.where);
            }
            return;
        }
        Scope* sc = nullptr;
        const JoinedTarget jt = prepareJoined(s, sc);
        if (s.where) annotate(*s.where, sc);
        w("DELETE FROM ");
        ident(jt.table);
        w(" AS tsql_outer WHERE ");
        joinedCondition(s, jt);
    }

    // ALTER TABLE t DISABLE/ENABLE TRIGGER x: the schema's triggers stay silent while
    // their name is in wSys_Trigger_Disabilitati. The name stored is the trigger's own
    // (as the schema spells it); an unknown trigger fails as on the server.
    void alterTrigger(const Statement& s) {
        const std::string table(s.table), trig(s.trigger);
        auto lit = [&](const std::string& v) {
            std::string q = "'";
            for (char c : v) {
                if (c == '\'') q.push_back('\'');
                q.push_back(c);
            }
            return q + "'";
        };
        const std::string triggers = "SELECT name FROM sqlite_master WHERE type = 'trigger' AND tbl_name = " +
                                     lit(table) + " COLLATE NOCASE";
        if (s.trigger.empty()) {
            const std::string check = " UNION ALL SELECT tsql_error(" +
                                      lit("Cannot find the table '" + table + "' to alter its triggers.") +
                                      ") WHERE NOT EXISTS (SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') AND name = " +
                                      lit(table) + " COLLATE NOCASE)";
            if (s.enable) w("DELETE FROM wSys_Trigger_Disabilitati WHERE Nome_Trigger IN (" + triggers + check + ")");
            else w("INSERT OR IGNORE INTO wSys_Trigger_Disabilitati (Nome_Trigger) " + triggers + check);
            return;
        }
        const std::string named = "coalesce((" + triggers + " AND name = " + lit(trig) +
                                  " COLLATE NOCASE), tsql_error(" +
                                  lit("Cannot " + std::string(s.enable ? "enable" : "disable") + " trigger '" + trig +
                                      "': it does not exist on table '" + table + "'.") +
                                  "))";
        if (s.enable) w("DELETE FROM wSys_Trigger_Disabilitati WHERE Nome_Trigger = (SELECT " + named + ")");
        else w("INSERT OR IGNORE INTO wSys_Trigger_Disabilitati (Nome_Trigger) SELECT " + named);
    }

    // exec Stato_Cliente <mode>, <member>, <today>, <second date>: the member's status
    // (Anagrafica_Clienti.Stato) from the member tables:
    //   1 ABBONATO    a subscription (Gestione_Iscrizioni) running today: started, not
    //                 expired (Scaduta=0), its end date today or later or none;
    //   5 IN RINNOVO  otherwise a subscription that starts after today (sold in advance)
    //                 or one whose end date fell between the second date (today minus
    //                 the days of grace) and yesterday;
    //   3 EX CLIENTE  otherwise any older subscription;
    //   2 OCCASIONALE otherwise any attendance (Presenze) or add-on (Gestione_Aggiunte);
    //   4 PROSPECT    otherwise (never subscribed, never came).
    // A code that names no member gives Null; a mode other than 1 fails. A missing date
    // reads as today, a missing second date as the first.
    void exec(Statement& s) {
        if (!ieq(s.procedure, "Stato_Cliente"))
            fail("The procedure " + std::string(s.procedure) +
                 " does not exist in the embedded engine (it provides Stato_Cliente only)");
        if (s.args.size() != 4)
            fail("Stato_Cliente expects 4 arguments (mode, member code, today, second date), was given " +
                 std::to_string(s.args.size()));
        procedure_ = "Stato_Cliente";
        Scope* sc = newScope(nullptr);
        for (size_t i = 0; i < 4; ++i) {
            annotate(*s.args[i], sc);
            if (i < 2) plainNotDate(*s.args[i]);
            else plainDate(*s.args[i]);
        }
        w("WITH tsql_args(Modo, Codice, Oggi, Dal) AS (SELECT ");
        emit(*s.args[0]);
        w(", ");
        emit(*s.args[1]);
        w(", coalesce(tsql_set_data(");
        emit(*s.args[2]);
        w("), tsql_set_data(tsql_getdate())), coalesce(tsql_set_data(");
        emit(*s.args[3]);
        w("), tsql_set_data(");
        emit(*s.args[2]);
        w("), tsql_set_data(tsql_getdate()))) SELECT CASE"
          " WHEN p.Modo IS NULL OR p.Modo <> 1 THEN tsql_error('Stato_Cliente: mode ' || ifnull(p.Modo, 'Null') || ' is not supported')"
          " WHEN NOT EXISTS (SELECT 1 FROM Anagrafica_Clienti AS c WHERE c.Codice_Cliente = p.Codice) THEN NULL"
          " WHEN EXISTS (SELECT 1 FROM Gestione_Iscrizioni AS i WHERE i.Codice_Cliente = p.Codice AND i.Scaduta = 0"
          " AND i.Data_Inizio <= p.Oggi AND (i.Data_Fine IS NULL OR i.Data_Fine >= p.Oggi)) THEN 1"
          " WHEN EXISTS (SELECT 1 FROM Gestione_Iscrizioni AS i WHERE i.Codice_Cliente = p.Codice"
          " AND (i.Data_Inizio > p.Oggi OR (i.Data_Fine >= p.Dal AND i.Data_Fine < p.Oggi))) THEN 5"
          " WHEN EXISTS (SELECT 1 FROM Gestione_Iscrizioni AS i WHERE i.Codice_Cliente = p.Codice) THEN 3"
          " WHEN EXISTS (SELECT 1 FROM Presenze AS x WHERE x.Codice_Cliente = p.Codice)"
          " OR EXISTS (SELECT 1 FROM Gestione_Aggiunte AS g WHERE g.Codice_Cliente = p.Codice) THEN 2"
          " ELSE 4 END AS Stato FROM tsql_args AS p");
    }

    const Lexed& lx_;
    SchemaLookup& schema_;
    bool inline_;
    std::string out_;
    std::vector<int8_t> bindOf_;
    std::deque<Source> sources_;
    std::deque<Scope> scopes_;
    std::vector<int> inlined_;
    std::string procedure_;
    const std::vector<int>* insertWidths_ = nullptr;
};

}  // namespace

Translation translateStatement(const Lexed& lexed, SchemaLookup& schema, bool inlineLiterals) {
    Parsed p = parse(lexed);
    return Emitter(lexed, schema, inlineLiterals).run(p);
}

}  // namespace velaris::tsql
