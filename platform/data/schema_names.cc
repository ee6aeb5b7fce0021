#include "platform/data/schema_names.h"

#include "platform/contracts/database.h"
#include "platform/data/schema.h"
#include "platform/data/sql_text.h"
#include "platform/runtime/error.h"

namespace korvo::data {

namespace {

const TableDef& SchemaTable(std::string_view name) {
  const TableDef* table = FindTable(name);
  if (table == nullptr) {
    rt::Raise(contracts::dberr::kSyntax, "Invalid object name '" + std::string(name) + "'.");
  }
  return *table;
}

}  // namespace

std::string SchemaTableName(const rt::Variant& name) {
  std::string plain = PlainIdentifier(name);
  SchemaTable(plain);
  return plain;
}

std::string SchemaColumnName(std::string_view table, const rt::Variant& name) {
  // The table's own check first: a statement's parts may be built in any order.
  if (!table.empty()) PlainIdentifier(rt::Variant(std::string(table)));
  std::string plain = PlainIdentifier(name);
  if (SchemaTable(table).FindColumn(plain) == nullptr) {
    rt::Raise(contracts::dberr::kSyntax, "Invalid column name '" + plain + "'.");
  }
  return plain;
}

}  // namespace korvo::data
