#include "terminale/render.h"

#include <cstdio>

#include "terminals/transport/cp1252.h"

namespace velaris::terminale {

namespace {

bool allOf(std::string_view s, std::string_view allowed) {
    return s.find_first_not_of(allowed) == std::string_view::npos;
}

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

std::string escapeControls(std::string_view text) {
    // Escapes are ASCII, so the conversion afterwards leaves them alone.
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        switch (c) {
            case 0x02: out += "[STX]"; break;
            case 0x03: out += "[ETX]"; break;
            case 0x0C: out += "[CLS]"; break;
            case 0x18: out += "[CAN]"; break;
            case 0x1B: out += "[ESC]"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\\': out += "\\\\"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02X", c);
                    out += hex;
                } else {
                    out.push_back(static_cast<char>(c));
                }
        }
    }
    return cp1252ToUtf8(out);
}

std::string renderMessage(std::string_view text, bool splitLines) {
    if (text == "%%") return "[PROBE]";
    if (startsWith(text, "%O") && text.size() >= 3) {
        // "%O" [relay number] and one character whose code is the time.
        const std::string_view rest = text.substr(2);
        const unsigned char time = static_cast<unsigned char>(rest.back());
        const std::string_view relay = rest.size() > 1 ? rest.substr(0, rest.size() - 1) : std::string_view("1");
        if (allOf(relay, "0123456789"))
            return "[RELAY " + std::string(relay) + " time " + std::to_string(time) + "]";
    }
    if (startsWith(text, "%")) return "[CMD " + escapeControls(text) + "]";
    if (text.size() == 9 && text[0] == 'S' && allOf(text.substr(1), "-01")) return "[OUTPUTS " + std::string(text) + "]";
    if (text.size() >= 2 && text[0] == 'O' && allOf(text.substr(1), "0123456789"))
        return "[OUTPUT " + std::string(text) + "]";
    if (startsWith(text, "\x1B")) return "[PRINT] " + escapeControls(text.substr(1));
    if (text.size() >= 2 && text.front() == '\x02' && text.back() == '\x03') return renderFrame(text);
    std::string out = escapeControls(text);
    if (splitLines) {
        std::string split;
        for (char c : out) {
            if (c == '|') split += "\n    ";
            else split.push_back(c);
        }
        out = split;
    }
    return out;
}

std::string renderFrame(std::string_view frame) {
    if (frame == "\x02" "17" "\x03") return "[PROBE]";
    if (startsWith(frame, "\x02" "06|000255000|020|3|") && frame.back() == '\x03') {
        const std::string_view time = frame.substr(20, frame.size() - 21);
        return "[GO time " + escapeControls(time) + "]";
    }
    if (frame == "\x02" "06|255000000|010|4|0000" "\x03") return "[STOP]";
    return escapeControls(frame);
}

}  // namespace velaris::terminale
