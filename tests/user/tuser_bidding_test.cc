// Bidding-user registration: address, business partner, their link and the
// directory user, all or nothing, whether the caller brings a transaction
// or not, and whichever statement of the registration fails.
#include "platform/data/fault_injection.h"
#include "platform/host/component.h"
#include "platform/host/host_scope.h"
#include "tuser_fixture.h"
#include "user_fixture.h"

namespace korvo::common::testing {
namespace {

class TUserBiddingTest : public user_testing::UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    Execute("INSERT INTO COUNTRY (COUNTRYCODE, COUNTRYNAME) VALUES ('NL', 'Netherlands')");
  }

  struct Registration {
    rt::Variant addressKeys = Texts({"SHORTDESCRIPTION", "COUNTRYCODE", "CITY1"});
    rt::Variant addressValues = Texts({"Supplier HQ", "NL", "Delft"});
    rt::Variant partnerKeys = Texts({"NAME"});
    rt::Variant partnerValues = Texts({"Supplier BV"});
    rt::Variant userKeys = Texts({"BusinessPartnerID", "SURNAME"});
    rt::Variant userValues = Texts({rt::Variant(), "Supplier"});
    std::string userId = "supplier";
  };

  rt::ObjectRef Register(TUser& tuser, Registration& r) {
    return tuser.InsertBiddingUser(r.addressKeys, r.addressValues, r.partnerKeys, r.partnerValues,
                                   r.userKeys, r.userValues, r.userId, "supplier-Pa55");
  }

  // A registration by a TUser made outside any transaction.
  rt::ObjectRef Register(Registration& r) {
    auto tuser = std::dynamic_pointer_cast<TUser>(host::CreateObject("KorvoCommon.TUser"));
    return Register(*tuser, r);
  }

  std::int32_t Count(const std::string& sql) {
    auto connection =
        std::dynamic_pointer_cast<contracts::Connection>(host::CreateObject("ADODB.Connection"));
    connection->Open(database_.ConnectionString());
    const std::int32_t count = rt::CLng(connection->Execute(sql)->Value(std::int32_t{0}));
    connection->Close();
    return count;
  }

  // What a registration leaves: addresses, partners, links, directory users.
  std::vector<std::int32_t> Left() {
    return {Count("SELECT COUNT(*) FROM ADDRESS"), Count("SELECT COUNT(*) FROM BUSINESSPARTNER"),
            Count("SELECT COUNT(*) FROM BUSINESSPARTNERADDRESS"),
            static_cast<std::int32_t>(directory_->Backend().Search({}).userIds.size())};
  }
  const std::vector<std::int32_t> kNothing{0, 0, 0, 1};  // the script account only
  const std::vector<std::int32_t> kOneOfEach{1, 1, 1, 2};
};

TEST_F(TUserBiddingTest, ARegistrationCreatesAddressPartnerLinkAndUser) {
  Registration r;
  const rt::ObjectRef result = Register(r);
  EXPECT_TRUE(Messages(result).empty());
  EXPECT_EQ(Left(), kOneOfEach);
  const rt::Variant partnerId =
      *dynamic_cast<contracts::ResultObject&>(*result).Values()->Find(rt::Variant("BUSINESSPARTNERID"));
  EXPECT_TRUE(rt::Equals(r.userValues.AsArray().At(0), partnerId));
  EXPECT_EQ(rt::CStr(r.partnerKeys.AsArray().items.back()), "ADDRESSID");
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BUSINESSPARTNERADDRESS WHERE BUSINESSPARTNERID=" +
                  rt::CStr(partnerId)),
            1);
  const auto user = directory_->Backend().Load("supplier");
  ASSERT_TRUE(user.has_value());
}

TEST_F(TUserBiddingTest, ARefusedAddressIsAnsweredAndNothingIsCreated) {
  Registration r;
  r.addressValues = Texts({"  ", "NL", "Delft"});
  EXPECT_EQ(Messages(Register(r)), std::vector<std::string>{"SLBBR0004"});
  EXPECT_EQ(Left(), kNothing);
  EXPECT_EQ(r.partnerKeys.AsArray().items.size(), 1u);
}

