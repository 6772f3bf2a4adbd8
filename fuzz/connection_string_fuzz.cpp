// Arbitrary text as the connection string of the command line: classified, parsed and
// mapped to an ODBC string: only DbError may come out of it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "db/engine.h"
#include "db/odbc/connection_string.h"

using namespace velaris;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const EngineKind kind = classifyConnectionString(text);
    try {
        const EngineChoice choice = chooseEngine(text);
        if (choice.kind == EngineKind::Unknown || choice.kind != kind) std::abort();
        if (choice.target.empty()) std::abort();
    } catch (const DbError&) {
    }
    try {
        odbc::parseConnectionString(text);
        odbc::toOdbcConnectionString(text);
    } catch (const DbError&) {
    }
    return 0;
}
