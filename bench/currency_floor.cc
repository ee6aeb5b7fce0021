#include "bench/currency_floor.h"

#include <cmath>
#include <optional>
#include <stdexcept>

#include "bench/bench_database.h"

namespace korvo::bench {
namespace {

// The library's statements, as each database receives them: PostgreSQL
// gets its flags compared with TRUE and numbered parameters.
template <class Floor>
struct Statements;

template <>
struct Statements<SqliteFloor> {
  static constexpr const char* kHome =
      "SELECT CURRENCYCODE, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID FROM CURRENCY WHERE HOMECURRENCY=1";
  static constexpr const char* kEuro =
      "SELECT CURRENCYCODE, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID FROM CURRENCY WHERE EURO=1";
  static constexpr const char* kCurrency =
      "SELECT CURRENCYNAME, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID FROM CURRENCY WHERE CURRENCYCODE=?";
  static constexpr const char* kRate =
      "SELECT CURRENCYCODE, EFFECTIVEDATE, EXPIRYDATE, HOMESALESRATE, EUROSALESRATE, RATEFACTOR FROM CURRENCYRATE "
      "WHERE CURRENCYCODE=? AND EFFECTIVEDATE<=? AND (EXPIRYDATE IS NULL OR EXPIRYDATE>?)";
  static constexpr const char* kCurrencies =
      "SELECT CURRENCYCODE, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID FROM CURRENCY";
};

template <>
struct Statements<PostgresFloor> {
  static constexpr const char* kHome =
      "SELECT CURRENCYCODE, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID FROM CURRENCY WHERE HOMECURRENCY=TRUE";
  static constexpr const char* kEuro =
      "SELECT CURRENCYCODE, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID FROM CURRENCY WHERE EURO=TRUE";
  static constexpr const char* kCurrency =
      "SELECT CURRENCYNAME, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID FROM CURRENCY WHERE CURRENCYCODE=$1";
  static constexpr const char* kRate =
      "SELECT CURRENCYCODE, EFFECTIVEDATE, EXPIRYDATE, HOMESALESRATE, EUROSALESRATE, RATEFACTOR FROM CURRENCYRATE "
      "WHERE CURRENCYCODE=$1 AND EFFECTIVEDATE<=$2 AND (EXPIRYDATE IS NULL OR EXPIRYDATE>$3)";
  static constexpr const char* kCurrencies = Statements<SqliteFloor>::kCurrencies;
};

constexpr RateFigures kUnitRate{1.0, 1.0, 1.0};

struct Flagged {
  std::string code;
  bool euro = false;
};

// The home or the euro currency.
template <class Floor>
Flagged ReadFlagged(Floor& db, const char* sql) {
  typename Floor::Query query(db, sql);
  if (!query.Step()) return {};
  return {std::string(query.Text(0)), query.Flag(2)};
}

template <class Floor>
RateFigures ReadRate(Floor& db, std::string_view code) {
  typename Floor::Query query(db, Statements<Floor>::kRate);
  query.Bind(1, code).Bind(2, PricingDateText()).Bind(3, PricingDateText());
  if (!query.Step()) throw std::runtime_error("no rate");
  return {query.Double(3), query.Double(4), query.Double(5)};
}

double Divide(double dividend, double divisor) {
  if (divisor == 0) throw std::runtime_error("division by zero");
  return dividend / divisor;
}

double ThroughEuro(double amount, const RateFigures& from, const RateFigures& to) {
  return Divide(amount, from.factor * from.euro) * (to.factor * to.euro);
}

template <class Floor>
double ToHome(Floor& db, std::string_view from, double amount, const RateFigures& homeRate) {
  const CurrencyFlags source = FloorGetCurrency(db, from);
  if (source.euro) return ThroughEuro(amount, kUnitRate, homeRate);
  if (source.home) return amount;
  const RateFigures rate = ReadRate(db, from);
  if (source.epc) return ThroughEuro(amount, rate, homeRate);
  return Divide(amount, rate.factor * rate.home);
}

template <class Floor>
double FromHome(Floor& db, std::string_view to, double amount, const RateFigures& homeRate) {
  const CurrencyFlags target = FloorGetCurrency(db, to);
  if (target.euro) return ThroughEuro(amount, homeRate, kUnitRate);
  const RateFigures rate = ReadRate(db, to);
  if (target.epc) return ThroughEuro(amount, homeRate, rate);
  if (target.home) return amount;
  return amount * rate.home * rate.factor;
}

}  // namespace

template <class Floor>
CurrencyFlags FloorGetCurrency(Floor& db, std::string_view code) {
  typename Floor::Query query(db, Statements<Floor>::kCurrency);
  query.Bind(1, code);
  if (!query.Step()) throw std::runtime_error("no currency");
  return {query.Flag(1), query.Flag(2), query.Flag(3)};
}

template <class Floor>
RateFigures FloorGetCurrencyRate(Floor& db, std::string_view code) {
  return ReadRate(db, code);
}

template <class Floor>
double FloorConvertAmount(Floor& db, std::string_view from, std::string_view to, double amount,
                          bool homeKnown) {
  typename Floor::Transaction read(db);
  const Flagged home = homeKnown ? Flagged{"EUR", true} : ReadFlagged(db, Statements<Floor>::kHome);
  const RateFigures homeRate = home.euro ? kUnitRate : ReadRate(db, home.code);
  const double result = FromHome(db, to, ToHome(db, from, amount, homeRate), homeRate);
  return std::nearbyint(result * 10000) / 10000;
}

template <class Floor>
bool FloorHasValidCurrencyRate(Floor& db, std::string_view code, bool inCallersTransaction) {
  std::optional<typename Floor::Transaction> read;
  if (!inCallersTransaction) read.emplace(db);
  const Flagged home = ReadFlagged(db, Statements<Floor>::kHome);
  if (home.code.empty()) return false;
  const Flagged euro = ReadFlagged(db, Statements<Floor>::kEuro);
  if (code == euro.code) return true;
  const CurrencyFlags currency = FloorGetCurrency(db, code);
  const RateFigures rate = ReadRate(db, code);
  if (currency.home) {
    if (euro.code.empty()) return rate.home == 1;
    if (rate.home == 1 && rate.euro > 0) return true;
  }
  RateFigures homeRate = kUnitRate;
  if (euro.code != home.code) homeRate = code == home.code ? rate : ReadRate(db, home.code);
  if (homeRate.home != 1) return false;
  return currency.epc ? (rate.euro > 0 && homeRate.euro > 0) : rate.home > 0;
}

template <class Floor>
std::vector<std::string> FloorCurrencyCodes(Floor& db) {
  std::vector<std::string> codes;
  typename Floor::Query query(db, Statements<Floor>::kCurrencies);
  while (query.Step()) codes.emplace_back(query.Text(0));
  return codes;
}

// The routines for each database.
#define KORVO_FLOOR_ROUTINES(Floor)                                                             \
  template double FloorConvertAmount(Floor&, std::string_view, std::string_view, double, bool); \
  template CurrencyFlags FloorGetCurrency(Floor&, std::string_view);                            \
  template RateFigures FloorGetCurrencyRate(Floor&, std::string_view);                          \
  template bool FloorHasValidCurrencyRate(Floor&, std::string_view, bool);                      \
  template std::vector<std::string> FloorCurrencyCodes(Floor&);
KORVO_FLOOR_ROUTINES(SqliteFloor)
KORVO_FLOOR_ROUTINES(PostgresFloor)
#undef KORVO_FLOOR_ROUTINES

}  // namespace korvo::bench
