#include "processing/attivita.h"

namespace velaris {

EsitoAttivita Verifica_Attivita_Terminale(Sistema&, Messaggio&, const Value&, const Value&) { return {}; }

}  // namespace velaris
