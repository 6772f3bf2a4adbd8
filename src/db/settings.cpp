#include "db/settings.h"

#include <filesystem>

namespace velaris {

namespace {

struct Entry { int index; const char* column; };

// Index map of the settings table (index 45 is the label report, read through a join).
constexpr Entry kMap[] = {
    {1, "Costo_CM"}, {2, "FattConvEuro"}, {3, "Costo_Q"}, {4, "Giorni_Sospensione"}, {5, "Costo_QA"},
    {6, "Giorno_Pref"}, {7, "Iscrizione_Annuale"}, {8, "Periodi_Chiusura"}, {9, "Segnala_Archiviati"},
    {10, "IndClienti"}, {11, "Quota_Assicurativa"}, {12, "StampaLogo"}, {13, "Consenti_ER"},
    {15, "Prima_Scadenza"}, {16, "Gestione_Entrate"}, {17, "Tempo_Attesa"}, {18, "Utilizza_CodBis"},
    {19, "Verificato"}, {20, "Cd_Iva"}, {23, "Tolleranza1"}, {24, "Tolleranza2"}, {25, "Tolleranza3"},
    {26, "Tolleranza4"}, {27, "Tolleranza5"}, {28, "Tolleranza6"}, {29, "Tolleranza7"}, {30, "Tolleranza8"},
    {31, "Tolleranza9"}, {32, "Tolleranza10"}, {33, "Tolleranza11"}, {34, "Pagamento_CM"}, {35, "Pagamento_Q"},
    {36, "Pagamento_QA"}, {37, "AnticipoPren"}, {38, "Tolleranza12"}, {39, "Giorni_Ret"}, {40, "Giorni_Missed"},
    {42, "Certificato_Medico"}, {43, "Path_Foto"}, {44, "Path_Immagini"}, {45, "NomeReport"},
    {46, "Orari_Ingresso"}, {47, "Conferma_Attivita"}, {48, "Pren_Operatori"}, {49, "Archivio_Presenze"},
    {50, "Pren_NoUsata"}, {51, "Intervallo_Presenze"}, {52, "TipoDocumento"}, {53, "CopieR"}, {54, "CopieF"},
    {55, "CopieC"}, {56, "Cd_Iva_QA"}, {57, "Cd_Iva_CM"}, {58, "Cd_Iva_QAss"}, {59, "Cd_Iva_MoneyC"},
    {60, "Foto_Cliente"}, {61, "Costi_Zero"}, {62, "Start_Up"}, {63, "Unita_Premi"}, {64, "Gestione_Cassa"},
    {65, "Blocco_NoVendite"}, {66, "Formato_Foto"}, {67, "Pacchetti_Aggiunte"}, {68, "Gestisci_Foto"},
    {69, "Tolleranza13"}, {100, "Codice_Centro"}, {103, "NoExit"}, {111, "Tolleranza14"}, {112, "Tolleranza15"},
    {113, "Tolleranza16"}, {114, "Tolleranza17"}, {115, "Tolleranza18"}, {116, "Att_Mov"},
    {117, "Gestione_Fatture"}, {118, "Gestione_Ricevute"}, {119, "Gestione_VN"}, {120, "Punti_Rec1"},
    {121, "Punti_Rec2"}, {122, "Punti_Rec_Giorni"}, {123, "Max_Vendita_Cont"}, {124, "Path_Piani_Lavoro"},
    {125, "Path_Documenti_Acquisiti"}, {126, "Azzera_Apertura"}, {127, "Codice_Biglietto_Obb"},
    {128, "Struttura_Darsena_UT"}, {129, "Struttura_Darsena1"}, {130, "Struttura_Darsena2"},
    {131, "Struttura_Biglietti"}, {132, "SMS_User"}, {133, "SMS_PWD"}, {134, "SMS_Mittente"},
    {135, "Vendite_Singole"}, {136, "Attivita_Generica"}, {137, "EMail_Tipo"}, {138, "EMail_Nome_Mittente"},
    {139, "EMail_Indirizzo_Mittente"}, {140, "SMTP_Server"}, {141, "SMTP_User"}, {142, "SMTP_Pwd"},
    {143, "SMTP_Port"}, {144, "Scelta_Orari_Aut"}, {145, "Dati_Minori_Obb"}, {146, "Unita_Punti_Fedelta"},
    {147, "Gestione_Scontrini"}, {148, "Codici_Su_Doc"}, {149, "Indirizzo_Geo"}, {150, "Latitudine"},
    {151, "Longitudine"}, {152, "Data_Punti_Fedelta"}, {153, "Codice_Catalogo_GymPay"},
    {154, "Codice_API_GymPay"}, {155, "Codice_Merchant_GymPay"}, {156, "Cd_Pagamento_GymPay"},
    {157, "Fascia_Eta"}, {158, "Inizio_Stagione"}, {159, "Fine_Stagione"}, {160, "SMTP_SSL"},
    {161, "Codice_Catalogo_Open_GymPay"}, {162, "AERS_User"}, {163, "AERS_Pwd"}, {164, "Path_Articoli"},
    {165, "Obbligo_Doc_Associati"}, {166, "Cd_Modello_Invio_Doc"}, {167, "URL_FTP"}, {168, "User_FTP"},
    {169, "Pwd_FTP"}, {170, "Path_Immagini_FTP"}, {171, "BaseURL_MyWellness"}, {172, "UserName_MyWellness"},
    {173, "Pwd_MyWellness"}, {174, "FacilityURL_MyWellness"}, {175, "APIKey_MyWellness"},
    {176, "Carrello_Registra_web"}, {177, "TolleranzaU"}, {188, "PrenComePres"}, {214, "Tolleranza19"},
};

constexpr std::array<const char*, Settings::kSlots> buildColumns() {
    std::array<const char*, Settings::kSlots> cols{};
    for (const auto& e : kMap) cols[static_cast<size_t>(e.index)] = e.column;
    return cols;
}
constexpr auto kColumns = buildColumns();

constexpr const char* kNomeReportSql =
    "SELECT NomeReport  FROM Impostazioni_Funzionamento INNER JOIN wCab_FormatoEtichette ON "
    "Impostazioni_Funzionamento.Formato_Etichette = wCab_FormatoEtichette.Codice ";

const Value kEmpty{};

}  // namespace

const char* Settings::columnName(int index) {
    if (index < 0 || index >= kSlots) return nullptr;
    return kColumns[static_cast<size_t>(index)];
}

const Value& Settings::slot(int index) const {
    if (index < 0 || index >= kSlots) return kEmpty;
    return cache_[static_cast<size_t>(index)];
}

void Settings::setSlot(int index, Value v) {
    if (index >= 0 && index < kSlots) cache_[static_cast<size_t>(index)] = std::move(v);
}

Value Settings::Leggi_Impostazione(int index, bool reload) {
    if (index < 0 || index >= kSlots) return Value();
    Value& s = cache_[static_cast<size_t>(index)];
    if (Nullo_Vuoto(s) || reload || index == 19) {
        if (const char* column = columnName(index)) {
            if (index == 45) {
                try {
                    auto rs = db_.open(kNomeReportSql);
                    if (!rs->eof()) s = rs->field("NomeReport");
                } catch (const std::exception&) {
                    // A failed read leaves the slot as it was.
                }
            } else {
                s = DLookUpQ(db_, column, "Impostazioni_Funzionamento");
            }
        }
    }
    return s;
}

Value Settings::Leggi_NoEntry(int n) {
    if (n == 1 || n == 13 || n == 16) return Value(0);
    std::string column;
    if ((n >= 2 && n <= 12) || n == 14 || n == 15) column = "NoEntry" + std::to_string(n);
    else if (n >= 17 && n <= 22) column = "NoEntry" + std::to_string(n - 1);
    else return Value();
    return DLookUpQ(db_, column, "Impostazioni_Funzionamento");
}

void Settings::Defaults_DopoAggiornamento() {
    for (int i = 1; i < kSlots; ++i) Leggi_Impostazione(i, true);

    filtroNoEntry_.clear();
    for (int n = 1; n <= 22; ++n) {
        const Value flag = Leggi_NoEntry(n);
        // A Null flag (column unset) compares as unequal to 0, as the server's own code did.
        if (!flag.isNull() && flag.asNumber() && *flag.asNumber() == 0)
            filtroNoEntry_ += " And (Modalita<>" + Num_SqlQ(Value(n)) + ")";
    }

    try {
        auto rs = db_.open(
            "SELECT Scadenza, Gestisci, Importo, Pagamento, Cd_Iva, Durata_Std  FROM Tabella_ScadenzeFisse  ORDER BY "
            "Tipo_Scadenza");
        size_t slot = 1;
        for (; !rs->eof(); rs->moveNext(), ++slot) {
            if (slot >= scadenze_.size()) {
                // Rows past the sixth have no slot; the first six stay loaded and the rest
                // of the reload still runs.
                db_.log().error(9, "Subscript out of range", "Defaults_DopoAggiornamento");
                break;
            }
            ScadenzaFissa& f = scadenze_[slot];
            f.Scadenza = rs->field(0).toText();
            f.Gestisci = static_cast<int16_t>(rs->field(1).toInt());
            f.Importo = rs->field(2).toDouble();
            f.Pagamento = static_cast<int16_t>(rs->field(3).toInt());
            f.Cd_Iva = rs->field(4);
            f.Durata_Std = static_cast<int16_t>(rs->field(5).toInt());
        }
    } catch (const std::exception& e) {
        db_.logError(e, "Defaults_DopoAggiornamento");
        return;
    }

    const Value unico = DLookUpQ(db_, "DB_Unico", "Impostazioni_Funzionamento");
    if (!unico.isNull() && unico.toDouble() != 0) dbUnico_ = true;  // a 0 keeps the previous value

    const Value pathFoto = slot(43);
    if (!Nullo_Vuoto(pathFoto)) {
        std::error_code ec;
        cartellaFoto_ = std::filesystem::is_directory(pathFoto.toText(), ec);
    }
}

}  // namespace velaris
