// The JSON-RPC protocol of `korvo serve --stdio`, driven through pipes:
// every method, malformed input answered without stopping, the value
// encodings both ways (echoed through a Scripting.Dictionary), handles.
#include <gtest/gtest.h>

#include "program/korvo_process.h"
#include "support/temp_database.h"

namespace korvo::testing {
namespace {

class ProtocolTest : public ::testing::Test {
 protected:
  ProtocolTest() : server_(database_.ProgramArguments()) {}

  // Stores a value in a dictionary and reads it back: decode then encode.
  Json Echo(const Json& value) {
    if (dictionary_ == 0)
      dictionary_ = server_.Result("create", {{"class", "Scripting.Dictionary"}})["object"];
    const Json key = "k" + std::to_string(++keys_);
    server_.Result("call", {{"object", dictionary_}, {"method", "Add"}, {"args", {key, value}}});
    return server_.Result("get",
                          {{"object", dictionary_}, {"property", "Item"}, {"args", {key}}})["value"];
  }
  int ErrorCode(const Json& response) { return response["error"]["code"].get<int>(); }

  TempDatabase database_;
  KorvoServer server_;
  int dictionary_ = 0;
  int keys_ = 0;
};

TEST_F(ProtocolTest, CreateCallAndReleaseAResultObject) {
  const Json created = server_.Result("create", {{"class", "korvex.resultobject"}});
  EXPECT_GT(created["object"].get<int>(), 0);
  EXPECT_EQ(created["class"], "Korvex.ResultObject");
  const Json handle = created["object"];

  const Json added =
      server_.Result("call", {{"object", handle}, {"method", "AddMessage"}, {"args", {"SLBCO5017"}}});
  EXPECT_EQ(added["value"], Json({{"type", "Empty"}}));
  EXPECT_EQ(added["args"], Json::parse(R"([{"type":"String","value":"SLBCO5017"}])"));
  EXPECT_EQ(server_.Result("call", {{"object", handle}, {"method", "Succeeded"}})["value"],
            Json::parse(R"({"type":"Boolean","value":false})"));
  EXPECT_EQ(server_.Result("call", {{"object", handle}, {"method", "Messages"}})["value"],
            Json::parse(R"({"type":"Array","value":[{"type":"Array","value":[
              {"type":"String","value":"SLBCO5017"},{"type":"Empty"}],"lbound":0}],"lbound":0})"));

  EXPECT_EQ(server_.Result("release", {{"object", handle}}), Json::object());
  EXPECT_EQ(ErrorCode(server_.Request("call", {{"object", handle}, {"method", "Succeeded"}})), -32602);
}

TEST_F(ProtocolTest, LibraryErrorsKeepTheirNumberAndTexts) {
  const Json unknown = server_.Request("create", {{"class", "KorvoCommon.NoSuchClass"}});
  EXPECT_EQ(unknown["error"]["code"], 429);
  EXPECT_EQ(unknown["error"]["data"]["number"], 429);
  EXPECT_EQ(unknown["error"]["message"], "ActiveX component can't create object");
  EXPECT_EQ(unknown["error"]["data"]["description"], unknown["error"]["message"]);
  for (const char* field : {"source", "helpFile"})
    EXPECT_TRUE(unknown["error"]["data"][field].is_string());
  EXPECT_EQ(unknown["error"]["data"]["helpContext"], 0);

  const Json handle = server_.Result("create", {{"class", "Korvex.ResultObject"}})["object"];
  EXPECT_EQ(server_.Request("call", {{"object", handle}, {"method", "NoSuchMethod"}})["error"]["code"],
            438);
  EXPECT_EQ(
      server_.Request("call",
                      {{"object", handle}, {"method", "Append"}, {"args", {nullptr}}})["error"]["code"],
      13);
}

