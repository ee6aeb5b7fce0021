// The korvo commands as a shell runs them: init with demo data, call with
// its JSON output and exit status, demo, help and usage errors.
#include <gtest/gtest.h>

#include <filesystem>

#include "program/korvo_process.h"
#include "support/temp_database.h"

namespace korvo::testing {
namespace {

class CommandLineTest : public ::testing::Test {
 protected:
  // Runs korvo on the test's database.
  CommandResult Korvo(std::vector<std::string> args) const {
    for (const auto& arg : database_.ProgramArguments()) args.push_back(arg);
    return RunKorvo(args);
  }

  TempDatabase database_;
};

TEST_F(CommandLineTest, InitWithDemoDataThenCallPrintsTheHomeCurrency) {
  const auto init = Korvo({"init", "--demo"});
  ASSERT_EQ(init.status, 0) << init.err;
  const auto call = Korvo({"call", "KorvoCommon.Currency", "GetHomeCurrencyCode"});
  EXPECT_EQ(call.status, 0) << call.err;
  EXPECT_EQ(Json::parse(call.out),
            Json::parse(R"({"value":{"type":"String","value":"EUR"},"args":[]})"));

  // Loading the demo data again changes nothing and is not an error.
  EXPECT_EQ(Korvo({"init", "--demo"}).status, 0);
}

TEST_F(CommandLineTest, CallTakesShorthandTypedAndBareArguments) {
  ASSERT_EQ(Korvo({"init", "--demo"}).status, 0);
  const auto call = Korvo({"call", "KorvoCommon.Currency", "ConvertAmount", "DEM", "\"FRF\"",
                           R"({"type":"Currency","value":"100"})",
                           R"({"type":"Date","value":"2024-03-07T00:00:00"})"});
  ASSERT_EQ(call.status, 0) << call.err << call.out;
  const Json output = Json::parse(call.out);
  EXPECT_EQ(output["value"], Json::parse(R"({"type":"Currency","value":"335.3855"})"));
  EXPECT_EQ(output["args"][0], Json::parse(R"({"type":"String","value":"DEM"})"));

  // A negative number is an argument, not an option.
  const auto negative = Korvo({"call", "KorvoCommon.Currency", "ConvertAmount", "USD", "USD", "-5",
                               R"({"type":"Date","value":"2024-03-07"})"});
  ASSERT_EQ(negative.status, 0) << negative.err;
  EXPECT_EQ(Json::parse(negative.out)["value"], Json::parse(R"({"type":"Currency","value":"-5"})"));
}

TEST_F(CommandLineTest, ACallThatRaisesPrintsTheErrorObjectAndFails) {
  ASSERT_EQ(Korvo({"init", "--demo"}).status, 0);
  const auto call = Korvo({"call", "KorvoCommon.Currency", "GetCurrencyAsDict", "XYZ"});
  EXPECT_EQ(call.status, 1);
  const Json error = Json::parse(call.out);
  EXPECT_EQ(error["code"], -2147221388);
  EXPECT_EQ(error["data"]["source"], "KorvoCommon.Currency.GetCurrencyAsDict");
  EXPECT_EQ(error["data"]["description"], "Currency XYZ not found");
}

TEST_F(CommandLineTest, ARefusedDeleteAnswersAndLeavesTheCurrency) {
  ASSERT_EQ(Korvo({"init", "--demo"}).status, 0);
  // Deleting a currency that still has rates is refused by the rules; the
  // refusal is an answer, not a failure.
  const auto refused = Korvo({"call", "KorvoCommon.TCurrency", "DeleteFromScript", "CURRENCY",
                              R"(["CURRENCYCODE"])", R"(["USD"])"});
  EXPECT_EQ(refused.status, 0) << refused.out;
  const auto still = Korvo({"call", "KorvoCommon.Currency", "GetCurrency", "USD"});
  EXPECT_EQ(Json::parse(still.out)["value"]["value"], true);
}

// An operator copies the database file alone after the program ended
// cleanly: it must hold every committed row, with no write-ahead log beside it.
TEST_F(CommandLineTest, TheDatabaseFileAloneHoldsTheDataAfterACleanExit) {
  ScratchDirectory scratch;
  const std::string original = scratch.File("x.db");
  const std::string copy = scratch.File("copy.db");
  ASSERT_EQ(RunKorvo({"init", "--db", original, "--demo"}).status, 0);
  {
    KorvoServer server({"--db", original});
    server.Result("begin");
    const Json terms = server.Result("create", {{"class", "KorvoCommon.TermsAndConditions"}})["object"];
    const Json fields = server.Result("create", {{"class", "Scripting.Dictionary"}})["object"];
    server.Result("call",
                  {{"object", fields}, {"method", "Add"}, {"args", {"DESCRIPTION", "Net 90 days"}}});
    server.Result("call", {{"object", terms},
                           {"method", "InsertTermsAndConditions"},
                           {"args", {1, "NET90", {{"type", "Object"}, {"object", fields}}}}});
    EXPECT_EQ(server.Result("end"), Json({{"outcome", "committed"}}));
    EXPECT_EQ(server.Finish(), 0);
  }
  EXPECT_FALSE(std::filesystem::exists(original + "-wal") &&
               std::filesystem::file_size(original + "-wal") > 0);
  std::filesystem::copy_file(original, copy);

  const auto home = RunKorvo({"call", "KorvoCommon.Currency", "GetHomeCurrencyCode", "--db", copy});
  EXPECT_EQ(home.status, 0) << home.err;
  EXPECT_NE(home.out.find("\"EUR\""), std::string::npos) << home.out;
  const auto added = RunKorvo({"call", "KorvoCommon.TermsAndConditions", "IsTermorConditionPresent",
                               "NET90", "1", "--db", copy});
  EXPECT_NE(added.out.find("\"value\":{\"type\":\"Boolean\",\"value\":true}"), std::string::npos)
      << added.out;
}

TEST_F(CommandLineTest, HelpAndUsageErrors) {
  for (const char* command : {"init", "call", "serve", "demo"}) {
    const auto help = RunKorvo({command, "--help"});
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_NE(help.out.find("--"), std::string::npos) << command;
  }
  EXPECT_EQ(RunKorvo({"--help"}).status, 0);
  EXPECT_EQ(RunKorvo({}).status, 2);
  EXPECT_EQ(RunKorvo({"serve"}).status, 2);
  EXPECT_EQ(RunKorvo({"call", "KorvoCommon.Currency"}).status, 2);
  EXPECT_EQ(RunKorvo({"call", "KorvoCommon.Currency", "X", "--db", "a.db", "--connection", "b"}).status,
            2);
  EXPECT_EQ(RunKorvo({"call", "KorvoCommon.Currency", "X", R"({"type":"Byte","value":-1})"}).status, 2);
}

TEST_F(CommandLineTest, DemoWalksThroughTheLibrary) {
  KORVO_SQLITE_ONLY("the demo makes an embedded database file of its own");
  ScratchDirectory scratch;
  const std::string file = scratch.File("demo.db");
  const auto demo = RunKorvo({"demo", "--db", file});
  ASSERT_EQ(demo.status, 0) << demo.err;
  for (const char* expected : {"\"EUR\"", "78.0822", "SLBCO5006", "succeeded", "Swedish krona",
                               "0x8004007F", "METHOD: KorvoCommon.Currency.ConvertAmount"}) {
    EXPECT_NE(demo.out.find(expected), std::string::npos) << expected << "\n" << demo.out;
  }
  EXPECT_EQ(RunKorvo({"demo", "--db", file}).status, 1);  // not a fresh database
}

}  // namespace
}  // namespace korvo::testing
