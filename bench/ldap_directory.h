// LdapBenchDirectory: a users' subtree of its own on the throw-away LDAP
// server bench/run starts (scripts/ldap-server), filled with users through
// the library's LDAP backend, and removed with everything in it at the end;
// and LdapFloor, the reading of one user's entry written by hand with
// libldap, the yardstick of the library's reads there.
//
// The server is named by the environment variable KORVO_BENCH_LDAP, its
// options as scripts/ldap-server prints them ("URL=...;Root=...;
// Users=...;ScriptUser=...;ScriptCodeFile=..."). Non-copyable.
#pragma once

#include <ldap.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/membership/directory_backend.h"

namespace korvo::bench {

// The server's options from KORVO_BENCH_LDAP; nullopt when unset or empty.
std::optional<std::map<std::string, std::string>> LdapServer();

class LdapBenchDirectory {
 public:
  // A new subtree holding `users`, each with the password `password`.
  // Throws std::runtime_error without a server, or when the subtree cannot
  // be made.
  LdapBenchDirectory(const std::vector<membership::Entry>& users, const std::string& password);
  ~LdapBenchDirectory();
  LdapBenchDirectory(const LdapBenchDirectory&) = delete;
  LdapBenchDirectory& operator=(const LdapBenchDirectory&) = delete;

  // Points the library's "MEMBERSHIP" settings at this subtree.
  void Use() const;

  const std::string& Url() const { return url_; }
  const std::string& UsersBase() const { return usersBase_; }
  const std::string& ServiceDn() const { return serviceDn_; }
  const std::string& ServicePassword() const { return servicePassword_; }

 private:
  std::map<std::string, std::string> options_;
  std::string url_;
  std::string subtree_;  // e.g. "ou=bench-123"
  std::string usersBase_;
  std::string serviceDn_;
  std::string servicePassword_;  // never printed
};

// One connection bound once with the service account; Search runs one
// subtree search and hands each entry's attributes to the caller.
class LdapFloor {
 public:
  LdapFloor(const std::string& url, const std::string& dn, const std::string& password);
  ~LdapFloor();
  LdapFloor(const LdapFloor&) = delete;
  LdapFloor& operator=(const LdapFloor&) = delete;

  // Every value of every attribute of the matching entries, as (name, value)
  // pairs in the server's order. Throws std::runtime_error on failure.
  std::vector<std::pair<std::string, std::string>> Search(const std::string& base,
                                                          const std::string& filter, int sizeLimit);

 private:
  LDAP* ld_ = nullptr;
};

}  // namespace korvo::bench
