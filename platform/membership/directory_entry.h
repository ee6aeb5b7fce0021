// The entry a directory user inherits from, as Parent() answers it: its
// attributes and role codes, read when the parent was asked for.
#pragma once

#include <optional>
#include <string>

#include "platform/contracts/membership.h"
#include "platform/host/component.h"
#include "platform/membership/directory_backend.h"

namespace korvo::membership {

// The attribute's values of `entry` in their kind, [Empty] when it has none.
rt::Array AttributeValues(const Entry& entry, std::string_view name);
// The first stored value of the attribute, or nullptr.
const std::string* FirstValue(const Entry& entry, std::string_view name);
// The ID of the entry `entry` inherits from (its "Parent" value), or
// nullopt when it names none or names itself.
std::optional<std::string> ParentId(const Entry& entry);

class DirectoryEntry final : public host::Component, public contracts::MembershipEntry {
 public:
  explicit DirectoryEntry(Entry entry) : entry_(std::move(entry)) {}

  std::string TypeName() const override { return "Entry"; }
  const host::DispatchTable& Dispatch() const override;

  rt::Array GetAttribute(const std::string& name) override;
  rt::Array RoleCodes() override;

 private:
  Entry entry_;
};

}  // namespace korvo::membership
