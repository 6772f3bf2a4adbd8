#include "processing/scadenze_fisse.h"

#include "attendance/log_terminali.h"
#include "attendance/scadenze_fisse.h"
#include "checks/scadenze_fisse.h"
#include "processing/dialogo.h"
#include "processing/risposte.h"
#include "system/queue.h"
#include "system/sender.h"
#include "system/terminal_types.h"

namespace velaris {

Fine Ingresso_ScadenzeFisse(Sistema& s, Messaggio& m, const std::string& cliente) {
    const Corrente& c = s.corrente;
    const int indirizzo = c.Indirizzo_Corrente;
    m.Codice_Cliente = Codice_Per_Stato(s, cliente, "Ingresso_ScadenzeFisse");
    const bool ammesso = Verifica_ScadenzeFisse(s, cliente, m.oggi).has_value();
    if (ammesso) {
        // Written first: the gate opens only for a visit on record.
        if (!Salva_Presenza_ScadenzeFisse(s, Value(cliente), indirizzo)) {
            Prompt_Riposo(s, m);
            return Fine::ScriviStato;
        }
        Log_Terminali(s, Value(cliente), indirizzo, Value(m.Codice_Spogliato), Value(m.Codice_Letto), Value(1), Value(0));
        if (c.Vai != 0) Attiva_Rele(s, Value(), 1, c.Tipo_Corrente);
        if (tipo::conDisplay(c.Tipo_Corrente)) accoda(s, indirizzo, "\fOK|ABILITATO", 2);
    } else {
        if (c.Stop != 0) Attiva_Rele(s, Value(), 2, c.Tipo_Corrente);
        if (tipo::conDisplay(c.Tipo_Corrente)) accoda(s, indirizzo, "\fSTOP|NON ABILITATO", 2);
    }
    m.verdetto.Esito = ammesso ? 0 : 4;
    m.Regolare = ammesso ? 1 : 0;
    Prompt_Riposo(s, m);
    Fine_Verdetto(s, m, cliente, ammesso);
    return Fine::ScriviStato;
}

}  // namespace velaris
