// A user's attributes: the directory's value, its empty marker and default,
// the office fallback, the irregular getters, the named attributes and the
// one bind per user.
#include <gmock/gmock.h>

#include "user_fixture.h"

namespace korvo::common::user_testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST_F(UserTest, LimitsReadZeroAsNoLimitAndKeepOthers) {
  Seed("ann", {{"SPENDLIMIT", {"0"}}, {"APPROVERLIMIT", {"250"}}});
  EXPECT_EQ(user_->GetSpendLimit("ann"), -1);
  EXPECT_EQ(user_->GetApproverLimit("ann"), 250);
  EXPECT_EQ(user_->GetBuyerContractLimit("ann"), -1);
}

TEST_F(UserTest, LocaleZeroIsKeptAndAnUnsetLanguageIs1033) {
  Seed("ann", {{"LOCALE", {"0"}}});
  Seed("bob", {{"LOCALE", {"1043"}}, {"LANGUAGE", {"1036"}}});
  EXPECT_EQ(user_->GetUserLocale("ann"), 0);
  EXPECT_EQ(user_->GetUserLanguage("ann"), 1033);
  EXPECT_EQ(user_->GetUserLocale("bob"), 1043);
  EXPECT_EQ(user_->GetUserLanguage("bob"), 1036);
}

TEST_F(UserTest, AddressFallsBackToTheFallbackValueThenTheOfficeThenMinusOne) {
  AddOffice("Head office", 1, "77");
  AddOffice("Branch", 1, "NULL");
  Seed("own", {{"ADDRESSID", {"5"}}, {"ADMINOFFICE", {"Head office"}}});
  Seed("fallback", {{"FallbackValues", {"12"}}, {"ADMINOFFICE", {"Head office"}}});
  Seed("office", {{"ADMINOFFICE", {"Head office"}}});
  Seed("nulloffice", {{"ADMINOFFICE", {"Branch"}}});
  Seed("nooffice");
  EXPECT_EQ(user_->GetAddressID("own"), 5);
  EXPECT_EQ(user_->GetAddressID("fallback"), 12);
  EXPECT_EQ(user_->GetAddressID("office"), 77);
  EXPECT_EQ(user_->GetAddressID("nulloffice"), -1);
  EXPECT_EQ(user_->GetAddressID("nooffice"), -1);
}

TEST_F(UserTest, AnOfficeWithoutARowGivesMinusOneAndNoPropertyGroup) {
  Seed("ann", {{"ADMINOFFICE", {"Nowhere"}}});
  EXPECT_EQ(user_->GetAddressID("ann"), -1);
  EXPECT_EQ(user_->GetPropertyGroup("ann"), 0);
  EXPECT_EQ(user_->GetCurrencyCode("ann"), "");
}

TEST_F(UserTest, SubstitutesDefaultToTheUserAndToNobody) {
  Seed("ann");
  Seed("bob", {{"OUTOFFICEAPPROVER", {"carl"}}, {"SUBSTITUTEBUYER", {"dora"}}});
  EXPECT_EQ(user_->GetSubstituteApprover("ann"), "ann");
  EXPECT_EQ(user_->GetSubstituteBuyer("ann"), "");
  EXPECT_EQ(user_->GetSubstituteApprover("bob"), "carl");
  EXPECT_EQ(user_->GetSubstituteBuyer("bob"), "dora");
}

TEST_F(UserTest, CreditCardTypeComesFromTheUserElseTheOffice) {
  AddOffice("Typed", 1, "1", "2");
  AddOffice("Untyped", 1, "1");
  Seed("own", {{"CreditCardType", {"1"}}, {"ADMINOFFICE", {"Typed"}}});
  Seed("typed", {{"ADMINOFFICE", {"Typed"}}});
  Seed("untyped", {{"ADMINOFFICE", {"Untyped"}}});
  Seed("nooffice");
  EXPECT_EQ(user_->GetCreditCardType("own"), user::MasterCard);
  EXPECT_EQ(user_->GetCreditCardType("typed"), user::Amex);
  EXPECT_EQ(user_->GetCreditCardType("untyped"), -1);
  EXPECT_EQ(user_->GetCreditCardType("nooffice"), 5);
}

TEST_F(UserTest, CreditCardExpiryIsNullWithoutUserOrOfficeDate) {
  AddOffice("Head office", 1, "1");
  Seed("ann", {{"USERCREDITCARDEXPIRY", {"2027-05-31"}}});
  Seed("bob", {{"ADMINOFFICE", {"Head office"}}});
  Seed("carl");
  EXPECT_EQ(rt::CDate(user_->GetNullCreditCardExpiry("ann")), rt::CDate(rt::Variant("2027-05-31")));
  EXPECT_TRUE(user_->GetNullCreditCardExpiry("bob").IsNull());
  EXPECT_TRUE(user_->GetNullCreditCardExpiry("carl").IsNull());
}

