// What every benchmark of the suite shares: how measured calls are named and
// registered, a request's host scope and objects, and the count of
// statements a call issues (so each floor is seen to do the library's work).
//
// A measured call has up to three variants, registered under
// "<call>/<backend>/<variant>":
//   library  the library's public method, as a page calls it;
//   floor    the same database work written by hand with the C API;
//   literal  the floor's statements, each on a connection of its own.
// On a database the library and its floor run in turns within one
// benchmark, registered as the library variant (TimeInTurns).
#pragma once

#include <benchmark/benchmark.h>
#include <sched.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/backend.h"
#include "bench/bench_database.h"
#include "platform/data/pool.h"
#include "platform/host/component.h"
#include "platform/host/host_scope.h"

namespace korvo::bench {

inline constexpr const char* kLibrary = "library";
inline constexpr const char* kFloor = "floor";
inline constexpr const char* kLiteral = "literal";
inline constexpr const char* kSqlite = BackendName(Backend::SQLite);
// The directory rows measured on the LDAP server.
inline constexpr const char* kLdap = "ldap";

// The business-partner rows, whose goals the report knows by name.
inline constexpr const char* kPartnerLookUpCall = "BusinessPartner.GetBusinessPartner+Name+IsCustomer";
inline constexpr const char* kPartnerInsertCall = "BusinessPartner.InsertFromScript:BUSINESSPARTNER";
// The next page from page 1,000 of a 50-row listing, beside a hand-written
// keyset query for the same rows.
inline constexpr const char* kPageFromThousandCall =
    "BusinessPartner.GetBusinessPartnersLimited:page-1001";
// The same next page beside the listing's first page (its "floor").
inline constexpr const char* kPageGrowthCall =
    "BusinessPartner.GetBusinessPartnersLimited:page-1001-vs-page-1";

// Registers one variant of a measured call with the suite's settings.
benchmark::internal::Benchmark* Register(const std::string& call, const std::string& backend,
                                         const std::string& variant,
                                         std::function<void(benchmark::State&)> body);

// The host scope of one web request that only reads (no transaction), and
// of one that writes (a transaction the scope commits when it ends).
inline host::ScopeOptions ReadingRequest() {
  host::ScopeOptions options;
  options.transactional = false;
  return options;
}
inline host::ScopeOptions WritingRequest() { return host::ScopeOptions{}; }

// An object created inside the request's context, as Gen_GetComponent does;
// calls through the reference are calls into the host.
template <class T>
host::Ref<T> Create(host::HostScope& request, const char* progId) {
  return host::Ref<T>(std::dynamic_pointer_cast<T>(request.Context().CreateInstance(progId)));
}

// Runs fn once and answers how many statements the library issued meanwhile
// (the isolation statement, which does nothing on these backends, is not
// counted). With --trace the statements are printed under the call's name.
// The statements' texts go to `issued` when given.
int CountStatements(const std::string& call, const std::function<void()>& fn,
                    std::vector<std::string>* issued = nullptr);
// Set by --trace.
void EnableStatementTrace();

// Records the statements per call in the run's counters.
inline void ReportStatements(benchmark::State& state, int statements) {
  state.counters["stmts"] = statements;
}

// The counters a run in turns gives its floor: microseconds per call and
// statements per call.
inline constexpr const char* kFloorTime = "floor_us";
inline constexpr const char* kFloorStatements = "floor_stmts";
// The library's time over the floor's within one repetition: the report
// takes the median of these paired ratios, not the ratio of two medians.
inline constexpr const char* kPairedRatio = "ratio";

// Runs the library's call and its floor in turns, call by call, each timed
// by the wall clock on its own, so both meet the same load: the time of a
// call moves with the machine's other work (and its clock speed, and the
// core it runs on) from one moment to the next, far more than the two
// differ. The run's (manual) time is the library's, the floor's goes to
// kFloorTime, their ratio within the run to kPairedRatio. `between`, when
// given, runs after each turn untimed (to put back what the calls moved
// on). The benchmark must be registered with UseManualTime.
void TimeInTurns(benchmark::State& state, const std::function<void()>& library,
                 const std::function<void()>& floor, const std::function<void()>& between = nullptr);

// While it lives, the calling thread runs only on one core. For PostgreSQL
// that is the core the environment variable KORVO_BENCH_PG_CPU names, where
// bench/run keeps its throw-away server: on a machine of few (virtual)
// cores a round trip costs tens of microseconds more when the server's
// process wakes on another core than the client's, an idle one, and which
// it does changes from one server process and one moment to the next; on
// one core every round trip pays the same. For SQLite, only for a run in
// turns (inTurns), it is the core KORVO_BENCH_CPU names (bench/run: the last
// one, away from the server), so neither library nor floor pays a move to a
// cold cache the other does not. Without the variable it does nothing.
// Non-copyable.
class ServerCore {
 public:
  explicit ServerCore(Backend backend, bool inTurns = false);
  ~ServerCore();
  ServerCore(const ServerCore&) = delete;
  ServerCore& operator=(const ServerCore&) = delete;

 private:
  cpu_set_t before_;
  bool pinned_ = false;
};

// A call's library request and its floor's work in turns, on one core
// (ServerCore), with the statements each issues. Each run (repetition) starts both
// on new connections, so a server process that happens to serve its reads
// slower (where the scheduler puts it weighs more than what the library
// does) counts in one run only, for either side alike. A floor that does
// not run exactly the statements the library's driver sends (on
// PostgreSQL: the same texts in its dialect, in the same order; on SQLite:
// as many) is not measured: the run ends with an error saying so.
template <class Floor, class Work>
void CallInTurns(benchmark::State& state, const BenchDatabase& database, const std::string& call,
                 const std::function<void()>& request, Work work) {
  const ServerCore core(Floor::kBackend, /*inTurns=*/true);
  database.UseForLibrary();
  data::ConnectionPool::CloseIdle(database.ConnectionString());
  std::vector<std::string> issued;
  ReportStatements(state, CountStatements(call, request, &issued));
  Floor db(database.FloorTarget(), FloorMode::Prepared);
  std::vector<std::string> ran;
  if constexpr (Floor::kBackend == Backend::PostgreSQL) db.Record(&ran);
  const int before = db.statements();
  work(db);
  const int count = db.statements() - before;
  state.counters[kFloorStatements] = count;
  bool same = count == static_cast<int>(issued.size());
  if constexpr (Floor::kBackend == Backend::PostgreSQL) {
    db.Record(nullptr);
    for (std::string& sql : issued) sql = Floor::AsSent(sql);
    same = ran == issued;
  }
  if (!same) {
    state.SkipWithError("the floor runs other statements than the library sends");
    return;
  }
  TimeInTurns(state, request, [&] { work(db); });
}

// Registers a call measured in turns with its floor (CallInTurns) on the
// shared database of one rate per currency, as the library variant.
template <class Floor, class Work>
benchmark::internal::Benchmark* RegisterInTurns(const std::string& call,
                                                const std::function<void()>& request, Work work) {
  return Register(call, BackendName(Floor::kBackend), kLibrary,
                  [=](benchmark::State& state) {
                    CallInTurns<Floor>(state, SharedDatabase(1, Floor::kBackend), call, request, work);
                  })
      ->UseManualTime();
}

}  // namespace korvo::bench
