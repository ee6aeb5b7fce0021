// Shared set-up of the currency suites: a fresh database per test, reached
// through the configuration the way a deployment reaches it, a recording
// log, and rates for a realistic set of currencies.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "currency/currency.h"
#include "currency/tcurrency.h"
#include "infrastructure/components.h"
#include "infrastructure/errors.h"
#include "infrastructure/script_data_object.h"
#include "platform/contracts/database.h"
#include "platform/host/registry.h"
#include "platform/korvex/configuration_overrides.h"
#include "platform/korvex/log_recorder.h"
#include "platform/runtime/date.h"
#include "platform/runtime/error.h"
#include "registration/enumerations.h"
#include "registration/register_all.h"
#include "support/library_calls.h"
#include "support/temp_database.h"

namespace korvo::common::testing {

inline rt::Date Day(int year, int month, int day, int hour = 0) {
  return *rt::MakeDate({year, month, day, hour, 0, 0});
}

inline rt::Money Amount(double value) { return rt::MoneyFromDouble(value); }

using ::korvo::testing::ErrorOf;

// The description Err_Handle gives an error reported by `method`.
inline std::string Enriched(const std::string& description, std::int32_t number,
                            const std::string& method, const infra::Info& info = std::nullopt) {
  return infra::Err_FormatMessage(description, number, method, info);
}

// The description of a handler that passes its connection's (empty) error
// text as info.
inline std::string EnrichedWithConnection(const std::string& description, std::int32_t number,
                                          const std::string& method) {
  return Enriched(description, number, method, rt::Variant(""));
}

class CurrencyTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { registration::RegisterAll(); }

  void SetUp() override {
    korvex::ConfigurationOverrides::Set("CONNECTIONS", "KorvoCommonConnection_ConnectionString",
                                        database_.ConnectionString());
    infra::ResetConnectionStringCache();
  }

  void TearDown() override { infra::ResetConnectionStringCache(); }

  // Runs a statement on a connection of its own, outside any transaction.
  void Execute(const std::string& sql) {
    ::korvo::testing::ExecuteOn(database_.ConnectionString(), sql);
  }

  std::int32_t Count(const std::string& sql) {
    return ::korvo::testing::CountOn(database_.ConnectionString(), sql);
  }

  void AddCurrencyRow(const std::string& code, bool home, bool euro, bool epc) {
    Execute("INSERT INTO CURRENCY VALUES ('" + code + "', 'Name of " + code + "  ', " +
            (home ? "1" : "0") + ", " + (euro ? "1" : "0") + ", " + (epc ? "1" : "0") + ", 2, NULL)");
  }

  // home and euro as texts so that a test can write NULL.
  void AddRateRow(const std::string& code, const std::string& effective, const std::string& expiry,
                  const std::string& home, const std::string& euro, int factor = 1) {
    Execute("INSERT INTO CURRENCYRATE VALUES ('" + code + "', '" + effective + "', " + expiry + ", " +
            home + ", " + euro + ", " + std::to_string(factor) + ")");
  }

  // A guilder home currency participating in the euro, the euro, the mark
  // (participating), and the yen quoted per 100 in home currency.
  void AddEuroEra() {
    AddCurrencyRow("NLG", true, false, true);
    AddCurrencyRow("EUR", false, true, true);
    AddCurrencyRow("DEM", false, false, true);
    AddCurrencyRow("JPY", false, false, false);
    AddRateRow("NLG", "2000-01-01", "NULL", "1", "2.20371");
    AddRateRow("DEM", "2000-01-01", "NULL", "NULL", "1.95583");
    AddRateRow("JPY", "2000-01-01", "NULL", "1.3", "0", 100);
  }

  std::shared_ptr<Currency> NewCurrency() {
    return std::dynamic_pointer_cast<Currency>(host::CreateObject("KorvoCommon.Currency"));
  }

  std::shared_ptr<TCurrency> NewTCurrency() {
    return std::dynamic_pointer_cast<TCurrency>(host::CreateObject("KorvoCommon.TCurrency"));
  }

  // The entries logged since the last call.
  std::vector<korvex::LogEntry> Logged() { return korvex::LogRecorder::Drain(); }

  // The methods named by the log entries since the last call, outermost
  // last, each entry's METHOD line.
  std::vector<std::string> LoggedMethods() {
    std::vector<std::string> methods;
    for (const auto& entry : Logged()) {
      const auto start = entry.text.find(" METHOD: ") + 9;
      methods.push_back(entry.text.substr(start, entry.text.find("\r\n", start) - start));
    }
    return methods;
  }

  korvo::testing::TempDatabase database_;
  korvex::LogRecording recording_;
};

}  // namespace korvo::common::testing
