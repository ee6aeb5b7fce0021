// A whole `korvo serve --stdio` round trip for Currency.ConvertAmount, the
// program already running and the object already created: one request line
// out, one response line back. Its floor is the hand-written conversion's
// database work plus the same two lines passed through a pipe to a process
// that only echoes them.
#include <stdexcept>
#include <string>

#include "bench/bench_database.h"
#include "bench/bench_support.h"
#include "bench/child_process.h"
#include "bench/currency_floor.h"
#include "bench/suites.h"

namespace korvo::bench {
namespace {

const char* const kCreate =
    R"({"jsonrpc":"2.0","id":1,"method":"create","params":{"class":"KorvoCommon.Currency"}})";

std::string ConvertRequest(const std::string& object) {
  return R"({"jsonrpc":"2.0","id":2,"method":"call","params":{"object":)" + object +
         R"(,"method":"ConvertAmount","args":["USD","GBP",{"type":"Currency","value":"100"},)"
         R"({"type":"Date","value":"2024-07-15T12:00:00"}]}})";
}

// The handle in a create response: the digits after "object":.
std::string HandleOf(const std::string& response) {
  const auto at = response.find("\"object\":");
  if (at == std::string::npos) throw std::runtime_error("create failed: " + response);
  const auto start = at + 9;
  return response.substr(start, response.find_first_not_of("0123456789", start) - start);
}

void RequireResult(const std::string& response) {
  if (response.find("\"result\"") == std::string::npos)
    throw std::runtime_error("call failed: " + response);
}

void Library(benchmark::State& state) {
  ChildProcess server({KORVO_BIN, "serve", "--stdio", "--db", SharedDatabase().Path()});
  const std::string request = ConvertRequest(HandleOf(server.Exchange(kCreate)));
  RequireResult(server.Exchange(request));
  for (auto _ : state) benchmark::DoNotOptimize(server.Exchange(request).size());
}

void Floor(benchmark::State& state) {
  ChildProcess echo({"cat"});
  SqliteFloor db(SharedDatabase().Path(), SqliteFloor::Mode::Prepared);
  const std::string request = ConvertRequest("1");
  // The object's home currency is known after its first call.
  FloorConvertAmount(db, "USD", "GBP", 100, /*homeKnown=*/true);
  ReportStatements(state, db.statements());
  for (auto _ : state) {
    benchmark::DoNotOptimize(echo.Exchange(request).size());
    benchmark::DoNotOptimize(FloorConvertAmount(db, "USD", "GBP", 100, /*homeKnown=*/true));
  }
}

}  // namespace

void RegisterServeRoundTrip() {
  const std::string call = "korvo-serve.ConvertAmount";
  // Timed by the wall clock: the other process's work is part of the cost.
  Register(call, kSqlite, kLibrary, Library)->UseRealTime();
  Register(call, kSqlite, kFloor, Floor)->UseRealTime();
}

}  // namespace korvo::bench
