#include "platform/membership/ldap/ldap_settings.h"

#include <cmath>

#include "platform/contracts/membership.h"
#include "platform/membership/backend_registry.h"
#include "platform/membership/directory_error.h"
#include "platform/membership/ldap/ldap_names.h"
#include "platform/runtime/conversions.h"

namespace korvo::membership {

namespace {

constexpr const char* kDefaultUsers = "ou=users";

[[noreturn]] void Unusable(const std::string& what) {
  RaiseDirectoryError(contracts::membership_error::kDirectoryUnavailable, kMembersSource,
                      "the LDAP directory settings of section MEMBERSHIP: " + what);
}

std::string Required(const MembershipSettings& settings, const char* key) {
  std::string value = rt::Trim(settings.Value(key));
  if (value.empty()) Unusable(std::string(key) + " is not set");
  return value;
}

std::chrono::milliseconds Seconds(const MembershipSettings& settings, const char* key,
                                  std::chrono::milliseconds fallback) {
  const std::string text = rt::Trim(settings.Value(key));
  if (text.empty()) return fallback;
  const auto number = rt::ParseNumber(text);
  if (!number || !std::isfinite(*number) || *number <= 0 || *number > 3600) {
    Unusable(std::string(key) + " is not a number of seconds between 0 and 3600");
  }
  return std::chrono::milliseconds(static_cast<long long>(std::ceil(*number * 1000)));
}

bool Flag(const MembershipSettings& settings, const char* key) {
  const std::string text = rt::LCase(rt::Trim(settings.Value(key)));
  return text == "true" || text == "1" || text == "yes";
}

// "cn=x" under the root, or a user ID among the users.
std::string ScriptAccountDn(const std::string& account, const LdapSettings& ldap) {
  if (account.find('=') != std::string::npos) {
    std::string dn = account + "," + ldap.root;
    if (!ldapnames::IsDn(dn)) Unusable("MemScriptUser is not a valid relative name");
    return dn;
  }
  return ldapnames::ChildDn("uid", account, ldap.usersBase);
}

}  // namespace

LdapSettings ReadLdapSettings(const MembershipSettings& settings) {
  LdapSettings ldap;
  ldap.url = Required(settings, "LDAPURL");
  ldap.root = Required(settings, "LDAPRoot");
  if (!ldapnames::IsDn(ldap.root)) Unusable("LDAPRoot is not a valid name");
  std::string users = rt::Trim(settings.Value("LDAPUsers"));
  if (users.empty()) users = kDefaultUsers;
  ldap.usersBase = users + "," + ldap.root;
  if (!ldapnames::IsDn(ldap.usersBase)) Unusable("LDAPUsers is not a valid relative name");
  ldap.scriptDn = ScriptAccountDn(Required(settings, "MemScriptUser"), ldap);
  ldap.serviceDn = rt::Trim(settings.Value("LDAPServiceDN"));
  if (ldap.serviceDn.empty()) {
    ldap.serviceDn = ldap.scriptDn;
    ldap.servicePassword = settings.Value("MemScriptCode");
    if (ldap.servicePassword.empty()) Unusable("MemScriptCode is not set");
  } else {
    if (!ldapnames::IsDn(ldap.serviceDn)) Unusable("LDAPServiceDN is not a valid name");
    ldap.servicePassword = settings.Value("LDAPServiceCode");
    if (ldap.servicePassword.empty()) Unusable("LDAPServiceCode is not set");
  }
  ldap.timeout = Seconds(settings, "LDAPTimeout", ldap.timeout);
  ldap.connectTimeout = Seconds(settings, "LDAPConnectTimeout", ldap.connectTimeout);
  ldap.startTls = Flag(settings, "LDAPStartTLS");
  ldap.caFile = rt::Trim(settings.Value("LDAPCAFile"));
  return ldap;
}

}  // namespace korvo::membership
