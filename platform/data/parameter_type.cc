#include "platform/data/parameter_type.h"

namespace korvo::data {

contracts::ParamType ParamTypeOf(const rt::Variant& value) {
  switch (value.Type()) {
    case rt::VarType::Boolean:
      return contracts::ParamType::Boolean;
    case rt::VarType::Byte:
    case rt::VarType::Integer:
      return contracts::ParamType::SmallInt;
    case rt::VarType::Long:
      return contracts::ParamType::Integer;
    case rt::VarType::Single:
    case rt::VarType::Double:
      return contracts::ParamType::Double;
    case rt::VarType::Currency:
      return contracts::ParamType::Decimal;
    case rt::VarType::Date:
      return contracts::ParamType::DateTime;
    default:
      return contracts::ParamType::Text;
  }
}

}  // namespace korvo::data
