// korvo_bench: every measured call of the library beside its hand-written
// floor, in one run, ending with the table, the goals and the RATIO lines.
//
//   korvo_bench [--trace] [--benchmark_* options]   the benchmarks
//   korvo_bench --memory                            the memory check only
//
// --trace prints the statements each library call issues on its first run.
// KORVO_BENCH_PG="Host=...;Port=...;User=..." (a PostgreSQL server's
// connection options, as scripts/pg-server prints them) adds the PostgreSQL
// rows, measured in a database of their own created on that server and
// dropped at the end; KORVO_BENCH_PG_CPU=N runs them on core N, where the
// server runs (bench/run does both).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "bench/bench_database.h"
#include "bench/bench_support.h"
#include "bench/report.h"
#include "bench/suites.h"
#include "registration/register_all.h"

namespace {

// The suite's defaults; options given on the command line win.
// Repetitions run in random order across the benchmarks, so a call and its
// floor meet the same load on a shared machine.
const char* const kDefaults[] = {"--benchmark_repetitions=9", "--benchmark_report_aggregates_only=true",
                                 "--benchmark_min_time=0.1",
                                 "--benchmark_enable_random_interleaving=true"};

bool Given(const std::vector<char*>& args, const char* option) {
  const std::string prefix = std::string(option).substr(0, std::string(option).find('=') + 1);
  for (char* arg : args) {
    if (std::strncmp(arg, prefix.c_str(), prefix.size()) == 0) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace korvo::bench;
  korvo::registration::RegisterAll();
  std::vector<char*> args(argv, argv + argc);
  for (auto it = args.begin() + 1; it != args.end();) {
    if (std::strcmp(*it, "--memory") == 0) return RunMemoryCheck();
    if (std::strcmp(*it, "--trace") == 0) {
      EnableStatementTrace();
      it = args.erase(it);
    } else {
      ++it;
    }
  }
  for (const char* option : kDefaults) {
    if (!Given(args, option)) args.push_back(const_cast<char*>(option));
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 2;

  if (!PostgresServer()) {
    std::cout
        << "postgres: skipped, no server (KORVO_BENCH_PG names one; bench/run starts one when PostgreSQL is "
           "installed)\n";
  }
  RegisterCurrency();
  RegisterMaintenance();
  RegisterTermsAndLocale();
  RegisterServeRoundTrip();
  RegisterBusinessPartner();
  RegisterDirectory();

  benchmark::AddCustomContext("sqlite", sqlite3_libversion());
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary(std::cout);
  benchmark::Shutdown();
  return 0;
}
