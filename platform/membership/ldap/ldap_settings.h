// LdapSettings: where the LDAP directory is and how the library reaches it,
// from configuration section "MEMBERSHIP":
//   LDAPURL             the server: ldap://host:port/ or ldaps://host:port/
//   LDAPRoot            the directory root, e.g. dc=example,dc=com
//   LDAPUsers           the users' subtree below the root (default ou=users)
//   MemScriptUser       the script account: a relative name under the root
//                       ("cn=korvoscript") or a user ID
//   MemScriptCode       the script account's password
//   LDAPServiceDN       the DN the library itself binds with to read and
//                       write the directory (default: the script account)
//   LDAPServiceCode     its password (default: MemScriptCode)
//   LDAPTimeout         seconds one operation may take (default 10)
//   LDAPConnectTimeout  seconds a connection may take to open (default 5)
//   LDAPStartTLS        TRUE/1/yes: StartTLS on an ldap:// URL
//   LDAPCAFile          the CA certificates that must sign the server's one
#pragma once

#include <chrono>
#include <string>

namespace korvo::membership {

class MembershipSettings;

struct LdapSettings {
  std::string url;
  std::string root;
  std::string usersBase;        // full DN of the users' subtree
  std::string scriptDn;         // the script account's DN
  std::string serviceDn;        // the library's own account
  std::string servicePassword;  // never logged
  std::chrono::milliseconds timeout{10000};
  std::chrono::milliseconds connectTimeout{5000};
  bool startTls = false;
  std::string caFile;

  // What tells this directory from another one (server and users' subtree),
  // for the credential cache and the transaction's undo log.
  std::string Identity() const { return url + '\n' + usersBase; }

  bool operator==(const LdapSettings&) const = default;
};

// The settings, checked: raises kDirectoryUnavailable naming the first
// missing or unusable key (LDAPURL, LDAPRoot, MemScriptUser, MemScriptCode,
// LDAPServiceDN, ...).
LdapSettings ReadLdapSettings(const MembershipSettings& settings);

}  // namespace korvo::membership
