// Crash safety: `korvo serve --stdio` killed with SIGKILL, in the middle of a
// scope that has written or at a random moment of a stream of scopes. The
// database then opens cleanly, holds none of an unfinished scope's writes,
// all of every scope whose commit was acknowledged, and takes new writes.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iostream>
#include <random>
#include <set>
#include <thread>

#include "infrastructure/components.h"
#include "platform/korvex/configuration_overrides.h"
#include "platform/membership/directory.h"
#include "program/korvo_process.h"
#include "registration/register_all.h"
#include "reliability/database_state.h"
#include "support/temp_database.h"

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
      {"AddCurrencyRate", {code, Typed("Date", "2024-01-01"), Typed("Null"), 1.5, 0.0, 1, false}},
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
    Execute("INSERT INTO CURRENCY VALUES ('EUR', 'Euro', 1, 1, 1, 2, NULL)");
    Execute("INSERT INTO CURRENCYRATE VALUES ('EUR', '1999-01-01 00:00:00', NULL, 1, 1, 1)");
  }

  void Execute(const std::string& sql) { ExecuteSql(connectionString_, sql); }
  std::int64_t Number(const std::string& sql) { return QueryNumber(connectionString_, sql); }

  KorvoServer StartServer() { return KorvoServer(database_.ProgramArguments()); }

  // Opens and checks the database as the next program would.
  void ExpectSoundDatabase() {
    if (korvo::testing::TestBackend() == korvo::testing::Backend::SQLite) {
      EXPECT_EQ(Number("SELECT COUNT(*) FROM pragma_integrity_check WHERE integrity_check <> 'ok'"), 0);
    }
    // No lock outlived the killed writer.
    Execute("INSERT INTO COUNTRY (COUNTRYCODE, COUNTRYNAME) VALUES ('ZZ', 'After the crash')");
    Execute("DELETE FROM COUNTRY WHERE COUNTRYCODE = 'ZZ'");
  }

  std::int64_t CountOf(const std::string& table, const std::string& code) {
    return Number("SELECT COUNT(*) FROM " + table + " WHERE CURRENCYCODE = '" + code + "'");
  }

  korvo::testing::TempDatabase database_;
  const std::string& connectionString_ = database_.ConnectionString();
};

TEST_F(CrashSafetyTest, KilledInTheMiddleOfAScopeLeavesNoneOfItsWrites) {
  const DatabaseDump before = DumpDatabase(connectionString_);
  KorvoServer server = StartServer();
  server.Result("begin");
  const Json maintenance = server.Result("create", {{"class", "KorvoCommon.TCurrency"}})["object"];
  for (const auto& [method, args] : ScopeWrites("SEK")) {
    const Json result =
        server.Result("call", {{"object", maintenance}, {"method", method}, {"args", args}});
    EXPECT_EQ(result["value"], Typed("Boolean", true)) << method;
  }
  const Json terms = server.Result("create", {{"class", "KorvoCommon.TermsAndConditions"}})["object"];
  const Json fields = Typed("Dictionary", Json::array({Json::array({"DESCRIPTION", "Net 60 days"})}));
  server.Result(
      "call",
      {{"object", terms}, {"method", "InsertTermsAndConditions"}, {"args", {1, "NET60", fields}}});

  kill(server.Pid(), SIGKILL);
  EXPECT_EQ(server.Finish(), 128 + SIGKILL);

  ExpectSoundDatabase();
  EXPECT_EQ(DumpDatabase(connectionString_), before);
}

// What one scope of a stream writes: the calls on one new object.
struct ScopeWork {
  const char* progId;
  std::vector<std::pair<std::string, Json>> calls;
};

ScopeWork CurrencyAndRate(const std::string& code) {
  return {"KorvoCommon.TCurrency", ScopeWrites(code)};
}

