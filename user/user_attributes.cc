// User attributes read from the membership directory, with the
// administrative office standing in where the attribute allows it.
#include <functional>
#include <string>

#include "infrastructure/method_guard.h"
#include "platform/runtime/conversions.h"
#include "user/internal/attribute_rule.h"
#include "user/internal/user_members.h"
#include "user/user.h"

namespace korvo::common {

namespace {

using MembershipUser = contracts::MembershipUser;

// The directory's value for the procurement application's start page.
constexpr std::int32_t kProcurementApplication = 17;

rt::Variant Text(const char* text) { return rt::Variant(text); }
rt::Variant Short(std::int16_t number) { return rt::Variant(number); }
rt::Variant Long(std::int32_t number) { return rt::Variant(number); }
rt::Variant Flag(bool flag) { return rt::Variant(flag); }

// The kinds of rule most attributes share.
AttributeRule TextRule(const char* key) { return {key, Text(""), Text(""), false}; }
AttributeRule FlagRule(const char* key) { return {key, Flag(false), Flag(false), false}; }
// A limit of 0 means none is set.
AttributeRule LimitRule(const char* key) { return {key, Long(0), Long(-1), false}; }
// An identifier of 0 means none: the office decides.
AttributeRule OfficeIdRule(const char* key, std::int32_t fallback) {
  return {key, Long(0), Long(fallback), true};
}

// "" and Empty both leave a fallback value unset.
bool IsBlankValue(const rt::Variant& value) {
  return value.IsEmpty() || (value.IsString() && value.AsString().empty());
}

// The rule's "differs from the empty marker": numbers compare as numbers,
// texts exactly, a number never equals a text; a Null value never differs.
bool DiffersFrom(const rt::Variant& value, const rt::Variant& marker) {
  const std::optional<int> order = rt::Compare(value, marker);
  return order && *order != 0;
}

}  // namespace

contracts::MembershipUser& User::DirectoryUser(const std::string& userId) {
  return directoryUser_.For(userId);
}

template <class Property>
rt::Variant User::Attribute(const std::string& userId, const AttributeRule& rule, Property property) {
  const rt::Variant value(std::invoke(property, DirectoryUser(userId)));
  return UserField(userId, rule, value);
}

rt::Variant User::UserField(const std::string& userId, const AttributeRule& rule,
                            const rt::Variant& value) {
  if (DiffersFrom(value, rule.emptyMarker)) return value;
  if (!rule.officeBacked) return rule.fallback;
  const std::string method = "KorvoCommon.User.GetUserField User: " + userId + " Field:" + rule.key;
  return infra::RunHandled(infra::UnvotedHandler(method), [&] {
    const rt::Array fallbackValues = DirectoryUser(userId).FallbackValues();
    const rt::Variant first = fallbackValues.items.empty() ? rt::Variant() : fallbackValues.items[0];
    if (!IsBlankValue(first)) return first;
    const std::string office = GetAdminOffice(userId);
    if (office.empty()) return rule.fallback;
    return office_.Field(office, rule.key);
  });
}

rt::Variant User::AdminOfficeField(const std::string& userId, const std::string& column) {
  return office_.Field(GetAdminOffice(userId), column);
}

std::int16_t User::GetUserLocale(const std::string& iUserID) {
  return rt::CInt(Attribute(iUserID, {"LOCALE", Text(""), Short(1033)}, &MembershipUser::Locale));
}

std::int16_t User::GetUserLanguage(const std::string& iUserID) {
  return rt::CInt(Attribute(iUserID, {"LANGUAGE", Text(""), Short(1033)}, &MembershipUser::Language));
}

std::string User::GetUsername(const std::string& iUserID) {
  return rt::CStr(Attribute(iUserID, TextRule("SURNAME"), &MembershipUser::Surname));
}

std::string User::GetEmailAddress(const std::string& iUserID) {
  return rt::CStr(Attribute(iUserID, TextRule("EMAIL"), &MembershipUser::Email));
}

std::int32_t User::GetAddressID(const std::string& iUserID) {
  return rt::CLng(Attribute(iUserID, OfficeIdRule("ADDRESSID", -1), &MembershipUser::AddressID));
}

std::string User::GetPurOffice(const std::string& iUserID) {
  return rt::CStr(Attribute(iUserID, TextRule("PUROFFICE"), &MembershipUser::PurOffice));
}

std::string User::GetAdminOffice(const std::string& iUserID) {
  return rt::CStr(Attribute(iUserID, TextRule("ADMINOFFICE"), &MembershipUser::AdminOffice));
}

bool User::GetBuyerRole(const std::string& iUserID) {
  return rt::CBool(Attribute(iUserID, FlagRule("BUYERROLE"), &MembershipUser::BuyerRole));
}

bool User::GetRequisitionerRole(const std::string& iUserID) {
  return rt::CBool(
      Attribute(iUserID, FlagRule("REQUISITIONERROLE"), &MembershipUser::RequisitionerRole));
}

bool User::GetApproverRole(const std::string& iUserID) {
  return rt::CBool(Attribute(iUserID, FlagRule("APPROVERROLE"), &MembershipUser::ApproverRole));
}

bool User::GetFinancialRole(const std::string& iUserID) {
  return rt::CBool(Attribute(iUserID, FlagRule("FINANCIALROLE"), &MembershipUser::FinancialRole));
}

bool User::GetExternalRole(const std::string& iUserID) {
  return rt::CBool(Attribute(iUserID, FlagRule("EXTERNALROLE"), &MembershipUser::ExternalRole));
}

double User::GetSpendLimit(const std::string& iUserID) {
  return rt::CDbl(Attribute(iUserID, LimitRule("SPENDLIMIT"), &MembershipUser::SpendLimit));
}

double User::GetApproverLimit(const std::string& iUserID) {
  return rt::CDbl(Attribute(iUserID, LimitRule("APPROVERLIMIT"), &MembershipUser::ApproverLimit));
}

double User::GetBuyerApprovalLimit(const std::string& iUserID) {
  return rt::CDbl(Attribute(iUserID, LimitRule("LIMITFORRFQ"), &MembershipUser::LimitForRFQ));
}

double User::GetBuyerContractLimit(const std::string& iUserID) {
  return rt::CDbl(Attribute(iUserID, LimitRule("LIMITFORCONTRACT"), &MembershipUser::LimitForContract));
}

std::int32_t User::GetPropertyGroup(const std::string& iUserID) {
  return rt::CLng(
      Attribute(iUserID, OfficeIdRule("PROPERTYGROUPID", 0), &MembershipUser::PropertyGroupID));
}

std::string User::GetReqPrefix(const std::string& iUserID) {
  return rt::CStr(Attribute(iUserID, TextRule("REQPREFIX"), &MembershipUser::ReqPrefix));
}

std::string User::GetWhReqPrefix(const std::string& iUserID) {
  return rt::CStr(Attribute(iUserID, TextRule("WHREQPREFIX"), &MembershipUser::WhReqPrefix));
}

std::string User::GetDefaultURL(std::int32_t, const std::string& i_sUserId) {
  return rt::CStr(Attribute(i_sUserId, TextRule("DefaultURL"), [](MembershipUser& user) {
    return user.DefaultURL(kProcurementApplication);
  }));
}

std::string User::GetCompany(const std::string& iUserID) {
  return rt::CStr(Attribute(iUserID, TextRule("CompanyName"), &MembershipUser::CompanyName));
}

std::string User::GetCompanyNumber(const std::string& i_sUserId) {
  return rt::CStr(Attribute(i_sUserId, TextRule("CompanyNumber"), &MembershipUser::CompanyNumber));
}

void User::SetCompanyNumber(const std::string& i_sCompanyNumber, const std::string& i_sUserId) {
  infra::RunHandled(infra::UnvotedHandler("KorvoCommon.User.SetCompanyNumber"),
                    [&] { DirectoryUser(i_sUserId).SetCompanyNumber(i_sCompanyNumber); });
}

std::string User::GetFinancialCompanyAdmin(const std::string& i_sUserId) {
  return rt::CStr(
      Attribute(i_sUserId, TextRule("FinancialCompanyAdmin"), &MembershipUser::FinancialCompanyAdmin));
}

std::string User::GetFinancialCompanyCardUser(const std::string& i_sUserId) {
  return rt::CStr(Attribute(i_sUserId, TextRule("FinancialCompanyCardUser"),
                            &MembershipUser::FinancialCompanyCardUser));
}

std::int16_t User::GetProjectUserType(const std::string& iUserID) {
  return rt::CInt(
      Attribute(iUserID, {"ProjectUserType", Text(""), Text("")}, &MembershipUser::ProjectUserType));
}

std::string User::GetEmployee(const std::string& iUserID) {
  return rt::CStr(Attribute(iUserID, TextRule("EmployeeNumber"), &MembershipUser::EmployeeNumber));
}

std::string User::GetRequisitionerManager(const std::string& iUserID) {
  return rt::CStr(Attribute(iUserID, TextRule("KORVOU_USERID"), &MembershipUser::RequisitionerManager));
}

std::int32_t User::GetBillToBusinessPartnerID(const std::string& iUserID) {
  return rt::CLng(Attribute(iUserID, OfficeIdRule("BUSINESSPARTNERID", -1),
                            &MembershipUser::BillToBusinessPartnerID));
}

std::int32_t User::GetBusinessPartnerID(const std::string& iUserID) {
  return rt::CLng(
      Attribute(iUserID, OfficeIdRule("BUSINESSPARTNERID", -1), &MembershipUser::BusinessPartnerID));
}

bool User::IsUserOutOfOffice(const std::string& iUserID) {
  const rt::Variant flag = Attribute(iUserID, FlagRule("OUTOFOFFICEON"), &MembershipUser::OutOfOfficeOn);
  return !flag.IsNull() && rt::CBool(flag);
}

std::string User::GetBuyerManager(const std::string& iUserID) {
  return rt::CStr(Attribute(iUserID, TextRule("BUYERMANAGER"), &MembershipUser::BuyerManager));
}

std::string User::GetCardUserManager(const std::string& iUserID) {
  return rt::CStr(Attribute(iUserID, TextRule("CARDUSERMANAGER"), &MembershipUser::CardUserManager));
}

bool User::IsChargeLinesAllowed(const std::string& iUserID) {
  return rt::CBool(Attribute(iUserID, FlagRule("CHARGELINES"), &MembershipUser::ChargeLines));
}

std::string User::GetApproverManager(const std::string& iUserID) {
  return rt::CStr(Attribute(iUserID, TextRule("APPROVERMANAGER"), &MembershipUser::ApproverManager));
}

namespace user_members {

void AddAttributeMembers(Builder& table) {
  table.Method("GetUserLocale", &User::GetUserLocale)
      .Method("GetUserLanguage", &User::GetUserLanguage)
      .Method("GetUsername", &User::GetUsername)
      .Method("GetEmailAddress", &User::GetEmailAddress)
      .Method("GetAddressID", &User::GetAddressID)
      .Method("GetPurOffice", &User::GetPurOffice)
      .Method("GetAdminOffice", &User::GetAdminOffice)
      .Method("GetBuyerRole", &User::GetBuyerRole)
      .Method("GetRequisitionerRole", &User::GetRequisitionerRole)
      .Method("GetApproverRole", &User::GetApproverRole)
      .Method("GetFinancialRole", &User::GetFinancialRole)
      .Method("GetExternalRole", &User::GetExternalRole)
      .Method("GetSpendLimit", &User::GetSpendLimit)
      .Method("GetApproverLimit", &User::GetApproverLimit)
      .Method("GetBuyerApprovalLimit", &User::GetBuyerApprovalLimit)
      .Method("GetBuyerContractLimit", &User::GetBuyerContractLimit)
      .Method("GetPropertyGroup", &User::GetPropertyGroup)
      .Method("GetReqPrefix", &User::GetReqPrefix)
      .Method("GetWhReqPrefix", &User::GetWhReqPrefix)
      .Method("GetDefaultURL", &User::GetDefaultURL)
      .Method("GetCompany", &User::GetCompany)
      .Method("GetCompanyNumber", &User::GetCompanyNumber)
      .Method("SetCompanyNumber", &User::SetCompanyNumber)
      .Method("GetFinancialCompanyAdmin", &User::GetFinancialCompanyAdmin)
      .Method("GetFinancialCompanyCardUser", &User::GetFinancialCompanyCardUser)
      .Method("GetProjectUserType", &User::GetProjectUserType)
      .Method("GetEmployee", &User::GetEmployee)
      .Method("GetRequisitionerManager", &User::GetRequisitionerManager)
      .Method("GetBillToBusinessPartnerID", &User::GetBillToBusinessPartnerID)
      .Method("GetBusinessPartnerID", &User::GetBusinessPartnerID)
      .Method("IsUserOutOfOffice", &User::IsUserOutOfOffice)
      .Method("GetBuyerManager", &User::GetBuyerManager)
      .Method("GetCardUserManager", &User::GetCardUserManager)
      .Method("IsChargeLinesAllowed", &User::IsChargeLinesAllowed)
      .Method("GetApproverManager", &User::GetApproverManager);
}

}  // namespace user_members

}  // namespace korvo::common
