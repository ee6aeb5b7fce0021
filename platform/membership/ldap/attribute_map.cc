#include "platform/membership/ldap/attribute_map.h"

#include <array>

#include "platform/membership/directory_backend.h"

namespace korvo::membership::ldapmap {

namespace {

constexpr std::array<MappedAttribute, 51> kMap{{
    {kIdAttribute, kUserId, true},
    {kSurnameName, kSurname, true},
    {"GIVENNAME", "givenName", true},
    {"EMAIL", "mail", true},
    {"EmployeeNumber", "employeeNumber", true},
    {"CompanyName", "o", true},
    {kParentName, kParent, false},
    {"LOCALE", "korvoLocale", false},
    {"LANGUAGE", "korvoLanguage", false},
    {"ADDRESSID", "korvoAddressID", false},
    {"PUROFFICE", "korvoPurOffice", false},
    {"ADMINOFFICE", "korvoAdminOffice", false},
    {"BUYERROLE", "korvoBuyerRole", false},
    {"REQUISITIONERROLE", "korvoRequisitionerRole", false},
    {"APPROVERROLE", "korvoApproverRole", false},
    {"FINANCIALROLE", "korvoFinancialRole", false},
    {"EXTERNALROLE", "korvoExternalRole", false},
    {"SPENDLIMIT", "korvoSpendLimit", false},
    {"PROPERTYGROUPID", "korvoPropertyGroupID", false},
    {"REQPREFIX", "korvoReqPrefix", false},
    {"WHREQPREFIX", "korvoWhReqPrefix", false},
    {"DefaultURL", "korvoDefaultURL", false},
    {"CompanyNumber", "korvoCompanyNumber", false},
    {"FinancialCompanyAdmin", "korvoFinancialCompanyAdmin", false},
    {"FinancialCompanyCardUser", "korvoFinancialCompanyCardUser", false},
    {"ProjectUserType", "korvoProjectUserType", false},
    {"KORVOU_USERID", "korvoRequisitionerManager", false},
    {"BillToBusinessPartnerID", "korvoBillToBusinessPartnerID", false},
    {"BusinessPartnerID", "korvoBusinessPartnerID", false},
    {"OUTOFOFFICEON", "korvoOutOfOfficeOn", false},
    {"APPROVERLIMIT", "korvoApproverLimit", false},
    {"LIMITFORRFQ", "korvoLimitForRFQ", false},
    {"LIMITFORCONTRACT", "korvoLimitForContract", false},
    {"BUYERMANAGER", "korvoBuyerManager", false},
    {"CARDUSERMANAGER", "korvoCardUserManager", false},
    {"CHARGELINES", "korvoChargeLines", false},
    {"APPROVERMANAGER", "korvoApproverManager", false},
    {"USERCREDITCARDNUMBER", "korvoCreditCardNumber", false},
    {"USERCREDITCARDEXPIRY", "korvoCreditCardExpiry", false},
    {"OUTOFFICEAPPROVER", "korvoOutOfOfficeApprover", false},
    {"SUBSTITUTEBUYER", "korvoSubstituteBuyer", false},
    {"CreditCardType", "korvoCreditCardType", false},
    {"KorvoRole", "korvoRole", false},
    {"ProjectRole", "korvoProjectRole", false},
    {"LANGUAGEID", "korvoLanguageID", false},
    {"COSTCENTER", "korvoCostCenter", false},
    {"FallbackValues", "korvoFallbackValue", false},
    {"KorvoApps", "korvoApps", false},
    {"KorvoCatalogIDs", "korvoCatalogIDs", false},
    {"KorvoDashboardIDs", "korvoDashboardIDs", false},
    {"KorvoFAQVisibility", "korvoFAQVisibility", false},
}};

}  // namespace

const MappedAttribute* ByDirectoryName(std::string_view directoryName) {
  const std::string folded = FoldCase(directoryName);
  for (const MappedAttribute& mapped : kMap) {
    if (FoldCase(mapped.directoryName) == folded) return &mapped;
  }
  return nullptr;
}

const MappedAttribute* ByLdapName(std::string_view ldapName) {
  const std::string folded = FoldCase(ldapName);
  for (const MappedAttribute& mapped : kMap) {
    if (FoldCase(mapped.ldapName) == folded) return &mapped;
  }
  return nullptr;
}

}  // namespace korvo::membership::ldapmap
