// Maintenance through the business rules, deletion and referential
// integrity, and the votes of two writers in one caller transaction.
#include "partner_fixture.h"
#include "platform/contracts/result_object.h"
#include "platform/host/host_scope.h"

namespace korvo::common::testing {
namespace {

std::vector<std::string> Codes(const rt::ObjectRef& result) {
  std::vector<std::string> codes;
  for (const auto& message : dynamic_cast<contracts::ResultObject&>(*result).MessageList()) {
    codes.push_back(message.code);
  }
  return codes;
}

rt::Variant Value(const rt::ObjectRef& result, const char* name) {
  return dynamic_cast<contracts::ResultObject&>(*result).Values()->Item(rt::Variant(name));
}

class PartnerRulesTest : public PartnerTest {
 protected:
  rt::ObjectRef Insert(const std::string& table, std::vector<std::string> keys,
                       std::vector<rt::Variant> values) {
    rt::Variant k(Texts(std::move(keys)));
    rt::Variant v(rt::Array(std::move(values)));
    return NewPartner()->InsertFromScript(table, k, v);
  }
  rt::ObjectRef Update(const std::string& table, std::vector<std::string> keys,
                       std::vector<rt::Variant> values) {
    rt::Variant k(Texts(std::move(keys)));
    rt::Variant v(rt::Array(std::move(values)));
    return NewPartner()->UpdateFromScript(table, k, v);
  }
  rt::ObjectRef DeleteByScript(const std::string& table, const std::string& key, rt::Variant id) {
    rt::Variant k(Texts({key}));
    rt::Variant v(rt::Array({std::move(id)}));
    return NewPartner()->DeleteFromScript(table, k, v);
  }
  void Subscribe(bool sales) {
    korvex::ConfigurationOverrides::Set("SUBSCRIPTIONS", "KorvoSales", sales ? "1" : "0");
  }
  void TearDown() override {
    Subscribe(false);
    PartnerTest::TearDown();
  }
};

TEST_F(PartnerRulesTest, AFailingInsertReportsEveryRuleInOrderAndWritesNothing) {
  AddPartner(1, "Taken", ", BUSINESSID, DUNSNUMBER", ", 'B-1', 'D-1'");
  const rt::ObjectRef result =
      Insert("BUSINESSPARTNER", {"name", "BusinessId", "DUNSNUMBER", "CURRENCYCODE"},
             {rt::Variant(" "), rt::Variant("B-1"), rt::Variant("D-1"), rt::Variant("XYZ")});
  EXPECT_EQ(Codes(result),
            (std::vector<std::string>{"SLBCO2014", "SLBBR0023", "SLBBR0027", "SLBBR0026"}));
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BUSINESSPARTNER"), 1);
}

TEST_F(PartnerRulesTest, ASuccessfulInsertReturnsTheNewKey) {
  const rt::ObjectRef result = Insert("BUSINESSPARTNER", {"NAME", "PRICINGMETHOD", "UNKNOWN"},
                                      {rt::Variant("Newco"), rt::Variant::Null(), rt::Variant("x")});
  EXPECT_TRUE(Codes(result).empty());
  const std::int32_t id = rt::CLng(Value(result, "BUSINESSPARTNERID"));
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BUSINESSPARTNER WHERE NAME = 'Newco' AND "
                  "PRICINGMETHOD IS NULL AND BUSINESSPARTNERID = " +
                  std::to_string(id)),
            1);
}

TEST_F(PartnerRulesTest, PricingMethodTwoNeedsACustomerCodeOnlyForSales) {
  const std::vector<std::string> keys{"NAME", "PRICINGMETHOD"};
  const std::vector<rt::Variant> values{rt::Variant("Retail"), rt::Variant(std::int16_t{2})};
  EXPECT_TRUE(Codes(Insert("BUSINESSPARTNER", keys, values)).empty());
  Subscribe(true);
  EXPECT_EQ(Codes(Insert("BUSINESSPARTNER", keys, values)), std::vector<std::string>{"SLBBR0022"});
  EXPECT_TRUE(Codes(Insert("BUSINESSPARTNER", {"NAME", "PRICINGMETHOD", "ZRKCUSTOMERCODE"},
                           {rt::Variant("Retail 2"), rt::Variant(std::int16_t{2}), rt::Variant("C9")}))
                  .empty());
}

