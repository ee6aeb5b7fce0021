// TermsAndConditions' list of one kind (on SQLite and, given a server, on
// PostgreSQL) and Locale's currency name, each beside its floor.
#include <unicode/ucurr.h>
#include <unicode/uloc.h>

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_database.h"
#include "bench/bench_support.h"
#include "bench/postgres_floor.h"
#include "bench/sqlite_floor.h"
#include "bench/suites.h"
#include "locale/locale.h"
#include "terms/terms_and_conditions.h"

namespace korvo::bench {
namespace {

constexpr std::int32_t kPaymentTerms = 1;  // ETermsAndConditions
constexpr std::int32_t kUnitedStates = 0x0409;
constexpr const char* kPaymentTermsSql =
    "SELECT PAYMENTTERMCODE, DESCRIPTION FROM PAYMENTTERM ORDER BY PAYMENTTERMCODE";

// One request: a new object in a reading scope, one call on it.
template <class T, class Method>
std::function<void()> Request(const char* progId, Method method) {
  return [=] {
    host::HostScope scope(ReadingRequest());
    auto object = Create<T>(scope, progId);
    method(object);
  };
}

template <class Floor, class Work>
void FloorCall(benchmark::State& state, FloorMode mode, Work work) {
  const ServerCore core(Floor::kBackend);
  Floor db(SharedDatabase(1, Floor::kBackend).FloorTarget(), mode);
  work(db);
  ReportStatements(state, db.statements());
  for (auto _ : state) work(db);
}

template <class Floor>
std::vector<std::pair<std::string, std::string>> FloorPaymentTerms(Floor& db) {
  std::vector<std::pair<std::string, std::string>> terms;
  typename Floor::Query query(db, kPaymentTermsSql);
  while (query.Step()) terms.emplace_back(query.Text(0), query.Text(1));
  return terms;
}

// The ISO code of the locale's currency, straight from ICU, for a locale
// identifier ICU maps both ways.
std::string FloorCurrencyName(std::int32_t lcid) {
  std::array<char, ULOC_FULLNAME_CAPACITY> locale{};
  UErrorCode status = U_ZERO_ERROR;
  uloc_getLocaleForLCID(static_cast<std::uint32_t>(lcid), locale.data(), locale.size(), &status);
  if (U_FAILURE(status) || uloc_getLCID(locale.data()) != static_cast<std::uint32_t>(lcid)) return "";
  std::array<UChar, 4> code{};
  if (ucurr_forLocale(locale.data(), code.data(), code.size(), &status) != 3 || U_FAILURE(status))
    return "";
  return std::string{static_cast<char>(code[0]), static_cast<char>(code[1]), static_cast<char>(code[2])};
}

// The list of payment terms with its floor and literal variant on one
// database, the library and its floor in turns (TimeInTurns in
// bench_support.h says why).
template <class Floor>
void RegisterTerms() {
  const std::string terms = "TermsAndConditions.getAllTermsAndConditions";
  const char* backend = BackendName(Floor::kBackend);
  const auto list = [](auto& object) {
    benchmark::DoNotOptimize(object->getAllTermsAndConditions(kPaymentTerms));
  };
  const auto work = [](Floor& db) { benchmark::DoNotOptimize(FloorPaymentTerms(db)); };
  const char* progId = "KorvoCommon.TermsAndConditions";
  RegisterInTurns<Floor>(terms, Request<common::TermsAndConditions>(progId, list), work);
  auto* literal = Register(terms, backend, kLiteral, [=](benchmark::State& state) {
    FloorCall<Floor>(state, FloorMode::ConnectionPerRead, work);
  });
  if constexpr (Floor::kBackend == Backend::PostgreSQL) literal->UseRealTime();
}

}  // namespace

void RegisterTermsAndLocale() {
  RegisterTerms<SqliteFloor>();
  if (PostgresServer()) RegisterTerms<PostgresFloor>();

  // The library and ICU in turns (TimeInTurns in bench_support.h says why).
  const std::string locale = "Locale.GetCurrencyName";
  Register(locale, "icu", kLibrary, [=](benchmark::State& state) {
    const ServerCore core(Backend::SQLite, /*inTurns=*/true);
    SharedDatabase().UseForLibrary();
    const auto request = Request<common::Locale>("KorvoCommon.Locale", [](auto& object) {
      benchmark::DoNotOptimize(object->GetCurrencyName(kUnitedStates));
    });
    ReportStatements(state, CountStatements(locale, request));
    state.counters[kFloorStatements] = 0;
    TimeInTurns(state, request, [] { benchmark::DoNotOptimize(FloorCurrencyName(kUnitedStates)); });
  })->UseManualTime();
}

}  // namespace korvo::bench
