// Shared set-up of the User suites: a fresh database per test reached
// through the configuration, the embedded membership directory in it (or,
// in the "ldap." runs, a users' subtree on the run's LDAP server) with
// a script account, a web request (host scope) whose session holds that
// account as the signed-in one, a recording log, and helpers to seed
// directory users and rows and to read what a call issued and logged.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "infrastructure/components.h"
#include "infrastructure/errors.h"
#include "membership/ldap_test_server.h"
#include "membership/site_directory.h"
#include "platform/contracts/database.h"
#include "platform/data/statement_trace.h"
#include "platform/host/host_scope.h"
#include "platform/host/registry.h"
#include "platform/korvex/configuration_overrides.h"
#include "platform/korvex/log_recorder.h"
#include "platform/membership/credential_cache.h"
#include "platform/membership/directory.h"
#include "platform/runtime/collection.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"
#include "registration/register_all.h"
#include "support/library_calls.h"
#include "support/temp_database.h"
#include "user/user.h"
#include "user/user_enumerations.h"

namespace korvo::common::user_testing {

// The script account's password: an input of the tests only, never printed.
inline const std::string kScriptPassword = "script-Pa55";

using Attributes = std::vector<std::pair<std::string, std::vector<std::string>>>;

using ::korvo::testing::ErrorOf;

// The text with its quotes doubled, for test statements.
inline std::string Doubled(std::string text) {
  for (std::size_t at = text.find('\''); at != std::string::npos; at = text.find('\'', at + 2)) {
    text.insert(at, 1, '\'');
  }
  return text;
}

inline rt::Variant Texts(std::vector<std::string> texts) {
  std::vector<rt::Variant> items(texts.begin(), texts.end());
  return rt::Variant(rt::Array(std::move(items)));
}

// The items of a collection as texts, in order.
inline std::vector<std::string> Items(const rt::CollectionRef& list) {
  std::vector<std::string> items;
  for (const auto& entry : list->Entries()) items.push_back(rt::CStr(entry.item));
  return items;
}

// The keys of a dictionary as texts, in order.
inline std::vector<std::string> Keys(const rt::DictionaryRef& dictionary) {
  std::vector<std::string> keys;
  for (const auto& entry : dictionary->Entries()) keys.push_back(rt::CStr(entry.key));
  return keys;
}

class UserTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { registration::RegisterAll(); }

  void SetUp() override {
    if (korvo::testing::UsersOnLdap()) {
      ldap_ = korvo::testing::LdapTestDirectory::OnRunServer();
      if (!ldap_) GTEST_SKIP() << "no LDAP server (scripts/ldap-server)";
    }
    korvo::testing::ConfigureSiteDirectory(database_.ConnectionString(), kScriptPassword, ldap_.get());
    directory_ = membership::Directory::Open();
    directory_->Backend().Create({"script", {}}, kScriptPassword);
    session_->Add("REMOTE_ACCOUNT", rt::Variant("script"));
    session_->Add("REMOTE_PASSWORD", rt::Variant(kScriptPassword));
    scope_ = std::make_unique<host::HostScope>(host::ScopeOptions{false, nullptr, session_});
    user_ = std::dynamic_pointer_cast<User>(infra::Gen_GetComponent("KorvoCommon.User"));
  }

  void TearDown() override {
    user_.reset();
    scope_.reset();
    directory_.reset();
    korvex::ConfigurationOverrides::Clear();
    infra::ResetConnectionStringCache();
  }

  // Adds a directory user as the operators' tool does.
  void Seed(const std::string& id, const Attributes& attributes = {}) {
    membership::Entry entry{id, {}};
    for (const auto& [name, values] : attributes) entry.attributes.push_back({name, values});
    directory_->Backend().Create(entry, "user-Pa55");
  }

  // The signed-in account's password as the session now holds it.
  void SetSessionPassword(const std::string& password) {
    session_->Set("REMOTE_PASSWORD", rt::Variant(password));
  }

  // Runs a statement on a connection of its own, outside the scope.
  void Execute(const std::string& sql) {
    ::korvo::testing::ExecuteOn(database_.ConnectionString(), sql);
  }

  // An office row with the columns the attribute tests read; "NULL" writes
  // a Null.
  void AddOffice(const std::string& description, int type, const std::string& addressId,
                 const std::string& cardType = "NULL", const std::string& costCenter = "NULL") {
    Execute(
        "INSERT INTO OFFICE (OFFICEDESCRIPTION, OFFICETYPE, ADDRESSID, CREDITCARDTYPE, "
        "COSTCENTER, CURRENCYCODE) VALUES ('" +
        Doubled(description) + "', " + std::to_string(type) + ", " + addressId + ", " + cardType + ", " +
        costCenter + ", 'EUR')");
  }

  // The statements the library issued while `call` ran.
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

  korvo::testing::TempDatabase database_;
  std::unique_ptr<korvo::testing::LdapTestDirectory> ldap_;  // the users of an LDAP run
  korvex::LogRecording recording_;
  std::shared_ptr<membership::Directory> directory_;
  rt::DictionaryRef session_ = rt::Dictionary::Create();
  std::unique_ptr<host::HostScope> scope_;
  std::shared_ptr<User> user_;
};

}  // namespace korvo::common::user_testing
