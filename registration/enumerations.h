// The public enumerations of the library, as C++ enums and as a table of
// named constants the script host serves by enumeration name.
//
// Header-only so every class folder can use the enums without linking the
// registration module. Values are fixed by the stored data and by callers;
// never renumber them.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace korvo::common {

inline constexpr std::int32_t kComponentErrorBase = static_cast<std::int32_t>(0x80040000u);

// Error numbers of the currency and business-partner classes.
enum KorvoCommonError : std::int32_t {
  MissingCurrencyCode = kComponentErrorBase + 101,
  MissingCurrencyName,
  MissingHomeCurrency,
  MissingEuroCurrency,
  MissingEPC,
  MissingDecimals,
  MissingLocaleID,
  InvalidDecimals,
  InvalidLocaleID,
  DuplicateHomeCurrency,
  DuplicateEuroCurrency,
  MissingEffectiveDate,
  MissingRateFactor,
  InvalidEPCRate,
  InvalidNonEPCRate,
  CurrencyNotFound,
  UnexpectedGetHomeCurrency,
  UnexpectedGetEuroCurrency,
  UnexpectedGetCurrency,
  UnexpectedAddCurrency,
  UnexpectedUpdateCurrency,
  UnexpectedDeleteCurrency,
  UnexpectedGetCurrencyRate,
  UnexpectedAddCurrencyRate,
  UnexpectedUpdateCurrencyRate,
  UnexpectedDeleteCurrencyRate,
  CurrencyRateNotFound,
  ReferentialDelete,
  ReferentialInsert,
  InvalidEffectiveDate,
  InvalidExpiryDate,
  EffectiveDateRange,
  ExpiryDateRange,
  EuroRateNotDefined,
  EuroRateNotDefinedForHomeCurrency,
  BusinessPartnerNotFound,
  AddressNotFound,
  UnknownUserType,
  HomeRateNotDefined,
  UnexpectedGetCurrencyAsDict,
};
static_assert(UnexpectedGetCurrencyAsDict == -2147221364);

namespace bp {
enum EBusinessPartnerErrors : std::int32_t {
  BusinessPartnerNotFound = kComponentErrorBase + 100,
  DUNSNumberNotFound = kComponentErrorBase + 101,
};
enum EBusinessPartnerFilter : std::int32_t {
  AllBPs = 0, OnlyOneTimeBPs = 1, OnlyNormalBPs = 2, OnlyInternalBPs = 4, OnlyExternalBPs = 8,
};
enum UserTypeEnum : std::int32_t { CUSTOMER = 0, SUPPLIER = 1, CCCUSTOMER = 2 };
enum AddressFieldsEnum : std::int32_t {
  COUNTRYCODE = 0, NAME1, NAME2, STREET1, STREET2, CITY1, CITY2, STATEPROVINCE, ZIPCODE, PHONE,
  Fax, SHORTDESCRIPTION,
};
}  // namespace bp

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

namespace terms {
enum ETermsAndConditions : std::int32_t {
  PaymentTerm = 1, PaymentMethod, DeliveryTerm, DeliveryMethod, PackagingTerm, WarrantyTerm,
  PenaltyTerm,
};
enum EAllOrSpecific : std::int32_t { All = 1, Specific = 2 };
enum nErrorType_DML : std::int32_t {
  ERR_PAYMENTTERMALREADYEXIST = 1,
  ERR_PAYMENTMETHODALREADYEXIST,
  ERR_PACKAGINGTERMALREADYEXIST,
  ERR_DELIVERYTERMALREADYEXIST,
  ERR_DELIVERYMETHODALREADYEXIST,
  ERR_WARRANTYTERMALREADYEXIST,
  ERR_PENALTYTERMALREADYEXIST,
  ERR_PAYMENTTERMNOTEXISTS,
  ERR_PAYMENTMETHODNOTEXISTS,
  ERR_DELIVERYTERMNOTEXISTS,
  ERR_DELIVERYMETHODNOTEXISTS,
  ERR_PACKAGINGTERMNOTEXISTS,
  ERR_WARRANTYTERMNOTEXISTS,
  ERR_PENALTYTERMNOTEXISTS,
  ERR_PAYMENTTERMCANNOTBEDELETED,
  ERR_PAYMENTMETHODCANNOTBEDELETED,
  ERR_DELIVERYTERMCANNOTBEDELETED,
  ERR_DELIVERYMETHODCANNOTBEDELETED,
  ERR_PACKAGINGTERMCANNOTBEDELETED,
  ERR_WARRANTYTERMCANNOTBEDELETED,
  ERR_PENALTYTERMCANNOTBEDELETED,
};
static_assert(ERR_PENALTYTERMCANNOTBEDELETED == 21);
}  // namespace terms

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