TEST_F(TUserBiddingTest, ARefusedPartnerTakesTheAddressWithIt) {
  Registration r;
  r.partnerValues = Texts({""});
  EXPECT_EQ(Messages(Register(r)), std::vector<std::string>{"SLBCO2014"});
  EXPECT_EQ(Left(), kNothing);
}

TEST_F(TUserBiddingTest, ARefusedUserTakesAddressPartnerAndLinkWithIt) {
  Seed("Supplier");
  Registration r;
  const std::vector<std::string> messages = Messages(Register(r));
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_NE(messages[0].find(" METHOD: KorvoCommon.TUser.CreateUserWithAttributes"), std::string::npos);
  EXPECT_EQ(messages[1], "SLBCO8339");
  EXPECT_EQ(Left(), (std::vector<std::int32_t>{0, 0, 0, 2}));
}

TEST_F(TUserBiddingTest, InTheCallersTransactionAFailureDoomsItAndSuccessCommitsWithIt) {
  Seed("Supplier");
  {
    host::HostScope request(host::ScopeOptions{true, nullptr, session_});
    host::Ref<TUser> tuser(
        std::dynamic_pointer_cast<TUser>(infra::Gen_GetComponent("KorvoCommon.TUser")));
    Registration r;
    EXPECT_EQ(Messages(Register(*tuser.get(), r)).back(), "SLBCO8339");
    EXPECT_EQ(request.End(), host::Outcome::Aborted);
  }
  EXPECT_EQ(Left(), (std::vector<std::int32_t>{0, 0, 0, 2}));
  {
    host::HostScope request(host::ScopeOptions{true, nullptr, session_});
    auto tuser = std::dynamic_pointer_cast<TUser>(infra::Gen_GetComponent("KorvoCommon.TUser"));
    Registration r;
    r.userId = "newcomer";
    rt::Variant args[] = {r.addressKeys, r.addressValues, r.partnerKeys,         r.partnerValues,
                          r.userKeys,    r.userValues,    rt::Variant(r.userId), "newcomer-Pa55"};
    EXPECT_TRUE(
        Messages(tuser->Invoke("InsertBiddingUser", rt::InvokeKind::Method, args).AsObject()).empty());
    EXPECT_EQ(request.End(), host::Outcome::Committed);
  }
  EXPECT_EQ(Left(), (std::vector<std::int32_t>{1, 1, 1, 3}));
}

TEST_F(TUserBiddingTest, WhicheverStatementFailsNothingOfTheRegistrationRemains) {
  std::vector<std::string> statements;
  {
    Registration r;
    membership::CredentialCache::Process().Clear();
    statements = StatementsOf([&] { Register(r); });
    ASSERT_EQ(Left(), kOneOfEach);
    Execute("DELETE FROM BUSINESSPARTNERADDRESS");
    Execute("DELETE FROM BUSINESSPARTNER");
    Execute("DELETE FROM ADDRESS");
    directory_->Backend().Delete("supplier");
  }
  ASSERT_FALSE(statements.empty());
  bool linkFailed = false;
  for (std::size_t n = 1; n <= statements.size(); ++n) {
    Registration r;
    rt::ObjectRef result;
    // Each run verifies the writing account anew, so every run issues the
    // same statements.
    membership::CredentialCache::Process().Clear();
    {
      data::StatementFault fault(static_cast<int>(n), contracts::dberr::kProvider, "disk I/O error");
      try {
        result = Register(r);
      } catch (const rt::Error&) {
        // Raised before the partner existed: the caller is told either way.
      }
    }
    EXPECT_EQ(Left(), kNothing) << "statement " << n << ": " << statements[n - 1];
    if (result) {
      EXPECT_FALSE(Messages(result).empty()) << "statement " << n << ": " << statements[n - 1];
      if (statements[n - 1].find("BUSINESSPARTNERADDRESS") != std::string::npos &&
          Messages(result).back() == "SLBCO8337") {
        linkFailed = true;
      }
    }
  }
  EXPECT_TRUE(linkFailed) << "no statement of the link was failed";
}

}  // namespace
}  // namespace korvo::common::testing
