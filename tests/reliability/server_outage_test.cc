// The servers the library leans on, failing under an open `korvo serve`
// session: the LDAP directory stopped (and frozen) between two calls, and an
// SMTP server that accepts the connection and then says nothing. Each call
// made meanwhile fails with the component's documented number within the
// configured timeout instead of hanging the session; once the server is
// back, the same session's next call succeeds. No password the session or
// the configuration holds appears in anything the program answers or logs.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "membership/site_directory.h"
#include "platform/membership/directory.h"
#include "program/korvo_process.h"
#include "reliability/reliability_fixture.h"
#include "reliability/smtp_double.h"

namespace korvo::reliability {
namespace {

using korvo::testing::Json;
using korvo::testing::KorvoServer;
using Seconds = std::chrono::duration<double>;
using Settings = std::map<std::string, std::map<std::string, std::string>>;

// Inputs of the test only; never printed.
constexpr const char* kSiteScriptPassword = "Outage-Script-Pa55";
constexpr const char* kAnnPassword = "Outage-Ann-Pa55";
constexpr const char* kSmtpPassword = "Outage-Smtp-Pa55";
constexpr const char* kBobPassword = "Outage-Bob-Pa55";

constexpr std::int32_t kDirectoryUnavailable = static_cast<std::int32_t>(0x80040308u);
constexpr std::int32_t kSmtpFailed = static_cast<std::int32_t>(0x80041205u);
// The timeouts the program is configured with, in seconds, and the slack a
// loaded machine needs on top of them.
constexpr int kTimeout = 2;
constexpr double kSlack = 2.5;

// A call's answer and how long the program took to give it.
struct Timed {
  Json answer;
  double seconds;
};

class ServerOutageTest : public ReliabilityTest {
 protected:
  void TearDown() override {
    std::filesystem::remove(config_);
    ReliabilityTest::TearDown();
  }

  // Starts the program on a configuration file holding the database and
  // the sections given.
  std::unique_ptr<KorvoServer> Start(const Settings& settings) {
    std::ofstream ini(config_);
    ini << "[CONNECTIONS]\nKorvoCommonConnection_ConnectionString = " << ConnectionString() << "\n";
    for (const auto& [section, keys] : settings) {
      ini << "[" << section << "]\n";
      for (const auto& [key, value] : keys) ini << key << " = " << value << "\n";
    }
    ini.close();
    return std::make_unique<KorvoServer>(std::vector<std::string>{"--config", config_});
  }

  // One request's scope around `call`, ended with abort when the call
  // failed; the call's answer, timed.
  Timed InRequest(KorvoServer& server, const Json& session, const std::function<Json()>& call) {
    EXPECT_FALSE(server.Request("begin", {{"session", session}}).contains("error"));
    const auto start = std::chrono::steady_clock::now();
    Json answer = call();
    const double seconds = Seconds(std::chrono::steady_clock::now() - start).count();
    server.Request("end", {{"abort", answer.contains("error")}});
    answers_.push_back(answer);
    return {std::move(answer), seconds};
  }

  static void ExpectFailedInTime(const Timed& timed, std::int32_t number, double bound) {
    ASSERT_TRUE(timed.answer.contains("error")) << timed.answer.dump();
    EXPECT_EQ(timed.answer["error"]["data"]["number"], number) << timed.answer.dump();
    EXPECT_LT(timed.seconds, bound) << "the call hung";
  }

  // Nothing the program answered, logged or wrote to standard error holds
  // one of the passwords.
  void ExpectNoPasswordDisclosed(KorvoServer& server, const std::vector<std::string>& passwords) {
    std::string said = server.Result("log").dump() + server.ErrorOutput();
    for (const Json& answer : answers_) said += answer.dump();
    std::ifstream log(LogFile());
    said.append(std::istreambuf_iterator<char>(log), {});
    for (const std::string& password : passwords) {
      EXPECT_EQ(said.find(password), std::string::npos) << "a password was disclosed";
    }
  }

