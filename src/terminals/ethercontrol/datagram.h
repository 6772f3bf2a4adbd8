#pragma once
// The datagrams exchanged with the Ethernet terminal controllers:
//
//   ECT|<seq>|<address>|<kind>|<payload>
//
// seq: a counter of the sender (0..2147483647) that the ACK repeats; address: the terminal
// behind the controller (1..65535); kind: MSG (a text for or from a terminal) or ACK (MSG
// <seq> arrived; no payload). A MSG from a controller carries the terminal's data with its
// leading kind character. The payload is everything after the fourth '|' and is
// Windows-1252 text. docs/ethercontrol.md describes the exchange.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velaris::ethercontrol {

enum class Kind { Msg, Ack };

struct Datagram {
    uint32_t seq = 0;
    int address = 0;
    Kind kind = Kind::Msg;
    std::string payload;  // Windows-1252 bytes
};

inline constexpr std::string_view kMagic = "ECT";
inline constexpr uint32_t kMaxSeq = 0x7FFFFFFF;
inline constexpr std::size_t kMaxDatagram = 2048;

std::string encode(const Datagram& d);
// Nothing when the bytes are not a well-formed datagram.
std::optional<Datagram> decode(std::string_view bytes);

}  // namespace velaris::ethercontrol