// Scopes that each do the work for a new code, sent one after the other to
// the program, in a session of `session`; `delay` after its first commit
// the program is killed. Records every scope begun and every commit the
// program acknowledged.
struct ScopeStream {
  std::set<std::string> attempted, acknowledged;
  int next = 0;
  std::function<ScopeWork(const std::string&)> work = CurrencyAndRate;
  Json session = Json::object();

  void RunUntilKilled(KorvoServer& server, std::chrono::milliseconds delay) {
    std::thread killer;
    int id = 1;
    auto ask = [&](const char* method, Json params) {
      const std::string line = server.Exchange(Request(id++, method, std::move(params)).dump());
      return line.empty() ? Json() : Json::parse(line, nullptr, false);
    };
    for (bool gone = false; !gone;) {
      const std::string code = CodeNumber(next++);
      attempted.insert(code);
      const ScopeWork scope = work(code);
      gone = ask("begin", {{"session", session}}).is_null();
      const Json created = gone ? Json() : ask("create", {{"class", scope.progId}});
      gone = created.is_null();
      for (const auto& [method, args] : scope.calls) {
        gone = gone ||
               ask("call", {{"object", created["result"]["object"]}, {"method", method}, {"args", args}})
                   .is_null();
      }
      const Json ended = gone ? Json() : ask("end", Json::object());
      gone = ended.is_null();
      if (!gone && ended["result"]["outcome"] == "committed") acknowledged.insert(code);
      if (!gone && !killer.joinable()) {
        killer = std::thread([&server, delay] {
          std::this_thread::sleep_for(delay);
          kill(server.Pid(), SIGKILL);
        });
      }
    }
    if (killer.joinable()) killer.join();
  }
};

TEST_F(CrashSafetyTest, KilledAtRandomMomentsEveryScopeIsAllOrNothing) {
  constexpr int kKills = 4;
  std::mt19937 random(20240307);
  ScopeStream stream;
  for (int round = 0; round < kKills; ++round) {
    KorvoServer server = StartServer();
    stream.RunUntilKilled(server,
                          std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 300)(random)));
    EXPECT_EQ(server.Finish(), 128 + SIGKILL);
    ExpectSoundDatabase();
  }
  for (const std::string& code : stream.attempted) {
    SCOPED_TRACE(code);
    const std::int64_t currencies = CountOf("CURRENCY", code), rates = CountOf("CURRENCYRATE", code);
    EXPECT_EQ(currencies, rates) << "a scope was written in part";
    if (stream.acknowledged.count(code)) {
      EXPECT_EQ(currencies, 1) << "an acknowledged commit was lost";
    }
  }
  EXPECT_GE(stream.acknowledged.size(), static_cast<std::size_t>(kKills));
  std::cout << "[ counts   ] crash safety: " << stream.attempted.size() << " scopes, " << kKills
            << " kills, " << stream.acknowledged.size()
            << " acknowledged commits kept, 0 scopes written in part\n";
}

// A bidding user's registration (address, partner, link, directory user)
// under the ID `code`, its texts all `code` so that each part can be found.
ScopeWork BiddingRegistration(const std::string& code) {
  const Json empty = Typed("Empty");
  return {"KorvoCommon.TUser",
          {{"InsertBiddingUser",
            {Json::array({"SHORTDESCRIPTION", "COUNTRYCODE"}), Json::array({code, "NL"}),
             Json::array({"NAME"}), Json::array({code}), Json::array({"BusinessPartnerID", "SURNAME"}),
             Json::array({empty, code}), code, code + "-Pa55"}}}};
}

// A partner and an address written through the script methods in one scope.
ScopeWork PartnerScriptWrites(const std::string& code) {
  return {"KorvoCommon.BusinessPartner",
          {{"InsertFromScript",
            {"ADDRESS", Json::array({"COUNTRYCODE", "SHORTDESCRIPTION"}), Json::array({"NL", code})}},
           {"InsertFromScript", {"BUSINESSPARTNER", Json::array({"NAME"}), Json::array({code})}}}};
}

