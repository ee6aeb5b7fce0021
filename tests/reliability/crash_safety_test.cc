// Crash safety: `korvo serve --stdio` killed with SIGKILL, in the middle of a
// scope that has written or at a random moment of a stream of scopes. The
// database then opens cleanly, holds none of an unfinished scope's writes,
// all of every scope whose commit was acknowledged, and takes new writes.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <iostream>
#include <random>
#include <set>
#include <thread>

#include "platform/data/pool.h"
#include "platform/data/schema.h"
#include "program/korvo_process.h"
#include "registration/register_all.h"
#include "reliability/database_state.h"

namespace korvo::reliability {
namespace {

using korvo::testing::Json;
using korvo::testing::KorvoServer;

Json Typed(const char* type, Json value = nullptr) {
  Json typed = {{"type", type}};
  if (!value.is_null()) typed["value"] = std::move(value);
  return typed;
}

// What a request writes for one new currency: the currency and its first
// rate, both or neither.
std::vector<std::pair<std::string, Json>> ScopeWrites(const std::string& code) {
  return {
      {"AddCurrency",
       {code, "Currency " + code, false, false, false, Typed("Integer", 2), Typed("Null")}},
      {"AddCurrencyRate",
       {code, Typed("Date", "2024-01-01"), Typed("Null"), 1.5, 0.0, 1, false}},
  };
}

// Three letters for 0 .. 26^3 - 1, never the seeded "EUR".
std::string CodeNumber(int n) {
  if (n >= ('E' - 'A') * 676 + ('U' - 'A') * 26 + ('R' - 'A')) ++n;
  return {static_cast<char>('A' + n / 676 % 26), static_cast<char>('A' + n / 26 % 26),
          static_cast<char>('A' + n % 26)};
}

Json Request(int id, const char* method, Json params) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}};
}

class CrashSafetyTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    registration::RegisterAll();
    // A request written after the program died must fail, not kill the test.
    signal(SIGPIPE, SIG_IGN);
  }

  void SetUp() override {
    data::InitializeDatabase(connectionString_);
    Execute("INSERT INTO CURRENCY VALUES ('EUR', 'Euro', 1, 1, 1, 2, NULL)");
    Execute("INSERT INTO CURRENCYRATE VALUES ('EUR', '1999-01-01 00:00:00', NULL, 1, 1, 1)");
  }

  void TearDown() override { data::ConnectionPool::CloseIdle(connectionString_); }

  void Execute(const std::string& sql) { ExecuteSql(connectionString_, sql); }
  std::int64_t Number(const std::string& sql) { return QueryNumber(connectionString_, sql); }

  KorvoServer StartServer() { return KorvoServer({"--db", path_}); }

  // Opens and checks the database as the next program would.
  void ExpectSoundDatabase() {
    EXPECT_EQ(Number("SELECT COUNT(*) FROM pragma_integrity_check WHERE integrity_check <> 'ok'"), 0);
    // No lock outlived the killed writer.
    Execute("INSERT INTO COUNTRY (COUNTRYCODE, COUNTRYNAME) VALUES ('ZZ', 'After the crash')");
    Execute("DELETE FROM COUNTRY WHERE COUNTRYCODE = 'ZZ'");
  }

  std::int64_t CountOf(const std::string& table, const std::string& code) {
    return Number("SELECT COUNT(*) FROM " + table + " WHERE CURRENCYCODE = '" + code + "'");
  }

  korvo::testing::ScratchDirectory scratch_;
  const std::string path_ = scratch_.File("korvo.db");
  const std::string connectionString_ = "Driver=SQLite;Database=" + path_;
};

TEST_F(CrashSafetyTest, KilledInTheMiddleOfAScopeLeavesNoneOfItsWrites) {
  const DatabaseDump before = DumpDatabase(connectionString_);
  KorvoServer server = StartServer();
  server.Result("begin");
  const Json maintenance = server.Result("create", {{"class", "KorvoCommon.TCurrency"}})["object"];
  for (const auto& [method, args] : ScopeWrites("SEK")) {
    const Json result = server.Result("call", {{"object", maintenance}, {"method", method}, {"args", args}});
    EXPECT_EQ(result["value"], Typed("Boolean", true)) << method;
  }
  const Json terms = server.Result("create", {{"class", "KorvoCommon.TermsAndConditions"}})["object"];
  const Json fields = Typed("Dictionary", Json::array({Json::array({"DESCRIPTION", "Net 60 days"})}));
  server.Result("call", {{"object", terms}, {"method", "InsertTermsAndConditions"}, {"args", {1, "NET60", fields}}});

  kill(server.Pid(), SIGKILL);
  EXPECT_EQ(server.Finish(), 128 + SIGKILL);

  ExpectSoundDatabase();
  EXPECT_EQ(DumpDatabase(connectionString_), before);
}

TEST_F(CrashSafetyTest, KilledAtRandomMomentsEveryScopeIsAllOrNothing) {
  std::mt19937 random(20240307);
  std::set<std::string> acknowledged, attempted;
  int next = 0;
  for (int round = 0; round < 4; ++round) {
    KorvoServer server = StartServer();
    const auto delay = std::chrono::milliseconds(std::uniform_int_distribution<int>(40, 400)(random));
    std::thread killer([&server, delay] {
      std::this_thread::sleep_for(delay);
      kill(server.Pid(), SIGKILL);
    });
    // Scope after scope, each answer awaited, until the program is gone.
    for (int id = 1;;) {
      const std::string code = CodeNumber(next++);
      attempted.insert(code);
      auto ask = [&](const char* method, Json params) {
        const std::string line = server.Exchange(Request(id++, method, std::move(params)).dump());
        return line.empty() ? Json() : Json::parse(line, nullptr, false);
      };
      if (ask("begin", Json::object()).is_null()) break;
      const Json created = ask("create", {{"class", "KorvoCommon.TCurrency"}});
      if (created.is_null()) break;
      bool gone = false;
      for (const auto& [method, args] : ScopeWrites(code)) {
        gone = gone || ask("call", {{"object", created["result"]["object"]}, {"method", method}, {"args", args}}).is_null();
      }
      const Json ended = gone ? Json() : ask("end", Json::object());
      if (ended.is_null()) break;
      if (ended["result"]["outcome"] == "committed") acknowledged.insert(code);
    }
    killer.join();
    EXPECT_EQ(server.Finish(), 128 + SIGKILL);
    ExpectSoundDatabase();
  }
  for (const std::string& code : attempted) {
    SCOPED_TRACE(code);
    const std::int64_t currencies = CountOf("CURRENCY", code), rates = CountOf("CURRENCYRATE", code);
    EXPECT_EQ(currencies, rates) << "a scope was written in part";
    if (acknowledged.count(code)) {
      EXPECT_EQ(currencies, 1) << "an acknowledged commit was lost";
    }
  }
  std::cout << "[ counts   ] crash safety: " << attempted.size() << " scopes, 4 kills, "
            << acknowledged.size() << " acknowledged commits kept, 0 scopes written in part\n";
  EXPECT_GE(acknowledged.size(), 4u);
}

}  // namespace
}  // namespace korvo::reliability
