#include "terminals/httppush/http_request.h"

#include <cmath>
#include <vector>

#include "base/value.h"
#include "terminals/transport/wire_text.h"

namespace velaris {

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Content-Length of a head: 0 when absent, nothing when malformed or contradictory.
std::optional<size_t> contentLength(std::string_view head, bool& chunked) {
    std::optional<size_t> length;
    size_t pos = head.find('\n');  // headers start after the request line
    while (pos != std::string_view::npos) {
        const size_t from = pos + 1;
        pos = head.find('\n', from);
        const std::string_view line = head.substr(from, pos == std::string_view::npos ? head.npos : pos - from);
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view name = trim(line.substr(0, colon));
        const std::string_view value = trim(line.substr(colon + 1));
        if (iequals(name, "transfer-encoding")) {
            if (!iequals(value, "identity")) chunked = true;
        } else if (iequals(name, "content-length")) {
            if (value.empty() || value.size() > 9) return std::nullopt;
            size_t n = 0;
            for (char c : value) {
                if (c < '0' || c > '9') return std::nullopt;
                n = n * 10 + static_cast<size_t>(c - '0');
            }
            if (length && *length != n) return std::nullopt;
            length = n;
        }
    }
    return length.value_or(0);
}

// "key=value&..." within `params`, `key` at a parameter start; the value runs to the next
// "&" or the end. `found` tells an empty value from an absent key.
std::string parameterIn(std::string_view params, std::string_view key, bool& found) {
    found = false;
    const std::string probe = std::string(key) + "=";
    size_t from = 0;
    while ((from = params.find(probe, from)) != std::string_view::npos) {
        if (from == 0 || params[from - 1] == '&') {
            found = true;
            // ReadUntil wants a delimiter after the value: the end of the parameters is one.
            std::string text(params);
            text.push_back('&');
            return ReadUntil(text, "&", static_cast<int>(from + probe.size() + 1));
        }
        from += 1;
    }
    return {};
}

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

bool blank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

}  // namespace

void HttpFramer::append(std::string_view bytes) {
    if (error_ != Error::None) return;
    if (start_ > 0 && start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    } else if (start_ > limit_) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    buffer_.append(bytes);
}

std::optional<HttpRequest> HttpFramer::next() {
    if (error_ != Error::None) return std::nullopt;
    while (start_ < buffer_.size() && (buffer_[start_] == '\r' || buffer_[start_] == '\n')) {
        ++start_;
        scanned_ = 0;
    }
    const std::string_view data = std::string_view(buffer_).substr(start_);

    // Look for the blank line, resuming where the last look stopped (less 3 bytes, so a
    // terminator split across reads is still found).
    const size_t from = scanned_ > 3 ? scanned_ - 3 : 0;
    size_t headEnd = std::string_view::npos, bodyStart = 0;
    for (size_t i = from; i < data.size(); ++i) {
        if (data[i] != '\n') continue;
        if (i + 1 < data.size() && data[i + 1] == '\n') {
            headEnd = i;
            bodyStart = i + 2;
            break;
        }
        if (i + 2 < data.size() && data[i + 1] == '\r' && data[i + 2] == '\n') {
            headEnd = i > 0 && data[i - 1] == '\r' ? i - 1 : i;
            bodyStart = i + 3;
            break;
        }
    }
    if (headEnd == std::string_view::npos) {
        scanned_ = data.size();
        if (data.size() > limit_) error_ = Error::TooLarge;
        return std::nullopt;
    }
    const std::string_view head = data.substr(0, headEnd);
    bool chunked = false;
    const auto length = contentLength(head, chunked);
    if (!length) {
        error_ = Error::BadLength;
        return std::nullopt;
    }
    if (chunked) {
        error_ = Error::Unsupported;
        return std::nullopt;
    }
    if (bodyStart + *length > limit_) {
        error_ = Error::TooLarge;
        return std::nullopt;
    }
    if (data.size() < bodyStart + *length) {
        scanned_ = headEnd;  // the blank line is found again once the body is complete
        return std::nullopt;
    }

    HttpRequest r;
    r.head = std::string(head);
    r.body = std::string(data.substr(bodyStart, *length));
    const std::string_view line = head.substr(0, head.find_first_of("\r\n"));
    const auto words = split(line, ' ');
    r.method = std::string(words[0]);
    size_t t = 1;
    while (t < words.size() && words[t].empty()) ++t;
    r.target = std::string(t < words.size() ? words[t] : line);
    start_ += bodyStart + *length;
    scanned_ = 0;
    return r;
}

