#include "user/table_columns.h"

#include <string>

#include "platform/data/schema.h"
#include "platform/runtime/error.h"

namespace korvo::common {

void RequireTableColumn(std::string_view table, std::string_view name, ColumnKindRequired kind) {
  const data::TableDef* definition = data::FindTable(table);
  const data::ColumnDef* column = definition ? definition->FindColumn(name) : nullptr;
  const bool fits =
      column && (kind == ColumnKindRequired::Any || column->type == data::ColumnType::Boolean);
  if (!fits) rt::Raise(rt::errnum::kTypeMismatch, "Invalid identifier: " + std::string(name));
}

}  // namespace korvo::common
