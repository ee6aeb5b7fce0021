#include "platform/host/dispatch_table.h"

namespace korvo::host {

namespace {

// The upper-case form of a plain ASCII name; nullopt for any other text,
// whose letter case the hashed index cannot fold the runtime's way.
std::optional<std::string> AsciiUpper(std::string_view name) {
  std::string upper(name);
  for (char& c : upper) {
    if (static_cast<unsigned char>(c) >= 0x80) return std::nullopt;
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

}  // namespace

void DispatchTable::Index() {
  index_.clear();
  for (std::size_t i = 0; i < members_.size(); ++i) {
    std::optional<std::string> key = AsciiUpper(members_[i].name);
    if (!key) continue;  // found by the scan
    int& slot = index_[*key].Of(members_[i].kind);
    if (slot < 0) slot = static_cast<int>(i);
  }
}

const DispatchTable::Member* DispatchTable::Find(std::string_view name, rt::InvokeKind kind) const {
  std::optional<std::string> key = AsciiUpper(name);
  if (!key) return Scan(name, kind);
  auto found = index_.find(*key);
  if (found == index_.end()) return nullptr;
  const Slots& slots = found->second;
  // Scripts read a function's value without parentheses, and call a
  // property getter with them.
  int at = -1;
  switch (kind) {
    case rt::InvokeKind::Method:
      at = slots.method >= 0 ? slots.method : slots.get;
      break;
    case rt::InvokeKind::PropertyGet:
      at = slots.get >= 0 ? slots.get : slots.method;
      break;
    default:
      at = slots.put;
      break;
  }
  return at >= 0 ? &members_[static_cast<std::size_t>(at)] : nullptr;
}

const DispatchTable::Member* DispatchTable::Scan(std::string_view name, rt::InvokeKind kind) const {
  const Member* method = nullptr;
  const Member* getter = nullptr;
  for (const auto& m : members_) {
    if (!rt::TextEqualsNoCase(m.name, name)) continue;
    if (m.kind == kind) return &m;
    if (m.kind == rt::InvokeKind::Method && !method) method = &m;
    if (m.kind == rt::InvokeKind::PropertyGet && !getter) getter = &m;
  }
  if (kind == rt::InvokeKind::Method) return getter;
  return kind == rt::InvokeKind::PropertyGet ? method : nullptr;
}

}  // namespace korvo::host
