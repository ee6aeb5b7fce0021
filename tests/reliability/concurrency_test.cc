// Invariants under concurrency: writers in several threads, and in two
// `korvo serve` processes on one database file, run scopes at the same
// moment, some making their own currency the home and euro currency, others
// adding an open-ended rate for one contested currency. Afterwards there is
// at most one home and one euro currency and no two rates of a currency
// valid at the same moment; a writer is refused only with a rule's own error
// or a documented busy error, and every scope that committed kept its write.
// Four programs writing what does not conflict are all served.
#include <barrier>
#include <chrono>
#include <functional>
#include <iostream>
#include <memory>
#include <numeric>
#include <thread>

#include "platform/contracts/database.h"
#include "platform/host/host_scope.h"
#include "platform/runtime/date.h"
#include "program/korvo_process.h"
#include "registration/enumerations.h"
#include "reliability/reliability_fixture.h"

namespace korvo::reliability {
namespace {

using korvo::testing::Json;

constexpr int kRounds = 25;
// A currency without rates of its own before the test.
constexpr const char* kContestedCurrency = "CHF";

// The refusals a contending writer may meet: the rules' own, or the
// database's 0x80004005: busy when SQLite does not grant the write lock in
// time, a serialization failure on PostgreSQL.
bool IsExpectedRefusal(std::int32_t number) {
  return number == common::DuplicateHomeCurrency || number == common::DuplicateEuroCurrency ||
         number == common::EffectiveDateRange || number == contracts::dberr::kProvider;
}

// What one contender writes in its scope: either it makes its currency the
// home and euro currency, or it adds an open-ended rate for the contested
// currency. Every pair of contenders of a kind conflicts.
struct Contender {
  enum Kind { Home, Rate } kind;
  std::string code;  // Home: the currency to flag
  int rateDay = 0;   // Rate: the day of January 2025 the rate starts
};

std::vector<Contender> Contenders() {
  std::vector<Contender> contenders;
  for (const char* code : {"GBP", "JPY", "USD", "EUR"}) contenders.push_back({Contender::Home, code});
  for (int day = 1; day <= 4; ++day) contenders.push_back({Contender::Rate, "", day});
  return contenders;
}

// A value in the program's typed JSON encoding (the kinds WriteOf uses).
Json JsonOf(const rt::Variant& value) {
  switch (value.Type()) {
    case rt::VarType::String:
      return value.AsString();
    case rt::VarType::Boolean:
      return value.AsBool();
    case rt::VarType::Long:
      return value.AsLong();
    case rt::VarType::Double:
      return value.AsDouble();
    case rt::VarType::Integer:
      return {{"type", "Integer"}, {"value", value.AsInteger()}};
    case rt::VarType::Date:
      return {{"type", "Date"}, {"value", rt::FormatIsoDate(value.AsDate())}};
    default:
      return {{"type", "Null"}};
  }
}

class ConcurrencyTest : public ReliabilityTest {
 protected:
  void SetUp() override {
    ReliabilityTest::SetUp();
    ResetRound();
  }

  // No home or euro currency, and no contested rate yet.
  void ResetRound() {
    Execute("UPDATE CURRENCY SET HOMECURRENCY = 0, EURO = 0");
    Execute(std::string("DELETE FROM CURRENCYRATE WHERE CURRENCYCODE = '") + kContestedCurrency + "'");
  }

  void ExpectInvariants() {
    EXPECT_LE(Number("SELECT COUNT(*) FROM CURRENCY WHERE HOMECURRENCY = 1"), 1)
        << "two home currencies";
    EXPECT_LE(Number("SELECT COUNT(*) FROM CURRENCY WHERE EURO = 1"), 1) << "two euro currencies";
    EXPECT_EQ(Number("SELECT COUNT(*) FROM CURRENCYRATE A JOIN CURRENCYRATE B "
                     "ON A.CURRENCYCODE = B.CURRENCYCODE AND A.EFFECTIVEDATE < B.EFFECTIVEDATE "
                     "WHERE A.EXPIRYDATE IS NULL OR A.EXPIRYDATE > B.EFFECTIVEDATE"),
              0)
        << "two rates of a currency valid at the same moment";
  }

  // Every race has exactly one winner: both databases run the library's
  // transactions one at a time, so the first wins and the others meet its
  // write in the rules.
  static void ExpectWinners(int committed, int races) {
    EXPECT_EQ(committed, races) << "each race has one winner";
  }

