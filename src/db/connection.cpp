#include "db/connection.h"

namespace velaris {

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

int Recordset::fieldIndex(std::string_view name) const {
    const int n = fieldCount();
    for (int i = 0; i < n; ++i)
        if (sameName(fieldName(i), name)) return i;
    return -1;
}

const Value& Recordset::field(std::string_view name) const {
    const int i = fieldIndex(name);
    if (i < 0) throw DbError(3265, "Item cannot be found in the collection corresponding to the requested name or ordinal: " + std::string(name));
    return field(i);
}

ResultTable readAll(Recordset& rs) {
    ResultTable t;
    for (int i = 0; i < rs.fieldCount(); ++i) t.columns.push_back(rs.fieldName(i));
    while (!rs.eof()) {
        std::vector<Value> row;
        row.reserve(t.columns.size());
        for (int i = 0; i < rs.fieldCount(); ++i) row.push_back(rs.field(i));
        t.rows.push_back(std::move(row));
        rs.moveNext();
    }
    return t;
}

}  // namespace velaris
