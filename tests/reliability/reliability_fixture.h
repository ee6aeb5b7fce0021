// Shared set-up of the reliability suites: a fresh database per test, reached
// through the configuration the way a deployment reaches it, seeded with a
// small but complete master-data set (the home currency that is also the
// euro, a participating and three foreign currencies with rates, one
// currency without rates, two terms of every kind), a canary table no call
// may touch, and the log written to a file of its own instead of standard
// error.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "infrastructure/components.h"
#include "platform/data/fault_injection.h"
#include "platform/data/pool.h"
#include "platform/host/host_scope.h"
#include "platform/korvex/configuration_overrides.h"
#include "platform/korvex/log_recorder.h"
#include "platform/membership/credential_cache.h"
#include "platform/membership/directory.h"
#include "platform/runtime/date.h"
#include "platform/runtime/dictionary.h"
#include "platform/runtime/error.h"
#include "registration/register_all.h"
#include "reliability/database_state.h"
#include "support/temp_database.h"

namespace korvo::reliability {

inline rt::Date Day(int year, int month, int day) { return *rt::MakeDate({year, month, day, 0, 0, 0}); }

// Calls a method through the dispatch layer, as a script or the program does.
inline rt::Variant Call(const rt::ObjectRef& object, std::string_view method,
                        std::vector<rt::Variant> args = {}) {
  return object->Invoke(method, rt::InvokeKind::Method, std::span(args));
}

inline rt::Variant Texts(std::vector<rt::Variant> items) {
  return rt::Variant(rt::Array(std::move(items)));
}

// A dictionary of the given entries, in order.
inline rt::DictionaryRef DictionaryOf(std::vector<std::pair<rt::Variant, rt::Variant>> entries) {
  auto dictionary = rt::Dictionary::Create();
  for (auto& [key, item] : entries) dictionary->Add(key, std::move(item));
  return dictionary;
}

// The error a call raised, or Number 0 when it raised none.
inline rt::ErrorRecord ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const rt::Error& error) {
    return error.record();
  }
  return {};
}

class ReliabilityTest : public ::testing::Test {
 protected:
  static constexpr const char* kCanary = "CANARY";

  static void SetUpTestSuite() { registration::RegisterAll(); }

  void SetUp() override {
    korvex::ConfigurationOverrides::Set("CONNECTIONS", "KorvoCommonConnection_ConnectionString",
                                        ConnectionString());
    korvex::ConfigurationOverrides::Set("LOG", "File", LogFile());
    infra::ResetConnectionStringCache();
    for (const char* sql : kSeed) Execute(sql);
  }

  void TearDown() override {
    data::StatementFault::Clear();
    infra::ResetConnectionStringCache();
    korvex::ConfigurationOverrides::Clear();
    membership::CredentialCache::Process().Clear();
    std::error_code ignored;
    std::filesystem::remove(LogFile(), ignored);
  }

  // The embedded directory in the test database (a cheap password hash),
  // holding the script account, which session_ holds as the signed-in one.
  void UseEmbeddedDirectory() {
    using korvex::ConfigurationOverrides;
    ConfigurationOverrides::Set("MEMBERSHIP", "Backend", "embedded");
    ConfigurationOverrides::Set("MEMBERSHIP", "PasswordHashOps", "1");
    ConfigurationOverrides::Set("MEMBERSHIP", "PasswordHashMemoryKiB", "8");
    ConfigurationOverrides::Set("MEMBERSHIP", "MemScriptUser", "script");
    ConfigurationOverrides::Set("MEMBERSHIP", "MemScriptCode", kScriptPassword);
    ConfigurationOverrides::Set("MEMBERSHIP", "LDAPRoot", "");
    membership::CredentialCache::Process().Clear();
    directory_ = membership::Directory::Open();
    directory_->Backend().Create({"script", {}}, kScriptPassword);
    session_->Add("REMOTE_ACCOUNT", rt::Variant("script"));
    session_->Add("REMOTE_PASSWORD", rt::Variant(kScriptPassword));
  }
  // Partners 1 and 2 with addresses 1 and 2 (address 3 is linked to
  // none), a customer row and group 1 for partner 1, office "North", roles
  // PM and TB, and the embedded directory with the script account and
  // "ann", who holds both roles.
  void SeedPartnersOfficesAndDirectory() {
    for (const char* sql : kPartnerSeed) Execute(sql);
    UseEmbeddedDirectory();
    directory_->Backend().Create({"ann", {{"ProjectRole", {"PM", "TB"}}, {"SURNAME", {"Andersen"}}}},
                                 "ann-Pa55");
  }

