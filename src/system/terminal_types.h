#pragma once
// Terminal models: the `Tipo` column of `Dettaglio_Terminali` (and `Tipo_Corrente`). The
// model decides the idle prompt, the relay command, the farewell text and whether the
// terminal shows texts.

namespace velaris::tipo {

inline constexpr int TastieraA = 1;  // keypad with display; relay "%O<n><t>"; farewell "%BxK0"
inline constexpr int TastieraB = 2;  // keypad with display, second model; farewell ":-:"
inline constexpr int LettoreA = 3;   // reader, idle prompt "%CA"; relay number 1 left out
inline constexpr int LettoreB = 4;   // reader without prompt; relay as LettoreA
inline constexpr int Tcp = 5;        // TCP terminal: relay frames through the client link
inline constexpr int HttpPush = 6;   // HTTP-push terminal: screen and relay in the response
inline constexpr int Muto = 7;       // no relay command, no prompt

// Keypad terminals: unlock dialogue, idle prompt with the clock line, read acknowledged.
inline constexpr bool tastiera(int t) { return t == TastieraA || t == TastieraB; }
// Terminals that show the verdict texts.
inline constexpr bool conDisplay(int t) { return tastiera(t) || t == HttpPush; }

}  // namespace velaris::tipo
