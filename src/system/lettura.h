#pragma once
// What the recording procedures keep about the card just read.

#include <string>

namespace velaris {

struct DatiLettura {
    std::string Tessera_Letta;       // the stripped code of the card just read
    std::string Note_Tessera_Letta;  // the notes of an additional card
};

}  // namespace velaris
