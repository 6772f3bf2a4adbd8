// Arbitrary bytes as a datagram from the NET92 gateway: decoded, and when well-formed,
// encoded again to the same datagram; the payload goes through the code page and the
// code extraction the link applies to a read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "terminals/net92/datagram.h"
#include "terminals/net92/net92_terminals.h"
#include "terminals/transport/cp1252.h"

using namespace velaris;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto d = net92::decode(input);
    if (!d) return 0;
    if (input.size() > net92::kMaxDatagram) std::abort();
    if (d->address < 0 || d->address > net92::kFetchAddress || d->line < 0 || d->line > 65535) std::abort();
    const auto again = net92::decode(net92::encode(*d));
    if (!again || again->seq != d->seq || again->address != d->address || again->kind != d->kind ||
        again->line != d->line || again->payload != d->payload)
        std::abort();
    const std::string text = cp1252ToUtf8(d->payload);
    if (utf8ToCp1252(text) != d->payload) std::abort();
    const std::string code = StringaMessaggio(1, text);
    if (code.size() > text.size() || text.find(code) == std::string::npos) std::abort();
    return 0;
}
