#include "attendance/uscite.h"

#include "attendance/dati_accessi.h"
#include "attendance/money_card.h"
#include "attendance/punti.h"
#include "base/format.h"
#include "checks/abbonamenti_terminali.h"
#include "db/setting_slots.h"

namespace velaris {

namespace {

std::string num(int64_t n) { return std::to_string(n); }

}  // namespace

Uscita::Uscita(Sistema& s, const LetturaUscita& l) : s_(s), l_(l) {
    t_ = s.registro.perIndirizzo(l.Indirizzo);
    cliente_ = CChrQ(Value(l.Codice));
    data_ = Data_SqlQ(Value(l.Data));
    ora_ = Ora_SqlQ(Value(l.Ora));
    terminale_ = num(l.Indirizzo);
    // A stay recorded with a card code of up to 20 characters is closed by that card only.
    tessera_ = " AND ((Len(Codice_Bis)<=20 AND Codice_Bis=" + CChrQ(Value(l.Tessera)) + ") OR (Len(Codice_Bis)>20)) ";
}

DateTime Uscita::momento(const DateTime& giorno, const Value& ora) const {
    const auto t = ora.toDate();
    return giorno.datePart().addSeconds(t ? t->secondOfDay() : 0);
}

DecisioneUscita Uscita::decidi() {
    d_ = {};
    if (Nullo_Vuoto(Value(l_.Codice))) {
        d_.via = DecisioneUscita::Via::NonAssegnato;
        return d_;
    }
    if (tipoPersonale(l_.Codice)) return d_ = personale();
    const int64_t uscita = t_ ? (*t_)["Uscita"].toInt() : kUscitaNo;
    if (uscita == kUscitaEntrambe && !stessoTerminale()) {
        d_.via = DecisioneUscita::Via::Entrata;
        return d_;
    }
    soggiorno();
    if (!trovato_) return d_;  // no entry recorded: refused, nothing written but the log
    if (idEntrata_ == 0) accompagnamento();
    decisione();
    return d_;
}

// Staff reads toggle a staff stay at this terminal.
DecisioneUscita Uscita::personale() {
    tipo_ = tipoPersonale(l_.Codice);
    DecisioneUscita d;
    {
        auto rs = s_.db.open(std::string("SELECT TOP 1 ") + tipo_->chiave + ", Cognome, Nome, Ingresso  FROM " +
                             tipo_->tabella + "  WHERE " + tipo_->chiave + "=" + cliente_);
        if (rs->eof()) {
            d.via = DecisioneUscita::Via::NonAssegnato;
            return d;
        }
        cognome_ = rs->field(1);
        nome_ = rs->field(2);
        letta_ = true;
    }
    auto rs = s_.db.open("SELECT TOP 1 Ora_Presenza  FROM Controllo_Fascia_Oraria  WHERE Codice_Cliente=" + cliente_ +
                         " AND Data_Presenza=" + data_ + " AND Modalita=2 AND IndTerminale=" + terminale_ +
                         " ORDER BY Ora_Presenza ");
    if (rs->eof()) {
        entraPersonale_ = true;
        d.via = DecisioneUscita::Via::Entrata;
        return d;
    }
    // Leaving is never refused: the staff member's `Ingresso` flag governs entering only.
    d.via = DecisioneUscita::Via::Personale;
    d.stato = StatoUscita::Consentita;
    d.consentita = true;
    return d;
}

// A terminal that serves both ways reads an exit only for a stay entered through it. A
// stay of the previous day still open counts: it crossed midnight.
bool Uscita::stessoTerminale() {
    auto rs = s_.db.open("SELECT TOP 1 Ora_Presenza  FROM Controllo_Fascia_Oraria  WHERE Codice_Cliente=" + cliente_ +
                         " AND Data_Presenza>=" + Data_SqlQ(Value(l_.Data.addDays(-1))) +
                         " AND Data_Presenza<=" + data_ + " AND Modalita=2 AND IndTerminale=" + terminale_ + tessera_ +
                         " ORDER BY Ora_Presenza ");
    return !rs->eof();
}

// The stay: today's earliest, or else one of the previous day still open (an entry late in
// the evening leaving after midnight); at a paired exit only stays entered through its
// entry terminals.
void Uscita::soggiorno() {
    {
        auto rs = s_.db.open(
            "SELECT TOP 1 Dettaglio_Terminali_Uscita.ID  FROM Dettaglio_Terminali_Uscita INNER JOIN Dettaglio_Terminali "
            "ON Dettaglio_Terminali_Uscita.ID_Terminale = Dettaglio_Terminali.ID  WHERE Dettaglio_Terminali.Indirizzo=" +
            terminale_);
        if (!rs->eof() && t_)
            abbinate_ = " AND IndTerminale IN (SELECT Indirizzo  FROM Dettaglio_Terminali INNER JOIN "
                        "Dettaglio_Terminali_Uscita ON Dettaglio_Terminali.ID = "
                        "Dettaglio_Terminali_Uscita.ID_Terminale_Entrata  WHERE Dettaglio_Terminali_Uscita.ID_Terminale=" +
                        Num_SqlQ((*t_)["ID"]) + ")";
    }
    auto rs = s_.db.open("SELECT TOP 1 ID, AOre, ID_Presenza, Data_Presenza, Ora_Presenza, IndTerminale, Punti, "
                         "ID_Entrata  FROM Controllo_Fascia_Oraria  WHERE Codice_Cliente=" + cliente_ +
                         " AND Data_Presenza>=" + Data_SqlQ(Value(l_.Data.addDays(-1))) + " AND Data_Presenza<=" +
                         data_ + " AND Modalita=2 " + tessera_ + abbinate_ +
                         " ORDER BY Data_Presenza DESC, Ora_Presenza");
    if (rs->eof()) return;
    trovato_ = true;
    idRiga_ = rs->field(0).toInt();
    aOre_ = rs->field(1);
    idPresenza_ = rs->field(2).toInt();
    dataPresenza_ = rs->field(3);
    oraPresenza_ = rs->field(4);
    indTerminale_ = static_cast<int>(rs->field(5).toInt());
    punti_ = rs->field(6).toInt();
    idEntrata_ = rs->field(7).toInt();
}

// A stay recorded without its number takes the one of the accompanied activity's band.
void Uscita::accompagnamento() {
    auto rs = s_.db.open("SELECT TOP 1 Controllo_Fascia_Oraria.ID_Entrata  FROM Controllo_Fascia_Oraria  WHERE "
                         "Modalita=1 And Codice_Cliente=" + cliente_ + " And Data_Presenza=" + data_ +
                         " And ((DaOre Is Null) OR (DaOre<=" + ora_ + " And AOre>=" + ora_ + ")) " + tessera_ +
                         abbinate_);
    if (!rs->eof()) idEntrata_ = rs->field(0).toInt();
}

void Uscita::decisione() {
    using Via = DecisioneUscita::Via;
    if (t_ && (*t_)["Gestione_Punti"].toBool() && punti_ != 0) {
        d_.via = Via::Punti;
        return;
    }
    const auto giornoStay = dataPresenza_.toDate();
    if (!Nullo_Vuoto(aOre_) && aOre_.toDate()) {
        // The deadline is a time on the stay's own day: an exit on the next day is past it.
        const DateTime limite = momento(giornoStay ? *giornoStay : l_.Data, aOre_);
        if (momento(l_.Data, Value(l_.Ora)) <= limite) {
            d_.stato = StatoUscita::Consentita;
            d_.consentita = true;
        } else {
            d_.stato = StatoUscita::FuoriOrario;
            d_.consentita = ZeroSeNullo(s_.settings.Leggi_Impostazione(impostazione::NoExit)) == 0;
        }
        return;
    }
    tariffa();
}

// No deadline: a terminal with a time tariff for the stay's entry charges the time spent;
// without one there is nothing to pay and no credit to ask.
void Uscita::tariffa() {
    const std::string entrata = Ora_SqlQ(oraPresenza_);
    auto rs = s_.db.open(
        "SELECT TOP 1 Dettaglio_Terminali_Punti.Importo, Dettaglio_Terminali_Punti.Unita_Min, "
        "Dettaglio_Terminali_Punti.Fraz_Min, Dettaglio_Terminali_Punti.Importo_Fraz, "
        "Dettaglio_Terminali_Punti.Tolleranza  FROM Dettaglio_Terminali_Punti INNER JOIN Dettaglio_Terminali ON "
        "Dettaglio_Terminali_Punti.ID_Terminale=Dettaglio_Terminali.ID  WHERE Dettaglio_Terminali_Punti.Tipo=3 AND "
        "Dettaglio_Terminali.Indirizzo=" + terminale_ + " AND Dettaglio_Terminali_Punti.DDSettimana=" + num(l_.Giorno) +
        " AND Dettaglio_Terminali_Punti.Fascia_Ini<=" + entrata + " AND Dettaglio_Terminali_Punti.Fascia_Fin>=" +
        entrata + " AND Dettaglio_Terminali_Punti.Data_Validita<=" + data_ +
        " AND (Dettaglio_Terminali_Punti.Fine_Validita Is Null OR Dettaglio_Terminali_Punti.Fine_Validita>=" + data_ +
        ")  ORDER BY Dettaglio_Terminali_Punti.Data_Validita DESC");
    if (!rs->eof()) {
        d_.via = DecisioneUscita::Via::Denaro;
        return;
    }
    d_.stato = StatoUscita::Consentita;
    d_.consentita = true;
}

DecisioneUscita Uscita::addebita() {
    using Via = DecisioneUscita::Via;
    if (d_.via != Via::Punti && d_.via != Via::Denaro) return d_;
    // The stay is claimed before it is charged: another workstation that closed it in the
    // meantime has taken the row, and the stay is not charged twice.
    s_.db.execute("DELETE FROM Controllo_Fascia_Oraria  WHERE ID=" + num(idRiga_) + " AND Modalita=2");
    if (s_.db.rowsChanged() != 1) {
        d_.stato = StatoUscita::NonRegistrata;
        d_.consentita = false;
        return d_;
    }
    bool pagata = true;
    // A stay recorded without its entry time has no time to charge.
    if (const auto entrata = oraPresenza_.toDate(); entrata && !Nullo_Vuoto(oraPresenza_)) {
        const DateTime ora = entrata->timeOnDay1900();
        const DateTime adesso = momento(l_.Data, Value(l_.Ora));
        const Value cliente(l_.Codice);
        pagata = d_.via == Via::Punti
                     ? Addebito_Uscita_Punti(s_, cliente, l_.Indirizzo, ora, adesso, strutturaSoggiorno()).consentita
                     : Addebito_Uscita_MoneyCard(s_, cliente, l_.Indirizzo, ora, adesso).consentita;
    }
    d_.stato = pagata ? StatoUscita::Consentita : StatoUscita::CreditoEsaurito;
    d_.consentita = pagata;
    return d_;
}

// The facility whose points pay the stay: the entry terminal's, else the exit's own.
Value Uscita::strutturaSoggiorno() const {
    for (const TerminalRow* t : {s_.registro.perIndirizzo(indTerminale_), t_})
        if (t && !Nullo_Vuoto((*t)["Codice_Struttura"])) return (*t)["Codice_Struttura"];
    return Value();
}

void Uscita::registra() {
    using Via = DecisioneUscita::Via;
    if (d_.via == Via::Entrata && entraPersonale_) {
        s_.db.execute("INSERT INTO Controllo_Fascia_Oraria (Modalita, Codice_Cliente, Data_Presenza, Ora_Presenza, "
                      "IndTerminale)  VALUES (2, " + cliente_ + ", " + data_ + ", " + ora_ + ", " + terminale_ + ")");
    } else if (d_.via == Via::Personale) {
        registraPersonale();
    } else if ((d_.via == Via::Cliente || d_.via == Via::Punti || d_.via == Via::Denaro) &&
               (d_.stato == StatoUscita::Consentita || d_.stato == StatoUscita::FuoriOrario)) {
        // A charged stay reaches here only once `addebita` has paid it.
        registraCliente();
    }
}

void Uscita::registraPersonale() {
    s_.db.execute("DELETE FROM Controllo_Fascia_Oraria  WHERE Codice_Cliente = " + cliente_ + " AND Modalita=2 ");
    if (!t_ || !(*t_)["Personale"].toBool()) return;
    Value maxId, maxData;
    {
        auto rs = s_.db.open("SELECT Max(ID) AS MaxID, Max(Data_EntrataUscita) AS MaxData  FROM Gestione_Personale  "
                             "WHERE Codice=" + cliente_);
        if (rs->eof()) return;
        maxId = rs->field(0);
        maxData = rs->field(1);
    }
    // Only today's passage is closed: a register row left open on an earlier day stays as it is.
    const auto ultima = maxData.toDate();
    if (Nullo_Vuoto(maxId) || !ultima || ultima->datePart() != l_.Data.datePart()) return;
    {
        auto rs = s_.db.open("SELECT TOP 1 Ora_EntrataUscita, Ora_UscitaEntrata  FROM Gestione_Personale  WHERE ID=" +
                             Num_SqlQ(maxId));
        if (rs->eof() || !Nullo_Vuoto(rs->field(1))) return;
    }
    s_.db.execute("UPDATE Gestione_Personale  SET Ora_UscitaEntrata=" + ora_ + " WHERE ID=" + Num_SqlQ(maxId));
    registroAggiornato_ = true;
}

// One exit row per stay; the stay's deadline row is removed, with any the member left open
// on earlier days.
void Uscita::registraCliente() {
    const std::string stay = num(idEntrata_);
    const std::string chi = "Codice_Cliente=" + cliente_ + " AND Data_Uscita=" + data_ + " AND ID_Entrata=" + stay;
    bool esiste;
    {
        auto rs = s_.db.open("SELECT TOP 1 ID FROM Gestione_Uscite WHERE " + chi);
        esiste = !rs->eof();
    }
    if (!esiste) {
        s_.db.execute("INSERT INTO Gestione_Uscite (Codice_Cliente,                     Data_Uscita,                   "
                      "Ora_Uscita,                   Fuori_Orario,                Codice_Centro,                      "
                      "IndTerminale,                ID_Entrata)  VALUES (" + cliente_ + ", " + data_ + ", " + ora_ +
                      ", " + num(d_.stato == StatoUscita::FuoriOrario ? 1 : 0) + ", " +
                      CChrQ(s_.corrente.Codice_Centro_Corrente) + ", " + terminale_ + ", " + stay + ") ");
    } else {
        s_.db.execute("UPDATE Gestione_Uscite  SET Ora_Uscita=" + ora_ + " WHERE " + chi);
    }
    const auto giornoStay = dataPresenza_.toDate();
    s_.db.execute("DELETE FROM Controllo_Fascia_Oraria  WHERE Codice_Cliente = " + cliente_ + " AND Modalita=2 " +
                  tessera_ + abbinate_ + " AND (ID=" + num(idRiga_) + " OR Data_Presenza<" +
                  Data_SqlQ(Value(giornoStay ? giornoStay->datePart() : l_.Data)) + ")");
}

void Uscita::anagrafica() {
    if (letta_) return;
    letta_ = true;
    auto rs = s_.db.open("SELECT Anagrafica_Clienti.Cognome, Anagrafica_Clienti.Nome, Anagrafica_Clienti.Indirizzo, "
                         "Anagrafica_Clienti.Stato, Anagrafica_Clienti.Foto, Anagrafica_Clienti.Codice_Consulente, "
                         "Anagrafica_Clienti.Data_Registrazione FROM Anagrafica_Clienti WHERE "
                         "Anagrafica_Clienti.Codice_Cliente=" + cliente_);
    if (rs->eof()) return;
    cognome_ = rs->field(0);
    nome_ = rs->field(1);
    indirizzo_ = rs->field(2);
    statoCliente_ = rs->field(3);
    foto_ = rs->field(4);
    consulente_ = rs->field(5);
}

std::string Uscita::esito() const {
    if (d_.via == DecisioneUscita::Via::Personale)
        return registroAggiornato_ ? "USCITA PERSONALE REGISTRATA" : "USCITA PERSONALE";
    switch (d_.stato) {
        case StatoUscita::NonRegistrata: return "ENTRATA NON REGISTRATA";
        case StatoUscita::CreditoEsaurito: return "USCITA NON CONSENTITA. CREDITO ESAURITO";
        default: break;
    }
    if (!d_.consentita) return "USCITA NON CONSENTITA. FUORI ORARIO";
    return "USCITA CONSENTITA ORE: " + formatDate(l_.Ora, "hh:nn");
}

void Uscita::datiAccessi() {
    DatiAccessi d;
    d.Codice_Tessera = Value(l_.Tessera);
    d.Codice = Value(l_.Codice);
    d.Data_Entrata = Value(l_.Data);
    d.Ora_Entrata = Value(l_.Ora);
    d.Sem2 = Value(d_.consentita ? 1 : 0);
    d.Sem3 = Value(d_.stato == StatoUscita::Consentita ? 0 : 1);
    d.Struttura_Ingresso =
        Value("USCITA " + std::string(trimBlanks(t_ ? (*t_)["Descrizione"].toText() : std::string())));
    d.Entrata = Value(esito());
    d.Terminale = Value(l_.Indirizzo);
    d.CheckOut = Value(1);
    d.Monitor_Aggiuntivo = Value(static_cast<int>(s_.corrente.Monitor_Aggiuntivo));
    if (tipo_) {
        d.DesStato = Value(tipo_->ruolo);
    } else {
        anagrafica();
        d.Indirizzo = indirizzo_;
        d.Stato = statoCliente_;
        d.Foto = foto_;
        d.Codice_Consulente = consulente_;
        d.DesStato = Value(descrizioneStato(statoCliente_));
        if (trovato_) {
            d.Data_Ultima_Entrata = dataPresenza_;
            d.Ora_Ultima_Entrata = oraPresenza_;
        }
        auto rs = s_.db.open("SELECT Gestione_Iscrizioni.Codice_Abbonamento, Gestione_Iscrizioni.Descrizione, "
                             "Gestione_Iscrizioni.Codice_Iscrizione, Gestione_Iscrizioni.Data_Fine AS Scadenza  FROM "
                             "Anagrafica_Clienti INNER JOIN Gestione_Iscrizioni ON "
                             "Anagrafica_Clienti.Codice_Cliente=Gestione_Iscrizioni.Codice_Cliente  WHERE "
                             "Anagrafica_Clienti.Codice_Cliente=" + cliente_ + " AND Gestione_Iscrizioni.Data_Inizio<=" +
                             data_ + " AND Gestione_Iscrizioni.Scaduta=0  ORDER BY Gestione_Iscrizioni.Data_Inizio");
        if (!rs->eof()) {
            d.Codice_Abbonamento = rs->field(0);
            std::string des = rs->field(1).toText();
            if (auto fine = rs->field(3).toDate(); fine && !Nullo_Vuoto(rs->field(3)))
                des += " scadenza " + formatDate(*fine, "dd/mm/yyyy");
            d.DesAbbonamento = Value(des);
            d.Codice_Iscrizione = rs->field(2);
            d.Scadenza = rs->field(3);
        }
    }
    d.Cognome = cognome_;
    d.Nome = nome_;
    VisualizzaDatiForm(s_, d);
}

void Uscita::logEntrate() {
    if (tipo_) {
        s_.db.execute("INSERT INTO Log_Entrate (Codice_Cliente,Cognome,Nome,Data_Presenza,Ora_Presenza,DesIrregolari,"
                      "IndTerminale,Uscita) VALUES (" + cliente_ + "," + CChrQ(cognome_) + "," + CChrQ(nome_) + "," +
                      data_ + "," + ora_ + "," + CChrQ(Value(std::string("USCITA ") + tipo_->ruolo)) + "," +
                      terminale_ + ",1)");
        return;
    }
    anagrafica();
    const bool ok = d_.stato == StatoUscita::Consentita;
    const std::string riga =
        "USCITA " + std::string(trimBlanks(t_ ? (*t_)["Descrizione"].toText() : std::string()));
    s_.db.execute("INSERT INTO Log_Entrate (Codice_Cliente,     Cognome,     Nome,     Data_Presenza,     "
                  "Ora_Presenza,     Semaforo1,     Semaforo2,     Semaforo3,     ID_Presenza,     DesIrregolari,     "
                  "DesIrregolari_Att,     IndTerminale,     Uscita) VALUES (" + cliente_ + "," + CChrQ(cognome_) + "," +
                  CChrQ(nome_) + "," + data_ + "," + ora_ + ",0,0," + num(ok ? 0 : 1) + "," + num(idPresenza_) + "," +
                  CChrQ(Value(ok ? std::string("OK") : esito())) + "," + CChrQ(Value(riga)) + "," + terminale_ +
                  ",1)");
}

}  // namespace velaris
