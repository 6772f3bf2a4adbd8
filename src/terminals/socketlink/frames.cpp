#include "terminals/socketlink/frames.h"

#include "terminals/transport/wire_text.h"

namespace velaris {

std::string frameGo(const Value& tempoVai) {
    return "\x02" "06|000255000|020|3|" + RiempiTronca(Value(tempoVai.toText()), 4, "0", "s") + "\x03";
}

std::string frameStop() { return "\x02" "06|255000000|010|4|0000" "\x03"; }

std::string frameProbe() { return "\x02" "17" "\x03"; }

}  // namespace velaris
