// Paged listings of partners, customers and addresses, served through the
// utility library's DRecordset (and the web page's Page when it brings
// one), and the whole-table reads they replaced, which now only refuse.
#include <string>

#include "infrastructure/method_guard.h"
#include "infrastructure/paged_listing.h"
#include "partner/business_partner.h"
#include "partner/internal/bp_members.h"
#include "partner/internal/bp_sql.h"
#include "platform/runtime/error.h"

namespace korvo::common {

namespace {

constexpr const char* kAllPartners = "SELECT * FROM BUSINESSPARTNER";
constexpr const char* kPartnerNames = "SELECT BUSINESSPARTNERID, NAME FROM BUSINESSPARTNER";
constexpr const char* kAllAddresses = "SELECT * FROM ADDRESS";
constexpr const char* kPartnerKey = "BUSINESSPARTNERID";
constexpr const char* kAddressKey = "ADDRESSID";

using Append = std::string (*)(const std::string&, const std::string&);

// An ID list counts as given when it is there at all: an omitted, Empty or
// Null argument means no restriction.
bool IdsGiven(const std::optional<rt::Variant>& ids) {
  return ids && !ids->IsMissing() && !ids->IsEmpty() && !ids->IsNull();
}

// "KEY IN (id, id, ...)", every element written through the integer
// guard. No IDs at all restrict the listing to nothing: "KEY IN (NULL)",
// which every database accepts and no row matches.
std::string IdCondition(const char* keyField, const rt::Variant& ids) {
  std::string list;
  try {
    list = bp_sql::IdList(ids);
  } catch (const rt::Error& e) {
    rt::Raise(e.number(),
              e.record().Description + ": the ID list must be an array of whole numbers of 32 bits");
  }
  return std::string(keyField) + " IN (" + (list.empty() ? "NULL" : list) + ")";
}

std::string PartnerStatement(std::string statement, Append append, bool skipOneTime, bool skipInternal,
                             const std::optional<rt::Variant>& ids) {
  if (IdsGiven(ids)) statement = append(statement, IdCondition(kPartnerKey, *ids));
  if (skipOneTime) statement = append(statement, "NOT ISONETIMEBP = 1");
  if (skipInternal) statement = append(statement, "NOT ISINTERNALBP = 1");
  return statement;
}

// The text a whole-table read that is no longer served fails with, naming
// its paged replacement.
std::string FullTableScanText(const std::string& retired, const std::string& replacement) {
  return "Function " + retired + "() is a 'full table scan' function and is not supported anymore.\r\n" +
         "Use new function " + replacement + "() that supports paging (=based on DRecordset component).";
}

}  // namespace

rt::ObjectRef BusinessPartner::PagedListing(std::string_view method,
                                            const infra::PagedListingRequest& request,
                                            const char* keyField,
                                            const std::function<std::string()>& statement) {
  const std::string context = bp_sql::MethodContext(method);
  return infra::RunHandled(infra::UnvotedHandler(context), [&] {
    return infra::OpenPagedListing(request, statement(), keyField,
                                   [this]() -> const std::string& { return ConnectionString(); });
  });
}

rt::ObjectRef BusinessPartner::GetAddressData(const rt::Variant& i_oPage,
                                              std::string i_sPersistedStateInfo,
                                              std::int16_t i_iPageSize,
                                              std::optional<rt::Variant> i_alAddressIDs,
                                              std::optional<std::string> i_sSortTableFieldNames) {
  return PagedListing("GetAddressData",
                      {i_oPage, i_sPersistedStateInfo, i_iPageSize, i_sSortTableFieldNames}, kAddressKey,
                      [&] {
                        if (!IdsGiven(i_alAddressIDs)) return std::string(kAllAddresses);
                        return AppendCondition(kAllAddresses, IdCondition(kAddressKey, *i_alAddressIDs));
                      });
}

rt::ObjectRef BusinessPartner::GetBusinessPartnerData(
    const rt::Variant& i_oPage, std::string i_sPersistedStateInfo, std::int16_t i_iPageSize,
    bool i_bSkipOneTimeBusinessPartners, bool i_bSkipInternalBusinessPartners,
    std::optional<rt::Variant> i_alBPIDs, std::optional<std::string> i_sSortTableFieldNames) {
  return PagedListing("GetBusinessPartnerData",
                      {i_oPage, i_sPersistedStateInfo, i_iPageSize, i_sSortTableFieldNames}, kPartnerKey,
                      [&] {
                        return PartnerStatement(kAllPartners, &BusinessPartner::AppendCondition,
                                                i_bSkipOneTimeBusinessPartners,
                                                i_bSkipInternalBusinessPartners, i_alBPIDs);
                      });
}

rt::ObjectRef BusinessPartner::GetBusinessPartnersLimited(
    const rt::Variant& i_oPage, std::string i_sPersistedStateInfo, std::int16_t i_iPageSize,
    bool i_bSkipOneTimeBusinessPartners, bool i_bSkipInternalBusinessPartners,
    std::optional<rt::Variant> i_alBPIDs, std::optional<std::string> i_sSortTableFieldNames) {
  return PagedListing("GetBusinessPartnersLimited",
                      {i_oPage, i_sPersistedStateInfo, i_iPageSize, i_sSortTableFieldNames}, kPartnerKey,
                      [&] {
                        return PartnerStatement(kPartnerNames, &BusinessPartner::AppendCondition,
                                                i_bSkipOneTimeBusinessPartners,
                                                i_bSkipInternalBusinessPartners, i_alBPIDs);
                      });
}

rt::ObjectRef BusinessPartner::GetCustomerData(
    const rt::Variant& i_oPage, std::string i_sPersistedStateInfo, std::int16_t i_iPageSize,
    bool i_bSkipOneTimeBusinessPartners, bool i_bSkipInternalBusinessPartners,
    std::optional<rt::Variant> i_alBPIDs, std::optional<std::string> i_sSortTableFieldNames) {
  return PagedListing(
      "GetCustomerData", {i_oPage, i_sPersistedStateInfo, i_iPageSize, i_sSortTableFieldNames},
      kPartnerKey, [&] {
        std::string statement =
            PartnerStatement(kAllPartners, &BusinessPartner::AppendCondition,
                             i_bSkipOneTimeBusinessPartners, i_bSkipInternalBusinessPartners, i_alBPIDs);
        statement = AppendCondition(statement, "ZRKCUSTOMERCODE <> ''");
        return AppendCondition(statement, "NOT ZRKCUSTOMERCODE IS NULL");
      });
}

rt::ObjectRef BusinessPartner::GetAllAddresses() {
  infra::RaiseRetired(FullTableScanText("GetAllAddresses", "GetAddressData"));
}

rt::ObjectRef BusinessPartner::GetAllCustomersFromBP() {
  infra::RaiseRetired(FullTableScanText("GetAllCustomersFromBP", "GetCustomerData"));
}

rt::ObjectRef BusinessPartner::GetAllBusinessPartners(std::int32_t, std::int32_t,
                                                      std::optional<rt::Variant>) {
  infra::RaiseRetired(FullTableScanText("GetAllBusinessPartners", "GetBusinessPartnersLimited"));
}

rt::ObjectRef BusinessPartner::GetBusinessPartners(std::optional<rt::Variant>) {
  infra::RaiseRetired(FullTableScanText("GetBusinessPartners", "GetBusinessPartnersLimited"));
}

rt::ObjectRef BusinessPartner::GetBusinessPartnerNames(const rt::Variant&, std::string, std::int16_t,
                                                       bool, bool, std::optional<rt::Variant>) {
  infra::RaiseRetired(
      "'Public Function GetBusinessPartnerNames() As Scripting.Dictionary was a 'full table scan' function in "
      "Korvo Common 2.4 and is not supported anymore. \r\n"
      "New Public Function GetBusinessPartnerNames(ByVal i_oPage As KorvoLibrary.Page, "
      "ByVal i_sPersistedStateInfo As String, "
      "ByVal i_iPageSize As Integer, "
      "ByVal i_bSkipOneTimeBusinessPartners As Boolean, "
      "ByVal i_bSkipInternalBusinessPartners As Boolean, "
      "Optional ByVal i_alBPIDs As Variant) As KorvoLibrary.DRecordset "
      "is introduced in Korvo-Server 2.5, but is identified as a double function. \r\n"
      "Use new function GetBusinessPartnersLimited() that supports paging (=based on DRecordset component). "
      "This last function replaces the two functions above.\r\n");
}

std::string BusinessPartner::AppendCondition(const std::string& statement,
                                             const std::string& condition) {
  const char* joint = statement.find("WHERE") == std::string::npos ? " WHERE (" : " AND (";
  return statement + joint + condition + ")";
}

void AddListingMembers(PartnerMembers& members) {
  members.Method("GetAllAddresses", &BusinessPartner::GetAllAddresses)
      .Method("GetAddressData", &BusinessPartner::GetAddressData)
      .Method("GetBusinessPartnerData", &BusinessPartner::GetBusinessPartnerData)
      .Method("GetBusinessPartnerNames", &BusinessPartner::GetBusinessPartnerNames)
      .Method("GetCustomerData", &BusinessPartner::GetCustomerData)
      .Method("GetAllCustomersFromBP", &BusinessPartner::GetAllCustomersFromBP)
      .Method("GetBusinessPartnersLimited", &BusinessPartner::GetBusinessPartnersLimited)
      .Method("GetAllBusinessPartners", &BusinessPartner::GetAllBusinessPartners)
      .Method("GetBusinessPartners", &BusinessPartner::GetBusinessPartners);
}

}  // namespace korvo::common
