// The currency calls' database work written by hand (the floors): the same
// statements the library issues, prepared once, bound and stepped, the
// call's reads inside one read transaction, and the same arithmetic. With a
// SqliteFloor working per read they are the calls' literal variants.
//
// Errors throw std::runtime_error. Thread-compatible: one floor per thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "bench/sqlite_floor.h"

namespace korvo::bench {

// Currency.ConvertAmount of amount from one currency to another at the
// pricing date, rounded to four decimals. homeKnown: the object has loaded
// the (euro) home currency on an earlier call, so it is not read again.
double FloorConvertAmount(SqliteFloor& db, std::string_view from, std::string_view to, double amount,
                          bool homeKnown = false);
// Currency.GetCurrency: the currency's flags.
struct CurrencyFlags {
  bool home = false;
  bool euro = false;
  bool epc = false;
};
CurrencyFlags FloorGetCurrency(SqliteFloor& db, std::string_view code);
// Currency.GetCurrencyRate at the pricing date: home rate, euro rate, factor.
struct RateFigures {
  double home = 0;
  double euro = 0;
  double factor = 0;
};
RateFigures FloorGetCurrencyRate(SqliteFloor& db, std::string_view code);
// Currency.HasValidCurrencyRate at the pricing date.
bool FloorHasValidCurrencyRate(SqliteFloor& db, std::string_view code);
// Currency.GetCurrenciesInDictionary: every currency code.
std::vector<std::string> FloorCurrencyCodes(SqliteFloor& db);

}  // namespace korvo::bench
