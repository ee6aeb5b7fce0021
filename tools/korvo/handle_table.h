// HandleTable: the protocol's names for live objects.
//
// A caller outside the process refers to an object by a positive integer
// handle. The table holds a reference to every object it has handed out, so
// the object lives until the caller releases the handle (or the session
// ends). The same object always gets the same handle while it is held.
// Single-threaded, like the session that owns it. Non-copyable.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>

#include "platform/runtime/object.h"

namespace korvo::tool {

class HandleTable {
 public:
  struct Entry {
    rt::ObjectRef object;
    std::string className;
  };

  HandleTable() = default;
  HandleTable(const HandleTable&) = delete;
  HandleTable& operator=(const HandleTable&) = delete;

  // The handle of a non-null object: its existing handle, or a new one
  // remembering className (the ProgID it was created by, or its type name).
  std::int64_t Add(const rt::ObjectRef& object, const std::string& className);
  // The entry of a handle, or nullptr when it was never given or released.
  const Entry* Find(std::int64_t handle) const;
  // Drops the table's reference; false when the handle is unknown.
  bool Release(std::int64_t handle);
  // Drops every reference, newest first.
  void Clear();

 private:
  std::map<std::int64_t, Entry> entries_;
  std::unordered_map<const rt::Object*, std::int64_t> byObject_;
  std::int64_t next_ = 1;
};

}  // namespace korvo::tool
