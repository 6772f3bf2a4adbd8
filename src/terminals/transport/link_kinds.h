#pragma once
// The kinds of terminal link: the value of `Dispositivo` in the [Comm] settings.

namespace velaris::dispositivo {

inline constexpr int Nessuno = 0;      // not configured: the server does not start
inline constexpr int Net92 = 1;        // NET92 terminal network, polled
inline constexpr int Controllori = 2;  // Ethernet controllers over UDP
inline constexpr int HttpPush = 3;     // terminals that call the server over HTTP
inline constexpr int Tcp = 4;          // terminals that send framed records over TCP

}  // namespace velaris::dispositivo
