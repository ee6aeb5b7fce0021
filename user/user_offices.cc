// Offices read for the User class: the office lists, one office's row, the
// offices of matching directory users and a user's warehouse.
#include <string>

#include "infrastructure/components.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/user_lib.h"
#include "platform/runtime/conversions.h"
#include "user/internal/user_members.h"
#include "user/internal/user_queries.h"
#include "user/user.h"
#include "user/user_connection.h"

namespace korvo::common {

namespace {

using user_queries::MethodName;
using user_queries::Quoted;

// The descriptions of the offices sql selects, each as item and key, in the
// database's order (getOffices).
rt::CollectionRef Offices(const std::string& sql) {
  contracts::ConnectionRef connection;
  return infra::RunHandled(infra::UnvotedHandler(MethodName("getOffices")), connection, [&] {
    connection = OpenUserClassConnection();
    contracts::RecordsetRef rows = connection->Execute(sql);
    auto offices = rt::Collection::Create();
    for (; !rows->IsEOF(); rows->MoveNext()) {
      const rt::Variant& office = rows->Value("OFFICEDESCRIPTION");
      offices->Add(office, rt::CStr(office));
    }
    infra::Sql_CloseConnection(connection);
    return offices;
  });
}

// Whether the collection already holds the key (keys compare without
// regard to case).
bool HasKey(const rt::Collection& collection, const std::string& key) {
  for (const auto& entry : collection.Entries()) {
    if (entry.key && rt::TextEqualsNoCase(*entry.key, key)) return true;
  }
  return false;
}

}  // namespace

rt::CollectionRef User::GetAllAdministrativeOffices() {
  return Offices("SELECT * FROM OFFICE WHERE OFFICETYPE=1");
}

rt::CollectionRef User::GetAllPurchaseOffices() {
  return Offices("SELECT * FROM OFFICE WHERE OFFICETYPE=2");
}

rt::DictionaryRef User::GetOfficeParams(const std::string& iOffice) {
  return user_queries::FirstRowDictionary(
      "SELECT OFFICE.* FROM OFFICE WHERE OFFICE.OFFICEDESCRIPTION =" + Quoted(iOffice),
      MethodName("getOfficeParams"));
}

// Two matching users of one office list it once: the office is what the
// caller asked for, not the users.
rt::CollectionRef User::SearchOfficesByUser(const std::string& iSearchString) {
  contracts::RecordsetRef users;
  return infra::RunHandled(infra::UnvotedHandler(MethodName("searchOfficesByUser")), [&] {
    infra::ScopedClose<contracts::RecordsetRef> closeUsers(users);
    auto members = infra::UL_CreateMO();
    const std::string idAttribute = members->IDAttribute();
    const rt::Variant criteria(rt::Array({rt::Variant(idAttribute + "=" + iSearchString)}));
    users = members->Search(criteria, "", rt::Variant::Missing());
    auto offices = rt::Collection::Create();
    for (; users && !users->IsEOF(); users->MoveNext()) {
      const std::string office = GetAdminOffice(rt::CStr(users->Value(idAttribute)));
      if (!office.empty() && !HasKey(*offices, office)) offices->Add(rt::Variant(office), office);
    }
    return offices;
  });
}

std::string User::GetWarehouseOfUser(rt::Variant& iUserID) {
  const std::string userId = rt::CStr(iUserID);
  contracts::ConnectionRef connection;
  return infra::RunHandled(
      infra::UnvotedHandler(MethodName("GetWarehouseOfUser(" + userId + ")")), connection, [&] {
        const std::string office = GetAdminOffice(userId);
        connection = OpenUserClassConnection();
        contracts::RecordsetRef row = connection->Execute(
            "SELECT OFFICE.WAREHOUSE FROM OFFICE WHERE OFFICE.OFFICEDESCRIPTION  =" + Quoted(office), {},
            nullptr, 1);
        const std::string warehouse =
            row->IsEOF() ? std::string() : infra::Gen_NullToString(row->Value(0));
        infra::Sql_CloseConnection(connection);
        return warehouse;
      });
}

namespace user_members {

void AddOfficeMembers(Builder& table) {
  table.Method("GetAllAdministrativeOffices", &User::GetAllAdministrativeOffices)
      .Method("GetAllPurchaseOffices", &User::GetAllPurchaseOffices)
      .Method("GetOfficeParams", &User::GetOfficeParams)
      .Method("SearchOfficesByUser", &User::SearchOfficesByUser)
      .Method("GetWarehouseOfUser", &User::GetWarehouseOfUser);
}

}  // namespace user_members

}  // namespace korvo::common
