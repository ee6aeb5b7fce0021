#include "bench/bench_support.h"

#include <iostream>
#include <set>
#include <string_view>

#include "platform/data/statement_trace.h"

namespace korvo::bench {
namespace {

bool g_trace = false;

bool DoesNothingHere(std::string_view sql) { return sql.rfind("set TRANSACTION ISOLATION LEVEL", 0) == 0; }

}  // namespace

benchmark::internal::Benchmark* Register(const std::string& call, const std::string& backend,
                                         const std::string& variant,
                                         std::function<void(benchmark::State&)> body) {
  const std::string name = call + "/" + backend + "/" + variant;
  auto* benchmark = benchmark::RegisterBenchmark(name.c_str(), [body](benchmark::State& state) { body(state); })
                        ->Unit(benchmark::kMicrosecond);
  // A server database's cost is mostly waiting for the server's answers.
  if (backend == BackendName(Backend::PostgreSQL)) benchmark->UseRealTime();
  return benchmark;
}

void EnableStatementTrace() { g_trace = true; }

int CountStatements(const std::string& call, const std::function<void()>& fn) {
  static std::set<std::string> traced;  // each call's statements are printed once
  const bool trace = g_trace && traced.insert(call).second;
  int count = 0;
  if (trace) std::cout << "-- " << call << "\n";
  {
    auto subscription = data::StatementTrace::Subscribe(
        [&](const std::string& sql, std::span<const contracts::Parameter>) {
          if (DoesNothingHere(sql)) return;
          ++count;
          if (trace) std::cout << "   " << sql << "\n";
        });
    fn();
  }
  return count;
}

}  // namespace korvo::bench
