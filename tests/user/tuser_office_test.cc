// Offices through TUser's script methods, business rules and DeleteOffice:
// every field problem reported at once as message codes, nothing written
// while any check fails, and deletes refused or reported as the office's
// references and existence say.
#include "tuser_fixture.h"

namespace korvo::common::testing {
namespace {

constexpr std::int32_t kOfficeNotPresent = static_cast<std::int32_t>(0x80040064u);

class TUserOfficeTest : public TUserTest {
 protected:
  rt::ObjectRef Script(rt::ObjectRef (TUser::*method)(std::string, rt::Variant&, rt::Variant&),
                       const std::string& table, std::vector<rt::Variant> names,
                       std::vector<rt::Variant> values) {
    rt::Variant keys = Texts(std::move(names)), items = Texts(std::move(values));
    return ((*tuser_).*method)(table, keys, items);
  }
  rt::ObjectRef Insert(std::vector<rt::Variant> names, std::vector<rt::Variant> values) {
    return Script(&TUser::InsertFromScript, "OFFICE", std::move(names), std::move(values));
  }
  rt::ObjectRef Update(std::vector<rt::Variant> names, std::vector<rt::Variant> values) {
    return Script(&TUser::UpdateFromScript, "OFFICE", std::move(names), std::move(values));
  }
  rt::ObjectRef Delete(const std::string& table, std::vector<rt::Variant> names,
                       std::vector<rt::Variant> values) {
    return Script(&TUser::DeleteFromScript, table, std::move(names), std::move(values));
  }

