#include "platform/membership/directory_entry.h"

#include "platform/membership/attribute_kinds.h"
#include "platform/runtime/conversions.h"

namespace korvo::membership {

namespace {

const Attribute* Find(const Entry& entry, std::string_view name) {
  for (const auto& attribute : entry.attributes) {
    if (rt::TextEqualsNoCase(attribute.name, name)) return &attribute;
  }
  return nullptr;
}

}  // namespace

rt::Array AttributeValues(const Entry& entry, std::string_view name) {
  const Attribute* attribute = Find(entry, name);
  if (!attribute || attribute->values.empty()) return rt::Array({rt::Variant()});
  const AttributeKind kind = KindOf(name);
  std::vector<rt::Variant> values;
  values.reserve(attribute->values.size());
  for (const auto& value : attribute->values) values.push_back(ReadValue(kind, value));
  return rt::Array(std::move(values));
}

const std::string* FirstValue(const Entry& entry, std::string_view name) {
  const Attribute* attribute = Find(entry, name);
  if (!attribute || attribute->values.empty()) return nullptr;
  return &attribute->values.front();
}

std::optional<std::string> ParentId(const Entry& entry) {
  const std::string* parentId = FirstValue(entry, "Parent");
  if (!parentId || FoldCase(*parentId) == FoldCase(entry.userId)) return std::nullopt;
  return *parentId;
}

const host::DispatchTable& DirectoryEntry::Dispatch() const {
  static const host::DispatchTable table = host::DispatchTable::For<DirectoryEntry>()
                                               .Method("GetAttribute", &DirectoryEntry::GetAttribute)
                                               .Getter("RoleCodes", &DirectoryEntry::RoleCodes)
                                               .Build();
  return table;
}

rt::Array DirectoryEntry::GetAttribute(const std::string& name) { return AttributeValues(entry_, name); }

rt::Array DirectoryEntry::RoleCodes() { return AttributeValues(entry_, "KorvoRole"); }

}  // namespace korvo::membership
