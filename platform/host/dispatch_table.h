// DispatchTable: a class's members callable by name, over runtime values.
//
// It wraps the class's typed C++ API: each entry adapts one member function,
// converting Variant arguments to the declared parameter types with the
// runtime's conversion rules and writing non-const reference parameters back
// into the caller's Variants (by-reference arguments). std::optional
// parameters are optional arguments; a Missing or absent argument is nullopt.
//
//   static const DispatchTable table = DispatchTable::For<Currency>()
//       .Method("GetCurrency", &Currency::GetCurrency)
//       .Property("CurrencyCode", &Currency::CurrencyCode, &Currency::SetCurrencyCode)
//       .Build();
//
// Errors raised while adapting: 449 "Argument not optional" for a missing
// required argument, 450 "Wrong number of arguments or invalid property
// assignment" for too many, 13 "Type mismatch" for an argument of the wrong
// kind, and the conversion errors of conversions.h. Names compare
// case-insensitively. A built table is immutable and thread-safe to read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"
#include "platform/runtime/variant.h"

namespace korvo::host {

class DispatchTable {
 public:
  using Invoker = std::function<rt::Variant(rt::Object& self, std::span<rt::Variant> args)>;
  struct Member {
    std::string name;
    rt::InvokeKind kind;
    Invoker invoke;
    std::size_t arity = 0;  // declared parameters, optional ones included
  };

  // The member of that name and kind, or nullptr. A PropertyGet lookup also
  // finds a Method of that name (scripts read functions without parentheses)
  // and a Method lookup a PropertyGet. Where a name is registered twice for
  // one kind, the first registration answers. Hashed: the cost does not grow
  // with the size of the class.
  const Member* Find(std::string_view name, rt::InvokeKind kind) const;
  const std::vector<Member>& Members() const { return members_; }

  template <class C>
  class Builder;
  template <class C>
  static Builder<C> For();

 private:
  // Index into members_ per kind of one name; -1 where the kind is absent.
  struct Slots {
    int method = -1;
    int get = -1;
    int put = -1;
    int& Of(rt::InvokeKind kind) {
      if (kind == rt::InvokeKind::Method) return method;
      return kind == rt::InvokeKind::PropertyGet ? get : put;
    }
  };
  // Builds the case-insensitive index; called once when a builder finishes.
  void Index();
  const Member* Scan(std::string_view name, rt::InvokeKind kind) const;

  std::vector<Member> members_;
  std::unordered_map<std::string, Slots> index_;  // keyed by the upper-case name
};

namespace detail {

template <class T>
struct IsOptional : std::false_type {};
template <class T>
struct IsOptional<std::optional<T>> : std::true_type {};

template <class T>
struct IsSharedObject : std::false_type {};
template <class T>
struct IsSharedObject<std::shared_ptr<T>> : std::is_base_of<rt::Object, T> {};

// Variant -> declared parameter type.
template <class T>
T FromVariant(const rt::Variant& v) {
  if constexpr (std::is_same_v<T, rt::Variant>) {
    return v;
  } else if constexpr (IsOptional<T>::value) {
    if (v.IsMissing()) return std::nullopt;
    return FromVariant<typename T::value_type>(v);
  } else if constexpr (std::is_same_v<T, std::string>) {
    return rt::CStr(v);
  } else if constexpr (std::is_same_v<T, bool>) {
    return rt::CBool(v);
  } else if constexpr (std::is_same_v<T, std::uint8_t>) {
    return rt::CByte(v);
  } else if constexpr (std::is_same_v<T, std::int16_t>) {
    return rt::CInt(v);
  } else if constexpr (std::is_same_v<T, std::int32_t>) {
    return rt::CLng(v);
  } else if constexpr (std::is_same_v<T, float>) {
    return rt::CSng(v);
  } else if constexpr (std::is_same_v<T, double>) {
    return rt::CDbl(v);
  } else if constexpr (std::is_same_v<T, rt::Money>) {
    return rt::CCur(v);
  } else if constexpr (std::is_same_v<T, rt::Date>) {
    return rt::CDate(v);
  } else if constexpr (std::is_same_v<T, rt::Array>) {
    if (!v.IsArray()) rt::Raise(rt::errnum::kTypeMismatch);
    return v.AsArray();
  } else if constexpr (IsSharedObject<T>::value) {
    if (!v.IsObject()) rt::Raise(rt::errnum::kTypeMismatch);
    if (!v.AsObject()) return T();
    auto typed = std::dynamic_pointer_cast<typename T::element_type>(v.AsObject());
    if (!typed) rt::Raise(rt::errnum::kTypeMismatch);
    return typed;
  } else {
    static_assert(sizeof(T) == 0, "parameter type not supported by the dispatch layer");
  }
}

// Declared result or by-reference parameter type -> Variant.
template <class T>
rt::Variant ToVariant(T&& value) {
  using U = std::remove_cvref_t<T>;
  if constexpr (IsOptional<U>::value) {
    if (!value) return rt::Variant::Missing();
    return ToVariant(*value);
  } else if constexpr (IsSharedObject<U>::value) {
    return rt::Variant(rt::ObjectRef(value));
  } else {
    return rt::Variant(std::forward<T>(value));
  }
}

// One argument slot: owns the converted value while the call runs and
// writes it back afterwards when the parameter is a non-const reference.
template <class P>
class ArgSlot {
  using T = std::remove_cvref_t<P>;
  static constexpr bool kByRef =
      std::is_lvalue_reference_v<P> && !std::is_const_v<std::remove_reference_t<P>>;
  static constexpr bool kDirect = kByRef && std::is_same_v<T, rt::Variant>;

