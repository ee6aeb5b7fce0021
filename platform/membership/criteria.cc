#include "platform/membership/criteria.h"

#include <string>

#include "platform/contracts/membership.h"
#include "platform/membership/attribute_kinds.h"
#include "platform/membership/directory_error.h"
#include "platform/runtime/conversions.h"

namespace korvo::membership {

namespace {

bool IsNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-';
}

[[noreturn]] void Refuse(std::size_t position, std::string_view source, std::string_view why) {
  RaiseDirectoryError(contracts::membership_error::kInvalidCriteria, source,
                      "criterion " + std::to_string(position) + " " + std::string(why));
}

Criterion ReadCriterion(const rt::Variant& item, std::size_t position, std::string_view source) {
  if (!item.IsString()) Refuse(position, source, "is not a text");
  const std::string& text = item.AsString();
  std::size_t end = 0;
  while (end < text.size() && IsNameCharacter(text[end])) ++end;
  Criterion criterion;
  criterion.attribute = text.substr(0, end);
  if (!IsValidAttributeName(criterion.attribute))
    Refuse(position, source, "has no valid attribute name");
  const std::string_view rest = std::string_view(text).substr(end);
  if (rest.starts_with(">=")) {
    criterion.comparison = Comparison::AtLeast;
    criterion.value = std::string(rest.substr(2));
  } else if (rest.starts_with("=")) {
    criterion.value = std::string(rest.substr(1));
  } else {
    Refuse(position, source, "has no \"=\" or \">=\" operator");
  }
  if (!IsStorableValue(criterion.value))
    Refuse(position, source, "has a value longer than 1024 bytes or with a NUL");
  if (rt::TextEqualsNoCase(criterion.attribute, kIdAttribute)) {
    criterion.attribute = std::string(kIdAttribute);
  } else if (auto canonical =
                 CanonicalValue(KindOf(criterion.attribute), rt::Variant(criterion.value))) {
    criterion.value = std::move(*canonical);
  }
  return criterion;
}

}  // namespace

std::vector<Criterion> ReadCriteria(const rt::Variant& criteria, std::string_view source) {
  if (criteria.IsNullOrEmpty() || criteria.IsMissing() || criteria.IsNothing()) return {};
  if (!criteria.IsArray()) {
    RaiseDirectoryError(contracts::membership_error::kInvalidCriteria, source,
                        "the criteria are not an array");
  }
  std::vector<Criterion> read;
  const auto& items = criteria.AsArray().items;
  for (std::size_t i = 0; i < items.size(); ++i) read.push_back(ReadCriterion(items[i], i, source));
  return read;
}

}  // namespace korvo::membership
