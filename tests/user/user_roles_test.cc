// Project roles, the business processes they grant, and the paged user
// lists of the directory.
#include <gmock/gmock.h>

#include <map>

#include "user_fixture.h"

namespace korvo::common::user_testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class UserRolesTest : public UserTest {
 protected:
  // A role granting the processes listed as 1 in `flags` (HOURSREGISTRATION
  // .. ERPRELATED, in that order).
  void AddRole(const std::string& code, const std::string& flags) {
    std::string values;
    for (char flag : flags) values += std::string(", ") + (flag == '1' ? "1" : "0");
    Execute("INSERT INTO ROLE VALUES ('" + code + "', ' Role " + code + " '" + values + ")");
  }

  void AddRoles() {
    AddRole("PM", "1100000");
    AddRole("TB", "0001000");
    AddRole("DA", "0000010");
  }
};

TEST_F(UserRolesTest, AllRolesTrimmedAndAUsersRolesWithARowOnly) {
  AddRoles();
  Seed("ann", {{"ProjectRole", {"TB", "X", "PM"}}});
  Seed("bob");
  rt::DictionaryRef all = user_->GetAllProjectRoles();
  EXPECT_THAT(Keys(all), ElementsAre("DA", "PM", "TB"));
  EXPECT_EQ(rt::CStr(all->Item("PM")), "Role PM");
  rt::DictionaryRef roles = user_->GetProjectRoles("ann");
  EXPECT_THAT(Keys(roles), ElementsAre("PM", "TB"));
  EXPECT_EQ(rt::CStr(roles->Item("PM")), " Role PM ");
  EXPECT_EQ(user_->GetProjectRoles("bob")->Count(), 0);
  EXPECT_EQ(user_->GetDefaultProjectRole("ann"), "TB");
}

TEST_F(UserRolesTest, BlankUserIdsAreRefused) {
  rt::ErrorRecord error = ErrorOf([&] { user_->GetProjectRoles(""); });
  EXPECT_EQ(error.Number, -2147221399);
  EXPECT_THAT(error.Description, HasSubstr("UserID not passed"));
  EXPECT_THAT(LoggedMethods(), ElementsAre("KorvoCommon.User.GetProjectRoles:"));

  error = ErrorOf([&] { user_->GetDefaultProjectRole(""); });
  EXPECT_EQ(error.Number, -2147221399);
  EXPECT_EQ(error.Source, "KorvoCommon.User.GetDefaultProjectRole");
  EXPECT_EQ(error.Description, "Project Role not Passed");
  EXPECT_THAT(LoggedMethods(), IsEmpty());
}

TEST_F(UserRolesTest, SettingTheDefaultRoleRewritesTheListToTheRolesWithARow) {
  AddRoles();
  Seed("ann", {{"ProjectRole", {"X", "PM"}}});
  user_->SetDefaultProjectRole("PM", "ann");
  EXPECT_EQ(user_->GetDefaultProjectRole("ann"), "PM");
  rt::Variant names = Texts({"ProjectRole"});
  EXPECT_EQ(user_->GetUserDetails("ann", names)->Item("ProjectRole").AsArray().items.size(), 1u);

  // The chosen role trades places with the first of the roles in code order.
  Seed("bob", {{"ProjectRole", {"PM", "DA", "TB"}}});
  user_->SetDefaultProjectRole("TB", "bob");
  rt::Array bobs = user_->GetUserDetails("bob", names)->Item("ProjectRole").AsArray();
  EXPECT_THAT(
      (std::vector<std::string>{rt::CStr(bobs.At(0)), rt::CStr(bobs.At(1)), rt::CStr(bobs.At(2))}),
      ElementsAre("TB", "PM", "DA"));

  const rt::ErrorRecord error = ErrorOf([&] { user_->SetDefaultProjectRole("TB", "ann"); });
  EXPECT_EQ(error.Number, -2147221400);
  EXPECT_THAT(error.Description, HasSubstr("Project Role Not Present for the User."));
}