TEST_F(UserTest, CostCenterIsTheUsersWhenItIsACostCenterElseTheOffices) {
  Execute("INSERT INTO WORKCENTER VALUES ('WC1', 1, 'Assembly', 1)");
  Execute("INSERT INTO WORKCENTER VALUES ('WC2', 1, 'Paint', 0)");
  AddOffice("Head office", 1, "1", "NULL", "'WC2'");
  Seed("ann", {{"COSTCENTER", {"WC1"}}, {"ADMINOFFICE", {"Head office"}}});
  Seed("bob", {{"COSTCENTER", {"WC2"}}, {"ADMINOFFICE", {"Head office"}}});
  Seed("carl", {{"COSTCENTER", {"WC1"}}});
  EXPECT_EQ(user_->GetCostCenter("ann"), "WC1");
  EXPECT_EQ(user_->GetCostCenter("bob"), "WC2");
  EXPECT_EQ(user_->GetCostCenter("carl"), "WC1");
  // An unknown user fails to bind: no cost centre, and nothing raised.
  EXPECT_EQ(user_->GetCostCenter("nobody"), "");
}

TEST_F(UserTest, DefaultUrlIsTheProcurementApplicationsWhateverIsAsked) {
  Seed("ann", {{"DefaultURL", {"3=/other", "17=/procurement"}}});
  EXPECT_EQ(user_->GetDefaultURL(3, "ann"), "/procurement");
}

TEST_F(UserTest, OneBindServesConsecutiveCallsOnOneUserAndAnotherUserRebinds) {
  Seed("ann", {{"EMAIL", {"ann@example.com"}}});
  Seed("bob", {{"EMAIL", {"bob@example.com"}}});
  EXPECT_EQ(user_->GetEmailAddress("ann"), "ann@example.com");
  // A bind now fails: the answers below come from the bound object.
  SetSessionPassword("wrong");
  EXPECT_EQ(user_->GetUsername("ann"), "");
  EXPECT_EQ(user_->GetEmailAddress("ann"), "ann@example.com");
  const rt::ErrorRecord error = ErrorOf([&] { user_->GetEmailAddress("bob"); });
  EXPECT_EQ(error.Number, contracts::membership_error::kInvalidCredentials);
  EXPECT_THAT(LoggedMethods(), ElementsAre("Lib_UserLib.UL_CreateUO", "Utility.GetAUObject"));
}

TEST_F(UserTest, UserDetailsInheritFromTheParentEntryAndClearTheNoneMarker) {
  Seed("template", {{"LOCALE", {"1031"}}, {"KorvoApps", {"A", "B"}}});
  Seed("ann", {{"Parent", {"template"}}, {"KorvoCatalogIDs", {"-1"}}, {"KorvoDashboardIDs", {"x"}}});
  rt::Variant names = Texts({"Locale", "KorvoApps", "KorvoCatalogIDs", "KorvoDashboardIDs", "EMAIL"});
  rt::DictionaryRef details = user_->GetUserDetails("ann", names);
  EXPECT_THAT(Keys(details),
              ElementsAre("Locale", "KorvoApps", "KorvoCatalogIDs", "KorvoDashboardIDs", "EMAIL"));
  EXPECT_EQ(rt::CStr(details->Item("Locale").AsArray().At(0)), "1031");
  EXPECT_EQ(details->Item("KorvoApps").AsArray().items.size(), 2u);
  EXPECT_TRUE(details->Item("KorvoCatalogIDs").AsArray().At(0).IsEmpty());
  EXPECT_EQ(rt::CStr(details->Item("KorvoDashboardIDs").AsArray().At(0)), "x");
  EXPECT_TRUE(details->Item("EMAIL").AsArray().At(0).IsEmpty());
}

TEST_F(UserTest, UserDetailsRefuseAnEmptyArrayAndAListedTwiceName) {
  Seed("ann");
  rt::Variant none = Texts({});
  rt::ErrorRecord error = ErrorOf([&] { user_->GetUserDetails("ann", none); });
  EXPECT_EQ(error.Number, -2147221397);
  EXPECT_THAT(error.Description, HasSubstr("Array is invalid."));
  EXPECT_THAT(LoggedMethods(), ElementsAre("KorvoCommon.User.GetUserDetails"));

  rt::Variant twice = Texts({"EMAIL", "EMAIL"});
  EXPECT_EQ(ErrorOf([&] { user_->GetUserDetails("ann", twice); }).Number, 457);

  rt::Variant text("EMAIL");
  error = ErrorOf([&] { user_->GetUserDetails("ann", text); });
  EXPECT_EQ(error.Number, rt::errnum::kTypeMismatch);
  EXPECT_THAT(error.Description, HasSubstr(" INFO: Array is invalid."));
}

TEST_F(UserTest, CheckUserExistsNeverRaises) {
  Seed("ann");
  std::string ann = "ann";
  std::string nobody = "nobody";
  EXPECT_TRUE(user_->CheckUserExists(ann));
  EXPECT_FALSE(user_->CheckUserExists(nobody));
}

TEST_F(UserTest, RetiredWritersNameTheirReplacement) {
  rt::Variant keys, values;
  const rt::ErrorRecord error = ErrorOf([&] { user_->InsertFromScript("OFFICE", keys, values); });
  EXPECT_EQ(error.Number, -1);
  EXPECT_THAT(error.Description,
              HasSubstr("This method is depricated, Use KorvoCommon.TUser.InsertFromScript Method"));
  EXPECT_EQ(ErrorOf([&] { user_->DeleteOffice("Head office"); }).Number, -1);
}

}  // namespace
}  // namespace korvo::common::user_testing
