// KorvoMembership.Members: searches over the whole directory, and the
// creation and deletion of users (contracts::MembershipMembers describes
// every member, and which account a write is made by).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/contracts/membership.h"
#include "platform/host/component.h"
#include "platform/membership/directory.h"

namespace korvo::membership {

inline constexpr const char* kMembersProgId = "KorvoMembership.Members";

class DirectoryMembers final : public host::Component, public contracts::MembershipMembers {
 public:
  std::string TypeName() const override { return "Members"; }
  const host::DispatchTable& Dispatch() const override;

  std::string IDAttribute() override;
  contracts::RecordsetRef Search(const rt::Variant& criteria, const std::string& scope,
                                 const rt::Variant& pageSize) override;
  std::string NextFrom() override { return nextFrom_; }
  contracts::RecordsetRef SearchByRole(std::int16_t role, const std::string& idAttribute) override;
  contracts::RecordsetRef SearchByRoleWith(std::int16_t role, const rt::Variant& criteria,
                                           const std::string& idAttribute) override;
  rt::ObjectRef CreateUser(const std::string& name, const std::string& password,
                           const rt::Variant& names, const rt::Variant& values) override;
  void DeleteUser(const std::string& userId) override;
  std::vector<std::shared_ptr<contracts::MembershipUser>> BindUsers(
      const std::vector<std::string>& userIds, const std::string& account,
      const std::string& password) override;

 private:
  // Search as late-bound callers make it, the page size optional.
  contracts::RecordsetRef SearchOptionalLimit(const rt::Variant& criteria, const std::string& scope,
                                              std::optional<rt::Variant> pageSize);
  Directory& Open();
  contracts::RecordsetRef Run(SearchRequest request);
  // The acting account's ID, once it has verified and holds the writer right.
  std::string AuthorizeWrite();
  Credentials ActingAccount();

  std::shared_ptr<Directory> directory_;
  std::string nextFrom_;
};

}  // namespace korvo::membership
