#include "terminals/net92/datagram.h"

#include <array>

namespace velaris::net92 {

namespace {

// A plain decimal number (digits only, no sign, no blanks) not above `max`.
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

constexpr std::array<std::pair<Kind, std::string_view>, 4> kKinds{{
    {Kind::Msg, "MSG"}, {Kind::Ack, "ACK"}, {Kind::Read, "READ"}, {Kind::Present, "PRESENT"}}};

}  // namespace

const char* kindName(Kind kind) {
    for (const auto& [k, name] : kKinds)
        if (k == kind) return name.data();
    return "?";
}

std::string encode(const Datagram& d) {
    std::string out;
    out.reserve(32 + d.payload.size());
    out.append(kMagic).append("|");
    out.append(std::to_string(d.line)).append("|");
    out.append(std::to_string(d.seq)).append("|");
    out.append(std::to_string(d.address)).append("|");
    out.append(kindName(d.kind)).append("|");
    out.append(d.payload);
    return out;
}

std::optional<Datagram> decode(std::string_view bytes) {
    if (bytes.size() > kMaxDatagram) return std::nullopt;
    std::array<std::string_view, 5> f;
    std::size_t pos = 0;
    for (auto& field : f) {
        const std::size_t bar = bytes.find('|', pos);
        if (bar == std::string_view::npos) return std::nullopt;
        field = bytes.substr(pos, bar - pos);
        pos = bar + 1;
    }
    if (f[0] != kMagic) return std::nullopt;
    const auto line = number(f[1], 65535);
    const auto seq = number(f[2], 0xFFFFFFFFull);
    const auto address = number(f[3], kFetchAddress);
    if (!line || *line == 0 || !seq || !address) return std::nullopt;
    Datagram d;
    bool known = false;
    for (const auto& [k, name] : kKinds)
        if (f[4] == name) { d.kind = k; known = true; }
    if (!known) return std::nullopt;
    d.line = static_cast<int>(*line);
    d.seq = static_cast<uint32_t>(*seq);
    d.address = static_cast<int>(*address);
    d.payload = std::string(bytes.substr(pos));
    return d;
}

}  // namespace velaris::net92
