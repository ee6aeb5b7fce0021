// A paged listing driven through `korvo serve --stdio` the way a web page
// drives it: the DRecordset comes back as a handle whose page is read and
// moved by calls, after the request that made it has ended; its state and a
// Page object carry the position to the next request.
#include <gtest/gtest.h>

#include <memory>

#include "platform/data/connection.h"
#include "program/korvo_process.h"
#include "support/temp_database.h"

namespace korvo::testing {
namespace {

class PagingProtocolTest : public ::testing::Test {
 protected:
  PagingProtocolTest() {
    auto connection = std::make_shared<data::Connection>();
    connection->Open(database_.ConnectionString());
    connection->Execute(
        "INSERT INTO BUSINESSPARTNER (BUSINESSPARTNERID, NAME) VALUES (9001, 'A'), (9002, 'B'), (9003, 'C'), "
        "(9004, 'D'), (9005, 'E')");
    connection->Close();
  }

  Json Call(const Json& handle, const char* method, const Json& args = Json::array()) {
    return server_.Result("call", {{"object", handle}, {"method", method}, {"args", args}});
  }
  // GetBusinessPartnersLimited over the five partners, two to a page, by
  // name descending.
  Json List(const Json& page, const std::string& state) {
    const Json partner = server_.Result("create", {{"class", "KorvoCommon.BusinessPartner"}})["object"];
    return Call(partner, "GetBusinessPartnersLimited",
                {page, state, 2, false, false, {9001, 9002, 9003, 9004, 9005}, "NAME DESC"})["value"];
  }
  std::vector<std::string> Names(const Json& listing) {
    std::vector<std::string> names;
    const Json page = Call(listing, "GetPageRecordset");
    for (const auto& row : page["value"]["rows"]) names.push_back(row[1]["value"]);
    return names;
  }

  TempDatabase database_;
  KorvoServer server_{database_.ProgramArguments()};
};

TEST_F(PagingProtocolTest, AListingIsAHandleWhosePagesAreReadAndMovedByCalls) {
  server_.Result("begin");
  const Json listing = List({{"type", "Empty"}}, "");
  server_.Result("end");
  ASSERT_EQ(listing["type"], "Object");
  EXPECT_EQ(listing["class"], "DRecordset");
  EXPECT_EQ(Names(listing["object"]), (std::vector<std::string>{"E", "D"}));
  EXPECT_EQ(Call(listing["object"], "NextPage")["value"]["value"], true);
  EXPECT_EQ(server_.Result(
                "get", {{"object", listing["object"]}, {"property", "PageNumber"}})["value"]["value"],
            2);
  EXPECT_EQ(server_.Result("get",
                           {{"object", listing["object"]}, {"property", "PageCount"}})["value"]["value"],
            3);
  const Json moved = Call(listing["object"], "GoToPage", {true, 7});
  EXPECT_EQ(moved["args"][0]["value"], false);
  EXPECT_EQ(moved["args"][1]["value"], 3);
  EXPECT_EQ(Names(listing["object"]), (std::vector<std::string>{"A"}));

  // The next request continues from the state the page kept.
  Call(listing["object"], "PreviousPage");
  const std::string state = Call(listing["object"], "GetState")["value"]["value"];
  const Json next = List({{"type", "Empty"}}, state);
  EXPECT_EQ(Names(next["object"]), (std::vector<std::string>{"C", "B"}));
}

TEST_F(PagingProtocolTest, APageObjectCarriesTheRequestedPageToTheListing) {
  const Json page = server_.Result("create", {{"class", "KorvoLibrary.Page"}})["object"];
  Call(page, "RequestPage", {3});
  const Json listing = List({{"type", "Object"}, {"object", page}}, "");
  EXPECT_EQ(Names(listing["object"]), (std::vector<std::string>{"A"}));
  EXPECT_EQ(server_.Result("get", {{"object", page}, {"property", "ConnectionName"}})["value"]["value"],
            "KorvoCommonConnection");
  EXPECT_EQ(Call(page, "GetRecordset")["value"]["object"], listing["object"]);
}

}  // namespace
}  // namespace korvo::testing
