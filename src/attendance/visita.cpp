#include "attendance/visita.h"

#include "base/format.h"
#include "attendance/presenze.h"

namespace velaris {

namespace {

std::string num(int64_t n) { return Num_SqlQ(Value(static_cast<long long>(n))); }

bool qualcuno(const std::array<Value, 23>& irr, std::initializer_list<int> codici) {
    for (int c : codici)
        if (irr[static_cast<size_t>(c)].toDouble() != 0) return true;
    return false;
}

}  // namespace

std::optional<Riga> primaRiga(Database& db, const std::string& sql) {
    auto rs = db.open(sql);
    if (rs->eof()) return std::nullopt;
    Riga r;
    for (int i = 0; i < rs->fieldCount(); ++i) r.push_back(rs->field(i));
    return r;
}

std::vector<Riga> tutteLeRighe(Database& db, const std::string& sql) {
    auto rs = db.open(sql);
    std::vector<Riga> out;
    for (; !rs->eof(); rs->moveNext()) {
        Riga r;
        for (int i = 0; i < rs->fieldCount(); ++i) r.push_back(rs->field(i));
        out.push_back(std::move(r));
    }
    return out;
}

std::string conScadenza(const Value& descrizione, const Value& dataFine) {
    std::string d = descrizione.toText();
    if (auto fine = dataFine.toDate(); fine && !Nullo_Vuoto(dataFine)) d += " scadenza " + formatDate(*fine, "dd/mm/yyyy");
    return d;
}

std::string esclusionePrenotazioni(const std::string& colonna, const std::string& campo, const std::string& cliente,
                                   const std::string& oggi) {
    return " AND " + colonna + " Not In  (SELECT Booking_Clienti." + campo +
           " FROM Gestione_Prenotazioni INNER JOIN Booking_Clienti ON "
           "Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione WHERE Booking_Clienti.Codice_Cliente=" +
           cliente + " AND Gestione_Prenotazioni.Data_Prenotazione>=" + oggi +
           " UNION SELECT Gestione_Prenotazioni_Corsi." + campo +
           " FROM Gestione_Prenotazioni_Corsi WHERE Gestione_Prenotazioni_Corsi.Codice_Cliente=" + cliente +
           " AND Gestione_Prenotazioni_Corsi.Data_Prenotazione>=" + oggi + " UNION SELECT Gestione_Prenotazioni_Servizi." +
           campo + " FROM Gestione_Prenotazioni_Servizi WHERE Gestione_Prenotazioni_Servizi.Codice_Cliente=" + cliente +
           " AND Gestione_Prenotazioni_Servizi.Data_Prenotazione>=" + oggi + ") ";
}

std::string esclusioneAccompagnate(const std::string& colonna) {
    return " AND " + colonna +
           " Not In  (SELECT Codice_Corso FROM Anagrafica_Corsi WHERE Con_Accompagnatore<>0  UNION SELECT "
           "Codice_Servizio FROM Anagrafica_Servizi WHERE Con_Accompagnatore<>0)";
}

Semafori semaforiDi(const std::array<Value, 23>& irr, bool sospeso) {
    Semafori l;
    l.s1 = qualcuno(irr, {2, 3, 14, 19, 20, 21, 22}) ? 1 : 0;
    l.s2 = qualcuno(irr, {4, 5, 6, 7, 8, 9, 11, 15, 17, 18}) ? 1 : 0;
    l.s3 = qualcuno(irr, {10, 12, 16}) ? 1 : 0;
    l.s4 = sospeso ? 1 : 0;
    return l;
}

Visita::Visita(Sistema& s, const Value& cliente, int indirizzo, const DateTime& data, const DateTime& ora,
               const char* funzione)
    : s_(s), cliente_(cliente), funzione_(funzione), indirizzo_(indirizzo), oggiD_(data), oraD_(ora) {
    clienteQ_ = CChrQ(cliente);
    oggi_ = Data_SqlQ(Value(oggiD_));
    ora_ = Ora_SqlQ(Value(oraD_));
    terminale_ = num(indirizzo);
    centro_ = CChrQ(s.corrente.Codice_Centro_Corrente);
    tessera_ = CChrQ_Colonna(s.db, Value(s.lettura.Tessera_Letta), 30, "Presenze.Codice_Tessera", funzione);
    tesseraBis_ = CChrQ_Colonna(s.db, Value(s.lettura.Tessera_Letta), 50, "Controllo_Fascia_Oraria.Codice_Bis", funzione);
}

bool Visita::preleva() {
    const auto tratto = Preleva_Numero_Presenza(s_, LockPolicy{}, funzione_);
    if (!tratto) return false;
    numero_ = *tratto;
    return true;
}

void Visita::apriPermanenza() {
    if (!s_.registro.Terminali_Uscita) return;
    exec("INSERT INTO Gestione_Entrate (Codice_Cliente, Data_Entrata, Ora_Entrata, IndTerminale, Codice_Centro)  "
         "VALUES (" + clienteQ_ + ", " + oggi_ + ", " + ora_ + ", " + terminale_ + ", " + centro_ + ")");
    idEntrata_ = ZeroSeNullo(DMaxQ(s_.db, "ID_Entrata", "Gestione_Entrate",
                                   "Codice_Cliente=" + clienteQ_ + " And Data_Entrata=" + oggi_));
}

void Visita::scriviPresenza(int fuoriOrario, int iscrizioneScaduta, int exTerminali) {
    exec("INSERT INTO Presenze (ID_Presenza,Codice_Cliente, Data_Presenza, Ora_Presenza, Fuori_Orario, "
         "Iscrizione_Scaduta, Ex_Terminali, Codice_Centro, IndTerminale, Codice_Tessera, Note_Tessera) VALUES (" +
         num(numero_) + ", " + clienteQ_ + ", " + oggi_ + ", " + ora_ + ", " + num(fuoriOrario) + ", " +
         num(iscrizioneScaduta) + ", " + num(exTerminali) + ", " + centro_ + ", " + terminale_ + ", " + tessera_ + ", " +
         CChrQ(Value(s_.lettura.Note_Tessera_Letta)) + ")");
}

void Visita::esportaMyWellness() {
    if (ZeroSeNullo(DLookUpQ_Anagrafica(s_.db, "Anagrafica_Clienti", "Codice_Cliente", clienteQ_, "ID_MyWellness")) == 0)
        return;
    const Value centroMW = indirizzo_ != 0
                               ? DLookUpQ(s_.db, "Cd_Centro_MyWellness", "Dettaglio_Terminali", "Indirizzo=" + terminale_)
                               : Value(0);
    s_.db.tryExecute("INSERT INTO wTmp_MyWellness_SQL (Codice_Cliente, Ora_Presenza, Cd_Centro) VALUES (" + clienteQ_ +
                         ", '" + formatDate(oggiD_, "yyyy/mm/dd") + " " + formatDate(oraD_, "hh:nn:ss") + "', " +
                         Num_SqlQ(centroMW) + ")",
                     funzione_);
}

void Visita::giornaleFuoriOrarioAttivita(const std::string& codiceAttivita) {
    exec("INSERT INTO Giornale (Modalita,Codice_Cliente,Codice1_N,Data_Scadenza,Codice1_S,DaOre,Codice_Centro) SELECT "
         "10 AS E1, Codice_Cliente, ID_Presenza, Data_Presenza, " + codiceAttivita + ", " + ora_ + ", " + centro_ +
         " AS E2  FROM Presenze  WHERE Data_Presenza=" + oggi_ + " AND ID_Presenza=" + num(numero_));
}

void Visita::giornaleFuoriOrario() {
    exec("INSERT INTO Giornale (Modalita,Codice_Cliente,Codice1_N,Data_Scadenza,Codice1_S, Codice_Centro) SELECT 10 AS "
         "E1, Codice_Cliente, ID_Presenza, Data_Presenza, Null, " + centro_ + " AS E2 FROM Presenze WHERE Data_Presenza=" +
         oggi_ + " AND ID_Presenza=" + num(numero_));
}

void Visita::giornaleSospeso() {
    exec("INSERT INTO Giornale (Modalita,Codice_Cliente,Codice1_N,Data_Scadenza, Codice_Centro) SELECT 12 AS E1, "
         "Codice_Cliente, ID_Presenza, Data_Presenza, " + centro_ + " AS E2 FROM Presenze WHERE Data_Presenza=" + oggi_ +
         " AND ID_Presenza=" + num(numero_));
}

void Visita::storiaIrregolari(const std::string& codiceStruttura) {
    const auto& irr = s_.esiti.Irregolarita;
    bool qualche = false;
    for (int i = 1; i <= 22; ++i) qualche = qualche || irr[static_cast<size_t>(i)].toDouble() != 0;
    if (!qualche) return;
    std::string sql = "INSERT INTO Storia_Clienti_Irregolari (ID_Presenza,Codice_Cliente,Data_Presenza,Ora_Presenza,"
                      "Campo1,Campo2,Campo3,Campo4,Campo5,Campo6,Campo7,Campo8,Campo9,Campo10,Campo11,Campo12,Campo13,"
                      "Campo14,Campo15,Campo16,Campo17,Campo18,Campo19,Campo20,Campo21,Campo22,Codice_Struttura) VALUES (" +
                      num(numero_) + "," + clienteQ_ + "," + oggi_ + "," + ora_;
    for (int i = 1; i <= 22; ++i) sql += "," + Num_SqlQ(irr[static_cast<size_t>(i)]);
    exec(sql + "," + codiceStruttura + ")");
}

void Visita::scriviLog(const Log& l) {
    const Value fine = l.dataFine.toDate() ? Value(*l.dataFine.toDate()) : Value::null();
    exec("INSERT INTO Log_Entrate (Codice_Cliente,Cognome,Nome,Data_Presenza,Ora_Presenza,Semaforo1,Semaforo2,"
         "Semaforo3,Semaforo4,Irregolare1,Irregolare2,Irregolare3,Irregolare4,Irregolare5,Irregolare6,Irregolare7,"
         "Irregolare8,Irregolare9,Irregolare10,ID_Presenza,DesIrregolari,DesIrregolari_Att,DesIrregolari_Abb,"
         "DesIrregolari_Scad,Rinnovo, IndTerminale)  VALUES (" +
         clienteQ_ + "," + CChrQ(l.cognome) + "," + CChrQ(l.nome) + "," + oggi_ + "," + ora_ + "," + num(l.luci.s1) +
         "," + num(l.luci.s2) + "," + num(l.luci.s3) + "," + num(l.luci.s4) + ",0,0,0,0,0,0,0,0,0,0," + num(numero_) +
         "," + CChrQ(Value(l.stato)) + "," + CChrQ(Value(l.attivita)) + "," +
         CChrQ(Value(Primi_Caratteri(l.descrizione.toText(), 80))) + "," + Data_SqlQ(fine) + "," + Num_SqlQ(l.rinnovo) +
         "," + terminale_ + ")");
}

void Visita::scadenzaUscita(const Value& oraUscita, const std::optional<Value>& punti) {
    execDopo("INSERT INTO wTmp_OrarioUscita_SQL (Codice_Cliente, Data_Presenza, AOre)  SELECT " + clienteQ_ + " AS E1, " +
             oggi_ + " AS E2, " + Ora_SqlQ(oraUscita));
    if (punti) {
        execDopo("INSERT INTO Controllo_Fascia_Oraria (Modalita, Codice_Cliente, Data_Presenza, AOre, Ora_Presenza, "
                 "IndTerminale, Punti, Codice_Bis, ID_Entrata)  SELECT 2, Codice_Cliente, Data_Presenza, AOre, " + ora_ +
                 ", " + terminale_ + ", " + Num_SqlQ(*punti) + ", " + tesseraBis_ + ", " + num(idEntrata_) +
                 " FROM wTmp_OrarioUscita");
    } else {
        execDopo("INSERT INTO Controllo_Fascia_Oraria (Modalita, Codice_Cliente, Data_Presenza, AOre, Ora_Presenza, "
                 "IndTerminale, Codice_Bis, ID_Entrata)  SELECT 2, Codice_Cliente, Data_Presenza, AOre, " + ora_ + ", " +
                 terminale_ + "," + tesseraBis_ + ", " + num(idEntrata_) + " FROM wTmp_OrarioUscita");
    }
}

void Visita::aggiornaStato(const Value& statoPrecedente) {
    const Value stato = Stato_Cliente(s_.db, s_.settings, s_.clock, cliente_);
    if (stato.isNullOrEmpty()) return;
    if (stato.asNumber() && statoPrecedente.asNumber() && *stato.asNumber() == *statoPrecedente.asNumber()) return;
    exec("UPDATE Anagrafica_Clienti SET Stato=" + Num_SqlQ(stato) + " WHERE Codice_Cliente=" + clienteQ_);
}

}  // namespace velaris
