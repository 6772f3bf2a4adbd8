#pragma once
// The requests of the HTTP-push terminals: cutting the byte stream of a connection into
// whole requests, and deciding what each one asks for. No sockets here, so both can be
// driven byte by byte in tests and by the fuzzer.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velaris {

// One request as it came on the wire (Windows-1252 bytes).
struct HttpRequest {
    std::string method;   // "GET", "POST", ... (whatever the request line says)
    std::string target;   // "/online?id=3&trsn=..."; the whole request line when it has no target
    std::string head;     // request line and headers, without the blank line
    std::string body;     // Content-Length bytes after the blank line
};

// Frames requests: request line and headers up to the blank line (CR LF CR LF, or a bare
// LF LF from sloppy clients), then Content-Length bytes of body. Stray CR/LF between
// requests are skipped. A request larger than the bound, a malformed Content-Length or a
// chunked body puts the framer in error: the connection must be closed.
class HttpFramer {
public:
    static constexpr size_t kDefaultLimit = 16 * 1024;
    enum class Error { None, TooLarge, BadLength, Unsupported };

    explicit HttpFramer(size_t limit = kDefaultLimit) : limit_(limit) {}

    void append(std::string_view bytes);
    // The next whole request, if one is buffered and no error occurred.
    std::optional<HttpRequest> next();
    Error error() const { return error_; }
    size_t buffered() const { return buffer_.size() - start_; }
    size_t limit() const { return limit_; }

private:
    size_t limit_;
    std::string buffer_;
    size_t start_ = 0;    // first byte not yet consumed
    size_t scanned_ = 0;  // bytes after start_ already searched for the blank line
    Error error_ = Error::None;
};

// Italian description of a framing error, for the event log.
std::string describe(HttpFramer::Error error, size_t limit);

// What a request asks of the server.
struct PushAction {
    enum class Kind {
        None,       // no known path, or an "/online" without a code: no reply
        Batch,      // stored reads uploaded: acknowledge
        Keepalive,  // poll: answer with date, time and period; remember `id`
        Online,     // a read: `code` from the terminal at `address`
        Error,      // a request that cannot be handled: log `errorNumber` `errorDescription`
    };
    Kind kind = Kind::None;
    std::string id;    // Keepalive: the id value as sent (may be blank)
    int address = 0;   // Online
    std::string code;  // Online, wire text
    long errorNumber = 0;
    std::string errorDescription;
};

// The value of `key` ("id", "trsn") in the query of the target or, failing that, in the
// body: the text after "key=" up to the next "&" or the end of the parameters. The key
// must start a parameter (so "id" does not match inside "devid="). Empty when absent.
std::string requestParameter(const HttpRequest& request, std::string_view key);

// The code carried by an "/online" trsn value: field 4 of its comma-separated fields,
// or field 14 without its first character when there are at least 15 fields and that
// is longer than field 4. Nothing when there are fewer than 5 fields.
std::optional<std::string> onlineCode(std::string_view trsn);

// The terminal id as a 16-bit whole number, the way the workstation converts a text:
// blanks allowed, a decimal part rounded half to even. Error 13 (type mismatch) for a
// text that is no number, 6 (overflow) outside -32768..32767.
struct IdConversion {
    std::optional<int> value;
    long errorNumber = 0;
    std::string errorDescription;
};
IdConversion terminalId(std::string_view text);

// Decides what `request` asks for. The path is matched within the request target:
// "/batch" first, then "/keepalive", then "/online".
PushAction routeRequest(const HttpRequest& request);

}  // namespace velaris
