// What every benchmark of the suite shares: how measured calls are named and
// registered, a request's host scope and objects, and the count of
// statements a call issues (so each floor is seen to do the library's work).
//
// A measured call has up to three variants, registered under
// "<call>/<backend>/<variant>":
//   library  the library's public method, as a page calls it;
//   floor    the same database work written by hand with the C API;
//   literal  the floor's statements, each on a connection of its own.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <string>

#include "bench/backend.h"
#include "platform/host/component.h"
#include "platform/host/host_scope.h"

namespace korvo::bench {

inline constexpr const char* kLibrary = "library";
inline constexpr const char* kFloor = "floor";
inline constexpr const char* kLiteral = "literal";
inline constexpr const char* kSqlite = BackendName(Backend::SQLite);

// Registers one variant of a measured call with the suite's settings; on a
// server database (PostgreSQL) timed by the wall clock.
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
int CountStatements(const std::string& call, const std::function<void()>& fn);
// Set by --trace.
void EnableStatementTrace();

// Records the statements per call in the run's counters.
inline void ReportStatements(benchmark::State& state, int statements) {
  state.counters["stmts"] = statements;
}

}  // namespace korvo::bench
