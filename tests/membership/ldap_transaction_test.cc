// Directory writes inside a host transaction: the LDAP server has no
// transactions, so the backend undoes them when the host transaction rolls
// back, and leaves them when it commits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "membership/ldap_test_server.h"
#include "platform/host/host_scope.h"
#include "platform/korvex/log_recorder.h"
#include "platform/korvex/register.h"
#include "platform/membership/directory_backend.h"

namespace korvo::membership {
namespace {

const std::string kPassword = "Correct horse 1";

using ::korvo::testing::ValuesOf;

TEST(LdapTransactionTest, ARolledBackTransactionLeavesTheDirectoryAsItWas) {
  KORVO_LDAP_DIRECTORY_OR_SKIP(directory);
  auto backend = directory.Backend();
  backend->Create(Entry{"keep", {{"ProjectRole", {"A", "B"}}, {"SURNAME", {"Keeper"}}}}, kPassword);
  backend->Create(Entry{"gone", {{"Hobby", {"chess"}}}}, kPassword);
  {
    host::HostScope scope;
    backend->Create(Entry{"new", {}}, kPassword);
    backend->ReplaceAttribute("keep", "ProjectRole", {"B", "A", "C"});
    backend->ReplaceAttribute("keep", "SURNAME", {});
    backend->ReplaceAttribute("keep", "Pet", {"cat"});
    backend->SetPassword("keep", "Changed 2");
    backend->SetWriterRight("keep", true);
    EXPECT_TRUE(backend->Delete("gone"));
    // Inside the transaction its writes are seen.
    EXPECT_TRUE(backend->Load("new"));
    EXPECT_FALSE(backend->Load("gone"));
    scope.End(/*abort=*/true);
  }
  EXPECT_FALSE(backend->Load("new"));
  const auto keep = backend->Load("keep");
  EXPECT_EQ(ValuesOf(keep, "ProjectRole"), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(ValuesOf(keep, "SURNAME"), std::vector<std::string>{"Keeper"});
  EXPECT_TRUE(ValuesOf(keep, "Pet").empty());
  EXPECT_EQ(backend->VerifyPassword("keep", kPassword), "keep");
  EXPECT_FALSE(backend->HoldsWriterRight("keep"));
  const auto gone = backend->Load("gone");
  ASSERT_TRUE(gone);
  EXPECT_EQ(ValuesOf(gone, "Hobby"), std::vector<std::string>{"chess"});
  EXPECT_EQ(backend->VerifyPassword("gone", kPassword), "gone");
}

TEST(LdapTransactionTest, ACommittedTransactionKeepsItsWritesAndOutsideOneWritesAreFinal) {
  KORVO_LDAP_DIRECTORY_OR_SKIP(directory);
  auto backend = directory.Backend();
  {
    host::HostScope scope;
    backend->Create(Entry{"kept", {}}, kPassword);
    scope.End();
  }
  backend->Create(Entry{"outside", {}}, kPassword);
  EXPECT_TRUE(backend->Load("kept"));
  EXPECT_TRUE(backend->Load("outside"));
}

TEST(LdapTransactionTest, AFailingWriteLeavesNothingHalfWritten) {
  KORVO_LDAP_DIRECTORY_OR_SKIP(directory);
  auto backend = directory.Backend();
  backend->Create(Entry{"taken", {}}, kPassword);
  host::HostScope scope;
  EXPECT_THROW(backend->Create(Entry{"TAKEN", {{"Hobby", {"x"}}}}, kPassword), rt::Error);
  scope.End(/*abort=*/true);
  const auto taken = backend->Load("taken");
  ASSERT_TRUE(taken);
  EXPECT_TRUE(ValuesOf(taken, "Hobby").empty());
}

TEST(LdapTransactionTest, AnUndoTheServerCannotTakeIsLoggedAndTheOthersStillRun) {
  KORVO_PRIVATE_LDAP_DIRECTORY_OR_SKIP(directory);
  korvex::RegisterClasses();
  korvex::LogRecording recording;
  auto backend = directory.Backend();
  backend->Create(Entry{"kept", {}}, kPassword);
  {
    host::HostScope scope;
    backend->ReplaceAttribute("kept", "Pet", {"cat"});
    directory.server().Halt();
    scope.End(/*abort=*/true);
  }
  const auto entries = korvex::LogRecorder::Drain();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries.front().source, "KorvoMembership.Members");
  EXPECT_NE(entries.front().text.find("could not be undone"), std::string::npos) << entries.front().text;
  EXPECT_EQ(entries.front().text.find(kPassword), std::string::npos);
  directory.server().Resume();
  // The change the server could not take back is still there: the log says so.
  EXPECT_EQ(ValuesOf(backend->Load("kept"), "Pet"), std::vector<std::string>{"cat"});
}

}  // namespace
}  // namespace korvo::membership
