#include "db/settings.h"

#include <filesystem>

namespace velaris {

namespace {

struct Entry { int index; const char* column; };

// Index map of the settings table (index 45 is the label report, read through a join).
constexpr Entry kMap[] = {
#define VELARIS_SETTING_ENTRY(index, column) {index, #column},
    VELARIS_SETTING_SLOTS(VELARIS_SETTING_ENTRY)
#undef VELARIS_SETTING_ENTRY
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
    if (Nullo_Vuoto(s) || reload || index == impostazione::Verificato) {
        if (const char* column = columnName(index)) {
            if (index == impostazione::NomeReport) {
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

    const Value pathFoto = slot(impostazione::Path_Foto);
    if (!Nullo_Vuoto(pathFoto)) {
        std::error_code ec;
        cartellaFoto_ = std::filesystem::is_directory(pathFoto.toText(), ec);
    }
}

}  // namespace velaris
