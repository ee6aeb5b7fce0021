// Addresses: reading one address or a partner's addresses, the three named
// addresses of the current partner, mapping between IDs, names and
// back-office codes, and linking existing or new addresses to a partner.
#include <array>

#include "infrastructure/components.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/sql_build.h"
#include "partner/business_partner.h"
#include "partner/internal/bp_members.h"
#include "partner/internal/bp_sql.h"
#include "partner/partner_enumerations.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"

namespace korvo::common {

namespace {

using bp_sql::Id;
using bp_sql::Quoted;

constexpr const char* kNamedAddressSql =
    "SELECT NAME1, NAME2, STREET1, STREET2, CITY1, CITY2, STATEPROVINCE, ZIPCODE, C.COUNTRYNAME, "
    "PHONE, FAX, SHORTDESCRIPTION FROM ADDRESS A, COUNTRY C WHERE A.ADDRESSID = ";
constexpr const char* kNamedAddressCountry = " AND A.COUNTRYCODE = C.COUNTRYCODE";
// No row is read: the statement only gives the new row its columns.
constexpr const char* kNewAddressSql =
    "SELECT ADDRESSID, COUNTRYCODE, NAME1, NAME2, STREET1, STREET2, CITY1, CITY2, STATEPROVINCE, "
    "ZIPCODE, PHONE, FAX, SHORTDESCRIPTION FROM ADDRESS WHERE 0=1";

// The address fields, in the order the field-name dictionary lists them.
struct AddressField {
  bp::AddressFieldsEnum key;
  const char* column;
};
constexpr std::array<AddressField, 12> kAddressFields = {{
    {bp::CITY1, "CITY1"},
    {bp::CITY2, "CITY2"},
    {bp::COUNTRYCODE, "COUNTRYCODE"},
    {bp::Fax, "FAX"},
    {bp::NAME1, "NAME1"},
    {bp::NAME2, "NAME2"},
    {bp::PHONE, "PHONE"},
    {bp::SHORTDESCRIPTION, "SHORTDESCRIPTION"},
    {bp::STATEPROVINCE, "STATEPROVINCE"},
    {bp::STREET1, "STREET1"},
    {bp::STREET2, "STREET2"},
    {bp::ZIPCODE, "ZIPCODE"},
}};

// Items that leave their column unset: nothing, Null, "", zero or False.
bool IsUnset(const rt::Variant& item) {
  if (item.IsNullOrEmpty()) return true;
  if (item.IsString()) return item.AsString().empty();
  if (item.Type() == rt::VarType::Boolean) return !item.AsBool();
  if (item.IsNumeric()) return rt::CDbl(item) == 0.0;
  return false;
}

std::string LinkSql(std::int32_t partnerId, std::int32_t addressId) {
  return "INSERT INTO BUSINESSPARTNERADDRESS (BUSINESSPARTNERID, ADDRESSID) VALUES (" +
         std::to_string(partnerId) + ", " + std::to_string(addressId) + ")";
}

rt::Dictionary& RequireDictionary(const rt::DictionaryRef& dictionary) {
  if (!dictionary) rt::Raise(rt::errnum::kObjectNotSet);
  return *dictionary;
}

}  // namespace

rt::Dictionary& BusinessPartner::Fieldnames() {
  if (!fieldnames_) {
    infra::RunHandled(infra::AbortingHandler("KorvoCommon.BusinessPartner.Fieldnames"), [&] {
      auto names = rt::Dictionary::Create();
      for (const AddressField& field : kAddressFields) {
        names->Add(rt::Variant(static_cast<std::int32_t>(field.key)), rt::Variant(field.column));
      }
      fieldnames_ = names;
    });
  }
  return *fieldnames_;
}

contracts::RecordsetRef BusinessPartner::GetAddress(rt::Variant& iAddressID) {
  return ReadHandled("GetAddress",
                     "SELECT A.NAME1, A.NAME2, A.STREET1, A.STREET2, A.CITY1, A.CITY2, "
                     "A.STATEPROVINCE, A.ZIPCODE, C.COUNTRYCODE, C.COUNTRYNAME, A.PHONE, A.FAX, "
                     "A.SHORTDESCRIPTION FROM ADDRESS A, COUNTRY C WHERE "
                     "A.COUNTRYCODE=C.COUNTRYCODE AND A.ADDRESSID = " +
                         Id(iAddressID));
}

contracts::RecordsetRef BusinessPartner::GetAddresses(OptionalId iBPID) {
  return infra::RunHandled(infra::AbortingHandler("KorvoCommon.BusinessPartner.GetAddresses"), [&] {
    LoadIfGiven(iBPID);
    return bp_sql::Read(
        "SELECT ADDRESSID, COUNTRYCODE, NAME1, NAME2, STREET1, STREET2, CITY1, CITY2, "
        "STATEPROVINCE, ZIPCODE, PHONE, FAX, SHORTDESCRIPTION FROM ADDRESS WHERE ADDRESSID IN "
        "(SELECT ADDRESSID FROM BUSINESSPARTNERADDRESS WHERE BUSINESSPARTNERID = " +
            std::to_string(current_.id) + ")",
        ConnectionString());
  });
}

contracts::RecordsetRef BusinessPartner::NamedAddress(const char* method, OptionalId iBPID,
                                                      std::int32_t Current::*addressId) {
  const std::string context = bp_sql::MethodContext(method);
  return infra::RunHandled(infra::AbortingHandler(context), [&] {
    LoadIfGiven(iBPID);
    return bp_sql::Read(kNamedAddressSql + std::to_string(current_.*addressId) + kNamedAddressCountry,
                        ConnectionString());
  });
}

contracts::RecordsetRef BusinessPartner::GetPostalAddress(OptionalId iBPID) {
  return NamedAddress("GetPostalAddress", iBPID, &Current::postalAddressId);
}

contracts::RecordsetRef BusinessPartner::GetShippingAddress(OptionalId iBPID) {
  return NamedAddress("GetShippingAddress", iBPID, &Current::shippingAddressId);
}

contracts::RecordsetRef BusinessPartner::GetSoldToAddress(OptionalId iBPID) {
  return NamedAddress("GetSoldToAddress", iBPID, &Current::soldToAddressId);
}

std::string BusinessPartner::GetZRKAddressCodeFromAddressID(rt::Variant& iAddressID) {
  return infra::RunHandled(
      infra::AbortingHandler("KorvoCommon.BusinessPartner.GetZRKAddressCodeFromAddressID"), [&] {
        contracts::RecordsetRef rows =
            bp_sql::Read("SELECT ZRKADDRESSCODE FROM ADDRESS WHERE ADDRESSID = " + Id(iAddressID),
                         ConnectionString());
        return rows->IsEOF() ? std::string() : infra::Gen_NullToString(rows->Value("ZRKADDRESSCODE"));
      });
}

std::int32_t BusinessPartner::GetAddressIdbyZRKAddressCode(std::string i_sZRKAddressCode) {
  const std::string context =
      "KorvoCommon.BusinessPartner.GetAddressIdbyZRKAddressCode : " + i_sZRKAddressCode;
  contracts::ConnectionRef connection;
  return infra::RunHandled(infra::UnvotedHandler(context), connection, [&] {
    connection = infra::Sql_GetOpenConnection(ConnectionString());
    connection->Execute(infra::kReadCommitted);
    contracts::RecordsetRef rows = connection->Execute(
        "SELECT ADDRESSID FROM ADDRESS WHERE ZRKADDRESSCODE = " + Quoted(rt::Trim(i_sZRKAddressCode)),
        {}, nullptr, 1);
    const std::int32_t id = rows->IsEOF() ? -1 : rt::CLng(rows->Value("ADDRESSID"));
    infra::Sql_CloseConnection(connection);
    return id;
  });
}

std::int32_t BusinessPartner::GetAddressIdByName(std::string& iName1, std::int32_t& iBPID) {
  return infra::RunHandled(
      infra::AbortingHandler("KorvoCommon.BusinessPartner.GetAddressIdByNameAndCountry"), [&] {
        contracts::RecordsetRef named = bp_sql::Read(
            "SELECT ADDRESSID FROM ADDRESS WHERE NAME1 = " + Quoted(iName1) + " ", ConnectionString());
        if (named->RecordCount() == 0) return -1;
        named->MoveFirst();
        std::int32_t addressId = rt::CLng(named->Value("ADDRESSID"));
        contracts::RecordsetRef linked =
            bp_sql::Read("SELECT ADDRESSID FROM BUSINESSPARTNERADDRESS WHERE BUSINESSPARTNERID = " +
                             std::to_string(iBPID) + " AND ADDRESSID = " + std::to_string(addressId),
                         ConnectionString());
        if (linked->RecordCount() < 1 && !AddExistingAddress(addressId, rt::Variant(iBPID))) {
          return -1;
        }
        return addressId;
      });
}

bool BusinessPartner::AddExistingAddress(std::int32_t& iAddressID, OptionalId iBPID) {
  contracts::ConnectionRef connection;
  return infra::RunHandled(infra::AbortingHandler("KorvoCommon.BusinessPartner.AddExistingAddress"),
                           connection, [&] {
                             LoadIfGiven(iBPID);
                             bp_sql::RequirePartner(current_.id, ConnectionString());
                             bp_sql::RequireAddress(iAddressID, ConnectionString());
                             connection = infra::Sql_GetOpenConnection(ConnectionString());
                             connection->Execute(LinkSql(current_.id, iAddressID));
                             infra::Sql_CloseConnection(connection);
                             infra::Mts_SetComplete();
                             return true;
                           });
}

std::int32_t BusinessPartner::InsertAndLinkAddress(rt::Dictionary& address) {
  bp_sql::RequirePartner(current_.id, ConnectionString());
  contracts::ConnectionRef connection = infra::Sql_GetOpenConnection(ConnectionString());
  infra::ScopedClose<contracts::ConnectionRef> close(connection);
  contracts::RecordsetRef row = infra::Sql_GetReadonlyRecordset(kNewAddressSql, *connection);
  row->AddNew();
  rt::Dictionary& fieldnames = Fieldnames();
  for (const auto& entry : address.Entries()) {
    if (IsUnset(entry.item)) continue;
    const rt::Variant field(rt::CLng(rt::Variant(infra::Sql_IntegerLiteral(entry.key))));
    const rt::Variant* column = fieldnames.Find(field);
    if (!column) {
      rt::Raise(rt::errnum::kInvalidProcedureCall, "Unknown address field " + rt::CStr(entry.key));
    }
    row->SetValue(rt::CStr(*column), entry.item);
  }
  row->Update();
  const std::int32_t addressId = rt::CLng(row->Value("ADDRESSID"));
  connection->Execute(LinkSql(current_.id, addressId));
  infra::Sql_CloseConnection(connection);
  infra::Mts_SetComplete();
  return addressId;
}

bool BusinessPartner::AddNewAddress(rt::DictionaryRef& iAddress, OptionalId iBPID) {
  return infra::RunHandled(infra::AbortingHandler("KorvoCommon.BusinessPartner.AddNewAddress"), [&] {
    LoadIfGiven(iBPID);
    InsertAndLinkAddress(RequireDictionary(iAddress));
    return true;
  });
}

std::int32_t BusinessPartner::AddNewAddressEx(rt::DictionaryRef& iAddress, OptionalId iBPID) {
  return infra::RunHandled(infra::AbortingHandler("KorvoCommon.BusinessPartner.AddNewAddressEx"), [&] {
    LoadIfGiven(iBPID);
    return InsertAndLinkAddress(RequireDictionary(iAddress));
  });
}

void AddAddressMembers(PartnerMembers& members) {
  using BP = BusinessPartner;
  members.Method("GetAddress", &BP::GetAddress)
      .Method("GetAddresses", &BP::GetAddresses)
      .Method("GetZRKAddressCodeFromAddressID", &BP::GetZRKAddressCodeFromAddressID)
      .Method("GetAddressIdByName", &BP::GetAddressIdByName)
      .Method("GetAddressIdbyZRKAddressCode", &BP::GetAddressIdbyZRKAddressCode)
      .Method("GetPostalAddress", &BP::GetPostalAddress)
      .Method("GetShippingAddress", &BP::GetShippingAddress)
      .Method("AddExistingAddress", &BP::AddExistingAddress)
      .Method("AddNewAddress", &BP::AddNewAddress)
      .Method("AddNewAddressEx", &BP::AddNewAddressEx)
      .Method("GetSoldToAddress", &BP::GetSoldToAddress);
}

}  // namespace korvo::common
