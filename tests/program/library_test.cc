// The library's classes through `korvo serve --stdio` on a database holding
// the demo data: scopes that commit and abort real writes, errors with their
// enriched descriptions and log entries, by-reference write-back, the
// statement trace, a scope pointed at another database.
#include <gtest/gtest.h>

#include "program/korvo_process.h"
#include "support/temp_database.h"

namespace korvo::testing {
namespace {

const Json kDate = {{"type", "Date"}, {"value", "2024-03-07T00:00:00"}};

Json Amount(const char* text) { return {{"type", "Currency"}, {"value", text}}; }

// The arguments of TCurrency.InsertFromScript for a new currency.
Json CurrencyInsert(const std::string& code) {
  return {"CURRENCY",
          {"CURRENCYCODE", "CURRENCYNAME", "HOMECURRENCY", "EURO", "EPC", "DECIMALS"},
          {code, "Test currency " + code, false, false, false, 2}};
}

class LibraryTest : public ::testing::Test {
 protected:
  LibraryTest() {
    std::vector<std::string> init = {"init", "--demo"};
    for (const auto& arg : database_.ProgramArguments()) init.push_back(arg);
    const auto result = RunKorvo(init);
    EXPECT_EQ(result.status, 0) << result.err;
  }

  Json Create(KorvoServer& server, const char* progId) {
    return server.Result("create", {{"class", progId}})["object"];
  }
  Json Call(KorvoServer& server, const Json& handle, const char* method,
            const Json& args = Json::array()) {
    return server.Result("call", {{"object", handle}, {"method", method}, {"args", args}});
  }
  // Whether the currency exists, asked by a fresh object outside any scope.
  bool Exists(KorvoServer& server, const std::string& code) {
    const Json rules = Create(server, "KorvoCommon.TCurrency");
    return Call(server, rules, "IReferentialIntegrity_Exists",
                {"X", {"CURRENCYCODE"}, {code}})["value"]["value"];
  }

  TempDatabase database_;
};

TEST_F(LibraryTest, AScopeCommitsItsWritesAndAnAbortedOneLeavesNothing) {
  KorvoServer server(database_.ProgramArguments());
  server.Result("begin");
  const Json writer = Create(server, "KorvoCommon.TCurrency");
  const Json result = Call(server, writer, "InsertFromScript", CurrencyInsert("SEK"))["value"];
  ASSERT_EQ(result["type"], "Object");
  EXPECT_EQ(Call(server, result["object"], "Succeeded")["value"]["value"], true);
  EXPECT_EQ(server.Result("end"), Json({{"outcome", "committed"}}));
  EXPECT_TRUE(Exists(server, "SEK"));

  server.Result("begin");
  Call(server, Create(server, "KorvoCommon.TCurrency"), "InsertFromScript", CurrencyInsert("NOK"));
  EXPECT_EQ(server.Result("end", {{"abort", true}}), Json({{"outcome", "aborted"}}));
  EXPECT_FALSE(Exists(server, "NOK"));
}

TEST_F(LibraryTest, EndOfInputRollsBackTheOpenScope) {
  {
    KorvoServer server(database_.ProgramArguments());
    server.Result("begin");
    Call(server, Create(server, "KorvoCommon.TCurrency"), "InsertFromScript", CurrencyInsert("DKK"));
    EXPECT_EQ(server.Finish(), 0);
  }
  KorvoServer after(database_.ProgramArguments());
  EXPECT_FALSE(Exists(after, "DKK"));
}

TEST_F(LibraryTest, ARefusedWriteAnswersMessageCodesAndWritesNothing) {
  KorvoServer server(database_.ProgramArguments());
  server.Result("begin");
  Json args = CurrencyInsert("SEK");
  args[2][2] = true;  // a second home currency
  const Json result =
      Call(server, Create(server, "KorvoCommon.TCurrency"), "InsertFromScript", args)["value"];
  const Json messages = Call(server, result["object"], "Messages")["value"]["value"];
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0]["value"][0]["value"], "SLBCO5006");
  server.Result("end");
  EXPECT_FALSE(Exists(server, "SEK"));
}

TEST_F(LibraryTest, ErrorsKeepNumberSourceAndEnrichedDescriptionAndAreLogged) {
  KorvoServer server(database_.ProgramArguments());
  server.Result("log");
  const Json currency = Create(server, "KorvoCommon.Currency");
  const Json response =
      server.Request("call", {{"object", currency}, {"method", "GetCurrency"}, {"args", {"XYZ"}}});
  const Json& error = response["error"];
  EXPECT_EQ(error["code"], -2147221388);
  EXPECT_EQ(error["data"]["number"], -2147221388);
  const std::string description = error["data"]["description"];
  EXPECT_EQ(description.rfind("\r\nERROR 0x80040074\r\n METHOD: KorvoCommon.Currency.GetCurrency\r\n"
                              " DESC: Currency 'XYZ' not found.\r\n",
                              0),
            0u)
      << description;
  EXPECT_EQ(error["message"], description);
  EXPECT_FALSE(error["data"]["source"].get<std::string>().empty());

  const Json entries = server.Result("log")["entries"];
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0]["kind"], 0);
  EXPECT_NE(entries[0]["text"].get<std::string>().find("Currency 'XYZ' not found"), std::string::npos);
  EXPECT_EQ(server.Result("log")["entries"].size(), 0u);
  // The log went to standard error; standard output carried responses only.
  EXPECT_NE(server.ErrorOutput().find("Currency 'XYZ' not found"), std::string::npos);
}

