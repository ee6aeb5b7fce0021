#include "platform/runtime/dictionary.h"

#include <functional>

#include "platform/runtime/conversions.h"
#include "platform/runtime/late_bound_member.h"

namespace korvo::rt {
namespace {

// Keys of different numeric kinds are one key when their values are equal;
// every other kind matches only its own kind.
bool KeysEqual(const Variant& a, const Variant& b) {
  if (a.IsString()) return b.IsString() && a.AsString() == b.AsString();
  if (a.IsNumeric() && b.IsNumeric()) return Equals(a, b);
  if (a.Type() != b.Type()) return false;
  switch (a.Type()) {
    case VarType::String:
      return a.AsString() == b.AsString();
    case VarType::Boolean:
      return a.AsBool() == b.AsBool();
    case VarType::Date:
      return a.AsDate().serial == b.AsDate().serial;
    case VarType::Object:
      return a.AsObject() == b.AsObject();
    default:
      return true;  // Empty, Null, Missing
  }
}

// Consistent with KeysEqual: equal numbers hash alike whatever their kind.
std::size_t HashKey(const Variant& key) {
  const auto kind = static_cast<std::size_t>(key.Type());
  switch (key.Type()) {
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Single:
    case VarType::Double:
    case VarType::Currency:
      return std::hash<double>()(CDbl(key) + 0.0);  // -0 hashes as 0
    case VarType::String:
      return std::hash<std::string>()(key.AsString());
    case VarType::Boolean:
      return kind ^ std::hash<bool>()(key.AsBool());
    case VarType::Date:
      return kind ^ std::hash<double>()(key.AsDate().serial + 0.0);
    case VarType::Object:
      return std::hash<ObjectRef>()(key.AsObject());
    default:
      return kind;
  }
}

void CheckKey(const Variant& key) {
  if (key.IsArray()) Raise(errnum::kTypeMismatch);
}

}  // namespace

void Dictionary::Add(const Variant& key, Variant item) {
  const std::size_t hash = KeyHash(key);
  if (IndexOf(key, hash) >= 0) Raise(errnum::kKeyAlreadyAssociated);
  Append(key, std::move(item), hash);
}

bool Dictionary::Exists(const Variant& key) const { return IndexOf(key) >= 0; }

Variant& Dictionary::Item(const Variant& key) {
  const std::size_t hash = KeyHash(key);
  const std::ptrdiff_t pos = IndexOf(key, hash);
  if (pos < 0) return Append(key, Variant(), hash);
  return entries_[static_cast<std::size_t>(pos)].item;
}

void Dictionary::Set(const Variant& key, Variant item) { Item(key) = std::move(item); }

const Variant* Dictionary::Find(const Variant& key) const {
  const std::ptrdiff_t pos = IndexOf(key);
  return pos < 0 ? nullptr : &entries_[static_cast<std::size_t>(pos)].item;
}

void Dictionary::Remove(const Variant& key) {
  const std::ptrdiff_t pos = IndexOf(key);
  if (pos < 0) Raise(kElementNotFound);
  entries_.erase(entries_.begin() + pos);
  RebuildIndex();
}

void Dictionary::RemoveAll() {
  entries_.clear();
  slots_.clear();
  hashes_.clear();
}

Array Dictionary::Keys() const {
  std::vector<Variant> keys;
  keys.reserve(entries_.size());
  for (const Entry& e : entries_) keys.push_back(e.key);
  return Array(std::move(keys));
}

Array Dictionary::Items() const {
  std::vector<Variant> items;
  items.reserve(entries_.size());
  for (const Entry& e : entries_) items.push_back(e.item);
  return Array(std::move(items));
}

std::size_t Dictionary::KeyHash(const Variant& key) const {
  CheckKey(key);
  // A small dictionary is searched without hashing; one about to outgrow
  // that is indexed from scratch, which hashes every key anyway.
  return slots_.empty() ? 0 : HashKey(key);
}

std::ptrdiff_t Dictionary::IndexOf(const Variant& key, std::size_t hash) const {
  if (slots_.empty()) {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (KeysEqual(entries_[i].key, key)) return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
  }
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t slot = hash & mask; slots_[slot] != 0; slot = (slot + 1) & mask) {
    const std::size_t position = slots_[slot] - 1;
    if (hashes_[position] == hash && KeysEqual(entries_[position].key, key)) {
      return static_cast<std::ptrdiff_t>(position);
    }
  }
  return -1;
}

Variant& Dictionary::Append(const Variant& key, Variant item, std::size_t hash) {
  if (entries_.capacity() == 0) entries_.reserve(kInitialCapacity);
  entries_.emplace_back(key, std::move(item));
  if (!slots_.empty() && entries_.size() * 2 <= slots_.size()) {
    hashes_.push_back(hash);
    IndexEntry(entries_.size() - 1, hash);
  } else if (entries_.size() > kIndexThreshold) {
    RebuildIndex();
  }
  return entries_.back().item;
}

void Dictionary::IndexEntry(std::size_t position, std::size_t hash) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = hash & mask;
  while (slots_[slot] != 0) slot = (slot + 1) & mask;
  slots_[slot] = static_cast<std::uint32_t>(position + 1);
}

void Dictionary::RebuildIndex() {
  slots_.clear();
  hashes_.clear();
  if (entries_.size() <= kIndexThreshold) return;
  std::size_t size = 32;
  while (size < entries_.size() * 2) size *= 2;
  slots_.assign(size, 0);
  hashes_.reserve(size / 2);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    hashes_.push_back(HashKey(entries_[i].key));
    IndexEntry(i, hashes_.back());
  }
}

Variant Dictionary::Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) {
  using Member = LateBoundMember<Dictionary>;
  // Assignment to Item: the new value comes last.
  static constexpr Member kPut[] = {
      {"Item", 2, 2,
       [](Dictionary& d, std::span<Variant> a) -> Variant {
         d.Set(a[0], a[1]);
         return {};
       }},
  };
  static constexpr Member kGet[] = {
      {"Item", 1, 1, [](Dictionary& d, std::span<Variant> a) -> Variant { return d.Item(a[0]); }},
      {"Exists", 1, 1, [](Dictionary& d, std::span<Variant> a) -> Variant { return d.Exists(a[0]); }},
      {"Add", 2, 2,
       [](Dictionary& d, std::span<Variant> a) -> Variant {
         d.Add(a[0], a[1]);
         return {};
       }},
      {"Remove", 1, 1,
       [](Dictionary& d, std::span<Variant> a) -> Variant {
         d.Remove(a[0]);
         return {};
       }},
      {"RemoveAll", 0, 0,
       [](Dictionary& d, std::span<Variant>) -> Variant {
         d.RemoveAll();
         return {};
       }},
      {"Keys", 0, 0, [](Dictionary& d, std::span<Variant>) -> Variant { return d.Keys(); }},
      {"Items", 0, 0, [](Dictionary& d, std::span<Variant>) -> Variant { return d.Items(); }},
      {"Count", 0, 0, [](Dictionary& d, std::span<Variant>) -> Variant { return d.Count(); }},
  };
  if (kind == InvokeKind::PropertyPut) return InvokeMember<Dictionary>(*this, kPut, member, args);
  return InvokeMember<Dictionary>(*this, kGet, member, args);
}

}  // namespace korvo::rt