TEST_F(ProtocolTest, MalformedInputIsAnsweredWithoutStopping) {
  const Json parse = Json::parse(server_.Exchange("{not json"));
  EXPECT_EQ(parse["error"]["code"], -32700);
  EXPECT_TRUE(parse["id"].is_null());
  EXPECT_EQ(ErrorCode(Json::parse(server_.Exchange(R"({"jsonrpc":"1.0","id":1,"method":"log"})"))),
            -32600);
  EXPECT_EQ(ErrorCode(Json::parse(server_.Exchange(R"({"jsonrpc":"2.0","id":2,"method":7})"))), -32600);
  EXPECT_EQ(ErrorCode(Json::parse(server_.Exchange("[1]"))[0]), -32600);
  EXPECT_EQ(ErrorCode(server_.Request("frobnicate")), -32601);
  EXPECT_EQ(ErrorCode(server_.Request("create", Json::object())), -32602);
  EXPECT_EQ(ErrorCode(server_.Request("create", Json::array({"Korvex.Log"}))), -32602);
  EXPECT_EQ(ErrorCode(server_.Request("call", {{"object", 999}, {"method", "x"}})), -32602);
  EXPECT_EQ(ErrorCode(server_.Request("end")), -32602);
  EXPECT_EQ(ErrorCode(server_.Request("constants", {{"enum", "NoSuchEnum"}})), -32602);
  EXPECT_EQ(server_.Finish(), 0);
}

// Lines nested far deeper than any value the protocol carries: each is
// refused while it is read, and the session, its open scope included, goes on.
TEST_F(ProtocolTest, DeeplyNestedLinesAreRefusedAndServingGoesOn) {
  const std::string dictionary =
      std::to_string(server_.Result("create", {{"class", "Scripting.Dictionary"}})["object"].get<int>());
  auto callWith = [&](const std::string& arg) {
    return R"({"jsonrpc":"2.0","id":77,"method":"call","params":{"object":)" + dictionary +
           R"(,"method":"Add","args":["k",)" + arg + "]}}";
  };
  auto typedArrays = [](int depth) {
    std::string open, close;
    for (int i = 0; i < depth; ++i) {
      open += R"({"type":"Array","value":[)";
      close += "]}";
    }
    return open + close;
  };
  server_.Result("begin");

  for (int depth : {100, 100000}) {
    const Json refused = Json::parse(server_.Exchange(callWith(typedArrays(depth))));
    EXPECT_EQ(refused["error"]["code"], -32602) << depth;
    EXPECT_EQ(refused["id"], 77) << depth;
  }
  const std::string bare(1000000, '[');
  const Json closed =
      Json::parse(server_.Exchange(R"({"jsonrpc":"2.0","id":78,"method":"log","params":{"unused":)" +
                                   bare + std::string(bare.size(), ']') + "}}"));
  EXPECT_EQ(closed["error"]["code"], -32602);
  EXPECT_EQ(closed["id"], 78);
  const Json unclosed = Json::parse(
      server_.Exchange(R"({"jsonrpc":"2.0","id":79,"method":"log","params":{"unused":)" + bare));
  EXPECT_EQ(unclosed["error"]["code"], -32700);

  EXPECT_EQ(
      server_.Result("call", {{"object", std::stoi(dictionary)}, {"method", "Count"}})["value"]["value"],
      0);
  EXPECT_EQ(server_.Result("end"), Json({{"outcome", "committed"}}));
  EXPECT_EQ(server_.Finish(), 0);
}

// A client that never reads the log costs a bounded window of entries; the
// next read says how many fell out of it.
TEST_F(ProtocolTest, TheLogKeepsARecentWindowAndCountsWhatItDropped) {
  const int log = server_.Result("create", {{"class", "Korvex.Log"}})["object"];
  EXPECT_EQ(server_.Result("log"), Json({{"entries", Json::array()}}));
  constexpr int kWritten = 1010;
  for (int i = 0; i < kWritten; ++i) {
    const Json write = {{"jsonrpc", "2.0"},
                        {"method", "call"},
                        {"params",
                         {{"object", log},
                          {"method", "WriteEntry"},
                          {"args", {"test", "entry " + std::to_string(i), 0}}}}};
    server_.Send(write.dump());
  }
  const Json drained = server_.Result("log");
  ASSERT_EQ(drained["entries"].size(), 1000u);
  EXPECT_EQ(drained["dropped"], kWritten - 1000);
  EXPECT_EQ(drained["entries"][0]["text"], "entry 10");
  EXPECT_EQ(drained["entries"][999]["text"], "entry 1009");
  EXPECT_EQ(server_.Result("log"), Json({{"entries", Json::array()}}));
}

