#include "platform/data/schema.h"

#include <algorithm>

#include "platform/data/driver.h"
#include "platform/data/pool.h"
#include "platform/data/provider_error.h"
#include "platform/data/schema_upgrade.h"
#include "platform/runtime/conversions.h"

namespace korvo::data {
namespace {

ColumnDef Column(std::string name, ColumnType type, int size = 0) {
  return {std::move(name), type, size, true};
}
ColumnDef Text(std::string name, int size) { return Column(std::move(name), ColumnType::Text, size); }
ColumnDef Fixed(std::string name, int size) {
  return Column(std::move(name), ColumnType::FixedText, size);
}
ColumnDef Bool(std::string name) { return Column(std::move(name), ColumnType::Boolean); }
ColumnDef Small(std::string name) { return Column(std::move(name), ColumnType::SmallInt); }
ColumnDef Int(std::string name) { return Column(std::move(name), ColumnType::Integer); }
ColumnDef Dbl(std::string name) { return Column(std::move(name), ColumnType::Double); }
ColumnDef Dec(std::string name) { return Column(std::move(name), ColumnType::Decimal); }
ColumnDef Stamp(std::string name) { return Column(std::move(name), ColumnType::DateTime); }
ColumnDef Required(ColumnDef column) {
  column.nullable = false;
  return column;
}

TableDef Table(std::string name, std::vector<ColumnDef> columns, std::vector<std::string> primaryKey) {
  TableDef table;
  table.name = std::move(name);
  table.columns = std::move(columns);
  table.primaryKey = std::move(primaryKey);
  return table;
}

// The table's single-column key is assigned by the database on insert.
TableDef Identity(TableDef table) {
  table.identity = true;
  return table;
}

TableDef Indexed(TableDef table, std::string index, std::vector<std::string> columns) {
  table.indexes.push_back({std::move(index), std::move(columns)});
  return table;
}

constexpr int kCode = 20;
constexpr int kName = 100;
constexpr int kUrl = 255;

// A code table of the terms and conditions: code, description, extras.
TableDef TermsTable(const std::string& table, std::vector<ColumnDef> extras) {
  TableDef def = Table(table, {Required(Text(table + "CODE", kCode)), Text("DESCRIPTION", kName)},
                       {table + "CODE"});
  for (auto& column : extras) def.columns.push_back(std::move(column));
  return def;
}

std::vector<TableDef> BuildTables() {
  std::vector<TableDef> t;
  // Every conversion looks up the home and the euro currency by their flag.
  t.push_back(Indexed(
      Indexed(Table("CURRENCY",
                    {Required(Fixed("CURRENCYCODE", 3)), Text("CURRENCYNAME", 30), Bool("HOMECURRENCY"),
                     Bool("EURO"), Bool("EPC"), Small("DECIMALS"), Int("LOCALEID")},
                    {"CURRENCYCODE"}),
              "IX_CURRENCY_HOME", {"HOMECURRENCY"}),
      "IX_CURRENCY_EURO", {"EURO"}));
  // The rate valid at a moment is found by currency and expiry date: the
  // rates still in force (no expiry, or a later one) are few however long
  // the history, while those that took effect before the moment are all of
  // it. The index holds every column the look-up reads.
  t.push_back(Indexed(
      Table("CURRENCYRATE",
            {Required(Fixed("CURRENCYCODE", 3)), Required(Stamp("EFFECTIVEDATE")), Stamp("EXPIRYDATE"),
             Dec("HOMESALESRATE"), Dec("EUROSALESRATE"), Int("RATEFACTOR")},
            {"CURRENCYCODE", "EFFECTIVEDATE"}),
      "IX_CURRENCYRATE_EXPIRY",
      {"CURRENCYCODE", "EXPIRYDATE", "EFFECTIVEDATE", "HOMESALESRATE", "EUROSALESRATE", "RATEFACTOR"}));
  t.push_back(Table(
      "COUNTRY", {Required(Text("COUNTRYCODE", kCode)), Text("COUNTRYNAME", kName), Text("ISOCODE", 3)},
      {"COUNTRYCODE"}));
  t.push_back(
      Table("TRANSPORTCARRIER",
            {Required(Text("CARRIERCODE", kCode)), Text("CARRIERNAME", kName), Text("URL", kUrl)},
            {"CARRIERCODE"}));
  t.push_back(TermsTable("PAYMENTTERM", {Small("NETDAYS"), Small("DISCOUNTDAYS"), Dbl("DISCOUNTPERC")}));
  t.push_back(TermsTable("PAYMENTMETHOD", {}));
  t.push_back(TermsTable("DELIVERYTERM", {}));
  t.push_back(TermsTable("DELIVERYMETHOD", {}));
  t.push_back(TermsTable("PACKAGINGTERM", {}));
  t.push_back(TermsTable("WARRANTYTERM", {Small("WARRANTYMONTHS")}));
  t.push_back(TermsTable("PENALTYTERM", {Dbl("PENALTYPERC")}));
  t.push_back(Identity(Table(
      "ADDRESS",
      {Required(Int("ADDRESSID")), Text("COUNTRYCODE", kCode), Text("NAME1", kName),
       Text("NAME2", kName), Text("STREET1", kName), Text("STREET2", kName), Text("CITY1", kName),
       Text("CITY2", kName), Text("STATEPROVINCE", kName), Text("ZIPCODE", kCode), Text("PHONE", 50),
       Text("FAX", 50), Text("SHORTDESCRIPTION", kName), Text("ZRKADDRESSCODE", kCode)},
      {"ADDRESSID"})));
  t.push_back(Identity(Table("BUSINESSPARTNER",
                             {Required(Int("BUSINESSPARTNERID")),
                              Int("SHIPPINGADDRESSID"),
                              Int("POSTALADDRESSID"),
                              Int("SOLDTOADDRESSID"),
                              Fixed("CURRENCYCODE", 3),
                              Text("NAME", kName),
                              Text("ZRKCUSTOMERCODE", kCode),
                              Text("ZRKSUPPLIERCODE", kCode),
                              Text("USERID", kName),
                              Text("BUSINESSID", 50),
                              Small("PRICINGMETHOD"),
                              Bool("QTXENABLED"),
                              Text("ORDERREQUESTURL", kUrl),
                              Text("BPURL", kUrl),
                              Text("ZRKCREDITCARDCUSTOMERCODE", kCode),
                              Text("GLOBALPARTNERCLASSIFICATIONCODE", kCode),
                              Text("DEFAULTSUPPLIERCODE", kCode),
                              Text("DUNSNUMBER", kCode),
                              Bool("ISONETIMEBP"),
                              Bool("ISINTERNALBP"),
                              Text("PAYMENTTERMCODE", kCode),
                              Text("DELIVERYTERMCODE", kCode),
                              Text("DELIVERYMETHODCODE", kCode),
                              Text("PAYMENTMETHODCODE", kCode)},
                             {"BUSINESSPARTNERID"})));
  t.push_back(
      Table("CUSTOMER",
            {Required(Int("BUSINESSPARTNERID")), Text("CUSTOMERNAME", kName), Dbl("ORDERDISCOUNTPERC"),
             Text("CARRIERCODE", kCode), Text("PACKAGINGTERMCODE", kCode),
             Text("WARRANTYTERMCODE", kCode), Text("PENALTYTERMCODE", kCode)},
            {"BUSINESSPARTNERID"}));
  t.push_back(Indexed(
      Table("BUSINESSPARTNERADDRESS", {Required(Int("BUSINESSPARTNERID")), Required(Int("ADDRESSID"))},
            {"BUSINESSPARTNERID", "ADDRESSID"}),
      "IX_BUSINESSPARTNERADDRESS_ADDRESS", {"ADDRESSID"}));
  t.push_back(Identity(Table("BUSINESSPARTNERGROUP",
                             {Required(Int("BUSINESSPARTNERGRPID")), Text("BPGROUPNAME", kName),
                              Text("BPGROUPDESCRIPTION", kUrl)},
                             {"BUSINESSPARTNERGRPID"})));
  t.push_back(Indexed(
      Table("BPSBYBUSINESSPARTNERGRP",
            {Required(Int("BUSINESSPARTNERID")), Required(Int("BUSINESSPARTNERGRPID")), Int("BPLEVEL")},
            {"BUSINESSPARTNERID", "BUSINESSPARTNERGRPID"}),
      "IX_BPSBYBUSINESSPARTNERGRP_GROUP", {"BUSINESSPARTNERGRPID"}));
  t.push_back(Table("BPSPERUSER", {Required(Text("USERID", kName)), Required(Int("BUSINESSPARTNERID"))},
                    {"USERID", "BUSINESSPARTNERID"}));
  t.push_back(
      Table("WAREHOUSE",
            {Required(Text("WAREHOUSECODE", kCode)), Text("WAREHOUSEDESCRIPTION", kName), Int("ZRKID")},
            {"WAREHOUSECODE"}));
  t.push_back(Table("WORKCENTER",
                    {Required(Text("WORKCENTERCODE", kCode)), Int("ZRKID"),
                     Text("WORKCENTERDESCRIPTION", kName), Bool("COSTCENTER")},
                    {"WORKCENTERCODE"}));
  t.push_back(Table("EMPLOYEE",
                    {Required(Text("EMPLOYEEID", kCode)), Text("EMPLOYEENAME", kName),
                     Text("DEPARTMENT", kName), Text("EMAIL", kUrl)},
                    {"EMPLOYEEID"}));
  t.push_back(Table("OFFICE",
                    {Required(Text("OFFICEDESCRIPTION", kName)),
                     Int("ADDRESSID"),
                     Int("ZRK_ZRKID"),
                     Int("BUSINESSPARTNERID"),
                     Fixed("CURRENCYCODE", 3),
                     Small("OFFICETYPE"),
                     Text("CREDITCARDNUMBER", 30),
                     Stamp("CREDITCARDEXPIRY"),
                     Small("CREDITCARDTYPE"),
                     Text("COSTCENTER", kCode),
                     Text("WAREHOUSE", kCode),
                     Text("SHIPTOCONTACTINFORMATION", 255),
                     Text("FINANCIALDIMENSION1", kCode),
                     Text("FINANCIALDIMENSION2", kCode),
                     Text("FINANCIALDIMENSION3", kCode),
                     Text("FINANCIALDIMENSION4", kCode),
                     Text("FINANCIALDIMENSION5", kCode),
                     Int("PROJECTPROP"),
                     Int("PLANPROP"),
                     Int("EXTENSIONPROP"),
                     Int("COSTCOMPONENTPROP"),
                     Int("ACTIVITYPROP"),
                     Int("ELEMENTPROP"),
                     Int("PROPERTYGROUPID")},
                    {"OFFICEDESCRIPTION"}));
  t.push_back(
      Table("ROLE",
            {Required(Text("ROLE", kCode)), Text("DESCRIPTION", kName), Bool("HOURSREGISTRATION"),
             Bool("APPROVAL"), Bool("PROJECTHOMEPAGE"), Bool("TEAMBOOKING"), Bool("EXPENSEREGISTRATION"),
             Bool("DATAACCESS"), Bool("ERPRELATED")},
            {"ROLE"}));
  // The embedded membership directory (platform/membership/embedded_directory.h):
  // keys are case-folded texts in hexadecimal, so every database orders them
  // alike. Attribute criteria find their users through the value index.
  t.push_back(Table("MEMBERUSER",
                    {Required(Text("USERKEY", 512)), Required(Text("USERID", 256)),
                     Text("PASSWORDHASH", 255), Bool("WRITER")},
                    {"USERKEY"}));
  t.push_back(Indexed(
      Table("MEMBERATTRIBUTE",
            {Required(Text("USERKEY", 512)), Required(Text("ATTRKEY", 64)), Required(Int("VALUEINDEX")),
             Text("ATTRNAME", 64), Text("ATTRVALUE", 1024), Text("VALUEKEY", 2048)},
            {"USERKEY", "ATTRKEY", "VALUEINDEX"}),
      "IX_MEMBERATTRIBUTE_VALUE", {"ATTRKEY", "VALUEKEY", "USERKEY"}));
  return t;
}

Reference Ref(std::string child, std::string column, std::string parent, std::string parentColumn,
              bool owned) {
  return {std::move(child), {std::move(column)}, std::move(parent), {std::move(parentColumn)}, owned};
}

std::vector<Reference> BuildReferences() {
  constexpr bool kOwned = true;
  constexpr bool kShared = false;
  return {
      Ref("CURRENCYRATE", "CURRENCYCODE", "CURRENCY", "CURRENCYCODE", kOwned),
      Ref("OFFICE", "CURRENCYCODE", "CURRENCY", "CURRENCYCODE", kShared),
      Ref("BUSINESSPARTNER", "CURRENCYCODE", "CURRENCY", "CURRENCYCODE", kShared),
      Ref("BUSINESSPARTNERADDRESS", "BUSINESSPARTNERID", "BUSINESSPARTNER", "BUSINESSPARTNERID", kOwned),
      Ref("BUSINESSPARTNERADDRESS", "ADDRESSID", "ADDRESS", "ADDRESSID", kOwned),
      // A partner's named addresses and an office's address and partner keep
      // what they name from being deleted.
      Ref("BUSINESSPARTNER", "POSTALADDRESSID", "ADDRESS", "ADDRESSID", kShared),
      Ref("BUSINESSPARTNER", "SHIPPINGADDRESSID", "ADDRESS", "ADDRESSID", kShared),
      Ref("BUSINESSPARTNER", "SOLDTOADDRESSID", "ADDRESS", "ADDRESSID", kShared),
      Ref("OFFICE", "ADDRESSID", "ADDRESS", "ADDRESSID", kShared),
      Ref("OFFICE", "BUSINESSPARTNERID", "BUSINESSPARTNER", "BUSINESSPARTNERID", kShared),
      Ref("CUSTOMER", "BUSINESSPARTNERID", "BUSINESSPARTNER", "BUSINESSPARTNERID", kOwned),
      Ref("BPSBYBUSINESSPARTNERGRP", "BUSINESSPARTNERID", "BUSINESSPARTNER", "BUSINESSPARTNERID",
          kOwned),
      Ref("BPSBYBUSINESSPARTNERGRP", "BUSINESSPARTNERGRPID", "BUSINESSPARTNERGROUP",
          "BUSINESSPARTNERGRPID", kShared),
      Ref("BPSPERUSER", "BUSINESSPARTNERID", "BUSINESSPARTNER", "BUSINESSPARTNERID", kShared),
      Ref("CUSTOMER", "CARRIERCODE", "TRANSPORTCARRIER", "CARRIERCODE", kShared),
      Ref("ADDRESS", "COUNTRYCODE", "COUNTRY", "COUNTRYCODE", kShared),
      Ref("OFFICE", "WAREHOUSE", "WAREHOUSE", "WAREHOUSECODE", kShared),
      Ref("OFFICE", "COSTCENTER", "WORKCENTER", "WORKCENTERCODE", kShared),
      Ref("BUSINESSPARTNER", "PAYMENTTERMCODE", "PAYMENTTERM", "PAYMENTTERMCODE", kShared),
      Ref("BUSINESSPARTNER", "DELIVERYTERMCODE", "DELIVERYTERM", "DELIVERYTERMCODE", kShared),
      Ref("BUSINESSPARTNER", "DELIVERYMETHODCODE", "DELIVERYMETHOD", "DELIVERYMETHODCODE", kShared),
      Ref("BUSINESSPARTNER", "PAYMENTMETHODCODE", "PAYMENTMETHOD", "PAYMENTMETHODCODE", kShared),
      Ref("CUSTOMER", "PACKAGINGTERMCODE", "PACKAGINGTERM", "PACKAGINGTERMCODE", kShared),
      Ref("CUSTOMER", "WARRANTYTERMCODE", "WARRANTYTERM", "WARRANTYTERMCODE", kShared),
      Ref("CUSTOMER", "PENALTYTERMCODE", "PENALTYTERM", "PENALTYTERMCODE", kShared),
  };
}

bool Contains(const std::vector<std::string>& names, std::string_view name) {
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& n) { return rt::TextEqualsNoCase(n, name); });
}

