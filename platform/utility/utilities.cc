#include "platform/utility/utilities.h"

#include "platform/data/sql_text.h"

namespace korvo::utility {

const host::DispatchTable& Utilities::Dispatch() const {
  static const host::DispatchTable table = host::DispatchTable::For<Utilities>()
                                               .Method("SqlValue", &Utilities::SqlValue)
                                               .Method("SqlText", &Utilities::SqlText)
                                               .Method("SqlNumber", &Utilities::SqlNumber)
                                               .Build();
  return table;
}

std::string Utilities::SqlValue(const rt::Variant& value) {
  // The plain literal, marked Unicode where it is quoted.
  std::string literal = data::SqlLiteral(value);
  const bool quoted = value.IsString() || value.Type() == rt::VarType::Date;
  return quoted ? "N" + literal : literal;
}

std::string Utilities::SqlText(const std::string& text) { return SqlValue(rt::Variant(text)); }

std::string Utilities::SqlNumber(std::int32_t number) { return SqlValue(rt::Variant(number)); }

}  // namespace korvo::utility