TEST_F(UserRolesTest, ProcessesOfARoleAndOfAUser) {
  AddRoles();
  Seed("ann", {{"ProjectRole", {"PM", "TB"}}});
  Seed("bob");
  EXPECT_THAT(Keys(user_->GetBusinessProcessPerRole("PM")),
              ElementsAre("HOURSREGISTRATION", "APPROVAL"));
  EXPECT_THAT(Keys(user_->GetBusinessProcessForUser("ann", std::nullopt)),
              ElementsAre("HOURSREGISTRATION", "APPROVAL", "TEAMBOOKING"));
  EXPECT_THAT(Keys(user_->GetBusinessProcessForUser("ann", rt::Variant("TB"))),
              ElementsAre("TEAMBOOKING"));
  EXPECT_THAT(Keys(user_->GetBusinessProcessForUser("ann", rt::Variant("DA"))), IsEmpty());
  EXPECT_THAT(Keys(user_->GetBusinessProcessForUser("bob", std::nullopt)), IsEmpty());
  EXPECT_FALSE(user_->IsValidBusinessProcessForUser("bob", 2, std::nullopt));
  EXPECT_TRUE(user_->IsValidBusinessProcessForUser("ann", 4, std::nullopt));
  EXPECT_FALSE(user_->IsValidBusinessProcessForUser("ann", 4, rt::Variant("PM")));
}

TEST_F(UserRolesTest, RoleCodesAreTrimmedByTheTestsButNotByTheProcessList) {
  AddRoles();
  EXPECT_TRUE(user_->IsValidBusinessProcess("  PM ", 2));
  EXPECT_FALSE(user_->IsValidBusinessProcess("PM", 4));
  const rt::ErrorRecord error = ErrorOf([&] { user_->GetBusinessProcessPerRole("  PM "); });
  EXPECT_EQ(error.Number, -2147221400);
  EXPECT_EQ(error.Source, "KorvoCommon.User.GetBusinessProcessPerRole");
  EXPECT_EQ(error.Description, "Project Role Not Found");
  EXPECT_THAT(LoggedMethods(), IsEmpty());
}

TEST_F(UserRolesTest, AnInvalidProcessNumberIsRefusedBeforeAnyQuery) {
  rt::ErrorRecord error;
  const auto statements =
      StatementsOf([&] { error = ErrorOf([&] { user_->IsValidBusinessProcess("PM", 8); }); });
  EXPECT_THAT(statements, IsEmpty());
  EXPECT_EQ(error.Number, -2147221398);
  EXPECT_EQ(error.Source, "KorvoCommon.User.ValidateBusinessProcess");
  EXPECT_EQ(error.Description, "Invalid Business Process");
  error = ErrorOf([&] { user_->IsValidBusinessProcess("NONE", 1); });
  EXPECT_EQ(error.Number, -2147221400);
  EXPECT_EQ(error.Description, "Project Role Not Found");
  EXPECT_THAT(LoggedMethods(), IsEmpty());
}

TEST_F(UserRolesTest, UsersOfProcessesAreListedOnceAndPaged) {
  AddRoles();
  Seed("ann", {{"ProjectRole", {"PM", "TB"}}});
  Seed("bob", {{"ProjectRole", {"TB"}}});
  Seed("carl", {{"ProjectRole", {"DA"}}});
  rt::Variant from("");
  std::vector<std::string> statements;
  rt::DictionaryRef users;
  statements = StatementsOf([&] {
    users = user_->GetUsersByBusinessProcess(Texts({"APPROVAL", "TEAMBOOKING"}), from, rt::Variant(1));
  });
  EXPECT_EQ(statements.front(), "SELECT ROLE FROM ROLE WHERE APPROVAL = 1 OR TEAMBOOKING = 1");
  EXPECT_THAT(Keys(users), ElementsAre("ann"));
  EXPECT_EQ(rt::CStr(from), "ann!");
  users = user_->GetUsersByBusinessProcess(Texts({"APPROVAL", "TEAMBOOKING"}), from, std::nullopt);
  EXPECT_THAT(Keys(users), ElementsAre("bob"));
  EXPECT_EQ(rt::CStr(from), "");
  from = rt::Variant("ann");
  EXPECT_EQ(user_->GetUsersByBusinessProcess(Texts({}), from, std::nullopt)->Count(), 0);
  EXPECT_EQ(rt::CStr(from), "");
}

