#include "checks/irregolarita.h"

namespace velaris {

namespace {

struct Modalita { int n; int tolleranza; bool nullBlocca; bool centro; };

// Blocking irregularity kinds: the grace setting, whether a missing due date blocks,
// and whether the centre filter applies.
constexpr Modalita kModalita[] = {
    {2, 23, true, false},   {3, 24, true, false},   {4, 69, false, true},   {5, 25, false, true},
    {6, 26, false, true},   {7, 27, false, true},   {8, 28, false, true},   {9, 29, false, true},
    {11, 0, false, false},  {14, 33, true, false},  {15, 38, false, true},  {17, 111, false, true},
    {18, 112, false, true}, {19, 113, false, false}, {20, 114, false, false}, {21, 115, false, false},
    {22, 214, false, false},
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
        if (k.tolleranza == 0) {
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
