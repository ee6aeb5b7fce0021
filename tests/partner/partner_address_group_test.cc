// Addresses of a partner, group memberships, sales representatives and
// cost centres.
#include "partner_fixture.h"

namespace korvo::common::testing {
namespace {

class PartnerAddressTest : public PartnerTest {
 protected:
  void SetUp() override {
    PartnerTest::SetUp();
    AddPartner(1, "Acme", ", POSTALADDRESSID", ", 10");
    AddAddress(10, "Head office", 1, "'  ZRK10 '");
    AddPartner(2, "Bolt");
  }
};

TEST_F(PartnerAddressTest, NamedAddressesAndCodes) {
  auto partner = NewPartner();
  EXPECT_EQ(Column(partner->GetPostalAddress(rt::Variant(1)), "NAME1"),
            std::vector<std::string>{"Head office"});
  EXPECT_TRUE(partner->GetShippingAddress(std::nullopt)->IsEOF());  // address ID 0
  EXPECT_EQ(partner->GetAddressIdbyZRKAddressCode(" ZRK10"), -1);
  Execute("UPDATE ADDRESS SET ZRKADDRESSCODE = 'ZRK10' WHERE ADDRESSID = 10");
  EXPECT_EQ(partner->GetAddressIdbyZRKAddressCode(" ZRK10 "), 10);
  rt::Variant id(10);
  EXPECT_EQ(partner->GetZRKAddressCodeFromAddressID(id), "ZRK10");
  rt::Variant missing(99);
  EXPECT_EQ(partner->GetZRKAddressCodeFromAddressID(missing), "");
}

TEST_F(PartnerAddressTest, AnAddressFoundByNameIsLinkedToThePartner) {
  auto partner = NewPartner();
  std::string name = "Head office";
  std::int32_t bolt = 2;
  EXPECT_EQ(partner->GetAddressIdByName(name, bolt), 10);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BUSINESSPARTNERADDRESS WHERE BUSINESSPARTNERID = 2"), 1);
  EXPECT_EQ(rt::CLng(partner->GetBusinessPartnerID()), 2);
  EXPECT_EQ(partner->GetAddressIdByName(name, bolt), 10);  // linked once only
  std::string unknown = "Nowhere";
  EXPECT_EQ(partner->GetAddressIdByName(unknown, bolt), -1);
}

TEST_F(PartnerAddressTest, NewAddressesSkipEmptyItemsAndRefuseUnknownKeys) {
  auto partner = NewPartner();
  auto address = rt::Dictionary::Create();
  address->Add(rt::Variant(bp::NAME1), rt::Variant("Depot"));
  address->Add(rt::Variant(bp::COUNTRYCODE), rt::Variant("NL"));
  address->Add(rt::Variant(bp::STREET1), rt::Variant(""));
  address->Add(rt::Variant(bp::Fax), rt::Variant(0));
  const std::int32_t id = partner->AddNewAddressEx(address, rt::Variant(2));
  EXPECT_EQ(Count("SELECT COUNT(*) FROM ADDRESS WHERE NAME1 = 'Depot' AND STREET1 IS NULL AND "
                  "FAX IS NULL AND ADDRESSID = " +
                  std::to_string(id)),
            1);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BUSINESSPARTNERADDRESS WHERE BUSINESSPARTNERID = 2 AND "
                  "ADDRESSID = " +
                  std::to_string(id)),
            1);

  // A link never names a partner or an address that is not there.
  std::int32_t unknownAddress = 99;
  EXPECT_EQ(ErrorOf([&] { partner->AddExistingAddress(unknownAddress, rt::Variant(2)); }).Number,
            AddressNotFound);
  std::int32_t known = 10;
  EXPECT_EQ(ErrorOf([&] { partner->AddExistingAddress(known, rt::Variant(77)); }).Number,
            BusinessPartnerNotFound);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BUSINESSPARTNERADDRESS WHERE ADDRESSID = 99 OR "
                  "BUSINESSPARTNERID = 77"),
            0);

  auto wrong = rt::Dictionary::Create();
  wrong->Add(rt::Variant(12), rt::Variant("no such field"));
  const std::int32_t before = Count("SELECT COUNT(*) FROM ADDRESS");
  ErrorOf([&] { partner->AddNewAddress(wrong, std::nullopt); });
  EXPECT_EQ(Count("SELECT COUNT(*) FROM ADDRESS"), before);
}

