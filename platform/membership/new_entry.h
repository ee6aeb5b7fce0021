// A new user's entry from the parallel names / values arrays of CreateUser,
// each value checked against its attribute's kind.
#pragma once

#include <string>
#include <string_view>

#include "platform/membership/directory_backend.h"
#include "platform/runtime/variant.h"

namespace korvo::membership {

// names / values: both Empty, Null or Missing (no attributes), or arrays of
// one size. A value that is an array gives the values in its order; Empty,
// Null and "" values are left out. A "UserID" name is allowed only with the
// user's own ID and is then left out. Raises kInvalidAttribute (with
// `source`, naming the attribute but never its value) for a bad name, a
// name given twice, a value not of its attribute's kind or not storable, or
// arrays that do not match.
Entry NewEntry(const std::string& userId, const rt::Variant& names, const rt::Variant& values,
               std::string_view source);

}  // namespace korvo::membership
