#include "terms/terms_kind.h"

#include <array>

#include "terms/terms_enumerations.h"

namespace korvo::common {

namespace {

using namespace terms;

// In ETermsAndConditions order. The "already exists" numbers do not follow
// that order (packaging term comes third among them); the others do.
constexpr std::array<TermsKind, 7> kKinds{{
    {"PAYMENTTERM",
     "PAYMENTTERMCODE",
     {ERR_PAYMENTTERMALREADYEXIST, "Payment term already exists"},
     {ERR_PAYMENTTERMNOTEXISTS, "The Payment term does not exist"},
     {ERR_PAYMENTTERMCANNOTBEDELETED, "Payment Term cannot be deleted. Reference exists"}},
    {"PAYMENTMETHOD",
     "PAYMENTMETHODCODE",
     {ERR_PAYMENTMETHODALREADYEXIST, "Payment method already exists"},
     {ERR_PAYMENTMETHODNOTEXISTS, "The Payment method does not exist"},
     {ERR_PAYMENTMETHODCANNOTBEDELETED, "Payment Method cannot be deleted. Reference exists"}},
    {"DELIVERYTERM",
     "DELIVERYTERMCODE",
     {ERR_DELIVERYTERMALREADYEXIST, "Delivery term already exists"},
     {ERR_DELIVERYTERMNOTEXISTS, "The Delivery term does not exist"},
     {ERR_DELIVERYTERMCANNOTBEDELETED, "Delivery Term cannot be deleted. Reference exists"}},
    {"DELIVERYMETHOD",
     "DELIVERYMETHODCODE",
     {ERR_DELIVERYMETHODALREADYEXIST, "Delivery method already exists"},
     {ERR_DELIVERYMETHODNOTEXISTS, "The Delivery method does not exist"},
     {ERR_DELIVERYMETHODCANNOTBEDELETED, "Delivery Method cannot be deleted. Reference exists"}},
    {"PACKAGINGTERM",
     "PACKAGINGTERMCODE",
     {ERR_PACKAGINGTERMALREADYEXIST, "Packaging term already exists"},
     {ERR_PACKAGINGTERMNOTEXISTS, "The Packaging term does not exist"},
     {ERR_PACKAGINGTERMCANNOTBEDELETED, "Packaging Term cannot be deleted. Reference exists"}},
    {"WARRANTYTERM",
     "WARRANTYTERMCODE",
     {ERR_WARRANTYTERMALREADYEXIST, "Warranty term already exists"},
     {ERR_WARRANTYTERMNOTEXISTS, "The Warranty term does not exist"},
     {ERR_WARRANTYTERMCANNOTBEDELETED, "Warranty Term cannot be deleted. Reference exists"}},
    {"PENALTYTERM",
     "PENALTYTERMCODE",
     {ERR_PENALTYTERMALREADYEXIST, "Penalty term already exists"},
     {ERR_PENALTYTERMNOTEXISTS, "The Penalty term does not exist"},
     {ERR_PENALTYTERMCANNOTBEDELETED, "Penalty Term cannot be deleted. Reference exists"}},
}};

constexpr TermsKind kNoKind{};

}  // namespace

const TermsKind& TermsKindOf(std::int32_t kind) {
  if (kind < PaymentTerm || kind > PenaltyTerm) return kNoKind;
  return kKinds[static_cast<std::size_t>(kind - PaymentTerm)];
}

}  // namespace korvo::common
