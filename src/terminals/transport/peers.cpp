#include "terminals/transport/peers.h"

#include <asio/ip/address.hpp>

namespace velaris {

std::string PeerFilter::normalize(std::string_view ip) {
    const size_t a = ip.find_first_not_of(" \t\r\n");
    if (a == std::string_view::npos) return {};
    const size_t b = ip.find_last_not_of(" \t\r\n");
    std::string text(ip.substr(a, b - a + 1));
    asio::error_code ec;
    auto addr = asio::ip::make_address(text, ec);
    if (ec) {
        for (auto& c : text)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return text;
    }
    if (addr.is_v6() && addr.to_v6().is_v4_mapped())
        addr = asio::ip::make_address_v4(asio::ip::v4_mapped, addr.to_v6());
    return addr.to_string();
}

PeerFilter PeerFilter::fromSetting(std::string_view allowedPeers, const std::vector<std::string>& terminalIps) {
    PeerFilter f;
    std::vector<std::string> words;
    std::string word;
    for (char c : allowedPeers) {
        if (c == ',' || c == ';' || c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            word.push_back(c);
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    if (words.empty()) return f;

    f.restricted_ = true;
    for (const auto& w : words) {
        if (normalize(w) == "terminals") {
            for (const auto& ip : terminalIps)
                if (auto n = normalize(ip); !n.empty()) f.ips_.insert(n);
        } else {
            f.ips_.insert(normalize(w));
        }
    }
    return f;
}

bool PeerFilter::allows(std::string_view ip) const {
    return !restricted_ || ips_.count(normalize(ip)) > 0;
}

}  // namespace velaris