TEST_F(PartnerRulesTest, UpdateMayKeepItsOwnBusinessIdButNotTakeAnother) {
  AddPartner(1, "One", ", BUSINESSID, PRICINGMETHOD", ", 'B-1', 3");
  AddPartner(2, "Two", ", BUSINESSID", ", 'B-2'");
  EXPECT_TRUE(
      Codes(
          Update("BUSINESSPARTNER", {"BUSINESSPARTNERID", "NAME", "BUSINESSID", "PRICINGMETHOD"},
                 {rt::Variant(1), rt::Variant("One renamed"), rt::Variant("B-1"), rt::Variant::Null()}))
          .empty());
  EXPECT_EQ(
      Count("SELECT COUNT(*) FROM BUSINESSPARTNER WHERE NAME = 'One renamed' AND PRICINGMETHOD = 3"), 1);
  EXPECT_EQ(Codes(Update("BUSINESSPARTNER", {"BUSINESSPARTNERID", "NAME", "BUSINESSID"},
                         {rt::Variant(1), rt::Variant("One"), rt::Variant("B-2")})),
            std::vector<std::string>{"SLBBR0023"});
}

TEST_F(PartnerRulesTest, PhoneAndFaxChecks) {
  const auto codes = [&](const char* key, const char* value) {
    return Codes(Insert(
        "ADDRESS", {"COUNTRYCODE", "SHORTDESCRIPTION", key},
        {rt::Variant("NL"), rt::Variant(std::string("desc ") + key + value), rt::Variant(value)}));
  };
  EXPECT_EQ(codes("PHONE", "1"), std::vector<std::string>{"SLBBR0020"});
  EXPECT_EQ(codes("FAX", "1"), std::vector<std::string>{"SLBBR0021"});
  EXPECT_EQ(codes("PHONE", ""), std::vector<std::string>{"SLBBR0020"});
  EXPECT_TRUE(codes("FAX", "").empty());
  EXPECT_TRUE(codes("PHONE", "12").empty());
  const rt::ObjectRef result = Insert("ADDRESS", {"COUNTRYCODE", "SHORTDESCRIPTION"},
                                      {rt::Variant("NL"), rt::Variant("no phone")});
  EXPECT_TRUE(Codes(result).empty());
  EXPECT_GT(rt::CLng(Value(result, "ADDRESSID")), 0);
}

TEST_F(PartnerRulesTest, DiscountPercentagesAndTheSecondCustomerRow) {
  AddPartner(1, "One");
  const auto codes = [&](rt::Variant discount) {
    return Codes(Insert("CUSTOMER", {"BUSINESSPARTNERID", "CUSTOMERNAME", "ORDERDISCOUNTPERC"},
                        {rt::Variant(1), rt::Variant("One"), std::move(discount)}));
  };
  EXPECT_EQ(codes(rt::Variant(100.5)), std::vector<std::string>{"SLBBR0009"});
  EXPECT_EQ(codes(rt::Variant(-1.0)), std::vector<std::string>{"SLBBR0009"});
  EXPECT_EQ(codes(rt::Variant("abc")), (std::vector<std::string>{"SLBBR9000", "SLBBR0009"}));
  EXPECT_TRUE(codes(rt::Variant(100.0)).empty());
  EXPECT_EQ(codes(rt::Variant(5.0)), std::vector<std::string>{"SLBBR0010"});
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CUSTOMER"), 1);
}

TEST_F(PartnerRulesTest, GroupsAreNamedOnceAndRefusedWhileTheyHaveMembers) {
  EXPECT_TRUE(Codes(Insert("BUSINESSPARTNERGROUP", {"BPGROUPNAME"}, {rt::Variant("Key")})).empty());
  EXPECT_EQ(Codes(Insert("BUSINESSPARTNERGROUP", {"BPGROUPNAME"}, {rt::Variant("Key")})),
            std::vector<std::string>{"SLBBR1052"});
  const std::int32_t group = Count("SELECT MAX(BUSINESSPARTNERGRPID) FROM BUSINESSPARTNERGROUP");
  AddPartner(1, "Member");
  ASSERT_TRUE(NewPartner()->AddBPToBPGroup(1, group, 2));
  EXPECT_EQ(Codes(DeleteByScript("BUSINESSPARTNERGROUP", "BUSINESSPARTNERGRPID", rt::Variant(group))),
            std::vector<std::string>{"SLBBR1050"});
  ASSERT_TRUE(NewPartner()->RemoveBPFromBPGroup(1, group));
  EXPECT_TRUE(
      Codes(DeleteByScript("BUSINESSPARTNERGROUP", "BUSINESSPARTNERGRPID", rt::Variant(group))).empty());
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BUSINESSPARTNERGROUP"), 0);
  // An ID that is not a number never reaches the statement.
  const rt::ErrorRecord error = ErrorOf(
      [&] { DeleteByScript("BUSINESSPARTNERGROUP", "BUSINESSPARTNERGRPID", rt::Variant("1 OR 1=1")); });
  EXPECT_EQ(error.Number, rt::errnum::kTypeMismatch);
  EXPECT_FALSE(DeleteByScript("CURRENCY", "CURRENCYCODE", rt::Variant("EUR")));
}

