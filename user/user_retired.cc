// The write methods the User class still carries from before TUser took
// over maintenance. They write nothing: each fails with -1 and a text
// naming its replacement, so an old caller finds out in the log where to go.
#include <string>
#include <string_view>

#include "infrastructure/interface_members.h"
#include "infrastructure/method_guard.h"
#include "user/internal/user_members.h"
#include "user/user.h"

namespace korvo::common {

namespace {

[[noreturn]] void Retired(std::string_view method) {
  infra::RaiseRetired("This method is depricated, Use KorvoCommon.TUser." + std::string(method) +
                      " Method");
}

}  // namespace

rt::ObjectRef User::InsertFromScript(const std::string&, rt::Variant&, rt::Variant&) {
  Retired("InsertFromScript");
}

rt::ObjectRef User::UpdateFromScript(const std::string&, rt::Variant&, rt::Variant&) {
  Retired("UpdateFromScript");
}

rt::ObjectRef User::DeleteFromScript(const std::string&, rt::Variant&, rt::Variant&) {
  Retired("DeleteFromScript");
}

bool User::DeleteOffice(const std::string&) { Retired("DeleteOffice"); }

rt::ObjectRef User::CreateUserWithAttributes(const std::string&, const std::string&, rt::Variant&,
                                             rt::Variant&) {
  Retired("CreateUserWithAttributes");
}

rt::ObjectRef User::InsertBiddingUser(rt::Variant&, rt::Variant&, rt::Variant&, rt::Variant&,
                                      rt::Variant&, rt::Variant&, const std::string&,
                                      const std::string&) {
  Retired("InsertBiddingUser");
}

rt::ObjectRef User::BusinessRules_GetInstance(rt::Variant&) { Retired("BusinessRules_GetInstance"); }
rt::ObjectRef User::BusinessRules_Insert(rt::Variant&) { Retired("BusinessRules_Insert"); }
rt::ObjectRef User::BusinessRules_Update(rt::Variant&) { Retired("BusinessRules_Update"); }
rt::ObjectRef User::BusinessRules_Delete(rt::Variant&) { Retired("BusinessRules_Delete"); }

bool User::IReferentialIntegrity_Exists(const std::string&, rt::Variant&, rt::Variant&) {
  Retired("IReferentialIntegrity_Exists");
}

bool User::IReferentialIntegrity_BeforeDelete(const std::string&, rt::Variant&, rt::Variant&) {
  Retired("IReferentialIntegrity_BeforeDelete");
}

namespace user_members {

void AddRetiredMembers(Builder& table) {
  table.Method("InsertFromScript", &User::InsertFromScript)
      .Method("UpdateFromScript", &User::UpdateFromScript)
      .Method("DeleteFromScript", &User::DeleteFromScript)
      .Method("DeleteOffice", &User::DeleteOffice)
      .Method("CreateUserWithAttributes", &User::CreateUserWithAttributes)
      .Method("InsertBiddingUser", &User::InsertBiddingUser);
  infra::AddBusinessRulesMembers(table);
  infra::AddReferentialIntegrityMembers(table);
}

}  // namespace user_members

}  // namespace korvo::common