  // Checks a round's outcomes; answers how many of its scopes committed.
  int SettleRound(const std::vector<Contender>& contenders,
                  const std::vector<rt::ErrorRecord>& outcomes) {
    ExpectInvariants();
    int committed = 0;
    for (std::size_t i = 0; i < contenders.size(); ++i) {
      if (outcomes[i].Number == 0) {
        ++committed;
        ExpectKept(contenders[i]);
      } else {
        EXPECT_TRUE(IsExpectedRefusal(outcomes[i].Number))
            << outcomes[i].Number << ": " << outcomes[i].Description;
      }
    }
    ResetRound();
    return committed;
  }

  // A committed scope kept its write.
  void ExpectKept(const Contender& winner) {
    if (winner.kind == Contender::Home) {
      EXPECT_EQ(
          Number(
              "SELECT COUNT(*) FROM CURRENCY WHERE HOMECURRENCY = 1 AND EURO = 1 AND CURRENCYCODE = '" +
              winner.code + "'"),
          1);
      return;
    }
    EXPECT_EQ(Number(std::string("SELECT COUNT(*) FROM CURRENCYRATE WHERE CURRENCYCODE = '") +
                     kContestedCurrency + "' AND EFFECTIVEDATE = '2025-01-0" +
                     std::to_string(winner.rateDay) + " 00:00:00'"),
              1);
  }
};

// The method and arguments of a contender's one write.
struct Write {
  const char* method;
  std::vector<rt::Variant> args;
};

Write WriteOf(const Contender& contender) {
  if (contender.kind == Contender::Home) {
    return {"UpdateCurrency",
            {contender.code, "Contender " + contender.code, true, true, false,
             rt::Variant(static_cast<std::int16_t>(2)), rt::Variant::Null()}};
  }
  return {
      "AddCurrencyRate",
      {kContestedCurrency, Day(2025, 1, contender.rateDay), rt::Variant::Null(), 1.1, 0.0, 1, false}};
}

// One contender's scope, as library calls.
void ContendInProcess(const Contender& contender) {
  host::HostScope scope;
  const Write write = WriteOf(contender);
  Call(scope.Context().CreateInstance("KorvoCommon.TCurrency"), write.method, write.args);
  scope.End();
}

// The same scope sent to a `korvo serve` process; a call that fails makes
// the client end the scope with abort, as a failing request does.
rt::ErrorRecord ContendThroughProgram(korvo::testing::KorvoServer& server, const Contender& contender) {
  const Write write = WriteOf(contender);
  Json args = Json::array();
  for (const rt::Variant& arg : write.args) args.push_back(JsonOf(arg));
  server.Result("begin");
  const Json maintenance = server.Result("create", {{"class", "KorvoCommon.TCurrency"}})["object"];
  const Json answer =
      server.Request("call", {{"object", maintenance}, {"method", write.method}, {"args", args}});
  const bool failed = answer.contains("error");
  // The commit itself may be refused (a serialization failure on PostgreSQL).
  const Json ended = server.Request("end", {{"abort", failed}});
  for (const Json& response : {answer, ended}) {
    if (response.contains("error")) {
      return {response["error"]["code"].get<std::int32_t>(), "", response["error"]["message"], "", 0};
    }
  }
  EXPECT_EQ(ended["result"]["outcome"], "committed");
  return {};
}

// Runs one round: each contender in a thread of its own, all released at
// once; answers each contender's outcome.
std::vector<rt::ErrorRecord> RunRound(const std::vector<Contender>& contenders,
                                      const std::function<rt::ErrorRecord(std::size_t)>& contend) {
  std::barrier start(static_cast<std::ptrdiff_t>(contenders.size()));
  std::vector<rt::ErrorRecord> outcomes(contenders.size());
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < contenders.size(); ++i) {
    threads.emplace_back([&, i] {
      start.arrive_and_wait();
      outcomes[i] = contend(i);
    });
  }
  for (auto& thread : threads) thread.join();
  return outcomes;
}

TEST_F(ConcurrencyTest, ThreadsContendingForTheHomeCurrencyAndOneRateKeepTheInvariants) {
  const std::vector<Contender> contenders = Contenders();
  int committed = 0;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    committed += SettleRound(contenders, RunRound(contenders, [&](std::size_t i) {
                               return ErrorOf([&] { ContendInProcess(contenders[i]); });
                             }));
  }
  ExpectWinners(committed, 2 * kRounds);
  std::cout << "[ counts   ] concurrency, threads: " << kRounds * contenders.size()
            << " concurrent scopes in " << kRounds << " rounds, " << committed
            << " committed, the rest refused, none lost\n";
}

