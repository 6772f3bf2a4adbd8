#pragma once
// Section [Web] of the settings file: the live status page served by the server itself.
//   Port            TCP port of the page; 0 switches the page off (default 8090)
//   Listen_Address  address the page listens on (default 127.0.0.1, loopback only)
//   Allowed_Peers   when not on loopback: who may connect, as for the terminal links
//   Token           when not on loopback: a secret every request must present

#include <string>

#include "app/config.h"

namespace velaris {

struct WebConfig {
    int Port = 8090;
    std::string Listen_Address = "127.0.0.1";
    std::string Allowed_Peers;
    std::string Token;

    bool enabled() const { return Port > 0; }
    // Loopback addresses are reachable from this machine only: no peer list, no token.
    bool loopback() const;
};

// Reads [Web]. A Port that is no number or out of range switches the page off.
WebConfig readWebConfig(const IniFile& ini);

}  // namespace velaris
