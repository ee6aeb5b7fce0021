// Every public operation is callable by name, as scripts and korvo call it.
#include "partner_fixture.h"

namespace korvo::common::testing {
namespace {

constexpr const char* kInterface[] = {
    "GetAddress",
    "GetAddresses",
    "GetZRKAddressCodeFromAddressID",
    "GetAddressIdByName",
    "GetAddressIdbyZRKAddressCode",
    "GetAllAddresses",
    "GetAddressData",
    "GetAllTransportCarriers",
    "GetBusinessPartner",
    "GetBusinessPartnerIDByZRKID",
    "GetBusinessPartnerIDByZRKID2",
    "GetBusinessPartnerIDByBusinessID",
    "GetBusinessPartnerID",
    "GetBusinessID",
    "GetBusinessPartnerName",
    "GetBusinessPartnerData",
    "GetBusinessPartnerNames",
    "GetBusinessPartnerUserId",
    "GetBusinessPartnerPricingMethod",
    "GetBuyer",
    "GetCurrency",
    "GetOrderRequestUrl",
    "GetQtxEnabled",
    "GetBusinessPartnerUrl",
    "GetCountries",
    "GetAllCustomers",
    "GetAllSuppliersFromBP",
    "GetCustomerData",
    "GetAllCustomersFromBP",
    "GetBusinessPartnerDetails",
    "GetCustomersByPartOfName",
    "GetCustomerCarrier",
    "GetCustomerCode",
    "GetCCCustomerCode",
    "GetInvoiceCustomerCode",
    "GetCustomerCurrency",
    "GetCustomerDiscountPercentage",
    "GetCustomerName",
    "GetCustomerPricingMethod",
    "GetISOCountryCode",
    "GetPostalAddress",
    "GetPostalAddressID",
    "GetRemainingBusinessPartners",
    "GetShippingAddress",
    "GetShippingAddressID",
    "GetSupplierCode",
    "GetSuppliersByCodeRange",
    "GetSuppliersByNameRange",
    "GetSuppliersByPartOfName",
    "GetTransportCarrier",
    "Release",
    "SupplierExists",
    "checkBusinessPartnerIDByBusinessID",
    "GetBusinessPartnersByPartOfName",
    "AddExistingAddress",
    "AddNewAddress",
    "AddNewAddressEx",
    "IsCustomer",
    "IsInvoiceCustomer",
    "IsCCCustomer",
    "IsSupplier",
    "IsInternalBusinessPartner",
    "IsOneTimeBusinessPartner",
    "InsertFromScript",
    "UpdateFromScript",
    "DeleteFromScript",
    "Delete",
    "AddressDelete",
    "CustomerDelete",
    "GetDefaultSupplierCode",
    "GetDUNSNumber",
    "GetGlobalPartnerClassificationCode",
    "GetBusinessPartnerIDByDUNS",
    "GetBusinessPartnersLimited",
    "GetAllBusinessPartners",
    "GetBusinessPartners",
    "SetOneTimeBusinessPartner",
    "IsBusinessPartnerPresent",
    "GetSoldToAddress",
    "GetSoldToAddressID",
    "GetSalesRepresentativeBPs",
    "IsLinkedBP",
    "AddBPToBPGroup",
    "RemoveBPFromBPGroup",
    "UpdateBusinessPartnerLevel",
    "GetBusinessPartnersbyBPGroup",
    "GetBPGroupsbyBusinessPartner",
    "isBusinessPartnerInBPGroup",
    "GetCostCenters",
    "ObjectControl_Activate",
    "ObjectControl_Deactivate",
    "ObjectControl_CanBePooled",
    "BusinessRules_GetInstance",
    "BusinessRules_Insert",
    "BusinessRules_Update",
    "BusinessRules_Delete",
    "IReferentialIntegrity_Exists",
    "IReferentialIntegrity_BeforeDelete",
};

TEST(PartnerInterfaceTest, EveryOperationIsInTheDispatchTableOnce) {
  registration::RegisterAll();
  auto partner = std::dynamic_pointer_cast<BusinessPartner>(host::CreateObject(kBusinessPartnerProgId));
  ASSERT_TRUE(partner);
  const host::DispatchTable& table = partner->Dispatch();
  for (const char* name : kInterface) {
    EXPECT_NE(table.Find(name, rt::InvokeKind::Method), nullptr) << name;
  }
  EXPECT_EQ(table.Members().size(), std::size(kInterface));
}

TEST_F(PartnerTest, ObjectsCreatedInTheHostAreActivatedAndNeverPooled) {
  const auto info = host::Registry::Global().Find(kBusinessPartnerProgId);
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->transaction, host::TransactionAttribute::Required);
  EXPECT_TRUE(info->objectControl);
}

}  // namespace
}  // namespace korvo::common::testing