TEST_F(PartnerRulesTest, DeletingAPartnerTakesItsOwnRowsAndLeavesItsAddresses) {
  AddPartner(1, "Gone");
  AddCustomerRow(1, "Gone customer");
  AddAddress(10, "Kept", 1);
  Execute("INSERT INTO BUSINESSPARTNERGROUP (BUSINESSPARTNERGRPID, BPGROUPNAME) VALUES (5, 'G')");
  Execute("INSERT INTO BPSBYBUSINESSPARTNERGRP VALUES (1, 5, 1)");
  Statements statements;
  std::int32_t id = 1;
  EXPECT_TRUE(NewPartner()->Delete(id));
  EXPECT_EQ(statements.seen.back(), "DELETE FROM BUSINESSPARTNER WHERE BUSINESSPARTNERID=1");
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BUSINESSPARTNERADDRESS"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CUSTOMER"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BPSBYBUSINESSPARTNERGRP"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM ADDRESS"), 1);

  const rt::ErrorRecord error = ErrorOf([&] { NewPartner()->Delete(id); });
  EXPECT_EQ(error.Number, bp::BusinessPartnerNotFound);
  EXPECT_EQ(error.Source, "KorvoCommon.BusinessPartner.Delete");
}

TEST_F(PartnerRulesTest, ARefusedDeleteLeavesPartnerAndLinksUntouched) {
  AddPartner(1, "Assigned");
  AddAddress(10, "Home", 1);
  Execute("INSERT INTO BPSPERUSER (USERID, BUSINESSPARTNERID) VALUES ('rep', 1)");
  std::int32_t id = 1;
  EXPECT_FALSE(NewPartner()->Delete(id));
  EXPECT_EQ(Codes(DeleteByScript("BUSINESSPARTNER", "BUSINESSPARTNERID", rt::Variant(1))),
            std::vector<std::string>{"SLBBR0000"});
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BUSINESSPARTNER"), 1);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BUSINESSPARTNERADDRESS"), 1);
  // An address a partner names as its postal address stays too.
  Execute("UPDATE BUSINESSPARTNER SET POSTALADDRESSID = 10");
  std::int32_t address = 10;
  EXPECT_FALSE(NewPartner()->AddressDelete(address));
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BUSINESSPARTNERADDRESS"), 1);
}

TEST_F(PartnerRulesTest, AddressAndCustomerDeletesAnswerFalseInsteadOfRaising) {
  AddPartner(1, "One");
  AddAddress(10, "Home", 1);
  std::int32_t address = 10;
  EXPECT_TRUE(NewPartner()->AddressDelete(address));
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BUSINESSPARTNERADDRESS"), 0);
  EXPECT_FALSE(NewPartner()->AddressDelete(address));
  EXPECT_FALSE(NewPartner()->CustomerDelete(1));
  EXPECT_EQ(Codes(DeleteByScript("CUSTOMER", "BUSINESSPARTNERID", rt::Variant(1))),
            std::vector<std::string>{"SLBBR0002"});
}

TEST_F(PartnerRulesTest, ExistsAsksTheFirstKeyItKnows) {
  AddPartner(7, "Seven");
  auto partner = NewPartner();
  rt::Variant keys(Texts({"BUSINESSPARTNERID"}));
  rt::Variant seven(rt::Array({rt::Variant(7)}));
  EXPECT_TRUE(partner->IReferentialIntegrity_Exists("BUSINESSPARTNER", keys, seven));
  EXPECT_FALSE(partner->IReferentialIntegrity_Exists("CUSTOMER", keys, seven));
  rt::Variant unknown(Texts({"bpid"}));
  EXPECT_TRUE(partner->IReferentialIntegrity_Exists("X", unknown, seven));
  rt::Variant country(Texts({"bpid", "countrycode"}));
  rt::Variant values(rt::Array({rt::Variant(1), rt::Variant("XX")}));
  EXPECT_FALSE(partner->IReferentialIntegrity_Exists("X", country, values));
  rt::Variant known(rt::Array({rt::Variant(1), rt::Variant("NL")}));
  EXPECT_TRUE(partner->IReferentialIntegrity_Exists("X", country, known));
}

