#include "bench/bench_database.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "bench/postgres_floor.h"
#include "bench/sqlite_floor.h"
#include "infrastructure/components.h"
#include "platform/data/pool.h"
#include "platform/data/schema.h"
#include "platform/korvex/configuration_overrides.h"

namespace korvo::bench {
namespace {

struct MainCurrency {
  const char* code;
  bool home;
  bool euro;
  bool epc;
  double homeRate;  // 0: NULL
  double euroRate;  // 0: NULL
  int factor;
};

// A euro home currency; rates are against it.
constexpr std::array<MainCurrency, 7> kCurrencies{{
    {"EUR", true, true, false, 1.0, 1.0, 1},
    {"DEM", false, false, true, 0.0, 1.95583, 1},
    {"FRF", false, false, true, 0.0, 6.55957, 1},
    {"USD", false, false, false, 1.085, 0.0, 1},
    {"GBP", false, false, false, 0.855, 0.0, 1},
    {"CHF", false, false, false, 0.945, 0.0, 1},
    {"JPY", false, false, false, 1.6, 0.0, 100},
}};
constexpr int kCurrencyCount = 200;

// Partners named "Partner 100001".., each a customer paying in US dollars,
// numbered by the database from 1 in name order. One statement each way,
// so the hundred thousand rows cost a fraction of a second.
constexpr const char* kInsertPartners =
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
    "INSERT INTO BUSINESSPARTNER (NAME, CURRENCYCODE, ZRKCUSTOMERCODE, PRICINGMETHOD, ISONETIMEBP, ISINTERNALBP) "
    "SELECT 'Partner ' || (100000 + i), 'USD', 'C' || i, 1, FALSE, FALSE FROM n ORDER BY i";
constexpr const char* kInsertCustomers =
    "INSERT INTO CUSTOMER (BUSINESSPARTNERID, CUSTOMERNAME, ORDERDISCOUNTPERC) "
    "SELECT BUSINESSPARTNERID, NAME, 2.5 FROM BUSINESSPARTNER";
constexpr int kTermsPerKind = 20;
constexpr const char* kTermTables[] = {"PAYMENTTERM",    "PAYMENTMETHOD", "DELIVERYTERM",
                                       "DELIVERYMETHOD", "PACKAGINGTERM", "WARRANTYTERM",
                                       "PENALTYTERM"};

// The latest rate of every main currency starts on this day.
rt::Date LatestRateDay() { return *rt::MakeDate({2024, 7, 1, 0, 0, 0}); }

std::string DayText(int daysBeforeLatest) {
  const rt::Date day{LatestRateDay().serial - daysBeforeLatest};
  return rt::FormatStoredDate(day);
}

// The markers of `count` parameters as the floor's database writes them:
// "?, ?" on SQLite, "$1, $2" on PostgreSQL.
template <class Floor>
std::string Markers(int count) {
  std::string text;
  for (int n = 1; n <= count; ++n) {
    if (n > 1) text += ", ";
    if (Floor::kBackend == Backend::SQLite) {
      text += '?';
    } else {
      text += '$';
      text += std::to_string(n);
    }
  }
  return text;
}

// Flags are bound as 0 and 1, which PostgreSQL reads as false and true.
template <class Floor>
void InsertCurrency(Floor& db, const std::string& sql, const std::string& code, bool home, bool euro,
                    bool epc) {
  const std::string name = "Currency " + code;
  typename Floor::Query(db, sql.c_str())
      .Bind(1, code)
      .Bind(2, name)
      .Bind(3, std::int64_t{home})
      .Bind(4, std::int64_t{euro})
      .Bind(5, std::int64_t{epc})
      .Run();
}

// Daily rates, oldest first; the last one has no expiry date.
template <class Floor>
void InsertHistory(Floor& db, const std::string& sql, const MainCurrency& c, int history) {
  for (int i = history - 1; i >= 0; --i) {
    const std::string effective = DayText(i);
    const std::string expiry = DayText(i - 1);
    typename Floor::Query insert(db, sql.c_str());
    insert.Bind(1, std::string_view(c.code)).Bind(2, effective);
    if (i == 0) {
      insert.BindNull(3);
    } else {
      insert.Bind(3, expiry);
    }
    if (c.homeRate > 0)
      insert.Bind(4, c.homeRate);
    else
      insert.BindNull(4);
    if (c.euroRate > 0)
      insert.Bind(5, c.euroRate);
    else
      insert.BindNull(5);
    insert.Bind(6, std::int64_t{c.factor}).Run();
  }
}

std::string FillerCode(int n) {
  char code[8];
  std::snprintf(code, sizeof code, "%c%02d", 'Q' + n / 100, n % 100);
  return code;
}

std::string PostgresConnectionString(const std::string& database) {
  const auto server = PostgresServer();
  if (!server)
    throw std::runtime_error("PostgreSQL needs KORVO_BENCH_PG (scripts/pg-server starts a server)");
  return "Driver=PostgreSQL;" + *server + ";Database=" + database;
}

// Runs one command on the server's maintenance database, outside the pool
// (which would give that database the library's schema).
void AdministerPostgres(const std::string& sql) {
  PostgresFloor admin(PostgresConnectionString("postgres"), FloorMode::Prepared);
  PostgresFloor::Query(admin, sql.c_str()).Run();
}

}  // namespace

std::optional<std::string> PostgresServer() {
  const char* options = std::getenv("KORVO_BENCH_PG");
  if (!options || !*options) return std::nullopt;
  return std::string(options);
}

const BenchDatabase& SharedDatabase(int history, Backend backend) {
  if (backend == Backend::PostgreSQL) {
    static const BenchDatabase postgres(1, Backend::PostgreSQL);
    return postgres;
  }
  if (history >= 10000) {
    static const BenchDatabase tenThousand(10000);
    return tenThousand;
  }
  if (history >= 100) {
    static const BenchDatabase hundred(100);
    return hundred;
  }
  static const BenchDatabase one(1);
  return one;
}

rt::Date PricingDate() { return rt::Date{LatestRateDay().serial + 14.5}; }

const std::string& PricingDateText() {
  static const std::string text = rt::FormatStoredDate(PricingDate());
  return text;
}

BenchDatabase::BenchDatabase(int history, Backend backend) : backend_(backend) {
  if (backend == Backend::PostgreSQL) {
    name_ = "korvo_bench_" + std::to_string(getpid()) + "_" + std::to_string(history);
    connectionString_ = PostgresConnectionString(name_);
    AdministerPostgres("CREATE DATABASE " + name_);
    data::InitializeDatabase(connectionString_);
    Fill<PostgresFloor>(history);
    // Planner statistics, as a database in use has them; autovacuum would
    // otherwise gather them in the middle of the run.
    PostgresFloor db(connectionString_, FloorMode::Prepared);
    PostgresFloor::Query(db, "ANALYZE").Run();
    return;
  }
  std::string dir = (std::filesystem::temp_directory_path() / "korvo-bench-XXXXXX").string();
  if (!mkdtemp(dir.data())) throw std::runtime_error("mkdtemp failed");
  path_ = dir + "/bench.db";
  connectionString_ = "Driver=SQLite;Database=" + path_;
  data::InitializeDatabase(connectionString_);
  Fill<SqliteFloor>(history);
}

BenchDatabase::~BenchDatabase() {
  data::ConnectionPool::CloseIdle(connectionString_);
  if (backend_ == Backend::PostgreSQL) {
    try {
      AdministerPostgres("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
    } catch (const std::exception& e) {
      std::fprintf(stderr, "cannot drop the benchmark database %s: %s\n", name_.c_str(), e.what());
    }
    return;
  }
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(path_).parent_path(), ignored);
}

void BenchDatabase::UseForLibrary() const {
  korvex::ConfigurationOverrides::Set("CONNECTIONS", "KorvoCommonConnection_ConnectionString",
                                      connectionString_);
  infra::ResetConnectionStringCache();
}

template <class Floor>
void BenchDatabase::Fill(int history) const {
  // The texts outlive the floor, which keeps its statements under their address.
  const std::string insertCurrency = "INSERT INTO CURRENCY VALUES (" + Markers<Floor>(5) + ", 2, NULL)";
  const std::string insertRate = "INSERT INTO CURRENCYRATE VALUES (" + Markers<Floor>(6) + ")";
  std::vector<std::string> insertTerms;
  for (const std::string table : kTermTables) {
    insertTerms.push_back("INSERT INTO " + table + " (" + table + "CODE, DESCRIPTION) VALUES (" +
                          Markers<Floor>(2) + ")");
  }
  Floor db(FloorTarget(), FloorMode::Prepared);
  typename Floor::Transaction transaction(db, /*write=*/true);
  for (const MainCurrency& c : kCurrencies) {
    InsertCurrency(db, insertCurrency, c.code, c.home, c.euro, c.epc);
    if (!c.euro) InsertHistory(db, insertRate, c, history);
  }
  for (int n = static_cast<int>(kCurrencies.size()); n < kCurrencyCount; ++n) {
    InsertCurrency(db, insertCurrency, FillerCode(n), false, false, false);
  }
  for (const std::string& insert : insertTerms) {
    for (int n = 0; n < kTermsPerKind; ++n) {
      const std::string code = 'T' + std::to_string(100 + n);
      const std::string description = "Terms number " + std::to_string(n);
      typename Floor::Query(db, insert.c_str()).Bind(1, code).Bind(2, description).Run();
    }
  }
  typename Floor::Query(db, kInsertPartners).Run();
  typename Floor::Query(db, kInsertCustomers).Run();
}

}  // namespace korvo::bench
