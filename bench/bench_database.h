// BenchDatabase: a database file with the library's schema and the data set
// the benchmarks read: a euro home currency, two euro-participating
// currencies, four floating ones and filler up to 200 currencies, each main
// currency with a rate history of the given length (daily rates, the last
// one open-ended), and two terms of every kind. Removed when it ends.
//
// The library finds it the way a deployment does, through the configuration
// (UseForLibrary). Non-copyable.
#pragma once

#include <string>

#include "platform/runtime/date.h"

namespace korvo::bench {

class BenchDatabase {
 public:
  // history: rate rows per main currency (>= 1).
  explicit BenchDatabase(int history);
  ~BenchDatabase();
  BenchDatabase(const BenchDatabase&) = delete;
  BenchDatabase& operator=(const BenchDatabase&) = delete;

  const std::string& Path() const { return path_; }
  const std::string& ConnectionString() const { return connectionString_; }
  // Points the library's configured connection string at this database and
  // forgets the calling thread's cached one.
  void UseForLibrary() const;

 private:
  void Fill(int history) const;
  std::string path_;
  std::string connectionString_;
};

// The process's data set with `history` rate rows per main currency (1, 100
// or 10,000), created on first use and removed when the process ends; one
// per length, shared by every benchmark.
const BenchDatabase& SharedDatabase(int history = 1);

// The moment conversions are priced at: inside every main currency's latest
// rate.
rt::Date PricingDate();
// PricingDate in the stored form, for the hand-written floors.
const std::string& PricingDateText();

}  // namespace korvo::bench
