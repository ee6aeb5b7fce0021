// The currency calls' database work written by hand (the floors): the same
// statements the library issues, prepared once and run with new parameters
// (on SQLite the call's reads inside one read transaction), and the same
// arithmetic. One set of routines serves every database: Floor is
// SqliteFloor or PostgresFloor. With a floor working per read they are the
// calls' literal variants.
//
// Errors throw std::runtime_error. Thread-compatible: one floor per thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "bench/postgres_floor.h"
#include "bench/sqlite_floor.h"

namespace korvo::bench {

// Currency.ConvertAmount of amount from one currency to another at the
// pricing date, rounded to four decimals. homeKnown: the object has loaded
// the (euro) home currency on an earlier call, so it is not read again.
template <class Floor>
double FloorConvertAmount(Floor& db, std::string_view from, std::string_view to, double amount,
                          bool homeKnown = false);
// Currency.GetCurrency: the currency's flags.
struct CurrencyFlags {
  bool home = false;
  bool euro = false;
  bool epc = false;
};
template <class Floor>
CurrencyFlags FloorGetCurrency(Floor& db, std::string_view code);
// Currency.GetCurrencyRate at the pricing date: home rate, euro rate, factor.
struct RateFigures {
  double home = 0;
  double euro = 0;
  double factor = 0;
};
template <class Floor>
RateFigures FloorGetCurrencyRate(Floor& db, std::string_view code);
// Currency.HasValidCurrencyRate at the pricing date; inside the caller's
// (write) transaction when it has one open.
template <class Floor>
bool FloorHasValidCurrencyRate(Floor& db, std::string_view code, bool inCallersTransaction = false);
// Currency.GetCurrenciesInDictionary: every currency code.
template <class Floor>
std::vector<std::string> FloorCurrencyCodes(Floor& db);

}  // namespace korvo::bench
