#include "registration/enumerations.h"

namespace korvo::common {

namespace {

// Each member is listed by its own name, so a renamed enumerator breaks the
// build instead of silently changing the table callers see.
#define KORVO_MEMBER(scope, name) \
  EnumerationMember { #name, static_cast < std::int32_t>(scope::name) }

std::vector<Enumeration> BuildEnumerations() {
  return {
      {"KorvoCommonError",
       {KORVO_MEMBER(common, MissingCurrencyCode),
        KORVO_MEMBER(common, MissingCurrencyName),
        KORVO_MEMBER(common, MissingHomeCurrency),
        KORVO_MEMBER(common, MissingEuroCurrency),
        KORVO_MEMBER(common, MissingEPC),
        KORVO_MEMBER(common, MissingDecimals),
        KORVO_MEMBER(common, MissingLocaleID),
        KORVO_MEMBER(common, InvalidDecimals),
        KORVO_MEMBER(common, InvalidLocaleID),
        KORVO_MEMBER(common, DuplicateHomeCurrency),
        KORVO_MEMBER(common, DuplicateEuroCurrency),
        KORVO_MEMBER(common, MissingEffectiveDate),
        KORVO_MEMBER(common, MissingRateFactor),
        KORVO_MEMBER(common, InvalidEPCRate),
        KORVO_MEMBER(common, InvalidNonEPCRate),
        KORVO_MEMBER(common, CurrencyNotFound),
        KORVO_MEMBER(common, UnexpectedGetHomeCurrency),
        KORVO_MEMBER(common, UnexpectedGetEuroCurrency),
        KORVO_MEMBER(common, UnexpectedGetCurrency),
        KORVO_MEMBER(common, UnexpectedAddCurrency),
        KORVO_MEMBER(common, UnexpectedUpdateCurrency),
        KORVO_MEMBER(common, UnexpectedDeleteCurrency),
        KORVO_MEMBER(common, UnexpectedGetCurrencyRate),
        KORVO_MEMBER(common, UnexpectedAddCurrencyRate),
        KORVO_MEMBER(common, UnexpectedUpdateCurrencyRate),
        KORVO_MEMBER(common, UnexpectedDeleteCurrencyRate),
        KORVO_MEMBER(common, CurrencyRateNotFound),
        KORVO_MEMBER(common, ReferentialDelete),
        KORVO_MEMBER(common, ReferentialInsert),
        KORVO_MEMBER(common, InvalidEffectiveDate),
        KORVO_MEMBER(common, InvalidExpiryDate),
        KORVO_MEMBER(common, EffectiveDateRange),
        KORVO_MEMBER(common, ExpiryDateRange),
        KORVO_MEMBER(common, EuroRateNotDefined),
        KORVO_MEMBER(common, EuroRateNotDefinedForHomeCurrency),
        KORVO_MEMBER(common, BusinessPartnerNotFound),
        KORVO_MEMBER(common, AddressNotFound),
        KORVO_MEMBER(common, UnknownUserType),
        KORVO_MEMBER(common, HomeRateNotDefined),
        KORVO_MEMBER(common, UnexpectedGetCurrencyAsDict)}},
      {"EBusinessPartnerErrors",
       {KORVO_MEMBER(bp, BusinessPartnerNotFound), KORVO_MEMBER(bp, DUNSNumberNotFound)}},
      {"EBusinessPartnerFilter",
       {KORVO_MEMBER(bp, AllBPs), KORVO_MEMBER(bp, OnlyOneTimeBPs), KORVO_MEMBER(bp, OnlyNormalBPs),
        KORVO_MEMBER(bp, OnlyInternalBPs), KORVO_MEMBER(bp, OnlyExternalBPs)}},
      {"UserTypeEnum",
       {KORVO_MEMBER(bp, CUSTOMER), KORVO_MEMBER(bp, SUPPLIER), KORVO_MEMBER(bp, CCCUSTOMER)}},
      {"AddressFieldsEnum",
       {KORVO_MEMBER(bp, COUNTRYCODE), KORVO_MEMBER(bp, NAME1), KORVO_MEMBER(bp, NAME2),
        KORVO_MEMBER(bp, STREET1), KORVO_MEMBER(bp, STREET2), KORVO_MEMBER(bp, CITY1),
        KORVO_MEMBER(bp, CITY2), KORVO_MEMBER(bp, STATEPROVINCE), KORVO_MEMBER(bp, ZIPCODE),
        KORVO_MEMBER(bp, PHONE), KORVO_MEMBER(bp, Fax), KORVO_MEMBER(bp, SHORTDESCRIPTION)}},
      {"EUserErrors",
       {KORVO_MEMBER(user, eUserNotFound), KORVO_MEMBER(user, eOfficeNotFound),
        KORVO_MEMBER(user, eWarehouseNotFound), KORVO_MEMBER(user, eWorkcenterNotFound),
        KORVO_MEMBER(user, eProjectRoleNotFound), KORVO_MEMBER(user, eProjectRoleBlank),
        KORVO_MEMBER(user, eBusinessProcessInvalid), KORVO_MEMBER(user, eInvalidArray)}},
      {"CreditCard",
       {KORVO_MEMBER(user, Visa), KORVO_MEMBER(user, MasterCard), KORVO_MEMBER(user, Amex),
        KORVO_MEMBER(user, OTHER)}},
      {"OfficeType", {KORVO_MEMBER(user, Administrative), KORVO_MEMBER(user, Purchase)}},
      {"ETermsAndConditions",
       {KORVO_MEMBER(terms, PaymentTerm), KORVO_MEMBER(terms, PaymentMethod),
        KORVO_MEMBER(terms, DeliveryTerm), KORVO_MEMBER(terms, DeliveryMethod),
        KORVO_MEMBER(terms, PackagingTerm), KORVO_MEMBER(terms, WarrantyTerm),
        KORVO_MEMBER(terms, PenaltyTerm)}},
      {"EAllOrSpecific", {KORVO_MEMBER(terms, All), KORVO_MEMBER(terms, Specific)}},
      {"nErrorType_DML",
       {KORVO_MEMBER(terms, ERR_PAYMENTTERMALREADYEXIST),
        KORVO_MEMBER(terms, ERR_PAYMENTMETHODALREADYEXIST),
        KORVO_MEMBER(terms, ERR_PACKAGINGTERMALREADYEXIST),
        KORVO_MEMBER(terms, ERR_DELIVERYTERMALREADYEXIST),
        KORVO_MEMBER(terms, ERR_DELIVERYMETHODALREADYEXIST),
        KORVO_MEMBER(terms, ERR_WARRANTYTERMALREADYEXIST),
        KORVO_MEMBER(terms, ERR_PENALTYTERMALREADYEXIST),
        KORVO_MEMBER(terms, ERR_PAYMENTTERMNOTEXISTS),
        KORVO_MEMBER(terms, ERR_PAYMENTMETHODNOTEXISTS),
        KORVO_MEMBER(terms, ERR_DELIVERYTERMNOTEXISTS),
        KORVO_MEMBER(terms, ERR_DELIVERYMETHODNOTEXISTS),
        KORVO_MEMBER(terms, ERR_PACKAGINGTERMNOTEXISTS),
        KORVO_MEMBER(terms, ERR_WARRANTYTERMNOTEXISTS),
        KORVO_MEMBER(terms, ERR_PENALTYTERMNOTEXISTS),
        KORVO_MEMBER(terms, ERR_PAYMENTTERMCANNOTBEDELETED),
        KORVO_MEMBER(terms, ERR_PAYMENTMETHODCANNOTBEDELETED),
        KORVO_MEMBER(terms, ERR_DELIVERYTERMCANNOTBEDELETED),
        KORVO_MEMBER(terms, ERR_DELIVERYMETHODCANNOTBEDELETED),
        KORVO_MEMBER(terms, ERR_PACKAGINGTERMCANNOTBEDELETED),
        KORVO_MEMBER(terms, ERR_WARRANTYTERMCANNOTBEDELETED),
        KORVO_MEMBER(terms, ERR_PENALTYTERMCANNOTBEDELETED)}},
  };
}

#undef KORVO_MEMBER

}  // namespace

const std::vector<Enumeration>& PublicEnumerations() {
  static const std::vector<Enumeration> enumerations = BuildEnumerations();
  return enumerations;
}

}  // namespace korvo::common