TEST_F(ProtocolTest, NotificationsGetNoResponseAndBatchesAnArray) {
  server_.Send("");
  server_.Send(R"({"jsonrpc":"2.0","method":"log"})");
  EXPECT_EQ(Json::parse(server_.Exchange(R"({"jsonrpc":"2.0","id":"after","method":"log"})"))["id"],
            "after");

  const Json batch = Json::parse(server_.Exchange(
      R"([{"jsonrpc":"2.0","id":1,"method":"constants","params":{"enum":"OfficeType"}},)"
      R"({"jsonrpc":"2.0","method":"log"},{"jsonrpc":"2.0","id":2,"method":"nope"}])"));
  ASSERT_EQ(batch.size(), 2u);
  EXPECT_EQ(batch[0]["result"]["members"]["Purchase"], 2);
  EXPECT_EQ(batch[1]["error"]["code"], -32601);
}

TEST_F(ProtocolTest, ConstantsServeThePublicEnumerations) {
  const Json errors = server_.Result("constants", {{"enum", "KorvoCommonError"}})["members"];
  EXPECT_EQ(errors.size(), 40u);
  EXPECT_EQ(errors["MissingCurrencyCode"], -2147221403);
  EXPECT_EQ(errors["EuroRateNotDefined"], -2147221370);
  EXPECT_EQ(errors["UnexpectedGetCurrencyAsDict"], -2147221364);
  const Json dml = server_.Result("constants", {{"enum", "nErrorType_DML"}})["members"];
  EXPECT_EQ(dml.size(), 21u);
  EXPECT_EQ(dml["ERR_PENALTYTERMCANNOTBEDELETED"], 21);
  EXPECT_EQ(server_.Result("constants", {{"enum", "AddressFieldsEnum"}})["members"]["Fax"], 10);
}

TEST_F(ProtocolTest, TypedValuesComeBackAsTheyWent) {
  const char* values[] = {
      R"({"type":"Empty"})",
      R"({"type":"Null"})",
      R"({"type":"Nothing"})",
      R"({"type":"Byte","value":255})",
      R"({"type":"Integer","value":-32768})",
      R"({"type":"Long","value":2147483647})",
      R"({"type":"Single","value":0.1})",
      R"({"type":"Double","value":1.95583})",
      R"({"type":"Currency","value":"88.7517"})",
      R"({"type":"Currency","value":"-0.5"})",
      R"({"type":"Currency","value":"922337203685477.5807"})",
      R"({"type":"Date","value":"2024-03-07T14:05:09"})",
      R"({"type":"String","value":"Zürich \"quoted\""})",
      R"({"type":"Boolean","value":true})",
      R"({"type":"Array","value":[{"type":"Long","value":1},{"type":"String","value":"a"}],"lbound":1})",
      R"({"type":"Dictionary","value":[[{"type":"String","value":"A"},{"type":"Integer","value":1}],
                                     [{"type":"Integer","value":2},{"type":"Null"}]]})",
      R"({"type":"Collection","value":[{"key":"first","item":{"type":"Boolean","value":false}},
                                     {"key":null,"item":{"type":"Double","value":2.5}}]})",
      R"({"type":"Recordset","fields":[{"name":"CODE","type":"String"},{"name":"RATE","type":"Double"}],
          "rows":[[{"type":"String","value":"USD"},{"type":"Double","value":1.085}],
                  [{"type":"String","value":"XXX"},{"type":"Null"}]]})",
  };
  for (const char* text : values) EXPECT_EQ(Echo(Json::parse(text)), Json::parse(text)) << text;
}

TEST_F(ProtocolTest, ShorthandInputTakesTheNarrowestKind) {
  EXPECT_EQ(Echo("EUR"), Json::parse(R"({"type":"String","value":"EUR"})"));
  EXPECT_EQ(Echo(true), Json::parse(R"({"type":"Boolean","value":true})"));
  EXPECT_EQ(Echo(nullptr), Json::parse(R"({"type":"Null"})"));
  EXPECT_EQ(Echo(32767), Json::parse(R"({"type":"Integer","value":32767})"));
  EXPECT_EQ(Echo(-32769), Json::parse(R"({"type":"Long","value":-32769})"));
  EXPECT_EQ(Echo(4294967296), Json::parse(R"({"type":"Double","value":4294967296.0})"));
  EXPECT_EQ(Echo(1.5), Json::parse(R"({"type":"Double","value":1.5})"));
  EXPECT_EQ(Echo(Json::parse(R"([1,"a",[true]])")), Json::parse(R"({"type":"Array","value":[
      {"type":"Integer","value":1},{"type":"String","value":"a"},
      {"type":"Array","value":[{"type":"Boolean","value":true}],"lbound":0}],"lbound":0})"));
  EXPECT_EQ(Echo(Json::parse(R"({"type":"Currency","value":"10.5000"})")),
            Json::parse(R"({"type":"Currency","value":"10.5"})"));
  EXPECT_EQ(Echo(Json::parse(R"({"type":"Date","value":"2024-03-07"})")),
            Json::parse(R"({"type":"Date","value":"2024-03-07T00:00:00"})"));
}

