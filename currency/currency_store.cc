#include "currency/currency_store.h"

#include <utility>

#include "infrastructure/components.h"
#include "infrastructure/sql_access.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"

namespace korvo::common {

namespace {

constexpr const char* kConnectionStringMethod = "KorvoCommon.Currency.ConnectionString";

rt::Variant ConvertedTo(contracts::ParamType type, const rt::Variant& value) {
  using contracts::ParamType;
  if (value.IsNullOrEmpty()) return rt::Variant::Null();
  switch (type) {
    case ParamType::FixedText:
    case ParamType::Text:
      return rt::Variant(rt::CStr(value));
    case ParamType::Boolean:
      return rt::Variant(rt::CBool(value));
    case ParamType::SmallInt:
      return rt::Variant(rt::CInt(value));
    case ParamType::Integer:
      return rt::Variant(rt::CLng(value));
    case ParamType::DateTime:
      return rt::Variant(rt::CDate(value));
    case ParamType::Decimal:
    case ParamType::Double:
      return rt::Variant(rt::CDbl(value));
  }
  return value;
}

}  // namespace

const std::string& CurrencyConnectionString() {
  return infra::ConnectionStringApplicationFirst(kConnectionStringMethod);
}

contracts::ConnectionRef OpenCurrencyConnection() {
  return infra::Sql_GetOpenConnection(CurrencyConnectionString());
}

contracts::ConnectionRef OpenConfiguredConnection() {
  return infra::Sql_GetOpenConnection(infra::ConnectionStringConfigurationOnlyUnhandled());
}

contracts::Parameter InputParameter(std::string name, contracts::ParamType type,
                                    const rt::Variant& value, std::int32_t size) {
  return contracts::Parameter{std::move(name), type, size, ConvertedTo(type, value)};
}

contracts::Parameter CurrencyCodeParameter(const rt::Variant& code) {
  return InputParameter("CurrencyCode", contracts::ParamType::FixedText, code, 3);
}

void RaiseCurrencyError(KorvoCommonError number, std::string description) {
  rt::Raise(number, std::move(description));
}

}  // namespace korvo::common
