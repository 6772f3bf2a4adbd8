#include "processing/risposte.h"

#include <memory>

#include "attendance/dati_accessi.h"
#include "system/queue.h"
#include "system/sender.h"
#include "system/terminal_types.h"

namespace velaris {

namespace {

constexpr int kRitardoVerdetto = 2;

std::string righeNome(const Messaggio& m) {
    if (m.Codice_Proprietario.empty()) return {};
    return "|" + std::string(trimBlanks(m.Cognome.toText())) + "|" + std::string(trimBlanks(m.Nome.toText()));
}

void rifiuto(Sistema& s, Messaggio& m, const std::string& cliente) {
    const Corrente& c = s.corrente;
    const Verdetto& v = m.verdetto;
    if (c.Stop != 0) Attiva_Rele(s, Value(), 2, c.Tipo_Corrente);
    if (!tipoConDisplay(c.Tipo_Corrente)) return;
    const bool attivita = (*m.terminale)["Gestisci_Attivita"].toInt() != 0;
    std::string testo;
    if (attivita && v.FuoriFascia) {
        testo = "UTENTE|NON ABILITATO||FASCIA ORARIA";
    } else if (attivita && v.NessunIngresso) {
        testo = "UTENTE|NON ABILITATO||NESSUN INGRESSO";
    } else {
        const std::string motivo = Motivo_Rifiuto(s, m, cliente);
        testo = "\fSTOP|NON ABILITATO" + (motivo.empty() ? std::string() : "|" + motivo);
    }
    accoda(s, c.Indirizzo_Corrente, testo, kRitardoVerdetto);
}

void creditoInsufficiente(Sistema& s, const char* testo) {
    const Corrente& c = s.corrente;
    if (c.Stop != 0) Attiva_Rele(s, Value(), 2, c.Tipo_Corrente);
    if (!tipoConDisplay(c.Tipo_Corrente)) return;
    accoda(s, c.Indirizzo_Corrente, "\fSTOP|NON ABILITATO", kRitardoVerdetto);
    accoda(s, c.Indirizzo_Corrente, testo, kRitardoVerdetto);
}

}  // namespace

std::string rigaCreditoResiduo(const Money& credito, bool euro) {
    return "CREDITO RESIDUO:| " + formatMoney(credito) + (euro ? " \u20ac " : "");
}
bool tipoConDisplay(int t) { return tipo::conDisplay(t); }

void Rispondi_Personale(Sistema& s, const EsitoPersonale& p) {
    const int address = s.corrente.Indirizzo_Corrente;
    const int tipo = s.corrente.Tipo_Corrente;
    if (!p.Ammesso) {
        if (tipoConDisplay(tipo)) accoda(s, address, "\fSTOP|NON ABILITATO", kRitardoVerdetto);
    } else {
        if (tipoConDisplay(tipo)) {
            accoda(s, address, "\fOK|ABILITATO", kRitardoVerdetto);
            if (!p.Testo_Terminale.empty()) accoda(s, address, p.Testo_Terminale, kRitardoVerdetto);
        }
        if (tipo == tipo::HttpPush) Attiva_Rele(s, Value(1), 1, tipo);
    }

    DatiAccessi d;
    d.Completo = Value(1);
    d.Codice_Tessera = s.lettura.Tessera_Letta.empty() ? p.Codice : Value(s.lettura.Tessera_Letta);
    d.Codice = p.Codice;
    d.Cognome = p.Cognome;
    d.Nome = p.Nome;
    d.Data_Entrata = p.Data;
    d.Ora_Entrata = p.Ora;
    d.Foto = p.Foto;
    d.DesStato = Value(p.Ruolo);
    d.Sem2 = Value(p.Ammesso ? 1 : 0);
    d.Struttura_Ingresso = Value("INGRESSO");
    d.Entrata = Value(p.Testo_Display);
    d.Terminale = Value(address);
    d.Monitor_Aggiuntivo = Value(static_cast<int>(s.corrente.Monitor_Aggiuntivo));
    VisualizzaDatiForm(s, d);
    Marker_DatiAccessi(s);
}

std::string Motivo_Rifiuto(Sistema& s, const Messaggio& m, const std::string& cliente) {
    const Verdetto& v = m.verdetto;
    if (v.FuoriFascia) return "FASCIA ORARIA";
    if (v.NessunIngresso) return "NESSUN INGRESSO";
    // The centre terms of the overdue condition name Codice_Centro, which the scratch table
    // and the modality table do not have: the reason is looked up without them.
    const std::string filtro = s.corrente.Filtro_Centro.empty()
                                   ? s.corrente.Filtro_Irregolarita
                                   : costruisciFiltroIrregolarita(s, m.oggi, true, std::string());
    // The scratch table keeps the rows of whichever member filled it last: only this
    // member's rows may give the reason.
    auto rs = s.db.open(std::string("SELECT TOP 1 Descrizi2 ") +
                        " FROM wTmp_Presenze_Irregolarita INNER JOIN wCab_Modalita_Verifiche ON "
                        "wTmp_Presenze_Irregolarita.Modalita=wCab_Modalita_Verifiche.Modalita " +
                        " WHERE " +
                        Sostituisci_Testo(filtro + s.settings.Filtro_NoEntry(), "Modalita",
                                          "wTmp_Presenze_Irregolarita.Modalita") +
                        " AND wTmp_Presenze_Irregolarita.Codice_Cliente=" + CChrQ(Value(cliente)));
    if (rs->eof()) return {};
    return std::string(trimBlanks(rs->field(0).toText()));
}

void Rispondi_Verdetto(Sistema& s, Messaggio& m, const std::string& cliente) {
    const Corrente& c = s.corrente;
    const Verdetto& v = m.verdetto;
    const int address = c.Indirizzo_Corrente;
    switch (v.Esito) {
        case 0: {
            // An entry that was recorded has had its gate opened by the recording.
            if (!v.Registrato && c.Vai != 0) Attiva_Rele(s, Value(), 1, c.Tipo_Corrente);
            if (tipoConDisplay(c.Tipo_Corrente)) {
                accoda(s, address, (v.Altra_Attivita ? "\fUTENTE|ABILITATO" : "\fOK|ABILITATO") + righeNome(m),
                       kRitardoVerdetto);
                for (const std::string& riga : v.Info)
                    if (!riga.empty()) accoda(s, address, riga, kRitardoVerdetto);
                if (!v.Info_Ulteriore.empty()) accoda(s, address, v.Info_Ulteriore, kRitardoVerdetto);
            }
            if ((*m.terminale)["Stampa_Scontrino"].toBool())
                Stampa_Scontrino(s, address, Value(cliente), v.Servizio, v.Residui, v.Scadenza);
            break;
        }
        case 3:
            if (c.Stop != 0) Attiva_Rele(s, Value(), 2, c.Tipo_Corrente);
            if (tipoConDisplay(c.Tipo_Corrente)) accoda(s, address, "\fCLIENTE|SOSPESO", kRitardoVerdetto);
            break;
        case 5: creditoInsufficiente(s, "CREDITO PUNTI|INSUFFICIENTE"); break;
        case 6: creditoInsufficiente(s, "CREDITO MONEY CARD|INSUFFICIENTE"); break;
        default: rifiuto(s, m, cliente); break;
    }
}

void Fine_Verdetto(Sistema& s, Messaggio& m, const std::string& codice, bool ammesso) {
    const Verdetto& v = m.verdetto;
    if ((*m.terminale)["Visualizza_Dett"].toBool()) {
        std::string altre;
        if (v.Esito == 5)
            altre = ", Entrata = 'INGRESSO NON CONSENTITO' , TestoIrr = TestoIrr + 'CREDITO PUNTI INSUFFICIENTE' , Sem1 = 1 ";
        else if (v.Esito == 6)
            altre = ", Entrata = 'INGRESSO NON CONSENTITO' , TestoIrr = TestoIrr + 'CREDITO MONEY CARD INSUFFICIENTE' "
                    ", Sem1 = 1 ";
        else
            altre = v.Altre_DatiAccessi;
        Completa_DatiAccessi(s, Value(codice), ammesso, s.esiti.EsitoT_FuoriOrario, s.esiti.EsitoT_Sospeso, altre);
    }
    if (!s.settings.Leggi_Impostazione(impostazione::Gestione_Entrate).toBool() && v.Esito != 6) Marker_DatiAccessi(s);
}

void Segnale_Acustico(Sistema& s, int volte) {
    for (int i = 1; i <= volte; ++i) {
        auto timer = std::make_shared<asio::steady_timer>(s.loop.io(), std::chrono::milliseconds(600 * i));
        timer->async_wait([timer, &operatore = s.operatore](const asio::error_code& ec) {
            if (!ec) operatore.beep();
        });
    }
}

void Verifica_Ingressi_Residui(Sistema& s, Messaggio& m, const std::string& cliente, const Value& struttura) {
    const std::string oggi = Data_SqlQ(Value(m.oggi));
    const std::string c = CChrQ(Value(cliente));
    const std::string f = CChrQ(struttura);
    auto somma = [&](const std::string& sql) {
        auto rs = s.db.open(sql);
        return rs->eof() ? 0.0 : rs->field(0).toDouble();
    };
    const double residui =
        somma("SELECT Sum(Sedute-SeduteFatte) AS IngressiResidui  FROM Iscrizioni_Strutture  WHERE Codice_Cliente=" + c +
              " AND TipoSedute=2 AND Codice_Struttura=" + f + " AND Scaduta=0 AND Data_Inizio<=" + oggi) +
        somma("SELECT Sum(Sedute-SeduteFatte) AS IngressiResidui  FROM Gestione_Aggiunte  WHERE Codice_Cliente=" + c +
              " AND Codice_Struttura=" + f + " AND Scaduta=0 AND Data_Inizio<=" + oggi);
    const std::string descrizione =
        std::string(trimBlanks(DLookUpQ(s.db, "Descrizione", "Anagrafica_Strutture", "Codice_Struttura=" + f).toText()));
    accoda(s, s.corrente.Indirizzo_Corrente,
           "\f" + descrizione + righeNome(m) + "|RESIDUO: " + formatNumber(residui), kRitardoVerdetto);
}

}  // namespace velaris
