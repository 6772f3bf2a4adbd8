#pragma once
// Which peers may connect to the terminal listener, from the setting `Allowed_Peers`:
// blank lets everyone in; "terminals" only the configured terminals' IP addresses; any
// other text is a list of addresses separated by commas, semicolons or blanks.

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace velaris {

class PeerFilter {
public:
    // Everyone may connect.
    PeerFilter() = default;
    // `terminalIps`: the `Indirizzo_IP` of the active terminals, used by "terminals".
    static PeerFilter fromSetting(std::string_view allowedPeers, const std::vector<std::string>& terminalIps);

    bool allows(std::string_view ip) const;
    bool restricted() const { return restricted_; }
    const std::set<std::string>& addresses() const { return ips_; }

    // The comparable form of an address text: IPv4-mapped IPv6 as plain IPv4, IPv6 in its
    // canonical form; texts that are no address are only trimmed and lower-cased.
    static std::string normalize(std::string_view ip);

private:
    bool restricted_ = false;
    std::set<std::string> ips_;
};

}  // namespace velaris
