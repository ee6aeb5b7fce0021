// The current business partner and the look-ups by key, code and name:
// loading, the getters, type tests, countries, carriers and supplier and
// customer searches.
#include <array>
#include <span>

#include "infrastructure/components.h"
#include "infrastructure/errors.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/script_data_object.h"
#include "infrastructure/sql_access.h"
#include "partner/business_partner.h"
#include "partner/internal/bp_members.h"
#include "partner/internal/bp_sql.h"
#include "partner/partner_enumerations.h"
#include "platform/contracts/log.h"
#include "platform/contracts/utilities.h"
#include "platform/runtime/conversions.h"

namespace korvo::common {

namespace {

using bp_sql::MethodContext;
using bp_sql::Quoted;

constexpr const char* kSource = "KorvoCommon.BusinessPartner";

constexpr const char* kPartnerWithCustomerSql =
    "SELECT BP.*, CUST.CUSTOMERNAME, CUST.ORDERDISCOUNTPERC, CUST.CARRIERCODE FROM "
    "BUSINESSPARTNER BP LEFT OUTER JOIN CUSTOMER CUST ON BP.BUSINESSPARTNERID = "
    "CUST.BUSINESSPARTNERID WHERE BP.BUSINESSPARTNERID = ";
constexpr const char* kPartnerIdSql = "SELECT BUSINESSPARTNERID FROM BUSINESSPARTNER WHERE ";

// The back-office code column and its label per UserTypeEnum value.
struct CodeColumn {
  const char* column;
  const char* label;
};
constexpr std::array<CodeColumn, 3> kCodeColumns = {{
    {"ZRKCUSTOMERCODE", "ZRKCustomercode"},
    {"ZRKSUPPLIERCODE", "ZRKSuppliercode"},
    {"ZRKCREDITCARDCUSTOMERCODE", "ZRKCreditCardCustomercode"},
}};

const CodeColumn* CodeColumnOf(std::int16_t userType) {
  if (userType < bp::CUSTOMER || userType > bp::CCCUSTOMER) return nullptr;
  return &kCodeColumns[static_cast<std::size_t>(userType)];
}

[[noreturn]] void RaiseUnknownUserType(std::int16_t userType) {
  rt::Raise(UnknownUserType, "Unknown user type '" + std::to_string(userType) + "'", kSource);
}

// The partner ID for a back-office code; raises for an unknown type or code.
std::string PartnerIdByCode(const rt::Variant& code, std::int16_t userType,
                            const std::string& connectionString) {
  const CodeColumn* column = CodeColumnOf(userType);
  if (!column) RaiseUnknownUserType(userType);
  const std::string sql = kPartnerIdSql + std::string(column->column) + " = " + Quoted(rt::CStr(code));
  contracts::RecordsetRef rows = bp_sql::Read(sql, connectionString);
  if (rows->IsEOF()) {
    rt::Raise(BusinessPartnerNotFound,
              std::string(column->label) + " '" + rt::CStr(code) + "' not found", kSource);
  }
  return rt::CStr(rows->Value("BUSINESSPARTNERID"));
}

std::string TextOf(const rt::Variant& column) { return rt::CStr(column); }
std::string TrimmedOf(const rt::Variant& column) { return rt::Trim(rt::CStr(column)); }

// A bound of a range: Null counts as the empty text.
std::string Bound(const rt::Variant& bound) { return infra::Gen_NullToString(bound); }

}  // namespace

// --- Loading the current business partner ---

void BusinessPartner::GetBusinessPartner(std::int32_t& iBPID) {
  if (iBPID == current_.id) return;
  const std::string id = std::to_string(iBPID);
  const std::string context = MethodContext("GetBusinessPartner(" + id + ")");
  infra::RunHandled(infra::AbortingHandler(context), [&] {
    contracts::RecordsetRef rows = bp_sql::Read(kPartnerWithCustomerSql + id, ConnectionString());
    if (rows->IsEOF()) {
      rt::Raise(BusinessPartnerNotFound, "BusinessPartner " + id + " not found", kSource);
    }
    ClearCurrent();
    current_.id = iBPID;
    LoadCurrent(*rows);
  });
}

void BusinessPartner::LoadCurrent(const contracts::Recordset& row) {
  // Each column in turn; a Null column leaves its member cleared.
  const auto load = [&row](const char* column, auto&& assign) {
    const rt::Variant& value = row.Value(column);
    if (!value.IsNull()) assign(value);
  };
  Current& c = current_;
  load("NAME", [&](const rt::Variant& v) { c.name = TextOf(v); });
  load("ZRKCUSTOMERCODE", [&](const rt::Variant& v) {
    c.customerCode = TrimmedOf(v);
    c.invoiceCustomerCode = c.customerCode;
  });
  load("ZRKSUPPLIERCODE", [&](const rt::Variant& v) { c.supplierCode = TrimmedOf(v); });
  load("POSTALADDRESSID", [&](const rt::Variant& v) { c.postalAddressId = rt::CLng(v); });
  load("SHIPPINGADDRESSID", [&](const rt::Variant& v) { c.shippingAddressId = rt::CLng(v); });
  load("SOLDTOADDRESSID", [&](const rt::Variant& v) { c.soldToAddressId = rt::CLng(v); });
  c.hasCustomerRow = !row.Value("CUSTOMERNAME").IsNull();
  load("CUSTOMERNAME", [&](const rt::Variant& v) { c.customerName = TextOf(v); });
  load("PRICINGMETHOD", [&](const rt::Variant& v) {
    c.pricingMethod = rt::CInt(v);
    c.customerPricingMethod = c.pricingMethod;
  });
  if (c.hasCustomerRow) {
    load("ORDERDISCOUNTPERC", [&](const rt::Variant& v) { c.discountPercentage = rt::CDbl(v); });
  }
  load("CURRENCYCODE", [&](const rt::Variant& v) { c.currencyCode = TextOf(v); });
  if (c.hasCustomerRow) {
    load("CARRIERCODE", [&](const rt::Variant& v) { c.carrierCode = TextOf(v); });
  }
  load("USERID", [&](const rt::Variant& v) { c.buyer = TextOf(v); });
  load("BUSINESSID", [&](const rt::Variant& v) { c.businessId = TextOf(v); });
  load("QTXENABLED", [&](const rt::Variant& v) { c.qtxEnabled = infra::IsTrue(v); });
  load("ORDERREQUESTURL", [&](const rt::Variant& v) { c.orderRequestUrl = TextOf(v); });
  load("ZRKCREDITCARDCUSTOMERCODE", [&](const rt::Variant& v) { c.ccCustomerCode = TrimmedOf(v); });
  load("BPURL", [&](const rt::Variant& v) { c.partnerUrl = TextOf(v); });
  load("DUNSNUMBER", [&](const rt::Variant& v) { c.dunsNumber = TextOf(v); });
  load("ISONETIMEBP", [&](const rt::Variant& v) { c.oneTime = infra::IsTrue(v); });
  load("ISINTERNALBP", [&](const rt::Variant& v) { c.internal = infra::IsTrue(v); });
  load("GLOBALPARTNERCLASSIFICATIONCODE",
       [&](const rt::Variant& v) { c.globalPartnerClassificationCode = TextOf(v); });
  load("DEFAULTSUPPLIERCODE", [&](const rt::Variant& v) { c.defaultSupplierCode = TextOf(v); });
}

void BusinessPartner::LoadIfGiven(const OptionalId& iBPID) {
  if (!iBPID) return;
  std::int32_t id = rt::CLng(*iBPID);
  GetBusinessPartner(id);
}

void BusinessPartner::LoadIfGiven(const std::optional<std::int32_t>& id) {
  if (!id) return;
  std::int32_t copy = *id;
  GetBusinessPartner(copy);
}

rt::Variant BusinessPartner::GetBusinessPartnerID() { return rt::Variant(current_.id); }

// --- Getters ---

std::string BusinessPartner::GetBusinessID(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.businessId;
}
std::string BusinessPartner::GetBusinessPartnerName(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.name;
}
std::string BusinessPartner::GetBusinessPartnerUserId(std::optional<std::int32_t> id) {
  LoadIfGiven(id);
  return current_.userId;
}
std::int16_t BusinessPartner::GetBusinessPartnerPricingMethod(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.pricingMethod;
}
std::string BusinessPartner::GetBuyer(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.buyer;
}
std::string BusinessPartner::GetCurrency(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.currencyCode;
}
std::string BusinessPartner::GetOrderRequestUrl(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.orderRequestUrl;
}
bool BusinessPartner::GetQtxEnabled(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.qtxEnabled;
}
std::string BusinessPartner::GetBusinessPartnerUrl(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.partnerUrl;
}
std::string BusinessPartner::GetCustomerCarrier(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.carrierCode;
}
std::string BusinessPartner::GetCustomerCode(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.customerCode;
}
std::string BusinessPartner::GetCCCustomerCode(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.ccCustomerCode;
}
std::string BusinessPartner::GetInvoiceCustomerCode(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.invoiceCustomerCode;
}
std::string BusinessPartner::GetCustomerCurrency(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.currencyCode;
}
double BusinessPartner::GetCustomerDiscountPercentage(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.discountPercentage;
}
std::string BusinessPartner::GetCustomerName(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.customerName;
}
std::int16_t BusinessPartner::GetCustomerPricingMethod(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.customerPricingMethod;
}
std::int32_t BusinessPartner::GetPostalAddressID(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.postalAddressId;
}
std::int32_t BusinessPartner::GetShippingAddressID(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.shippingAddressId;
}
std::int32_t BusinessPartner::GetSoldToAddressID(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.soldToAddressId;
}
std::string BusinessPartner::GetSupplierCode(OptionalId iBPID) {
  LoadIfGiven(iBPID);
  return current_.supplierCode;
}
std::string BusinessPartner::GetDefaultSupplierCode(std::optional<std::int32_t> id) {
  LoadIfGiven(id);
  return current_.defaultSupplierCode;
}
std::string BusinessPartner::GetDUNSNumber(std::optional<std::int32_t> id) {
  LoadIfGiven(id);
  return current_.dunsNumber;
}
std::string BusinessPartner::GetGlobalPartnerClassificationCode(std::optional<std::int32_t> id) {
  LoadIfGiven(id);
  return current_.globalPartnerClassificationCode;
}
bool BusinessPartner::IsInternalBusinessPartner(OptionalId i_lBusinessPartnerID) {
  LoadIfGiven(i_lBusinessPartnerID);
  return current_.internal;
}
bool BusinessPartner::IsOneTimeBusinessPartner(OptionalId i_lBusinessPartnerID) {
  LoadIfGiven(i_lBusinessPartnerID);
  return current_.oneTime;
}

// --- Type tests ---

bool BusinessPartner::IsSupplier() { return !current_.supplierCode.empty(); }
bool BusinessPartner::IsCCCustomer() { return !current_.ccCustomerCode.empty(); }
bool BusinessPartner::IsInvoiceCustomer() { return !current_.invoiceCustomerCode.empty(); }

bool BusinessPartner::IsCustomer() {
  if (!IsInvoiceCustomer() && !IsCCCustomer()) return false;
  return bp_sql::Exists(
      "SELECT BUSINESSPARTNERID FROM CUSTOMER WHERE BUSINESSPARTNERID = " + std::to_string(current_.id),
      ConnectionString());
}

// --- Look-ups by key ---

std::string BusinessPartner::GetBusinessPartnerIDByZRKID(rt::Variant& iZRKID, std::int16_t& iUserType) {
  return infra::RunHandled(
      infra::AbortingHandler("KorvoCommon.BusinessPartner.GetBusinessPartnerIDByZRKID"),
      [&] { return PartnerIdByCode(iZRKID, iUserType, ConnectionString()); });
}

std::string BusinessPartner::GetBusinessPartnerIDByZRKID2(rt::Variant& iZRKID, std::int16_t& iUserType) {
  try {
    return PartnerIdByCode(iZRKID, iUserType, ConnectionString());
  } catch (...) {
    infra::Mts_SetAbort();
    return "-1";
  }
}

std::int32_t BusinessPartner::GetBusinessPartnerIDByBusinessID(std::string& iBusinessID) {
  return infra::RunHandled(
      infra::AbortingHandler("KorvoCommon.BusinessPartner.GetBusinessPartnerIDByBusinessID"), [&] {
        contracts::RecordsetRef rows = bp_sql::Read(
            kPartnerIdSql + std::string("BUSINESSID=") + Quoted(iBusinessID), ConnectionString());
        return rows->IsEOF() ? -1 : rt::CLng(rows->Value("BUSINESSPARTNERID"));
      });
}

bool BusinessPartner::checkBusinessPartnerIDByBusinessID(std::string iBusinessID) {
  return infra::RunHandled(
      infra::AbortingHandler("KorvoCommon.BusinessPartner.checkBusinessPartnerIDByBusinessID"), [&] {
        return !bp_sql::Read(kPartnerIdSql + std::string("BUSINESSID=") + Quoted(iBusinessID),
                             ConnectionString())
                    ->IsEOF();
      });
}

std::int32_t BusinessPartner::GetBusinessPartnerIDByDUNS(std::string i_lDUNSNumber) {
  const std::int32_t id = infra::RunHandled(
      infra::AbortingHandler("KorvoCommon.BusinessPartner.GetBusinessPartnerIDByDUNS"), [&] {
        contracts::RecordsetRef rows =
            bp_sql::Read(kPartnerIdSql + std::string("DUNSNUMBER = ") + Quoted(i_lDUNSNumber) + " ",
                         ConnectionString());
        return rows->RecordCount() > 0 ? rt::CLng(rows->Value("BUSINESSPARTNERID")) : -1;
      });
  if (id != -1) return id;
  // Not found is the caller's business: raised past the handler, unlogged.
  infra::Mts_SetAbort();
  rt::Raise(bp::DUNSNumberNotFound, "DUNS Number not found: DUNS=" + i_lDUNSNumber,
            "KorvoCommon.Businesspartner.GetBusinessPartnerByDUNS");
}

bool BusinessPartner::SupplierExists(std::string& iSupplierCode) {
  const std::string context = MethodContext("SupplierExists(" + iSupplierCode + ")");
  return infra::RunHandled(infra::AbortingHandler(context), [&] {
    return bp_sql::Exists(
        kPartnerIdSql + std::string("ZRKSUPPLIERCODE = ") + Quoted(iSupplierCode) + " ",
        ConnectionString());
  });
}

std::int32_t BusinessPartner::IsBusinessPartnerPresent(std::string iBPName, std::int32_t& iBPTYPE) {
  if (iBPName.empty()) return 0;
  auto utilities = infra::Gen_GetComponentAs<contracts::Utilities>("KorvoLibrary.Utilities");
  const std::string sql = kPartnerIdSql + std::string("NAME = ") + utilities->SqlText(iBPName) +
                          " And ISONETIMEBP = " + utilities->SqlNumber(iBPTYPE);
  contracts::RecordsetRef rows = bp_sql::Read(sql, ConnectionString());
  return rows->IsEOF() ? 0 : rt::CLng(rows->Value("BUSINESSPARTNERID"));
}

std::string BusinessPartner::GetISOCountryCode(std::string& iCountryCode) {
  constexpr const char* kMethod = "KorvoCommon.BusinessPartner.GetISOCountryCode";
  contracts::ConnectionRef connection;
  return infra::RunHandled(infra::AbortingHandler(kMethod), connection, [&] {
    connection = infra::Sql_GetOpenConnection(ConnectionString());
    connection->Execute(infra::kReadCommitted);
    contracts::RecordsetRef rows = infra::Sql_GetReadonlyRecordset(
        "SELECT ISOCODE FROM COUNTRY WHERE COUNTRYCODE=" + Quoted(rt::Trim(iCountryCode)), *connection);
    const bool found = !rows->IsEOF();
    const std::string iso = found ? infra::Gen_NullToString(rows->Value("ISOCODE")) : "";
    infra::Sql_CloseRecordset(rows);
    infra::Sql_CloseConnection(connection);
    if (!found) {
      rt::Raise(kComponentErrorBase, "Country Code " + iCountryCode + " was not found", kMethod);
    }
    return iso;
  });
}

contracts::RecordsetRef BusinessPartner::GetTransportCarrier(std::optional<rt::Variant>& iCarrierCode) {
  try {
    if (!iCarrierCode) iCarrierCode = rt::Variant(current_.carrierCode);
    return bp_sql::Read(
        "SELECT CARRIERCODE, CARRIERNAME, URL FROM TRANSPORTCARRIER WHERE CARRIERCODE = " +
            Quoted(rt::CStr(*iCarrierCode)),
        ConnectionString());
  } catch (...) {
    // This method logs the error as it stands and raises it unchanged.
    const rt::ErrorRecord error = rt::CurrentError();
    infra::Mts_SetAbort();
    try {
      auto log = infra::Gen_GetComponentAs<contracts::Log>("Korvex.Log");
      log->WriteEntry(error.Source,
                      error.Description + " / KorvoCommon.BusinessPartner.GetTransportCarrier()",
                      static_cast<std::int32_t>(contracts::LogKind::Error));
    } catch (...) {
      // The caller learns of the original error; a failed log entry adds nothing.
    }
    rt::RaiseRecord(error);
  }
}

contracts::RecordsetRef BusinessPartner::GetBusinessPartnerDetails(std::int32_t iBPID) {
  return ReadHandled("GetBusinessPartnerDetails",
                     "SELECT BUSINESSPARTNER.NAME, BUSINESSPARTNER.ZRKCUSTOMERCODE, "
                     "BUSINESSPARTNER.ZRKSUPPLIERCODE FROM BUSINESSPARTNER where "
                     "BUSINESSPARTNERID =" +
                         std::to_string(iBPID));
}

void BusinessPartner::SetOneTimeBusinessPartner(std::int32_t i_lBusinessPartnerID, bool i_bIsOneTimeBP) {
  const std::string id = std::to_string(i_lBusinessPartnerID);
  contracts::ConnectionRef connection = infra::Sql_GetOpenConnection(ConnectionString());
  infra::ScopedClose<contracts::ConnectionRef> close(connection);
  contracts::RecordsetRef row = connection->Execute(
      "SELECT ISONETIMEBP FROM BUSINESSPARTNER WHERE BUSINESSPARTNERID = " + id + " ", {}, nullptr, 1);
  if (row->IsEOF()) {
    infra::Mts_SetAbort();
    rt::Raise(bp::BusinessPartnerNotFound, "Businesspartner not found",
              "KorvoCommon.Businesspartner.SetOneTimeBusinessPartner");
  }
  connection->Execute(std::string("UPDATE BUSINESSPARTNER SET ISONETIMEBP = ") +
                      (i_bIsOneTimeBP ? "1" : "0") + " WHERE BUSINESSPARTNERID = " + id);
  infra::Sql_CloseConnection(connection);
}

// --- Lists and searches ---

contracts::RecordsetRef BusinessPartner::ReadHandled(std::string_view method, const std::string& sql) {
  const std::string context = MethodContext(method);
  return infra::RunHandled(infra::AbortingHandler(context),
                           [&] { return bp_sql::Read(sql, ConnectionString()); });
}

contracts::RecordsetRef BusinessPartner::GetCountries(OptionalId) {
  return ReadHandled("GetCountries", "SELECT COUNTRYCODE, COUNTRYNAME FROM COUNTRY");
}

contracts::RecordsetRef BusinessPartner::GetAllTransportCarriers() {
  return ReadHandled("GetAllTransportCarriers",
                     "SELECT CARRIERCODE, CARRIERNAME, URL FROM TRANSPORTCARRIER ORDER BY "
                     "CARRIERNAME");
}

contracts::RecordsetRef BusinessPartner::GetAllCustomers() {
  return ReadHandled("GetAllCustomers", "SELECT BUSINESSPARTNERID, CUSTOMERNAME FROM CUSTOMER");
}

contracts::RecordsetRef BusinessPartner::GetAllSuppliersFromBP() {
  return ReadHandled("getAllSuppliersFromBP",
                     "SELECT BUSINESSPARTNER.BUSINESSPARTNERID, BUSINESSPARTNER.NAME, "
                     "BUSINESSPARTNER.ZRKSUPPLIERCODE FROM BUSINESSPARTNER where not "
                     "ZRKSUPPLIERCODE IS NULL ORDER BY BUSINESSPARTNER.BUSINESSPARTNERID");
}

contracts::RecordsetRef BusinessPartner::GetCustomersByPartOfName(std::string iNamePart) {
  return ReadHandled("GetCustomersByPartOfName",
                     "SELECT BUSINESSPARTNERID, CUSTOMERNAME FROM CUSTOMER WHERE CUSTOMERNAME "
                     "LIKE " +
                         bp_sql::Containing(iNamePart));
}

contracts::RecordsetRef BusinessPartner::GetBusinessPartnersByPartOfName(std::string& iNamePart) {
  return ReadHandled("GetBusinessPartnersByPartOfName",
                     "SELECT BP.BUSINESSPARTNERID, BP.NAME FROM BUSINESSPARTNER BP WHERE BP.NAME "
                     "LIKE " +
                         bp_sql::Containing(iNamePart));
}

contracts::RecordsetRef BusinessPartner::GetSuppliersByPartOfName(std::string& iNamePart) {
  return ReadHandled("GetSuppliersByPartOfName",
                     "SELECT BP.BUSINESSPARTNERID, BP.NAME FROM BUSINESSPARTNER BP WHERE "
                     "ZRKSUPPLIERCODE <> '' AND NAME LIKE " +
                         bp_sql::Containing(iNamePart));
}

contracts::RecordsetRef BusinessPartner::GetSuppliersByCodeRange(rt::Variant& iFromCode,
                                                                 rt::Variant& iToCode) {
  const std::string from = Bound(iFromCode);
  const std::string to = Bound(iToCode);
  std::string sql = "SELECT BUSINESSPARTNERID, ZRKSUPPLIERCODE, NAME FROM BUSINESSPARTNER";
  if (!from.empty()) sql += " WHERE ZRKSUPPLIERCODE >= " + Quoted(from);
  if (!to.empty()) sql += (from.empty() ? " WHERE" : " AND") + (" ZRKSUPPLIERCODE <= " + Quoted(to));
  sql += " ORDER BY NAME";
  return ReadHandled("GetSuppliersByCodeRange(" + from + ", " + to + ")", sql);
}

contracts::RecordsetRef BusinessPartner::GetSuppliersByNameRange(rt::Variant& iFromName,
                                                                 rt::Variant& iToName) {
  const std::string from = Bound(iFromName);
  const std::string to = Bound(iToName);
  std::string sql =
      "SELECT BUSINESSPARTNERID, ZRKSUPPLIERCODE, NAME FROM BUSINESSPARTNER WHERE "
      "ZRKSUPPLIERCODE <> ''";
  if (!from.empty()) sql += " AND NAME >= " + Quoted(from);
  if (!to.empty()) sql += " AND NAME <= " + Quoted(to);
  sql += " ORDER BY ZRKSUPPLIERCODE";
  return ReadHandled("GetSuppliersByNameRange(" + from + ", " + to + ")", sql);
}

contracts::RecordsetRef BusinessPartner::GetRemainingBusinessPartners(std::optional<rt::Variant> iIDs) {
  const std::string context = MethodContext("GetRemainingBusinessPartners");
  return infra::RunHandled(infra::AbortingHandler(context), [&] {
    std::string sql = "SELECT BP.BUSINESSPARTNERID, BP.NAME FROM BUSINESSPARTNER BP";
    if (iIDs) {
      const std::string ids = bp_sql::IdList(*iIDs);
      // Standard SQL has no empty list; some databases would read one as
      // "exclude nothing", so every database refuses it alike.
      if (ids.empty()) {
        rt::Raise(contracts::dberr::kSyntax, "Syntax error: an empty list of business partner IDs");
      }
      sql += " WHERE BP.BUSINESSPARTNERID NOT IN (" + ids + ")";
    }
    return bp_sql::Read(sql, ConnectionString());
  });
}

void AddLookupMembers(PartnerMembers& members) {
  using BP = BusinessPartner;
  members.Method("GetAllTransportCarriers", &BP::GetAllTransportCarriers)
      .Method("GetBusinessPartner", &BP::GetBusinessPartner)
      .Method("GetBusinessPartnerIDByZRKID", &BP::GetBusinessPartnerIDByZRKID)
      .Method("GetBusinessPartnerIDByZRKID2", &BP::GetBusinessPartnerIDByZRKID2)
      .Method("GetBusinessPartnerIDByBusinessID", &BP::GetBusinessPartnerIDByBusinessID)
      .Method("GetBusinessPartnerID", &BP::GetBusinessPartnerID)
      .Method("GetBusinessID", &BP::GetBusinessID)
      .Method("GetBusinessPartnerName", &BP::GetBusinessPartnerName)
      .Method("GetBusinessPartnerUserId", &BP::GetBusinessPartnerUserId)
      .Method("GetBusinessPartnerPricingMethod", &BP::GetBusinessPartnerPricingMethod)
      .Method("GetBuyer", &BP::GetBuyer)
      .Method("GetCurrency", &BP::GetCurrency)
      .Method("GetOrderRequestUrl", &BP::GetOrderRequestUrl)
      .Method("GetQtxEnabled", &BP::GetQtxEnabled)
      .Method("GetBusinessPartnerUrl", &BP::GetBusinessPartnerUrl)
      .Method("GetCountries", &BP::GetCountries)
      .Method("GetAllCustomers", &BP::GetAllCustomers)
      .Method("GetAllSuppliersFromBP", &BP::GetAllSuppliersFromBP)
      .Method("GetBusinessPartnerDetails", &BP::GetBusinessPartnerDetails)
      .Method("GetCustomersByPartOfName", &BP::GetCustomersByPartOfName)
      .Method("GetCustomerCarrier", &BP::GetCustomerCarrier)
      .Method("GetCustomerCode", &BP::GetCustomerCode)
      .Method("GetCCCustomerCode", &BP::GetCCCustomerCode)
      .Method("GetInvoiceCustomerCode", &BP::GetInvoiceCustomerCode)
      .Method("GetCustomerCurrency", &BP::GetCustomerCurrency)
      .Method("GetCustomerDiscountPercentage", &BP::GetCustomerDiscountPercentage)
      .Method("GetCustomerName", &BP::GetCustomerName)
      .Method("GetCustomerPricingMethod", &BP::GetCustomerPricingMethod)
      .Method("GetISOCountryCode", &BP::GetISOCountryCode)
      .Method("GetPostalAddressID", &BP::GetPostalAddressID)
      .Method("GetRemainingBusinessPartners", &BP::GetRemainingBusinessPartners)
      .Method("GetShippingAddressID", &BP::GetShippingAddressID)
      .Method("GetSupplierCode", &BP::GetSupplierCode)
      .Method("GetSuppliersByCodeRange", &BP::GetSuppliersByCodeRange)
      .Method("GetSuppliersByNameRange", &BP::GetSuppliersByNameRange)
      .Method("GetSuppliersByPartOfName", &BP::GetSuppliersByPartOfName)
      .Method("GetTransportCarrier", &BP::GetTransportCarrier)
      .Method("SupplierExists", &BP::SupplierExists)
      .Method("checkBusinessPartnerIDByBusinessID", &BP::checkBusinessPartnerIDByBusinessID)
      .Method("GetBusinessPartnersByPartOfName", &BP::GetBusinessPartnersByPartOfName)
      .Method("IsCustomer", &BP::IsCustomer)
      .Method("IsInvoiceCustomer", &BP::IsInvoiceCustomer)
      .Method("IsCCCustomer", &BP::IsCCCustomer)
      .Method("IsSupplier", &BP::IsSupplier)
      .Method("IsInternalBusinessPartner", &BP::IsInternalBusinessPartner)
      .Method("IsOneTimeBusinessPartner", &BP::IsOneTimeBusinessPartner)
      .Method("GetDefaultSupplierCode", &BP::GetDefaultSupplierCode)
      .Method("GetDUNSNumber", &BP::GetDUNSNumber)
      .Method("GetGlobalPartnerClassificationCode", &BP::GetGlobalPartnerClassificationCode)
      .Method("GetBusinessPartnerIDByDUNS", &BP::GetBusinessPartnerIDByDUNS)
      .Method("SetOneTimeBusinessPartner", &BP::SetOneTimeBusinessPartner)
      .Method("IsBusinessPartnerPresent", &BP::IsBusinessPartnerPresent)
      .Method("GetSoldToAddressID", &BP::GetSoldToAddressID);
}

}  // namespace korvo::common