  // A web request's scope: transactional, with the session.
  host::ScopeOptions Request() const { return {true, nullptr, session_}; }

  const std::string& ConnectionString() const { return database_.ConnectionString(); }
  const std::string& LogFile() const { return logFile_; }

  void Execute(const std::string& sql) { ExecuteSql(ConnectionString(), sql); }
  std::int64_t Number(const std::string& sql) { return QueryNumber(ConnectionString(), sql); }
  DatabaseDump Dump() { return DumpDatabase(ConnectionString(), {kCanary}); }
  RowCounts Counts() { return CountRows(ConnectionString(), {kCanary}); }
  // Physical connections still leased: 0 once everything was released.
  std::size_t ConnectionsInUse() const { return data::ConnectionPool::Stats(ConnectionString()).inUse; }

  korvo::testing::TempDatabase database_;
  korvex::LogRecording recording_;
  rt::DictionaryRef session_ = rt::Dictionary::Create();
  std::shared_ptr<membership::Directory> directory_;  // once UseEmbeddedDirectory ran

 private:
  // The script account's password: an input of the tests only, never printed.
  static constexpr const char* kScriptPassword = "script-Pa55";
  static std::string NewLogFileName() {
    static int count = 0;
    return (std::filesystem::temp_directory_path() /
            ("korvo-reliability-" + std::to_string(getpid()) + "-" + std::to_string(++count) + ".log"))
        .string();
  }

  const std::string logFile_ = NewLogFileName();
  // Numbered by the database as a fresh one numbers them, so that later
  // inserts continue after them on every backend.
  static constexpr const char* kPartnerSeed[] = {
      "INSERT INTO COUNTRY (COUNTRYCODE, COUNTRYNAME) VALUES ('NL', 'Netherlands')",
      "INSERT INTO TRANSPORTCARRIER (CARRIERCODE, CARRIERNAME) VALUES ('DHL', 'DHL Express')",
      "INSERT INTO ADDRESS (COUNTRYCODE, NAME1, SHORTDESCRIPTION) VALUES ('NL', 'Acme', 'Acme HQ')",
      "INSERT INTO ADDRESS (COUNTRYCODE, NAME1, SHORTDESCRIPTION) VALUES ('NL', 'Spare', 'Spare HQ')",
      "INSERT INTO ADDRESS (COUNTRYCODE, NAME1, SHORTDESCRIPTION) VALUES ('NL', 'Loose', 'Unused')",
      "INSERT INTO BUSINESSPARTNER (NAME, CURRENCYCODE) VALUES ('Acme', 'EUR')",
      "INSERT INTO BUSINESSPARTNER (NAME) VALUES ('Spare')",
      "INSERT INTO BUSINESSPARTNERADDRESS (BUSINESSPARTNERID, ADDRESSID) VALUES (1, 1)",
      "INSERT INTO BUSINESSPARTNERADDRESS (BUSINESSPARTNERID, ADDRESSID) VALUES (2, 2)",
      "INSERT INTO CUSTOMER (BUSINESSPARTNERID, CUSTOMERNAME, CARRIERCODE) VALUES (1, 'Acme', 'DHL')",
      "INSERT INTO BUSINESSPARTNERGROUP (BPGROUPNAME) VALUES ('Retail')",
      "INSERT INTO BPSBYBUSINESSPARTNERGRP (BUSINESSPARTNERID, BUSINESSPARTNERGRPID, BPLEVEL) VALUES (1, 1, 1)",
      "INSERT INTO OFFICE (OFFICEDESCRIPTION, OFFICETYPE, CURRENCYCODE) VALUES ('North', 1, 'EUR')",
      "INSERT INTO ROLE (ROLE, DESCRIPTION) VALUES ('PM', 'Project manager')",
      "INSERT INTO ROLE (ROLE, DESCRIPTION) VALUES ('TB', 'Technical buyer')",
  };

