#include "bench/bench_support.h"

#include <pthread.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <set>
#include <string_view>

#include "platform/data/statement_trace.h"

namespace korvo::bench {
namespace {

bool g_trace = false;

bool DoesNothingHere(std::string_view sql) {
  return sql.rfind("set TRANSACTION ISOLATION LEVEL", 0) == 0;
}

}  // namespace

benchmark::internal::Benchmark* Register(const std::string& call, const std::string& backend,
                                         const std::string& variant,
                                         std::function<void(benchmark::State&)> body) {
  const std::string name = call + "/" + backend + "/" + variant;
  return benchmark::RegisterBenchmark(name.c_str(), [body](benchmark::State& state) { body(state); })
      ->Unit(benchmark::kMicrosecond);
}

void TimeInTurns(benchmark::State& state, const std::function<void()>& library,
                 const std::function<void()>& floor, const std::function<void()>& between) {
  using Clock = std::chrono::steady_clock;
  const auto timed = [](const std::function<void()>& fn) {
    const auto start = Clock::now();
    fn();
    return std::chrono::duration<double>(Clock::now() - start).count();
  };
  double floorSeconds = 0;
  double libraryTotal = 0;
  bool libraryFirst = true;  // neither always follows the other
  for (auto _ : state) {
    double librarySeconds = 0;
    if (libraryFirst) librarySeconds = timed(library);
    floorSeconds += timed(floor);
    if (!libraryFirst) librarySeconds = timed(library);
    state.SetIterationTime(librarySeconds);
    libraryTotal += librarySeconds;
    libraryFirst = !libraryFirst;
    if (between) between();
  }
  state.counters[kFloorTime] =
      benchmark::Counter(floorSeconds * 1e6, benchmark::Counter::kAvgIterations);
  if (floorSeconds > 0) state.counters[kPairedRatio] = libraryTotal / floorSeconds;
}

ServerCore::ServerCore(Backend backend, bool inTurns) {
  const bool server = backend == Backend::PostgreSQL;
  if (!server && !inTurns) return;
  const char* core = std::getenv(server ? "KORVO_BENCH_PG_CPU" : "KORVO_BENCH_CPU");
  if (!core || !*core) return;
  cpu_set_t only;
  CPU_ZERO(&only);
  CPU_SET(std::atoi(core), &only);
  pinned_ = pthread_getaffinity_np(pthread_self(), sizeof before_, &before_) == 0 &&
            pthread_setaffinity_np(pthread_self(), sizeof only, &only) == 0;
}

ServerCore::~ServerCore() {
  if (pinned_) pthread_setaffinity_np(pthread_self(), sizeof before_, &before_);
}

void EnableStatementTrace() { g_trace = true; }

int CountStatements(const std::string& call, const std::function<void()>& fn,
                    std::vector<std::string>* issued) {
  static std::set<std::string> traced;  // each call's statements are printed once
  const bool trace = g_trace && traced.insert(call).second;
  int count = 0;
  if (trace) std::cout << "-- " << call << "\n";
  {
    auto subscription = data::StatementTrace::Subscribe(
        [&](const std::string& sql, std::span<const contracts::Parameter>) {
          if (DoesNothingHere(sql)) return;
          ++count;
          if (issued) issued->push_back(sql);
          if (trace) std::cout << "   " << sql << "\n";
        });
    fn();
  }
  return count;
}

}  // namespace korvo::bench
