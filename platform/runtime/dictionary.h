// Dictionary: the insertion-ordered map of every public dictionary argument
// and result (a Scripting.Dictionary to callers, binary compare mode).
//
// Keys are Variants compared exactly: texts case-sensitively, numbers by
// value (the Integer 1 and the Long 1 are the same key), a number never
// equals a text. Null and Empty are keys like any other.
// Errors: Add of an existing key raises 457 "This key is already associated
// with an element of this collection"; Remove of an absent key raises 32811.
// Reading an absent key through Item() adds it with Empty (the runtime's
// default-item behaviour); Find() reads without adding. Booleans, dates and
// objects (by identity) are keys of their own kind; an array is no key and
// raises Type mismatch (13).
// Look-ups are hashed once the dictionary holds more than a few entries.
// Single-threaded, like every Object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/runtime/error.h"
#include "platform/runtime/object.h"
#include "platform/runtime/variant.h"

namespace korvo::rt {

class Dictionary final : public Object {
 public:
  static std::shared_ptr<Dictionary> Create() { return std::make_shared<Dictionary>(); }

  std::string TypeName() const override { return "Dictionary"; }
  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override;

  void Add(const Variant& key, Variant item);
  bool Exists(const Variant& key) const;
  // The item under key, added as Empty when absent.
  Variant& Item(const Variant& key);
  // Assigns, adding the key at the end when absent.
  void Set(const Variant& key, Variant item);
  // The item under key, or nullptr; never adds.
  const Variant* Find(const Variant& key) const;
  void Remove(const Variant& key);
  void RemoveAll();
  std::int32_t Count() const { return static_cast<std::int32_t>(entries_.size()); }
  // Keys and items in insertion order, as zero-based arrays.
  Array Keys() const;
  Array Items() const;

  struct Entry {
    Entry(const Variant& k, Variant&& i) : key(k), item(std::move(i)) {}
    Variant key;
    Variant item;
  };
  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  // Up to this many entries keys are searched linearly; beyond it the
  // dictionary keeps an index from key hash to position.
  static constexpr std::size_t kIndexThreshold = 8;
  // Room a new dictionary takes at its first entry: the record-shaped
  // dictionaries the library builds (a currency, a rate) fit without moving.
  static constexpr std::size_t kInitialCapacity = 8;

  // A key's position, or -1. `hash` is the key's hash when the index is in
  // use (KeyHash), so a look-up followed by an append hashes once.
  std::ptrdiff_t IndexOf(const Variant& key) const { return IndexOf(key, KeyHash(key)); }
  std::ptrdiff_t IndexOf(const Variant& key, std::size_t hash) const;
  std::size_t KeyHash(const Variant& key) const;
  Variant& Append(const Variant& key, Variant item, std::size_t hash);
  void RebuildIndex();
  void IndexEntry(std::size_t position, std::size_t hash);

  std::vector<Entry> entries_;
  // The index, empty while small: open addressing with linear probing over a
  // power-of-two table kept at most half full; a slot holds position + 1
  // (0 is free) and hashes_ the full hash of every entry, so a probe
  // compares keys only when the hashes agree. One allocation each, however
  // many entries.
  std::vector<std::uint32_t> slots_;
  std::vector<std::size_t> hashes_;
};

using DictionaryRef = std::shared_ptr<Dictionary>;

// The runtime error raised when a key is missing from a dictionary.
inline constexpr std::int32_t kElementNotFound = errnum::kElementNotFound;

}  // namespace korvo::rt
