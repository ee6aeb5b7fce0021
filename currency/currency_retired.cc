// The write methods the Currency class still carries from before TCurrency
// took over maintenance. They write nothing: each fails with -1 and a text
// naming its replacement, so an old caller finds out in the log where to go.
#include <string>

#include "currency/currency.h"
#include "infrastructure/method_guard.h"

namespace korvo::common {

void Currency::Retired(std::string_view replacement) {
  const std::string text =
      "This method is depricated, Use KorvoCommon.TCurrency." + std::string(replacement) + " Method";
  infra::RaiseRetired(text);
}

bool Currency::AddCurrency() { Retired("AddCurrency"); }
bool Currency::UpdateCurrency() { Retired("UpdateCurrency"); }
bool Currency::DeleteCurrency() { Retired("DeleteCurrency"); }
bool Currency::CurrencyDelete(const std::string&) { Retired("CurrencyDelete"); }

bool Currency::AddCurrencyRate(rt::Variant&, rt::Variant&, rt::Variant&, rt::Variant&, rt::Variant&,
                               rt::Variant&, rt::Variant&) {
  Retired("AddCurrencyRate");
}

bool Currency::UpdateCurrencyRate(rt::Variant&, rt::Variant&, rt::Variant&, rt::Variant&, rt::Variant&,
                                  rt::Variant&, rt::Variant&) {
  Retired("UpdateCurrencyRate");
}

bool Currency::DeleteCurrencyRate(rt::Variant&, rt::Variant&) { Retired("DeleteCurrencyRate"); }

rt::ObjectRef Currency::InsertFromScript(const std::string&, rt::Variant&, rt::Variant&) {
  Retired("InsertFromScript");
}

rt::ObjectRef Currency::UpdateFromScript(const std::string&, rt::Variant&, rt::Variant&) {
  Retired("UpdateFromScript");
}

rt::ObjectRef Currency::DeleteFromScript(const std::string&, rt::Variant&, rt::Variant&) {
  Retired("DeleteFromScript");
}

rt::ObjectRef Currency::BusinessRules_GetInstance(rt::Variant&) { Retired("BusinessRules_GetInstance"); }

rt::ObjectRef Currency::BusinessRules_Insert(rt::Variant&) { Retired("BusinessRules_Insert"); }
rt::ObjectRef Currency::BusinessRules_Update(rt::Variant&) { Retired("BusinessRules_Update"); }
rt::ObjectRef Currency::BusinessRules_Delete(rt::Variant&) { Retired("BusinessRules_Delete"); }

bool Currency::IReferentialIntegrity_Exists(const std::string&, rt::Variant&, rt::Variant&) {
  Retired("IReferentialIntegrity_Exists");
}

bool Currency::IReferentialIntegrity_BeforeDelete(const std::string&, rt::Variant&, rt::Variant&) {
  Retired("IReferentialIntegrity_BeforeDelete");
}

}  // namespace korvo::common
