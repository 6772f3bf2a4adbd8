#include "terminals/httppush/http_reply.h"

#include "base/format.h"
#include "terminals/transport/cp1252.h"

namespace velaris {

namespace {
constexpr const char* kCrLf = "\r\n";
constexpr const char* kClearScreen = "\x18";  // CAN: the terminals' clear-screen control
std::string periodLine() { return "keepaliveperiod=" + std::to_string(kKeepalivePeriod) + kCrLf; }
}  // namespace

std::string httpResponse(std::string_view bodyUtf8, const Clock& clock) {
    const std::string body = utf8ToCp1252(bodyUtf8);
    const DateTime now = clock.now();
    std::string out;
    out.reserve(160 + body.size());
    out += "HTTP/1.1 200 OK";
    out += kCrLf;
    out += "Server: Microsoft-HTTPAPI/1.0";
    out += kCrLf;
    out += "Content-Type: text/plain";
    out += kCrLf;
    out += "Content-Length: " + std::to_string(body.size());
    out += kCrLf;
    out += "Date: " + formatDate(now, "ddd, dd mmm yyyy") + " " + formatDate(now, "hh:nn:ss") + " GMT";
    out += kCrLf;
    out += kCrLf;
    out += body;
    return out;
}

std::string keepaliveBody(const Clock& clock) {
    const DateTime now = clock.now();
    return std::string("VELARIS Accessi") + kCrLf + "date=" + formatDate(now, "yyyymmdd") + kCrLf +
           "time=" + formatDate(now, "hhnnss") + kCrLf + periodLine();
}

std::string batchBody() { return std::string("ack=1") + kCrLf; }

std::string pushMessageBody(std::string_view message) {
    std::string body;
    if (message.substr(0, 5) == "relay")
        body = std::string("screen=") + kClearScreen + "RAPERTURA DISPOSITIVO" + kCrLf + std::string(message) + kCrLf + "beep=1" + kCrLf;
    else
        body = "screen=" + std::string(message);
    return std::string("VELARIS. Accessi") + kCrLf + body + kCrLf + periodLine();
}

std::string releBody(bool go, const Value& tempoVai) {
    std::string body = std::string("VELARIS. Accessi") + kCrLf;
    if (go)
        body += std::string("beep=1") + kCrLf + "screen=" + kClearScreen + kCrLf + "relay1=" + tempoVai.toText() + kCrLf;
    else
        body += std::string("beep=3") + kCrLf + "screen=" + kClearScreen + kCrLf;
    return body + periodLine();
}

std::string idleBody() {
    return std::string("VELARIS. Accessi") + kCrLf + "screen=" + kClearScreen + kCrLf + periodLine();
}

}  // namespace velaris