TEST_F(UserRolesTest, ProcessNamesThatAreNoProcessColumnAreRefusedBeforeAnyStatement) {
  rt::Variant from("");
  for (const char* name : {"DESCRIPTION", "1=1 OR APPROVAL", "NOSUCHCOLUMN"}) {
    rt::ErrorRecord error;
    const auto statements = StatementsOf([&] {
      error = ErrorOf([&] {
        user_->GetUsersByBusinessProcess(Texts({"APPROVAL", name}), from, std::nullopt);
      });
    });
    EXPECT_THAT(statements, IsEmpty()) << name;
    EXPECT_EQ(error.Number, rt::errnum::kTypeMismatch) << name;
    EXPECT_THAT(error.Description, HasSubstr(std::string("Invalid identifier: ") + name));
  }
}

class UserListsTest : public UserTest {
 protected:
  void SeedBuyers() {
    for (const char* id : {"carl", "ann", "bob"}) Seed(id, {{"KorvoRole", {"2"}}});
  }
};

TEST_F(UserListsTest, PagesStartAtTheKeyWithoutRegardToCase) {
  SeedBuyers();
  rt::Variant from("");
  EXPECT_THAT(Items(user_->GetAllBuyers(from, rt::Variant(2))), ElementsAre("ann", "bob"));
  EXPECT_EQ(rt::CStr(from), "bob!");
  EXPECT_THAT(Items(user_->GetAllBuyers(from, rt::Variant(2))), ElementsAre("carl"));
  EXPECT_EQ(rt::CStr(from), "");
  from = rt::Variant("BOB!");
  EXPECT_THAT(Items(user_->GetAllBuyers(from, rt::Variant(2))), ElementsAre("carl"));
  from = rt::Variant("b");
  EXPECT_THAT(Items(user_->GetAllBuyers(from, rt::Variant(10))), ElementsAre("bob", "carl"));
  EXPECT_EQ(rt::CStr(from), "");
}

// The directory hands over a page, not the whole role; pages walked with
// keys of any case still list every holder once, and a start or size the
// directory cannot be given is still answered (or refused) as before.
TEST_F(UserListsTest, PagesAreReadFromTheDirectoryAPageAtATime) {
  for (const char* id : {"Dan", "eve", "Fay", "gus", "hal"}) Seed(id, {{"KorvoRole", {"4"}}});
  SeedBuyers();
  std::vector<std::string> walked;
  rt::Variant from("");
  for (int page = 0; page < 10; ++page) {
    for (const std::string& id : Items(user_->GetAllApprovers(from, rt::Variant("2"))))
      walked.push_back(id);
    if (rt::CStr(from).empty()) break;
    from = rt::Variant(rt::UCase(rt::CStr(from)));
  }
  EXPECT_THAT(walked, ElementsAre("Dan", "eve", "Fay", "gus", "hal"));
  from = rt::Variant("FAY!");
  EXPECT_THAT(Items(user_->GetAllApprovers(from, std::nullopt)), ElementsAre("gus", "hal"));
  from = rt::Variant(std::string(2000, 'a'));
  EXPECT_THAT(Items(user_->GetAllApprovers(from, rt::Variant(2))), ElementsAre("Dan", "eve"));
  EXPECT_EQ(rt::CStr(from), "eve!");
  EXPECT_EQ(ErrorOf([&] { user_->GetAllApprovers(from, rt::Variant("two")); }).Number,
            rt::errnum::kTypeMismatch);
  if (!korvo::testing::UsersOnLdap()) {
    from = rt::Variant("e");
    const std::vector<std::string> statements =
        StatementsOf([&] { user_->GetAllApprovers(from, rt::Variant(2)); });
    ASSERT_EQ(statements.size(), 1u);
    EXPECT_THAT(statements[0], HasSubstr("TOP 3 "));
  }
}

