// TUser's writes to the membership directory (company number, default
// project role, new and deleted users), the business partners a user may
// see, and the directory keys of IReferentialIntegrity, on the embedded
// directory of the test database.
#include "tuser_fixture.h"
#include "user_fixture.h"

namespace korvo::common::testing {
namespace {

using user_testing::Attributes;

constexpr std::int32_t kProjectRoleNotPresent = static_cast<std::int32_t>(0x80040068u);

class TUserDirectoryTest : public user_testing::UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    tuser_ = std::dynamic_pointer_cast<TUser>(host::CreateObject("KorvoCommon.TUser"));
  }
  void TearDown() override {
    tuser_.reset();
    UserTest::TearDown();
  }

  // The stored values of a directory user's attribute.
  std::vector<std::string> Stored(const std::string& userId, const std::string& attribute) {
    const auto entry = directory_->Backend().Load(userId);
    if (!entry) return {"<no user>"};
    for (const auto& stored : entry->attributes) {
      if (rt::TextEqualsNoCase(stored.name, attribute)) return stored.values;
    }
    return {};
  }

  bool Exists(const std::string& origin, std::vector<rt::Variant> names,
              std::vector<rt::Variant> values) {
    rt::Variant keys = Texts(std::move(names)), items = Texts(std::move(values));
    return tuser_->IReferentialIntegrity_Exists(origin, keys, items);
  }

  std::int32_t PartnersOf(const std::string& userId) {
    auto connection =
        std::dynamic_pointer_cast<contracts::Connection>(host::CreateObject("ADODB.Connection"));
    connection->Open(database_.ConnectionString());
    const std::int32_t count =
        rt::CLng(connection->Execute("SELECT COUNT(*) FROM BPSPERUSER WHERE USERID='" + userId + "'")
                     ->Value(std::int32_t{0}));
    connection->Close();
    return count;
  }

  std::shared_ptr<TUser> tuser_;
};

TEST_F(TUserDirectoryTest, TheDefaultRoleChangesPlacesWithTheFirst) {
  for (const char* role : {"A", "B", "C"}) {
    Execute(std::string("INSERT INTO ROLE (ROLE, DESCRIPTION) VALUES ('") + role + "', 'Role " + role +
            "')");
  }
  Seed("ann", Attributes{{"ProjectRole", {"B", "A", "C", "GONE"}}});
  tuser_->SetDefaultProjectRole("C", "ann");
  EXPECT_EQ(Stored("ann", "ProjectRole"), (std::vector<std::string>{"C", "B", "A"}));

  const rt::ErrorRecord error = ErrorOf([&] { tuser_->SetDefaultProjectRole("GONE", "ann"); });
  EXPECT_EQ(error.Number, kProjectRoleNotPresent);
  EXPECT_NE(error.Description.find(" DESC: Project Role Not Present for the User.."), std::string::npos);
  EXPECT_EQ(LoggedMethods().back(), "KorvoCommon.TUser.SetDefaultProjectRole");
}

TEST_F(TUserDirectoryTest, TheCompanyNumberIsStoredForTheUser) {
  Seed("ann");
  tuser_->SetCompanyNumber("C-042", "ann");
  EXPECT_EQ(Stored("ann", "CompanyNumber"), std::vector<std::string>{"C-042"});
}

TEST_F(TUserDirectoryTest, AUserIsCreatedWithItsAttributesOnce) {
  rt::Variant names = user_testing::Texts({"SURNAME", "EmployeeNumber"});
  rt::Variant values = user_testing::Texts({"Smith", "E7"});
  const rt::ObjectRef created = tuser_->CreateUserWithAttributes("bob", "bob-Pa55", names, values);
  ASSERT_NE(std::dynamic_pointer_cast<contracts::MembershipUser>(created), nullptr);
  EXPECT_EQ(Stored("bob", "SURNAME"), std::vector<std::string>{"Smith"});

  const rt::ErrorRecord error =
      ErrorOf([&] { tuser_->CreateUserWithAttributes("BOB", "bob-Pa55", names, values); });
  EXPECT_EQ(error.Number, contracts::membership_error::kUserExists);
  EXPECT_EQ(error.Description.find("bob-Pa55"), std::string::npos);
  EXPECT_EQ(LoggedMethods().back(), "KorvoCommon.TUser.CreateUserWithAttributes");
}

