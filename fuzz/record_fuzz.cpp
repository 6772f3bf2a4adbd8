// Feeds arbitrary bytes, cut into arbitrary pieces, to the TCP terminals' record framer
// and decodes every record; also decodes the raw input as one record. A decoded code is
// always all digits, 10 long for "H" and 14 for "L".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "terminals/socketlink/codes.h"
#include "terminals/socketlink/record_framer.h"

using namespace velaris;

namespace {
void check(std::string_view record) {
    std::string problem;
    const auto code = decodeRecord(record, &problem);
    if (!code) return;
    if (!problem.empty()) std::abort();
    if (code->size() != 10 && code->size() != 14) std::abort();
    if (code->find_first_not_of("0123456789") != std::string::npos) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t piece = 1 + data[0] % 32;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    check(input);
    constexpr size_t kLimit = 256;
    RecordFramer framer(kLimit);
    for (size_t at = 0; at < input.size(); at += piece) {
        for (const auto& record : framer.feed(input.substr(at, piece)).records) {
            if (record.size() > kLimit || record.front() != '\x02' || record.back() != '\x03') std::abort();
            check(record);
        }
        if (framer.pending().size() >= kLimit) std::abort();
    }
    if (HexInvert(input).size() != input.size()) std::abort();
    if (RiempiTronca(Value(std::string(input)), 12, "0", "s").size() != 12) std::abort();
    return 0;
}
