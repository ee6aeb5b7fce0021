// The LDAP backend when the server goes away in the middle of a session:
// calls fail with a clear error within the timeout, and the thread's
// connections are replaced once the server is back.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "membership/ldap_test_server.h"
#include "platform/contracts/membership.h"
#include "platform/runtime/error.h"

namespace korvo::membership {
namespace {

namespace err = contracts::membership_error;
using Clock = std::chrono::steady_clock;

const std::string kPassword = "Correct horse 1";

// The error a call raises, and how long it took.
std::pair<rt::ErrorRecord, Clock::duration> Failure(const std::function<void()>& call) {
  const auto start = Clock::now();
  try {
    call();
  } catch (const rt::Error& error) {
    return {error.record(), Clock::now() - start};
  }
  return {{}, Clock::now() - start};
}

TEST(LdapResilienceTest, AStoppedServerFailsCallsClearlyAndIsUsedAgainWhenBack) {
  KORVO_PRIVATE_LDAP_DIRECTORY_OR_SKIP(directory);
  auto backend = directory.Backend();
  backend->Create(Entry{"ann", {}}, kPassword);
  ASSERT_TRUE(backend->Load("ann"));
  ASSERT_TRUE(backend->VerifyPassword("ann", kPassword));

  directory.server().Halt();
  const auto [error, took] = Failure([&] { backend->Load("ann"); });
  EXPECT_EQ(error.Number, err::kDirectoryUnavailable);
  EXPECT_NE(error.Description.find("LDAP server"), std::string::npos) << error.Description;
  EXPECT_LT(took, std::chrono::seconds(3));
  EXPECT_EQ(Failure([&] { backend->VerifyPassword("ann", kPassword); }).first.Number,
            err::kDirectoryUnavailable);

  directory.server().Resume();
  EXPECT_TRUE(backend->Load("ann"));
  EXPECT_TRUE(backend->VerifyPassword("ann", kPassword));
  backend->ReplaceAttribute("ann", "CompanyNumber", {"7"});
}

TEST(LdapResilienceTest, AServerThatStopsAnsweringFailsWithinTheTimeout) {
  KORVO_PRIVATE_LDAP_DIRECTORY_OR_SKIP(directory);
  auto backend = directory.Backend();  // LDAPTimeout is 2 seconds
  backend->Create(Entry{"bob", {}}, kPassword);

  directory.server().Freeze();
  const auto [error, took] = Failure([&] { backend->Search({}); });
  const auto [writeError, writeTook] =
      Failure([&] { backend->ReplaceAttribute("bob", "CompanyNumber", {"1"}); });
  directory.server().Thaw();

  EXPECT_EQ(error.Number, err::kDirectoryUnavailable);
  EXPECT_GE(took, std::chrono::milliseconds(1900));
  EXPECT_LT(took, std::chrono::seconds(5));
  EXPECT_EQ(writeError.Number, err::kDirectoryUnavailable);
  EXPECT_LT(writeTook, std::chrono::seconds(5));
  EXPECT_EQ(backend->Search({}).userIds, std::vector<std::string>{"bob"});
}

TEST(LdapResilienceTest, UnusableSettingsNameTheKeyAndNeverThePassword) {
  auto server = testing::LdapTestServer::FromEnvironment();
  if (!server) GTEST_SKIP() << "no LDAP server (scripts/ldap-server)";
  auto settings = server->Settings("ou=nowhere");
  settings.Set("LDAPURL", "");
  EXPECT_NE(Failure([&] { ReadLdapSettings(settings); }).first.Description.find("LDAPURL"),
            std::string::npos);

  settings = server->Settings("ou=nowhere");
  settings.Set("MemScriptCode", "not-the-Password-42");
  LdapDirectoryBackend backend(ReadLdapSettings(settings));
  const auto [error, took] = Failure([&] { backend.Load("ann"); });
  EXPECT_EQ(error.Number, err::kDirectoryUnavailable);
  EXPECT_NE(error.Description.find("script account"), std::string::npos) << error.Description;
  EXPECT_EQ(error.Description.find("not-the-Password-42"), std::string::npos);
}

}  // namespace
}  // namespace korvo::membership