// Every declared reference in the database, checked for rows whose parent
// is gone.
TEST_F(PartnerRulesTest, NothingIsLeftDanglingAfterDeletesThroughTheLibrary) {
  AddPartner(1, "Customer");
  AddCustomerRow(1, "Customer", "1", "'DHL'");
  AddAddress(10, "Home", 1);
  AddAddress(11, "Shared", 1);
  AddPartner(2, "Other");
  Execute("INSERT INTO BUSINESSPARTNERADDRESS VALUES (2, 11)");
  Execute("INSERT INTO BUSINESSPARTNERGROUP (BUSINESSPARTNERGRPID, BPGROUPNAME) VALUES (5, 'G')");
  Execute("INSERT INTO BPSBYBUSINESSPARTNERGRP VALUES (1, 5, 1)");
  Execute("INSERT INTO BPSBYBUSINESSPARTNERGRP VALUES (2, 5, 2)");

  std::int32_t address = 11;
  EXPECT_TRUE(NewPartner()->AddressDelete(address));
  std::int32_t partner = 1;
  EXPECT_TRUE(NewPartner()->Delete(partner));
  EXPECT_EQ(Codes(DeleteByScript("BUSINESSPARTNERGROUP", "BUSINESSPARTNERGRPID", rt::Variant(5))),
            std::vector<std::string>{"SLBBR1050"});
  EXPECT_TRUE(Codes(DeleteByScript("BUSINESSPARTNER", "BUSINESSPARTNERID", rt::Variant(2))).empty());
  EXPECT_TRUE(
      Codes(DeleteByScript("BUSINESSPARTNERGROUP", "BUSINESSPARTNERGRPID", rt::Variant(5))).empty());

  for (const data::Reference& reference : data::SchemaReferences()) {
    const std::string& child = reference.childTable;
    const std::string& column = reference.childColumns.front();
    const std::string sql = "SELECT COUNT(*) FROM " + child + " C WHERE C." + column +
                            " IS NOT NULL AND NOT EXISTS (SELECT 1 FROM " + reference.parentTable +
                            " P WHERE P." + reference.parentColumns.front() + " = C." + column + ")";
    EXPECT_EQ(Count(sql), 0) << child << "." << column;
  }
}

// Two writers in one caller transaction: a writer that voted abort inside a
// helper and complete before returning does not doom the caller's work; one
// whose call returns with an abort vote does.
TEST_F(PartnerRulesTest, OnlyAWritersLastVoteCountsForTheCallersTransaction) {
  AddPartner(1, "Assigned");
  Execute("INSERT INTO BPSPERUSER (USERID, BUSINESSPARTNERID) VALUES ('rep', 1)");
  const auto run = [&](const char* groupName, bool secondFails) {
    host::HostScope scope;
    const auto create = [&] { return scope.Context().CreateInstance(kBusinessPartnerProgId); };
    rt::ObjectRef refused = create();
    rt::ObjectRef writer = create();
    // A refused partner delete: abort inside Delete, complete at the end.
    auto bdo = rt::Dictionary::Create();
    bdo->Add(rt::Variant("METAObjectID"), rt::Variant("BPDataObject"));
    bdo->Add(rt::Variant("BUSINESSPARTNERID"), rt::Variant(1));
    std::vector<rt::Variant> deleteArgs{rt::Variant(bdo)};
    refused->Invoke("BusinessRules_Delete", rt::InvokeKind::Method, deleteArgs);
    std::vector<rt::Variant> insertArgs{rt::Variant("BUSINESSPARTNERGROUP"),
                                        rt::Variant(Texts({"BPGROUPNAME"})),
                                        rt::Variant(Texts({groupName}))};
    writer->Invoke("InsertFromScript", rt::InvokeKind::Method, insertArgs);
    if (secondFails) {
      // The same name again: SLBBR1052, an abort vote at the end of the call.
      writer->Invoke("InsertFromScript", rt::InvokeKind::Method, insertArgs);
    }
    return scope.End();
  };
  EXPECT_EQ(run("Kept", false), host::Outcome::Committed);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BUSINESSPARTNERGROUP WHERE BPGROUPNAME = 'Kept'"), 1);
  EXPECT_EQ(run("Lost", true), host::Outcome::Aborted);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BUSINESSPARTNERGROUP WHERE BPGROUPNAME = 'Lost'"), 0);
}

}  // namespace
}  // namespace korvo::common::testing
