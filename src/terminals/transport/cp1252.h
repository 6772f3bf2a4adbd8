#pragma once
// The terminals speak Windows-1252; the program works in UTF-8. Texts are converted at
// the link boundary, in both directions.

#include <string>
#include <string_view>

namespace velaris {

// UTF-8 to Windows-1252; characters the code page lacks (and invalid UTF-8) become '?'.
std::string utf8ToCp1252(std::string_view utf8);
// Windows-1252 to UTF-8; the five unassigned bytes map to the C1 controls of the same
// value (U+0081, U+008D, U+008F, U+0090, U+009D), and back.
std::string cp1252ToUtf8(std::string_view cp1252);

}  // namespace velaris
