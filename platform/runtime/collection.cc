#include "platform/runtime/collection.h"

#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"
#include "platform/runtime/late_bound_member.h"

namespace korvo::rt {

void Collection::Add(Variant item, std::optional<std::string> key) {
  if (key) {
    for (const Entry& e : entries_) {
      if (e.key && TextEqualsNoCase(*e.key, *key)) Raise(errnum::kKeyAlreadyAssociated);
    }
  }
  entries_.push_back(Entry{std::move(key), std::move(item)});
}

const Variant& Collection::Item(const Variant& indexOrKey) const {
  return entries_[IndexOf(indexOrKey)].item;
}

void Collection::Remove(const Variant& indexOrKey) {
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(IndexOf(indexOrKey)));
}

// A text is a key; anything else is a 1-based position.
std::size_t Collection::IndexOf(const Variant& indexOrKey) const {
  if (indexOrKey.IsString()) {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      const auto& key = entries_[i].key;
      if (key && TextEqualsNoCase(*key, indexOrKey.AsString())) return i;
    }
    Raise(errnum::kInvalidProcedureCall);
  }
  const std::int32_t position = CLng(indexOrKey);
  if (position < 1 || position > Count()) Raise(errnum::kInvalidProcedureCall);
  return static_cast<std::size_t>(position - 1);
}

Variant Collection::Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) {
  using Member = LateBoundMember<Collection>;
  static constexpr Member kMembers[] = {
      {"Add", 1, 2,
       [](Collection& c, std::span<Variant> a) -> Variant {
         const Variant* key = OptionalArgument(a, 1);
         c.Add(a[0], key ? std::optional<std::string>(CStr(*key)) : std::nullopt);
         return {};
       }},
      {"Item", 1, 1, [](Collection& c, std::span<Variant> a) -> Variant { return c.Item(a[0]); }},
      {"Remove", 1, 1,
       [](Collection& c, std::span<Variant> a) -> Variant {
         c.Remove(a[0]);
         return {};
       }},
      {"Count", 0, 0, [](Collection& c, std::span<Variant>) -> Variant { return c.Count(); }},
  };
  // A collection's members are all read-only.
  if (kind == InvokeKind::PropertyPut) Raise(errnum::kNotSupported);
  return InvokeMember<Collection>(*this, kMembers, member, args);
}

}  // namespace korvo::rt
