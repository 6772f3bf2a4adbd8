#include "terminale/protocol.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "terminals/transport/cp1252.h"

namespace velaris::terminale {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// The first blank-separated word of `s`, removed from it.
std::string_view word(std::string_view& s) {
    s = trim(s);
    std::size_t n = 0;
    while (n < s.size() && !std::isspace(static_cast<unsigned char>(s[n]))) ++n;
    const std::string_view w = s.substr(0, n);
    s.remove_prefix(n);
    return w;
}

std::optional<int> terminalId(std::string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v < 1 || v > 65535) return std::nullopt;
    return v;
}

std::optional<unsigned long long> decimal(std::string_view code) {
    if (code.empty() || code.size() > 19) return std::nullopt;
    unsigned long long v = 0;
    for (char c : code) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    return v;
}

std::string hex(unsigned long long v, int digits) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*llX", digits, v);
    return buf;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

}  // namespace

std::optional<Command> parseCommand(std::string_view line, std::string& error) {
    std::string_view rest = trim(line);
    Command c;
    if (rest.empty() || rest.front() == '#') return c;
    const std::string_view verb = word(rest);
    auto needId = [&]() -> bool {
        const auto id = terminalId(word(rest));
        if (!id) {
            error = "'" + std::string(verb) + "' needs a terminal id (1-65535)";
            return false;
        }
        c.id = *id;
        return true;
    };
    if (verb == "read") {
        if (!needId()) return std::nullopt;
        c.kind = Command::Kind::Read;
        c.text = std::string(word(rest));
        if (c.text.empty() || !trim(rest).empty()) {
            error = "usage: read <id> <code>";
            return std::nullopt;
        }
        return c;
    }
    if (verb == "raw") {
        if (!needId()) return std::nullopt;
        c.kind = Command::Kind::Raw;
        // Escapes give exact wire bytes; the rest of the text is converted to the wire's code page.
        c.text = unescape(utf8ToCp1252(trim(rest)));
        if (c.text.empty()) {
            error = "usage: raw <id> <text>";
            return std::nullopt;
        }
        return c;
    }
    if (verb == "keepalive") {
        if (!needId()) return std::nullopt;
        c.kind = Command::Kind::Keepalive;
        return c;
    }
    if (verb == "wait") {
        const std::string w(word(rest));
        char* end = nullptr;
        const double s = w.empty() ? -1 : std::strtod(w.c_str(), &end);
        if (w.empty() || *end != '\0' || !(s >= 0 && s <= 3600) || !trim(rest).empty()) {
            error = "usage: wait <seconds> (0 to 3600)";
            return std::nullopt;
        }
        c.kind = Command::Kind::Wait;
        c.seconds = s;
        return c;
    }
    if (verb == "quit" || verb == "exit") {
        c.kind = Command::Kind::Quit;
        return c;
    }
    error = "unknown command '" + std::string(verb) + "' (read, raw, keepalive, wait, quit)";
    return std::nullopt;
}

std::string unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out.push_back(text[i]);
            continue;
        }
        const char n = text[++i];
        switch (n) {
            case 'r': out.push_back('\r'); break;
            case 'n': out.push_back('\n'); break;
            case 't': out.push_back('\t'); break;
            case '\\': out.push_back('\\'); break;
            case 'x':
                if (i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
                    std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
                    out.push_back(static_cast<char>(std::strtol(std::string(text.substr(i + 1, 2)).c_str(), nullptr, 16)));
                    i += 2;
                    break;
                }
                [[fallthrough]];
            default:
                out.push_back('\\');
                out.push_back(n);
        }
    }
    return out;
}

std::string net92ReadText(std::string_view code) { return "A" + std::string(code) + " -X"; }

std::string controllerReadText(std::string_view code) { return "A" + std::string(code); }