  static constexpr const char* kSeed[] = {
      "CREATE TABLE CANARY (NOTE VARCHAR(40))",
      "INSERT INTO CANARY VALUES ('still here')",
      "INSERT INTO CURRENCY VALUES ('EUR', 'Euro', 1, 1, 1, 2, NULL)",
      "INSERT INTO CURRENCY VALUES ('DEM', 'Deutsche Mark', 0, 0, 1, 2, 1031)",
      "INSERT INTO CURRENCY VALUES ('USD', 'US dollar', 0, 0, 0, 2, 1033)",
      "INSERT INTO CURRENCY VALUES ('GBP', 'Pound sterling', 0, 0, 0, 2, 2057)",
      "INSERT INTO CURRENCY VALUES ('JPY', 'Yen', 0, 0, 0, 0, 1041)",
      "INSERT INTO CURRENCY VALUES ('CHF', 'Swiss franc', 0, 0, 0, 2, 2055)",
      "INSERT INTO CURRENCYRATE VALUES ('EUR', '1999-01-01 00:00:00', NULL, 1, 1, 1)",
      "INSERT INTO CURRENCYRATE VALUES ('DEM', '1999-01-01 00:00:00', NULL, NULL, 1.95583, 1)",
      "INSERT INTO CURRENCYRATE VALUES ('USD', '2024-01-01 00:00:00', '2024-07-01 00:00:00', 1.095, 0, 1)",
      "INSERT INTO CURRENCYRATE VALUES ('USD', '2024-07-01 00:00:00', NULL, 1.085, 0, 1)",
      "INSERT INTO CURRENCYRATE VALUES ('GBP', '2024-01-01 00:00:00', NULL, 0.855, 0, 1)",
      "INSERT INTO CURRENCYRATE VALUES ('JPY', '2024-01-01 00:00:00', NULL, 1.6, 0, 100)",
      "INSERT INTO PAYMENTTERM VALUES ('NET30', 'Net 30 days', 30, 0, 0)",
      "INSERT INTO PAYMENTTERM VALUES ('2-10NET30', '2% 10 days, net 30', 30, 10, 2)",
      "INSERT INTO PAYMENTMETHOD VALUES ('TRANSFER', 'Bank transfer')",
      "INSERT INTO PAYMENTMETHOD VALUES ('CARD', 'Credit card')",
      "INSERT INTO DELIVERYTERM VALUES ('FCA', 'Free carrier')",
      "INSERT INTO DELIVERYTERM VALUES ('DAP', 'Delivered at place')",
      "INSERT INTO DELIVERYMETHOD VALUES ('ROAD', 'By road')",
      "INSERT INTO DELIVERYMETHOD VALUES ('AIR', 'By air')",
      "INSERT INTO PACKAGINGTERM VALUES ('PALLET', 'On pallets')",
      "INSERT INTO PACKAGINGTERM VALUES ('BOX', 'In boxes')",
      "INSERT INTO WARRANTYTERM VALUES ('W12', 'Twelve months', 12)",
      "INSERT INTO WARRANTYTERM VALUES ('W24', 'Two years', 24)",
      "INSERT INTO PENALTYTERM VALUES ('LATE1', 'One percent a week late', 1)",
      "INSERT INTO PENALTYTERM VALUES ('LATE2', 'Two percent a week late', 2)",
  };
};

}  // namespace korvo::reliability
