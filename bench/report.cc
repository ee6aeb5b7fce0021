#include "bench/report.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <utility>

#include "bench/backend.h"
#include "bench/bench_support.h"

namespace korvo::bench {
namespace {

constexpr const char* kLibraryVariant = "library";
constexpr const char* kFloorVariant = "floor";
constexpr const char* kLiteralVariant = "literal";

double ToMicroseconds(double time, benchmark::TimeUnit unit) {
  switch (unit) {
    case benchmark::kNanosecond:
      return time / 1e3;
    case benchmark::kMicrosecond:
      return time;
    case benchmark::kMillisecond:
      return time * 1e3;
    case benchmark::kSecond:
      return time * 1e6;
  }
  return time;
}

// "<call>/<backend>/<variant>" split in three.
struct Name {
  std::string call, backend, variant;
};

Name Split(const std::string& name) {
  const auto first = name.find('/');
  const auto last = name.rfind('/');
  if (first == std::string::npos || first == last) return {name, "", ""};
  return {name.substr(0, first), name.substr(first + 1, last - first - 1), name.substr(last + 1)};
}

std::string Time(double microseconds) {
  char text[32];
  if (microseconds >= 1000) {
    std::snprintf(text, sizeof text, "%.2f ms", microseconds / 1000);
  } else {
    std::snprintf(text, sizeof text, "%.2f us", microseconds);
  }
  return text;
}

std::string Number(double value, const char* format = "%.2f") {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// The limit of a call's library/floor ratio; 0: no goal. On a server
// database, where round trips dominate, the conversion and the partner
// look-up are held to the floor more closely and the other reads have no
// goal; writes and listings have the same goal on both. A getter on the
// LDAP server is held to its libldap floor as closely as a look-up.
double RatioLimit(const std::string& call, const std::string& backend) {
  const bool server = backend == BackendName(Backend::PostgreSQL);
  if (call.rfind("Currency.ConvertAmount", 0) == 0 || call == kPartnerLookUpCall)
    return server ? 1.3 : 2.0;
  if (backend == kLdap) return 1.5;  // a getter against a hand-written bind-and-search
  if (call == kPartnerInsertCall || call == kPageFromThousandCall) return 2.5;
  if (call == kPageGrowthCall) return 1.5;
  return server ? 0 : 2.5;
}

struct Goal {
  std::string what;
  double value;
  bool met;
};

}  // namespace

void TableReporter::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") continue;
    std::string key = run.run_name.function_name;
    const bool threaded = key.find(":threads") != std::string::npos;
    if (threaded) key.insert(key.find('/'), '@' + std::to_string(run.threads));
    Median& median = medians_[key];
    // In-process calls are timed by the CPU they use, which a machine shared
    // with other work does not inflate; calls whose cost includes waiting
    // (another process, a database server, the disk, a second thread) by the
    // wall clock.
    const bool wallClock = !run.run_name.time_type.empty();  // real or manual (in turns) time
    median.microseconds =
        ToMicroseconds(wallClock ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime(), run.time_unit);
    if (auto it = run.counters.find("items_per_second"); it != run.counters.end()) {
      median.itemsPerSecond = it->second.value;
      // Threaded runs are read as throughput: the time one call costs the
      // process when all threads work.
      if (threaded && median.itemsPerSecond > 0) median.microseconds = 1e6 / median.itemsPerSecond;
    }
    if (auto it = run.counters.find("stmts"); it != run.counters.end())
      median.statements = it->second.value;
    // A library run in turns with its floor carries the floor's figures.
    if (auto it = run.counters.find(kFloorTime); it != run.counters.end()) {
      const Name name = Split(key);
      Median& floor = medians_[name.call + "/" + name.backend + "/" + kFloorVariant];
      floor.microseconds = it->second.value;
      floor.statements = run.counters.at(kFloorStatements).value;
      if (auto ratio = run.counters.find(kPairedRatio); ratio != run.counters.end()) {
        median.pairedRatio = ratio->second.value;
      }
    }
  }
  ConsoleReporter::ReportRuns(runs);
}

const TableReporter::Median* TableReporter::Find(const std::string& call, const std::string& backend,
                                                 const std::string& variant) const {
  auto it = medians_.find(call + "/" + backend + "/" + variant);
  return it == medians_.end() ? nullptr : &it->second;
}

double TableReporter::RatioOf(const std::string& call, const std::string& backend) const {
  const Median* library = Find(call, backend, kLibraryVariant);
  const Median* floor = Find(call, backend, kFloorVariant);
  return library && floor ? Ratio(*library, *floor) : 0;
}

double TableReporter::Ratio(const Median& library, const Median& floor) {
  if (library.pairedRatio > 0) return library.pairedRatio;
  return floor.microseconds > 0 ? library.microseconds / floor.microseconds : 0;
}