std::optional<std::string> recordForRead(std::string_view code, char format, std::string& error) {
    const auto v = decimal(code);
    if (format == 'H') {
        if (!v || *v > 0xFFFFFFFFull) {
            error = "format H carries decimal codes up to 4294967295";
            return std::nullopt;
        }
        const std::string h = hex(*v, 8);
        const std::string reversed = h.substr(6, 2) + h.substr(4, 2) + h.substr(2, 2) + h.substr(0, 2);
        return "\x02" "2M|01|H|0000000000|00|" + reversed + "|00\x03";
    }
    if (format == 'L') {
        if (!v || *v > 0xFFFFFFFFFFull) {
            error = "format L carries decimal codes up to 1099511627775";
            return std::nullopt;
        }
        return "\x02" "2M|01|L|" + hex(*v, 10) + "|00|00000000|00\x03";
    }
    error = "record format must be H or L";
    return std::nullopt;
}

std::string probeAnswer() { return "\x02" "27|00" "\x03"; }

std::string keepaliveRequest(int id, std::string_view host) {
    return "GET /keepalive?id=" + std::to_string(id) + " HTTP/1.1\r\nHost: " + std::string(host) + "\r\n\r\n";
}

std::string onlineRequest(int id, std::string_view code, std::string_view host) {
    return "GET /online?trsn=0,0,0,0," + std::string(code) + "&id=" + std::to_string(id) + "& HTTP/1.1\r\nHost: " +
           std::string(host) + "\r\n\r\n";
}

std::optional<HttpResponse> HttpResponseReader::next() {
    if (failed_) return std::nullopt;
    // Line breaks left between two responses are not part of either.
    std::size_t start = 0;
    while (start < buffer_.size() && (buffer_[start] == '\r' || buffer_[start] == '\n')) ++start;
    buffer_.erase(0, start);
    const std::size_t end = buffer_.find("\r\n\r\n");
    if (end == std::string::npos) {
        if (buffer_.size() > kHeaderLimit) failed_ = true;
        return std::nullopt;
    }
    const std::string_view head(buffer_.data(), end);
    HttpResponse r;
    if (head.substr(0, 5) != "HTTP/" || head.find(' ') == std::string_view::npos) {
        failed_ = true;
        return std::nullopt;
    }
    r.status = std::atoi(std::string(head.substr(head.find(' ') + 1, 3)).c_str());
    std::size_t length = 0;
    std::size_t pos = head.find("\r\n");
    while (pos != std::string_view::npos && pos < head.size()) {
        const std::size_t eol = head.find("\r\n", pos + 2);
        const std::string_view line = head.substr(pos + 2, (eol == std::string_view::npos ? head.size() : eol) - pos - 2);
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos && equalsNoCase(trim(line.substr(0, colon)), "Content-Length")) {
            const auto n = decimal(trim(line.substr(colon + 1)));
            if (!n || *n > kBodyLimit) {
                failed_ = true;
                return std::nullopt;
            }
            length = static_cast<std::size_t>(*n);
        }
        pos = eol;
    }
    if (buffer_.size() < end + 4 + length) return std::nullopt;
    r.body = buffer_.substr(end + 4, length);
    buffer_.erase(0, end + 4 + length);
    return r;
}

std::vector<std::string> bodyItems(std::string_view body, int& keepalivePeriod) {
    keepalivePeriod = 0;
    std::vector<std::string> items;
    std::size_t pos = 0;
    bool first = true;
    while (pos <= body.size()) {
        std::size_t eol = body.find('\n', pos);
        if (eol == std::string_view::npos) eol = body.size();
        std::string_view line = body.substr(pos, eol - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos = eol + 1;
        const bool banner = first && line.find('=') == std::string_view::npos;
        first = false;
        if (line.empty() || banner) continue;
        if (line.substr(0, 16) == "keepaliveperiod=") {
            keepalivePeriod = std::atoi(std::string(line.substr(16)).c_str());
            continue;
        }
        if (line.substr(0, 5) == "date=" || line.substr(0, 5) == "time=") continue;
        items.emplace_back(line);
    }
    return items;
}

}  // namespace velaris::terminale
