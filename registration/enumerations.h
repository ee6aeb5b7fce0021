// The public enumerations of the library as a table of named constants the
// script host serves by enumeration name. Each enumeration is declared in
// the folder of the class that owns it; this table joins them.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "infrastructure/common_errors.h"
#include "partner/partner_enumerations.h"
#include "terms/terms_enumerations.h"
#include "user/user_enumerations.h"

namespace korvo::common {

// Named constants of every public enumeration, for callers outside C++.
struct EnumerationMember {
  std::string_view name;
  std::int32_t value;
};
struct Enumeration {
  std::string_view name;
  std::vector<EnumerationMember> members;
};

// All public enumerations, in declaration order. Thread-safe (immutable).
const std::vector<Enumeration>& PublicEnumerations();

}  // namespace korvo::common
