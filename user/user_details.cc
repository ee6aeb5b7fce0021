// Named attributes of a user, existence in the directory, and the commit
// vote.
#include <string>

#include "infrastructure/components.h"
#include "infrastructure/errors.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/user_lib.h"
#include "platform/runtime/conversions.h"
#include "user/internal/user_members.h"
#include "user/user.h"
#include "user/user_enumerations.h"

namespace korvo::common {

namespace {

constexpr const char* kGetUserDetailsMethod = "KorvoCommon.User.GetUserDetails";
constexpr const char* kInvalidArray = "Array is invalid.";

// Attributes a user takes from the entry it inherits from when unset.
bool IsInheritedSetting(const std::string& upperName) {
  return upperName == "LANGUAGEID" || upperName == "LOCALE";
}

// The Korvo application attributes: inherited when unset, and -1 stored
// for "none" reads as unset.
bool IsApplicationSetting(const std::string& upperName) {
  return upperName == "KORVOAPPS" || upperName == "KORVOCATALOGIDS" ||
         upperName == "KORVODASHBOARDIDS" || upperName == "KORVOFAQVISIBILITY" ||
         upperName == "KORVOROLE";
}

bool FirstIsEmpty(const rt::Array& values) { return values.items.empty() || values.items[0].IsEmpty(); }

// The parent entry's values of the attribute, or nullopt when the user
// inherits from no entry.
std::optional<rt::Array> ParentValues(contracts::MembershipUser& user, const std::string& name) {
  auto parent = std::dynamic_pointer_cast<contracts::MembershipEntry>(user.Parent());
  if (!parent) return std::nullopt;
  return parent->GetAttribute(name);
}

// Element 0 reads as the number -1. The directory keeps these attributes
// as texts, so a text is read as a number; a text that is no number is
// some other value and stays as it is.
bool FirstIsNoneMarker(const rt::Array& values) {
  if (values.items.empty()) return false;
  const rt::Variant& first = values.items[0];
  if (first.IsString()) {
    const std::optional<double> number = rt::ParseNumber(first.AsString());
    return number && *number == -1;
  }
  const std::optional<int> order = rt::Compare(first, rt::Variant(std::int16_t{-1}));
  return order && *order == 0;
}

rt::Array AttributeValues(contracts::MembershipUser& user, const std::string& name) {
  rt::Array values = user.GetAttribute(name);
  const std::string upper = rt::UCase(name);
  if (!IsInheritedSetting(upper) && !IsApplicationSetting(upper)) return values;
  if (FirstIsEmpty(values)) {
    if (std::optional<rt::Array> inherited = ParentValues(user, name)) return *inherited;
    return values;
  }
  if (IsApplicationSetting(upper) && FirstIsNoneMarker(values)) values.items[0] = rt::Variant();
  return values;
}

}  // namespace

rt::DictionaryRef User::GetUserDetails(const std::string& i_sUserId, rt::Variant& i_aAttribNames) {
  if (!i_aAttribNames.IsArray()) {
    try {
      rt::Raise(rt::errnum::kTypeMismatch);
    } catch (...) {
      infra::Err_Handle(kGetUserDetailsMethod, rt::Variant(kInvalidArray));
      throw;
    }
  }
  return infra::RunHandled(infra::UnvotedHandler(kGetUserDetailsMethod), [&] {
    const rt::Array& names = i_aAttribNames.AsArray();
    if (names.UBound() < 0) {
      infra::Err_RaiseRecord(
          rt::ErrorRecord{user::eInvalidArray, kGetUserDetailsMethod, kInvalidArray, "", 0});
    }
    auto details = rt::Dictionary::Create();
    contracts::MembershipUser& user = DirectoryUser(i_sUserId);
    for (const rt::Variant& name : names.items) {
      details->Add(name, rt::Variant(AttributeValues(user, rt::CStr(name))));
    }
    return details;
  });
}

bool User::CheckUserExists(std::string& iUserID) {
  return infra::NeverRaising(false, [&] { return infra::UL_CreateUO(iUserID) != nullptr; });
}

void User::Release() { infra::Mts_SetComplete(); }

namespace user_members {

void AddDetailMembers(Builder& table) {
  table.Method("GetUserDetails", &User::GetUserDetails)
      .Method("CheckUserExists", &User::CheckUserExists)
      .Method("Release", &User::Release);
}

}  // namespace user_members

}  // namespace korvo::common
