#include "processing/identifica.h"

namespace velaris {

std::string Togli_Sentinelle(const std::string& codice) { return codice; }

std::string Identifica_Codice(Sistema&, std::string& codice, Value&, Value&) { return codice; }

}  // namespace velaris
