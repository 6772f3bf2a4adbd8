#include "processing/intake.h"

namespace velaris {

// Card classification and the entitlement checks are not part of the server yet: a code
// at a ready terminal ends with the idle prompt and the state write.
Fine dispatchCodice(Sistema& s, Messaggio& m) {
    Prompt_Riposo(s, m);
    return Fine::ScriviStato;
}

Fine controlloCliente(Sistema& s, Messaggio& m) {
    Prompt_Riposo(s, m);
    return Fine::ScriviStato;
}

}  // namespace velaris
