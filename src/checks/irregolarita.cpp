#include "checks/irregolarita.h"

namespace velaris {

namespace {

struct Modalita { int n; int tolleranza; bool nullBlocca; bool centro; };

// Blocking irregularity kinds: the grace setting, whether a missing due date blocks,
// and whether the centre filter applies.
constexpr int kSenzaTolleranza = 0;
constexpr Modalita kModalita[] = {
    {2, impostazione::Tolleranza1, true, false},    {3, impostazione::Tolleranza2, true, false},
    {4, impostazione::Tolleranza13, false, true},   {5, impostazione::Tolleranza3, false, true},
    {6, impostazione::Tolleranza4, false, true},    {7, impostazione::Tolleranza5, false, true},
    {8, impostazione::Tolleranza6, false, true},    {9, impostazione::Tolleranza7, false, true},
    {11, kSenzaTolleranza, false, false},           {14, impostazione::Tolleranza11, true, false},
    {15, impostazione::Tolleranza12, false, true},  {17, impostazione::Tolleranza14, false, true},
    {18, impostazione::Tolleranza15, false, true},  {19, impostazione::Tolleranza16, false, false},
    {20, impostazione::Tolleranza17, false, false}, {21, impostazione::Tolleranza18, false, false},
    {22, impostazione::Tolleranza19, false, false},
};

}  // namespace

std::string costruisciFiltroIrregolarita(Sistema& s, const DateTime& oggi, bool conTolleranza) {
    return costruisciFiltroIrregolarita(s, oggi, conTolleranza, s.corrente.Filtro_Centro);
}

std::string costruisciFiltroIrregolarita(Sistema& s, const DateTime& oggi, bool conTolleranza,
                                         const std::string& filtroCentro) {
    std::string f;
    for (const Modalita& k : kModalita) {
        f += f.empty() ? "((Modalita=" : " Or (Modalita=";
        f += std::to_string(k.n);
        if (k.tolleranza == kSenzaTolleranza) {
            f += ")";
            continue;
        }
        const int64_t giorni = conTolleranza ? ZeroSeNullo(s.settings.slot(k.tolleranza)) : 0;
        const std::string d = Data_SqlQ(Value(oggi.addDays(-giorni)));
        f += k.nullBlocca ? " And (Data_Scadenza Is Null Or Data_Scadenza<=" + d + "))"
                          : " And Data_Scadenza<=" + d + ")";
        if (k.centro) f.insert(f.size() - 1, filtroCentro);
    }
    return f + ")";
}

}  // namespace velaris
