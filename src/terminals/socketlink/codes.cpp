#include "terminals/socketlink/codes.h"

#include <vector>

namespace velaris {

namespace {
constexpr char kStx = '\x02';
constexpr char kEtx = '\x03';

std::vector<std::string_view> split(std::string_view text, char sep) {
    std::vector<std::string_view> out;
    size_t from = 0;
    for (;;) {
        const size_t p = text.find(sep, from);
        if (p == std::string_view::npos) {
            out.push_back(text.substr(from));
            return out;
        }
        out.push_back(text.substr(from, p - from));
        from = p + 1;
    }
}

// The printable form of a record field for a log line: control bytes as '?', bounded.
std::string printable(std::string_view s) {
    std::string out;
    for (char c : s.substr(0, 32)) out.push_back(static_cast<unsigned char>(c) < 0x20 ? '?' : c);
    return out;
}

std::optional<std::string> hexCode(std::string_view hex, bool invert, int width, std::string* problem) {
    const std::string digits = invert ? HexInvert(hex) : std::string(hex);
    const auto value = HextoDec(digits);
    if (!value) {
        if (problem) *problem = "Codice esadecimale non valido: '" + printable(hex) + "'";
        return std::nullopt;
    }
    return RiempiTronca(Value(wholeNumberText(*value)), width, "0", "s");
}
}  // namespace

std::optional<std::string> decodeRecord(std::string_view record, std::string* problem) {
    if (problem) problem->clear();
    if (!record.empty() && record.back() == kEtx) record.remove_suffix(1);
    if (record.size() < 3 || record[0] != kStx || record.substr(1, 2) != "2M") return std::nullopt;
    const auto fields = split(record, '|');
    if (fields.size() < 3) {
        if (problem) *problem = "Record senza formato del codice";
        return std::nullopt;
    }
    const std::string_view format = fields[2];
    if (format == "H") {
        if (fields.size() < 6) {
            if (problem) *problem = "Record H senza il campo del codice";
            return std::nullopt;
        }
        return hexCode(fields[5].substr(0, 8), true, 10, problem);
    }
    if (format == "L") {
        if (fields.size() < 4) {
            if (problem) *problem = "Record L senza il campo del codice";
            return std::nullopt;
        }
        return hexCode(fields[3].substr(0, 10), false, 14, problem);
    }
    return std::nullopt;
}

}  // namespace velaris