// Indexes of earlier versions that the look-ups no longer want (version 1's
// rate index by effective date made a look-up read the whole history).
constexpr const char* kRetiredIndexes[] = {"IX_CURRENCYRATE_VALIDITY"};

}  // namespace

const ColumnDef* TableDef::FindColumn(std::string_view column) const {
  for (const auto& c : columns) {
    if (rt::TextEqualsNoCase(c.name, column)) return &c;
  }
  return nullptr;
}

std::string_view TableDef::IdentityColumn() const {
  return identity ? std::string_view(primaryKey.front()) : std::string_view();
}

const std::vector<TableDef>& SchemaTables() {
  static const std::vector<TableDef> tables = BuildTables();
  return tables;
}

const std::vector<Reference>& SchemaReferences() {
  static const std::vector<Reference> references = BuildReferences();
  return references;
}

const TableDef* FindTable(std::string_view name) {
  for (const auto& table : SchemaTables()) {
    if (rt::TextEqualsNoCase(table.name, name)) return &table;
  }
  return nullptr;
}

bool IsKeyColumn(const TableDef& table, std::string_view column) {
  if (Contains(table.primaryKey, column)) return true;
  return std::any_of(SchemaReferences().begin(), SchemaReferences().end(), [&](const Reference& r) {
    return (rt::TextEqualsNoCase(r.childTable, table.name) && Contains(r.childColumns, column)) ||
           (rt::TextEqualsNoCase(r.parentTable, table.name) && Contains(r.parentColumns, column));
  });
}

