// TUser's IReferentialIntegrity: which key decides, what each key looks
// up, and that values going into statement text unquoted must be numbers.
#include "tuser_fixture.h"

namespace korvo::common::testing {
namespace {

// A directory that must not be asked: any use fails the test.
class UnaskedMembers : public host::Component, public contracts::MembershipMembers {
 public:
  std::string TypeName() const override { return "UnaskedMembers"; }
  const host::DispatchTable& Dispatch() const override {
    static const host::DispatchTable table = host::DispatchTable::For<UnaskedMembers>().Build();
    return table;
  }
  std::string IDAttribute() override { return Unasked(); }
  contracts::RecordsetRef Search(const rt::Variant&, const std::string&, const rt::Variant&) override {
    Unasked();
    return nullptr;
  }
  std::string NextFrom() override { return Unasked(); }
  contracts::RecordsetRef SearchByRole(std::int16_t, const std::string&) override {
    Unasked();
    return nullptr;
  }
  contracts::RecordsetRef SearchByRoleWith(std::int16_t, const rt::Variant&,
                                           const std::string&) override {
    Unasked();
    return nullptr;
  }
  rt::ObjectRef CreateUser(const std::string&, const std::string&, const rt::Variant&,
                           const rt::Variant&) override {
    Unasked();
    return nullptr;
  }
  void DeleteUser(const std::string&) override { Unasked(); }
  std::vector<std::shared_ptr<contracts::MembershipUser>> BindUsers(const std::vector<std::string>&,
                                                                    const std::string&,
                                                                    const std::string&) override {
    Unasked();
    return {};
  }

 private:
  static std::string Unasked() {
    ADD_FAILURE() << "the directory was asked";
    return "UserID";
  }
};

class TUserExistsTest : public TUserTest {
 protected:
  bool Exists(const std::string& origin, std::vector<rt::Variant> names,
              std::vector<rt::Variant> values) {
    rt::Variant keys = Texts(std::move(names)), items = Texts(std::move(values));
    return tuser_->IReferentialIntegrity_Exists(origin, keys, items);
  }

  void KeepTheDirectoryOut() {
    members_ = std::make_unique<host::RegistrationOverride>(
        host::ClassInfo{"KorvoMembership.Members", host::TransactionAttribute::None, false,
                        [] { return rt::ObjectRef(std::make_shared<UnaskedMembers>()); }});
  }

  std::unique_ptr<host::RegistrationOverride> members_;
};

TEST_F(TUserExistsTest, ABackOfficeIdIsLookedForInOfficesWarehousesAndWorkcentres) {
  Execute("INSERT INTO OFFICE (OFFICEDESCRIPTION, ZRK_ZRKID) VALUES ('North', 10)");
  Execute("INSERT INTO WAREHOUSE (WAREHOUSECODE, ZRKID) VALUES ('WH', 20)");
  Execute("INSERT INTO WORKCENTER (WORKCENTERCODE, ZRKID) VALUES ('WC', 30)");
  EXPECT_TRUE(Exists("ORDER", {"ZRKID"}, {std::int32_t{10}}));
  EXPECT_TRUE(Exists("ORDER", {"zrkid"}, {"20"}));
  EXPECT_TRUE(Exists("ORDER", {"ZRKID"}, {std::int32_t{30}}));
  EXPECT_FALSE(Exists("ORDER", {"ZRKID"}, {std::int32_t{40}}));
}

TEST_F(TUserExistsTest, AnUnquotedValueThatIsNoNumberNeverReachesTheDatabase) {
  for (const char* key : {"ZRKID", "PROPERTYID", "PROPERTYGROUPID"}) {
    std::vector<std::string> statements = StatementsOf([&] {
      const rt::ErrorRecord error = ErrorOf([&] { Exists("ORDER", {key}, {"1 OR 1=1"}); });
      EXPECT_EQ(error.Number, rt::errnum::kTypeMismatch) << key;
    });
    EXPECT_TRUE(statements.empty()) << key;
    EXPECT_EQ(LoggedMethods().back(), "KorvoCommon.TUser.Exists");
  }
}

TEST_F(TUserExistsTest, AnOfficeIsFoundByItsDescriptionQuotesIncluded) {
  Execute("INSERT INTO OFFICE (OFFICEDESCRIPTION) VALUES ('O''Brien')");
  EXPECT_TRUE(Exists("USER", {"OFFICEDESCRIPTION"}, {"O'Brien"}));
  EXPECT_FALSE(Exists("USER", {"OFFICEDESCRIPTION"}, {"O'Brien's"}));
}

TEST_F(TUserExistsTest, APropertyIsAnyOfTheSixAnOfficeChargesTo) {
  Execute("INSERT INTO OFFICE (OFFICEDESCRIPTION, ELEMENTPROP, PROJECTPROP) VALUES ('North', 5, 6)");
  EXPECT_TRUE(Exists("PLAN", {"PROPERTYID"}, {std::int32_t{5}}));
  EXPECT_TRUE(Exists("PLAN", {"PROPERTYID"}, {std::int32_t{6}}));
  EXPECT_FALSE(Exists("PLAN", {"PROPERTYID"}, {std::int32_t{7}}));
}

TEST_F(TUserExistsTest, ABudgetMayLeaveUsersAndOfficesUnnamed) {
  KeepTheDirectoryOut();
  for (const char* key : {"USERID", "BUYERID", "SUPPLIERID", "OFFICEDESCRIPTION"}) {
    EXPECT_TRUE(Exists("BUDGET", {key}, {rt::Variant::Null()})) << key;
  }
}

TEST_F(TUserExistsTest, TheFirstKnownKeyDecidesAndNoKnownKeyMeansYes) {
  KeepTheDirectoryOut();
  EXPECT_TRUE(Exists("ORDER", {"NAME"}, {"anything"}));
  EXPECT_TRUE(Exists("ORDER", {}, {}));
  EXPECT_FALSE(Exists("ORDER", {"NAME", "OFFICEDESCRIPTION", "USERID"}, {"x", "Nowhere", "bob"}));
}

TEST_F(TUserExistsTest, TheDeleteHookAlwaysAgrees) {
  rt::Variant keys = Texts({"USERID"}), values = Texts({"bob"});
  EXPECT_TRUE(tuser_->IReferentialIntegrity_BeforeDelete("USER", keys, values));
}

}  // namespace
}  // namespace korvo::common::testing
