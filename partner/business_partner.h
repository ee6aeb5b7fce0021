// BusinessPartner: customers, suppliers and credit-card customers with their
// addresses, carriers, groups and sales representatives (ProgID
// "KorvoCommon.BusinessPartner", transaction required, never pooled).
//
// Reads: one partner is loaded into the object as its current business
// partner (GetBusinessPartner, or any getter given an ID) and read back
// through the getters; look-ups, searches and lists return disconnected
// record sets. Paged listings return a KorvoLibrary.DRecordset. Writes:
// addresses and group memberships through typed methods, partners,
// addresses, customers and groups through the script methods and the
// BusinessRules interface, whose findings come back as message codes in a
// Korvex.ResultObject; deletions ask Korvex.ReferentialChecker first.
//
// State: the current business partner (loaded once per ID: loading the ID
// that is already current reads nothing, so a changed row is seen only
// after another ID was loaded or the object was activated again) and the
// address field-name dictionary, built on first use. Nothing is shared with
// other objects. Objects are single-threaded; create one per request.
//
// Errors: failures are logged through Korvex.Log under
// "KorvoCommon.BusinessPartner." + method and raised again with the same
// number; each declaration's comment names the exceptions (unlogged
// errors, results returned instead of raising, contexts of their own).
// Writers vote abort on failure and complete on success.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/contracts/business_rules.h"
#include "platform/contracts/database.h"
#include "platform/host/component.h"
#include "platform/runtime/dictionary.h"
#include "platform/runtime/object.h"
#include "platform/runtime/variant.h"

namespace korvo::infra {
class Findings;
struct PagedListingRequest;
}  // namespace korvo::infra