 public:
  ArgSlot(std::span<rt::Variant> args, std::size_t index) {
    if (index < args.size()) source_ = &args[index];
    if constexpr (kDirect) {
      if (!source_ || source_->IsMissing()) {
        if (!source_) rt::Raise(rt::errnum::kArgumentNotOptional);
      }
    } else {
      if (!source_ || source_->IsMissing()) {
        if constexpr (IsOptional<T>::value) {
          value_.emplace(std::nullopt);
        } else {
          rt::Raise(rt::errnum::kArgumentNotOptional);
        }
      } else {
        value_.emplace(FromVariant<T>(*source_));
      }
    }
  }
  P get() {
    if constexpr (kDirect) {
      return *source_;
    } else {
      return static_cast<P>(*value_);
    }
  }
  void WriteBack() {
    if constexpr (kByRef && !kDirect) {
      if (source_) *source_ = ToVariant(*value_);
    }
  }

 private:
  rt::Variant* source_ = nullptr;
  std::optional<T> value_;
};

template <class C, class R, class... P, class Fn, std::size_t... I>
rt::Variant CallAdapted(C& self, Fn fn, std::span<rt::Variant> args, std::index_sequence<I...>) {
  if (args.size() > sizeof...(P)) rt::Raise(rt::errnum::kWrongArgumentCount);
  std::tuple<ArgSlot<P>...> slots{ArgSlot<P>(args, I)...};
  if constexpr (std::is_void_v<R>) {
    (self.*fn)(std::get<I>(slots).get()...);
    (std::get<I>(slots).WriteBack(), ...);
    return rt::Variant();
  } else {
    rt::Variant result = ToVariant((self.*fn)(std::get<I>(slots).get()...));
    (std::get<I>(slots).WriteBack(), ...);
    return result;
  }
}

template <class C, class R, class... P, class Fn>
DispatchTable::Invoker MakeInvoker(Fn fn) {
  return [fn](rt::Object& self, std::span<rt::Variant> args) -> rt::Variant {
    return CallAdapted<C, R, P...>(static_cast<C&>(self), fn, args, std::index_sequence_for<P...>{});
  };
}

}  // namespace detail

template <class C>
class DispatchTable::Builder {
 public:
  template <class R, class... P>
  Builder& Method(std::string name, R (C::*fn)(P...)) {
    return Add(std::move(name), rt::InvokeKind::Method, detail::MakeInvoker<C, R, P...>(fn),
               sizeof...(P));
  }
  template <class R, class... P>
  Builder& Method(std::string name, R (C::*fn)(P...) const) {
    return Add(std::move(name), rt::InvokeKind::Method, detail::MakeInvoker<C, R, P...>(fn),
               sizeof...(P));
  }
  // A read/write property: getter() and setter(value).
  template <class G, class S>
  Builder& Property(const std::string& name, G getter, S setter) {
    Getter(name, getter);
    return Setter(name, setter);
  }
  template <class R, class... P>
  Builder& Getter(std::string name, R (C::*fn)(P...) const) {
    return Add(std::move(name), rt::InvokeKind::PropertyGet, detail::MakeInvoker<C, R, P...>(fn),
               sizeof...(P));
  }
  template <class R, class... P>
  Builder& Getter(std::string name, R (C::*fn)(P...)) {
    return Add(std::move(name), rt::InvokeKind::PropertyGet, detail::MakeInvoker<C, R, P...>(fn),
               sizeof...(P));
  }
  template <class... P>
  Builder& Setter(std::string name, void (C::*fn)(P...)) {
    return Add(std::move(name), rt::InvokeKind::PropertyPut, detail::MakeInvoker<C, void, P...>(fn),
               sizeof...(P));
  }
  // Members of a base class's table (an implemented interface, say).
  Builder& Include(const DispatchTable& other) {
    for (const auto& m : other.Members()) table_.members_.push_back(m);
    return *this;
  }
  DispatchTable Build() {
    table_.Index();
    return std::move(table_);
  }

 private:
  Builder& Add(std::string name, rt::InvokeKind kind, Invoker invoker, std::size_t arity) {
    table_.members_.push_back(Member{std::move(name), kind, std::move(invoker), arity});
    return *this;
  }
  DispatchTable table_;
};

template <class C>
DispatchTable::Builder<C> DispatchTable::For() {
  return Builder<C>();
}

}  // namespace korvo::host