void TableReporter::PrintSummary(std::ostream& out) const {
  std::vector<std::pair<std::string, std::string>> calls;  // (call, backend), in name order
  std::set<std::pair<std::string, std::string>> seen;
  for (const auto& [key, median] : medians_) {
    const Name name = Split(key);
    if (seen.insert({name.call, name.backend}).second) calls.emplace_back(name.call, name.backend);
  }
  char line[256];
  std::snprintf(line, sizeof line, "%-52s %-8s %11s %11s %7s %11s %8s %7s\n", "call", "backend",
                "library", "floor", "ratio", "literal", "lit/flr", "stmts");
  out << "\n" << line << std::string(122, '-') << "\n";
  std::vector<std::string> ratios;
  for (const auto& [call, backend] : calls) {
    const Median* library = Find(call, backend, kLibraryVariant);
    const Median* floor = Find(call, backend, kFloorVariant);
    const Median* literal = Find(call, backend, kLiteralVariant);
    const auto cell = [](const Median* m) { return m ? Time(m->microseconds) : std::string("-"); };
    const bool hasRatio = library && floor && floor->microseconds > 0;
    const double ratio = hasRatio ? Ratio(*library, *floor) : 0;
    const double literalRatio = literal && floor ? literal->microseconds / floor->microseconds : 0;
    const std::string statements =
        (library && library->statements >= 0 ? Number(library->statements, "%.0f") : "-") + "/" +
        (floor && floor->statements >= 0 ? Number(floor->statements, "%.0f") : "-");
    std::snprintf(line, sizeof line, "%-52s %-8s %11s %11s %7s %11s %8s %7s\n", call.c_str(),
                  backend.c_str(), cell(library).c_str(), cell(floor).c_str(),
                  hasRatio ? Number(ratio).c_str() : "-", cell(literal).c_str(),
                  literal ? Number(literalRatio, "%.1f").c_str() : "-", statements.c_str());
    out << line;
    if (hasRatio) ratios.push_back("RATIO " + call + " " + backend + " " + Number(ratio));
    if (literal && floor)
      ratios.push_back("RATIO " + call + "-literal " + backend + " " + Number(literalRatio));
  }
  out << "\n";
  PrintGoals(out);
  out << "\n";
  for (const auto& ratio : ratios) out << ratio << "\n";
}

void TableReporter::PrintGoals(std::ostream& out) const {
  std::vector<Goal> goals;
  std::set<std::pair<std::string, std::string>> calls;
  for (const auto& [key, median] : medians_) {
    const Name name = Split(key);
    calls.insert({name.call, name.backend});
  }
  for (const auto& [call, backend] : calls) {
    const Median* library = Find(call, backend, kLibraryVariant);
    const Median* floor = Find(call, backend, kFloorVariant);
    // Growth and threads have goals of their own, below.
    if (!library || !floor || call.find(":history") != std::string::npos ||
        call.find('@') != std::string::npos) {
      continue;
    }
    const double ratio = Ratio(*library, *floor);
    const bool conversion = call.rfind("Currency.ConvertAmount", 0) == 0;
    const bool server = backend == BackendName(Backend::PostgreSQL);
    const double limit = RatioLimit(call, backend);
    if (limit == 0) continue;
    const char* what =
        call == kPageGrowthCall ? ": next page from page 1,000 / page 1 <= " : ": library/floor <= ";
    goals.push_back({call + " " + backend + what + Number(limit, "%.1f"), ratio, ratio <= limit});
    if (const Median* literal = Find(call, backend, kLiteralVariant); conversion && !server && literal) {
      const double speedUp = literal->microseconds / library->microseconds;
      goals.push_back({call + " " + backend + ": literal/library >= 10", speedUp, speedUp >= 10});
    }
  }
  for (const char* backend : {"sqlite", "postgres"}) {
    // Each length's cost as a ratio to its floor, measured in turns with it:
    // the two library medians alone are taken at different moments, whose
    // load differs more than a growth worth catching. The floor (one seek
    // of the rate index) costs the same at every length, so the quotient of
    // the two ratios is the library's own growth.
    const std::string history = "Currency.ConvertAmount:history-";
    const double one = RatioOf(history + "1", backend);
    const double many = RatioOf(history + "10000", backend);
    if (one > 0 && many > 0) {
      const double growth = many / one;
      goals.push_back({std::string("ConvertAmount ") + backend +
                           ": 10,000 rate rows / 1 row, each against its floor, <= 1.2",
                       growth, growth <= 1.2});
    }
    const Median* single = Find("Currency.ConvertAmount:threads@1", backend, kLibraryVariant);
    const Median* dual = Find("Currency.ConvertAmount:threads@2", backend, kLibraryVariant);
    if (single && dual && single->itemsPerSecond > 0) {
      const double scaling = dual->itemsPerSecond / single->itemsPerSecond;
      goals.push_back(
          {std::string("ConvertAmount ") + backend + ": throughput 2 threads / 1 thread >= 1.7", scaling,
           scaling >= 1.7});
    }
  }
  for (const Goal& goal : goals) {
    out << "GOAL " << (goal.met ? "met    " : "MISSED ") << goal.what << " (" << Number(goal.value)
        << ")\n";
  }
}

}  // namespace korvo::bench
