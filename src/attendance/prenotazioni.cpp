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
    PresenzaTerminale p;
    p.Codice_Cliente = u.Codice;
    p.Tipologia = 1;
    p.Codice_Attivita = u.Codice_Struttura;
    p.Codice_Iscrizione = u.Codice_Iscrizione;
    p.ID_Aggiunta = u.ID_Aggiunta;
    p.ID_Riga = u.ID_Riga;
    p.DaOre = u.DaOre;
    p.AOre = u.AOre;
    p.Indirizzo = u.Indirizzo;
    p.Attivita_Accompagnamento = u.Codice_Struttura;
    p.Nuova_Visita = false;  // the use of a machine belongs to today's visit
    p.Descrizione_Default = u.Descrizione;
    p.Data_Fine_Default = u.Data_Fine;
    p.Cognome = u.Cognome;
    p.Nome = u.Nome;
    p.Struttura_Abbonamento = u.Codice_Struttura;
    p.Seguito = true;  // no companion band, no exit deadline for a machine
    p.Codice_Abbonamento = u.Codice_Abbonamento;
    Salva_Presenza_Terminali(s, p);
}

}  // namespace velaris