// The program reads the embedded directory's settings from a configuration
// file; the test reads the same directory in-process.
class DirectoryProgramTest : public CrashSafetyTest {
 protected:
  void SetUp() override {
    CrashSafetyTest::SetUp();
    const std::vector<std::pair<std::string, std::string>> membership = {
        {"Backend", "embedded"},     {"PasswordHashOps", "1"},           {"PasswordHashMemoryKiB", "8"},
        {"MemScriptUser", "script"}, {"MemScriptCode", kScriptPassword}, {"LDAPRoot", ""}};
    std::ofstream ini(config_);
    ini << "[CONNECTIONS]\nKorvoCommonConnection_ConnectionString = " << connectionString_
        << "\n[MEMBERSHIP]\n";
    for (const auto& [key, value] : membership) {
      ini << key << " = " << value << "\n";
      korvex::ConfigurationOverrides::Set("MEMBERSHIP", key, value);
    }
    korvex::ConfigurationOverrides::Set("CONNECTIONS", "KorvoCommonConnection_ConnectionString",
                                        connectionString_);
    infra::ResetConnectionStringCache();
    membership::Directory::Open()->Backend().Create({"script", {}}, kScriptPassword);
    Execute("INSERT INTO COUNTRY (COUNTRYCODE, COUNTRYNAME) VALUES ('NL', 'Netherlands')");
    stream_.session = {{"REMOTE_ACCOUNT", "script"}, {"REMOTE_PASSWORD", kScriptPassword}};
  }
  void TearDown() override {
    korvex::ConfigurationOverrides::Clear();
    infra::ResetConnectionStringCache();
    std::filesystem::remove(config_);
  }

  KorvoServer StartConfiguredServer() { return KorvoServer({"--config", config_}); }

  // Kills the program `kills` times at random moments of the stream.
  void KillRepeatedly(int kills) {
    std::mt19937 random(20261209);
    for (int round = 0; round < kills; ++round) {
      KorvoServer server = StartConfiguredServer();
      stream_.RunUntilKilled(
          server, std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 400)(random)));
      EXPECT_EQ(server.Finish(), 128 + SIGKILL);
      ExpectSoundDatabase();
    }
    EXPECT_GE(stream_.acknowledged.size(), static_cast<std::size_t>(kills));
  }

  // Each part of the scope for `code` found 0 or 1 times, all alike, and
  // once when its commit was acknowledged.
  void ExpectAllOrNothing(const std::string& code, const std::vector<std::int64_t>& parts) {
    SCOPED_TRACE(code);
    for (std::int64_t part : parts) EXPECT_EQ(part, parts.front()) << "a scope was written in part";
    EXPECT_LE(parts.front(), 1);
    if (stream_.acknowledged.count(code)) {
      EXPECT_EQ(parts.front(), 1) << "an acknowledged commit was lost";
    }
  }

  std::int64_t Linked(const std::string& code) {
    return Number(
        "SELECT COUNT(*) FROM BUSINESSPARTNERADDRESS l JOIN ADDRESS a ON a.ADDRESSID = l.ADDRESSID "
        "JOIN BUSINESSPARTNER p ON p.BUSINESSPARTNERID = l.BUSINESSPARTNERID WHERE a.SHORTDESCRIPTION = '" +
        code + "' AND p.NAME = '" + code + "'");
  }

  static constexpr const char* kScriptPassword = "script-Pa55";
  const std::string config_ =
      (std::filesystem::temp_directory_path() / ("korvo-crash-" + std::to_string(getpid()) + ".ini"))
          .string();
  ScopeStream stream_;
};

