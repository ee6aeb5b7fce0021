// BenchDatabase: a database with the library's schema and the data set the
// benchmarks read: a euro home currency, two euro-participating currencies,
// four floating ones and filler up to 200 currencies, each main currency
// with a rate history of the given length (daily rates, the last one
// open-ended), twenty terms of every kind, and kPartnerCount business
// partners (IDs 1.., each a customer). On SQLite a file in the
// temporary directory, on PostgreSQL a database of its own on the server
// PostgresServer() names; removed (dropped) when it ends.
//
// The library finds it the way a deployment does, through the configuration
// (UseForLibrary). Non-copyable.
#pragma once

#include <optional>
#include <string>

#include "bench/backend.h"
#include "platform/runtime/date.h"

namespace korvo::bench {

// The PostgreSQL server to measure on: its connection options
// ("Host=...;Port=...;User=...", as scripts/pg-server prints them) from the
// environment variable KORVO_BENCH_PG; nullopt when it is unset or empty.
std::optional<std::string> PostgresServer();

inline constexpr int kPartnerCount = 100000;

class BenchDatabase {
 public:
  // history: rate rows per main currency (>= 1). Throws std::runtime_error
  // for PostgreSQL without PostgresServer(), or when the database cannot be
  // created.
  explicit BenchDatabase(int history, Backend backend = Backend::SQLite);
  ~BenchDatabase();
  BenchDatabase(const BenchDatabase&) = delete;
  BenchDatabase& operator=(const BenchDatabase&) = delete;

  // The SQLite file ("" on PostgreSQL).
  const std::string& Path() const { return path_; }
  const std::string& ConnectionString() const { return connectionString_; }
  // What a hand-written floor opens: the SQLite file, or the PostgreSQL
  // connection string.
  const std::string& FloorTarget() const { return path_.empty() ? connectionString_ : path_; }
  // Points the library's configured connection string at this database and
  // forgets the calling thread's cached one.
  void UseForLibrary() const;

 private:
  template <class Floor>
  void Fill(int history) const;

  Backend backend_;
  std::string path_;
  std::string name_;  // the PostgreSQL database
  std::string connectionString_;
};

// The process's data set with `history` rate rows per main currency (1, 100
// or 10,000; on PostgreSQL always 1), created on first use and removed when
// the process ends; one per length and backend, shared by every benchmark.
const BenchDatabase& SharedDatabase(int history = 1, Backend backend = Backend::SQLite);

// The moment conversions are priced at: inside every main currency's latest
// rate.
rt::Date PricingDate();
// PricingDate in the stored form, for the hand-written floors.
const std::string& PricingDateText();

}  // namespace korvo::bench
