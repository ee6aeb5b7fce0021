// Shared set-up of the business-partner suites: a fresh database per test
// reached through the configuration, a recording log, and helpers that
// write rows directly and count what the library left behind.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "infrastructure/components.h"
#include "infrastructure/errors.h"
#include "partner/business_partner.h"
#include "platform/contracts/database.h"
#include "platform/data/statement_trace.h"
#include "platform/host/registry.h"
#include "platform/korvex/configuration_overrides.h"
#include "platform/korvex/log_recorder.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"
#include "registration/enumerations.h"
#include "registration/register_all.h"
#include "support/library_calls.h"
#include "support/temp_database.h"

namespace korvo::common::testing {

using ::korvo::testing::ErrorOf;

inline rt::Array Texts(std::vector<std::string> texts) {
  std::vector<rt::Variant> items;
  for (auto& text : texts) items.emplace_back(std::move(text));
  return rt::Array(std::move(items));
}

class PartnerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { registration::RegisterAll(); }

  void SetUp() override {
    korvex::ConfigurationOverrides::Set("CONNECTIONS", "KorvoCommonConnection_ConnectionString",
                                        database_.ConnectionString());
    infra::ResetConnectionStringCache();
    Execute(
        "INSERT INTO COUNTRY (COUNTRYCODE, COUNTRYNAME, ISOCODE) VALUES ('NL', 'Netherlands', 'NLD')");
    Execute(
        "INSERT INTO TRANSPORTCARRIER (CARRIERCODE, CARRIERNAME, URL) VALUES ('DHL', 'DHL Express', 'https://dhl.example')");
  }

  void TearDown() override { infra::ResetConnectionStringCache(); }

  void Execute(const std::string& sql) {
    ::korvo::testing::ExecuteOn(database_.ConnectionString(), sql);
  }

  std::int32_t Count(const std::string& sql) {
    return ::korvo::testing::CountOn(database_.ConnectionString(), sql);
  }

  // A partner row; `columns` and `values` add further columns.
  void AddPartner(int id, const std::string& name, const std::string& columns = "",
                  const std::string& values = "") {
    Execute("INSERT INTO BUSINESSPARTNER (BUSINESSPARTNERID, NAME" + columns + ") VALUES (" +
            std::to_string(id) + ", '" + name + "'" + values + ")");
  }

  void AddCustomerRow(int id, const std::string& name, const std::string& discount = "NULL",
                      const std::string& carrier = "NULL") {
    Execute(
        "INSERT INTO CUSTOMER (BUSINESSPARTNERID, CUSTOMERNAME, ORDERDISCOUNTPERC, CARRIERCODE) VALUES (" +
        std::to_string(id) + ", '" + name + "', " + discount + ", " + carrier + ")");
  }

  // An address with an explicit ID, linked to `partner` when it is not 0.
  void AddAddress(int id, const std::string& name1, int partner = 0,
                  const std::string& zrkCode = "NULL") {
    Execute(
        "INSERT INTO ADDRESS (ADDRESSID, COUNTRYCODE, NAME1, SHORTDESCRIPTION, ZRKADDRESSCODE) VALUES (" +
        std::to_string(id) + ", 'NL', '" + name1 + "', 'address " + std::to_string(id) + "', " +
        zrkCode + ")");
    if (partner != 0) {
      Execute("INSERT INTO BUSINESSPARTNERADDRESS (BUSINESSPARTNERID, ADDRESSID) VALUES (" +
              std::to_string(partner) + ", " + std::to_string(id) + ")");
    }
  }

  std::shared_ptr<BusinessPartner> NewPartner() {
    return std::dynamic_pointer_cast<BusinessPartner>(host::CreateObject(kBusinessPartnerProgId));
  }

  // The values of one column of every row, as texts.
  static std::vector<std::string> Column(const contracts::RecordsetRef& rows,
                                         const std::string& column) {
    std::vector<std::string> values;
    for (; !rows->IsEOF(); rows->MoveNext()) values.push_back(rt::CStr(rows->Value(column)));
    return values;
  }

  // Records the statements issued while it lives.
  struct Statements {
    Statements()
        : subscription(data::StatementTrace::Subscribe(
              [this](const std::string& sql, std::span<const contracts::Parameter>) {
                seen.push_back(sql);
              })) {}
    std::vector<std::string> seen;
    data::StatementTrace::Subscription subscription;
  };

  std::vector<korvex::LogEntry> Logged() { return korvex::LogRecorder::Drain(); }

  korvo::testing::TempDatabase database_;
  korvex::LogRecording recording_;
};

}  // namespace korvo::common::testing