namespace korvo::common {

inline constexpr const char* kBusinessPartnerProgId = "KorvoCommon.BusinessPartner";

class BusinessPartner final : public host::Component,
                              public host::ObjectControl,
                              public contracts::BusinessRules,
                              public contracts::ReferentialIntegrity {
 public:
  using RecordsetRef = contracts::RecordsetRef;
  // An optional partner ID: when given, that partner is loaded first.
  using OptionalId = std::optional<rt::Variant>;

  // Builds the maintenance field lists; no partner is current (ID 0).
  BusinessPartner();

  std::string TypeName() const override { return "BusinessPartner"; }
  const host::DispatchTable& Dispatch() const override;

  // --- Addresses (bp_addresses.cc) ---

  // One address joined with its country.
  RecordsetRef GetAddress(rt::Variant& iAddressID);
  // The addresses linked to the current partner.
  RecordsetRef GetAddresses(OptionalId iBPID);
  // ZRKADDRESSCODE of the address; "" when there is no such address or the
  // code is Null.
  std::string GetZRKAddressCodeFromAddressID(rt::Variant& iAddressID);
  // The first address whose NAME1 is iName1, linked to iBPID first when it
  // was not (which makes iBPID current); -1 when no address has that name.
  // Failures are reported as "...GetAddressIdByNameAndCountry".
  std::int32_t GetAddressIdByName(std::string& iName1, std::int32_t& iBPID);
  // The address with that back-office code (trimmed); -1 when none. No vote.
  std::int32_t GetAddressIdbyZRKAddressCode(std::string i_sZRKAddressCode);

  // --- Paged listings (bp_listings.cc) ---

  // Retired: raises -1 naming GetAddressData.
  rt::ObjectRef GetAllAddresses();
  // Addresses page by page as a KorvoLibrary.DRecordset.
  rt::ObjectRef GetAddressData(const rt::Variant& i_oPage, std::string i_sPersistedStateInfo,
                               std::int16_t i_iPageSize, std::optional<rt::Variant> i_alAddressIDs,
                               std::optional<std::string> i_sSortTableFieldNames);

  // --- Look-ups (bp_lookups.cc) ---

  RecordsetRef GetAllTransportCarriers();
  // Loads the partner (with its customer row) as the current business
  // partner. The current ID returns at once without reading. An unknown ID
  // raises KorvoCommonError BusinessPartnerNotFound ("BusinessPartner <id>
  // not found") and leaves the previous partner current.
  void GetBusinessPartner(std::int32_t& iBPID);
  // The partner's ID as text for a back-office code of iUserType (0
  // customer, 1 supplier, 2 credit-card customer). Another type raises
  // UnknownUserType, an unknown code BusinessPartnerNotFound.
  std::string GetBusinessPartnerIDByZRKID(rt::Variant& iZRKID, std::int16_t& iUserType);
  // The same, but "-1" for every failure; never raises.
  std::string GetBusinessPartnerIDByZRKID2(rt::Variant& iZRKID, std::int16_t& iUserType);
  // The partner with that BUSINESSID; -1 when none.
  std::int32_t GetBusinessPartnerIDByBusinessID(std::string& iBusinessID);
  // The current ID (0 before any load, -1 after activation); reads nothing.
  rt::Variant GetBusinessPartnerID();

  // Getters of the current business partner: each loads iBPID first when
  // given (a failed load raises as GetBusinessPartner does), then answers
  // from the current record.
  std::string GetBusinessID(OptionalId iBPID);
  std::string GetBusinessPartnerName(OptionalId iBPID);

  // Paged partner listing as a DRecordset (bp_listings.cc).
  rt::ObjectRef GetBusinessPartnerData(const rt::Variant& i_oPage, std::string i_sPersistedStateInfo,
                                       std::int16_t i_iPageSize, bool i_bSkipOneTimeBusinessPartners,
                                       bool i_bSkipInternalBusinessPartners,
                                       std::optional<rt::Variant> i_alBPIDs,
                                       std::optional<std::string> i_sSortTableFieldNames);
  // Retired (bp_listings.cc): raises -1 naming GetBusinessPartnersLimited.
  rt::ObjectRef GetBusinessPartnerNames(const rt::Variant& i_oPage, std::string i_sPersistedStateInfo,
                                        std::int16_t i_iPageSize, bool i_bSkipOneTimeBusinessPartners,
                                        bool i_bSkipInternalBusinessPartners,
                                        std::optional<rt::Variant> i_alBPIDs);

  // No load fills this member: "" for every partner (GetBuyer gives USERID).
  std::string GetBusinessPartnerUserId(std::optional<std::int32_t> i_lBusinessPartnerID);
  std::int16_t GetBusinessPartnerPricingMethod(OptionalId iBPID);
  std::string GetBuyer(OptionalId iBPID);
  std::string GetCurrency(OptionalId iBPID);
  std::string GetOrderRequestUrl(OptionalId iBPID);
  bool GetQtxEnabled(OptionalId iBPID);
  std::string GetBusinessPartnerUrl(OptionalId iBPID);
  // Every country (the argument is ignored).
  RecordsetRef GetCountries(OptionalId iBPID);
  RecordsetRef GetAllCustomers();
  // Partners with a supplier code, by ID.
  RecordsetRef GetAllSuppliersFromBP();

  // Paged customer listing as a DRecordset (bp_listings.cc).
  rt::ObjectRef GetCustomerData(const rt::Variant& i_oPage, std::string i_sPersistedStateInfo,
                                std::int16_t i_iPageSize, bool i_bSkipOneTimeBusinessPartners,
                                bool i_bSkipInternalBusinessPartners,
                                std::optional<rt::Variant> i_alBPIDs,
                                std::optional<std::string> i_sSortTableFieldNames);
  // Retired (bp_listings.cc): raises -1 naming GetCustomerData.
  rt::ObjectRef GetAllCustomersFromBP();

  // Name and back-office codes of one partner. The ID is taken as 32-bit,
  // so partners beyond 32,767 can be asked for too.
  RecordsetRef GetBusinessPartnerDetails(std::int32_t iBPID);
  // Customers whose name contains the text literally.
  RecordsetRef GetCustomersByPartOfName(std::string iNamePart);
  std::string GetCustomerCarrier(OptionalId iBPID);
  std::string GetCustomerCode(OptionalId iBPID);
  std::string GetCCCustomerCode(OptionalId iBPID);
  std::string GetInvoiceCustomerCode(OptionalId iBPID);
  std::string GetCustomerCurrency(OptionalId iBPID);
  double GetCustomerDiscountPercentage(OptionalId iBPID);
  std::string GetCustomerName(OptionalId iBPID);
  std::int16_t GetCustomerPricingMethod(OptionalId iBPID);
  // ISOCODE of the country (code trimmed); an unknown country raises the
  // component error base ("Country Code <code> was not found").
  std::string GetISOCountryCode(std::string& iCountryCode);

  // The current partner's postal address (bp_addresses.cc).
  RecordsetRef GetPostalAddress(OptionalId iBPID);
  std::int32_t GetPostalAddressID(OptionalId iBPID);
  // Every partner whose ID is not in iIDs (all of them without iIDs).
  // Elements that are not whole numbers are refused before any read.
  RecordsetRef GetRemainingBusinessPartners(std::optional<rt::Variant> iIDs);
  RecordsetRef GetShippingAddress(OptionalId iBPID);  // bp_addresses.cc
  std::int32_t GetShippingAddressID(OptionalId iBPID);
  std::string GetSupplierCode(OptionalId iBPID);
  // Partners with a supplier code in the range, ordered by name; empty
  // bounds are left out (both empty: every partner).
  RecordsetRef GetSuppliersByCodeRange(rt::Variant& iFromCode, rt::Variant& iToCode);
  // Suppliers with a name in the range, ordered by supplier code.
  RecordsetRef GetSuppliersByNameRange(rt::Variant& iFromName, rt::Variant& iToName);
  RecordsetRef GetSuppliersByPartOfName(std::string& iNamePart);
  // The carrier; without an argument the current partner's carrier code is
  // used and written back into the argument.
  RecordsetRef GetTransportCarrier(std::optional<rt::Variant>& iCarrierCode);
  // Commit vote; nothing else.
  void Release();
  bool SupplierExists(std::string& iSupplierCode);
  bool checkBusinessPartnerIDByBusinessID(std::string iBusinessID);
  RecordsetRef GetBusinessPartnersByPartOfName(std::string& iNamePart);

  // --- Address changes (bp_addresses.cc) ---

  // Links the address to the current partner (iBPID loaded first). A
  // partner or an address that does not exist raises BusinessPartnerNotFound
  // or AddressNotFound: no link may name nothing.
  bool AddExistingAddress(std::int32_t& iAddressID, OptionalId iBPID);
  // Creates an address from {AddressFieldsEnum value: item} (empty, Null,
  // "", 0 and false items are skipped; an unknown key fails the call) and
  // links it to the current partner. Ex returns the new ADDRESSID.
  bool AddNewAddress(rt::DictionaryRef& iAddress, OptionalId iBPID);
  std::int32_t AddNewAddressEx(rt::DictionaryRef& iAddress, OptionalId iBPID);

  // --- Type tests of the current partner (bp_lookups.cc); no handler ---

  // An invoice or credit-card customer with a CUSTOMER row.
  bool IsCustomer();
  bool IsInvoiceCustomer();
  bool IsCCCustomer();
  bool IsSupplier();
  bool IsInternalBusinessPartner(OptionalId i_lBusinessPartnerID);
  bool IsOneTimeBusinessPartner(OptionalId i_lBusinessPartnerID);

  // --- Script maintenance (bp_maintenance.cc, delete in bp_deletion.cc) ---

  // Build a data object from the columns of the table ("BUSINESSPARTNER",
  // "ADDRESS", "CUSTOMER", "BUSINESSPARTNERGROUP", exact case) found in
  // iKeys (any letter case) and pass it to BusinessRules; the result's
  // success decides the vote. Another table raises (insert, update) or
  // returns an empty reference (delete).
  rt::ObjectRef InsertFromScript(std::string iTableName, rt::Variant& iKeys, rt::Variant& iValues);
  rt::ObjectRef UpdateFromScript(std::string iTableName, rt::Variant& iKeys, rt::Variant& iValues);
  rt::ObjectRef DeleteFromScript(std::string iTableName, rt::Variant& iKeys, rt::Variant& iValues);

  // --- Deletion (bp_deletion.cc) ---

  // Deletes the partner with its address links once the referential
  // checker allows it; false (abort vote, nothing raised) when it refuses.
  // A partner that is not there raises -2147221404 "BusinessPartner not
  // present".
  bool Delete(std::int32_t& iBPID);
  // The same for an address and a customer row; these never raise: every
  // failure answers false.
  bool AddressDelete(std::int32_t& iAddressID);
  bool CustomerDelete(std::int32_t iBPID);

  std::string GetDefaultSupplierCode(std::optional<std::int32_t> i_lBusinessPartnerID);
  std::string GetDUNSNumber(std::optional<std::int32_t> i_lBusinessPartnerID);
  std::string GetGlobalPartnerClassificationCode(std::optional<std::int32_t> i_lBusinessPartnerID);
  // The partner with that DUNS number; none raises DUNSNumberNotFound
  // ("DUNS Number not found: DUNS=<number>") unlogged.
  std::int32_t GetBusinessPartnerIDByDUNS(std::string i_lDUNSNumber);

  // --- Paged listings and retired whole-table reads (bp_listings.cc) ---

  rt::ObjectRef GetBusinessPartnersLimited(const rt::Variant& i_oPage, std::string i_sPersistedStateInfo,
                                           std::int16_t i_iPageSize, bool i_bSkipOneTimeBusinessPartners,
                                           bool i_bSkipInternalBusinessPartners,
                                           std::optional<rt::Variant> i_alBPIDs,
                                           std::optional<std::string> i_sSortTableFieldNames);
  // Retired: raise -1 naming GetBusinessPartnersLimited.
  rt::ObjectRef GetAllBusinessPartners(std::int32_t i_nFilterOneTimeOrNormalBP,
                                       std::int32_t i_nFilterInternalOrExternalBP,
                                       std::optional<rt::Variant> i_alBPIDs);
  rt::ObjectRef GetBusinessPartners(std::optional<rt::Variant> iIDs);

  // --- Look-ups, continued (bp_lookups.cc) ---

  // Sets ISONETIMEBP. An unknown partner raises EBusinessPartnerErrors
  // BusinessPartnerNotFound ("Businesspartner not found") unlogged.
  void SetOneTimeBusinessPartner(std::int32_t i_lBusinessPartnerID, bool i_bIsOneTimeBP);
  // The partner with that exact name and one-time flag; 0 when none or when
  // the name is empty (nothing is read then). No handler.
  std::int32_t IsBusinessPartnerPresent(std::string iBPName, std::int32_t& iBPTYPE);

  // --- Addresses, continued (bp_addresses.cc) ---

  RecordsetRef GetSoldToAddress(OptionalId iBPID);
  std::int32_t GetSoldToAddressID(OptionalId iBPID);  // bp_lookups.cc

  // --- Groups, sales representatives, cost centres (bp_groups.cc) ---

  // BUSINESSPARTNERID -> NAME of the user's partners, in reading order.
  rt::DictionaryRef GetSalesRepresentativeBPs(std::string i_sUserId);
  bool IsLinkedBP(std::string i_sUserId, std::int32_t i_lBPID);
  // Membership changes; removing or updating a membership that is not there
  // still answers true. A duplicate membership raises the database's error;
  // adding an unknown partner or group raises BusinessPartnerNotFound.
  bool AddBPToBPGroup(std::int32_t i_lBPID, std::int32_t i_lBPGrpID, std::int32_t i_lBPLevel);
  bool RemoveBPFromBPGroup(std::int32_t i_lBPID, std::int32_t i_lBPGrpID);
  bool UpdateBusinessPartnerLevel(std::int32_t i_lBPID, std::int32_t i_lBPGrpID,
                                  std::int32_t i_lBPLevel);
  // Members with levels: IDs ordered by ID, or names ordered by name when
  // i_bName is True (-1).
  RecordsetRef GetBusinessPartnersbyBPGroup(std::int32_t i_lBPGroupID,
                                            std::optional<rt::Variant> i_bName);
  // The partner's groups: IDs, or names for any non-zero i_bName.
  RecordsetRef GetBPGroupsbyBusinessPartner(std::int32_t i_lBusinessPartnerID,
                                            std::optional<rt::Variant>& i_bName);
  bool isBusinessPartnerInBPGroup(std::int32_t i_lBusinessPartnerID, std::int32_t i_lBPGroupID);
  // Work centres that are cost centres.
  RecordsetRef GetCostCenters();

  // --- ObjectControl (business_partner.cc) ---

  // Clears the current business partner (ID -1).
  void ObjectControl_Activate() override;
  // Drops the address field-name dictionary.
  void ObjectControl_Deactivate() override;
  bool ObjectControl_CanBePooled() override { return false; }

  // --- BusinessRules (bp_maintenance.cc; Delete in bp_deletion.cc) ---

  // Votes complete and returns an empty reference.
  rt::ObjectRef BusinessRules_GetInstance(rt::Variant& dataObject) override;
  // Check the data object ("BPDataObject", "AddressDataObject",
  // "CustomerDataObject", "BPGroupDataObject"), collecting a message code per
  // failed rule, and write it only when every rule passed; a new partner's
  // or address's key is stored in the result. Other kinds succeed untouched.
  rt::ObjectRef BusinessRules_Insert(rt::Variant& dataObject) override;
  rt::ObjectRef BusinessRules_Update(rt::Variant& dataObject) override;
  // Partner, address and customer deletes answer "SLBBR0000".."SLBBR0002"
  // when refused; a group with members answers "SLBBR1050".
  rt::ObjectRef BusinessRules_Delete(rt::Variant& dataObject) override;

  // --- IReferentialIntegrity (bp_deletion.cc) ---

  // Whether the row named by the first recognised key (ADDRESSID,
  // BUSINESSPARTNERID, CARRIERCODE, COUNTRYCODE) exists; true when no key
  // is recognised.
  bool IReferentialIntegrity_Exists(const std::string& origin, rt::Variant& keys,
                                    rt::Variant& values) override;
  // A complete vote; deletes nothing, always true.
  bool IReferentialIntegrity_BeforeDelete(const std::string& origin, rt::Variant& keys,
                                          rt::Variant& values) override;

 private:
  // The current business partner's members, in their cleared state.
  struct Current {
    std::int32_t id = 0;
    std::string userId;
    std::string name;
    std::int16_t pricingMethod = 0;
    std::string customerCode;
    std::string supplierCode;
    std::string customerName;
    std::int16_t customerPricingMethod = 0;
    double discountPercentage = 0.0;
    std::string currencyCode;
    std::string carrierCode;
    std::int32_t postalAddressId = 0;
    std::int32_t shippingAddressId = 0;
    std::int32_t soldToAddressId = 0;
    std::string buyer;
    std::string businessId;
    bool qtxEnabled = false;
    std::string orderRequestUrl;
    std::string partnerUrl;
    std::string ccCustomerCode;
    std::string invoiceCustomerCode;
    std::string dunsNumber;
    bool oneTime = false;
    bool internal = false;
    std::string globalPartnerClassificationCode;
    std::string defaultSupplierCode;
    bool hasCustomerRow = false;
  };

  // The connection string, application first, failures reported as
  // "KorvoCommon.BusinessPartner.ConnectionString".
  const std::string& ConnectionString() const;
  // Current ID -1, every other member cleared.
  void ClearCurrent();
  // Fills the members from a row of the partner-with-customer read.
  void LoadCurrent(const contracts::Recordset& row);
  // The read of a list or search, failures reported under
  // "KorvoCommon.BusinessPartner." + method after an abort vote.
  RecordsetRef ReadHandled(std::string_view method, const std::string& sql);
  // Loads iBPID first when it was given.
  void LoadIfGiven(const OptionalId& iBPID);
  void LoadIfGiven(const std::optional<std::int32_t>& id);
  // The address field-name dictionary: AddressFieldsEnum value -> column.
  rt::Dictionary& Fieldnames();
  // The read of one of the current partner's named addresses.
  RecordsetRef NamedAddress(const char* method, OptionalId iBPID, std::int32_t Current::*addressId);
  // Creates an address from the dictionary and links it; the new ID.
  std::int32_t InsertAndLinkAddress(rt::Dictionary& address);
  // A paged listing of the rows `statement()` selects, keyed by keyField;
  // failures, a bad ID list included, are logged unvoted under
  // "KorvoCommon.BusinessPartner." + method.
  rt::ObjectRef PagedListing(std::string_view method, const infra::PagedListingRequest& request,
                             const char* keyField, const std::function<std::string()>& statement);
  // statement + " WHERE (" / " AND (" + condition + ")".
  static std::string AppendCondition(const std::string& statement, const std::string& condition);
  // Removes the rows a partner or an address owns (its address links; a
  // partner's customer row and group memberships) before it goes; false,
  // logged, when that fails.
  bool BeforeDelete(const std::string& origin, const rt::Array& keys, const rt::Array& values);
  // The referential checker's test and notification, the owned rows, then
  // the row itself: the affected rows, or -1 when refused.
  std::int32_t DeleteRow(const char* table, const char* keyColumn, std::int32_t id,
                         contracts::ConnectionRef& connection);
  // AddressDelete and CustomerDelete: every failure answers false.
  bool QuietDelete(const char* table, const char* keyColumn, std::int32_t id);
  // Script methods share one shape: build the data object, apply the rules,
  // vote by the result.
  using RulesEntry = rt::ObjectRef (BusinessPartner::*)(rt::Variant& dataObject);
  rt::ObjectRef RunScript(const char* method, const std::string& table, rt::Variant& keys,
                          rt::Variant& values, RulesEntry rules);
  // Insert and update by the data object's kind; votes by the findings.
  rt::ObjectRef ApplyRules(const char* method, rt::Variant& dataObject, bool isInsert);
  // The rules of each kind; each returns the result the caller gets.
  rt::ObjectRef InsertPartner(rt::Dictionary& data, infra::Findings& findings);
  rt::ObjectRef UpdatePartner(rt::Dictionary& data, infra::Findings& findings);
  rt::ObjectRef InsertAddress(rt::Dictionary& data, infra::Findings& findings);
  rt::ObjectRef UpdateAddress(rt::Dictionary& data, infra::Findings& findings);
  rt::ObjectRef InsertCustomer(rt::Dictionary& data, infra::Findings& findings);
  rt::ObjectRef UpdateCustomer(rt::Dictionary& data, infra::Findings& findings);
  rt::ObjectRef InsertGroup(rt::Dictionary& data, infra::Findings& findings);
  rt::ObjectRef UpdateGroup(rt::Dictionary& data, infra::Findings& findings);
  // The checks insert and update share, with their message codes.
  static void CheckAddress(rt::Dictionary& data, bool isInsert, infra::Findings& findings);
  static void CheckCustomer(rt::Dictionary& data, bool isInsert, infra::Findings& findings);
  // One membership statement on a connection of its own after `check`; a
  // complete vote.
  bool ChangeMembership(const char* method, const std::function<void()>& check, const std::string& sql);
  // A membership read, failures logged unvoted under the method's name.
  RecordsetRef ReadMembership(const char* method, const std::string& sql);
  // Closes the connection and votes by the outcome.
  static bool FinishDelete(bool deleted, contracts::ConnectionRef& connection);
  // A group without members is deleted; one with members adds "SLBBR1050".
  void DeleteGroup(rt::Dictionary& data, infra::Findings& findings);

  Current current_;
  rt::DictionaryRef fieldnames_;
};

}  // namespace korvo::common