TEST_F(ConcurrencyTest, TwoProgramsOnOneDatabaseFileKeepTheInvariants) {
  korvo::testing::KorvoServer first({"--connection", ConnectionString()});
  korvo::testing::KorvoServer second({"--connection", ConnectionString()});
  korvo::testing::KorvoServer* servers[] = {&first, &second};
  int committed = 0;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    // Even rounds race for the home currency, odd ones for the rate.
    const std::vector<Contender> all = Contenders();
    const std::vector<Contender> contenders(all.begin() + (round % 2) * 4,
                                            all.begin() + (round % 2) * 4 + 2);
    committed += SettleRound(contenders, RunRound(contenders, [&](std::size_t i) {
                               return ContendThroughProgram(*servers[i], contenders[i]);
                             }));
  }
  // The later program first: it may hold the earlier one's input open.
  EXPECT_EQ(second.Finish(), 0);
  EXPECT_EQ(first.Finish(), 0);
  ExpectWinners(committed, kRounds);
  std::cout << "[ counts   ] concurrency, two programs: " << 2 * kRounds << " concurrent scopes in "
            << kRounds << " rounds, " << committed << " committed, the rest refused, none lost\n";
}

// Four programs, each adding currencies of its own with a first rate, one
// scope per currency, all at once: nothing conflicts, so nothing may be
// refused (writers queue for each other instead), and every write is there.
TEST_F(ConcurrencyTest, FourProgramsWritingDifferentCurrenciesAreAllServed) {
  constexpr int kPrograms = 4;
  constexpr int kScopes = 25;
  std::vector<std::unique_ptr<korvo::testing::KorvoServer>> servers;
  for (int p = 0; p < kPrograms; ++p) {
    servers.push_back(std::make_unique<korvo::testing::KorvoServer>(
        std::vector<std::string>{"--connection", ConnectionString()}));
  }
  std::vector<int> refused(kPrograms, 0);
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> programs;
  for (int p = 0; p < kPrograms; ++p) {
    programs.emplace_back([&, p] {
      korvo::testing::KorvoServer& server = *servers[p];
      for (int i = 0; i < kScopes; ++i) {
        const std::string code = {'Q', static_cast<char>('A' + p), static_cast<char>('A' + i)};
        server.Result("begin");
        const Json maintenance = server.Result("create", {{"class", "KorvoCommon.TCurrency"}})["object"];
        const Json added = server.Request("call", {{"object", maintenance},
                                                   {"method", "AddCurrency"},
                                                   {"args",
                                                    {code,
                                                     "Currency " + code,
                                                     false,
                                                     false,
                                                     false,
                                                     {{"type", "Integer"}, {"value", 2}},
                                                     {{"type", "Null"}}}}});
        const Json rated = server.Request("call", {{"object", maintenance},
                                                   {"method", "AddCurrencyRate"},
                                                   {"args",
                                                    {code,
                                                     {{"type", "Date"}, {"value", "2025-01-01"}},
                                                     {{"type", "Null"}},
                                                     1.5,
                                                     0.0,
                                                     1,
                                                     false}}});
        const bool failed = added.contains("error") || rated.contains("error");
        const Json ended = server.Request("end", {{"abort", failed}});
        if (failed || ended.contains("error")) ++refused[p];
      }
    });
  }
  for (auto& program : programs) program.join();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (auto& server : servers) EXPECT_EQ(server->Finish(), 0);

  EXPECT_EQ(std::accumulate(refused.begin(), refused.end(), 0), 0) << "non-conflicting scopes refused";
  EXPECT_EQ(Number("SELECT COUNT(*) FROM CURRENCY WHERE CURRENCYCODE LIKE 'Q%'"), kPrograms * kScopes);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM CURRENCYRATE WHERE CURRENCYCODE LIKE 'Q%'"),
            kPrograms * kScopes);
  ExpectInvariants();
  std::cout << "[ counts   ] concurrency, four programs: " << kPrograms * kScopes
            << " non-conflicting scopes (a currency and its rate each), "
            << std::accumulate(refused.begin(), refused.end(), 0) << " refused, " << seconds << " s, "
            << static_cast<int>(kPrograms * kScopes / seconds) << " scopes/s\n";
}

// The same rule inside one scope: the check sees the scope's own earlier
// write, so one request cannot flag two currencies either.
TEST_F(ConcurrencyTest, OneScopeCannotFlagTwoHomeCurrencies) {
  host::HostScope scope;
  auto maintenance = scope.Context().CreateInstance("KorvoCommon.TCurrency");
  const Write first = WriteOf({Contender::Home, "GBP"}), second = WriteOf({Contender::Home, "JPY"});
  Call(maintenance, first.method, first.args);
  EXPECT_EQ(ErrorOf([&] { Call(maintenance, second.method, second.args); }).Number,
            common::DuplicateHomeCurrency);
  scope.End(/*abort=*/true);
}

}  // namespace
}  // namespace korvo::reliability
