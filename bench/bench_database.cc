#include "bench/bench_database.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

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
constexpr int kTermsPerKind = 20;
constexpr const char* kInsertTerms[] = {
    "INSERT INTO PAYMENTTERM (PAYMENTTERMCODE, DESCRIPTION) VALUES (?, ?)",
    "INSERT INTO PAYMENTMETHOD (PAYMENTMETHODCODE, DESCRIPTION) VALUES (?, ?)",
    "INSERT INTO DELIVERYTERM (DELIVERYTERMCODE, DESCRIPTION) VALUES (?, ?)",
    "INSERT INTO DELIVERYMETHOD (DELIVERYMETHODCODE, DESCRIPTION) VALUES (?, ?)",
    "INSERT INTO PACKAGINGTERM (PACKAGINGTERMCODE, DESCRIPTION) VALUES (?, ?)",
    "INSERT INTO WARRANTYTERM (WARRANTYTERMCODE, DESCRIPTION) VALUES (?, ?)",
    "INSERT INTO PENALTYTERM (PENALTYTERMCODE, DESCRIPTION) VALUES (?, ?)",
};

// The latest rate of every main currency starts on this day.
rt::Date LatestRateDay() { return *rt::MakeDate({2024, 7, 1, 0, 0, 0}); }

std::string DayText(int daysBeforeLatest) {
  const rt::Date day{LatestRateDay().serial - daysBeforeLatest};
  return rt::FormatStoredDate(day);
}

constexpr const char* kInsertCurrency = "INSERT INTO CURRENCY VALUES (?, ?, ?, ?, ?, 2, NULL)";
constexpr const char* kInsertRate = "INSERT INTO CURRENCYRATE VALUES (?, ?, ?, ?, ?, ?)";

void InsertCurrency(SqliteFloor& db, const std::string& code, bool home, bool euro, bool epc) {
  const std::string name = "Currency " + code;
  SqliteFloor::Query(db, kInsertCurrency)
      .Bind(1, code)
      .Bind(2, name)
      .Bind(3, std::int64_t{home})
      .Bind(4, std::int64_t{euro})
      .Bind(5, std::int64_t{epc})
      .Run();
}

// Daily rates, oldest first; the last one has no expiry date.
void InsertHistory(SqliteFloor& db, const MainCurrency& c, int history) {
  for (int i = history - 1; i >= 0; --i) {
    const std::string effective = DayText(i);
    const std::string expiry = DayText(i - 1);
    SqliteFloor::Query insert(db, kInsertRate);
    insert.Bind(1, std::string_view(c.code)).Bind(2, effective);
    if (i == 0) {
      insert.BindNull(3);
    } else {
      insert.Bind(3, expiry);
    }
    if (c.homeRate > 0) insert.Bind(4, c.homeRate); else insert.BindNull(4);
    if (c.euroRate > 0) insert.Bind(5, c.euroRate); else insert.BindNull(5);
    insert.Bind(6, std::int64_t{c.factor}).Run();
  }
}

std::string FillerCode(int n) {
  char code[4];
  std::snprintf(code, sizeof code, "%c%02d", 'Q' + n / 100, n % 100);
  return code;
}

}  // namespace

const BenchDatabase& SharedDatabase(int history) {
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

BenchDatabase::BenchDatabase(int history) {
  std::string dir = (std::filesystem::temp_directory_path() / "korvo-bench-XXXXXX").string();
  if (!mkdtemp(dir.data())) throw std::runtime_error("mkdtemp failed");
  path_ = dir + "/bench.db";
  connectionString_ = "Driver=SQLite;Database=" + path_;
  data::InitializeDatabase(connectionString_);
  Fill(history);
}

BenchDatabase::~BenchDatabase() {
  data::ConnectionPool::CloseIdle(connectionString_);
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(path_).parent_path(), ignored);
}

void BenchDatabase::UseForLibrary() const {
  korvex::ConfigurationOverrides::Set("CONNECTIONS", "KorvoCommonConnection_ConnectionString", connectionString_);
  infra::ResetConnectionStringCache();
}

void BenchDatabase::Fill(int history) const {
  SqliteFloor db(path_, SqliteFloor::Mode::Prepared);
  SqliteFloor::Transaction transaction(db, /*write=*/true);
  for (const MainCurrency& c : kCurrencies) {
    InsertCurrency(db, c.code, c.home, c.euro, c.epc);
    if (!c.euro) InsertHistory(db, c, history);
  }
  for (int n = static_cast<int>(kCurrencies.size()); n < kCurrencyCount; ++n) {
    InsertCurrency(db, FillerCode(n), false, false, false);
  }
  for (const char* insert : kInsertTerms) {
    for (int n = 0; n < kTermsPerKind; ++n) {
      const std::string code = "T" + std::to_string(100 + n);
      const std::string description = "Terms number " + std::to_string(n);
      SqliteFloor::Query(db, insert).Bind(1, code).Bind(2, description).Run();
    }
  }
}

}  // namespace korvo::bench