TEST_F(UserListsTest, APageSizeOfZeroOrLessGivesAnEmptyPage) {
  SeedBuyers();
  for (int size : {0, -5}) {
    rt::Variant from("ann");
    EXPECT_THAT(Items(user_->GetAllBuyers(from, rt::Variant(size))), IsEmpty());
    EXPECT_EQ(rt::CStr(from), "");
    from = rt::Variant("ann");
    EXPECT_EQ(user_->GetAllInternalUsers(from, rt::Variant(size))->Count(), 0);
    EXPECT_EQ(rt::CStr(from), "");
  }
}

TEST_F(UserListsTest, ListsByTypeRoleAndPartner) {
  Seed("ann", {{"ProjectUserType", {"3"}}, {"ProjectRole", {"PM"}}});
  Seed("bob", {{"ProjectUserType", {"3"}}, {"BusinessPartnerID", {"42"}}, {"KorvoRole", {"6"}}});
  Seed("carl", {{"BusinessPartnerID", {"42"}}});
  rt::Variant from("");
  EXPECT_THAT(Items(user_->GetUsersByUserType(3, from, std::nullopt)), ElementsAre("ann", "bob"));
  EXPECT_THAT(Items(user_->GetUsersByProjectRole("PM", from, std::nullopt)), ElementsAre("ann"));
  EXPECT_THAT(Items(user_->GetAllSuppliersForBP(42)), ElementsAre("bob"));
  EXPECT_THAT(Items(user_->GetAllSuppliers(from, std::nullopt)), ElementsAre("bob"));
}

TEST_F(UserListsTest, InternalUsersLeaveSuppliersOutAndStillFillThePage) {
  Seed("ann", {{"GIVENNAME", {"Ann"}}, {"SURNAME", {"Archer"}}, {"KorvoRole", {"2", "6"}}});
  Seed("bob", {{"GIVENNAME", {"Bob"}}, {"SURNAME", {"Baker"}}, {"KorvoRole", {"2"}}});
  Seed("carl", {{"KorvoRole", {"6"}}});
  Seed("dora", {{"SURNAME", {"Dean"}}});
  Seed("eve");
  rt::Variant from("");
  rt::DictionaryRef page = user_->GetAllInternalUsers(from, rt::Variant(2));
  EXPECT_THAT(Keys(page), ElementsAre("bob", "dora"));
  rt::Array names = page->Item("bob").AsArray();
  EXPECT_EQ(rt::CStr(names.At(0)), "Bob");
  EXPECT_EQ(rt::CStr(names.At(1)), "Baker");
  EXPECT_EQ(rt::CStr(from), "dora!");
  EXPECT_THAT(Keys(user_->GetAllInternalUsers(from, rt::Variant(2))), ElementsAre("eve", "script"));
  EXPECT_EQ(rt::CStr(from), "");
  EXPECT_THAT(Keys(user_->GetAllInternalUsers(from, std::nullopt)),
              ElementsAre("bob", "dora", "eve", "script"));
}

