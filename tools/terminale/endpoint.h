#pragma once
// "host:port" texts of the command line as endpoints.

#include <optional>
#include <string>
#include <string_view>

#include <asio.hpp>

#include "terminals/net92/net92_link.h"

namespace velaris::terminale {

template <class Protocol>
std::optional<typename Protocol::endpoint> resolveEndpoint(asio::io_context& io, std::string_view text,
                                                           std::string& error) {
    const auto parts = splitHostPort(text);
    if (!parts) {
        error = "'" + std::string(text) + "' is not host:port";
        return std::nullopt;
    }
    asio::error_code ec;
    const auto address = asio::ip::make_address(parts->first, ec);
    if (!ec) return typename Protocol::endpoint(address, parts->second);
    typename Protocol::resolver resolver(io);
    const auto results = resolver.resolve(parts->first, std::to_string(parts->second), ec);
    if (ec || results.empty()) {
        error = "'" + std::string(text) + "': " + (ec ? ec.message() : "host not found");
        return std::nullopt;
    }
    return results.begin()->endpoint();
}

inline std::optional<asio::ip::address> parseAddress(const std::string& ip, std::string& error) {
    asio::error_code ec;
    const auto a = asio::ip::make_address(ip, ec);
    if (ec) {
        error = "'" + ip + "' is not an IP address";
        return std::nullopt;
    }
    return a;
}

}  // namespace velaris::terminale
