// The current business partner and the look-ups by code, ID and name.
#include <algorithm>

#include "partner_fixture.h"

namespace korvo::common::testing {
namespace {

class PartnerLookupTest : public PartnerTest {
 protected:
  void SetUp() override {
    PartnerTest::SetUp();
    AddPartner(
        1, "Acme",
        ", ZRKCUSTOMERCODE, ZRKSUPPLIERCODE, CURRENCYCODE, PRICINGMETHOD, DUNSNUMBER, BUSINESSID, ISONETIMEBP",
        ", '  C100  ', ' S100', 'EUR', 2, '123456789', 'B-1', 0");
    AddCustomerRow(1, "Acme customer", "12.5", "'DHL'");
    AddPartner(2, "Bolt", ", ZRKSUPPLIERCODE, ZRKCREDITCARDCUSTOMERCODE", ", 'S200', 'CC2'");
  }
};

TEST_F(PartnerLookupTest, LoadsOnceAndKeepsTheRowItRead) {
  auto partner = NewPartner();
  std::int32_t id = 1;
  partner->GetBusinessPartner(id);
  EXPECT_EQ(partner->GetCustomerCode(std::nullopt), "C100");
  EXPECT_EQ(partner->GetInvoiceCustomerCode(std::nullopt), "C100");
  EXPECT_EQ(partner->GetSupplierCode(std::nullopt), "S100");
  EXPECT_EQ(partner->GetCustomerName(std::nullopt), "Acme customer");
  EXPECT_DOUBLE_EQ(partner->GetCustomerDiscountPercentage(std::nullopt), 12.5);
  EXPECT_EQ(partner->GetCustomerCarrier(std::nullopt), "DHL");
  EXPECT_EQ(partner->GetCustomerPricingMethod(std::nullopt), 2);

  // The same ID reads nothing, so a change is not seen...
  Execute("UPDATE BUSINESSPARTNER SET NAME = 'Acme renamed' WHERE BUSINESSPARTNERID = 1");
  Statements statements;
  partner->GetBusinessPartner(id);
  EXPECT_TRUE(statements.seen.empty());
  EXPECT_EQ(partner->GetBusinessPartnerName(std::nullopt), "Acme");
  // ...until another partner was loaded in between.
  EXPECT_EQ(partner->GetBusinessPartnerName(rt::Variant(2)), "Bolt");
  EXPECT_EQ(partner->GetBusinessPartnerName(rt::Variant(1)), "Acme renamed");
}

TEST_F(PartnerLookupTest, AFailedLoadKeepsThePreviousPartner) {
  auto partner = NewPartner();
  std::int32_t id = 2;
  partner->GetBusinessPartner(id);
  std::int32_t missing = 99;
  const rt::ErrorRecord error = ErrorOf([&] { partner->GetBusinessPartner(missing); });
  EXPECT_EQ(error.Number, BusinessPartnerNotFound);
  EXPECT_EQ(error.Description,
            infra::Err_FormatMessage("BusinessPartner 99 not found", BusinessPartnerNotFound,
                                     "KorvoCommon.BusinessPartner.GetBusinessPartner(99)"));
  EXPECT_EQ(rt::CLng(partner->GetBusinessPartnerID()), 2);
  EXPECT_EQ(partner->GetBusinessPartnerName(std::nullopt), "Bolt");
  EXPECT_EQ(Logged().size(), 1u);
}

TEST_F(PartnerLookupTest, APartnerWithoutCustomerRowHasNoCustomerValues) {
  auto partner = NewPartner();
  std::int32_t id = 2;
  partner->GetBusinessPartner(id);
  EXPECT_EQ(partner->GetCustomerName(std::nullopt), "");
  EXPECT_DOUBLE_EQ(partner->GetCustomerDiscountPercentage(std::nullopt), 0.0);
  EXPECT_EQ(partner->GetCustomerCarrier(std::nullopt), "");
  EXPECT_TRUE(partner->IsSupplier());
  EXPECT_TRUE(partner->IsCCCustomer());
  EXPECT_FALSE(partner->IsInvoiceCustomer());
  EXPECT_FALSE(partner->IsCustomer());  // a credit-card code but no CUSTOMER row
}

TEST_F(PartnerLookupTest, AFreshObjectAnswersEmptyUntilActivated) {
  auto partner = NewPartner();
  EXPECT_EQ(rt::CLng(partner->GetBusinessPartnerID()), 0);
  std::int32_t zero = 0;
  partner->GetBusinessPartner(zero);  // the current ID: nothing is read
  EXPECT_EQ(partner->GetBusinessPartnerName(std::nullopt), "");
  partner->ObjectControl_Activate();
  EXPECT_EQ(rt::CLng(partner->GetBusinessPartnerID()), -1);
  EXPECT_FALSE(partner->ObjectControl_CanBePooled());
}

TEST_F(PartnerLookupTest, BackOfficeCodesByUserType) {
  auto partner = NewPartner();
  rt::Variant code("S200");
  std::int16_t supplier = bp::SUPPLIER;
  EXPECT_EQ(partner->GetBusinessPartnerIDByZRKID(code, supplier), "2");

  std::int16_t unknown = 3;
  const rt::ErrorRecord error = ErrorOf([&] { partner->GetBusinessPartnerIDByZRKID(code, unknown); });
  EXPECT_EQ(error.Number, UnknownUserType);
  EXPECT_NE(error.Description.find("Unknown user type '3'"), std::string::npos);
  EXPECT_EQ(partner->GetBusinessPartnerIDByZRKID2(code, unknown), "-1");

  rt::Variant missing("X'1");
  std::int16_t customer = bp::CUSTOMER;
  const rt::ErrorRecord notFound =
      ErrorOf([&] { partner->GetBusinessPartnerIDByZRKID(missing, customer); });
  EXPECT_EQ(notFound.Number, BusinessPartnerNotFound);
  EXPECT_NE(notFound.Description.find("ZRKCustomercode 'X'1' not found"), std::string::npos);
}

TEST_F(PartnerLookupTest, DunsAndBusinessIds) {
  auto partner = NewPartner();
  EXPECT_EQ(partner->GetBusinessPartnerIDByDUNS("123456789"), 1);
  Logged();
  const rt::ErrorRecord error = ErrorOf([&] { partner->GetBusinessPartnerIDByDUNS("000"); });
  EXPECT_EQ(error.Number, bp::DUNSNumberNotFound);
  EXPECT_EQ(error.Description, "DUNS Number not found: DUNS=000");
  EXPECT_EQ(error.Source, "KorvoCommon.Businesspartner.GetBusinessPartnerByDUNS");
  EXPECT_TRUE(Logged().empty());

  std::string businessId = "B-1";
  EXPECT_EQ(partner->GetBusinessPartnerIDByBusinessID(businessId), 1);
  std::string unknown = "nobody's";
  EXPECT_EQ(partner->GetBusinessPartnerIDByBusinessID(unknown), -1);
  EXPECT_FALSE(partner->checkBusinessPartnerIDByBusinessID(unknown));
}

TEST_F(PartnerLookupTest, SearchTextsMatchLiterally) {
  AddPartner(3, "50% off_[sale]", ", ZRKSUPPLIERCODE", ", 'S300'");
  AddPartner(4, "5000 offXsale", ", ZRKSUPPLIERCODE", ", 'S400'");
  AddPartner(5, "O''Brien", ", ZRKSUPPLIERCODE", ", 'S500'");
  auto partner = NewPartner();
  std::string percent = "0% off_[";
  EXPECT_EQ(Column(partner->GetBusinessPartnersByPartOfName(percent), "NAME"),
            std::vector<std::string>{"50% off_[sale]"});
  std::string apostrophe = "'B";
  EXPECT_EQ(Column(partner->GetSuppliersByPartOfName(apostrophe), "NAME"),
            std::vector<std::string>{"O'Brien"});
  EXPECT_EQ(Column(partner->GetCustomersByPartOfName("me cust"), "CUSTOMERNAME"),
            std::vector<std::string>{"Acme customer"});
}

TEST_F(PartnerLookupTest, SupplierRanges) {
  AddPartner(3, "Cyan", ", ZRKSUPPLIERCODE", ", 'S300'");
  auto partner = NewPartner();
  rt::Variant none = rt::Variant::Null();
  rt::Variant empty("");
  // Both bounds empty: every partner, suppliers or not, by name.
  EXPECT_EQ(Column(partner->GetSuppliersByCodeRange(none, empty), "NAME"),
            (std::vector<std::string>{"Acme", "Bolt", "Cyan"}));
  rt::Variant from("S200");
  EXPECT_EQ(Column(partner->GetSuppliersByCodeRange(from, empty), "NAME"),
            (std::vector<std::string>{"Bolt", "Cyan"}));
  rt::Variant to("Bolt");
  EXPECT_EQ(Column(partner->GetSuppliersByNameRange(none, to), "ZRKSUPPLIERCODE"),
            (std::vector<std::string>{" S100", "S200"}));
}

TEST_F(PartnerLookupTest, TransportCarrierOfTheCurrentPartnerIsWrittenBack) {
  auto partner = NewPartner();
  std::int32_t id = 1;
  partner->GetBusinessPartner(id);
  std::optional<rt::Variant> code;
  EXPECT_EQ(Column(partner->GetTransportCarrier(code), "CARRIERNAME"),
            std::vector<std::string>{"DHL Express"});
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(rt::CStr(*code), "DHL");
  // Through the dispatch table, an omitted argument passed as Missing.
  std::vector<rt::Variant> args{rt::Variant::Missing()};
  partner->Invoke("GetTransportCarrier", rt::InvokeKind::Method, args);
  EXPECT_EQ(rt::CStr(args[0]), "DHL");
}

TEST_F(PartnerLookupTest, CountriesPresenceAndOneTimeFlag) {
  auto partner = NewPartner();
  std::string nl = " NL ";
  EXPECT_EQ(partner->GetISOCountryCode(nl), "NLD");
  std::string xx = "XX ";
  const rt::ErrorRecord error = ErrorOf([&] { partner->GetISOCountryCode(xx); });
  EXPECT_EQ(error.Number, kComponentErrorBase);
  EXPECT_NE(error.Description.find("Country Code XX  was not found"), std::string::npos);

  std::int32_t normal = 0;
  EXPECT_EQ(partner->IsBusinessPartnerPresent("Acme", normal), 1);
  Statements statements;
  EXPECT_EQ(partner->IsBusinessPartnerPresent("", normal), 0);
  EXPECT_TRUE(statements.seen.empty());

  partner->SetOneTimeBusinessPartner(2, true);
  EXPECT_TRUE(partner->IsOneTimeBusinessPartner(rt::Variant(2)));
  const rt::ErrorRecord missing = ErrorOf([&] { partner->SetOneTimeBusinessPartner(42, true); });
  EXPECT_EQ(missing.Number, bp::BusinessPartnerNotFound);
  EXPECT_EQ(missing.Description, "Businesspartner not found");
}

TEST_F(PartnerLookupTest, RemainingPartnersRefuseNonNumericIds) {
  auto partner = NewPartner();
  EXPECT_EQ(Column(partner->GetRemainingBusinessPartners(rt::Variant(Texts({"1"}))), "NAME"),
            std::vector<std::string>{"Bolt"});
  Statements statements;
  const rt::ErrorRecord error =
      ErrorOf([&] { partner->GetRemainingBusinessPartners(rt::Variant(Texts({"1) OR (1=1"}))); });
  EXPECT_EQ(error.Number, rt::errnum::kTypeMismatch);
  // An empty list is refused on every database, as standard SQL does.
  EXPECT_EQ(ErrorOf([&] { partner->GetRemainingBusinessPartners(rt::Variant(rt::Array())); }).Number,
            contracts::dberr::kSyntax);
  EXPECT_TRUE(statements.seen.empty());
}

}  // namespace
}  // namespace korvo::common::testing
