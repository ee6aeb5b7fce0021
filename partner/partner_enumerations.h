// The business-partner class's public enumerations: its own error numbers,
// the partner filter of the listings, the user types a partner serves as,
// and the address fields of the address dictionaries.
//
// Values are fixed by stored data and callers; never renumber them.
#pragma once

#include <cstdint>

#include "infrastructure/common_errors.h"

namespace korvo::common {

namespace bp {
enum EBusinessPartnerErrors : std::int32_t {
  BusinessPartnerNotFound = kComponentErrorBase + 100,
  DUNSNumberNotFound = kComponentErrorBase + 101,
};
enum EBusinessPartnerFilter : std::int32_t {
  AllBPs = 0,
  OnlyOneTimeBPs = 1,
  OnlyNormalBPs = 2,
  OnlyInternalBPs = 4,
  OnlyExternalBPs = 8,
};
enum UserTypeEnum : std::int32_t { CUSTOMER = 0, SUPPLIER = 1, CCCUSTOMER = 2 };
enum AddressFieldsEnum : std::int32_t {
  COUNTRYCODE = 0,
  NAME1,
  NAME2,
  STREET1,
  STREET2,
  CITY1,
  CITY2,
  STATEPROVINCE,
  ZIPCODE,
  PHONE,
  Fax,
  SHORTDESCRIPTION,
};
}  // namespace bp

}  // namespace korvo::common
