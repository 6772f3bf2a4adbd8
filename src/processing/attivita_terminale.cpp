#include "processing/attivita_terminale.h"

#include <algorithm>

#include "processing/attivita.h"

namespace velaris {

namespace {

int tipologiaDa(const std::string& codice) {
    const std::string p = codice.substr(0, 2);
    if (p == "ST") return 1;
    if (p == "CS") return 2;
    if (p == "SE") return 3;
    return 0;
}

bool controllata(const std::vector<Value>& luoghi, const Value& struttura) {
    const std::string q = CChrQ(struttura);
    return std::any_of(luoghi.begin(), luoghi.end(), [&](const Value& l) { return CChrQ(l) == q; });
}

}  // namespace

AttivitaDigitata Attivita_DaTerminale(Sistema& s, const std::string& codice, const std::vector<Value>& luoghi) {
    const std::string c = CChrQ(Value(codice));
    std::vector<std::pair<Value, Value>> trovate;
    {
        auto rs = s.db.open("SELECT Codice_Struttura AS Codice, Descrizione FROM Anagrafica_Strutture WHERE Codice_Bis=" + c +
                            " UNION SELECT Codice_Corso AS Codice, Descrizione FROM Anagrafica_Corsi WHERE Codice_Bis=" + c +
                            " UNION SELECT Codice_Servizio AS Codice, Descrizione FROM Anagrafica_Servizi WHERE Codice_Bis=" +
                            c);
        for (; !rs->eof(); rs->moveNext()) trovate.emplace_back(rs->field(0), rs->field(1));
    }
    AttivitaDigitata a;
    // A code shared by several activities takes the first this terminal controls.
    for (const auto& [attivita, descrizione] : trovate) {
        const int tipologia = tipologiaDa(attivita.toText());
        if (tipologia == 0) continue;
        a.esito = AttivitaDigitata::Esito::NonControllata;
        std::vector<Value> strutture;
        if (tipologia == 1) {
            strutture.push_back(attivita);
        } else {
            auto rs = s.db.open("SELECT Codice_Struttura FROM Attivita_Strutture WHERE Codice=" + CChrQ(attivita));
            for (; !rs->eof(); rs->moveNext()) strutture.push_back(rs->field(0));
        }
        for (const Value& struttura : strutture) {
            if (!controllata(luoghi, struttura)) continue;
            a.esito = AttivitaDigitata::Esito::Trovata;
            a.Codice = attivita;
            a.Tipologia = tipologia;
            a.Struttura = struttura;
            a.Descrizione = descrizione;
            return a;
        }
    }
    return a;
}

bool Attivita_Cliente_Terminale(Sistema& s, const std::string& cliente, const Value& struttura) {
    const std::string c = CChrQ(Value(cliente));
    const std::string oggi = Data_SqlQ(Value(s.clock.now().datePart()));
    const std::string testa =
        "INSERT INTO wTmp_Presenze_Strutture_SQL (Codice_Iscrizione,Codice_Cliente,Codice_Struttura,Tipologia,Conferma) ";
    s.db.execute("DELETE FROM wTmp_Presenze_Strutture");
    // The facility lines of the member.
    s.db.execute(testa +
                 "SELECT DISTINCT Iscrizioni_Strutture.Codice_Struttura,Iscrizioni_Strutture.Codice_Cliente,"
                 "Iscrizioni_Strutture.Codice_Struttura,Iscrizioni_Strutture.Tipologia,0 AS E1 "
                 "FROM Iscrizioni_Strutture "
                 "WHERE Iscrizioni_Strutture.Tipologia=1 AND Iscrizioni_Strutture.Codice_Cliente=" + c +
                 " AND Iscrizioni_Strutture.Data_Inizio<=" + oggi +
                 " AND Iscrizioni_Strutture.Chiusa=0 AND Iscrizioni_Strutture.Scaduta=0");
    // Course and service lines, under the facility whose terminal admits them.
    for (const char* mappa : {"Attivita_Terminali", "Attivita_Terminali_Strutture_Associate"}) {
        const std::string m = mappa;
        s.db.execute(testa + "SELECT DISTINCT " + m + ".Codice_Struttura,Iscrizioni_Strutture.Codice_Cliente,"
                     "Iscrizioni_Strutture.Codice_Struttura,Iscrizioni_Strutture.Tipologia,0 AS E1 "
                     "FROM Iscrizioni_Strutture INNER JOIN " + m + " ON Iscrizioni_Strutture.Codice_Struttura=" + m +
                     ".Codice WHERE Iscrizioni_Strutture.Tipologia In (2,3) AND Iscrizioni_Strutture.Codice_Cliente=" + c +
                     " AND Iscrizioni_Strutture.Data_Inizio<=" + oggi +
                     " AND Iscrizioni_Strutture.Chiusa=0 AND Iscrizioni_Strutture.Scaduta=0");
    }
    // The same three for add-ons, which carry no kind of their own.
    s.db.execute(testa +
                 "SELECT DISTINCT Gestione_Aggiunte.Codice_Struttura,Gestione_Aggiunte.Codice_Cliente,"
                 "Gestione_Aggiunte.Codice_Struttura,1,0 AS E1 FROM Gestione_Aggiunte WHERE Gestione_Aggiunte.Codice_Cliente=" +
                 c + " AND Gestione_Aggiunte.Data_Inizio<=" + oggi + " AND Gestione_Aggiunte.Scaduta=0");
    for (const char* mappa : {"Attivita_Terminali", "Attivita_Terminali_Strutture_Associate"}) {
        const std::string m = mappa;
        s.db.execute(testa + "SELECT DISTINCT " + m + ".Codice_Struttura,Gestione_Aggiunte.Codice_Cliente,"
                     "Gestione_Aggiunte.Codice_Struttura,1,0 AS E1 FROM Gestione_Aggiunte INNER JOIN " + m +
                     " ON Gestione_Aggiunte.Codice_Struttura=" + m + ".Codice WHERE Gestione_Aggiunte.Codice_Cliente=" + c +
                     " AND Gestione_Aggiunte.Data_Inizio<=" + oggi + " AND Gestione_Aggiunte.Scaduta=0");
    }
    Tipologia_Da_Anagrafiche(s, "");
    s.db.execute("UPDATE wTmp_Presenze_Strutture SET wTmp_Presenze_Strutture.Conferma=-1 "
                 "WHERE wTmp_Presenze_Strutture.Codice_Iscrizione=" + CChrQ(struttura));
    std::string dominio = "wTmp_Presenze_Strutture";
    return DCountQ(s.db, "*", dominio, "Conferma<>0") > 0;
}

}  // namespace velaris
