#include "terminals/ethercontrol/datagram.h"

#include <array>

namespace velaris::ethercontrol {

namespace {

std::optional<uint64_t> number(std::string_view text, uint64_t max) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > max) return std::nullopt;
    return v;
}

}  // namespace

std::string encode(const Datagram& d) {
    std::string out;
    out.reserve(24 + d.payload.size());
    out.append(kMagic).append("|");
    out.append(std::to_string(d.seq)).append("|");
    out.append(std::to_string(d.address)).append("|");
    out.append(d.kind == Kind::Msg ? "MSG" : "ACK").append("|");
    out.append(d.payload);
    return out;
}

std::optional<Datagram> decode(std::string_view bytes) {
    if (bytes.size() > kMaxDatagram) return std::nullopt;
    std::array<std::string_view, 4> f;
    std::size_t pos = 0;
    for (auto& field : f) {
        const std::size_t bar = bytes.find('|', pos);
        if (bar == std::string_view::npos) return std::nullopt;
        field = bytes.substr(pos, bar - pos);
        pos = bar + 1;
    }
    if (f[0] != kMagic) return std::nullopt;
    const auto seq = number(f[1], kMaxSeq);
    const auto address = number(f[2], 65535);
    if (!seq || !address || *address == 0) return std::nullopt;
    Datagram d;
    if (f[3] == "MSG") d.kind = Kind::Msg;
    else if (f[3] == "ACK") d.kind = Kind::Ack;
    else return std::nullopt;
    d.seq = static_cast<uint32_t>(*seq);
    d.address = static_cast<int>(*address);
    d.payload = std::string(bytes.substr(pos));
    return d;
}

}  // namespace velaris::ethercontrol
