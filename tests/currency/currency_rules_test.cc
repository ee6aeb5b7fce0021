// Script writes through the business rules: message codes instead of
// errors, and nothing written while any rule fails.
#include "currency_fixture.h"
#include "platform/contracts/result_object.h"
#include "platform/runtime/conversions.h"

namespace korvo::common::testing {
namespace {

class CurrencyRulesTest : public CurrencyTest {
 protected:
  void SetUp() override {
    CurrencyTest::SetUp();
    AddCurrencyRow("GBP", true, false, false);
    AddCurrencyRow("EUR", false, true, true);
    AddRateRow("GBP", "2000-01-01", "NULL", "1", "1.15");
  }

  // The message codes of a result object, in order.
  static std::vector<std::string> Messages(const rt::ObjectRef& result) {
    std::vector<std::string> codes;
    for (const auto& message : dynamic_cast<contracts::ResultObject&>(*result).MessageList()) {
      codes.push_back(message.code);
    }
    return codes;
  }

  rt::ObjectRef Insert(const std::string& table, std::vector<rt::Variant> names,
                       std::vector<rt::Variant> values) {
    rt::Variant keys(rt::Array(std::move(names))), items(rt::Array(std::move(values)));
    return rules_->InsertFromScript(table, keys, items);
  }

  rt::ObjectRef InsertCurrency(const std::string& code, rt::Variant name, bool home, bool euro, bool epc,
                               std::int16_t decimals) {
    return Insert("CURRENCY",
                  {"CURRENCYCODE", "CURRENCYNAME", "HOMECURRENCY", "EURO", "EPC", "DECIMALS"},
                  {rt::Variant(code), name, rt::Variant(home), rt::Variant(euro), rt::Variant(epc),
                   rt::Variant(decimals)});
  }

  rt::ObjectRef InsertRate(const std::string& code, rt::Date effective, double home, double euro) {
    return Insert(
        "CURRENCYRATE",
        {"CURRENCYCODE", "EFFECTIVEDATE", "EXPIRYDATE", "HOMESALESRATE", "EUROSALESRATE", "RATEFACTOR"},
        {rt::Variant(code), rt::Variant(effective), rt::Variant::Null(), rt::Variant(home),
         rt::Variant(euro), rt::Variant(std::int16_t{1})});
  }

