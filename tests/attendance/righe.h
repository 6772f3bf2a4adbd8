#pragma once
// Query results as text, so that one assertion states a whole row: fields joined by "|",
// rows by "; ", dates in their canonical form whichever engine returns them.

#include <sstream>
#include <string>

#include "support/fake_links.h"

namespace velaris::test {

inline std::string testo(const Value& v) {
    if (auto d = v.toDate(); d && v.isDate()) return d->canonical();
    if (v.kind() == Value::Kind::Bool) return std::to_string(v.toInt());  // bit columns read as numbers
    return v.toText();
}

inline std::string righe(SystemFixture& x, const std::string& sql) {
    std::string out;
    for (auto rs = x.f.db.open(sql); !rs->eof(); rs->moveNext()) {
        if (!out.empty()) out += "; ";
        for (int i = 0; i < rs->fieldCount(); ++i) out += (i ? "|" : "") + testo(rs->field(i));
    }
    return out;
}

// Row counts of the tables named (separated by spaces), as "n|n|...".
inline std::string conti(SystemFixture& x, const std::string& tabelle) {
    std::string sql, t;
    for (std::istringstream in(tabelle); in >> t;)
        sql += (sql.empty() ? "SELECT (SELECT Count(*) FROM " : ", (SELECT Count(*) FROM ") + t + ")";
    return righe(x, sql);
}

}  // namespace velaris::test
