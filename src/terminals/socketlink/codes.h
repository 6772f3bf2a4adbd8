#pragma once
// The decoding of the TCP terminals' read records.

#include <optional>
#include <string>
#include <string_view>

#include "terminals/transport/wire_text.h"

namespace velaris {

// The code a read record carries. The record starts with STX "2M" (the closing ETX may be
// there or not) and has fields separated by "|"; field 2 names the code format:
//  "H": the first 8 characters of field 5, byte order reversed, read as hexadecimal,
//       in decimal filled to 10 digits with "0" on the left;
//  "L": the first 10 characters of field 3, read as hexadecimal, in decimal filled to 14.
// Records of another kind or format give nothing and leave `problem` empty; a record of
// a known format that cannot be decoded gives nothing and describes why in `problem`.
std::optional<std::string> decodeRecord(std::string_view record, std::string* problem = nullptr);

}  // namespace velaris
