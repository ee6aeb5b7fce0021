// `korvo directory`, the operators' commands, run as the real program on a
// directory the test fills through the library.
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

class DirectoryCommandTest : public ::testing::Test {
 protected:
  DirectoryCommandTest() {
    registration::RegisterAll();
    ConfigureSiteDirectory(database_.ConnectionString(), "", nullptr);
    const auto directory = membership::Directory::Open();
    auto& backend = directory->Backend();
    backend.Create({"ann", {{"SURNAME", {"Jansen"}}, {"KorvoRole", {"2"}}}}, "ann-Pa55");
    backend.Create({"bob", {{"SURNAME", {"Okafor"}}, {"KorvoRole", {"4"}}}}, "bob-Pa55");
  }
  ~DirectoryCommandTest() override {
    korvex::ConfigurationOverrides::Clear();
    infra::ResetConnectionStringCache();
  }

  // `korvo directory <args> <the test's database>`.
  CommandResult Directory(std::vector<std::string> args) {
    args.insert(args.begin(), "directory");
    for (const auto& option : database_.ProgramArguments()) args.push_back(option);
    return RunKorvo(args);
  }

  TempDatabase database_;
};

TEST_F(DirectoryCommandTest, ShowAndListReadTheDirectory) {
  const CommandResult shown = Directory({"show", "ANN"});
  ASSERT_EQ(shown.status, 0) << shown.err;
  EXPECT_EQ(shown.out, "UserID: ann\nWriter: no\nKorvoRole: 2\nSURNAME: Jansen\n");

  EXPECT_EQ(Directory({"list"}).out, "ann\nbob\n");
  EXPECT_EQ(Directory({"list", "--role", "4"}).out, "bob\n");
  EXPECT_EQ(Directory({"list", "--where", "SURNAME=jansen"}).out, "ann\n");
  const CommandResult refused = Directory({"list", "--where", "SURNAME"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, "");
}

TEST_F(DirectoryCommandTest, AChangeIsMadeWholeOrNotAtAll) {
  const CommandResult refused =
      Directory({"change", "ann", "--attr", "SURNAME=Smith", "--clear", "no name!"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(Directory({"show", "ann"}).out.find("SURNAME: Jansen\n"), std::string::npos);

  const CommandResult changed =
      Directory({"change", "ann", "--attr", "SURNAME=Smith", "--clear", "KorvoRole", "--writer", "yes"});
  ASSERT_EQ(changed.status, 0) << changed.err;
  EXPECT_EQ(Directory({"show", "ann"}).out, "UserID: ann\nWriter: yes\nSURNAME: Smith\n");
}

TEST_F(DirectoryCommandTest, DeleteRemovesTheUserOnce) {
  ASSERT_EQ(Directory({"delete", "bob"}).status, 0);
  EXPECT_EQ(Directory({"list"}).out, "ann\n");
  const CommandResult again = Directory({"delete", "bob"});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("bob"), std::string::npos) << again.err;
}

TEST_F(DirectoryCommandTest, APasswordIsNeverTakenFromAnEmptyInput) {
  const CommandResult added = Directory({"add", "carl"});
  EXPECT_EQ(added.status, 1);
  EXPECT_EQ(Directory({"list"}).out, "ann\nbob\n");
  EXPECT_EQ(Directory({"password", "ann"}).status, 1);
}

}  // namespace
}  // namespace korvo::testing
