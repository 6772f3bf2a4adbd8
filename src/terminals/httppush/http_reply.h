#pragma once
// What the server writes to an HTTP-push terminal: the response header block and the
// bodies of the replies. Bodies are built in UTF-8; httpResponse converts to the wire's
// Windows-1252 and counts Content-Length on the converted bytes.

#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/value.h"

namespace velaris {

// How often the terminals are told to poll, in seconds.
constexpr int kKeepalivePeriod = 5;

// "HTTP/1.1 200 OK", the fixed headers, "Content-Length", a "Date" with the local time
// (Italian day and month names, labelled GMT as the terminals expect), a blank line, then
// the body. Returns the bytes to put on the wire.
std::string httpResponse(std::string_view bodyUtf8, const Clock& clock);

// Reply to "/keepalive": greeting, date, time and the poll period.
std::string keepaliveBody(const Clock& clock);
// Reply to "/batch": the uploaded reads are acknowledged and not used.
std::string batchBody();
// A message for the terminal's display or relays as the sender delivers it: a text
// beginning with "relay" is a relay command line, shown as an opening notice with a
// beep; any other text goes to the screen as is.
std::string pushMessageBody(std::string_view message);
// The verdict of a check at an HTTP-push terminal: go opens relay 1 for `tempoVai`
// with one beep, stop beeps three times; both clear the screen.
std::string releBody(bool go, const Value& tempoVai);
// A read answered without a verdict: the screen goes back to idle, no beep, no relay.
std::string idleBody();

}  // namespace velaris
