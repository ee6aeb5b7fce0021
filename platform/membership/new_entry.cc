#include "platform/membership/new_entry.h"

#include "platform/contracts/membership.h"
#include "platform/membership/attribute_kinds.h"
#include "platform/membership/directory_error.h"
#include "platform/runtime/conversions.h"

namespace korvo::membership {

namespace {

[[noreturn]] void Refuse(std::string_view source, const std::string& why) {
  RaiseDirectoryError(contracts::membership_error::kInvalidAttribute, source, why);
}

bool IsAbsent(const rt::Variant& value) { return value.IsNullOrEmpty() || value.IsMissing(); }

std::vector<std::string> StoredValues(const std::string& name, const rt::Variant& value,
                                      std::string_view source) {
  const AttributeKind kind = KindOf(name);
  std::vector<std::string> stored;
  auto add = [&](const rt::Variant& item) {
    if (IsAbsent(item) || (item.IsString() && item.AsString().empty())) return;
    auto text = CanonicalValue(kind, item);
    if (!text) Refuse(source, "the value of " + name + " cannot be stored as that attribute");
    stored.push_back(std::move(*text));
  };
  if (value.IsArray()) {
    for (const auto& item : value.AsArray().items) add(item);
  } else {
    add(value);
  }
  return stored;
}

}  // namespace

Entry NewEntry(const std::string& userId, const rt::Variant& names, const rt::Variant& values,
               std::string_view source) {
  Entry entry{userId, {}};
  if (IsAbsent(names) && IsAbsent(values)) return entry;
  if (!names.IsArray() || !values.IsArray() ||
      names.AsArray().items.size() != values.AsArray().items.size()) {
    Refuse(source, "the names and values are not arrays of one size");
  }
  const auto& nameItems = names.AsArray().items;
  const auto& valueItems = values.AsArray().items;
  for (std::size_t i = 0; i < nameItems.size(); ++i) {
    if (!nameItems[i].IsString() || !IsValidAttributeName(nameItems[i].AsString())) {
      Refuse(source, "attribute name " + std::to_string(i) + " is not a valid name");
    }
    const std::string& name = nameItems[i].AsString();
    if (rt::TextEqualsNoCase(name, kIdAttribute)) {
      if (valueItems[i].IsString() && FoldCase(valueItems[i].AsString()) == FoldCase(userId)) continue;
      Refuse(source, "UserID differs from the user's name");
    }
    for (const auto& earlier : entry.attributes) {
      if (rt::TextEqualsNoCase(earlier.name, name)) Refuse(source, name + " is given twice");
    }
    auto stored = StoredValues(name, valueItems[i], source);
    if (!stored.empty()) entry.attributes.push_back({name, std::move(stored)});
  }
  return entry;
}

}  // namespace korvo::membership
