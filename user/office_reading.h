// Reading one office (a row of OFFICE, named by its description) as the
// office dictionary the user attributes fall back to, and the one-office
// cache a user object keeps. Shared by the user classes.
//
// The office dictionary holds, in this order, OFFICEDESCRIPTION,
// ADDRESSID, ZRK_ZRKID, BUSINESSPARTNERID, CURRENCYCODE, OFFICETYPE,
// CREDITCARDNUMBER, CREDITCARDEXPIRY, CREDITCARDTYPE, COSTCENTER,
// WAREHOUSE, SHIPTOCONTACTINFORMATION, FINANCIALDIMENSION1..5, PROJECTPROP,
// PLANPROP, EXTENSIONPROP, COSTCOMPONENTPROP, ACTIVITYPROP, ELEMENTPROP and,
// only when the office has a row, PROPERTYGROUPID. A Null column reads as
// its default: "" for texts, the Integer -1 for numbers, Empty for the
// expiry date. An office without a row gives "" for texts and the expiry
// date and -1 for numbers.
//
// Single-threaded, like the objects that own a cache.
#pragma once

#include <string>
#include <string_view>

#include "platform/runtime/dictionary.h"
#include "platform/runtime/variant.h"

namespace korvo::common {

// The office dictionary of the office. Failures are logged under
// className + ".getOfficeProperties" and raised again.
rt::DictionaryRef ReadOfficeProperties(const std::string& officeDescription, std::string_view className);

// The last office read, by description (compared case-sensitively), with
// its dictionary. Asking for the same office again reads no table; the
// cache is never refreshed.
class OfficeCache {
 public:
  // className is the owner's, as failures name it ("KorvoCommon.User").
  explicit OfficeCache(std::string className) : className_(std::move(className)) {}

  // The office's column value; Empty for an empty description or a column
  // the dictionary does not hold. Failures are logged under className +
  // ".getOfficeField Field: " column " Office: " description and raised
  // again; the cache then keeps the office it held.
  rt::Variant Field(const std::string& officeDescription, const std::string& column);

 private:
  std::string className_;
  std::string description_;
  rt::DictionaryRef properties_;
};

}  // namespace korvo::common
