#pragma once
// Builds the terminal link of the configured kind and attaches it to the system.

#include <memory>

#include "system/system.h"

namespace velaris {

// Owns whatever link objects the configured kind needs; destroying it closes them.
class Collegamenti {
public:
    virtual ~Collegamenti() = default;
};

// Creates the link of `s.config.Dispositivo` and sets the matching pointers of `s`
// (net92, etherCtrl, connessioni, client). Received codes go to `sink`.
std::unique_ptr<Collegamenti> creaCollegamenti(Sistema& s, IntakeSink& sink);

}  // namespace velaris
