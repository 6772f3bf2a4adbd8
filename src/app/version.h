#pragma once
// The program's version as the operator sees it: "Ver. 3.05.012" (major, minor with two
// digits, revision with three), taken from the project's version.

#include <string>

namespace velaris {

std::string testoVersione(int major, int minor, int revision);
// The running program's version text.
std::string testoVersione();

}  // namespace velaris
