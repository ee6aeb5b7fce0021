// Shared set-up of the directory suites: a fresh database per test, the
// "MEMBERSHIP" settings a site would write (the backend under test, the
// cheapest password hash, a script account), and helpers that put users
// into the directory the way an operator's tool does.
//
// The contract suites are parameterised by the backend's configuration
// name, so every backend runs the same tests.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "infrastructure/components.h"
#include "membership/ldap_test_server.h"
#include "membership/site_directory.h"
#include "platform/contracts/membership.h"
#include "platform/host/host_scope.h"
#include "platform/host/registry.h"
#include "platform/korvex/configuration_overrides.h"
#include "platform/korvex/log_recorder.h"
#include "platform/membership/credential_cache.h"
#include "platform/membership/directory.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"
#include "registration/register_all.h"
#include "support/library_calls.h"
#include "support/temp_database.h"

namespace korvo::membership::testing {

namespace err = contracts::membership_error;

// Test passwords: inputs of the tests only, never printed.
inline const std::string kScriptPassword = "script-Pa55";
inline const std::string kUserPassword = "user-Pa55";

using Attributes = std::vector<std::pair<std::string, std::vector<std::string>>>;

using ::korvo::testing::ErrorOf;

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The IDs of a record set's rows, read as callers read them.
inline std::vector<std::string> Ids(const contracts::RecordsetRef& rows,
                                    const std::string& column = "UserID") {
  std::vector<std::string> ids;
  for (; !rows->IsEOF(); rows->MoveNext()) ids.push_back(rt::CStr(rows->Value(column)));
  return ids;
}

inline rt::Variant TextArray(std::vector<std::string> texts) {
  std::vector<rt::Variant> items(texts.begin(), texts.end());
  return rt::Variant(rt::Array(std::move(items)));
}

class DirectoryTest : public ::testing::TestWithParam<std::string> {
 protected:
  static void SetUpTestSuite() { registration::RegisterAll(); }

  void SetUp() override {
    if (GetParam() == "ldap") {
      ldap_ = korvo::testing::LdapTestDirectory::OnRunServer();
      if (!ldap_) GTEST_SKIP() << "no LDAP server (scripts/ldap-server)";
    }
    korvo::testing::ConfigureSiteDirectory(database_.ConnectionString(), kScriptPassword, ldap_.get());
    directory_ = Directory::Open();
    Seed("script", {}, kScriptPassword);
  }

  void TearDown() override {
    directory_.reset();
    korvex::ConfigurationOverrides::Clear();
    infra::ResetConnectionStringCache();
  }

  // Adds a user as the operators' tool does, bypassing the rights check.
  void Seed(const std::string& id, const Attributes& attributes,
            const std::string& password = kUserPassword) {
    Entry entry{id, {}};
    for (const auto& [name, values] : attributes) entry.attributes.push_back({name, values});
    directory_->Backend().Create(entry, password);
  }

  std::shared_ptr<contracts::MembershipUser> NewUser() {
    return infra::Gen_GetComponentAs<contracts::MembershipUser>("KorvoMembership.User");
  }

  std::shared_ptr<contracts::MembershipMembers> NewMembers() {
    return infra::Gen_GetComponentAs<contracts::MembershipMembers>("KorvoMembership.Members");
  }

  // A user object bound to `id` by `account` (default: the user itself).
  std::shared_ptr<contracts::MembershipUser> Bound(const std::string& id,
                                                   const std::string& account = "",
                                                   const std::string& password = kUserPassword) {
    auto user = NewUser();
    user->Bind(id, account.empty() ? id : account, password);
    return user;
  }

  std::shared_ptr<contracts::MembershipUser> BoundAsScript(const std::string& id) {
    return Bound(id, "script", kScriptPassword);
  }

  std::vector<std::string> Search(std::vector<std::string> criteria) {
    return Ids(NewMembers()->Search(TextArray(std::move(criteria)), "", rt::Variant::Missing()));
  }

  std::int32_t SearchError(const rt::Variant& criteria) {
    return ErrorOf([&] { NewMembers()->Search(criteria, "", rt::Variant::Missing()); }).Number;
  }

  korvo::testing::TempDatabase database_;
  std::unique_ptr<korvo::testing::LdapTestDirectory> ldap_;  // the "ldap" runs' users
  korvex::LogRecording recording_;
  std::shared_ptr<Directory> directory_;
};

}  // namespace korvo::membership::testing
