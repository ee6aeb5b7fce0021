// Shared set-up of the TUser suites: a fresh database per test reached
// through the configuration, a recording log, a TUser object, and helpers
// to read what its calls wrote and what they answered.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "infrastructure/components.h"
#include "infrastructure/errors.h"
#include "platform/contracts/database.h"
#include "platform/contracts/membership.h"
#include "platform/contracts/referential_checker.h"
#include "platform/contracts/result_object.h"
#include "platform/data/statement_trace.h"
#include "platform/host/component.h"
#include "platform/host/registry.h"
#include "platform/korvex/configuration_overrides.h"
#include "platform/korvex/log_recorder.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"
#include "registration/register_all.h"
#include "support/library_calls.h"
#include "support/temp_database.h"
#include "user/tuser.h"

namespace korvo::common::testing {

inline rt::Variant Texts(std::vector<rt::Variant> items) {
  return rt::Variant(rt::Array(std::move(items)));
}
inline rt::Variant Small(int value) { return rt::Variant(static_cast<std::int16_t>(value)); }

using ::korvo::testing::ErrorOf;

// The message codes of a result object, in order.
inline std::vector<std::string> Messages(const rt::ObjectRef& result) {
  std::vector<std::string> codes;
  for (const auto& message : dynamic_cast<contracts::ResultObject&>(*result).MessageList()) {
    codes.push_back(message.code);
  }
  return codes;
}

// A referential checker whose answers a test sets, recording what it was asked.
class ScriptedChecker : public host::Component, public contracts::ReferentialChecker {
 public:
  std::string TypeName() const override { return "ScriptedChecker"; }
  const host::DispatchTable& Dispatch() const override {
    static const host::DispatchTable table = host::DispatchTable::For<ScriptedChecker>().Build();
    return table;
  }
  bool CanDeleteInComponent(const std::string&, const std::string& table, const rt::Array&,
                            const rt::Array&) override {
    asked.push_back("CanDelete " + table);
    return allowDelete;
  }
  bool BeforeDelete(const std::string& table, const rt::Array&, const rt::Array&) override {
    asked.push_back("BeforeDelete " + table);
    return allowHook;
  }
  bool ReferencesExistInComponent(const std::string&, const std::string& table, const rt::Array& names,
                                  const rt::Array&) override {
    asked.push_back("ReferencesInComponent " + table + " " + rt::CStr(names.items.front()));
    return referencesExist;
  }
  bool ReferencesExist(const std::string& table, const rt::Array& names, const rt::Array&) override {
    asked.push_back("References " + table + " " + rt::CStr(names.items.front()));
    return referencesExist;
  }

  static inline bool allowDelete = true;
  static inline bool allowHook = true;
  static inline bool referencesExist = true;
  static inline std::vector<std::string> asked;
};

class TUserTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { registration::RegisterAll(); }

  void SetUp() override {
    korvex::ConfigurationOverrides::Set("CONNECTIONS", "KorvoCommonConnection_ConnectionString",
                                        database_.ConnectionString());
    infra::ResetConnectionStringCache();
  }

  void TearDown() override { infra::ResetConnectionStringCache(); }

  contracts::ConnectionRef Open() {
    auto connection =
        std::dynamic_pointer_cast<contracts::Connection>(host::CreateObject("ADODB.Connection"));
    connection->Open(database_.ConnectionString());
    return connection;
  }

  // Runs a statement on a connection of its own, outside any transaction.
  void Execute(const std::string& sql) {
    auto connection = Open();
    connection->Execute(sql);
    connection->Close();
  }

  std::int32_t Count(const std::string& sql) {
    auto connection = Open();
    const std::int32_t count = rt::CLng(connection->Execute(sql)->Value(std::int32_t{0}));
    connection->Close();
    return count;
  }

  std::int32_t Offices() { return Count("SELECT COUNT(*) FROM OFFICE"); }

  // Replaces Korvex.ReferentialChecker with a ScriptedChecker for the test.
  void ScriptTheChecker(bool allowDelete, bool allowHook, bool referencesExist) {
    ScriptedChecker::allowDelete = allowDelete;
    ScriptedChecker::allowHook = allowHook;
    ScriptedChecker::referencesExist = referencesExist;
    ScriptedChecker::asked.clear();
    checker_ = std::make_unique<host::RegistrationOverride>(
        host::ClassInfo{"Korvex.ReferentialChecker", host::TransactionAttribute::None, false,
                        [] { return rt::ObjectRef(std::make_shared<ScriptedChecker>()); }});
  }

  // The statements issued while `call` runs.
  std::vector<std::string> StatementsOf(const std::function<void()>& call) {
    std::vector<std::string> statements;
    auto subscription = data::StatementTrace::Subscribe(
        [&](const std::string& sql, std::span<const contracts::Parameter>) {
          statements.push_back(sql);
        });
    call();
    return statements;
  }

  // The methods named by the log entries since the last call, outermost last.
  std::vector<std::string> LoggedMethods() {
    std::vector<std::string> methods;
    for (const auto& entry : korvex::LogRecorder::Drain()) {
      const auto start = entry.text.find(" METHOD: ") + 9;
      methods.push_back(entry.text.substr(start, entry.text.find("\r\n", start) - start));
    }
    return methods;
  }

  std::shared_ptr<TUser> NewTUser() {
    return std::dynamic_pointer_cast<TUser>(host::CreateObject("KorvoCommon.TUser"));
  }

  korvo::testing::TempDatabase database_;
  korvex::LogRecording recording_;
  std::unique_ptr<host::RegistrationOverride> checker_;
  std::shared_ptr<TUser> tuser_ = NewTUser();
};

}  // namespace korvo::common::testing
