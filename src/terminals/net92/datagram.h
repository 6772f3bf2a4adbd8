#pragma once
// The datagrams exchanged with a NET92 gateway, the box on the terminals' RS-485 line:
//
//   N92|<line>|<seq>|<address>|<kind>|<payload>
//
// line: the gateway line the terminals hang on (1..65535); seq: a counter of the sender
// (0..4294967295) that an ACK repeats; address: the terminal (1..254; 255 is reserved for
// fetching a waiting message, 0 is nobody); kind: MSG (server to terminal), ACK (the
// terminal took MSG <seq>), READ (text typed or read at the terminal), PRESENT (the
// terminal answered a probe). The payload is everything after the fifth '|', may contain
// '|' itself and is Windows-1252 text. docs/net92.md describes the exchange.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velaris::net92 {

enum class Kind { Msg, Ack, Read, Present };

struct Datagram {
    int line = 1;
    uint32_t seq = 0;
    int address = 0;
    Kind kind = Kind::Msg;
    std::string payload;  // Windows-1252 bytes
};

inline constexpr std::string_view kMagic = "N92";
inline constexpr int kFetchAddress = 255;
inline constexpr int kMaxAddress = 254;
// Longest datagram either side accepts; longer ones are not NET92 traffic.
inline constexpr std::size_t kMaxDatagram = 2048;

const char* kindName(Kind kind);
std::string encode(const Datagram& d);
// Nothing when the bytes are not a well-formed datagram (wrong magic, a field that is not
// a plain decimal number in range, an unknown kind, an oversized datagram).
std::optional<Datagram> decode(std::string_view bytes);

}  // namespace velaris::net92
