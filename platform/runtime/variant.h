// Variant: the late-bound value scripts and callers pass to the library.
//
// Exactly the kinds the library distinguishes: Empty, Null, Byte, Integer
// (16-bit), Long (32-bit), Single, Double, Currency (Money), Date, String
// (UTF-8), Boolean, Object (an ObjectRef; null is Nothing) and Array (a
// one-dimensional array of Variants with its lower bound). Nothing converts
// between numeric kinds implicitly: the constructor used fixes the kind, and
// conversions are the named functions of conversions.h.
//
// Arrays have value semantics, as scripts expect: copying a Variant
// copies its array. Objects have reference semantics.
// Thread-compatible: distinct Variants may be used on distinct threads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/runtime/date.h"
#include "platform/runtime/money.h"
#include "platform/runtime/object.h"

namespace korvo::rt {

enum class VarType : std::uint8_t {
  Empty,
  Null,
  Byte,
  Integer,
  Long,
  Single,
  Double,
  Currency,
  Date,
  String,
  Boolean,
  Object,
  Array,
  Missing,  // an omitted optional argument (scripts see it as the "Error" kind)
};

struct Array;

class Variant {
 public:
  struct EmptyTag {};
  struct NullTag {};
  struct MissingTag {};

  Variant() = default;  // Empty
  Variant(NullTag) : v_(NullTag{}) {}
  Variant(MissingTag) : v_(MissingTag{}) {}
  Variant(std::uint8_t b) : v_(b) {}
  Variant(std::int16_t i) : v_(i) {}
  Variant(std::int32_t l) : v_(l) {}
  Variant(float f) : v_(f) {}
  Variant(double d) : v_(d) {}
  Variant(Money m) : v_(m) {}
  Variant(Date d) : v_(d) {}
  Variant(std::string s) : v_(std::move(s)) {}
  Variant(std::string_view s) : v_(std::string(s)) {}
  Variant(const char* s) : v_(std::string(s)) {}
  Variant(bool b) : v_(b) {}
  Variant(ObjectRef o) : v_(std::move(o)) {}
  template <class T, class = std::enable_if_t<std::is_base_of_v<Object, T>>>
  Variant(std::shared_ptr<T> o) : v_(ObjectRef(std::move(o))) {}
  Variant(Array a);
  // Kinds the runtime does not have must be converted explicitly.
  Variant(long long) = delete;
  Variant(unsigned) = delete;
  Variant(std::nullptr_t) = delete;

  Variant(const Variant& other);
  Variant& operator=(const Variant& other);
  Variant(Variant&&) noexcept = default;
  Variant& operator=(Variant&&) noexcept = default;
  ~Variant() = default;

  static Variant Null() { return Variant(NullTag{}); }
  static Variant Missing() { return Variant(MissingTag{}); }
  static Variant Nothing() { return Variant(ObjectRef()); }

  VarType Type() const { return static_cast<VarType>(v_.index()); }
  bool IsEmpty() const { return Type() == VarType::Empty; }
  bool IsNull() const { return Type() == VarType::Null; }
  bool IsMissing() const { return Type() == VarType::Missing; }
  bool IsNullOrEmpty() const { return IsNull() || IsEmpty(); }
  bool IsObject() const { return Type() == VarType::Object; }
  bool IsNothing() const { return IsObject() && !AsObject(); }
  bool IsArray() const { return Type() == VarType::Array; }
  bool IsString() const { return Type() == VarType::String; }
  bool IsNumeric() const;  // Byte .. Currency (the numeric kinds)

  // Exact-kind accessors; the caller checks Type() first. Each raises Type
  // mismatch (13) when the kind differs.
  std::uint8_t AsByte() const;
  std::int16_t AsInteger() const;
  std::int32_t AsLong() const;
  float AsSingle() const;
  double AsDouble() const;
  Money AsMoney() const;
  Date AsDate() const;
  const std::string& AsString() const;
  bool AsBool() const;
  const ObjectRef& AsObject() const;
  const Array& AsArray() const;
  Array& AsArray();

  // The object as a particular class, or null when it is Nothing or another
  // class. Raises Type mismatch (13) when the value is not an Object.
  template <class T>
  std::shared_ptr<T> As() const {
    return std::dynamic_pointer_cast<T>(AsObject());
  }

 private:
  struct ArrayBox {
    std::unique_ptr<Array> p;
  };
  std::variant<EmptyTag, NullTag, std::uint8_t, std::int16_t, std::int32_t, float, double, Money, Date,
               std::string, bool, ObjectRef, ArrayBox, MissingTag>
      v_;
};

// A one-dimensional array with its lower bound (0 for arrays the library
// builds, whatever the caller gave for arrays it receives).
struct Array {
  std::int32_t lbound = 0;
  std::vector<Variant> items;

  Array() = default;
  explicit Array(std::vector<Variant> values, std::int32_t lower = 0)
      : lbound(lower), items(std::move(values)) {}
  std::int32_t LBound() const { return lbound; }
  std::int32_t UBound() const { return lbound + static_cast<std::int32_t>(items.size()) - 1; }
  // Element by runtime index; raises Subscript out of range (9).
  Variant& At(std::int32_t index);
  const Variant& At(std::int32_t index) const;
};

}  // namespace korvo::rt