class PartnerGroupTest : public PartnerTest {
 protected:
  void SetUp() override {
    PartnerTest::SetUp();
    AddPartner(1, "Zeta");
    AddPartner(2, "Alpha");
    AddPartner(3, "Loner");
    Execute("INSERT INTO BUSINESSPARTNERGROUP (BUSINESSPARTNERGRPID, BPGROUPNAME) VALUES (5, 'Five')");
    Execute("INSERT INTO BUSINESSPARTNERGROUP (BUSINESSPARTNERGRPID, BPGROUPNAME) VALUES (6, 'Six')");
  }
};

TEST_F(PartnerGroupTest, MembersAndGroupsBothWays) {
  auto partner = NewPartner();
  ASSERT_TRUE(partner->AddBPToBPGroup(1, 5, 1));
  ASSERT_TRUE(partner->AddBPToBPGroup(2, 5, 2));
  ASSERT_TRUE(partner->AddBPToBPGroup(1, 6, 3));
  EXPECT_EQ(Column(partner->GetBusinessPartnersbyBPGroup(5, std::nullopt), "BUSINESSPARTNERID"),
            (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(Column(partner->GetBusinessPartnersbyBPGroup(5, rt::Variant(true)), "NAME"),
            (std::vector<std::string>{"Alpha", "Zeta"}));
  std::optional<rt::Variant> names = rt::Variant(1);
  EXPECT_EQ(Column(partner->GetBPGroupsbyBusinessPartner(1, names), "BPGROUPNAME"),
            (std::vector<std::string>{"Five", "Six"}));
  std::optional<rt::Variant> ids;
  EXPECT_TRUE(partner->GetBPGroupsbyBusinessPartner(3, ids)->IsEOF());
  EXPECT_TRUE(partner->isBusinessPartnerInBPGroup(2, 5));
  EXPECT_FALSE(partner->isBusinessPartnerInBPGroup(2, 6));

  EXPECT_TRUE(partner->UpdateBusinessPartnerLevel(3, 5, 9));  // not a member: nothing changes
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BPSBYBUSINESSPARTNERGRP WHERE BPLEVEL = 9"), 0);
  EXPECT_TRUE(partner->UpdateBusinessPartnerLevel(2, 5, 9));
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BPSBYBUSINESSPARTNERGRP WHERE BPLEVEL = 9"), 1);
  EXPECT_NE(ErrorOf([&] { partner->AddBPToBPGroup(1, 5, 1); }).Number, 0);  // already a member
  EXPECT_EQ(ErrorOf([&] { partner->AddBPToBPGroup(3, 42, 1); }).Number, bp::BusinessPartnerNotFound);
  EXPECT_EQ(ErrorOf([&] { partner->AddBPToBPGroup(42, 5, 1); }).Number, BusinessPartnerNotFound);
}

TEST_F(PartnerGroupTest, SalesRepresentativesMatchTheirIdLiterally) {
  Execute("INSERT INTO BPSPERUSER (USERID, BUSINESSPARTNERID) VALUES ('o''neil', 2)");
  Execute("INSERT INTO BPSPERUSER (USERID, BUSINESSPARTNERID) VALUES ('o''neil', 1)");
  Execute("INSERT INTO BPSPERUSER (USERID, BUSINESSPARTNERID) VALUES ('oneil', 3)");
  auto partner = NewPartner();
  const rt::DictionaryRef partners = partner->GetSalesRepresentativeBPs("o'neil");
  EXPECT_EQ(partners->Count(), 2);
  EXPECT_EQ(rt::CStr(partners->Item(rt::Variant(2))), "Alpha");
  EXPECT_TRUE(partner->IsLinkedBP("o'neil", 1));
  EXPECT_FALSE(partner->IsLinkedBP("o'neil", 3));
  EXPECT_EQ(partner->GetSalesRepresentativeBPs("nobody")->Count(), 0);
}

}  // namespace
}  // namespace korvo::common::testing