  std::shared_ptr<TCurrency> rules_ = NewTCurrency();
};

TEST_F(CurrencyRulesTest, ScriptInsertFindsColumnsInAnyCaseButNotTables) {
  rt::ObjectRef result =
      Insert("CURRENCY", {"currencycode", "CurrencyName", "HOMECURRENCY", "EURO", "EPC", "DECIMALS"},
             {"USD", "Dollar", false, false, false, rt::Variant(std::int16_t{2})});
  EXPECT_TRUE(Messages(result).empty());
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCY WHERE CURRENCYCODE='USD' AND LOCALEID IS NULL"), 1);
  EXPECT_FALSE(Insert("currency", {"CURRENCYCODE"}, {"CHF"}));
}

TEST_F(CurrencyRulesTest, TheEuroIsAlwaysStoredAsParticipating) {
  Execute("DELETE FROM CURRENCY WHERE CURRENCYCODE='EUR'");
  EXPECT_TRUE(Messages(InsertCurrency("EUR", "Euro", false, true, false, 2)).empty());
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCY WHERE CURRENCYCODE='EUR' AND EPC=1"), 1);
}

TEST_F(CurrencyRulesTest, FailedRulesAddTheirCodesAndWriteNothing) {
  EXPECT_EQ(Messages(InsertCurrency("GBP", "Pound", true, false, false, 2)),
            std::vector<std::string>{"SLBCO5040"});
  EXPECT_EQ(Messages(InsertCurrency("CHF", "Franc", false, false, false, 9)),
            std::vector<std::string>{"SLBCO5011"});
  EXPECT_EQ(Messages(InsertCurrency("USD", "Dollar", true, false, false, 2)),
            std::vector<std::string>{"SLBCO5006"});
  // The required test and the currency checks both report a missing name.
  EXPECT_EQ(Messages(Insert("CURRENCY", {"CURRENCYCODE", "HOMECURRENCY", "EURO", "EPC", "DECIMALS"},
                            {"USD", false, false, false, rt::Variant(std::int16_t{2})})),
            (std::vector<std::string>{"SLBCO5018", "SLBCO5018"}));
  EXPECT_EQ(Messages(InsertCurrency("USD", rt::Variant(std::int32_t{5}), false, false, false, 2)),
            std::vector<std::string>{"SLBBR9000"});
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCY"), 2);
  EXPECT_TRUE(Logged().empty());
}

TEST_F(CurrencyRulesTest, EachMissingCurrencyFieldIsReportedByItsCode) {
  const std::vector<rt::Variant> names = {"CURRENCYCODE", "CURRENCYNAME", "HOMECURRENCY",
                                          "EURO",         "EPC",          "DECIMALS"};
  const std::vector<rt::Variant> values = {"USD", "Dollar", false,
                                           false, false,    rt::Variant(std::int16_t{2})};
  const char* codes[] = {"SLBCO5017", "SLBCO5018", "SLBCO5022", "SLBCO5021", "SLBCO5020", "SLBCO5019"};
  for (std::size_t left = 0; left < names.size(); ++left) {
    std::vector<rt::Variant> someNames = names, someValues = values;
    someNames.erase(someNames.begin() + static_cast<std::ptrdiff_t>(left));
    someValues.erase(someValues.begin() + static_cast<std::ptrdiff_t>(left));
    EXPECT_EQ(Messages(Insert("CURRENCY", someNames, someValues)),
              (std::vector<std::string>{codes[left], codes[left]}))
        << rt::CStr(names[left]);
  }
  EXPECT_EQ(Messages(Insert(
                "CURRENCY",
                {"CURRENCYCODE", "CURRENCYNAME", "HOMECURRENCY", "EURO", "EPC", "DECIMALS", "LOCALEID"},
                {"USD", "Dollar", false, false, false, rt::Variant(std::int16_t{2}), "en-US"})),
            (std::vector<std::string>{"SLBBR9000", "SLBCO5015"}));
  EXPECT_EQ(Messages(InsertCurrency("XEU", "Ecu", false, true, true, 2)),
            std::vector<std::string>{"SLBCO5005"});
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCY"), 2);
}

TEST_F(CurrencyRulesTest, RatesPassTheRulesWithTheCurrencysOwnFlag) {
  AddCurrencyRow("DEM", false, false, true);
  // DEM participates: its row says so, the script does not need to.
  EXPECT_TRUE(Messages(InsertRate("DEM", Day(2024, 1, 1), 1, 1.95583)).empty());
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCYRATE WHERE CURRENCYCODE='DEM'"), 1);

  const auto overlap = Messages(InsertRate("DEM", Day(2024, 6, 1), 1, 1.9));
  ASSERT_EQ(overlap.size(), 1u);
  EXPECT_EQ(overlap[0].rfind("No valid currency rate : ", 0), 0u);

  AddCurrencyRow("FRF", false, false, true);
  EXPECT_EQ(Messages(InsertRate("FRF", Day(2020, 1, 1), 2, 6.55957)),
            std::vector<std::string>{"No valid currency rate : InvalidEPCRate"});

  rt::Variant keys(rt::Array(
      {"CURRENCYCODE", "EFFECTIVEDATE", "HOMESALESRATE", "EUROSALESRATE", "RATEFACTOR", "EXPIRYDATE"}));
  rt::Variant values(rt::Array({"DEM", Day(2024, 1, 1), rt::Variant::Null(), 1.95583,
                                rt::Variant(std::int16_t{1}), Day(2025, 1, 1)}));
  EXPECT_TRUE(Messages(rules_->UpdateFromScript("CURRENCYRATE", keys, values)).empty());
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCYRATE WHERE CURRENCYCODE='DEM' AND "
                  "EXPIRYDATE IS NOT NULL AND HOMESALESRATE IS NULL"),
            1);
}

