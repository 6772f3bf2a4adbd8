#include "attendance/visitatori.h"

#include "attendance/dati_accessi.h"
#include "attendance/uscite.h"
#include "base/format.h"

namespace velaris {

Visitatore::Visitatore(Sistema& s, const LetturaVisitatore& l) : s_(s), l_(l) {
    t_ = s.registro.perIndirizzo(l.Indirizzo);
    visitatore_ = CChrQ(Value(l.Codice));
    oggi_ = Data_SqlQ(Value(l.Data));
    ora_ = Ora_SqlQ(Value(l.Ora));
}

EsitoVisita Visitatore::decidi() {
    if (!anagrafica()) return esito_ = EsitoVisita::NonAssegnato;
    permanenza();
    visitaAperta();
    if (!uscita()) return esito_ = EsitoVisita::Ingresso;
    if (idVisita_ == 0) return esito_ = EsitoVisita::SenzaVisita;
    if (maxPermanenza_ > 0 && l_.Data.datePart().addSeconds(l_.Ora.secondOfDay()) > limite_)
        return esito_ = EsitoVisita::FuoriOrario;
    return esito_ = EsitoVisita::Uscita;
}

// A code that no visitor record holds opens nothing.
bool Visitatore::anagrafica() {
    auto rs = s_.db.open(std::string("SELECT TOP 1 Cognome, Nome, Indirizzo ") + "FROM Anagrafica_Visitatori " +
                         "WHERE Codice_Visitatore=" + visitatore_);
    if (rs->eof()) return false;
    cognome_ = rs->field(0);
    nome_ = rs->field(1);
    indirizzo_ = rs->field(2);
    return true;
}

void Visitatore::permanenza() {
    auto rs = s_.db.open("SELECT TOP 1 Max_Permanenza  FROM Tabella_Tessere_Visitatori  WHERE Codice_Tessera=" +
                         CChrQ(Value(l_.Tessera)));
    if (!rs->eof()) maxPermanenza_ = std::max<int64_t>(0, rs->field(0).toInt());
}

bool Visitatore::esterna() {
    const Value struttura = t_ ? (*t_)["Codice_Struttura"] : Value();
    if (Nullo_Vuoto(struttura)) return false;
    auto rs = s_.db.open("SELECT Esterna FROM Anagrafica_Strutture WHERE Codice_Struttura=" + CChrQ(struttura));
    return !rs->eof() && rs->field(0).toDouble() != 0;
}

// Today's open visit, or one of the previous day still open (it crossed midnight).
void Visitatore::visitaAperta() {
    auto rs = s_.db.open("SELECT TOP 1 ID, Data_Entrata, Ora_Entrata FROM Gestione_Visitatori  WHERE "
                         "Codice_Visitatore=" + visitatore_ + " AND Data_Entrata>=" +
                         Data_SqlQ(Value(l_.Data.addDays(-1))) + " AND Data_Entrata<=" + oggi_ +
                         " AND Ora_Uscita Is Null  ORDER BY Data_Entrata DESC, Ora_Entrata DESC ");
    if (rs->eof()) return;
    idVisita_ = rs->field(0).toInt();
    const auto giorno = rs->field(1).toDate();
    const auto ora = rs->field(2).toDate();
    entrata_ = (giorno ? giorno->datePart() : l_.Data.datePart()).addSeconds(ora ? ora->secondOfDay() : 0);
    limite_ = entrata_.addSeconds(maxPermanenza_ * 60);
}

// An entrance, and every terminal of an external facility, read entries; a terminal that
// serves both ways reads an exit while the visit is open.
bool Visitatore::uscita() {
    const int64_t verso = t_ ? (*t_)["Uscita"].toInt() : kUscitaNo;
    if (verso == kUscitaNo) return false;
    if (esterna()) return false;
    return verso == kUscitaEntrambe ? idVisita_ != 0 : true;
}

void Visitatore::registra() {
    switch (esito_) {
        case EsitoVisita::Ingresso:
            if (idVisita_ != 0) {
                // A second badge at the entrance restarts the clock of the open visit.
                s_.db.execute("UPDATE Gestione_Visitatori  SET Ora_Entrata=" + ora_ + ", Data_Entrata=" + oggi_ +
                              " WHERE ID=" + std::to_string(idVisita_));
            } else {
                const Value motivo = DLookUpQ(s_.db, "Cd_Motivo", "Anagrafica_Visitatori", "Codice_Visitatore=" + visitatore_);
                s_.db.execute("INSERT INTO Gestione_Visitatori (Codice_Visitatore, Data_Entrata, Ora_Entrata, Cd_Motivo)  "
                              "VALUES (" + visitatore_ + ", " + oggi_ + ", " + ora_ + ", " + Num_SqlQ(motivo) + ")");
            }
            break;
        case EsitoVisita::Uscita:
            // An overstay marked earlier stays marked.
            s_.db.execute("UPDATE Gestione_Visitatori  SET Ora_Uscita=" + ora_ + " WHERE ID=" + std::to_string(idVisita_));
            s_.db.execute("UPDATE Anagrafica_Visitatori  SET Codice_Bis=Null WHERE Codice_Visitatore=" + visitatore_);
            break;
        case EsitoVisita::FuoriOrario:
            s_.db.execute("UPDATE Gestione_Visitatori  SET Fuori_Orario=1 WHERE ID=" + std::to_string(idVisita_));
            break;
        default: break;
    }
}

std::string Visitatore::testo() const {
    switch (esito_) {
        case EsitoVisita::Ingresso: return "INGRESSO CONSENTITO";
        case EsitoVisita::Uscita:
            return "USCITA CONSENTITA ORE: " + formatDate(maxPermanenza_ > 0 ? limite_ : l_.Ora, "hh:nn");
        case EsitoVisita::FuoriOrario: return "USCITA NON CONSENTITA. FUORI ORARIO";
        case EsitoVisita::SenzaVisita: return "ENTRATA NON REGISTRATA";
        default: return "CODICE NON ASSEGNATO";
    }
}

void Visitatore::datiAccessi() {
    const bool esce = esito_ != EsitoVisita::Ingresso;
    DatiAccessi d;
    d.Codice_Tessera = Value(l_.Tessera);
    d.Codice = Value(l_.Codice);
    d.Cognome = cognome_;
    d.Nome = nome_;
    d.Indirizzo = indirizzo_;
    d.Data_Entrata = Value(l_.Data);
    d.Ora_Entrata = Value(l_.Ora);
    d.DesStato = Value("VISITATORE");
    d.Sem2 = Value(consentita() ? 1 : 0);
    d.Sem3 = Value(esito_ == EsitoVisita::FuoriOrario ? 1 : 0);
    d.Struttura_Ingresso = Value(esce ? "USCITA" : "INGRESSO");
    d.Entrata = Value(testo());
    d.Terminale = Value(l_.Indirizzo);
    d.CheckOut = Value(esce ? 1 : 0);
    d.Monitor_Aggiuntivo = Value(static_cast<int>(s_.corrente.Monitor_Aggiuntivo));
    VisualizzaDatiForm(s_, d);
}

void Visitatore::logEntrate() {
    const bool esce = esito_ != EsitoVisita::Ingresso && esito_ != EsitoVisita::NonAssegnato;
    s_.db.execute("INSERT INTO Log_Entrate (Codice_Cliente,Cognome,Nome,Data_Presenza,Ora_Presenza,Semaforo1,Semaforo2,"
                  "Semaforo3,Semaforo4,Irregolare1,Irregolare2,Irregolare3,Irregolare4,Irregolare5,Irregolare6,"
                  "Irregolare7,Irregolare8,Irregolare9,Irregolare10,ID_Presenza,DesIrregolari,DesIrregolari_Att,"
                  "IndTerminale,Uscita) VALUES (" + visitatore_ + "," + CChrQ(cognome_) + "," + CChrQ(nome_) + "," +
                  oggi_ + "," + ora_ + ",0,0,0,0,0,0,0,0,0,0,0,0,0,0,0," + CChrQ(Value(testo())) + "," +
                  CChrQ(Value(esce ? "USCITA" : "INGRESSO")) + "," + std::to_string(l_.Indirizzo) + "," +
                  (esce ? "1" : "0") + ")");
}

}  // namespace velaris