TEST_F(ProtocolTest, ValuesThatDoNotDecodeAreBadParams) {
  const char* bad[] = {
      R"({"type":"Byte","value":256})",
      R"({"type":"Integer","value":1.5})",
      R"({"type":"Currency","value":"1.23456"})",
      R"({"type":"Currency","value":"1e3"})",
      R"({"type":"Date","value":"2024-02-30"})",
      R"({"type":"Boolean","value":1})",
      R"({"type":"Object","object":12345})",
      R"({"type":"Decimal","value":1})",
      R"({"value":1})",
  };
  const Json handle = server_.Result("create", {{"class", "Scripting.Dictionary"}})["object"];
  for (const char* text : bad) {
    const Json response = server_.Request(
        "call", {{"object", handle}, {"method", "Add"}, {"args", {"k", Json::parse(text)}}});
    EXPECT_EQ(ErrorCode(response), -32602) << text;
  }
  EXPECT_EQ(server_.Result("get", {{"object", handle}, {"property", "Count"}})["value"]["value"], 0);
}

TEST_F(ProtocolTest, ObjectsInsideValuesGetStableHandles) {
  const Json result = server_.Result("create", {{"class", "Korvex.ResultObject"}});
  const Json value = {{"type", "Object"}, {"object", result["object"]}};
  const Json echoed = Echo(value);
  EXPECT_EQ(echoed["type"], "Object");
  EXPECT_EQ(echoed["object"], result["object"]);
  EXPECT_EQ(echoed["class"], "Korvex.ResultObject");

  // A handle first seen inside a value is as usable as one from create.
  const Json outer = server_.Result("create", {{"class", "Scripting.Dictionary"}})["object"];
  const Json inner = server_.Result("create", {{"class", "Korvex.ResultObject"}})["object"];
  server_.Result("set", {{"object", outer},
                         {"property", "Item"},
                         {"args", {"r"}},
                         {"value", {{"type", "Object"}, {"object", inner}}}});
  server_.Result("release", {{"object", inner}});
  const Json again =
      server_.Result("get", {{"object", outer}, {"property", "Item"}, {"args", {"r"}}})["value"];
  ASSERT_EQ(again["type"], "Object");
  EXPECT_NE(again["object"], inner);
  server_.Result("call",
                 {{"object", again["object"]}, {"method", "AddMessage"}, {"args", {"SLBGE0001"}}});
  EXPECT_EQ(
      server_.Result("call", {{"object", again["object"]}, {"method", "Succeeded"}})["value"]["value"],
      false);
}

TEST_F(ProtocolTest, ScopesWithoutDataCommitAbortOrHaveNoTransaction) {
  EXPECT_EQ(server_.Result("begin"), Json::object());
  server_.Result("create", {{"class", "Korvex.ResultObject"}});
  EXPECT_EQ(server_.Result("end"), Json({{"outcome", "committed"}}));
  server_.Result("begin", {{"transaction", "required"}});
  EXPECT_EQ(server_.Result("end", {{"abort", true}}), Json({{"outcome", "aborted"}}));
  server_.Result("begin", {{"transaction", "none"}, {"session", {{"REMOTE_ACCOUNT", "jdoe"}}}});
  EXPECT_EQ(server_.Result("end"), Json({{"outcome", "none"}}));
  EXPECT_EQ(ErrorCode(server_.Request("begin", {{"transaction", "sometimes"}})), -32602);
}

// A session value that does not decode is refused by its key: the value, a
// password here, is not quoted back.
TEST_F(ProtocolTest, ASessionValueThatDoesNotDecodeIsNamedByItsKeyOnly) {
  const Json refused = server_.Request(
      "begin", {{"session", {{"REMOTE_PASSWORD", {{"type", "Date"}, {"value", "Pa55-not-a-date"}}}}}});
  EXPECT_EQ(ErrorCode(refused), -32602);
  EXPECT_EQ(refused["error"]["message"], "\"session\" value \"REMOTE_PASSWORD\" cannot be read");
  EXPECT_EQ(refused.dump().find("Pa55"), std::string::npos) << refused.dump();
}

}  // namespace
}  // namespace korvo::testing
