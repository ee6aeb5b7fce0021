// The Currency class's read calls: conversions, look-ups, the validity test
// and the currency list, each beside its floor and its literal variant, on
// SQLite and (given a server, PostgresServer()) on PostgreSQL; and, on
// SQLite, the conversion as the rate history grows and with two threads.
#include <functional>
#include <string>

#include "bench/bench_database.h"
#include "bench/bench_support.h"
#include "bench/currency_floor.h"
#include "bench/suites.h"
#include "currency/currency.h"

namespace korvo::bench {
namespace {

using common::Currency;

using Method = std::function<void(host::Ref<Currency>&)>;
template <class Floor>
using Work = std::function<void(Floor&)>;

// One request: a new Currency object in a reading scope, one call on it.
std::function<void()> Request(const Method& method) {
  return [method] {
    host::HostScope scope(ReadingRequest());
    auto currency = Create<Currency>(scope, "KorvoCommon.Currency");
    method(currency);
  };
}

void LibraryCall(benchmark::State& state, const BenchDatabase& database, const std::string& call,
                 const Method& method) {
  database.UseForLibrary();
  const auto request = Request(method);
  if (state.thread_index() == 0) ReportStatements(state, CountStatements(call, request));
  for (auto _ : state) request();
  state.SetItemsProcessed(state.iterations());
}

// The hand-written floor (or, per read, the literal variant) of the call.
template <class Floor>
void FloorCall(benchmark::State& state, const BenchDatabase& database, FloorMode mode,
               const Work<Floor>& work) {
  const ServerCore core(Floor::kBackend);
  Floor db(database.FloorTarget(), mode);
  work(db);
  if (state.thread_index() == 0) ReportStatements(state, db.statements());
  for (auto _ : state) work(db);
  state.SetItemsProcessed(state.iterations());
}

benchmark::internal::Benchmark* RegisterLibrary(const std::string& call, const Method& method,
                                                int history = 1) {
  return Register(call, kSqlite, kLibrary, [=](benchmark::State& state) {
    LibraryCall(state, SharedDatabase(history), call, method);
  });
}

template <class Floor>
benchmark::internal::Benchmark* RegisterFloor(const std::string& call, const Work<Floor>& work,
                                              int history = 1, FloorMode mode = FloorMode::Prepared) {
  return Register(call, BackendName(Floor::kBackend), mode == FloorMode::Prepared ? kFloor : kLiteral,
                  [=](benchmark::State& state) {
                    FloorCall(state, SharedDatabase(history, Floor::kBackend), mode, work);
                  });
}

// Registers the three variants of one call: the library and its floor in
// turns (CallInTurns in bench_support.h says why), the literal variant on
// its own, on PostgreSQL (where it mostly waits for the server) by the
// wall clock.
template <class Floor>
void RegisterCall(const std::string& call, const Method& method, const Work<Floor>& work) {
  RegisterInTurns<Floor>(call, Request(method), work);
  auto* literal = RegisterFloor(call, work, 1, FloorMode::ConnectionPerRead);
  if constexpr (Floor::kBackend == Backend::PostgreSQL) literal->UseRealTime();
}

Method Conversion(std::string from, std::string to) {
  return [=](host::Ref<Currency>& currency) {
    std::string source = from;
    std::string target = to;
    rt::Money amount = rt::MoneyFromDouble(100);
    rt::Date date = PricingDate();
    benchmark::DoNotOptimize(currency->ConvertAmount(source, target, amount, date));
  };
}

template <class Floor>
Work<Floor> FloorConversion(std::string from, std::string to) {
  return [=](Floor& db) { benchmark::DoNotOptimize(FloorConvertAmount(db, from, to, 100)); };
}

// The read calls on one database.
template <class Floor>
void RegisterReads() {
  RegisterCall<Floor>("Currency.ConvertAmount:home-epc", Conversion("EUR", "DEM"),
                      FloorConversion<Floor>("EUR", "DEM"));
  RegisterCall<Floor>("Currency.ConvertAmount:float-float", Conversion("USD", "GBP"),
                      FloorConversion<Floor>("USD", "GBP"));
  RegisterCall<Floor>(
      "Currency.GetCurrency",
      [](host::Ref<Currency>& currency) {
        rt::Variant code("USD");
        benchmark::DoNotOptimize(currency->GetCurrency(code));
      },
      [](Floor& db) { benchmark::DoNotOptimize(FloorGetCurrency(db, "USD")); });
  RegisterCall<Floor>(
      "Currency.GetCurrencyRate",
      [](host::Ref<Currency>& currency) {
        rt::Variant code("USD");
        rt::Date date = PricingDate();
        benchmark::DoNotOptimize(currency->GetCurrencyRate(code, date));
      },
      [](Floor& db) { benchmark::DoNotOptimize(FloorGetCurrencyRate(db, "USD")); });
  RegisterCall<Floor>(
      "Currency.HasValidCurrencyRate",
      [](host::Ref<Currency>& currency) {
        benchmark::DoNotOptimize(currency->HasValidCurrencyRate("USD", PricingDate()));
      },
      [](Floor& db) { benchmark::DoNotOptimize(FloorHasValidCurrencyRate(db, "USD")); });
  RegisterCall<Floor>(
      "Currency.GetCurrenciesInDictionary:200",
      [](host::Ref<Currency>& currency) {
        benchmark::DoNotOptimize(currency->GetCurrenciesInDictionary());
      },
      [](Floor& db) { benchmark::DoNotOptimize(FloorCurrencyCodes(db)); });
}

}  // namespace

void RegisterCurrency() {
  RegisterReads<SqliteFloor>();
  if (PostgresServer()) RegisterReads<PostgresFloor>();

  // The cost must not grow with the rate history; each length beside its
  // floor, in turns.
  for (int history : {1, 100, 10000}) {
    const std::string call = "Currency.ConvertAmount:history-" + std::to_string(history);
    Register(call, kSqlite, kLibrary, [=](benchmark::State& state) {
      CallInTurns<SqliteFloor>(state, SharedDatabase(history), call, Request(Conversion("USD", "GBP")),
                               FloorConversion<SqliteFloor>("USD", "GBP"));
    })->UseManualTime();
  }

  // Two requests at a time, each on its own thread with its own scopes.
  const std::string threads = "Currency.ConvertAmount:threads";
  RegisterLibrary(threads, Conversion("USD", "GBP"))->Threads(1)->Threads(2)->UseRealTime();
  RegisterFloor(threads, FloorConversion<SqliteFloor>("USD", "GBP"))
      ->Threads(1)
      ->Threads(2)
      ->UseRealTime();
}

}  // namespace korvo::bench
