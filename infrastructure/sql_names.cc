#include "infrastructure/sql_names.h"

#include "platform/contracts/database.h"
#include "infrastructure/sql_build.h"
#include "platform/data/schema.h"
#include "platform/runtime/error.h"

namespace korvo::infra {

namespace {

const data::TableDef& SchemaTable(std::string_view name) {
  const data::TableDef* table = data::FindTable(name);
  if (table == nullptr) {
    rt::Raise(contracts::dberr::kSyntax, "Invalid object name '" + std::string(name) + "'.");
  }
  return *table;
}

}  // namespace

std::string Sql_TableName(const rt::Variant& name) {
  std::string plain = Sql_Identifier(name);
  SchemaTable(plain);
  return plain;
}

std::string Sql_ColumnName(std::string_view table, const rt::Variant& name) {
  // The table's own check first: a statement's parts may be built in any order.
  if (!table.empty()) Sql_Identifier(rt::Variant(std::string(table)));
  std::string plain = Sql_Identifier(name);
  if (SchemaTable(table).FindColumn(plain) == nullptr) {
    rt::Raise(contracts::dberr::kSyntax, "Invalid column name '" + plain + "'.");
  }
  return plain;
}

}  // namespace korvo::infra
