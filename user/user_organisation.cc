// Organisation look-ups: employees, departments, warehouses, workcentres and
// cost centres. They read the library's database only; none touches the
// membership directory.
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "infrastructure/components.h"
#include "infrastructure/errors.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/paged_listing.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/sql_build.h"
#include "platform/runtime/conversions.h"
#include "user/internal/user_members.h"
#include "user/internal/user_queries.h"
#include "user/table_columns.h"
#include "user/user.h"
#include "user/user_connection.h"
#include "user/user_enumerations.h"

namespace korvo::common {

namespace {

using user_queries::FirstRowDictionary;
using user_queries::Quoted;

constexpr const char* kClass = "KorvoCommon.User.";

// The named fields of the first row of sql, in the order given; empty when
// there is no row.
rt::DictionaryRef NamedFields(const std::string& sql, std::initializer_list<const char*> names,
                              const std::string& method) {
  contracts::ConnectionRef connection;
  return infra::RunHandled(infra::UnvotedHandler(method), connection, [&] {
    connection = OpenUserClassConnection();
    contracts::RecordsetRef row = connection->Execute(sql, {}, nullptr, 1);
    auto fields = rt::Dictionary::Create();
    if (!row->IsEOF()) {
      for (const char* name : names) fields->Add(name, row->Value(name));
    }
    infra::Sql_CloseConnection(connection);
    return fields;
  });
}

// The rows of sql detached from their connection, or null when there are
// none.
contracts::RecordsetRef RowsOrNothing(const std::string& sql, const std::string& method) {
  contracts::ConnectionRef connection;
  return infra::RunHandled(infra::UnvotedHandler(method), connection, [&] {
    connection = OpenUserClassConnection();
    contracts::RecordsetRef rows = connection->Execute(sql);
    rows->Detach();
    infra::Sql_CloseConnection(connection);
    return rows->IsEOF() ? contracts::RecordsetRef() : rows->Clone();
  });
}

// Code -> description of every row of a two-column statement.
rt::DictionaryRef CodeDictionary(const std::string& sql, const std::string& method) {
  contracts::ConnectionRef connection;
  return infra::RunHandled(infra::UnvotedHandler(method), connection, [&] {
    connection = OpenUserClassConnection();
    contracts::RecordsetRef rows = connection->Execute(sql);
    auto codes = rt::Dictionary::Create();
    for (; !rows->IsEOF(); rows->MoveNext()) codes->Add(rows->Value(0), rows->Value(1));
    infra::Sql_CloseConnection(connection);
    return codes;
  });
}

// The column names a caller chose, read as its list object offers them
// (Count, then Item(0) .. Item(Count - 1)), or the elements of an array.
std::vector<std::string> ChosenColumns(const rt::Variant& fields) {
  std::vector<std::string> names;
  if (fields.IsArray()) {
    for (const rt::Variant& name : fields.AsArray().items) names.push_back(rt::CStr(name));
    return names;
  }
  const rt::ObjectRef& list = fields.AsObject();
  if (!list) rt::Raise(rt::errnum::kObjectNotSet);
  const std::int32_t count = rt::CLng(list->Invoke("Count", rt::InvokeKind::PropertyGet, {}));
  for (std::int32_t i = 0; i < count; ++i) {
    rt::Variant index(i);
    names.push_back(rt::CStr(list->Invoke("Item", rt::InvokeKind::PropertyGet, {&index, 1})));
  }
  return names;
}

// " * " for every column, else the chosen names joined by "," once each is
// known to be a column of EMPLOYEE.
std::string EmployeeColumnList(const std::optional<rt::Variant>& fields) {
  if (!fields) return " * ";
  std::string list;
  for (const std::string& name : ChosenColumns(*fields)) {
    RequireTableColumn("EMPLOYEE", name);
    list += (list.empty() ? "" : ",") + name;
  }
  return list;
}

// "EMPLOYEEID IN ('a', 'b')" for the IDs of an array. No IDs at all list
// nothing: "EMPLOYEEID IN (NULL)", which every database accepts and no row
// matches.
std::string EmployeeIdCondition(const rt::Variant& ids) {
  if (!ids.IsArray()) rt::Raise(rt::errnum::kTypeMismatch);
  std::string list;
  for (const rt::Variant& id : ids.AsArray().items) {
    list += (list.empty() ? "" : ", ") + Quoted(rt::CStr(id));
  }
  return "EMPLOYEEID IN (" + (list.empty() ? std::string("NULL") : list) + ")";
}

// An ID list restricts the listing when it is there at all: an omitted,
// Empty or Null argument lists every employee.
bool IdsGiven(const std::optional<rt::Variant>& ids) {
  return ids && !ids->IsMissing() && !ids->IsNullOrEmpty();
}

// Raises a not-found error of the class straight to the caller: no log
// entry, the caller's transaction voted down.
[[noreturn]] void RaiseNotFound(user::EUserErrors number, const std::string& source,
                                const std::string& description) {
  infra::Mts_SetAbort();
  infra::Err_RaiseRecord(rt::ErrorRecord{number, source, description, "", 0});
}

}  // namespace

rt::DictionaryRef User::GetEmployeeDetails(const std::string& iEmployee) {
  return FirstRowDictionary(
      "SELECT Employee.* FROM EMPLOYEE WHERE EMPLOYEE.EMPLOYEEID =" + Quoted(iEmployee),
      std::string(kClass) + "getEmployeeDetails");
}

contracts::RecordsetRef User::GetAllEmployees(const std::optional<rt::Variant>& iFields) {
  const std::string method = std::string(kClass) + "getAllEmployees";
  const std::string columns =
      infra::RunHandled(infra::UnvotedHandler(method), [&] { return EmployeeColumnList(iFields); });
  return RowsOrNothing("SELECT " + columns + " FROM EMPLOYEE ORDER BY EMPLOYEEID", method);
}

rt::ObjectRef User::GetEmployeeData(rt::Variant i_oPage, const std::string& i_sPersistedStateInfo,
                                    std::int16_t i_iPageSize,
                                    const std::optional<rt::Variant>& i_asEmployeeIDs,
                                    const std::optional<std::string>& i_sSortTableFieldNames) {
  return infra::RunHandled(infra::UnvotedHandler(std::string(kClass) + "GetEmployeeData"), [&] {
    std::string statement = "SELECT * FROM EMPLOYEE";
    if (IdsGiven(i_asEmployeeIDs)) statement += " WHERE (" + EmployeeIdCondition(*i_asEmployeeIDs) + ")";
    return infra::OpenPagedListing(
        {i_oPage, i_sPersistedStateInfo, i_iPageSize, i_sSortTableFieldNames}, statement, "EMPLOYEEID",
        []() -> const std::string& { return UserClassConnectionString(kUserConnectionStringMethod); });
  });
}

contracts::RecordsetRef User::GetRangeOfEmployees(const std::string& i_sFromEmp,
                                                  const std::string& i_sToEmp,
                                                  const std::string& i_sFromDep,
                                                  const std::string& i_sToDep) {
  const std::string sql = "SELECT * FROM EMPLOYEE WHERE EMPLOYEEID>=" + Quoted(i_sFromEmp) +
                          " AND EMPLOYEEID<=" + Quoted(i_sToEmp) +
                          " AND DEPARTMENT>=" + Quoted(i_sFromDep) +
                          " AND DEPARTMENT<=" + Quoted(i_sToDep) + " ORDER BY DEPARTMENT, EMPLOYEEID";
  return infra::RunHandled(infra::UnvotedHandler(std::string(kClass) + "GetRangeOfEmployees"), [&] {
    return infra::Sql_GetDisconnectedRecordset(sql,
                                               UserClassConnectionString(kUserConnectionStringMethod));
  });
}

contracts::RecordsetRef User::GetAllEmployeesbyDepartment(const std::string& iDepartment) {
  return RowsOrNothing(
      "SELECT Employee.EmployeeID FROM EMPLOYEE where EMPLOYEE.DEPARTMENT = " + Quoted(iDepartment),
      std::string(kClass) + "getAllEmployeesbyDepartment");
}

rt::DictionaryRef User::GetAllDepartments() {
  return infra::RunHandled(infra::UnvotedHandler(std::string(kClass) + "GetAllDepartments"), [&] {
    contracts::RecordsetRef rows = infra::Sql_GetDisconnectedRecordset(
        "SELECT DISTINCT DEPARTMENT FROM EMPLOYEE WHERE NOT DEPARTMENT IS NULL",
        UserClassConnectionString(kUserConnectionStringMethod));
    auto departments = rt::Dictionary::Create();
    for (; !rows->IsEOF(); rows->MoveNext()) departments->Add(rows->Value(0), rows->Value(0));
    return departments;
  });
}

rt::DictionaryRef User::GetAllWarehouses() {
  return CodeDictionary("select WAREHOUSECODE, WAREHOUSEDESCRIPTION from WAREHOUSE",
                        std::string(kClass) + "GetAllWarehouses");
}

rt::DictionaryRef User::GetWarehousesByZRKID(std::int16_t& iZRKID) {
  const std::string number = std::to_string(iZRKID);
  return CodeDictionary(
      "select WAREHOUSECODE, WAREHOUSEDESCRIPTION from WAREHOUSE where ZRKID = " + number,
      std::string(kClass) + "GetWarehousesByZRKID defaultZRKID: " + number);
}

rt::DictionaryRef User::GetAllWorkcenters() {
  return CodeDictionary("select WORKCENTERCODE, WORKCENTERDESCRIPTION from WORKCENTER",
                        std::string(kClass) + "GetAllWorkcenters");
}

rt::DictionaryRef User::GetWorkcentersByZRKID(std::int16_t& iZRKID) {
  const std::string number = std::to_string(iZRKID);
  return CodeDictionary(
      "select WORKCENTERCODE, WORKCENTERDESCRIPTION from WORKCENTER where ZRKID = " + number,
      std::string(kClass) + "GetWorkcentersByZRKID ZRKID: " + number);
}

rt::DictionaryRef User::GetWarehouseDetails(std::string& iWarehouseCode) {
  rt::DictionaryRef details =
      NamedFields("select * from WAREHOUSE where WAREHOUSECODE = " + Quoted(rt::Trim(iWarehouseCode)),
                  {"WAREHOUSECODE", "WAREHOUSEDESCRIPTION", "ZRKID"},
                  std::string(kClass) + "GetWarehouseDetails Warehouse: " + iWarehouseCode);
  if (details->Count() == 0) {
    RaiseNotFound(user::eWarehouseNotFound, std::string(kClass) + "GetWarehouseDetails",
                  "WarehouseCode Not Found");
  }
  return details;
}

rt::DictionaryRef User::GetWorkcenterDetails(std::string& iWorkcenterCode) {
  rt::DictionaryRef details =
      NamedFields("select * from WORKCENTER where WORKCENTERCODE = " + Quoted(rt::Trim(iWorkcenterCode)),
                  {"WORKCENTERCODE", "WORKCENTERDESCRIPTION", "COSTCENTER", "ZRKID"},
                  std::string(kClass) + "GetWorkcenterDetails Workcenter: " + iWorkcenterCode);
  if (details->Count() == 0) {
    RaiseNotFound(user::eWorkcenterNotFound, std::string(kClass) + "GetWorkcenterDetails",
                  "WorkcenterCode Not Found");
  }
  return details;
}

bool User::IsCostCenter(rt::Variant& I_sWorkCenterCode) {
  contracts::ConnectionRef connection;
  return infra::RunHandled(infra::UnvotedHandler(std::string(kClass) + "IsCostCenter"), connection, [&] {
    connection = OpenUserClassConnection();
    contracts::RecordsetRef row =
        connection->Execute("select COSTCENTER from WORKCENTER WHERE WORKCENTERCODE = " +
                                Quoted(infra::Gen_NullToString(I_sWorkCenterCode)),
                            {}, nullptr, 1);
    const bool costCenter = !row->IsEOF() && !row->Value(0).IsNull() && rt::CBool(row->Value(0));
    infra::Sql_CloseConnection(connection);
    return costCenter;
  });
}

namespace user_members {

void AddOrganisationMembers(Builder& table) {
  table.Method("GetEmployeeDetails", &User::GetEmployeeDetails)
      .Method("GetAllEmployees", &User::GetAllEmployees)
      .Method("GetEmployeeData", &User::GetEmployeeData)
      .Method("GetRangeOfEmployees", &User::GetRangeOfEmployees)
      .Method("GetAllEmployeesbyDepartment", &User::GetAllEmployeesbyDepartment)
      .Method("GetAllDepartments", &User::GetAllDepartments)
      .Method("GetAllWarehouses", &User::GetAllWarehouses)
      .Method("GetWarehouseDetails", &User::GetWarehouseDetails)
      .Method("GetWarehousesByZRKID", &User::GetWarehousesByZRKID)
      .Method("GetAllWorkcenters", &User::GetAllWorkcenters)
      .Method("GetWorkcenterDetails", &User::GetWorkcenterDetails)
      .Method("GetWorkcentersByZRKID", &User::GetWorkcentersByZRKID)
      .Method("IsCostCenter", &User::IsCostCenter);
}

}  // namespace user_members

}  // namespace korvo::common
