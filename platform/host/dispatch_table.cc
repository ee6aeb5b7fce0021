#include "platform/host/dispatch_table.h"

namespace korvo::host {

const DispatchTable::Member* DispatchTable::Find(std::string_view name,
                                                 rt::InvokeKind kind) const {
  const Member* method = nullptr;
  for (const auto& m : members_) {
    if (!rt::TextEqualsNoCase(m.name, name)) continue;
    if (m.kind == kind) return &m;
    if (m.kind == rt::InvokeKind::Method) method = &m;
  }
  // Scripts read a function's value without parentheses, and call a
  // property getter with them.
  if (kind == rt::InvokeKind::Method) {
    for (const auto& m : members_) {
      if (m.kind == rt::InvokeKind::PropertyGet && rt::TextEqualsNoCase(m.name, name)) return &m;
    }
  }
  return kind == rt::InvokeKind::PropertyGet ? method : nullptr;
}

}  // namespace korvo::host