  void AddOffice(const std::string& description, int type = 1) {
    Execute("INSERT INTO OFFICE (OFFICEDESCRIPTION, OFFICETYPE, PROJECTPROP) VALUES ('" + description +
            "', " + std::to_string(type) + ", 7)");
  }
};

TEST_F(TUserOfficeTest, AnInsertWritesTheFieldsInTheOfficesOrderWhateverTheirCaseInTheScript) {
  std::vector<std::string> statements = StatementsOf([&] {
    EXPECT_TRUE(Messages(Insert({"zrk_zrkid", "officedescription", "OfficeType", "Unknown"},
                                {std::int32_t{12}, "Main office", Small(1), "ignored"}))
                    .empty());
  });
  EXPECT_EQ(statements.back(),
            "INSERT OFFICE(OFFICEDESCRIPTION,OFFICETYPE,ZRK_ZRKID) VALUES ('Main office',1,12)");
  EXPECT_EQ(Count("SELECT COUNT(*) FROM OFFICE WHERE OFFICEDESCRIPTION='Main office' AND ZRK_ZRKID=12"),
            1);
  EXPECT_EQ(Script(&TUser::InsertFromScript, "office", {"OFFICEDESCRIPTION"}, {"y"}), nullptr);
}

TEST_F(TUserOfficeTest, EveryFieldProblemIsReportedInOrderAndNothingIsWritten) {
  const rt::ObjectRef result =
      Insert({"OFFICEDESCRIPTION", "SHIPTOCONTACTINFORMATION", "CREDITCARDTYPE", "CREDITCARDNUMBER",
              "CREDITCARDEXPIRY"},
             {"   ", std::string(300, 'x'), Small(0), "4111111111111112", rt::Date{}});
  EXPECT_EQ(Messages(result), (std::vector<std::string>{"SLBBR1004", "SLBGE1103", "SLBBR1007"}));
  EXPECT_EQ(Offices(), 0);
}

TEST_F(TUserOfficeTest, FieldsOfTheWrongKindAreNamedOneByOne) {
  const rt::ObjectRef result =
      Insert({"OFFICEDESCRIPTION", "OFFICETYPE", "ADDRESSID"}, {"North", std::int32_t{2}, "12"});
  EXPECT_EQ(Messages(result), (std::vector<std::string>{"SLBBR9000", "SLBBR9000"}));
  EXPECT_EQ(Offices(), 0);
}

TEST_F(TUserOfficeTest, ADuplicateDescriptionIsRefused) {
  AddOffice("O''Brien''s office");
  EXPECT_EQ(Messages(Insert({"OFFICEDESCRIPTION"}, {"O'Brien's office"})),
            std::vector<std::string>{"SLBBR1008"});
  EXPECT_EQ(Offices(), 1);
}

TEST_F(TUserOfficeTest, OnlyAPurchaseOfficeHasItsPropertiesChecked) {
  ScriptTheChecker(true, true, false);
  EXPECT_TRUE(Messages(Insert({"OFFICEDESCRIPTION", "OFFICETYPE", "PROJECTPROP"},
                              {"Admin", Small(1), std::int32_t{4}}))
                  .empty());
  EXPECT_TRUE(ScriptedChecker::asked.empty());
  EXPECT_EQ(Messages(Insert({"OFFICEDESCRIPTION", "OFFICETYPE", "PROJECTPROP"},
                            {"Purchase", Small(2), std::int32_t{4}})),
            std::vector<std::string>{"SLBBR1025"});
  EXPECT_EQ(ScriptedChecker::asked,
            std::vector<std::string>{"ReferencesInComponent OFFICE PROJECTPROP"});
  EXPECT_EQ(Offices(), 1);
}

TEST_F(TUserOfficeTest, AFailureIsReportedWithTheStageTheInsertWasIn) {
  // A card type that is no number fails the card check itself.
  const rt::ErrorRecord error = ErrorOf([&] {
    Insert({"OFFICEDESCRIPTION", "CREDITCARDTYPE"}, {"Cards", "Visa"});
  });
  EXPECT_EQ(error.Number, rt::errnum::kTypeMismatch);
  EXPECT_EQ(LoggedMethods(),
            (std::vector<std::string>{"KorvoCommon.TUser.BusinessRules_Insert Error Enrich: CC Check",
                                      "KorvoCommon.TUser.InsertFromScript"}));
  EXPECT_EQ(Offices(), 0);
}

TEST_F(TUserOfficeTest, AnUpdateChangesTheNamedOfficeOnly) {
  AddOffice("North");
  AddOffice("South");
  EXPECT_TRUE(Messages(Update({"OFFICEDESCRIPTION", "WAREHOUSE"}, {"North", "WH1"})).empty());
  EXPECT_EQ(Count("SELECT COUNT(*) FROM OFFICE WHERE WAREHOUSE='WH1'"), 1);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM OFFICE WHERE OFFICEDESCRIPTION='North' AND WAREHOUSE='WH1'"), 1);
}

TEST_F(TUserOfficeTest, AnUpdateWithNothingToChangeIsRefusedAsMalformed) {
  AddOffice("North");
  EXPECT_EQ(Messages(Update({"OFFICEDESCRIPTION"}, {"North"})), std::vector<std::string>{"SLBGE1120"});
  EXPECT_EQ(Count("SELECT COUNT(*) FROM OFFICE WHERE OFFICEDESCRIPTION='North' AND PROJECTPROP=7"), 1);
}

TEST_F(TUserOfficeTest, AnUpdateReportsItsFieldProblemsBeforeAskingAboutReferences) {
  AddOffice("North");
  ScriptTheChecker(true, true, false);
  EXPECT_EQ(
      Messages(Update({"OFFICEDESCRIPTION", "SHIPTOCONTACTINFORMATION"}, {"", std::string(256, 'x')})),
      (std::vector<std::string>{"SLBBR1012", "SLBBR1015"}));
  EXPECT_TRUE(ScriptedChecker::asked.empty());
  EXPECT_EQ(Messages(Update({"OFFICEDESCRIPTION", "PLANPROP"}, {"North", std::int32_t{3}})),
            std::vector<std::string>{"SLBBR1026"});
  EXPECT_EQ(Count("SELECT COUNT(*) FROM OFFICE WHERE PLANPROP IS NULL"), 1);
}

TEST_F(TUserOfficeTest, DeletingAMissingOfficeIsReportedAfterTheReferenceTest) {
  const rt::ErrorRecord error = ErrorOf([&] { tuser_->DeleteOffice("Nowhere"); });
  EXPECT_EQ(error.Number, kOfficeNotPresent);
  EXPECT_EQ(error.Description, infra::Err_FormatMessage("Office not present", kOfficeNotPresent,
                                                        "KorvoCommon.TUser.DeleteOffice"));
}

TEST_F(TUserOfficeTest, AnOfficeStillReferredToIsKept) {
  AddOffice("North");
  ScriptTheChecker(false, true, true);
  EXPECT_FALSE(tuser_->DeleteOffice("North"));
  EXPECT_EQ(Messages(Delete("OFFICE", {"OFFICEDESCRIPTION"}, {"North"})),
            std::vector<std::string>{"SLBBR1023"});
  EXPECT_EQ(Offices(), 1);
}

TEST_F(TUserOfficeTest, AScriptDeleteRemovesTheOfficeAndTellsTheHookAfterwards) {
  AddOffice("North");
  AddOffice("South");
  ScriptTheChecker(true, false, true);
  EXPECT_EQ(Messages(Delete("OFFICE", {"officedescription"}, {"North"})),
            std::vector<std::string>{"SLBBR1023"});
  EXPECT_EQ(ScriptedChecker::asked, (std::vector<std::string>{"CanDelete OFFICE", "BeforeDelete OFFICE",
                                                              "BeforeDelete OFFICE"}));
  EXPECT_EQ(Count("SELECT COUNT(*) FROM OFFICE WHERE OFFICEDESCRIPTION='South'"), 1);
  EXPECT_EQ(Offices(), 1);
  EXPECT_EQ(Delete("CURRENCY", {"OFFICEDESCRIPTION"}, {"South"}), nullptr);
}

TEST_F(TUserOfficeTest, OtherKindsOfDataObjectPassUntouched) {
  auto data = rt::Dictionary::Create();
  data->Add("METAObjectID", "CurrencyDataObject");
  data->Add("OFFICEDESCRIPTION", "North");
  rt::Variant object(data);
  EXPECT_TRUE(Messages(tuser_->BusinessRules_Insert(object)).empty());
  EXPECT_FALSE(data->Exists("METAObjectID"));
  EXPECT_EQ(Offices(), 0);
  EXPECT_EQ(tuser_->BusinessRules_GetInstance(object), nullptr);
}

}  // namespace
}  // namespace korvo::common::testing