  std::vector<Json> answers_;  // every call's answer, for the password check
  const std::string config_ = LogFile() + ".ini";
};

Json Call(KorvoServer& server, const Json& object, const char* method, const Json& args) {
  return server.Request("call", {{"object", object}, {"method", method}, {"args", args}});
}

// --- The directory server stopped and frozen ---

TEST_F(ServerOutageTest, ADirectoryServerStoppedMidSessionFailsInTimeAndTheSameSessionGoesOn) {
  KORVO_PRIVATE_LDAP_DIRECTORY_OR_SKIP(directory);
  korvo::testing::ConfigureSiteDirectory(ConnectionString(), kSiteScriptPassword, &directory);
  auto site = membership::Directory::Open();
  site->Backend().Create({"script", {}}, kSiteScriptPassword);
  site->Backend().Create({"ann", {{"SURNAME", {"Andersen"}}}}, kAnnPassword);

  std::map<std::string, std::string> membership = {{"MemScriptUser", "script"},
                                                   {"MemScriptCode", kSiteScriptPassword}};
  for (const auto& [key, value] : directory.BackendKeys()) membership[key] = value;
  auto server = Start({{"MEMBERSHIP", membership}, {"LOG", {{"File", LogFile()}}}});
  const Json session = {{"REMOTE_ACCOUNT", "ann"}, {"REMOTE_PASSWORD", kAnnPassword}};
  const auto surname = [&] {
    return InRequest(*server, session, [&] {
      const Json user = server->Result("create", {{"class", "KorvoCommon.User"}})["object"];
      return Call(*server, user, "GetUsername", {"ann"});
    });
  };
  const auto expectAnswered = [&](const char* when) {
    const Timed answered = surname();
    EXPECT_EQ(answered.answer["result"]["value"]["value"], "Andersen")
        << when << ": " << answered.answer.dump();
  };

  expectAnswered("before the outage");
  directory.server().Halt();
  const Timed stopped = surname();
  ExpectFailedInTime(stopped, kDirectoryUnavailable, 2 * kTimeout + kSlack);
  directory.server().Resume();
  expectAnswered("after the server was started again");

  directory.server().Freeze();
  const Timed frozen = surname();
  directory.server().Thaw();
  ExpectFailedInTime(frozen, kDirectoryUnavailable, 2 * kTimeout + kSlack);
  expectAnswered("after the server ran again");

  ExpectNoPasswordDisclosed(*server,
                            {kSiteScriptPassword, kAnnPassword, directory.ldap().servicePassword});
  EXPECT_EQ(server->Finish(), 0);
  std::cout << "[ counts   ] directory outage: stopped " << stopped.seconds << " s, frozen "
            << frozen.seconds << " s to the error (bound " << kTimeout
            << " s), 3 calls answered around them in one session\n";
}

// --- The mail server stalling ---

// A message through CDONTS.NewMail.
Json SendThroughNewMail(KorvoServer& server, const std::string& subject) {
  const Json mail = server.Result("create", {{"class", "CDONTS.NewMail"}})["object"];
  for (const auto& [property, value] :
       std::vector<std::pair<const char*, std::string>>{{"From", "korvo@example.com"},
                                                        {"To", "ann@example.com"},
                                                        {"Subject", subject},
                                                        {"Body", "Hello"}}) {
    server.Result("set", {{"object", mail}, {"property", property}, {"value", value}});
  }
  return Call(server, mail, "Send", Json::array());
}

// A message from bob to ann through User.SendEmail, addressed from the
// directory.
Json SendThroughUser(KorvoServer& server, const std::string& subject) {
  const Json user = server.Result("create", {{"class", "KorvoCommon.User"}})["object"];
  return Call(server, user, "SendEmail", {"ann", "bob", subject, "Hello"});
}

TEST_F(ServerOutageTest, AMailServerThatStallsFailsTheSendInTimeAndTheSameSessionSendsAgain) {
  UseEmbeddedDirectory();
  directory_->Backend().Create({"ann", {{"EMAIL", {"ann@example.com"}}}}, kAnnPassword);
  directory_->Backend().Create({"bob", {{"EMAIL", {"bob@example.com"}}}}, kBobPassword);
  SmtpDouble smtp;
  auto server = Start({{"MAIL",
                        {{"Transport", "smtp"},
                         {"SmtpServer", "127.0.0.1"},
                         {"SmtpPort", std::to_string(smtp.Port())},
                         {"SmtpUser", "korvo"},
                         {"SmtpPassword", kSmtpPassword},
                         {"SmtpTimeout", std::to_string(kTimeout)}}},
                       {"LOG", {{"File", LogFile()}}}});
  const Json session = {{"REMOTE_ACCOUNT", "bob"}, {"REMOTE_PASSWORD", kBobPassword}};
  const auto send = [&](Json (*how)(KorvoServer&, const std::string&), const std::string& subject) {
    return InRequest(*server, session, [&] { return how(*server, subject); });
  };

  EXPECT_FALSE(send(SendThroughNewMail, "before").answer.contains("error"));
  smtp.Stall();
  const Timed stalled = send(SendThroughNewMail, "stalled");
  const Timed stalledUser = send(SendThroughUser, "stalled");
  smtp.Answer();
  ExpectFailedInTime(stalled, kSmtpFailed, kTimeout + kSlack);
  ExpectFailedInTime(stalledUser, kSmtpFailed, kTimeout + kSlack);
  for (const auto how : {SendThroughNewMail, SendThroughUser}) {
    const Timed after = send(how, "after");
    EXPECT_FALSE(after.answer.contains("error")) << after.answer.dump();
  }

  const std::vector<std::string> messages = smtp.Messages();
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_NE(messages[0].find("Subject: before"), std::string::npos);
  for (std::size_t i = 1; i < 3; ++i) EXPECT_NE(messages[i].find("Subject: after"), std::string::npos);
  EXPECT_NE(messages[2].find("bob@example.com"), std::string::npos) << "the sender from the directory";
  ExpectNoPasswordDisclosed(*server, {kSmtpPassword, kAnnPassword, kBobPassword});
  EXPECT_EQ(server->Finish(), 0);
  std::cout
      << "[ counts   ] mail outage: the stalled sends (CDONTS.NewMail, User.SendEmail) failed after "
      << stalled.seconds << " and " << stalledUser.seconds << " s (bound " << kTimeout
      << " s), 3 messages delivered around them in one session\n";
}

}  // namespace
}  // namespace korvo::reliability
