#pragma once
// The simulator's side of the terminal protocols: script commands, what a terminal sends
// for a read on each link kind, and the HTTP responses of the push server.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velaris::terminale {

// One line of the script.
struct Command {
    enum class Kind { None, Read, Wait, Keepalive, Raw, Quit };
    Kind kind = Kind::None;
    int id = 0;
    std::string text;      // Read: the code (UTF-8); Raw: the bytes to send (Windows-1252)
    double seconds = 0;    // Wait
};

// Blank lines and lines starting with '#' are Kind::None. Nothing (and `error` set) for a
// line that is not a command:
//   read <id> <code>     the terminal reads a code (card or keypad)
//   raw <id> <text>      the terminal sends <text> as its message (\xNN, \r, \n, \t, \\ escapes)
//   keepalive <id>       push terminals: poll now
//   wait <seconds>       pause the script (fractions allowed, at most one hour)
//   quit                 end after the drain wait
std::optional<Command> parseCommand(std::string_view line, std::string& error);

// "\x0C" style escapes of a raw text resolved.
std::string unescape(std::string_view text);

// NET92: the text a terminal sends for a read (its leading character, the code, " -X").
std::string net92ReadText(std::string_view code);
// Controller: the data of a read (its leading kind character, then the code).
std::string controllerReadText(std::string_view code);

// TCP record terminals: the record for a read of a decimal code, in format 'H' (the value
// as 8 hex digits, byte order reversed, in field 5) or 'L' (10 hex digits in field 3).
// Nothing, with `error`, when the code is not a number the format can carry.
std::optional<std::string> recordForRead(std::string_view code, char format, std::string& error);
// The terminal's answer to the client link's probe.
std::string probeAnswer();

// HTTP push terminals.
std::string keepaliveRequest(int id, std::string_view host);
std::string onlineRequest(int id, std::string_view code, std::string_view host);

struct HttpResponse {
    int status = 0;
    std::string body;  // Windows-1252 bytes
};

// Cuts a stream of HTTP responses (a header block, then Content-Length bytes of body);
// responses arrive both as answers and unsolicited.
class HttpResponseReader {
public:
    static constexpr std::size_t kHeaderLimit = 16 * 1024;
    static constexpr std::size_t kBodyLimit = 1024 * 1024;

    void append(std::string_view bytes) { buffer_.append(bytes); }
    std::optional<HttpResponse> next();
    // The stream cannot be understood any more (oversized or malformed header).
    bool failed() const { return failed_; }

private:
    std::string buffer_;
    bool failed_ = false;
};

// The body lines worth showing (the banner, the date and time of a keepalive answer and
// blank lines left out), and the keepalive period when the body sets one (else 0).
std::vector<std::string> bodyItems(std::string_view body, int& keepalivePeriod);

}  // namespace velaris::terminale
