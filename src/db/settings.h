#pragma once
// The centre's operating settings, read from the single row of `Impostazioni_Funzionamento`
// into a cache of numbered slots, plus the module state the reload builds: the filter of
// non-blocking fee modalities, the fixed-fee table and two flags.

#include <array>
#include <string>

#include "db/database.h"
#include "db/setting_slots.h"

namespace velaris {

class Settings {
public:
    static constexpr int kSlots = 215;  // indices 0 .. 214

    struct ScadenzaFissa {
        std::string Scadenza;
        int16_t Gestisci = 0;
        double Importo = 0;
        int16_t Pagamento = 0;
        Value Cd_Iva;
        int16_t Durata_Std = 0;
    };

    explicit Settings(Database& db) : db_(db) {}

    // The setting at `index` (impostazione::...), read from the database when its slot is
    // blank, when asked to reload, and always for `Verificato`. Indices outside the map, and
    // outside 0..214, give Empty without a query.
    Value Leggi_Impostazione(int index, bool reload = false);
    // The no-entry flag of fee modality n, read at every call (0 for 1, 13 and 16).
    Value Leggi_NoEntry(int n);
    // Reloads every slot and rebuilds the filter, the fixed fees and the flags.
    void Defaults_DopoAggiornamento();

    // Direct slot read, without re-reading a blank slot.
    const Value& slot(int index) const;
    // Overrides a slot for this process (the centre of a terminal in a multi-centre database).
    void setSlot(int index, Value v);

    const std::string& Filtro_NoEntry() const { return filtroNoEntry_; }
    const std::array<ScadenzaFissa, 7>& Scadenze_Fisse() const { return scadenze_; }
    bool dbUnico() const { return dbUnico_; }
    bool cartellaFoto() const { return cartellaFoto_; }

    // The column behind an index, or nullptr for indices that load nothing.
    static const char* columnName(int index);

private:
    Database& db_;
    std::array<Value, kSlots> cache_{};
    std::string filtroNoEntry_;
    std::array<ScadenzaFissa, 7> scadenze_{};
    bool dbUnico_ = false;
    bool cartellaFoto_ = false;
};

}  // namespace velaris