TEST_F(TUserDirectoryTest, AScriptDeleteRemovesTheUserWithItsPartnersOrSaysItCouldNot) {
  Seed("ann");
  rt::Variant partners = Texts({std::int32_t{1}});
  tuser_->InsertBPSPerUser("ann", partners, false);
  tuser_->InsertBPSPerUser("bob", partners, false);
  rt::Variant keys = user_testing::Texts({"userid"}), values = user_testing::Texts({"ann"});
  EXPECT_TRUE(Messages(tuser_->DeleteFromScript("USER", keys, values)).empty());
  EXPECT_EQ(Stored("ann", "SURNAME"), std::vector<std::string>{"<no user>"});
  EXPECT_EQ(PartnersOf("ann"), 0);
  EXPECT_EQ(PartnersOf("bob"), 1);
  // A delete the directory refuses keeps the user's partners, called as a
  // caller calls it: the rule's own commit vote is the one that counts.
  tuser_->InsertBPSPerUser("ann", partners, false);
  LoggedMethods();
  rt::Variant args[] = {rt::Variant("USER"), keys, values};
  EXPECT_EQ(Messages(tuser_->Invoke("DeleteFromScript", rt::InvokeKind::Method, args).AsObject()),
            std::vector<std::string>{"SLBBR1020"});
  EXPECT_EQ(LoggedMethods(), std::vector<std::string>{"KorvoCommon.TUser.Delete"});
  EXPECT_EQ(PartnersOf("ann"), 1);
}

TEST_F(TUserDirectoryTest, TheBusinessPartnersOfAUserAreReplacedOrCleared) {
  rt::Variant partners = Texts({std::int32_t{1}, "2"});
  EXPECT_TRUE(tuser_->InsertBPSPerUser("O'Neil", partners, false));
  EXPECT_EQ(PartnersOf("O''Neil"), 2);
  rt::Variant none = Texts({});
  EXPECT_TRUE(tuser_->InsertBPSPerUser("O'Neil", none, true));
  EXPECT_EQ(PartnersOf("O''Neil"), 0);

  rt::Variant hostile = Texts({"1'); DELETE FROM OFFICE; --"});
  EXPECT_EQ(ErrorOf([&] { tuser_->InsertBPSPerUser("ann", hostile, false); }).Number,
            rt::errnum::kTypeMismatch);
  EXPECT_EQ(LoggedMethods().back(), "KorvoCommon.TUser.InsertBPSPerUser");
  EXPECT_EQ(PartnersOf("ann"), 0);
}

TEST_F(TUserDirectoryTest, UsersRolesAndEmployeesAreLookedForInTheDirectory) {
  Seed("ann", Attributes{{"KorvoRole", {"2"}},
                         {"ProjectRole", {"PM"}},
                         {"EmployeeNumber", {"E1"}},
                         {"PropertyGroupID", {"9"}}});
  Seed("sam", Attributes{{"KorvoRole", {"6"}}});
  EXPECT_TRUE(Exists("USER", {"USERID"}, {"ANN"}));
  EXPECT_FALSE(Exists("USER", {"USERID"}, {"an*"}));
  EXPECT_FALSE(Exists("USER", {"USERID"}, {rt::Variant::Null()}));
  EXPECT_TRUE(Exists("ORDER", {"BUYERID"}, {"ann"}));
  EXPECT_FALSE(Exists("ORDER", {"BUYERID"}, {"sam"}));
  EXPECT_TRUE(Exists("ORDER", {"SUPPLIERID"}, {"sam"}));
  EXPECT_TRUE(Exists("ORDER", {"EMPLOYEEID"}, {"E1"}));
  EXPECT_TRUE(Exists("ORDER", {"PROPERTYGROUPID"}, {std::int32_t{9}}));
  EXPECT_FALSE(Exists("ORDER", {"PROPERTYGROUPID"}, {std::int32_t{8}}));
  EXPECT_TRUE(Exists("ORDER", {"NAME", "ROLE"}, {"nobody", "PM"}));
  EXPECT_FALSE(Exists("ORDER", {"NAME", "ROLE"}, {"PM", "QA"}));
}

}  // namespace
}  // namespace korvo::common::testing
