#include "checks/prenotazioni.h"

#include <vector>

#include "base/format.h"
#include "checks/abbonamenti_terminali.h"

namespace velaris {

namespace {

std::string data(const DateTime& d) { return Data_SqlQ(Value(d)); }

// A slot row as read, before the walk judges it.
struct Riga {
    SlotPrenotato slot;
    DateTime giorno;
};

std::vector<Riga> slotDelCliente(Sistema& s, const Value& idTerminale, const std::string& cliente,
                                 const DateTime& oggi) {
    auto rs = s.db.open(
        "SELECT Dettaglio_Terminali_Sub.Cd_SubStruttura, Agenda_Struttura.DaOre, Agenda_Struttura.AOre, ID_Terminale, "
        "Vai, TempoVai, NReleVai, IOX, TempoAnticipo, TempoRitardo, TempoApertura, Esterna, "
        "Anagrafica_Strutture.Codice_Struttura, Anagrafica_Strutture.Descrizione, Booking_Clienti.ID_PivotPrenotazione, "
        "Agenda_Struttura.Data_Prenotazione "
        " FROM (((Dettaglio_Terminali_Sub INNER JOIN Agenda_Struttura ON Dettaglio_Terminali_Sub.Cd_SubStruttura = "
        "Agenda_Struttura.Cd_SubStruttura) INNER JOIN Booking_Clienti ON Agenda_Struttura.ID_PivotPrenotazione = "
        "Booking_Clienti.ID_PivotPrenotazione) INNER JOIN Anagrafica_SubStrutture ON Dettaglio_Terminali_Sub.Cd_SubStruttura "
        "= Anagrafica_SubStrutture.Cd_SubStruttura) INNER JOIN Anagrafica_Strutture ON "
        "Anagrafica_SubStrutture.Codice_Struttura = Anagrafica_Strutture.Codice_Struttura "
        " WHERE Booking_Clienti.Codice_Cliente=" + CChrQ(Value(cliente)) +
        // Only this terminal's machines; the days around today too, so that a window that
        // crosses midnight is found from either side.
        " AND Dettaglio_Terminali_Sub.ID_Terminale=" + Num_SqlQ(idTerminale) +
        " AND Agenda_Struttura.Data_Prenotazione>=" + data(oggi.addDays(-1)) +
        " AND Agenda_Struttura.Data_Prenotazione<=" + data(oggi.addDays(1)) +
        " ORDER BY Agenda_Struttura.Data_Prenotazione, Agenda_Struttura.DaOre");
    std::vector<Riga> out;
    for (; !rs->eof(); rs->moveNext()) {
        const auto giorno = rs->field(15).toDate();
        const auto inizio = rs->field(1).toDate();
        if (!giorno || !inizio) continue;  // a slot without a day or a start cannot be placed
        Riga r;
        r.giorno = giorno->datePart();
        SlotPrenotato& p = r.slot;
        p.Cd_SubStruttura = rs->field(0);
        p.DaOre = rs->field(1);
        p.AOre = rs->field(2);
        p.TempoVai = rs->field(5).toInt();
        p.NReleVai = rs->field(6).toInt();
        p.IOX = rs->field(7).toBool();
        p.Codice_Struttura = rs->field(12);
        p.Descrizione_Struttura = rs->field(13);
        p.ID_Prenotazione = rs->field(14).toInt();
        const DateTime avvio = r.giorno.addSeconds(inizio->secondOfDay());
        p.apertura = avvio.addSeconds(-60 * rs->field(8).toInt());
        p.chiusura = avvio.addSeconds(60 * rs->field(9).toInt());
        out.push_back(std::move(r));
    }
    return out;
}

}  // namespace

bool Prenotazione_Attivata(Sistema& s, int64_t idPrenotazione) {
    if (s.attivazioni.prenotazioni.count(idPrenotazione) > 0) return true;
    std::string dominio = "Stato_Terminali";
    return DCountQ(s.db, "*", dominio, "ID_Prenotazione=" + Num_SqlQ(Value(static_cast<long long>(idPrenotazione)))) != 0;
}

void Segna_Prenotazione_Attivata(Sistema& s, int64_t idPrenotazione, const DateTime& giorno) {
    auto& p = s.attivazioni.prenotazioni;
    const DateTime limite = s.clock.now().datePart().addDays(-1);
    std::erase_if(p, [&](const auto& e) { return e.second < limite; });
    p[idPrenotazione] = giorno.datePart();
}

PrenotazioneTrovata Cerca_Prenotazione(Sistema& s, const Value& idTerminale, const std::string& cliente,
                                       const DateTime& adesso) {
    const DateTime oggi = adesso.datePart();
    const DateTime domani = oggi.addDays(1);
    PrenotazioneTrovata attivata, fuori;
    for (Riga& r : slotDelCliente(s, idTerminale, cliente, oggi)) {
        const SlotPrenotato& p = r.slot;
        if (p.chiusura < oggi || p.apertura >= domani) continue;  // its window does not touch today
        const bool dentro = p.apertura <= adesso && adesso <= p.chiusura;
        if (!dentro) {
            fuori.esito = EsitoSlot::FuoriOrario;
            continue;
        }
        if (Prenotazione_Attivata(s, p.ID_Prenotazione)) {
            if (attivata.esito != EsitoSlot::GiaAttivata) attivata = {EsitoSlot::GiaAttivata, p};
            continue;
        }
        return {EsitoSlot::Utilizzabile, p};
    }
    if (attivata.esito == EsitoSlot::GiaAttivata) return attivata;
    return fuori;
}

std::optional<TitoloPrenotazione> Abbonamento_Prenotazione(Sistema& s, const std::string& cliente,
                                                          const Value& struttura, const DateTime& oggi) {
    const std::string c = CChrQ(Value(cliente));
    const std::string f = CChrQ(struttura);
    const std::string d = data(oggi);
    // Counted in entries and none left: the deduction would not count this use.
    auto esaurita = [](const Value& sedute, const Value& residue) {
        return sedute.toInt() > 0 && residue.toInt() <= 0;
    };
    {
        // Every valid line, oldest first: the first with entries left pays, and the entry
        // is counted on that very line (a used-up line of the same subscription must not
        // hide it, nor take the count).
        auto rs = s.db.open(
            "SELECT Iscrizioni_Strutture.Codice_Abbonamento AS Abbonamento, Iscrizioni_Strutture.Codice_Iscrizione, "
            "Iscrizioni_Strutture.Data_Fine, Iscrizioni_Strutture.TipoSedute, "
            "Iscrizioni_Strutture.Sedute-Iscrizioni_Strutture.SeduteFatte AS SeduteResidue, Iscrizioni_Strutture.Sedute, "
            "Iscrizioni_Strutture.ID "
            "FROM Iscrizioni_Strutture INNER JOIN Anagrafica_Strutture ON "
            "Iscrizioni_Strutture.Codice_Struttura=Anagrafica_Strutture.Codice_Struttura "
            "WHERE Iscrizioni_Strutture.Codice_Cliente=" + c + " AND (Iscrizioni_Strutture.Codice_Struttura=" + f +
            " OR Anagrafica_Strutture.Omnia<>0)" + " AND ((Data_Inizio<=" + d + " AND (Data_Fine>=" + d +
            " OR Data_Fine IS Null)) AND Scaduta=0) " +
            "ORDER BY Iscrizioni_Strutture.Data_Inizio, Iscrizioni_Strutture.ID");
        for (; !rs->eof(); rs->moveNext()) {
            if (esaurita(rs->field(5), rs->field(4))) continue;
            TitoloPrenotazione t;
            t.Codice_Abbonamento = rs->field(0);
            t.Codice_Iscrizione = rs->field(1);
            t.Data_Fine = rs->field(2);
            t.ID_Riga = rs->field(6).toInt();
            return t;
        }
    }
    auto rs = s.db.open("SELECT TOP 1 ID, Codice_Struttura, FrequenzaDD, ID_Intervallo, Singola, Pren_DaOre, Pren_AOre, "
                        "Data_Fine, Sedute, Sedute-SeduteFatte AS SeduteResidue "
                        "FROM Gestione_Aggiunte "
                        "WHERE Codice_Cliente=" + c + " AND Codice_Struttura=" + f + " AND Data_Inizio<=" + d +
                        " AND Scaduta=0 " + "ORDER BY Data_Inizio");
    if (rs->eof() || esaurita(rs->field(8), rs->field(9))) return std::nullopt;
    TitoloPrenotazione t;
    t.Codice_Iscrizione = Value::null();
    t.ID_Aggiunta = rs->field(0);
    t.Data_Fine = rs->field(7);
    return t;
}

int Verifica_Abbonamenti_Prenotazioni(Sistema& s, const std::string& cliente, const DateTime& oggi, DatiAccessi& d) {
    const std::string c = CChrQ(Value(cliente));
    const std::string oggiSql = data(oggi);
    d.Codice = Value(cliente);
    d.Data_Entrata = Value(oggi);
    d.Ora_Entrata = Value(s.clock.now().timeOnDay1900());
    d.Terminale = Value(s.corrente.Indirizzo_Corrente);
    d.Monitor_Aggiuntivo = Value(static_cast<int>(s.corrente.Monitor_Aggiuntivo));
    d.Entrata = Value("INGRESSO NON CONSENTITO");

    // Step 1: the member, the current subscription and the status word.
    Value controlli;
    {
        auto rs = s.db.open("SELECT Anagrafica_Clienti.Cognome, Anagrafica_Clienti.Nome, Anagrafica_Clienti.Indirizzo, "
                            "Anagrafica_Clienti.Stato, Anagrafica_Clienti.Foto, Anagrafica_Clienti.Codice_Consulente, "
                            "Anagrafica_Clienti.Controlli_Cliente "
                            "FROM Anagrafica_Clienti "
                            "WHERE Anagrafica_Clienti.Codice_Cliente=" + c);
        if (rs->eof()) {
            s.log.error(0, "Member " + cliente + " not found: booked use refused", "Verifica_Abbonamenti_Prenotazioni");
            return kVAP_Sconosciuto;
        }
        d.Cognome = rs->field(0);
        d.Nome = rs->field(1);
        d.Indirizzo = rs->field(2);
        d.Stato = rs->field(3);
        d.Foto = rs->field(4);
        d.Codice_Consulente = rs->field(5);
        controlli = rs->field(6);
    }
    d.DesStato = Value(descrizioneStato(d.Stato));
    {
        auto rs = s.db.open("SELECT Gestione_Iscrizioni.Codice_Abbonamento, Gestione_Iscrizioni.Descrizione, "
                            "Gestione_Iscrizioni.Codice_Iscrizione, Gestione_Iscrizioni.Data_Fine AS Scadenza  FROM "
                            "Anagrafica_Clienti INNER JOIN Gestione_Iscrizioni ON "
                            "Anagrafica_Clienti.Codice_Cliente=Gestione_Iscrizioni.Codice_Cliente  WHERE "
                            "Anagrafica_Clienti.Codice_Cliente=" + c + " AND Gestione_Iscrizioni.Data_Inizio<=" + oggiSql +
                            " AND Gestione_Iscrizioni.Scaduta=0  ORDER BY Gestione_Iscrizioni.Data_Inizio");
        // The newest current subscription describes the member.
        for (; !rs->eof(); rs->moveNext()) {
            d.Codice_Abbonamento = rs->field(0);
            d.Codice_Iscrizione = rs->field(2);
            d.Scadenza = rs->field(3);
            std::string testo = rs->field(1).toText();
            if (const auto fine = rs->field(3).toDate(); fine && !Nullo_Vuoto(rs->field(3)))
                testo += " scadenza " + formatDate(*fine, "dd/mm/yyyy");
            d.DesAbbonamento = Value(testo);
        }
    }

    // The member's own control setting decides before anything else.
    const int64_t controlliCliente = ZeroSeNullo(controlli);
    if (controlliCliente == 2) {
        d.Entrata = Value("INGRESSO CONSENTITO");
        return kVAP_Ammesso;
    }

    // Step 2: overdue fees, as the terminal check counts them (the overdue condition with
    // its days of grace that the intake built for this read, the kinds that refuse entry);
    // the open items are staged for the reason on the display.
    const bool irregolare = !s.db.open("SELECT TOP 1 Modalita  FROM Giornale  WHERE " + s.corrente.Filtro_Irregolarita +
                                       s.settings.Filtro_NoEntry() + " And Codice_Cliente = " + c)
                                 ->eof();
    std::string testoIrr;
    if (irregolare) {
        s.db.execute("DELETE FROM wTmp_Presenze_Irregolarita");
        s.db.execute("INSERT INTO wTmp_Presenze_Irregolarita_SQL (ID,Codice_Cliente,Modalita,CodiceS,CodiceN,Data_Scadenza,"
                     "[Check])  SELECT ID,Codice_Cliente,Modalita,Codice1_S,Codice1_N,Data_Scadenza,0  FROM Giornale  WHERE "
                     "Codice_Cliente=" + c + " AND Modalita Not In (10,12,13)  AND ((Modalita In (2,3,11,14,19,20,21)) OR "
                     "(Modalita Not In (2,3,11,14,19,20,21) " + s.corrente.Filtro_Centro + "))");
        std::vector<int> modalita;
        {
            auto rs = s.db.open("SELECT DISTINCT Modalita  FROM wTmp_Presenze_Irregolarita");
            for (; !rs->eof(); rs->moveNext()) modalita.push_back(static_cast<int>(rs->field(0).toInt()));
        }
        for (int m : modalita) {
            const std::string testo = Descrizione_Modalita(s, m);
            if (testo.empty()) continue;
            testoIrr += (testoIrr.empty() ? "" : " - ") + testo;
        }
    }
    d.TestoIrr = Value(testoIrr);
    d.TestoIrr_Push = Value(testoIrr);
    d.Sem1 = Value(irregolare ? 1 : 0);

    // Step 3: messages; a blocking one refuses, any other lights the display.
    const std::string messaggi = "SELECT TOP 1 ID  FROM Messaggi_Clienti  WHERE Codice_Cliente=" + c;
    const bool bloccante = !s.db.open(messaggi + " And Bloccante<>0 And Ricevuto=0 And Data_Messaggio<=" + oggiSql)->eof();
    const bool messaggio =
        bloccante || !s.db.open(messaggi + " And Bloccante=0 And Ricevuto=0 And Data_Messaggio<=" + oggiSql)->eof();
    d.Messaggio = Value(messaggio ? 1 : 0);

    int esito = kVAP_Ammesso;
    if (controlliCliente == 3) esito = kVAP_Controlli;
    else if (irregolare) esito = kVAP_Irregolare;
    else if (bloccante) esito = kVAP_Messaggio;
    // Step 4.
    if (esito == kVAP_Ammesso) d.Entrata = Value("INGRESSO CONSENTITO");
    return esito;
}

}  // namespace velaris
