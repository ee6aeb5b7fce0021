#include "tools/korvo/handle_table.h"

namespace korvo::tool {

std::int64_t HandleTable::Add(const rt::ObjectRef& object, const std::string& className) {
  // Keyed by address: the host hands out wrapping references, and an object
  // returning itself must still map to the handle the caller already holds.
  if (auto it = byObject_.find(object.get()); it != byObject_.end()) return it->second;
  const std::int64_t handle = next_++;
  entries_.emplace(handle, Entry{object, className});
  byObject_.emplace(object.get(), handle);
  return handle;
}

const HandleTable::Entry* HandleTable::Find(std::int64_t handle) const {
  auto it = entries_.find(handle);
  return it == entries_.end() ? nullptr : &it->second;
}

bool HandleTable::Release(std::int64_t handle) {
  auto it = entries_.find(handle);
  if (it == entries_.end()) return false;
  // Unlink first: releasing may run the object's deactivation, which must
  // find the table consistent.
  rt::ObjectRef object = std::move(it->second.object);
  byObject_.erase(object.get());
  entries_.erase(it);
  return true;
}

void HandleTable::Clear() {
  while (!entries_.empty()) Release(entries_.rbegin()->first);
}

}  // namespace korvo::tool
