#include "platform/korvex/referential_checker.h"

#include <optional>
#include <vector>

#include "platform/contracts/database.h"
#include "platform/data/library_connection.h"
#include "platform/data/parameter_type.h"
#include "platform/data/schema.h"
#include "platform/data/schema_names.h"
#include "platform/data/scoped_close.h"
#include "platform/data/sql_text.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"

namespace korvo::korvex {

namespace {

using data::Reference;

// The only place that reads the database's declared references.
const std::vector<Reference>& References() { return data::SchemaReferences(); }

// The caller's column names beside their values.
class KeyValues {
 public:
  KeyValues(const rt::Array& names, const rt::Array& values) {
    if (names.items.size() != values.items.size()) {
      rt::Raise(rt::errnum::kInvalidProcedureCall, "The key names and values differ in number");
    }
    for (std::size_t i = 0; i < names.items.size(); ++i) {
      entries_.push_back({data::PlainIdentifier(names.items[i]), values.items[i]});
    }
  }

  // The value given for column (names compare case-insensitively), or nullptr.
  const rt::Variant* Find(const std::string& column) const {
    for (const auto& entry : entries_) {
      if (rt::TextEqualsNoCase(entry.column, column)) return &entry.value;
    }
    return nullptr;
  }

  struct Entry {
    std::string column;
    rt::Variant value;
  };
  const std::vector<Entry>& entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
};

// A condition list with its positional parameters, in the same order.
struct Filter {
  std::vector<std::string> conditions;
  std::vector<contracts::Parameter> parameters;

  void Join(const std::string& left, const std::string& right) {
    conditions.push_back(left + "=" + right);
  }
  void Equals(const std::string& column, const rt::Variant& value) {
    conditions.push_back(column + "=?");
    parameters.push_back(contracts::Parameter{column, data::ParamTypeOf(value), 0, value});
  }
};

// The library's database, opened at the first question and closed with the
// object.
class Database {
 public:
  Database() = default;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Whether any row of `from` meets every condition of the filter.
  bool AnyRow(const std::string& from, const Filter& filter) {
    std::string sql = "SELECT CASE WHEN EXISTS (SELECT 1 FROM " + from;
    for (std::size_t i = 0; i < filter.conditions.size(); ++i) {
      sql += (i == 0 ? " WHERE " : " AND ") + filter.conditions[i];
    }
    sql += ") THEN 1 ELSE 0 END";
    contracts::RecordsetRef rows = Connection().Execute(sql, filter.parameters);
    data::ScopedClose<contracts::RecordsetRef> closeRows(rows);
    return rows && !rows->IsEOF() && rt::CLng(rows->Value(0)) == 1;
  }

 private:
  contracts::Connection& Connection() {
    if (!connection_) connection_ = data::OpenConnection(data::LibraryConnectionString());
    return *connection_;
  }

  contracts::ConnectionRef connection_;
  data::ScopedClose<contracts::ConnectionRef> close_{connection_};
};

}  // namespace

const host::DispatchTable& ReferentialChecker::Dispatch() const {
  static const host::DispatchTable table =
      host::DispatchTable::For<ReferentialChecker>()
          .Method("CanDeleteInComponent", &ReferentialChecker::CanDeleteInComponent)
          .Method("BeforeDelete", &ReferentialChecker::BeforeDelete)
          .Method("ReferencesExistInComponent", &ReferentialChecker::ReferencesExistInComponent)
          .Method("ReferencesExist", &ReferentialChecker::ReferencesExist)
          .Build();
  return table;
}

bool ReferentialChecker::CanDeleteInComponent(const std::string& /*component*/, const std::string& table,
                                              const rt::Array& names, const rt::Array& values) {
  const KeyValues key(names, values);
  Database database;
  for (const Reference& reference : References()) {
    if (reference.owned || !rt::TextEqualsNoCase(reference.parentTable, table)) continue;
    // Child rows joined to the parent rows the key selects.
    Filter filter;
    for (std::size_t i = 0; i < reference.childColumns.size(); ++i) {
      filter.Join("C." + reference.childColumns[i], "P." + reference.parentColumns[i]);
    }
    for (const auto& entry : key.entries()) {
      filter.Equals("P." + data::SchemaColumnName(table, rt::Variant(entry.column)), entry.value);
    }
    if (database.AnyRow(reference.childTable + " C, " + reference.parentTable + " P", filter))
      return false;
  }
  return true;
}

bool ReferentialChecker::BeforeDelete(const std::string& /*table*/, const rt::Array& /*names*/,
                                      const rt::Array& /*values*/) {
  return true;
}

bool ReferentialChecker::ReferencesExistInComponent(const std::string& /*component*/,
                                                    const std::string& table, const rt::Array& names,
                                                    const rt::Array& values) {
  return ReferencesExist(table, names, values);
}

bool ReferentialChecker::ReferencesExist(const std::string& table, const rt::Array& names,
                                         const rt::Array& values) {
  const KeyValues given(names, values);
  Database database;
  for (const Reference& reference : References()) {
    if (!rt::TextEqualsNoCase(reference.childTable, table)) continue;
    Filter filter;
    for (std::size_t i = 0; i < reference.childColumns.size(); ++i) {
      const rt::Variant* value = given.Find(reference.childColumns[i]);
      if (value == nullptr || value->IsNullOrEmpty()) break;  // refers to nothing
      filter.Equals("P." + reference.parentColumns[i], *value);
    }
    if (filter.parameters.size() != reference.childColumns.size()) continue;
    if (!database.AnyRow(reference.parentTable + " P", filter)) return false;
  }
  return true;
}

}  // namespace korvo::korvex
