// Arbitrary bytes as a datagram from an Ethernet terminal controller: decoded, and when
// well-formed, encoded again to the same datagram; the payload survives the code page.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "terminals/ethercontrol/datagram.h"
#include "terminals/transport/cp1252.h"

using namespace velaris;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto d = ethercontrol::decode(input);
    if (!d) return 0;
    if (d->address < 1 || d->address > 65535 || d->seq > ethercontrol::kMaxSeq) std::abort();
    const auto again = ethercontrol::decode(ethercontrol::encode(*d));
    if (!again || again->seq != d->seq || again->address != d->address || again->kind != d->kind ||
        again->payload != d->payload)
        std::abort();
    if (utf8ToCp1252(cp1252ToUtf8(d->payload)) != d->payload) std::abort();
    return 0;
}
