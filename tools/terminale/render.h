#pragma once
// What a simulated terminal received, in a form a person can read on one line: control
// characters by name ([CLS] for the form feed that clears the display, [CAN] for the
// push terminals' screen reset, [STX]/[ETX] around records, [ESC] before printer
// commands), other control characters escaped, and the command strings labelled.

#include <string>
#include <string_view>

namespace velaris::terminale {

// Every function takes the bytes as the wire carried them (Windows-1252) and returns UTF-8.

// Control characters named or escaped; everything else converted to UTF-8.
std::string escapeControls(std::string_view wire);

// One message for a display terminal (NET92, controller, client-link text): probe,
// relay command, keypad/beeper command, output switching, receipt printer command or
// display text. With `splitLines` each "|" of a display text starts a new output line,
// indented under the first; otherwise "|" stays.
std::string renderMessage(std::string_view wire, bool splitLines = false);

// One frame of the client link of TCP terminals: probe, go (with its time), stop, or
// anything else escaped.
std::string renderFrame(std::string_view frame);

}  // namespace velaris::terminale
