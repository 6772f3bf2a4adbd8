#include "terminals/socketlink/record_framer.h"

namespace velaris {

RecordFramer::Result RecordFramer::feed(std::string_view bytes) {
    Result r;
    for (char c : bytes) {
        if (c == '\x02') {
            // A new STX before the ETX: the unfinished record cannot be trusted.
            r.discardedBytes += current_.size();
            current_.assign(1, c);
            continue;
        }
        if (current_.empty()) {
            ++r.discardedBytes;
            continue;
        }
        current_.push_back(c);
        if (c == '\x03') {
            r.records.push_back(std::move(current_));
            current_.clear();
        } else if (current_.size() >= limit_) {
            r.discardedBytes += current_.size();
            ++r.oversized;
            current_.clear();
        }
    }
    return r;
}

}  // namespace velaris
