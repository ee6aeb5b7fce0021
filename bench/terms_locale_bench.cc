// TermsAndConditions' list of one kind and Locale's currency name, each
// beside its floor.
#include <unicode/ucurr.h>
#include <unicode/uloc.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_database.h"
#include "bench/bench_support.h"
#include "bench/sqlite_floor.h"
#include "bench/suites.h"
#include "locale/locale.h"
#include "terms/terms_and_conditions.h"

namespace korvo::bench {
namespace {

using Floor = SqliteFloor;

constexpr std::int32_t kPaymentTerms = 1;  // ETermsAndConditions
constexpr std::int32_t kUnitedStates = 0x0409;
constexpr const char* kPaymentTermsSql = "SELECT PAYMENTTERMCODE, DESCRIPTION FROM PAYMENTTERM ORDER BY PAYMENTTERMCODE";

template <class T, class Method>
void LibraryCall(benchmark::State& state, const std::string& call, const char* progId, Method method) {
  SharedDatabase().UseForLibrary();
  const auto request = [&] {
    host::HostScope scope(ReadingRequest());
    auto object = Create<T>(scope, progId);
    method(object);
  };
  ReportStatements(state, CountStatements(call, request));
  for (auto _ : state) request();
}

template <class Work>
void FloorCall(benchmark::State& state, Floor::Mode mode, Work work) {
  Floor db(SharedDatabase().Path(), mode);
  work(db);
  ReportStatements(state, db.statements());
  for (auto _ : state) work(db);
}

std::vector<std::pair<std::string, std::string>> FloorPaymentTerms(Floor& db) {
  std::vector<std::pair<std::string, std::string>> terms;
  Floor::Query query(db, kPaymentTermsSql);
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
  if (ucurr_forLocale(locale.data(), code.data(), code.size(), &status) != 3 || U_FAILURE(status)) return "";
  return std::string{static_cast<char>(code[0]), static_cast<char>(code[1]), static_cast<char>(code[2])};
}

}  // namespace

void RegisterTermsAndLocale() {
  const std::string terms = "TermsAndConditions.getAllTermsAndConditions";
  Register(terms, kSqlite, kLibrary, [=](benchmark::State& state) {
    LibraryCall<common::TermsAndConditions>(state, terms, "KorvoCommon.TermsAndConditions", [](auto& object) {
      benchmark::DoNotOptimize(object->getAllTermsAndConditions(kPaymentTerms));
    });
  });
  Register(terms, kSqlite, kFloor, [](benchmark::State& state) {
    FloorCall(state, Floor::Mode::Prepared, [](Floor& db) { benchmark::DoNotOptimize(FloorPaymentTerms(db)); });
  });
  Register(terms, kSqlite, kLiteral, [](benchmark::State& state) {
    FloorCall(state, Floor::Mode::ConnectionPerRead,
              [](Floor& db) { benchmark::DoNotOptimize(FloorPaymentTerms(db)); });
  });

  const std::string locale = "Locale.GetCurrencyName";
  Register(locale, "icu", kLibrary, [=](benchmark::State& state) {
    LibraryCall<common::Locale>(state, locale, "KorvoCommon.Locale", [](auto& object) {
      benchmark::DoNotOptimize(object->GetCurrencyName(kUnitedStates));
    });
  });
  Register(locale, "icu", kFloor, [](benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(FloorCurrencyName(kUnitedStates));
  });
}

}  // namespace korvo::bench