TEST_F(CurrencyRulesTest, ARateNeedsAnExistingCurrency) {
  EXPECT_EQ(Messages(InsertRate("XYZ", Day(2024, 1, 1), 1.1, 0)),
            (std::vector<std::string>{"internal referential integrity conflict",
                                      "No valid currency rate : MissingEPC"}));
  EXPECT_EQ(Messages(Insert("CURRENCYRATE", {"CURRENCYCODE", "EFFECTIVEDATE", "HOMESALESRATE"},
                            {" ", Day(2024, 1, 1), rt::Variant::Null()}))
                .front(),
            "Primary key field is empty");
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCYRATE"), 1);
}

TEST_F(CurrencyRulesTest, CurrencyStillInUseIsNotDeleted) {
  Execute("INSERT INTO OFFICE (OFFICEDESCRIPTION, CURRENCYCODE) VALUES ('Head office', 'GBP')");
  Execute("INSERT INTO BUSINESSPARTNER (NAME, CURRENCYCODE) VALUES ('Supplier', 'GBP')");
  rt::Variant keys(rt::Array({"CURRENCYCODE"})), values(rt::Array({"GBP"}));
  EXPECT_EQ(Messages(rules_->DeleteFromScript("CURRENCY", keys, values)),
            (std::vector<std::string>{"SLBCO4027", "SLBCO4028", "SLBCO4029"}));
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCY WHERE CURRENCYCODE='GBP'"), 1);

  values = rt::Variant(rt::Array({"EUR"}));
  EXPECT_TRUE(Messages(rules_->DeleteFromScript("CURRENCY", keys, values)).empty());
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCY WHERE CURRENCYCODE='EUR'"), 0);
}

TEST_F(CurrencyRulesTest, UnknownKindsGiveAnEmptyResult) {
  auto data = rt::Dictionary::Create();
  data->Add("METAObjectID", rt::Variant("OfficeDataObject"));
  data->Add("CURRENCYCODE", rt::Variant("USD"));
  rt::Variant object(data);
  EXPECT_TRUE(Messages(rules_->BusinessRules_Insert(object)).empty());
  EXPECT_FALSE(data->Exists(rt::Variant("METAObjectID")));
  EXPECT_TRUE(Messages(rules_->BusinessRules_Delete(object)).empty());  // no kind at all
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCY"), 2);
}

TEST_F(CurrencyRulesTest, UpdateOfABlankCodeIsRefusedWithAReason) {
  rt::Variant keys(
      rt::Array({"CURRENCYCODE", "CURRENCYNAME", "HOMECURRENCY", "EURO", "EPC", "DECIMALS"}));
  rt::Variant values(rt::Array({"  ", "Blank", false, false, false, rt::Variant(std::int16_t{2})}));
  EXPECT_EQ(Messages(rules_->UpdateFromScript("CURRENCY", keys, values)),
            std::vector<std::string>{"SLBCO5017"});

  values = rt::Variant(rt::Array({"GBP", "Sterling", true, false, false, rt::Variant(std::int16_t{2})}));
  EXPECT_TRUE(Messages(rules_->UpdateFromScript("CURRENCY", keys, values)).empty());
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCY WHERE CURRENCYNAME='Sterling'"), 1);
}

TEST_F(CurrencyRulesTest, ExistsAsksOnlyForTheCurrencyCode) {
  rt::Variant keys(rt::Array({"OTHER", "currencycode"}));
  rt::Variant values(rt::Array({"ignored", "EUR"}));
  EXPECT_TRUE(rules_->IReferentialIntegrity_Exists("ANYTHING", keys, values));
  values = rt::Variant(rt::Array({"ignored", "XYZ"}));
  EXPECT_FALSE(rules_->IReferentialIntegrity_Exists("ANYTHING", keys, values));
  keys = rt::Variant(rt::Array({"OTHER"}));
  EXPECT_FALSE(rules_->IReferentialIntegrity_Exists("CURRENCY", keys, values));
  EXPECT_TRUE(rules_->IReferentialIntegrity_BeforeDelete("CURRENCY", keys, values));
}

}  // namespace
}  // namespace korvo::common::testing
