// The user classes' public enumerations: their error numbers, the credit
// card types of a user or office, and the office types.
//
// Values are fixed by stored data and callers; never renumber them.
#pragma once

#include <cstdint>

#include "infrastructure/common_errors.h"

namespace korvo::common {

namespace user {
enum EUserErrors : std::int32_t {
  eUserNotFound = kComponentErrorBase + 100,
  eOfficeNotFound,
  eWarehouseNotFound,
  eWorkcenterNotFound,
  eProjectRoleNotFound,
  eProjectRoleBlank,
  eBusinessProcessInvalid,
  eInvalidArray,
};
enum CreditCard : std::int32_t { Visa = 0, MasterCard = 1, Amex = 2, OTHER = 3 };
enum OfficeType : std::int32_t { Administrative = 1, Purchase = 2 };
}  // namespace user

}  // namespace korvo::common