std::string describe(HttpFramer::Error error, size_t limit) {
    switch (error) {
        case HttpFramer::Error::None: return {};
        case HttpFramer::Error::TooLarge:
            return "Richiesta oltre " + std::to_string(limit) + " byte, connessione chiusa";
        case HttpFramer::Error::BadLength: return "Content-Length non valido, connessione chiusa";
        case HttpFramer::Error::Unsupported: return "Transfer-Encoding non gestito, connessione chiusa";
    }
    return {};
}

std::string requestParameter(const HttpRequest& request, std::string_view key) {
    bool found = false;
    std::string_view target = request.target;
    if (const size_t q = target.find('?'); q != std::string_view::npos) {
        std::string_view query = target.substr(q + 1);
        query = query.substr(0, query.find('#'));
        std::string v = parameterIn(query, key, found);
        if (found) return v;
    }
    std::string_view body = request.body;
    while (!body.empty() && (body.back() == '\r' || body.back() == '\n')) body.remove_suffix(1);
    return parameterIn(body, key, found);
}

std::optional<std::string> onlineCode(std::string_view trsn) {
    const auto fields = split(trsn, ',');
    if (fields.size() < 5) return std::nullopt;
    if (fields.size() >= 15 && !blank(fields[14]) && fields[14].size() - 1 > fields[4].size())
        return std::string(fields[14].substr(1));
    return std::string(fields[4]);
}

IdConversion terminalId(std::string_view text) {
    IdConversion r;
    const auto n = parseNumber(text);
    if (!n || !std::isfinite(*n)) {
        r.errorNumber = 13;
        r.errorDescription = "Type mismatch";
        return r;
    }
    if (*n < -32768.5 || *n >= 32767.5) {
        r.errorNumber = 6;
        r.errorDescription = "Overflow";
        return r;
    }
    const int64_t v = roundHalfEven(*n);
    if (v < -32768 || v > 32767) {
        r.errorNumber = 6;
        r.errorDescription = "Overflow";
        return r;
    }
    r.value = static_cast<int>(v);
    return r;
}

PushAction routeRequest(const HttpRequest& request) {
    PushAction a;
    const std::string_view target = request.target;
    if (target.find("/batch") != std::string_view::npos) {
        a.kind = PushAction::Kind::Batch;
        return a;
    }
    if (target.find("/keepalive") != std::string_view::npos) {
        a.kind = PushAction::Kind::Keepalive;
        a.id = requestParameter(request, "id");
        return a;
    }
    if (target.find("/online") == std::string_view::npos) return a;

    const std::string trsn = requestParameter(request, "trsn");
    const auto id = terminalId(requestParameter(request, "id"));
    if (!id.value) {
        a.kind = PushAction::Kind::Error;
        a.errorNumber = id.errorNumber;
        a.errorDescription = id.errorDescription;
        return a;
    }
    const auto code = onlineCode(trsn);
    if (!code) {
        a.kind = PushAction::Kind::Error;
        a.errorNumber = 9;
        a.errorDescription = "Subscript out of range";
        return a;
    }
    if (blank(*code)) return a;
    a.kind = PushAction::Kind::Online;
    a.address = *id.value;
    a.code = *code;
    return a;
}

}  // namespace velaris