// A user without roles of its own takes its parent's, one level deep; its
// names come from the parent when it has none. A parent that is gone
// gives nothing.
TEST_F(UserListsTest, InternalUsersTakeRolesAndNamesFromTheirParentOneLevelDeep) {
  Seed("corp", {{"GIVENNAME", {"Corp"}}, {"SURNAME", {"Supplies"}}, {"KorvoRole", {"6"}}});
  Seed("ann", {{"Parent", {"corp"}}});
  Seed("bob", {{"Parent", {"CORP"}}, {"KorvoRole", {"2"}}});
  Seed("team", {{"Parent", {"corp"}}, {"GIVENNAME", {"Team"}}});
  Seed("cy", {{"Parent", {"team"}}});
  Seed("old");
  Seed("dan", {{"Parent", {"old"}}, {"SURNAME", {"Dean"}}});
  directory_->DeleteUser("old", "test");
  auto names = [](const rt::DictionaryRef& page, const std::string& id) {
    const rt::Array both = page->Item(id).AsArray();
    return std::vector<std::string>{rt::CStr(both.At(0)), rt::CStr(both.At(1))};
  };
  rt::Variant from("");
  rt::DictionaryRef page = user_->GetAllInternalUsers(from, rt::Variant(3));
  EXPECT_THAT(Keys(page), ElementsAre("bob", "cy", "dan"));
  EXPECT_THAT(names(page, "bob"), ElementsAre("Corp", "Supplies"));
  EXPECT_THAT(names(page, "cy"), ElementsAre("Team", ""));
  EXPECT_THAT(names(page, "dan"), ElementsAre("", "Dean"));
  EXPECT_EQ(rt::CStr(from), "dan!");
  EXPECT_THAT(Keys(user_->GetAllInternalUsers(from, rt::Variant(3))), ElementsAre("script"));
  EXPECT_EQ(rt::CStr(from), "");
}

TEST_F(UserListsTest, InternalUsersNeedTheScriptAccountsPassword) {
  Seed("ann");
  korvex::ConfigurationOverrides::Set("MEMBERSHIP", "MemScriptCode", "wrong-Pa55");
  rt::Variant from("");
  const rt::ErrorRecord error = ErrorOf([&] { user_->GetAllInternalUsers(from, rt::Variant(2)); });
  EXPECT_EQ(error.Number, contracts::membership_error::kInvalidCredentials);
  EXPECT_EQ(error.Source, "KorvoMembership.User");
  EXPECT_THAT(LoggedMethods(), ElementsAre("KorvoCommon.User.GetAllInternalUsers"));
  // Past the directory's end no user is bound, so nothing fails.
  from = rt::Variant("zz");
  EXPECT_EQ(user_->GetAllInternalUsers(from, rt::Variant(2))->Count(), 0);
  EXPECT_EQ(rt::CStr(from), "");
}

// The users of a directory page, and the parents they name, are read
// together: a page costs the same few statements whatever its size.
TEST_F(UserListsTest, AnInternalUsersPageCostsAFewStatementsWhateverItsSize) {
  if (korvo::testing::UsersOnLdap()) GTEST_SKIP() << "counts the embedded directory's statements";
  Seed("boss1", {{"GIVENNAME", {"Boss"}}});
  Seed("boss2", {{"SURNAME", {"Second"}}});
  for (int i = 0; i < 60; ++i) {
    const std::string number = (i < 10 ? "0" : "") + std::to_string(i);
    Seed("u" + number, {{"Parent", {i % 2 == 0 ? "boss1" : "boss2"}}});
  }
  std::map<int, std::size_t> statements;
  for (int size : {10, 50}) {
    membership::CredentialCache::Process().Clear();
    rt::Variant from("");
    rt::DictionaryRef page;
    statements[size] =
        StatementsOf([&] { page = user_->GetAllInternalUsers(from, rt::Variant(size)); }).size();
    ASSERT_EQ(page->Count(), size);
    EXPECT_EQ(rt::CStr(page->Item("u01").AsArray().At(1)), "Second");
  }
  // The search, the script account's password, the page's users, their parents.
  EXPECT_EQ(statements[50], 4u);
  EXPECT_EQ(statements[10], statements[50]);
}

}  // namespace
}  // namespace korvo::common::user_testing
