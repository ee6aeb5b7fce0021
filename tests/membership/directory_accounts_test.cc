// Binding with an account, creating and deleting users, and directory
// writes joining the host transaction.
#include "directory_fixture.h"

namespace korvo::membership::testing {
namespace {

using AccountTest = DirectoryTest;

TEST_P(AccountTest, AWrongPasswordAndAnUnknownAccountFailAlike) {
  Seed("ann", {});
  const rt::ErrorRecord wrong = ErrorOf([&] { NewUser()->Bind("ann", "ann", "not-her-Pa55"); });
  const rt::ErrorRecord unknown = ErrorOf([&] { NewUser()->Bind("ann", "nobody", kUserPassword); });
  const rt::ErrorRecord empty = ErrorOf([&] { NewUser()->Bind("ann", "ann", ""); });
  for (const auto& error : {wrong, unknown, empty}) {
    EXPECT_EQ(error.Number, err::kInvalidCredentials);
    EXPECT_EQ(error.Description, "Invalid account or password");
    EXPECT_EQ(error.Source, "KorvoMembership.User");
  }
  EXPECT_FALSE(Contains(wrong.Description, "not-her-Pa55"));
  EXPECT_TRUE(korvex::LogRecorder::Drain().empty());
}

TEST_P(AccountTest, AnyAccountMayReadAnyUserButOnlyAnExistingOne) {
  Seed("ann", {{"EMAIL", {"ann@example.com"}}});
  Seed("bob", {});
  EXPECT_EQ(Bound("ann", "BOB")->Email(), "ann@example.com");  // accounts ignore case
  EXPECT_EQ(Bound("ANN", "bob")->UserID(), "ann");             // the stored spelling
  EXPECT_EQ(ErrorOf([&] { Bound("carl", "bob"); }).Number, err::kUserNotFound);
  EXPECT_EQ(ErrorOf([&] { Bound("", "bob"); }).Number, err::kInvalidUserID);
}

TEST_P(AccountTest, APasswordChangeOrDeleteEndsTheRememberedBind) {
  Seed("ann", {});
  Bound("ann");  // verified and remembered
  Bound("ann");  // answered from the cache
  directory_->SetPassword("ann", "new-Pa55", "test");
  EXPECT_EQ(ErrorOf([&] { Bound("ann"); }).Number, err::kInvalidCredentials);
  EXPECT_EQ(Bound("ann", "ann", "new-Pa55")->UserID(), "ann");
  directory_->DeleteUser("ann", "test");
  EXPECT_EQ(ErrorOf([&] { Bound("ann", "ann", "new-Pa55"); }).Number, err::kInvalidCredentials);
}

TEST_P(AccountTest, TheScriptAccountCreatesAndDeletesUsers) {
  auto members = NewMembers();
  auto created = members->CreateUser(
      "NewUser", kUserPassword, TextArray({"SURNAME", "KorvoRole", "SPENDLIMIT"}),
      rt::Variant(rt::Array({rt::Variant("Smith"),
                             rt::Variant(rt::Array({rt::Variant(std::int16_t{2}), rt::Variant("4")})),
                             rt::Variant(250.0)})));
  auto user = std::dynamic_pointer_cast<contracts::MembershipUser>(created);
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(user->UserID(), "NewUser");
  EXPECT_EQ(user->Surname(), "Smith");
  EXPECT_EQ(user->SpendLimit(), rt::Money::FromUnits(2500000));
  EXPECT_EQ(Bound("newuser")->RoleCodes().items[1].AsInteger(), 4);

  EXPECT_EQ(ErrorOf([&] { members->CreateUser("NEWUSER", kUserPassword, {}, {}); }).Number,
            err::kUserExists);
  members->DeleteUser("newUser");
  EXPECT_EQ(ErrorOf([&] { BoundAsScript("NewUser"); }).Number, err::kUserNotFound);
  EXPECT_EQ(ErrorOf([&] { members->DeleteUser("NewUser"); }).Number, err::kUserNotFound);
}

TEST_P(AccountTest, CreateUserRefusesWhatItCannotStoreAndWritesNothing) {
  auto members = NewMembers();
  auto create = [&](const std::string& id, std::vector<std::string> names,
                    std::vector<rt::Variant> values, const std::string& password = kUserPassword) {
    return ErrorOf([&] {
             members->CreateUser(id, password, TextArray(names), rt::Variant(rt::Array(values)));
           })
        .Number;
  };
  EXPECT_EQ(create("u1", {"ADDRESSID"}, {rt::Variant("twelve")}), err::kInvalidAttribute);
  EXPECT_EQ(create("u1", {"LOCALE"}, {rt::Variant(std::int32_t{70000})}), err::kInvalidAttribute);
  EXPECT_EQ(create("u1", {"bad name"}, {rt::Variant("x")}), err::kInvalidAttribute);
  EXPECT_EQ(create("u1", {"A", "a"}, {rt::Variant("x"), rt::Variant("y")}), err::kInvalidAttribute);
  EXPECT_EQ(create("u1", {"A", "B"}, {rt::Variant("x")}), err::kInvalidAttribute);
  EXPECT_EQ(create("u1", {"A"}, {rt::Variant(std::string(2000, 'x'))}), err::kInvalidAttribute);
  EXPECT_EQ(create("u1", {"A"}, {rt::Variant(std::string("a\0b", 3))}), err::kInvalidAttribute);
  EXPECT_EQ(create("u1", {}, {}, ""), err::kInvalidAttribute);
  EXPECT_EQ(create(" u1", {}, {}), err::kInvalidUserID);
  EXPECT_EQ(create("u\t1", {}, {}), err::kInvalidUserID);
  EXPECT_EQ(create(std::string(300, 'u'), {}, {}), err::kInvalidUserID);
  EXPECT_TRUE(Search({"UserID>="}) == std::vector<std::string>{"script"});
}

TEST_P(AccountTest, WritesNeedAWriterAccountFromTheSession) {
  Seed("ann", {});
  Seed("clerk", {});
  auto session = rt::Dictionary::Create();
  session->Set(rt::Variant("REMOTE_ACCOUNT"), rt::Variant("clerk"));
  session->Set(rt::Variant("REMOTE_PASSWORD"), rt::Variant(kUserPassword));
  {
    host::HostScope scope({true, nullptr, session});
    auto members = NewMembers();
    EXPECT_EQ(ErrorOf([&] { members->DeleteUser("ann"); }).Number, err::kAccessDenied);
    directory_->Backend().SetWriterRight("clerk", true);
    members->DeleteUser("ann");
    scope.End();
  }
  EXPECT_EQ(ErrorOf([&] { BoundAsScript("ann"); }).Number, err::kUserNotFound);
}

TEST_P(AccountTest, AnAbortedTransactionLeavesTheDirectoryAsItWas) {
  Seed("ann", {{"CompanyNumber", {"C1"}}});
  {
    host::HostScope scope;
    auto members = NewMembers();
    members->CreateUser("bob", kUserPassword, {}, {});
    BoundAsScript("ann")->SetCompanyNumber("C2");
    members->DeleteUser("script");
    scope.End(/*abort=*/true);
  }
  EXPECT_EQ(Search({}), (std::vector<std::string>{"ann", "script"}));
  EXPECT_EQ(BoundAsScript("ann")->CompanyNumber(), "C1");

  {
    host::HostScope scope;
    NewMembers()->CreateUser("bob", kUserPassword, {}, {});
    scope.End();
  }
  EXPECT_EQ(Bound("bob")->UserID(), "bob");
}

INSTANTIATE_TEST_SUITE_P(Backends, AccountTest, ::testing::Values("embedded", "ldap"));

}  // namespace
}  // namespace korvo::membership::testing
