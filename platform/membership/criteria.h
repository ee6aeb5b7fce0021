// Search criteria as callers give them ("ProjectRole=PM", "UserID>=bob!"),
// read into the backend's conditions. The one place a caller's criteria
// are interpreted: a name of [A-Za-z0-9_-], then "=" or ">=", then the value
// taken literally to the end.
#pragma once

#include <string_view>
#include <vector>

#include "platform/membership/directory_backend.h"
#include "platform/runtime/variant.h"

namespace korvo::membership {

// Nothing, Empty, Null, Missing or an empty array: no criteria. Otherwise an
// array of texts, each read as one criterion. The user-ID attribute becomes
// kIdAttribute; a value of a known numeric, Boolean or date attribute that
// reads as its kind is compared in its canonical text ("06" finds 6).
// Raises kInvalidCriteria (with `source`) for anything else, naming the
// position of the criterion at fault but never echoing its value.
std::vector<Criterion> ReadCriteria(const rt::Variant& criteria, std::string_view source);

}  // namespace korvo::membership
