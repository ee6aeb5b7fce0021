// Two `korvo serve --stdio` processes on one database, as two application
// servers share one: what one commits the other reads at once; what one
// wrote in an aborted scope is never seen, neither while the scope is open
// nor after. On PostgreSQL this is the deployment the backend exists for; on
// SQLite the two processes share one database file.
#include <gtest/gtest.h>

#include "program/korvo_process.h"
#include "support/temp_database.h"

namespace korvo::testing {
namespace {

class TwoServersTest : public ::testing::Test {
 protected:
  TwoServersTest() {
    std::vector<std::string> init = {"init", "--demo"};
    for (const auto& arg : database_.ProgramArguments()) init.push_back(arg);
    const auto result = RunKorvo(init);
    EXPECT_EQ(result.status, 0) << result.err;
  }

  Json Call(KorvoServer& server, const char* progId, const char* method, const Json& args) {
    const Json object = server.Result("create", {{"class", progId}})["object"];
    return server.Result("call", {{"object", object}, {"method", method}, {"args", args}})["value"];
  }
  // Adds a currency through the rules, in the server's open scope if any.
  void InsertCurrency(KorvoServer& server, const std::string& code) {
    const Json result =
        Call(server, "KorvoCommon.TCurrency", "InsertFromScript",
             {"CURRENCY",
              {"CURRENCYCODE", "CURRENCYNAME", "HOMECURRENCY", "EURO", "EPC", "DECIMALS"},
              {code, "Currency " + code, false, false, false, 2}});
    ASSERT_EQ(result["type"], "Object");
    const Json succeeded =
        server.Result("call", {{"object", result["object"]}, {"method", "Succeeded"}});
    EXPECT_EQ(succeeded["value"]["value"], true);
  }
  // Whether the server finds the currency, outside any scope.
  bool Finds(KorvoServer& server, const std::string& code) {
    return Call(server, "KorvoCommon.TCurrency", "IReferentialIntegrity_Exists",
                {"X", {"CURRENCYCODE"}, {code}})["value"];
  }

  TempDatabase database_;
};

TEST_F(TwoServersTest, WhatOneCommitsTheOtherReads) {
  KorvoServer first(database_.ProgramArguments());
  KorvoServer second(database_.ProgramArguments());
  EXPECT_TRUE(Finds(second, "USD"));  // the demo data both see

  first.Result("begin");
  InsertCurrency(first, "SEK");
  EXPECT_FALSE(Finds(second, "SEK"));  // not yet committed
  EXPECT_EQ(first.Result("end"), Json({{"outcome", "committed"}}));
  EXPECT_TRUE(Finds(second, "SEK"));

  InsertCurrency(second, "NOK");  // outside a scope: commits on its own
  EXPECT_TRUE(Finds(first, "NOK"));
}

TEST_F(TwoServersTest, AScopeAbortedInOneLeavesNothingBehind) {
  KorvoServer first(database_.ProgramArguments());
  KorvoServer second(database_.ProgramArguments());
  first.Result("begin");
  InsertCurrency(first, "DKK");
  EXPECT_FALSE(Finds(second, "DKK"));
  EXPECT_EQ(first.Result("end", {{"abort", true}}), Json({{"outcome", "aborted"}}));
  EXPECT_FALSE(Finds(second, "DKK"));
  EXPECT_FALSE(Finds(first, "DKK"));

  // A server that ends while its scope is open leaves nothing either.
  first.Result("begin");
  InsertCurrency(first, "ISK");
  EXPECT_EQ(first.Finish(), 0);
  EXPECT_FALSE(Finds(second, "ISK"));
}

}  // namespace
}  // namespace korvo::testing
