// Collection: the runtime's 1-based collection with optional text keys.
//
// Keys compare case-insensitively. Errors: a duplicate key raises 457; an
// index outside 1..Count or an unknown key raises 5 "Invalid procedure call
// or argument". Single-threaded, like every Object.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/runtime/object.h"
#include "platform/runtime/variant.h"

namespace korvo::rt {

class Collection final : public Object {
 public:
  static std::shared_ptr<Collection> Create() { return std::make_shared<Collection>(); }

  std::string TypeName() const override { return "Collection"; }
  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override;

  void Add(Variant item, std::optional<std::string> key = std::nullopt);
  // 1-based index, or a text key.
  const Variant& Item(const Variant& indexOrKey) const;
  void Remove(const Variant& indexOrKey);
  std::int32_t Count() const { return static_cast<std::int32_t>(entries_.size()); }

  struct Entry {
    std::optional<std::string> key;
    Variant item;
  };
  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  std::size_t IndexOf(const Variant& indexOrKey) const;
  std::vector<Entry> entries_;
};

using CollectionRef = std::shared_ptr<Collection>;

}  // namespace korvo::rt
