// The site settings of a test's membership directory, shared by the suites
// that reach users through it (the directory's own and the user classes').
#pragma once

#include <string>

#include "infrastructure/components.h"
#include "membership/ldap_test_server.h"
#include "platform/korvex/configuration_overrides.h"
#include "platform/membership/credential_cache.h"

namespace korvo::testing {

// Section "MEMBERSHIP" as a site writes it for one test: the embedded
// directory in the database `connectionString`, the cheapest password hash
// and the script account "script" with `scriptPassword`, no root; with
// `ldap`, the users live in that subtree of the run's LDAP server instead.
// Forgets the connection strings and binds of earlier tests.
inline void ConfigureSiteDirectory(const std::string& connectionString,
                                   const std::string& scriptPassword, const LdapTestDirectory* ldap) {
  using korvex::ConfigurationOverrides;
  ConfigurationOverrides::Set("CONNECTIONS", "KorvoCommonConnection_ConnectionString", connectionString);
  ConfigurationOverrides::Set("MEMBERSHIP", "Backend", "embedded");
  ConfigurationOverrides::Set("MEMBERSHIP", "PasswordHashOps", "1");
  ConfigurationOverrides::Set("MEMBERSHIP", "PasswordHashMemoryKiB", "8");
  ConfigurationOverrides::Set("MEMBERSHIP", "MemScriptUser", "script");
  ConfigurationOverrides::Set("MEMBERSHIP", "MemScriptCode", scriptPassword);
  ConfigurationOverrides::Set("MEMBERSHIP", "LDAPRoot", "");
  if (ldap) {
    for (const auto& [key, value] : ldap->BackendKeys())
      ConfigurationOverrides::Set("MEMBERSHIP", key, value);
  }
  infra::ResetConnectionStringCache();
  membership::CredentialCache::Process().Clear();
}

}  // namespace korvo::testing
