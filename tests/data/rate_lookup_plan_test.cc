// The currency look-ups every conversion makes use indexes that fit them on
// SQLite, so their cost does not grow with the rate history; an older
// database is brought to the same plans by its upgrade.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "data/data_fixture.h"
#include "platform/data/connection_string.h"
#include "platform/data/schema.h"
#include "platform/runtime/date.h"

namespace korvo::data {
namespace {

constexpr const char* kValidRateSql =
    "SELECT CURRENCYCODE, EFFECTIVEDATE, EXPIRYDATE, HOMESALESRATE, EUROSALESRATE, RATEFACTOR FROM CURRENCYRATE "
    "WHERE CURRENCYCODE=? AND EFFECTIVEDATE<=? AND (EXPIRYDATE IS NULL OR EXPIRYDATE>?)";
constexpr const char* kLatestDay = "2024-07-01 00:00:00";
constexpr const char* kPricingMoment = "2024-07-15 12:00:00";

// The database file itself, reached without the data layer, to see what
// SQLite does with a statement.
class RawDatabase {
 public:
  explicit RawDatabase(const std::string& connectionString) {
    const auto path = ParseConnectionString(connectionString).Get("Database");
    EXPECT_EQ(sqlite3_open(path ? path->c_str() : "", &db_), SQLITE_OK);
    sqlite3_busy_timeout(db_, 5000);
  }
  ~RawDatabase() { sqlite3_close(db_); }
  RawDatabase(const RawDatabase&) = delete;
  RawDatabase& operator=(const RawDatabase&) = delete;

  void Exec(const std::string& sql) {
    EXPECT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db_);
  }
  // Daily rates of one currency up to kLatestDay, the last one open-ended.
  void AddHistory(const std::string& code, int days) {
    Exec("BEGIN");
    for (int i = days - 1; i >= 0; --i) {
      const std::string expiry = i == 0 ? "NULL" : "'" + Day(i - 1) + "'";
      Exec("INSERT INTO CURRENCYRATE VALUES ('" + code + "', '" + Day(i) + "', " + expiry +
           ", 1.5, NULL, 1)");
    }
    Exec("COMMIT");
  }
  // The virtual-machine steps the rate look-up takes for a currency: the
  // work it does, whatever the machine's speed.
  int LookUpSteps(const std::string& code) {
    sqlite3_stmt* stmt = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db_, kValidRateSql, -1, &stmt, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db_);
    sqlite3_bind_text(stmt, 1, code.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 2, kPricingMoment, -1, SQLITE_STATIC);
    sqlite3_bind_text(stmt, 3, kPricingMoment, -1, SQLITE_STATIC);
    int rows = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) ++rows;
    EXPECT_EQ(rows, 1) << code;
    const int steps = sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_VM_STEP, 0);
    sqlite3_finalize(stmt);
    return steps;
  }

 private:
  static std::string Day(int daysBeforeLatest) {
    const rt::Date latest = *rt::ParseDate(kLatestDay);
    return rt::FormatStoredDate(rt::Date{latest.serial - daysBeforeLatest});
  }
  sqlite3* db_ = nullptr;
};

class RateLookupPlanTest : public DataTest {
 protected:
  // SQLite's plan for a statement, one step per line.
  std::string Plan(const std::string& sql, std::vector<contracts::Parameter> params = {}) {
    std::string plan;
    for (auto rows = Exec("EXPLAIN QUERY PLAN " + sql, std::move(params)); !rows->IsEOF();
         rows->MoveNext()) {
      plan += rows->Value("detail").AsString() + "\n";
    }
    return plan;
  }
  std::string ValidRatePlan() {
    return Plan(kValidRateSql, {Param("USD"), Param(kPricingMoment, contracts::ParamType::DateTime),
                                Param(kPricingMoment, contracts::ParamType::DateTime)});
  }
};

TEST_F(RateLookupPlanTest, TheValidRateIsFoundAmongTheRatesInForce) {
  KORVO_SQLITE_ONLY("the plans and statistics are SQLite's");
  const std::string plan = ValidRatePlan();
  EXPECT_NE(plan.find("COVERING INDEX IX_CURRENCYRATE_EXPIRY"), std::string::npos) << plan;
  EXPECT_EQ(plan.find("sqlite_autoindex_CURRENCYRATE"), std::string::npos) << plan;
}

TEST_F(RateLookupPlanTest, TheHomeAndTheEuroCurrencyAreFoundByTheirFlag) {
  KORVO_SQLITE_ONLY("the plans are SQLite's");
  const std::string columns =
      "SELECT CURRENCYCODE, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID FROM CURRENCY ";
  EXPECT_NE(Plan(columns + "WHERE HOMECURRENCY=1").find("INDEX IX_CURRENCY_HOME"), std::string::npos);
  EXPECT_NE(Plan(columns + "WHERE EURO=1").find("INDEX IX_CURRENCY_EURO"), std::string::npos);
}

TEST_F(RateLookupPlanTest, ALongHistoryCostsTheLookUpNothing) {
  KORVO_SQLITE_ONLY("the work is counted in SQLite's virtual-machine steps");
  RawDatabase raw(db_.ConnectionString());
  raw.AddHistory("ONE", 1);
  raw.AddHistory("OLD", 2000);
  // A look-up reading the history would take thousands of steps more.
  EXPECT_LT(raw.LookUpSteps("OLD"), raw.LookUpSteps("ONE") + 10);
}

TEST_F(RateLookupPlanTest, AnUpgradedDatabaseGetsTheSamePlan) {
  KORVO_SQLITE_ONLY("the plans and the file's version are SQLite's");
  {
    // The rate index of the first schema version, before its upgrade.
    RawDatabase raw(db_.ConnectionString());
    raw.Exec("DROP INDEX IX_CURRENCYRATE_EXPIRY");
    raw.Exec("DELETE FROM sqlite_stat1");
    raw.Exec(
        "CREATE INDEX IX_CURRENCYRATE_VALIDITY ON CURRENCYRATE (CURRENCYCODE, EFFECTIVEDATE, EXPIRYDATE)");
    raw.Exec("PRAGMA user_version = 1");
  }
  ConnectionPool::CloseIdle(db_.ConnectionString());
  InitializeDatabase(db_.ConnectionString());
  EXPECT_EQ(Count("sqlite_master WHERE name = 'IX_CURRENCYRATE_VALIDITY'"), 0);
  EXPECT_NE(ValidRatePlan().find("COVERING INDEX IX_CURRENCYRATE_EXPIRY"), std::string::npos);
}

}  // namespace
}  // namespace korvo::data
