#pragma once
// The money card: a member's prepaid credit rows, the prices terminals charge against them
// (per entry, per time on the premises), debits with their accounting movements, the
// keypad sale's basket and the article prices.
//
// Every debit is one guarded statement per card (it changes the card only while its
// residual covers the share) checked by the rows it changed, and it commits together with
// its movement rows in one transaction or not at all: two workstations debiting the same
// card never take it below zero.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "system/system.h"
#include "db/money.h"

namespace velaris {

// `Dettaglio_Terminali_Punti.Tipo`: points per entry or period, money per entry, money per
// time on the premises.
inline constexpr int kTariffaPunti = 1;
inline constexpr int kTariffaIngresso = 2;
inline constexpr int kTariffaTempo = 3;
// `PN_Movimenti.Tipologia` of a money-card payment and of a bar sale line.
inline constexpr int kMovimentoMoneyCard = 13;
inline constexpr int kMovimentoBar = 4;

// How a debit ended.
enum class EsitoAddebito {
    Eseguito,               // debited and recorded (also for an amount of 0: nothing to debit)
    CreditoInsufficiente,   // the usable credit does not cover the whole amount: nothing written
    Errore,                 // a database failure: rolled back, nothing written, logged
};

struct Pagamento {
    EsitoAddebito esito = EsitoAddebito::Errore;
    Money addebitato;  // what was debited
    Money residuo;     // the member's usable credit after the debit (all cards)
};

// `Credito_MoneyCard` mode 0: the entry price of the terminal at `indirizzo` for the
// weekday and time of `quando` (the newest valid tariff of that band). Nothing when no
// tariff is in force, or when its price is Null or negative (logged): the card cannot pay.
// A database failure is raised (DbError): it never reads as "no price".
std::optional<Money> Prezzo_MoneyCard(Sistema& s, int indirizzo, const DateTime& quando);
// `Credito_MoneyCard` mode 3: the time price of the exit terminal paired with the entry
// terminal `idTerminaleEntrata` (`Dettaglio_Terminali.ID`); nothing as above.
std::optional<Money> Prezzo_Tempo_MoneyCard(Sistema& s, const Value& idTerminaleEntrata, const DateTime& quando);

// `Credito_MoneyCard` mode 1: how much of `importo` the member's usable cards can pay for
// `articolo` (with card types: the cards of the article's types first, then the cards of
// types without articles; never cards of another article's type). A database failure is
// raised (DbError).
Money Credito_MoneyCard(Sistema& s, const Value& cliente, const Value& articolo, Money importo);
// `Credito_MoneyCard` mode 2: debits `importo` for `articolo`, split over the usable cards
// in their fixed order (the earliest end date first, then the oldest card), only when the
// whole amount is covered. One `PN_Movimenti` row per card drawn from.
Pagamento Addebita_MoneyCard(Sistema& s, const Value& cliente, const Value& articolo, Money importo);
// The member's usable credit over all cards (what the terminal shows). Nothing when the
// member has no card valid today (the centre's "no money card"); 0 when the cards are
// used up. A database failure is raised (DbError).
std::optional<Money> Residuo_MoneyCard(Sistema& s, const Value& cliente);

// A time tariff (`Tipo` 3) of an exit terminal.
struct TariffaTempo {
    Money Importo;       // per unit, or flat when Unita_Min is 0
    int64_t Unita_Min = 0;
    int64_t Fraz_Min = 0;
    Money Importo_Fraz;  // per fraction beyond the units
    int64_t Tolleranza = 0;
};
// The tariff of the exit terminal at `indirizzo` for `giorno` (Monday 1) whose band holds
// the entry time `oraEntrata`; the newest valid one. Nothing without one.
std::optional<TariffaTempo> Tariffa_Tempo(Sistema& s, int indirizzo, int giorno, const DateTime& oraEntrata);
// What a stay of `minuti` costs under `t`: nothing up to the tolerance, then whole units
// (at least one) and fractions of the remainder beyond the tolerance.
Money Importo_Permanenza(const TariffaTempo& t, int64_t minuti);

// The money card paying an entry that a general entrance refused for want of an
// entitlement (and for nothing else: arrears, blocking messages, suspensions and the photo
// rule are never paid over). The terminal's entry price is debited; without a price the
// card cannot pay, and a price of 0 admits without a debit. A database failure is raised
// (DbError): the read ends without a verdict.
struct IngressoMoneyCard {
    bool ammesso = false;
    Money addebitato;
    Money residuo;  // the member's credit after the debit, for the reply
};
IngressoMoneyCard Ingresso_MoneyCard(Sistema& s, const Value& cliente, int indirizzo);

// An exit charged by the time spent, at the exit terminal `indirizzo` for a stay that began
// at `oraEntrata` (a time of day) and ends at `adesso`. Without a tariff, or when the stay
// costs nothing, the exit is allowed and nothing is debited; otherwise it is allowed only
// when the whole amount is debited (`consentita` false: the credit is exhausted). A
// database failure is raised (DbError).
struct UscitaPagata {
    bool consentita = false;
    Money importo;  // what the stay cost
    Money residuo;
};
UscitaPagata Addebito_Uscita_MoneyCard(Sistema& s, const Value& cliente, int indirizzo, const DateTime& oraEntrata,
                                       const DateTime& adesso);

// Whole minutes from a time of day to the time of day of `adesso`, across midnight when
// `adesso` is earlier.
int64_t minutiPermanenza(const DateTime& oraEntrata, const DateTime& adesso);

// `Money_Card_Personale`: the client code a staff card (CO, OP, IS, FI, ME, ET) pays with;
// blank when none. Errors are logged and give blank.
std::string Money_Card_Personale(Sistema& s, const std::string& codice);

// `Conversione_Euro_Dett`: the value rounded to cents (halves up); Null, 0 and negative
// values give 0.
Money Conversione_Euro_Dett(const Value& v);
Money Conversione_Euro_Dett(Money m);

// `Esplosione_Gruppi_Articoli`: walks the bills and groups below `articolo`, writes them
// to `wTmp_Distinte` for `radice` and returns every code reached. A code met again on its
// own path (a cycle) is not walked again and the depth is bounded, so a faulty bill of
// materials can never exhaust the stack; a cycle is logged.
std::set<std::string> Esplosione_Gruppi_Articoli(Sistema& s, const std::string& articolo, const std::string& radice);

// `Imposta_Prezzo_Articolo`: the price of `articolo` for `cliente` (promotions of the
// member's subscription types and of the groups that contain the article, the subscriber
// price for a member whose status is 1), in cents. Nothing when the article is not in the
// catalogue. A database failure is raised (DbError).
std::optional<Money> Imposta_Prezzo_Articolo(Sistema& s, const std::string& articolo, const Value& cliente);

// `Movimenta_MoneyCard` on a keypad terminal's basket (`wTmp_ArticoliTerminali` rows of
// `indirizzo`): one `Gestione_Bar` row per line with its movement, and, paying by card, the
// debit of the total with its money-card movements, all in one transaction.
enum class ModoVendita { MoneyCard, ContantiPagato, ContantiNonPagato };
// 1 done; -1 unexpected error; -2 the credit is below the total; -3 the basket is empty or
// its total is 0.
int Movimenta_MoneyCard(Sistema& s, int indirizzo, const Value& cliente, ModoVendita modo);

}  // namespace velaris