TEST_F(DirectoryProgramTest, KilledAtRandomMomentsOfBiddingRegistrationsEachIsCompleteOrAbsent) {
  constexpr int kKills = 6;
  stream_.work = BiddingRegistration;
  KillRepeatedly(kKills);
  auto directory = membership::Directory::Open();
  for (const std::string& code : stream_.attempted) {
    ExpectAllOrNothing(
        code, {Number("SELECT COUNT(*) FROM ADDRESS WHERE SHORTDESCRIPTION = '" + code + "'"),
               Number("SELECT COUNT(*) FROM BUSINESSPARTNER WHERE NAME = '" + code + "'"), Linked(code),
               directory->Backend().Load(code) ? 1 : 0});
  }
  std::cout << "[ counts   ] crash safety (bidding users): " << stream_.attempted.size()
            << " registrations, " << kKills << " kills, " << stream_.acknowledged.size()
            << " acknowledged kept, 0 registrations written in part\n";
}

TEST_F(DirectoryProgramTest, KilledAtRandomMomentsOfPartnerScriptWritesEachScopeIsAllOrNothing) {
  constexpr int kKills = 6;
  stream_.work = PartnerScriptWrites;
  KillRepeatedly(kKills);
  for (const std::string& code : stream_.attempted) {
    ExpectAllOrNothing(code,
                       {Number("SELECT COUNT(*) FROM ADDRESS WHERE SHORTDESCRIPTION = '" + code + "'"),
                        Number("SELECT COUNT(*) FROM BUSINESSPARTNER WHERE NAME = '" + code + "'")});
  }
  std::cout << "[ counts   ] crash safety (partner script writes): " << stream_.attempted.size()
            << " scopes, " << kKills << " kills, " << stream_.acknowledged.size()
            << " acknowledged kept, 0 written in part\n";
}

// Two programs registering the same bidding user ID at the same moment, a
// round per ID: one registration is committed whole, the other is answered
// with a result (its messages say why) and leaves nothing.
TEST_F(DirectoryProgramTest, TwoProgramsRegisteringTheSameBiddingUserOneWinsAndNothingIsHalfMade) {
  constexpr int kRounds = 5;
  KorvoServer first = StartConfiguredServer(), second = StartConfiguredServer();
  KorvoServer* servers[] = {&first, &second};
  int refused = 0;
  for (int round = 0; round < kRounds; ++round) {
    const std::string id = "twin" + std::to_string(round);
    Json calls[2];
    for (int i = 0; i < 2; ++i) {
      servers[i]->Result("begin", {{"session", stream_.session}});
      const Json tuser = servers[i]->Result("create", {{"class", "KorvoCommon.TUser"}})["object"];
      const ScopeWork work = BiddingRegistration(id);
      calls[i] = {{"object", tuser}, {"method", work.calls[0].first}, {"args", work.calls[0].second}};
    }
    Json answers[2], outcomes[2];
    std::thread racers[2];
    for (int i = 0; i < 2; ++i) {
      racers[i] = std::thread([&, i] {
        answers[i] = servers[i]->Request("call", calls[i]);
        outcomes[i] = servers[i]->Result("end")["outcome"];
      });
    }
    for (auto& racer : racers) racer.join();
    SCOPED_TRACE(id);
    int committed = 0;
    for (int i = 0; i < 2; ++i) {
      EXPECT_TRUE(answers[i].contains("result")) << answers[i].dump();
      EXPECT_EQ(answers[i]["result"]["value"]["type"], "Object") << answers[i].dump();
      committed += outcomes[i] == "committed";
    }
    EXPECT_EQ(committed, 1) << outcomes[0] << " " << outcomes[1];
    refused += 2 - committed;
    auto directory = membership::Directory::Open();
    ExpectAllOrNothing(id, {Number("SELECT COUNT(*) FROM ADDRESS WHERE SHORTDESCRIPTION = '" + id + "'"),
                            Number("SELECT COUNT(*) FROM BUSINESSPARTNER WHERE NAME = '" + id + "'"),
                            Linked(id), directory->Backend().Load(id) ? 1 : 0, 1});
  }
  std::cout << "[ counts   ] racing registrations: " << kRounds << " rounds of 2 programs, " << kRounds
            << " registered, " << refused << " answered with messages, 0 half-made\n";
}

}  // namespace
}  // namespace korvo::reliability
