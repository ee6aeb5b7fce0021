#include "user/office_reading.h"

#include <cstdint>

#include "infrastructure/method_guard.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/sql_build.h"
#include "user/user_connection.h"

namespace korvo::common {

namespace {

// The default stored in place of a Null, by the office columns' type codes.
enum class ColumnKind { Date = 2, Number = 4, Text = 5 };

struct OfficeColumn {
  const char* name;
  ColumnKind kind;
};

// The office dictionary's columns in its order, PROPERTYGROUPID apart.
constexpr OfficeColumn kOfficeColumns[] = {
    {"OFFICEDESCRIPTION", ColumnKind::Text},   {"ADDRESSID", ColumnKind::Number},
    {"ZRK_ZRKID", ColumnKind::Number},         {"BUSINESSPARTNERID", ColumnKind::Number},
    {"CURRENCYCODE", ColumnKind::Text},        {"OFFICETYPE", ColumnKind::Number},
    {"CREDITCARDNUMBER", ColumnKind::Text},    {"CREDITCARDEXPIRY", ColumnKind::Date},
    {"CREDITCARDTYPE", ColumnKind::Number},    {"COSTCENTER", ColumnKind::Text},
    {"WAREHOUSE", ColumnKind::Text},           {"SHIPTOCONTACTINFORMATION", ColumnKind::Text},
    {"FINANCIALDIMENSION1", ColumnKind::Text}, {"FINANCIALDIMENSION2", ColumnKind::Text},
    {"FINANCIALDIMENSION3", ColumnKind::Text}, {"FINANCIALDIMENSION4", ColumnKind::Text},
    {"FINANCIALDIMENSION5", ColumnKind::Text}, {"PROJECTPROP", ColumnKind::Number},
    {"PLANPROP", ColumnKind::Number},          {"EXTENSIONPROP", ColumnKind::Number},
    {"COSTCOMPONENTPROP", ColumnKind::Number}, {"ACTIVITYPROP", ColumnKind::Number},
    {"ELEMENTPROP", ColumnKind::Number},
};
constexpr OfficeColumn kPropertyGroupColumn{"PROPERTYGROUPID", ColumnKind::Number};

rt::Variant DefaultOf(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::Date:
      return rt::Variant();
    case ColumnKind::Number:
      return rt::Variant(std::int16_t{-1});
    case ColumnKind::Text:
      break;
  }
  return rt::Variant("");
}

// A value that is not Null is kept as the database gave it.
void AddWithDefault(rt::Dictionary& office, const OfficeColumn& column, const rt::Variant& value) {
  office.Add(column.name, value.IsNull() ? DefaultOf(column.kind) : value);
}

void AddRow(rt::Dictionary& office, const contracts::Recordset& row) {
  for (const OfficeColumn& column : kOfficeColumns)
    AddWithDefault(office, column, row.Value(column.name));
  AddWithDefault(office, kPropertyGroupColumn, row.Value(kPropertyGroupColumn.name));
}

// An office without a row: the expiry date reads as "" here, not Empty.
void AddMissingRow(rt::Dictionary& office) {
  for (const OfficeColumn& column : kOfficeColumns) {
    office.Add(column.name,
               column.kind == ColumnKind::Number ? DefaultOf(column.kind) : rt::Variant(""));
  }
}

}  // namespace

rt::DictionaryRef ReadOfficeProperties(const std::string& officeDescription,
                                       std::string_view className) {
  const std::string method = std::string(className) + ".getOfficeProperties";
  contracts::ConnectionRef connection;
  return infra::RunHandled(infra::UnvotedHandler(method), connection, [&] {
    connection = OpenUserClassConnection();
    contracts::RecordsetRef row = connection->Execute(
        "select * from OFFICE where OFFICEDESCRIPTION='" + infra::Gen_SqlQuote(officeDescription) + "'",
        {}, nullptr, 1);
    auto office = rt::Dictionary::Create();
    if (row->IsEOF()) {
      AddMissingRow(*office);
    } else {
      AddRow(*office, *row);
    }
    infra::Sql_CloseConnection(connection);
    return office;
  });
}

rt::Variant OfficeCache::Field(const std::string& officeDescription, const std::string& column) {
  if (officeDescription.empty()) return rt::Variant();
  const std::string method =
      className_ + ".getOfficeField Field: " + column + " Office: " + officeDescription;
  return infra::RunHandled(infra::UnvotedHandler(method), [&] {
    if (!properties_ || officeDescription != description_) {
      properties_ = ReadOfficeProperties(officeDescription, className_);
      description_ = officeDescription;
    }
    const rt::Variant* value = properties_->Find(column);
    return value ? *value : rt::Variant();
  });
}

}  // namespace korvo::common
