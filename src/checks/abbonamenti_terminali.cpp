#include "checks/abbonamenti_terminali.h"

#include "checks/cliente.h"

#include "base/format.h"
#include "attendance/dati_accessi.h"
#include "checks/festivi.h"
#include "checks/frequenze.h"
#include "checks/orari.h"
#include "checks/irregolarita.h"

namespace velaris {

namespace {

constexpr const char* kFunzione = "Verifica_Abbonamenti_Terminali";

// The staff kinds; the position (1..6) is the `Tipologia` of their register rows.
constexpr TipoPersonale kPersonale[] = {
    {"CO", "Anagrafica_Consulenti", "Codice_Consulente", "VENDITORE"},
    {"IS", "Anagrafica_Istruttori", "Codice_Istruttore", "ISTRUTTORE"},
    {"ME", "Anagrafica_Medici", "Codice_Medico", "MEDICO"},
    {"FI", "Anagrafica_Fisioterapisti", "Codice_Fisioterapista", "FISIOTERAPISTA"},
    {"OP", "Anagrafica_Operatori", "Codice_Operatore", "OPERATORE"},
    {"ET", "Anagrafica_Estetisti", "Codice_Estetista", "ESTETISTA"},
};

// Fee modalities whose overdue items refuse entry at an external facility, with the
// setting that holds their days of grace.
struct Tolleranza {
    int modalita;
    int impostazione;
};
constexpr Tolleranza kTolleranze[] = {{5, 25},  {4, 69},  {6, 26},  {7, 27},   {8, 28},   {9, 29},
                                      {11, 31}, {15, 38}, {17, 111}, {18, 112}, {22, 214}};

bool trovaRiga(Sistema& s, const std::string& sql) {
    auto rs = s.db.open(sql);
    return !rs->eof();
}

const TerminalRow* terminaleCorrente(Sistema& s) {
    const TerminalRow* t = s.registro.corrente();
    if (t && t->indirizzo() == s.corrente.Indirizzo_Corrente) return t;
    return s.registro.perIndirizzo(s.corrente.Indirizzo_Corrente);
}

// A current line whose last end date is already past does not entitle, even while the
// management programs have not yet marked it expired.
bool scaduta(const Value& scadenza, const DateTime& oggi) {
    const auto d = scadenza.toDate();
    return d && d->datePart() < oggi;
}

}  // namespace

const TipoPersonale* tipoPersonale(const std::string& codice) {
    const std::string p = codice.substr(0, 2);
    for (const TipoPersonale& k : kPersonale)
        if (p == k.prefisso) return &k;
    return nullptr;
}

bool codicePersonale(const std::string& codice) { return tipoPersonale(codice) != nullptr; }

std::string descrizioneStato(const Value& stato) {
    switch (stato.toInt()) {
        case 1: return "ABBONATO";
        case 2: return "OCCASIONALE";
        case 3: return "EX CLIENTE";
        case 4: return "PROSPECT";
        case 5: return "IN RINNOVO";
        default: return "";
    }
}

std::string Descrizione_Modalita(Sistema& s, int m) {
    int slot = 0;
    switch (m) {
        case 2: slot = 1; break;
        case 3: slot = 2; break;
        case 14: slot = 3; break;
        case 19: slot = 4; break;
        case 20: slot = 5; break;
        case 21: slot = 6; break;
        default: break;
    }
    if (slot > 0) return "RINNOVO " + s.settings.Scadenze_Fisse()[static_cast<size_t>(slot)].Scadenza;
    return DLookUpQ(s.db, "Descrizi2", "wCab_Modalita_Verifiche", "Modalita=" + Num_SqlQ(Value(m))).toText();
}

int Verifica_Personale(Sistema& s, const Value& codiceValore) {
    const std::string codice = codiceValore.toText();
    const TipoPersonale* kind = nullptr;
    int tipologia = 0;
    for (size_t i = 0; i < std::size(kPersonale); ++i) {
        if (codice.rfind(kPersonale[i].prefisso, 0) == 0) {
            kind = &kPersonale[i];
            tipologia = static_cast<int>(i) + 1;
        }
    }
    if (!kind) return 0;

    const std::string q = CChrQ(codiceValore);
    const int address = s.corrente.Indirizzo_Corrente;
    Value cognome, nome, ingresso, foto;
    {
        auto rs = s.db.open(std::string("SELECT TOP 1 ") + kind->chiave + ", Cognome, Nome, Ingresso, Foto " + " FROM " +
                            kind->tabella + " " + " WHERE " + kind->chiave + "=" + q);
        if (rs->eof()) return 0;
        cognome = rs->field(1);
        nome = rs->field(2);
        ingresso = rs->field(3);
        foto = rs->field(4);
    }
    const DateTime now = s.clock.now();
    const Value oggi(now.datePart());
    const Value ora(now.timeOnDay1900());
    const TerminalRow* t = terminaleCorrente(s);

    std::string testoDisplay = "INGRESSO CONSENTITO";
    std::string testoTerminale;
    if (t && (*t)["Personale"].toInt() != 0) {
        Value maxId, maxData;
        {
            auto rs = s.db.open(std::string("SELECT Max(ID) AS MaxID, Max(Data_EntrataUscita) AS MaxData ") +
                                " FROM Gestione_Personale " + " WHERE Codice=" + q);
            if (!rs->eof()) {
                maxId = rs->field(0);
                maxData = rs->field(1);
            }
        }
        bool uscita = false;
        const auto ultima = maxData.toDate();
        if (!Nullo_Vuoto(maxId) && ultima && ultima->datePart() == now.datePart()) {
            auto rs = s.db.open(std::string("SELECT TOP 1 Ora_EntrataUscita, Ora_UscitaEntrata ") +
                                " FROM Gestione_Personale " + " WHERE ID=" + Num_SqlQ(maxId));
            uscita = !rs->eof() && Nullo_Vuoto(rs->field(1));
        }
        if (uscita) {
            testoDisplay = "USCITA PERSONALE INTERNO";
            s.db.execute(std::string("UPDATE Gestione_Personale ") + " SET Ora_UscitaEntrata=" + Ora_SqlQ(ora) +
                         " WHERE ID=" + Num_SqlQ(maxId));
            testoTerminale = "USCITA|REGISTRATA";
        } else {
            testoDisplay = "ENTRATA PERSONALE INTERNO";
            s.db.execute(std::string("INSERT INTO Gestione_Personale(Codice,Tipologia,Data_EntrataUscita,Ora_EntrataUscita) ") +
                         "VALUES (" + q + "," + Num_SqlQ(Value(tipologia)) + "," + Data_SqlQ(oggi) + "," + Ora_SqlQ(ora) +
                         ")");
            testoTerminale = "ENTRATA|REGISTRATA";
        }
    }

    bool ammesso = ingresso.toBool();
    if (ammesso) {
        // A code bound to some terminals passes only those.
        auto rs = s.db.open(std::string("SELECT Dettaglio_Terminali.Indirizzo ") +
                            " FROM Biglietti_Terminali INNER JOIN Dettaglio_Terminali ON "
                            "Biglietti_Terminali.ID_Terminale=Dettaglio_Terminali.ID " +
                            " WHERE Biglietti_Terminali.Codice_Biglietto=" + q);
        bool legato = false, qui = false;
        for (; !rs->eof(); rs->moveNext()) {
            legato = true;
            if (rs->field(0).toInt() == address) qui = true;
        }
        if (legato && !qui) ammesso = false;
    }
    // The desk shows the refusal whatever the terminal displays.
    if (!ammesso) testoDisplay = "INGRESSO NON CONSENTITO";

    s.db.execute(std::string("INSERT INTO Log_Entrate (Codice_Cliente,Cognome,Nome,Data_Presenza,Ora_Presenza,DesIrregolari,IndTerminale) ") +
                 " VALUES (" + q + "," + CChrQ(cognome) + "," + CChrQ(nome) + "," + Data_SqlQ(oggi) + "," + Ora_SqlQ(ora) +
                 "," + CChrQ(Value(kind->ruolo)) + "," + Num_SqlQ(Value(address)) + ")");

    EsitoPersonale& p = s.esiti.Personale;
    p.Ammesso = ammesso;
    p.Codice = codiceValore;
    p.Cognome = cognome;
    p.Nome = nome;
    p.Foto = foto;
    p.Ruolo = kind->ruolo;
    p.Testo_Display = testoDisplay;
    p.Testo_Terminale = testoTerminale;
    p.Data = oggi;
    p.Ora = ora;
    return kVAT_Personale;
}

int Verifica_Abbonamenti_Terminali(Sistema& s, const Value& esterna, const Value& modoIrregolari,
                                   const Value& codiceValore, const Value& visualizzaDett, const Value& codiceStruttura,
                                   Value& testoAbbonamento, Value& dataScadenza, Value& rinnovo) {
    int esito = kVAT_Rifiutato;
    testoAbbonamento = Value("");
    const std::string codice = codiceValore.toText();
    try {
        if (codicePersonale(codice)) return Verifica_Personale(s, codiceValore);
        if (codice.rfind("CL", 0) != 0) return kVAT_Rifiutato;

        EsitiVerifica& e = s.esiti;
        e = EsitiVerifica{};
        for (Value& v : e.Irregolarita) v = Value(0);

        const int address = s.corrente.Indirizzo_Corrente;
        const DateTime now = s.clock.now();
        const DateTime oggiData = now.datePart();
        const Value oggi(oggiData);
        const std::string oggiSql = Data_SqlQ(oggi);
        const DateTime ora = now.timeOnDay1900();
        const Value anticipoPren = s.settings.slot(37);
        const std::string& filtroCentro = s.corrente.Filtro_Centro;
        if (s.corrente.Filtro_Irregolarita.empty())
            s.corrente.Filtro_Irregolarita = costruisciFiltroIrregolarita(s, oggiData, true);
        // Overdue fee items as the message processor defines them, less the modalities
        // whose no-entry flag is off.
        const std::string scaduti = s.corrente.Filtro_Irregolarita + s.settings.Filtro_NoEntry();

        SchedaCliente c;
        if (!Leggi_Cliente(s, codiceValore, c, kFunzione)) return kVAT_Rifiutato;
        const std::string& q = c.q;
        const int64_t controlliCliente = c.controlli();

        // The bands are tested at the time of the read: the band condition itself opens
        // them `AnticipoPren` minutes early.
        const int giorno = now.weekdayMonday1();
        const bool festivo = Giorno_Festivo(s, 0, oggi);

        rinnovo = Rinnovo_Cliente(s, c);

        // Subscription summary.
        Value codiceAbbonamento, codiceIscrizione;
        std::string sommario;
        {
            auto rs = s.db.open(
                std::string("SELECT Gestione_Iscrizioni.Codice_Abbonamento, Gestione_Iscrizioni.Descrizione, "
                            "Gestione_Iscrizioni.Codice_Iscrizione, Gestione_Iscrizioni.Data_Fine AS Scadenza ") +
                " FROM Anagrafica_Clienti INNER JOIN Gestione_Iscrizioni ON "
                "Anagrafica_Clienti.Codice_Cliente=Gestione_Iscrizioni.Codice_Cliente " +
                " WHERE Anagrafica_Clienti.Codice_Cliente=" + q + " AND Gestione_Iscrizioni.Data_Inizio<=" + oggiSql +
                " AND Gestione_Iscrizioni.Scaduta=0 " + " ORDER BY Gestione_Iscrizioni.Data_Inizio");
            for (; !rs->eof(); rs->moveNext()) {
                codiceAbbonamento = rs->field(0);
                codiceIscrizione = rs->field(2);
                const Value& scadenza = rs->field(3);
                dataScadenza = scadenza;
                sommario += rs->field(1).toText();
                if (const auto d = scadenza.toDate(); d && !Nullo_Vuoto(scadenza))
                    sommario += " scadenza " + formatDate(*d, "dd/mm/yyyy");
                sommario += "\r\n";
            }
        }
        testoAbbonamento = Value(sommario);

        // The state row gets the member and the summary just computed.
        Sommario_Stato(s, address, c, sommario, dataScadenza, rinnovo);
        s.db.execute("DELETE FROM wTmp_OrarioUscita");

        const int64_t modo = ZeroSeNullo(modoIrregolari);
        bool irregolareAltri = false;  // overdue fees other than renewals (display)
        Messaggi messaggi;
        bool saltaControlli = false;

        if (esterna.toBool()) {
            saltaControlli = true;
            if (modo == 1) {
                std::string sql = std::string("SELECT TOP 1 Modalita ") + " FROM Giornale ";
                bool primo = true;
                for (const Tolleranza& k : kTolleranze) {
                    const int64_t giorni = ZeroSeNullo(s.settings.slot(k.impostazione));
                    sql += primo ? " WHERE ((Modalita=" : " OR (Modalita=";
                    sql += std::to_string(k.modalita) + " And Data_Scadenza<=" +
                           Data_SqlQ(Value(oggiData.addDays(-giorni))) + ")";
                    primo = false;
                }
                sql += ") AND Codice_Cliente = " + q + filtroCentro;
                e.Flag_Irregolare = trovaRiga(s, sql);
                esito = kVAT_Ammesso;
                if (e.Flag_Irregolare && controlliCliente != 2) esito = kVAT_Rifiutato;
                if (controlliCliente == 3) esito = kVAT_Rifiutato;
            } else {
                esito = kVAT_Ammesso;
            }
        } else {
            const Morosita morosita = Verifica_Morosita(s, c, scaduti);
            irregolareAltri = morosita.altriScaduti;
            const bool irregolare = morosita.irregolare;
            Segna_Irregolarita(s, c);

            // Facility subscription lines: the first that passes every test entitles.
            {
                struct Riga { Value abbonamento, iscrizione, scadenza; };
                std::vector<Riga> righe;
                {
                    auto rs = s.db.open(std::string("SELECT Codice_Abbonamento, Codice_Iscrizione, MAX(Data_Fine) AS Scadenza ") +
                                        " FROM Iscrizioni_Strutture " + " WHERE Codice_Cliente=" + q +
                                        " AND Data_Inizio<=" + oggiSql + " AND Scaduta=0 " +
                                        " GROUP BY Codice_Abbonamento, Codice_Iscrizione");
                    for (; !rs->eof(); rs->moveNext()) righe.push_back({rs->field(0), rs->field(1), rs->field(2)});
                }
                for (const Riga& r : righe) {
                    e.Flag_NonAbilitato = false;
                    Value frequenza, intervallo;
                    {
                        auto rs = s.db.open(std::string("SELECT Descrizione, FrequenzaDD, ID_Intervallo, Tempo_Permanenza ") +
                                            " FROM Anagrafica_Abbonamenti " +
                                            " WHERE Codice_Abbonamento=" + CChrQ(r.abbonamento));
                        if (!rs->eof()) {
                            frequenza = rs->field(1);
                            intervallo = rs->field(2);
                        }
                    }
                    if (scaduta(r.scadenza, oggiData)) e.Flag_NonAbilitato = true;
                    if (!e.Flag_NonAbilitato &&
                        Limite_Frequenza_Raggiunto(s, frequenza, intervallo, codiceValore, r.iscrizione, Value(0),
                                                   Value(), Value(0)))
                        e.Flag_NonAbilitato = true;
                    if (!e.Flag_NonAbilitato &&
                        !Fasce_Abbonamento_Valide(s, r.abbonamento, giorno, festivo, anticipoPren, ora))
                        e.Flag_NonAbilitato = true;
                    if (!e.Flag_NonAbilitato) break;
                }
            }

            // Multi-facility packages.
            if (e.Flag_NonAbilitato) {
                struct Pacchetto { Value codice, id, scadenza; };
                std::vector<Pacchetto> pacchetti;
                {
                    auto rs = s.db.open(std::string("SELECT Codice_PacchettoM, ID_Pacchetto, MAX(Data_Fine) AS Scadenza ") +
                                        " FROM Gestione_Aggiunte " +
                                        " WHERE Codice_PacchettoM Is Not Null AND Codice_Cliente=" + q +
                                        " AND Data_Inizio<=" + oggiSql + " AND Scaduta=0 " +
                                        " GROUP BY Codice_PacchettoM, ID_Pacchetto");
                    for (; !rs->eof(); rs->moveNext()) pacchetti.push_back({rs->field(0), rs->field(1), rs->field(2)});
                }
                for (const Pacchetto& p : pacchetti) {
                    e.Flag_NonAbilitato = false;
                    Value frequenza, intervallo;
                    {
                        auto rs = s.db.open(std::string("SELECT Descrizione, FrequenzaDD, ID_Intervallo, Tempo_Permanenza ") +
                                            " FROM Anagrafica_Pacchetti_Multipli " +
                                            " WHERE Codice_PacchettoM=" + CChrQ(p.codice));
                        if (!rs->eof()) {
                            frequenza = rs->field(1);
                            intervallo = rs->field(2);
                        }
                    }
                    if (scaduta(p.scadenza, oggiData)) e.Flag_NonAbilitato = true;
                    if (!e.Flag_NonAbilitato &&
                        Limite_Frequenza_Raggiunto(s, frequenza, intervallo, codiceValore, Value(), Value(0), Value(),
                                                   p.id))
                        e.Flag_NonAbilitato = true;
                    if (!e.Flag_NonAbilitato && !Fasce_Abbonamento_Valide(s, p.codice, giorno, festivo, anticipoPren, ora))
                        e.Flag_NonAbilitato = true;
                    if (!e.Flag_NonAbilitato) break;
                }
            }

            // Other entitlements.
            const std::string altri[] = {
                std::string("SELECT TOP 1 Gestione_Aggiunte.ID ") + " FROM Gestione_Aggiunte " +
                    " WHERE Codice_Cliente=" + q + " AND Data_Inizio<=" + oggiSql +
                    " AND Scaduta=0 AND (Codice_PacchettoM Is Null OR Codice_PacchettoM='') AND "
                    "(Singola+Singola_Corsi+Singola_Servizi)=0",
                std::string("SELECT TOP 1 Booking_Clienti.ID ") +
                    " FROM Gestione_Prenotazioni INNER JOIN Booking_Clienti ON "
                    "Gestione_Prenotazioni.ID=Booking_Clienti.ID_PivotPrenotazione " +
                    " WHERE Booking_Clienti.Codice_Cliente=" + q + " AND Gestione_Prenotazioni.Data_Prenotazione=" +
                    oggiSql + " AND (Booking_Clienti.Codice_Abbonamento Is Null OR Booking_Clienti.Codice_Abbonamento='')",
                std::string("SELECT TOP 1 ID ") + " FROM Gestione_Prenotazioni_Corsi " + " WHERE Codice_Cliente=" + q +
                    " AND Data_Prenotazione=" + oggiSql + " AND (Codice_Abbonamento Is Null OR Codice_Abbonamento='')",
                std::string("SELECT TOP 1 ID ") + " FROM Gestione_Prenotazioni_Servizi " + " WHERE Codice_Cliente=" + q +
                    " AND Data_Prenotazione=" + oggiSql + " AND (Codice_Abbonamento Is Null OR Codice_Abbonamento='')",
            };
            for (const std::string& sql : altri) {
                if (!e.Flag_NonAbilitato) break;
                if (trovaRiga(s, sql)) e.Flag_NonAbilitato = false;
            }

            messaggi = Messaggi_Cliente(s, c, oggiSql);

            // The combination.
            e.Flag_Irregolare = irregolare;
            e.Irregolarita[10] = Value(e.Flag_NonAbilitato ? 1 : 0);
            const bool senzaAbbonamento = e.Flag_NonAbilitato && s.settings.Leggi_NoEntry(10).toBool();
            e.NoEntry_Abbonamento = senzaAbbonamento;
            const bool fotoMancante = Foto_Mancante(s, c, oggiData);
            e.Foto_Mancante = fotoMancante;
            e.Messaggio_Bloccante = messaggi.bloccante;
            e.Messaggio_Cliente = messaggi.avviso;

            // The member's own control setting decides over arrears and messages: 2 admits,
            // 3 refuses. A terminal that ignores arrears (mode -1) judges on the lack of an
            // entitlement instead; blocking messages and the photograph rule still hold.
            auto decidi = [&](bool motivo) {
                return Ammesso_Controlli(controlliCliente, motivo, messaggi.bloccante) ? kVAT_Ammesso : kVAT_Rifiutato;
            };
            esito = decidi(irregolare);
            if (fotoMancante) esito = kVAT_Rifiutato;
            if (modo == -1 && controlliCliente != 3) {
                esito = decidi(senzaAbbonamento);
                if (fotoMancante) esito = kVAT_Rifiutato;
            }
        }

        if (visualizzaDett.toBool()) {
            if (!saltaControlli) e.Flag_Irregolare = irregolareAltri;
            std::string testoIrr;
            if (e.Flag_Irregolare || e.Flag_NonAbilitato) testoIrr = Testo_Irregolarita(s, c);
            const bool rifiutato = esito == kVAT_Rifiutato;
            if (rifiutato && controlliCliente == 3 && !Nullo_Vuoto(c.Note_Accessi)) {
                if (!testoIrr.empty()) testoIrr += " - ";
                testoIrr += c.Note_Accessi.toText();
            }
            DatiAccessi d;
            d.Completo = Value(0);  // completed with the lights at the end of the verdict
            d.Codice_Tessera = s.lettura.Tessera_Letta.empty() ? codiceValore : Value(s.lettura.Tessera_Letta);
            d.Codice = codiceValore;
            d.Cognome = c.Cognome;
            d.Nome = c.Nome;
            d.Indirizzo = c.Indirizzo;
            d.Data_Entrata = oggi;
            d.Ora_Entrata = Value(ora);
            d.Data_Ultima_Entrata = c.Data_Ultima_Entrata;
            d.Ora_Ultima_Entrata = c.Ora_Ultima_Entrata;
            d.Codice_Abbonamento = codiceAbbonamento;
            d.DesAbbonamento = Value(sommario);
            d.Stato = c.Stato;
            d.Foto = c.Foto;
            d.Scadenza = dataScadenza;
            d.DesStato = Value(descrizioneStato(c.Stato));
            d.Codice_Iscrizione = codiceIscrizione;
            d.TestoIrr = Value(testoIrr);
            d.Codice_Consulente = c.Codice_Consulente;
            d.Sem1 = Value(e.Flag_Irregolare ? 1 : 0);
            d.Messaggio = Value(messaggi.bloccante || messaggi.avviso ? 1 : 0);
            d.Struttura_Ingresso =
                DLookUpQ(s.db, "Descrizione", "Anagrafica_Strutture", "Codice_Struttura=" + CChrQ(codiceStruttura));
            d.Entrata = Value(rifiutato ? "INGRESSO NON CONSENTITO" : "INGRESSO CONSENTITO");
            d.Terminale = Value(address);
            d.Monitor_Aggiuntivo = Value(static_cast<int>(s.corrente.Monitor_Aggiuntivo));
            d.TestoIrr_Push = Value(testoIrr);
            VisualizzaDatiForm(s, d);
        }
    } catch (const DbError& err) {
        // A database failure part-way leaves no sound verdict: the read is dropped by the
        // message processor, which serves the next one normally.
        s.db.logError(err, kFunzione);
        throw;
    } catch (const std::exception& err) {
        s.db.logError(err, kFunzione);
    }
    return esito;
}

}  // namespace velaris
