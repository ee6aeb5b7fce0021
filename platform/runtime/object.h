// Object: the base of every reference kind a Variant can hold (dictionaries,
// collections, record sets, components).
//
// Objects are owned through std::shared_ptr (ObjectRef); a null ObjectRef is
// the runtime's Nothing. Objects are single-threaded: one thread uses an
// object at a time, as in a single-threaded apartment.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace korvo::rt {

class Variant;

enum class InvokeKind { Method, PropertyGet, PropertyPut };

class Object : public std::enable_shared_from_this<Object> {
 public:
  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual ~Object() = default;

  // The runtime's TypeName of the object ("Dictionary", "Recordset",
  // "Currency", ...).
  virtual std::string TypeName() const = 0;

  // Late-bound call by member name, as scripts made them. Names compare
  // case-insensitively. `args` are by reference: a callee may write back.
  // PropertyPut passes the new value as the last argument.
  // Default: raises 438 "Object doesn't support this property or method".
  virtual Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args);
};

using ObjectRef = std::shared_ptr<Object>;

}  // namespace korvo::rt
