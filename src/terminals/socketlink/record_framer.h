#pragma once
// Cuts the byte stream of a TCP terminal into records STX .. ETX. A record may arrive in
// pieces and several may arrive together; bytes outside a record are line noise and are
// dropped, and a record that grows past the bound is dropped whole.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velaris {

class RecordFramer {
public:
    static constexpr size_t kDefaultLimit = 1024;

    struct Result {
        std::vector<std::string> records;  // each from STX to ETX, both included
        size_t discardedBytes = 0;         // noise between records and dropped partial records
        size_t oversized = 0;              // records dropped for growing past the bound
    };

    explicit RecordFramer(size_t limit = kDefaultLimit) : limit_(limit) {}

    Result feed(std::string_view bytes);
    // The record begun and not yet closed (empty when none).
    const std::string& pending() const { return current_; }
    // Forgets the record in progress.
    void reset() { current_.clear(); }

private:
    size_t limit_;
    std::string current_;  // starts with STX while a record is open
};

}  // namespace velaris
