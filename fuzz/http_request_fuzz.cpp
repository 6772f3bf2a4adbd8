// Feeds arbitrary bytes, cut into arbitrary pieces, to the HTTP-push request framer and
// routes every request it yields. Checks the framer's promises on the way.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "terminals/httppush/http_request.h"

using namespace velaris;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte chooses how the rest is cut into reads.
    const size_t piece = 1 + data[0] % 64;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    constexpr size_t kLimit = 1024;
    HttpFramer framer(kLimit);
    for (size_t at = 0; at < input.size(); at += piece) {
        framer.append(input.substr(at, piece));
        while (auto request = framer.next()) {
            if (request->head.size() + request->body.size() > kLimit) std::abort();
            const PushAction action = routeRequest(*request);
            if (action.kind == PushAction::Kind::Online) {
                if (action.address < -32768 || action.address > 32767) std::abort();
                if (action.code.find_first_not_of(' ') == std::string::npos) std::abort();
            }
            if (action.kind == PushAction::Kind::Error && action.errorNumber == 0) std::abort();
        }
        if (framer.error() != HttpFramer::Error::None) break;
        if (framer.buffered() > kLimit + piece) std::abort();
    }
    return 0;
}
