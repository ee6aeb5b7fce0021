// The membership directory through `korvo serve --stdio`: a session's
// password reaches Bind and nothing the program answers or writes.
#include <gtest/gtest.h>

#include "infrastructure/components.h"
#include "membership/site_directory.h"
#include "platform/korvex/configuration_overrides.h"
#include "platform/membership/directory.h"
#include "program/korvo_process.h"
#include "registration/register_all.h"
#include "support/temp_database.h"

namespace korvo::testing {
namespace {

// Inputs of the test only; never printed.
const std::string kPassword = "Pr0tocol-Pa55";
const std::string kWrongPassword = "Wr0ng-Pr0tocol";

class DirectoryProtocolTest : public ::testing::Test {
 protected:
  DirectoryProtocolTest() {
    registration::RegisterAll();
    ConfigureSiteDirectory(database_.ConnectionString(), "", nullptr);
    membership::Directory::Open()->Backend().Create({"ann", {{"SURNAME", {"Jansen"}}}}, kPassword);
  }
  ~DirectoryProtocolTest() override {
    korvex::ConfigurationOverrides::Clear();
    infra::ResetConnectionStringCache();
  }

  Json Begin(const Json& password) {
    return server_.Request("begin",
                           {{"session", {{"REMOTE_ACCOUNT", "ann"}, {"REMOTE_PASSWORD", password}}}});
  }
  // Whether anything the program said or wrote holds the text.
  bool Disclosed(const std::string& secret, const std::vector<Json>& answers) {
    for (const auto& answer : answers) {
      if (answer.dump().find(secret) != std::string::npos) return true;
    }
    return server_.ErrorOutput().find(secret) != std::string::npos;
  }

  TempDatabase database_;
  KorvoServer server_{database_.ProgramArguments()};
};

TEST_F(DirectoryProtocolTest, NoPasswordOfTheSessionIsAnsweredLoggedOrTraced) {
  server_.Result("trace", {{"enable", true}});
  std::vector<Json> answers;
  for (const std::string& password : {kWrongPassword, kPassword}) {
    answers.push_back(Begin(password));
    const Json user = server_.Result("create", {{"class", "KorvoCommon.User"}});
    answers.push_back(server_.Request(
        "call", {{"object", user["object"]}, {"method", "GetUsername"}, {"args", {"ann"}}}));
    answers.push_back(server_.Request("end"));
  }
  ASSERT_TRUE(answers[1].contains("error"));  // the wrong password's bind
  EXPECT_EQ(answers[1]["error"]["data"]["number"], static_cast<std::int32_t>(0x80040302u));
  EXPECT_EQ(answers[4]["result"]["value"]["value"], "Jansen");
  answers.push_back(server_.Result("log"));
  answers.push_back(server_.Result("trace", {{"enable", false}}));
  EXPECT_FALSE(Disclosed(kWrongPassword, answers));
  EXPECT_FALSE(Disclosed(kPassword, answers));
}

TEST_F(DirectoryProtocolTest, TheDirectoryClassesAnswerToEitherSpelling) {
  const Json user = server_.Result("create", {{"class", "Korvomembership.User"}});
  EXPECT_EQ(user["class"], "KorvoMembership.User");
  EXPECT_EQ(server_.Result("create", {{"class", "KorvoMembership.Members"}})["class"],
            "KorvoMembership.Members");
}

TEST_F(DirectoryProtocolTest, ASessionPasswordThatCannotBeReadIsNotQuoted) {
  const Json refused = Begin({{"type", "Date"}, {"value", kWrongPassword}});
  ASSERT_TRUE(refused.contains("error"));
  EXPECT_FALSE(Disclosed(kWrongPassword, {refused}));
}

}  // namespace
}  // namespace korvo::testing
