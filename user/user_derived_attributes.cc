// User attributes with rules of their own: the credit card, the substitutes,
// the cost centre, and the office columns read for a user.
#include <string>

#include "infrastructure/method_guard.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/date.h"
#include "user/internal/attribute_rule.h"
#include "user/internal/user_members.h"
#include "user/user.h"

namespace korvo::common {

namespace {

// The card type the directory answers when a user has none.
constexpr std::int16_t kNoCardType = 5;

AttributeRule SubstituteRule(const char* key) { return {key, rt::Variant(""), rt::Variant(""), false}; }

bool IsBlank(const rt::Variant& value) { return value.IsNull() || rt::Trim(rt::CStr(value)).empty(); }

// The zero date (30 December 1899) the directory answers for an unset date.
rt::Variant ZeroDate() { return rt::Variant(rt::CDate(rt::Variant(0.0))); }

}  // namespace

std::string User::GetCreditCardNumber(const std::string& iUserID) {
  const rt::Variant number =
      UserField(iUserID, {"USERCREDITCARDNUMBER", rt::Variant(""), rt::Variant("")},
                rt::Variant(DirectoryUser(iUserID).CreditCardNumber()));
  if (!rt::Trim(rt::CStr(number)).empty()) return rt::CStr(number);
  return rt::CStr(AdminOfficeField(iUserID, "CREDITCARDNUMBER"));
}

rt::Variant User::GetNullCreditCardExpiry(const std::string& iUserID) {
  rt::Variant expiry = UserField(iUserID, {"USERCREDITCARDEXPIRY", ZeroDate(), rt::Variant()},
                                 rt::Variant(DirectoryUser(iUserID).CreditCardExpiry()));
  if (!expiry.IsEmpty()) return expiry;
  expiry = AdminOfficeField(iUserID, "CREDITCARDEXPIRY");
  return expiry.IsEmpty() ? rt::Variant::Null() : expiry;
}

std::int16_t User::GetCreditCardType(const std::string& iUserID) {
  const rt::Array types = DirectoryUser(iUserID).GetAttribute("CreditCardType");
  const bool unset = types.items.empty() || types.items[0].IsEmpty();
  const rt::Variant type = unset ? rt::Variant(std::int16_t{-1}) : types.items[0];
  const rt::Variant cardType = UserField(
      iUserID, {"USERCREDITCARDTYPE", rt::Variant(std::int16_t{-1}), rt::Variant(kNoCardType)}, type);
  if (rt::CInt(cardType) != kNoCardType) return rt::CInt(cardType);
  const rt::Variant officeType = AdminOfficeField(iUserID, "CREDITCARDTYPE");
  return officeType.IsEmpty() ? kNoCardType : rt::CInt(officeType);
}

std::string User::GetSubstituteApprover(const std::string& iUserID) {
  const rt::Variant substitute = UserField(iUserID, SubstituteRule("OUTOFFICEAPPROVER"),
                                           rt::Variant(DirectoryUser(iUserID).OutOfOfficeApprover()));
  return IsBlank(substitute) ? iUserID : rt::CStr(substitute);
}

std::string User::GetSubstituteBuyer(const std::string& iUserID) {
  const rt::Variant substitute = UserField(iUserID, SubstituteRule("SUBSTITUTEBUYER"),
                                           rt::Variant(DirectoryUser(iUserID).SubstituteBuyer()));
  return IsBlank(substitute) ? std::string() : rt::CStr(substitute);
}

std::string User::GetShipToContactInformation(const std::string& iUserID) {
  return rt::CStr(AdminOfficeField(iUserID, "SHIPTOCONTACTINFORMATION"));
}

std::string User::GetCurrencyCode(const std::string& iUserID) {
  return rt::CStr(AdminOfficeField(iUserID, "CURRENCYCODE"));
}

// The cost centre is a default for forms: a failure answers "", and what
// failed has been logged where it failed.
std::string User::GetCostCenter(const std::string& iUserID) {
  return infra::NeverRaising(std::string(), [&] {
    rt::Variant names(rt::Array({rt::Variant("COSTCENTER")}));
    rt::DictionaryRef details = GetUserDetails(iUserID, names);
    rt::Variant own("");
    if (details->Count() > 0) own = rt::Variant(rt::CStr(details->Item("COSTCENTER").AsArray().At(0)));
    if (!rt::CStr(own).empty() && IsCostCenter(own)) return rt::CStr(own);
    return rt::CStr(AdminOfficeField(iUserID, "COSTCENTER"));
  });
}

namespace user_members {

void AddDerivedAttributeMembers(Builder& table) {
  table.Method("GetCreditCardNumber", &User::GetCreditCardNumber)
      .Method("GetNullCreditCardExpiry", &User::GetNullCreditCardExpiry)
      .Method("GetCreditCardType", &User::GetCreditCardType)
      .Method("GetSubstituteApprover", &User::GetSubstituteApprover)
      .Method("GetSubstituteBuyer", &User::GetSubstituteBuyer)
      .Method("GetShipToContactInformation", &User::GetShipToContactInformation)
      .Method("GetCurrencyCode", &User::GetCurrencyCode)
      .Method("GetCostCenter", &User::GetCostCenter);
}

}  // namespace user_members

}  // namespace korvo::common
