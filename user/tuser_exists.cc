// TUser's IReferentialIntegrity.Exists: whether an office, a back-office
// system, a property or property group, a role or a directory user that
// another component refers to exists. Offices and back-office identifiers
// are looked up in the database, users and roles in the directory.
#include <string>
#include <string_view>

#include "infrastructure/components.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/sql_build.h"
#include "infrastructure/user_lib.h"
#include "platform/contracts/database.h"
#include "platform/contracts/membership.h"
#include "platform/runtime/conversions.h"
#include "user/internal/tuser_support.h"
#include "user/tuser.h"
#include "user/user_connection.h"

namespace korvo::common {

namespace {

constexpr const char* kExistsMethod = "KorvoCommon.TUser.Exists";
// Budgets may leave a buyer, office, supplier or user unnamed.
constexpr const char* kBudgetOrigin = "BUDGET";

// True when the query returns a row, run on a connection of its own.
bool QueryFindsRow(const std::string& sql) {
  contracts::ConnectionRef connection = OpenUserClassConnection(true);
  infra::ScopedClose<contracts::ConnectionRef> closing(connection);
  contracts::RecordsetRef rows = connection->Execute(sql, {}, nullptr, 1);
  infra::ScopedClose<contracts::RecordsetRef> closingRows(rows);
  return rows && !rows->IsEOF();
}

// True when a directory search answers at least one user.
bool Found(contracts::RecordsetRef users) {
  infra::ScopedClose<contracts::RecordsetRef> closing(users);
  return users && !users->IsEOF();
}

rt::Variant Criteria(std::string criterion) {
  return rt::Variant(rt::Array({rt::Variant(std::move(criterion))}));
}

bool DirectoryFinds(const std::string& attribute, const rt::Variant& value) {
  auto members = infra::UL_CreateMO();
  const std::string name = attribute.empty() ? members->IDAttribute() : attribute;
  return Found(members->Search(Criteria(name + "=" + infra::Gen_NullToString(value)), "",
                               rt::Variant::Missing()));
}

bool DirectoryFindsInRole(std::int16_t role, const rt::Variant& value) {
  auto members = infra::UL_CreateMO();
  const std::string id = members->IDAttribute();
  return Found(members->SearchByRoleWith(role, Criteria(id + "=" + infra::Gen_NullToString(value)), id));
}

// A back-office identifier names an office, a warehouse or a workcentre.
bool ZrkIdExists(const rt::Variant& value) {
  const std::string id = infra::Sql_IntegerLiteral(value);
  return QueryFindsRow("SELECT ZRK_ZRKID FROM OFFICE WHERE ZRK_ZRKID=" + id) ||
         QueryFindsRow("SELECT ZRKID FROM WAREHOUSE WHERE ZRKID=" + id) ||
         QueryFindsRow("SELECT ZRKID FROM WORKCENTER WHERE ZRKID=" + id);
}

bool BuyerExists(const rt::Variant& value) {
  return DirectoryFindsInRole(contracts::membership_role::kBuyer, value);
}

bool EmployeeExists(const rt::Variant& value) { return DirectoryFinds("employeenumber", value); }

bool OfficeExists(const rt::Variant& value) {
  return QueryFindsRow("SELECT OFFICEDESCRIPTION FROM OFFICE WHERE OFFICEDESCRIPTION = '" +
                       infra::Gen_SqlQuote(infra::Gen_NullToString(value)) + "'");
}

// A property is one an office charges a project, plan, extension, cost
// component, activity or element to.
bool PropertyExists(const rt::Variant& value) {
  const std::string id = infra::Sql_IntegerLiteral(value);
  return QueryFindsRow("SELECT OFFICEDESCRIPTION FROM OFFICE WHERE PROJECTPROP=" + id +
                       " OR PLANPROP=" + id + " OR EXTENSIONPROP=" + id + " OR COSTCOMPONENTPROP=" + id +
                       " OR ACTIVITYPROP=" + id + " OR ELEMENTPROP=" + id);
}

// A property group belongs to an office or to a user.
bool PropertyGroupExists(const rt::Variant& value) {
  const bool office = QueryFindsRow("SELECT OFFICEDESCRIPTION FROM OFFICE WHERE PROPERTYGROUPID=" +
                                    infra::Sql_IntegerLiteral(value));
  const bool user = DirectoryFinds("PropertyGroupID", value);
  return office || user;
}

bool RoleExists(const rt::Variant& value) { return DirectoryFinds("ProjectRole", value); }

bool SupplierExists(const rt::Variant& value) {
  return DirectoryFindsInRole(contracts::membership_role::kSupplier, value);
}

bool UserExists(const rt::Variant& value) { return DirectoryFinds("", value); }

struct KnownKey {
  std::string_view name;
  bool budgetExempt;
  bool (*exists)(const rt::Variant& value);
};

constexpr KnownKey kKnownKeys[] = {
    {"ZRKID", false, ZrkIdExists},         {"BUYERID", true, BuyerExists},
    {"EMPLOYEEID", false, EmployeeExists}, {"OFFICEDESCRIPTION", true, OfficeExists},
    {"PROPERTYID", false, PropertyExists}, {"PROPERTYGROUPID", false, PropertyGroupExists},
    {"ROLE", false, RoleExists},           {"SUPPLIERID", true, SupplierExists},
    {"USERID", true, UserExists},
};

const KnownKey* FindKnownKey(const rt::Variant& name) {
  const std::string text = infra::Gen_NullToString(name);
  for (const KnownKey& key : kKnownKeys) {
    if (rt::UCaseEquals(text, key.name)) return &key;
  }
  return nullptr;
}

}  // namespace

bool TUser::IReferentialIntegrity_Exists(const std::string& origin, rt::Variant& keys,
                                         rt::Variant& values) {
  return infra::RunHandled(infra::AbortingHandler(kExistsMethod), [&] {
    const rt::Array& names = keys.AsArray();
    // The first key this class knows decides; the others take no part.
    for (std::int32_t i = names.LBound(); i <= names.UBound(); ++i) {
      const KnownKey* key = FindKnownKey(names.At(i));
      if (key == nullptr) continue;
      const rt::Variant& value = values.AsArray().At(i);
      if (key->budgetExempt && origin == kBudgetOrigin && value.IsNull()) return true;
      return key->exists(value);
    }
    return true;
  });
}

}  // namespace korvo::common
