// UL_CreateUO and UL_CreateMO: the session's account reaching Bind, and
// their failures as the user classes see them.
#include "directory_fixture.h"
#include "infrastructure/errors.h"
#include "infrastructure/user_lib.h"

namespace korvo::membership::testing {
namespace {

class SessionHelperTest : public DirectoryTest {
 protected:
  static rt::DictionaryRef Session(const std::string& account, const std::string& password) {
    auto session = rt::Dictionary::Create();
    session->Set(rt::Variant("REMOTE_ACCOUNT"), rt::Variant(account));
    session->Set(rt::Variant("REMOTE_PASSWORD"), rt::Variant(password));
    return session;
  }
};

TEST_P(SessionHelperTest, OutsideAHostNothingIsCreated) {
  int created = 0;
  host::RegistrationOverride counting(
      host::ClassInfo{"KorvoMembership.User", host::TransactionAttribute::None, false, [&created] {
                        ++created;
                        return rt::ObjectRef();
                      }});
  const rt::ErrorRecord error = ErrorOf([] { infra::UL_CreateUO("ann"); });
  EXPECT_EQ(error.Number, static_cast<std::int32_t>(0x80040000u));
  EXPECT_EQ(error.Source, "KorvoCommon.dll");
  EXPECT_EQ(error.Description, infra::Err_FormatMessage("Unable to get object context", error.Number,
                                                        "Lib_UserLib.UL_CreateUO"));
  EXPECT_EQ(created, 0);
}

TEST_P(SessionHelperTest, TheSessionsAccountBindsTheUser) {
  Seed("ann", {{"SURNAME", {"Jansen"}}});
  host::HostScope scope({false, nullptr, Session("ann", kUserPassword)});
  auto user = infra::UL_CreateUO("ann");
  EXPECT_EQ(user->Surname(), "Jansen");
  auto members = infra::UL_CreateMO();
  EXPECT_EQ(Ids(members->SearchByRole(2, members->IDAttribute())).size(), 0u);
}

TEST_P(SessionHelperTest, AFailedBindIsLoggedWithoutThePassword) {
  Seed("ann", {});
  const std::string wrong = "Wr0ng-secret";
  host::HostScope scope({false, nullptr, Session("ann", wrong)});
  const rt::ErrorRecord error = ErrorOf([] { infra::UL_CreateUO("ann"); });
  EXPECT_EQ(error.Number, err::kInvalidCredentials);
  EXPECT_FALSE(Contains(error.Description, wrong));
  const auto logged = korvex::LogRecorder::Drain();
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_TRUE(Contains(logged[0].text, "Lib_UserLib.UL_CreateUO"));
  EXPECT_FALSE(Contains(logged[0].text, wrong));
}

TEST_P(SessionHelperTest, ASessionWithoutAnAccountBindsWithEmptyTexts) {
  Seed("ann", {});
  host::HostScope scope({false, nullptr, rt::Dictionary::Create()});
  EXPECT_EQ(ErrorOf([] { infra::UL_CreateUO("ann"); }).Number, err::kInvalidCredentials);
}

INSTANTIATE_TEST_SUITE_P(Backends, SessionHelperTest, ::testing::Values("embedded"));

}  // namespace
}  // namespace korvo::membership::testing