void UpgradeSchema(DriverConnection& connection, const Driver& driver, UpgradeMode mode) {
  if (connection.SchemaVersion() >= kSchemaVersion) return;
  if (mode == UpgradeMode::IfEmptyFile && connection.HasTables()) return;
  connection.Begin();
  try {
    // Another connection may have done the work while this one waited.
    if (connection.SchemaVersion() < kSchemaVersion &&
        !(mode == UpgradeMode::IfEmptyFile && connection.HasTables())) {
      // Every version so far only adds tables and indexes, or retires an
      // index, so creating what is missing upgrades any older database.
      for (const char* index : kRetiredIndexes) {
        connection.Prepare(std::string("DROP INDEX IF EXISTS ") + index).Run({}, 0);
      }
      for (const auto& table : SchemaTables()) {
        for (const auto& ddl : driver.CreateStatements(table)) connection.Prepare(ddl).Run({}, 0);
      }
      connection.SetSchemaVersion(kSchemaVersion);
    }
    connection.Commit();
  } catch (...) {
    connection.Rollback();
    throw;
  }
}

void InitializeDatabase(const std::string& connectionString) {
  RunMapped([&] {
    PooledConnection lease = ConnectionPool::Acquire(connectionString);
    UpgradeSchema(lease.get(), lease.driver(), UpgradeMode::Always);
  });
}

}  // namespace korvo::data
