#include "processing/risposte.h"

namespace velaris {

std::string Motivo_Rifiuto(Sistema&, const Verdetto&) { return {}; }
void Rispondi_Verdetto(Sistema&, Messaggio&) {}
void Fine_Verdetto(Sistema&, Messaggio&, const std::string&, bool) {}
void Verifica_Ingressi_Residui(Sistema&, Messaggio&, const std::string&, const Value&) {}

}  // namespace velaris
