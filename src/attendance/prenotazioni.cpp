#include "attendance/prenotazioni.h"

#include "attendance/presenze.h"

namespace velaris {

void Salva_Presenza_Prenotazioni(Sistema& s, const UsoPrenotato& u) {
    if (u.Tipologia_Personale > 0) {
        const DateTime adesso = s.clock.now();
        s.db.tryExecute("INSERT INTO Utilizzo_Manuale_Strutture (Codice,                  Tipologia,              "
                        "                Data_Utilizzo,          Ora_Utilizzo,          Cd_SubStruttura) VALUES (" +
                            CChrQ(u.Codice) + ", " + Num_SqlQ(Value(u.Tipologia_Personale)) + ", " +
                            Data_SqlQ(Value(adesso.datePart())) + ", " + Ora_SqlQ(Value(adesso.timeOnDay1900())) + ", " +
                            Num_SqlQ(u.Cd_SubStruttura) + ")",
                        "Salva_Presenza_Prenotazioni");
        return;
    }
    Value iscrizione = u.Codice_Iscrizione;
    Value aggiunta = u.ID_Aggiunta;
    Salva_Presenza_Terminali(s, u.Codice, 1, u.Codice_Struttura, iscrizione, aggiunta, u.DaOre, u.AOre, u.Indirizzo,
                             u.Codice_Struttura, 0, u.Descrizione, u.Data_Fine, u.Cognome, u.Nome, Value(0),
                             u.Codice_Struttura, Value(0), 1, Value::null(), u.Codice_Abbonamento, Value::null(),
                             Value::null(), 0);
}

}  // namespace velaris
