// The suite's table: for each measured call the medians of its library,
// floor and literal variants, their ratios, the statements each issues, and
// the machine-readable lines
//   RATIO <call> <backend> <library / floor>
// (for a library run in turns with its floor, the median over the
// repetitions of each repetition's library / floor, which the machine's
// changing load, clock speed and cache warmth move far less than the two
// medians apart),
//   RATIO <call>-literal <backend> <literal / floor>
// followed by the goals the numbers are held to, each met or missed.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace korvo::bench {

// Shows the usual console output while keeping every median.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;
  // Prints the table, the RATIO lines and the goals.
  void PrintSummary(std::ostream& out) const;

 private:
  struct Median {
    double microseconds = 0;
    double itemsPerSecond = 0;
    double statements = -1;
    double pairedRatio = 0;  // a run in turns: the median of its per-repetition ratios
  };
  // Key: "<call>/<backend>/<variant>", with "@<threads>" for threaded runs.
  std::map<std::string, Median> medians_;

  const Median* Find(const std::string& call, const std::string& backend,
                     const std::string& variant) const;
  // library / floor: the paired ratio of a run in turns, else the ratio of
  // the two medians.
  static double Ratio(const Median& library, const Median& floor);
  // Ratio for a call's library and floor; 0 when either is missing.
  double RatioOf(const std::string& call, const std::string& backend) const;
  void PrintGoals(std::ostream& out) const;
};

}  // namespace korvo::bench
