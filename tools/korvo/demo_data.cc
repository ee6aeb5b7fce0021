#include "tools/korvo/demo_data.h"

#include <memory>

#include "infrastructure/contracts/database.h"
#include "platform/host/host_scope.h"
#include "platform/host/registry.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"
#include "tools/korvo/demo_directory.h"

namespace korvo::tool {

namespace {

// Rates are against the home currency (the euro): 1 EUR is HOMESALESRATE x
// RATEFACTOR units of the currency. The two euro-participating currencies
// carry their irrevocable conversion rates from 1 January 1999. USD changes
// rate on 1 July 2024, so a conversion's date matters.
constexpr const char* kStatements[] = {
    "INSERT INTO CURRENCY (CURRENCYCODE, CURRENCYNAME, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID) "
    "VALUES ('EUR', 'Euro', 1, 1, 1, 2, NULL)",
    "INSERT INTO CURRENCY (CURRENCYCODE, CURRENCYNAME, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID) "
    "VALUES ('DEM', 'Deutsche Mark', 0, 0, 1, 2, 1031)",
    "INSERT INTO CURRENCY (CURRENCYCODE, CURRENCYNAME, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID) "
    "VALUES ('FRF', 'French franc', 0, 0, 1, 2, 1036)",
    "INSERT INTO CURRENCY (CURRENCYCODE, CURRENCYNAME, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID) "
    "VALUES ('USD', 'US dollar', 0, 0, 0, 2, 1033)",
    "INSERT INTO CURRENCY (CURRENCYCODE, CURRENCYNAME, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID) "
    "VALUES ('GBP', 'Pound sterling', 0, 0, 0, 2, 2057)",
    "INSERT INTO CURRENCY (CURRENCYCODE, CURRENCYNAME, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID) "
    "VALUES ('CHF', 'Swiss franc', 0, 0, 0, 2, 2055)",
    "INSERT INTO CURRENCY (CURRENCYCODE, CURRENCYNAME, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID) "
    "VALUES ('JPY', 'Japanese yen', 0, 0, 0, 0, 1041)",

    "INSERT INTO CURRENCYRATE (CURRENCYCODE, EFFECTIVEDATE, EXPIRYDATE, HOMESALESRATE, "
    "EUROSALESRATE, RATEFACTOR) VALUES ('DEM', '1999-01-01 00:00:00', NULL, 1.95583, 1.95583, 1)",
    "INSERT INTO CURRENCYRATE (CURRENCYCODE, EFFECTIVEDATE, EXPIRYDATE, HOMESALESRATE, "
    "EUROSALESRATE, RATEFACTOR) VALUES ('FRF', '1999-01-01 00:00:00', NULL, 6.55957, 6.55957, 1)",
    "INSERT INTO CURRENCYRATE (CURRENCYCODE, EFFECTIVEDATE, EXPIRYDATE, HOMESALESRATE, "
    "EUROSALESRATE, RATEFACTOR) VALUES ('USD', '2024-01-01 00:00:00', '2024-07-01 00:00:00', "
    "1.095, 1.095, 1)",
    "INSERT INTO CURRENCYRATE (CURRENCYCODE, EFFECTIVEDATE, EXPIRYDATE, HOMESALESRATE, "
    "EUROSALESRATE, RATEFACTOR) VALUES ('USD', '2024-07-01 00:00:00', NULL, 1.085, 1.085, 1)",
    "INSERT INTO CURRENCYRATE (CURRENCYCODE, EFFECTIVEDATE, EXPIRYDATE, HOMESALESRATE, "
    "EUROSALESRATE, RATEFACTOR) VALUES ('GBP', '2024-01-01 00:00:00', NULL, 0.855, 0.855, 1)",
    "INSERT INTO CURRENCYRATE (CURRENCYCODE, EFFECTIVEDATE, EXPIRYDATE, HOMESALESRATE, "
    "EUROSALESRATE, RATEFACTOR) VALUES ('CHF', '2024-01-01 00:00:00', NULL, 0.945, 0.945, 1)",
    "INSERT INTO CURRENCYRATE (CURRENCYCODE, EFFECTIVEDATE, EXPIRYDATE, HOMESALESRATE, "
    "EUROSALESRATE, RATEFACTOR) VALUES ('JPY', '2024-01-01 00:00:00', NULL, 1.6, 1.6, 100)",

    "INSERT INTO PAYMENTTERM (PAYMENTTERMCODE, DESCRIPTION, NETDAYS, DISCOUNTDAYS, DISCOUNTPERC) "
    "VALUES ('NET30', 'Net 30 days', 30, 0, 0)",
    "INSERT INTO PAYMENTTERM (PAYMENTTERMCODE, DESCRIPTION, NETDAYS, DISCOUNTDAYS, DISCOUNTPERC) "
    "VALUES ('2-10NET30', '2% 10 days, net 30 days', 30, 10, 2)",
    "INSERT INTO PAYMENTMETHOD (PAYMENTMETHODCODE, DESCRIPTION) VALUES ('TRANSFER', 'Bank transfer')",
    "INSERT INTO PAYMENTMETHOD (PAYMENTMETHODCODE, DESCRIPTION) VALUES ('CARD', 'Credit card')",
    "INSERT INTO DELIVERYTERM (DELIVERYTERMCODE, DESCRIPTION) VALUES ('EXW', 'Ex works')",
    "INSERT INTO DELIVERYTERM (DELIVERYTERMCODE, DESCRIPTION) VALUES ('DAP', 'Delivered at place')",
    "INSERT INTO DELIVERYMETHOD (DELIVERYMETHODCODE, DESCRIPTION) VALUES ('ROAD', 'Road freight')",
    "INSERT INTO DELIVERYMETHOD (DELIVERYMETHODCODE, DESCRIPTION) VALUES ('AIR', 'Air freight')",
    "INSERT INTO PACKAGINGTERM (PACKAGINGTERMCODE, DESCRIPTION) VALUES ('PALLET', 'Euro pallet')",
    "INSERT INTO PACKAGINGTERM (PACKAGINGTERMCODE, DESCRIPTION) VALUES ('BOX', 'Cardboard box')",
    "INSERT INTO WARRANTYTERM (WARRANTYTERMCODE, DESCRIPTION, WARRANTYMONTHS) "
    "VALUES ('W12', 'Twelve months parts and labour', 12)",
    "INSERT INTO WARRANTYTERM (WARRANTYTERMCODE, DESCRIPTION, WARRANTYMONTHS) "
    "VALUES ('W24', 'Twenty-four months parts only', 24)",
    "INSERT INTO PENALTYTERM (PENALTYTERMCODE, DESCRIPTION, PENALTYPERC) "
    "VALUES ('LATE05', 'Late delivery: 0.5% per week', 0.5)",
    "INSERT INTO PENALTYTERM (PENALTYTERMCODE, DESCRIPTION, PENALTYPERC) "
    "VALUES ('NONE', 'No penalty', 0)",

    "INSERT INTO COUNTRY (COUNTRYCODE, COUNTRYNAME, ISOCODE) VALUES ('DE', 'Germany', 'DEU')",
    "INSERT INTO COUNTRY (COUNTRYCODE, COUNTRYNAME, ISOCODE) VALUES ('FR', 'France', 'FRA')",
    "INSERT INTO COUNTRY (COUNTRYCODE, COUNTRYNAME, ISOCODE) VALUES ('NL', 'Netherlands', 'NLD')",
    "INSERT INTO COUNTRY (COUNTRYCODE, COUNTRYNAME, ISOCODE) VALUES ('GB', 'United Kingdom', 'GBR')",
    "INSERT INTO COUNTRY (COUNTRYCODE, COUNTRYNAME, ISOCODE) VALUES ('US', 'United States', 'USA')",
    "INSERT INTO TRANSPORTCARRIER (CARRIERCODE, CARRIERNAME, URL) "
    "VALUES ('RHEIN', 'Rheinland Spedition', 'https://carrier.example/rheinland')",
    "INSERT INTO TRANSPORTCARRIER (CARRIERCODE, CARRIERNAME, URL) "
    "VALUES ('NORTHSEA', 'North Sea Freight', 'https://carrier.example/northsea')",
};

bool HoldsCurrencies(contracts::Connection& connection) {
  auto rows = connection.Execute("SELECT COUNT(*) AS N FROM CURRENCY");
  return rt::CLng(rows->Value(0)) > 0;
}

}  // namespace

bool LoadDemoData(const std::string& connectionString) {
  // One transactional scope: the connection enlists in it, so the data set
  // lands completely or, when a statement fails, not at all.
  host::HostScope scope;
  auto connection =
      std::dynamic_pointer_cast<contracts::Connection>(host::CreateObject("ADODB.Connection"));
  if (!connection) rt::Raise(rt::errnum::kTypeMismatch);
  connection->Open(connectionString);
  if (HoldsCurrencies(*connection)) {
    connection->Close();
    scope.End(/*abort=*/true);
    return false;
  }
  for (const char* statement : kStatements) connection->Execute(statement);
  connection->Close();
  LoadDemoDirectory();
  scope.End();
  return true;
}

}  // namespace korvo::tool
