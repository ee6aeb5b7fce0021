#include "platform/runtime/variant.h"

#include <type_traits>

#include "platform/runtime/error.h"

namespace korvo::rt {

Variant::Variant(Array a) : v_(ArrayBox{std::make_unique<Array>(std::move(a))}) {}

// Arrays are values: a copy owns its own elements.
Variant::Variant(const Variant& other) {
  std::visit(
      [this](const auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, ArrayBox>) {
          auto copy = value.p ? std::make_unique<Array>(*value.p) : std::make_unique<Array>();
          v_.template emplace<ArrayBox>(ArrayBox{std::move(copy)});
        } else {
          v_.template emplace<T>(value);
        }
      },
      other.v_);
}

// Copies first, then replaces: `other` may live inside this value's array.
Variant& Variant::operator=(const Variant& other) {
  if (this != &other) {
    Variant copy(other);
    v_ = std::move(copy.v_);
  }
  return *this;
}

bool Variant::IsNumeric() const {
  const VarType t = Type();
  return t >= VarType::Byte && t <= VarType::Currency;
}

namespace {

template <class T, class Storage>
const T& Get(const Storage& v) {
  const T* value = std::get_if<T>(&v);
  if (!value) Raise(errnum::kTypeMismatch);
  return *value;
}

}  // namespace

std::uint8_t Variant::AsByte() const { return Get<std::uint8_t>(v_); }
std::int16_t Variant::AsInteger() const { return Get<std::int16_t>(v_); }
std::int32_t Variant::AsLong() const { return Get<std::int32_t>(v_); }
float Variant::AsSingle() const { return Get<float>(v_); }
double Variant::AsDouble() const { return Get<double>(v_); }
Money Variant::AsMoney() const { return Get<Money>(v_); }
Date Variant::AsDate() const { return Get<Date>(v_); }
const std::string& Variant::AsString() const { return Get<std::string>(v_); }
bool Variant::AsBool() const { return Get<bool>(v_); }
const ObjectRef& Variant::AsObject() const { return Get<ObjectRef>(v_); }

const Array& Variant::AsArray() const {
  static const Array kNoElements;
  const ArrayBox& box = Get<ArrayBox>(v_);
  return box.p ? *box.p : kNoElements;
}

Array& Variant::AsArray() {
  const ArrayBox& box = Get<ArrayBox>(v_);
  // A moved-from array value reads as an empty array.
  if (!box.p) v_.template emplace<ArrayBox>(ArrayBox{std::make_unique<Array>()});
  return *std::get<ArrayBox>(v_).p;
}

namespace {

std::size_t Offset(const Array& a, std::int32_t index) {
  const std::int64_t offset = static_cast<std::int64_t>(index) - a.lbound;
  if (offset < 0 || offset >= static_cast<std::int64_t>(a.items.size())) {
    Raise(errnum::kSubscriptOutOfRange);
  }
  return static_cast<std::size_t>(offset);
}

}  // namespace

Variant& Array::At(std::int32_t index) { return items[Offset(*this, index)]; }

const Variant& Array::At(std::int32_t index) const { return items[Offset(*this, index)]; }

}  // namespace korvo::rt
