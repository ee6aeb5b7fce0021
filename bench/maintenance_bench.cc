// TCurrency's writes inside a host scope: a rate added and deleted again, and
// a currency inserted through the business rules (rolled back, so every
// iteration inserts the same currency), each in turns with its floor.
#include <functional>
#include <stdexcept>
#include <string>

#include "bench/bench_database.h"
#include "bench/bench_support.h"
#include "bench/sqlite_floor.h"
#include "bench/suites.h"
#include "currency/tcurrency.h"
#include "platform/contracts/result_object.h"
#include "platform/runtime/variant.h"

namespace korvo::bench {
namespace {

using common::TCurrency;
using Floor = SqliteFloor;

// A currency without rates of its own, so a new open-ended rate overlaps none.
constexpr const char* kRatelessCode = "Q10";
constexpr const char* kNewRateDay = "2024-01-01 00:00:00";

void AddAndDeleteRate(host::HostScope& request) {
  auto currency = Create<TCurrency>(request, "KorvoCommon.TCurrency");
  rt::Variant code(kRatelessCode);
  rt::Variant effective(*rt::MakeDate({2024, 1, 1, 0, 0, 0}));
  rt::Variant expiry = rt::Variant::Null();
  rt::Variant homeRate(1.25);
  rt::Variant euroRate = rt::Variant::Null();
  rt::Variant factor(std::int32_t{1});
  rt::Variant epc(false);
  currency->AddCurrencyRate(code, effective, expiry, homeRate, euroRate, factor, epc);
  currency->DeleteCurrencyRate(code, effective);
}

void InsertCurrencyByScript(host::HostScope& request) {
  auto currency = Create<TCurrency>(request, "KorvoCommon.TCurrency");
  rt::Variant keys(rt::Array({rt::Variant("CURRENCYCODE"), rt::Variant("CURRENCYNAME"),
                              rt::Variant("HOMECURRENCY"), rt::Variant("EURO"), rt::Variant("EPC"),
                              rt::Variant("DECIMALS"), rt::Variant("LOCALEID")}));
  rt::Variant values(
      rt::Array({rt::Variant("NEW"), rt::Variant("New currency"), rt::Variant(false), rt::Variant(false),
                 rt::Variant(false), rt::Variant(std::int16_t{2}), rt::Variant(std::int16_t{1033})}));
  const rt::ObjectRef result = currency->InsertFromScript("CURRENCY", keys, values);
  const auto* findings = dynamic_cast<const contracts::ResultObject*>(result.get());
  if (!findings || !findings->Succeeded())
    throw std::runtime_error("the rules refused the new currency");
}

// One writing request; `abort` rolls its transaction back at the end.
std::function<void()> WritingCall(void (*work)(host::HostScope&), bool abort) {
  return [=] {
    host::HostScope scope(WritingRequest());
    work(scope);
    scope.End(abort);
  };
}

// The floors: the same statements in one write transaction.
constexpr const char* kHomeSql =
    "SELECT CURRENCYCODE, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID FROM CURRENCY WHERE HOMECURRENCY=1";
constexpr const char* kRateInForceSql =
    "SELECT CURRENCYCODE FROM CURRENCYRATE WHERE CURRENCYCODE = ? AND EFFECTIVEDATE <= ? AND (EXPIRYDATE IS NULL OR "
    "EXPIRYDATE > ?)";
constexpr const char* kLaterRateSql =
    "SELECT CURRENCYCODE FROM CURRENCYRATE WHERE CURRENCYCODE = ? AND EFFECTIVEDATE > ? AND (EXPIRYDATE IS NULL OR "
    "EXPIRYDATE > ?)";
constexpr const char* kInsertRateSql = "INSERT INTO CURRENCYRATE VALUES (?, ?, ?, ?, ?, ?)";
constexpr const char* kDeleteRateSql =
    "DELETE FROM CURRENCYRATE WHERE CURRENCYCODE=? AND EFFECTIVEDATE=?";
constexpr const char* kCurrencyExistsSql = "SELECT CURRENCYCODE FROM CURRENCY WHERE CURRENCYCODE = ?";
constexpr const char* kInsertCurrencySql =
    "INSERT INTO CURRENCY (CURRENCYCODE,CURRENCYNAME,HOMECURRENCY,EURO,EPC,DECIMALS,LOCALEID) VALUES "
    "(?,?,?,?,?,?,?)";

bool Found(Floor& db, const char* sql, const char* code, const char* first, const char* second) {
  Floor::Query query(db, sql);
  query.Bind(1, std::string_view(code))
      .Bind(2, std::string_view(first))
      .Bind(3, std::string_view(second));
  return query.Step();
}

void FloorAddAndDeleteRate(Floor& db) {
  Floor::Transaction write(db, /*write=*/true);
  Floor::Query(db, kHomeSql).Step();
  if (Found(db, kRateInForceSql, kRatelessCode, kNewRateDay, kNewRateDay) ||
      Found(db, kLaterRateSql, kRatelessCode, kNewRateDay, kNewRateDay)) {
    throw std::runtime_error("the new rate overlaps");
  }
  Floor::Query(db, kInsertRateSql)
      .Bind(1, std::string_view(kRatelessCode))
      .Bind(2, std::string_view(kNewRateDay))
      .BindNull(3)
      .Bind(4, 1.25)
      .BindNull(5)
      .Bind(6, std::int64_t{1})
      .Run();
  Floor::Query(db, kDeleteRateSql)
      .Bind(1, std::string_view(kRatelessCode))
      .Bind(2, std::string_view(kNewRateDay))
      .Run();
}

void FloorInsertCurrency(Floor& db) {
  Floor::Transaction write(db, /*write=*/true);
  for (int check = 0; check < 2; ++check) {
    if (Floor::Query(db, kCurrencyExistsSql).Bind(1, std::string_view("NEW")).Step()) {
      throw std::runtime_error("the currency exists");
    }
  }
  Floor::Query(db, kInsertCurrencySql)
      .Bind(1, std::string_view("NEW"))
      .Bind(2, std::string_view("New currency"))
      .Bind(3, std::int64_t{0})
      .Bind(4, std::int64_t{0})
      .Bind(5, std::int64_t{0})
      .Bind(6, std::int64_t{2})
      .Bind(7, std::int64_t{1033})
      .Run();
  write.Rollback();
}

}  // namespace

void RegisterMaintenance() {
  // In turns with the floor, by the wall clock: a commit waits for the disk,
  // whose speed moves from one moment to the next far more than the two
  // differ, so each must meet the same moments.
  RegisterInTurns<Floor>("TCurrency.AddCurrencyRate+DeleteCurrencyRate",
                         WritingCall(AddAndDeleteRate, false), FloorAddAndDeleteRate);
  RegisterInTurns<Floor>("TCurrency.InsertFromScript:CURRENCY",
                         WritingCall(InsertCurrencyByScript, true), FloorInsertCurrency);
}

}  // namespace korvo::bench
