#include "checks/abbonamenti_terminali.h"

#include <filesystem>

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

int32_t conta(Sistema& s, const char* tabella, const std::string& criterio) {
    std::string dominio = tabella;
    return DCountQ(s.db, "*", dominio, criterio);
}

// A date literal that never breaks the statement: a value that is no date is Null.
std::string dataOppureNull(const Value& v) { return v.toDate() ? Data_SqlQ(v) : "Null"; }

// The first `n` characters of a UTF-8 text.
std::string primiCaratteri(const std::string& t, size_t n) {
    size_t count = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        if ((static_cast<unsigned char>(t[i]) & 0xC0) != 0x80) {
            if (count == n) return t.substr(0, i);
            ++count;
        }
    }
    return t;
}

const TerminalRow* terminaleCorrente(Sistema& s) {
    const TerminalRow* t = s.registro.corrente();
    if (t && t->indirizzo() == s.corrente.Indirizzo_Corrente) return t;
    return s.registro.perIndirizzo(s.corrente.Indirizzo_Corrente);
}

// Day and time bands of an entitlement (a subscription type, or a package code read in
// its place): true when it has no bands of a kind or one of them holds the check time.
bool fasceValide(Sistema& s, const Value& codice, int giorno, bool festivo, const Value& anticipoPren,
                 const DateTime& ora) {
    const std::string chiave = "Codice_Abbonamento=" + CChrQ(codice);
    if (conta(s, "Giorni_DD_Fasce_Abbonamenti", chiave) > 0) {
        const std::string giornoTesto = festivo ? " And DDSettimana=8" : " And DDSettimana=" + Num_SqlQ(Value(giorno));
        if (conta(s, "Giorni_DD_Fasce_Abbonamenti", chiave + giornoTesto + condizioneFascia(anticipoPren, ora)) == 0)
            return false;
    }
    if (conta(s, "FasceOrarie_Abbonamenti", chiave) > 0) {
        if (conta(s, "FasceOrarie_Abbonamenti", chiave + condizioneFascia(anticipoPren, ora)) == 0) return false;
    }
    return true;
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

        const std::string q = CChrQ(codiceValore);
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

        // Last attendance, for the display.
        Value dataUltima, oraUltima;
        {
            auto rs = s.db.open(std::string("SELECT TOP 1 Data_Presenza, Ora_Presenza ") + " FROM Presenze " +
                                " WHERE Codice_Cliente=" + q + " ORDER BY Data_Presenza DESC");
            if (!rs->eof()) {
                dataUltima = rs->field(0);
                oraUltima = rs->field(1);
            }
        }

        // The bands are tested at the time of the read: the band condition itself opens
        // them `AnticipoPren` minutes early.
        const int giorno = now.weekdayMonday1();
        const bool festivo = Giorno_Festivo(s, 0, oggi);

        Value cognome, nome, indirizzo, stato, foto, consulente, fido, controlli, registrazione, noteAccessi;
        {
            auto rs = s.db.open(std::string("SELECT Cognome, Nome, Indirizzo, Stato, Foto, Codice_Consulente, Fido_Cliente, "
                                            "Controlli_Cliente, Data_Registrazione, Note_Accessi ") +
                                " FROM Anagrafica_Clienti " + " WHERE Anagrafica_Clienti.Codice_Cliente=" + q);
            if (rs->eof()) {
                // A member code the centre does not know is never admitted.
                s.log.error(0, "Member " + codice + " not found: entry refused", kFunzione);
                return kVAT_Rifiutato;
            }
            cognome = rs->field(0);
            nome = rs->field(1);
            indirizzo = rs->field(2);
            stato = rs->field(3);
            foto = rs->field(4);
            consulente = rs->field(5);
            fido = rs->field(6);
            controlli = rs->field(7);
            registrazione = rs->field(8);
            noteAccessi = rs->field(9);
        }
        if (Nullo_Vuoto(cognome) && Nullo_Vuoto(nome))
            s.log.error(0, "Member " + codice + " has no name", kFunzione);
        const int64_t controlliCliente = ZeroSeNullo(controlli);

        rinnovo = Value(conta(s, "Q_ClientiFuturi", "Codice_Cliente=" + q) > 0 ? 1 : 0);

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

        // The state row gets the member and the summary just computed (the column holds
        // 100 characters).
        s.db.execute("UPDATE Stato_Terminali SET Cognome = " + CChrQ(cognome) + ", Nome = " + CChrQ(nome) +
                     ", Abbonamento = " + CChrQ(Value(primiCaratteri(sommario, 100))) +
                     ", Data_Scadenza = " + dataOppureNull(dataScadenza) + ", Rinnovo = " +
                     std::to_string(rinnovo.toInt()) + " WHERE Indirizzo = " + std::to_string(address) +
                     " AND Messaggio Is Null");  // the state row only, not the terminal's queued messages
        s.db.execute("DELETE FROM wTmp_OrarioUscita");

        const int64_t modo = ZeroSeNullo(modoIrregolari);
        bool irregolareAltri = false;  // overdue fees other than renewals (display)
        bool bloccante = false;
        bool messaggio = false;
        bool fotoMancante = false;
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
            irregolareAltri = trovaRiga(s, std::string("SELECT TOP 1 Modalita ") + " FROM Giornale " + " WHERE " + scaduti +
                                               " And Codice_Cliente = " + q + " And Modalita Not In (2,3,14,19,20,21)");

            bool irregolare = false;
            if (fido.toDouble() > 0) {
                irregolare = trovaRiga(s, std::string("SELECT TOP 1 Modalita ") + " FROM Giornale " + " WHERE " + scaduti +
                                              " And Modalita In (2,3,5,14,19,20,21) AND Codice_Cliente = " + q);
                if (!irregolare) {
                    auto rs = s.db.open(std::string("SELECT Sum(Importo_DaPagare) AS FidoUti ") + " FROM Giornale " +
                                        " WHERE Modalita In (4,6,7,8,9,11,15,17,18) AND Codice_Cliente = " + q);
                    if (!rs->eof() && !rs->field(0).isNullOrEmpty())
                        irregolare = rs->field(0).toDouble() > fido.toDouble();
                }
            } else {
                irregolare = trovaRiga(s, std::string("SELECT TOP 1 Modalita ") + " FROM Giornale " + " WHERE " + scaduti +
                                              " And Codice_Cliente = " + q);
            }

            {
                auto rs = s.db.open(std::string("SELECT DISTINCT Modalita ") + " FROM Giornale " +
                                    " WHERE Codice_Cliente = " + q + " AND Modalita Not In (10,12,13) " +
                                    " AND ((Modalita In (2,3,11,14,19,20,21)) OR (Modalita Not In (2,3,11,14,19,20,21) " +
                                    filtroCentro + "))");
                for (; !rs->eof(); rs->moveNext()) {
                    const int64_t m = rs->field(0).toInt();
                    if (m >= 0 && m < static_cast<int64_t>(e.Irregolarita.size()))
                        e.Irregolarita[static_cast<size_t>(m)] = Value(1);
                }
            }

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
                    if (!e.Flag_NonAbilitato && !fasceValide(s, r.abbonamento, giorno, festivo, anticipoPren, ora))
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
                    if (!e.Flag_NonAbilitato && !fasceValide(s, p.codice, giorno, festivo, anticipoPren, ora))
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

            // Messages.
            bloccante = trovaRiga(s, std::string("SELECT TOP 1 ID ") + " FROM Messaggi_Clienti " + " WHERE Codice_Cliente=" +
                                         q + " And Bloccante<>0 And Ricevuto=0 And Data_Messaggio<=" + oggiSql);
            if (!bloccante)
                messaggio = trovaRiga(s, std::string("SELECT TOP 1 ID ") + " FROM Messaggi_Clienti " +
                                             " WHERE Codice_Cliente=" + q +
                                             " And Bloccante=0 And Ricevuto=0 And Data_Messaggio<=" + oggiSql);

            // The combination.
            e.Flag_Irregolare = irregolare;
            e.Irregolarita[10] = Value(e.Flag_NonAbilitato ? 1 : 0);
            const bool senzaAbbonamento = e.Flag_NonAbilitato && s.settings.Leggi_NoEntry(10).toBool();
            e.NoEntry_Abbonamento = senzaAbbonamento;

            // The photograph rule.
            std::string fileFoto(trimBlanks(foto.toText()));
            bool mancante = fileFoto.empty();
            if (!mancante && s.settings.cartellaFoto()) {
                std::error_code ec;
                std::filesystem::path p = std::filesystem::u8path(fileFoto);
                if (p.is_relative()) p = std::filesystem::u8path(s.settings.slot(43).toText()) / p;
                if (!std::filesystem::exists(p, ec) || ec) {
                    mancante = true;
                    foto = Value("");
                }
            }
            const auto giornoRegistrazione = registrazione.toDate();
            fotoMancante = mancante && s.settings.slot(68).toBool() &&
                           !(giornoRegistrazione && giornoRegistrazione->datePart() == oggiData);
            e.Foto_Mancante = fotoMancante;
            e.Messaggio_Bloccante = bloccante;
            e.Messaggio_Cliente = messaggio;

            // The member's own control setting decides over arrears and messages: 2 admits,
            // 3 refuses. A terminal that ignores arrears (mode -1) judges on the lack of an
            // entitlement instead; blocking messages and the photograph rule still hold.
            auto decidi = [&](bool motivo) {
                if (controlliCliente == 3) return kVAT_Rifiutato;
                if (controlliCliente == 2) return kVAT_Ammesso;
                return motivo || bloccante ? kVAT_Rifiutato : kVAT_Ammesso;
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
            if (e.Flag_Irregolare || e.Flag_NonAbilitato) {
                s.db.execute("DELETE FROM wTmp_Presenze_Irregolarita");
                s.db.execute(std::string("INSERT INTO wTmp_Presenze_Irregolarita_SQL (ID,Codice_Cliente,Modalita,CodiceS,CodiceN,"
                                         "Data_Scadenza,[Check]) ") +
                             " SELECT ID,Codice_Cliente,Modalita,Codice1_S,Codice1_N,Data_Scadenza,0 " + " FROM Giornale " +
                             " WHERE Codice_Cliente=" + q + " AND Modalita Not In (10,12,13) " +
                             " AND ((Modalita In (2,3,11,14,19,20,21)) OR (Modalita Not In (2,3,11,14,19,20,21) " +
                             filtroCentro + "))");
                std::vector<int> modalita;
                {
                    auto rs = s.db.open(std::string("SELECT DISTINCT Modalita ") + " FROM wTmp_Presenze_Irregolarita");
                    for (; !rs->eof(); rs->moveNext()) modalita.push_back(static_cast<int>(rs->field(0).toInt()));
                }
                for (int m : modalita) {
                    const std::string d = Descrizione_Modalita(s, m);
                    if (d.empty()) continue;
                    if (!testoIrr.empty()) testoIrr += " - ";
                    testoIrr += d;
                }
            }
            const bool rifiutato = esito == kVAT_Rifiutato;
            if (rifiutato && controlliCliente == 3 && !Nullo_Vuoto(noteAccessi)) {
                if (!testoIrr.empty()) testoIrr += " - ";
                testoIrr += noteAccessi.toText();
            }
            DatiAccessi d;
            d.Completo = Value(0);  // completed with the lights at the end of the verdict
            d.Codice_Tessera = s.lettura.Tessera_Letta.empty() ? codiceValore : Value(s.lettura.Tessera_Letta);
            d.Codice = codiceValore;
            d.Cognome = cognome;
            d.Nome = nome;
            d.Indirizzo = indirizzo;
            d.Data_Entrata = oggi;
            d.Ora_Entrata = Value(ora);
            d.Data_Ultima_Entrata = dataUltima;
            d.Ora_Ultima_Entrata = oraUltima;
            d.Codice_Abbonamento = codiceAbbonamento;
            d.DesAbbonamento = Value(sommario);
            d.Stato = stato;
            d.Foto = foto;
            d.Scadenza = dataScadenza;
            d.DesStato = Value(descrizioneStato(stato));
            d.Codice_Iscrizione = codiceIscrizione;
            d.TestoIrr = Value(testoIrr);
            d.Codice_Consulente = consulente;
            d.Sem1 = Value(e.Flag_Irregolare ? 1 : 0);
            d.Messaggio = Value(bloccante || messaggio ? 1 : 0);
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
