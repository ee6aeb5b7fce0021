#include "bench/currency_floor.h"

#include <cmath>
#include <stdexcept>

#include "bench/bench_database.h"

namespace korvo::bench {
namespace {

// The library's statements, as SQLite receives them.
constexpr const char* kHomeSql =
    "SELECT CURRENCYCODE, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID FROM CURRENCY WHERE HOMECURRENCY=1";
constexpr const char* kEuroSql =
    "SELECT CURRENCYCODE, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID FROM CURRENCY WHERE EURO=1";
constexpr const char* kCurrencySql =
    "SELECT CURRENCYNAME, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID FROM CURRENCY WHERE CURRENCYCODE=?";
constexpr const char* kRateSql =
    "SELECT CURRENCYCODE, EFFECTIVEDATE, EXPIRYDATE, HOMESALESRATE, EUROSALESRATE, RATEFACTOR FROM CURRENCYRATE "
    "WHERE CURRENCYCODE=? AND EFFECTIVEDATE<=? AND (EXPIRYDATE IS NULL OR EXPIRYDATE>?)";
constexpr const char* kCurrenciesSql =
    "SELECT CURRENCYCODE, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID FROM CURRENCY";

constexpr RateFigures kUnitRate{1.0, 1.0, 1.0};

struct Flagged {
  std::string code;
  bool euro = false;
};

// The home or the euro currency.
Flagged ReadFlagged(SqliteFloor& db, const char* sql) {
  SqliteFloor::Query query(db, sql);
  if (!query.Step()) return {};
  return {std::string(query.Text(0)), query.Int(2) != 0};
}

RateFigures ReadRate(SqliteFloor& db, std::string_view code) {
  SqliteFloor::Query query(db, kRateSql);
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

double ToHome(SqliteFloor& db, std::string_view from, double amount, const RateFigures& homeRate) {
  const CurrencyFlags source = FloorGetCurrency(db, from);
  if (source.euro) return ThroughEuro(amount, kUnitRate, homeRate);
  if (source.home) return amount;
  const RateFigures rate = ReadRate(db, from);
  if (source.epc) return ThroughEuro(amount, rate, homeRate);
  return Divide(amount, rate.factor * rate.home);
}

double FromHome(SqliteFloor& db, std::string_view to, double amount, const RateFigures& homeRate) {
  const CurrencyFlags target = FloorGetCurrency(db, to);
  if (target.euro) return ThroughEuro(amount, homeRate, kUnitRate);
  const RateFigures rate = ReadRate(db, to);
  if (target.epc) return ThroughEuro(amount, homeRate, rate);
  if (target.home) return amount;
  return amount * rate.home * rate.factor;
}

}  // namespace

CurrencyFlags FloorGetCurrency(SqliteFloor& db, std::string_view code) {
  SqliteFloor::Query query(db, kCurrencySql);
  query.Bind(1, code);
  if (!query.Step()) throw std::runtime_error("no currency");
  return {query.Int(1) != 0, query.Int(2) != 0, query.Int(3) != 0};
}

RateFigures FloorGetCurrencyRate(SqliteFloor& db, std::string_view code) { return ReadRate(db, code); }

double FloorConvertAmount(SqliteFloor& db, std::string_view from, std::string_view to, double amount,
                          bool homeKnown) {
  SqliteFloor::Transaction read(db);
  const Flagged home = homeKnown ? Flagged{"EUR", true} : ReadFlagged(db, kHomeSql);
  const RateFigures homeRate = home.euro ? kUnitRate : ReadRate(db, home.code);
  const double result = FromHome(db, to, ToHome(db, from, amount, homeRate), homeRate);
  return std::nearbyint(result * 10000) / 10000;
}

bool FloorHasValidCurrencyRate(SqliteFloor& db, std::string_view code) {
  SqliteFloor::Transaction read(db);
  const Flagged home = ReadFlagged(db, kHomeSql);
  if (home.code.empty()) return false;
  const Flagged euro = ReadFlagged(db, kEuroSql);
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

std::vector<std::string> FloorCurrencyCodes(SqliteFloor& db) {
  std::vector<std::string> codes;
  SqliteFloor::Query query(db, kCurrenciesSql);
  while (query.Step()) codes.emplace_back(query.Text(0));
  return codes;
}

}  // namespace korvo::bench
