// The directory user: typed properties, attribute values and their order,
// inheritance from a parent entry, writes and the rights they need.
#include "directory_fixture.h"

namespace korvo::membership::testing {
namespace {

using UserTest = DirectoryTest;

TEST_P(UserTest, TypedPropertiesReadTheirKinds) {
  Seed("ann", {{"LOCALE", {"1043"}},
               {"SURNAME", {"Jansen"}},
               {"GIVENNAME", {"Ann"}},
               {"ADDRESSID", {"77"}},
               {"BUYERROLE", {"TRUE"}},
               {"SPENDLIMIT", {"250.5"}},
               {"ProjectUserType", {"3"}},
               {"BusinessPartnerID", {"12"}},
               {"BillToBusinessPartnerID", {"13"}},
               {"KORVOU_USERID", {"boss"}},
               {"USERCREDITCARDEXPIRY", {"2027-05-31"}},
               {"OUTOFOFFICEON", {"FALSE"}}});
  auto ann = BoundAsScript("ann");
  EXPECT_EQ(ann->UserID(), "ann");
  EXPECT_EQ(ann->Locale(), 1043);
  EXPECT_EQ(ann->Surname(), "Jansen");
  EXPECT_EQ(ann->GivenName(), "Ann");
  EXPECT_EQ(ann->AddressID(), 77);
  EXPECT_TRUE(ann->BuyerRole());
  EXPECT_EQ(ann->SpendLimit(), rt::Money::FromUnits(2505000));
  EXPECT_EQ(ann->ProjectUserType(), 3);
  EXPECT_EQ(ann->BusinessPartnerID(), 12);
  EXPECT_EQ(ann->BillToBusinessPartnerID(), 13);
  EXPECT_EQ(ann->RequisitionerManager(), "boss");
  EXPECT_EQ(rt::FormatDate(ann->CreditCardExpiry()), "2027-05-31");
  EXPECT_FALSE(ann->OutOfOfficeOn());
  // Through the late-bound interface the kinds are kept.
  auto object = std::dynamic_pointer_cast<rt::Object>(ann);
  std::vector<rt::Variant> none;
  EXPECT_EQ(object->Invoke("locale", rt::InvokeKind::PropertyGet, none).Type(), rt::VarType::Integer);
  EXPECT_EQ(object->Invoke("SpendLimit", rt::InvokeKind::PropertyGet, none).Type(),
            rt::VarType::Currency);
}

TEST_P(UserTest, UnsetAttributesReadAsTheirKindsEmptyValue) {
  Seed("bare", {});
  auto bare = BoundAsScript("bare");
  EXPECT_EQ(bare->Locale(), 0);
  EXPECT_EQ(bare->Language(), "");
  EXPECT_EQ(bare->AddressID(), 0);
  EXPECT_FALSE(bare->ApproverRole());
  EXPECT_EQ(bare->ApproverLimit(), rt::Money{});
  EXPECT_EQ(bare->CreditCardExpiry(), rt::Date{});
  EXPECT_EQ(bare->DefaultURL(17), "");
  const rt::Array unset = bare->GetAttribute("COSTCENTER");
  ASSERT_EQ(unset.items.size(), 1u);
  EXPECT_TRUE(unset.items[0].IsEmpty());
  EXPECT_TRUE(bare->RoleCodes().items[0].IsEmpty());
  EXPECT_TRUE(bare->ProjectRoles().items[0].IsEmpty());
  EXPECT_TRUE(bare->FallbackValues().items[0].IsEmpty());
  EXPECT_EQ(bare->Parent(), nullptr);
}

TEST_P(UserTest, MultipleValuesKeepTheirOrderAndNamesIgnoreCase) {
  Seed("ann", {{"KorvoCatalogIDs", {"9", "1", "5"}}, {"KorvoRole", {"4", "2"}}});
  auto ann = BoundAsScript("ann");
  const rt::Array catalogs = ann->GetAttribute("KORVOCATALOGIDS");
  ASSERT_EQ(catalogs.items.size(), 3u);
  EXPECT_EQ(rt::CStr(catalogs.items[0]), "9");
  EXPECT_EQ(rt::CStr(catalogs.items[2]), "5");
  const rt::Array roles = ann->RoleCodes();
  ASSERT_EQ(roles.items.size(), 2u);
  EXPECT_EQ(roles.items[0].Type(), rt::VarType::Integer);  // role codes compare as numbers
  EXPECT_EQ(roles.items[0].AsInteger(), 4);
  EXPECT_EQ(roles.items[1].AsInteger(), 2);
}

TEST_P(UserTest, AUserInheritsTypedValuesFromItsParentButNotItsOwnAttributes) {
  Seed("template",
       {{"LOCALE", {"1031"}}, {"KorvoRole", {"2"}}, {"DefaultURL", {"17=/buy"}}, {"EMAIL", {"t@x"}}});
  Seed("child", {{"Parent", {"template"}}, {"EMAIL", {"c@x"}}});
  auto child = BoundAsScript("child");
  EXPECT_EQ(child->Locale(), 1031);  // inherited
  EXPECT_EQ(child->Email(), "c@x");  // its own wins
  EXPECT_EQ(child->DefaultURL(17), "/buy");
  EXPECT_TRUE(child->RoleCodes().items[0].IsEmpty());  // callers ask the parent themselves
  auto parent = std::dynamic_pointer_cast<contracts::MembershipEntry>(child->Parent());
  ASSERT_NE(parent, nullptr);
  EXPECT_EQ(parent->RoleCodes().items[0].AsInteger(), 2);
  EXPECT_EQ(rt::CStr(parent->GetAttribute("locale").items[0]), "1031");

  directory_->DeleteUser("template", "test");
  EXPECT_EQ(BoundAsScript("child")->Parent(), nullptr);
  EXPECT_EQ(BoundAsScript("child")->Locale(), 0);
}

TEST_P(UserTest, DefaultUrlPrefersTheApplicationsOwnEntry) {
  Seed("ann", {{"DefaultURL", {"/home", "17=/procure", "3=/sell"}}});
  auto ann = BoundAsScript("ann");
  EXPECT_EQ(ann->DefaultURL(17), "/procure");
  EXPECT_EQ(ann->DefaultURL(3), "/sell");
  EXPECT_EQ(ann->DefaultURL(5), "/home");
}

TEST_P(UserTest, ProjectRolesAreWrittenInTheGivenOrderByTheUserItself) {
  Seed("ann", {{"ProjectRole", {"PM", "DEV", "QA"}}});
  auto ann = Bound("ann");
  ann->SetProjectRoles(rt::Array({rt::Variant("QA"), rt::Variant("PM"), rt::Variant("DEV")}));
  const rt::Array roles = BoundAsScript("ann")->ProjectRoles();  // read back from the directory
  ASSERT_EQ(roles.items.size(), 3u);
  EXPECT_EQ(rt::CStr(roles.items[0]), "QA");
  EXPECT_EQ(rt::CStr(roles.items[1]), "PM");
  EXPECT_EQ(rt::CStr(roles.items[2]), "DEV");
  EXPECT_EQ(Search({"ProjectRole=qa"}), std::vector<std::string>{"ann"});

  ann->SetProjectRoles(rt::Array());
  EXPECT_TRUE(BoundAsScript("ann")->ProjectRoles().items[0].IsEmpty());
  EXPECT_TRUE(Search({"ProjectRole=QA"}).empty());
}

TEST_P(UserTest, WritingAnotherUserNeedsTheWriterRight) {
  Seed("ann", {{"ProjectRole", {"PM"}}});
  Seed("bob", {});
  auto annAsBob = Bound("ann", "bob");
  EXPECT_EQ(ErrorOf([&] { annAsBob->SetProjectRoles(rt::Array({rt::Variant("X")})); }).Number,
            err::kAccessDenied);
  EXPECT_EQ(ErrorOf([&] { annAsBob->SetCompanyNumber("C1"); }).Number, err::kAccessDenied);
  EXPECT_EQ(ErrorOf([&] { Bound("ann")->SetCompanyNumber("C1"); }).Number, err::kAccessDenied);
  EXPECT_EQ(rt::CStr(BoundAsScript("ann")->ProjectRoles().items[0]), "PM");

  directory_->Backend().SetWriterRight("bob", true);
  annAsBob->SetCompanyNumber("C1");
  EXPECT_EQ(BoundAsScript("ann")->CompanyNumber(), "C1");
  BoundAsScript("ann")->SetCompanyNumber("");
  EXPECT_EQ(BoundAsScript("ann")->CompanyNumber(), "");
}

TEST_P(UserTest, PropertiesBeforeBindFail) {
  auto user = NewUser();
  EXPECT_EQ(ErrorOf([&] { user->UserID(); }).Number, err::kNotBound);
  EXPECT_EQ(ErrorOf([&] { user->GetAttribute("LOCALE"); }).Number, err::kNotBound);
}

// Binding a page's users at once binds each as Bind would: entries in
// their stored case, values inherited from a parent read with them, the
// bound account's rights; an ID the batch cannot read is left to Bind.
TEST_P(UserTest, APagesUsersAreBoundAsBindBindsEach) {
  Seed("template", {{"GIVENNAME", {"Tem"}}, {"KorvoRole", {"2"}}});
  Seed("ann", {{"Parent", {"TEMPLATE"}}, {"SURNAME", {"Archer"}}});
  Seed("Bob", {{"SURNAME", {"Baker"}}, {"Parent", {"gone"}}});
  Seed("cy", {{"Parent", {"ann"}}});
  auto users =
      NewMembers()->BindUsers({"ann", "BOB", "nobody", " ann", "cy"}, "script", kScriptPassword);
  ASSERT_EQ(users.size(), 5u);
  ASSERT_NE(users[0], nullptr);
  EXPECT_EQ(users[0]->UserID(), "ann");
  EXPECT_EQ(users[0]->GivenName(), "Tem");
  EXPECT_EQ(users[0]->Surname(), "Archer");
  EXPECT_TRUE(users[0]->RoleCodes().items[0].IsEmpty());
  auto parent = std::dynamic_pointer_cast<contracts::MembershipEntry>(users[0]->Parent());
  ASSERT_NE(parent, nullptr);
  EXPECT_EQ(parent->RoleCodes().items[0].AsInteger(), 2);
  ASSERT_NE(users[1], nullptr);
  EXPECT_EQ(users[1]->UserID(), "Bob");
  EXPECT_EQ(users[1]->Surname(), "Baker");
  EXPECT_EQ(users[1]->Parent(), nullptr);
  EXPECT_EQ(users[2], nullptr);
  EXPECT_EQ(users[3], nullptr);
  ASSERT_NE(users[4], nullptr);
  EXPECT_EQ(users[4]->Surname(), "Archer");  // its parent's own, one level only
  EXPECT_EQ(users[4]->GivenName(), "");
  users[4]->SetCompanyNumber("C9");  // the script account writes
  EXPECT_EQ(BoundAsScript("cy")->CompanyNumber(), "C9");
  EXPECT_EQ(ErrorOf([&] {
              NewMembers()->BindUsers({"ann"}, "ann", kUserPassword)[0]->SetCompanyNumber("C1");
            }).Number,
            err::kAccessDenied);
}

TEST_P(UserTest, BindingAPageNeedsTheAccountsPasswordOnlyWhenItHasUsers) {
  Seed("ann", {});
  const rt::ErrorRecord error =
      ErrorOf([&] { NewMembers()->BindUsers({"ann"}, "script", "wrong-Pa55"); });
  EXPECT_EQ(error.Number, err::kInvalidCredentials);
  EXPECT_EQ(error.Source, "KorvoMembership.User");
  EXPECT_EQ(ErrorOf([&] { NewMembers()->BindUsers({"ann"}, "", kScriptPassword); }).Number,
            err::kInvalidCredentials);
  EXPECT_TRUE(NewMembers()->BindUsers({}, "script", "wrong-Pa55").empty());
}

INSTANTIATE_TEST_SUITE_P(Backends, UserTest, ::testing::Values("embedded", "ldap"));

}  // namespace
}  // namespace korvo::membership::testing
