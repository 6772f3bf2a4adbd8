#pragma once
// Keypad dialogues in progress, by terminal address, and the moment each expires: a
// dialogue left alone goes back to the idle prompt, and input that arrives after its
// moment starts afresh instead of completing another member's operation.

#include <map>
#include <vector>

#include "base/value.h"

namespace velaris {

struct Dialoghi {
    // Seconds a dialogue waits for the next key.
    static constexpr int kSecondiAttesa = 60;

    // Arms (or re-arms) the dialogue of `indirizzo` from `adesso`.
    void apri(int indirizzo, const DateTime& adesso) { scadenze[indirizzo] = adesso.addSeconds(kSecondiAttesa); }
    void chiudi(int indirizzo) { scadenze.erase(indirizzo); }
    // True while the dialogue of `indirizzo` is armed and its moment has not passed.
    bool attivo(int indirizzo, const DateTime& adesso) const {
        const auto it = scadenze.find(indirizzo);
        return it != scadenze.end() && adesso <= it->second;
    }
    // The addresses whose dialogue has expired at `adesso`.
    std::vector<int> scaduti(const DateTime& adesso) const {
        std::vector<int> out;
        for (const auto& [indirizzo, quando] : scadenze)
            if (adesso > quando) out.push_back(indirizzo);
        return out;
    }

    std::map<int, DateTime> scadenze;
};

}  // namespace velaris