TEST_F(LibraryTest, ByReferenceArgumentsComeBackConverted) {
  KorvoServer server(database_.ProgramArguments());
  const Json currency = Create(server, "KorvoCommon.Currency");
  // Equal codes return the amount untouched; the Integer 100 given for the
  // amount comes back as the Currency the parameter holds.
  const Json same = Call(server, currency, "ConvertAmount", {"USD", "USD", 100, kDate});
  EXPECT_EQ(same["value"], Amount("100"));
  EXPECT_EQ(same["args"][2], Amount("100"));
  EXPECT_EQ(same["args"][0], Json::parse(R"({"type":"String","value":"USD"})"));
  EXPECT_EQ(same["args"][3], kDate);
  EXPECT_EQ(Call(server, currency, "ConvertAmount", {"USD", "GBP", Amount("100"), kDate})["value"],
            Amount("78.0822"));
  EXPECT_EQ(Call(server, currency, "ConvertAmount", {"DEM", "EUR", Amount("100"), kDate})["value"],
            Amount("51.1292"));
}

TEST_F(LibraryTest, RecordSetsComeBackWithTypedFieldsAndRows) {
  KorvoServer server(database_.ProgramArguments());
  const Json all = Call(server, Create(server, "KorvoCommon.Currency"), "GetCurrencies")["value"];
  ASSERT_EQ(all["type"], "Recordset");
  EXPECT_EQ(all["fields"][0], Json::parse(R"({"name":"CURRENCYCODE","type":"String"})"));
  EXPECT_EQ(all["fields"][1], Json::parse(R"({"name":"HOMECURRENCY","type":"Boolean"})"));
  EXPECT_EQ(all["rows"].size(), 7u);
  for (const auto& row : all["rows"]) {
    const bool home = row[0]["value"] == "EUR";
    EXPECT_EQ(row[1], Json({{"type", "Boolean"}, {"value", home}})) << row.dump();
  }
}

TEST_F(LibraryTest, PropertiesReadAndWrite) {
  KorvoServer server(database_.ProgramArguments());
  const Json currency = Create(server, "KorvoCommon.Currency");
  Call(server, currency, "GetCurrency", {"GBP"});
  EXPECT_EQ(server.Result("get", {{"object", currency}, {"property", "CurrencyName"}})["value"],
            Json::parse(R"({"type":"String","value":"Pound sterling"})"));
  server.Result(
      "set",
      {{"object", currency}, {"property", "Decimals"}, {"value", {{"type", "Byte"}, {"value", 3}}}});
  EXPECT_EQ(server.Result("get", {{"object", currency}, {"property", "Decimals"}})["value"],
            Json::parse(R"({"type":"Byte","value":3})"));
}

TEST_F(LibraryTest, TraceShowsStatementsAsTheLibraryIssuedThem) {
  KorvoServer server(database_.ProgramArguments());
  EXPECT_EQ(server.Result("trace", {{"enable", true}})["statements"], Json::array());
  Call(server, Create(server, "KorvoCommon.Currency"), "GetCurrency", {"GBP"});
  const Json statements = server.Result("trace", {{"enable", false}})["statements"];
  ASSERT_EQ(statements.size(), 1u);
  EXPECT_EQ(
      statements[0]["sql"],
      "SELECT CURRENCYNAME, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID FROM CURRENCY WHERE CURRENCYCODE=?");
  EXPECT_EQ(statements[0]["params"], Json::parse(R"([{"type":"String","value":"GBP"}])"));
  Call(server, Create(server, "KorvoCommon.Currency"), "GetCurrency", {"USD"});
  EXPECT_EQ(server.Result("trace", {{"enable", false}})["statements"], Json::array());
}

TEST_F(LibraryTest, AnApplicationVariableOverridesTheDatabaseForItsScope) {
  const TempDatabase other;
  KorvoServer server(database_.ProgramArguments());
  auto home = [&] {
    return Call(server, Create(server, "KorvoCommon.Currency"), "GetHomeCurrencyCode")["value"]["value"];
  };
  EXPECT_EQ(home(), "EUR");
  server.Result("begin", {{"application",
                           {{"KorvoCommonConnection_ConnectionString", other.ConnectionString()}}}});
  EXPECT_EQ(home(), "");  // the other database has no currencies
  server.Result("end");
  EXPECT_EQ(home(), "EUR");
}

}  // namespace
}  // namespace korvo::testing
