#include "app/web/web_config.h"

#include <asio/ip/address.hpp>

#include "base/value.h"

namespace velaris {

bool WebConfig::loopback() const {
    asio::error_code ec;
    const auto address = asio::ip::make_address(Listen_Address, ec);
    if (ec) return false;
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6()).is_loopback();
    return address.is_loopback();
}

WebConfig readWebConfig(const IniFile& ini) {
    WebConfig c;
    if (auto v = ini.get("Web", "Port")) {
        const auto n = parseNumber(*v);
        c.Port = n && *n >= 0 && *n <= 65535 && *n == static_cast<int>(*n) ? static_cast<int>(*n) : 0;
    }
    if (auto v = ini.get("Web", "Listen_Address"); v && !v->empty()) c.Listen_Address = *v;
    if (auto v = ini.get("Web", "Allowed_Peers")) c.Allowed_Peers = *v;
    if (auto v = ini.get("Web", "Token")) c.Token = *v;
    return c;
}

}  // namespace velaris
