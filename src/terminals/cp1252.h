#pragma once
// The terminals speak Windows-1252; the program works in UTF-8. Texts are converted at
// the link boundary, in both directions.

#include <string>
#include <string_view>

namespace velaris {

// UTF-8 to Windows-1252; characters the code page lacks (and invalid UTF-8) become '?'.
std::string utf8ToCp1252(std::string_view utf8);
// Windows-1252 to UTF-8; the five unassigned bytes map to U+FFFD.
std::string cp1252ToUtf8(std::string_view cp1252);

}  // namespace velaris
