// The terms-and-conditions class's public enumerations: the seven kinds,
// all-or-specific selection, and its small plain error numbers.
//
// Values are fixed by stored data and callers; never renumber them.
#pragma once

#include <cstdint>

namespace korvo::common {

namespace terms {
enum ETermsAndConditions : std::int32_t {
  PaymentTerm = 1,
  PaymentMethod,
  DeliveryTerm,
  DeliveryMethod,
  PackagingTerm,
  WarrantyTerm,
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

}  // namespace korvo::common
