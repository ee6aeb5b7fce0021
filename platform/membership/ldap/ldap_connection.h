// LdapConnection: one connection to the directory server through libldap,
// with the settings' timeouts and TLS, and the few operations the backend
// makes, in the library's own types.
//
// Results the caller decides about (no such entry, entry exists, invalid
// credentials) come back as LDAP result codes. Failures of the connection
// itself (the server is down or went away, an operation outran its timeout)
// raise ConnectionLost and leave the connection unusable; any other failure
// raises kDirectoryUnavailable with libldap's text. Passwords never appear
// in any text raised. Owned by one thread.
#pragma once

#include <ldap.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/membership/ldap/ldap_settings.h"

namespace korvo::membership {

// The connection failed; the caller may open a new one and try again,
// unless the server let an operation outrun its timeout (it may be hung, and
// a second try would double the caller's wait).
class ConnectionLost : public std::runtime_error {
 public:
  ConnectionLost(const std::string& what, bool timedOut)
      : std::runtime_error(what), timedOut_(timedOut) {}
  bool timedOut() const { return timedOut_; }

 private:
  bool timedOut_;
};

// One attribute of an entry as the server returned it.
struct LdapAttribute {
  std::string name;
  std::vector<std::string> values;
};

struct LdapEntry {
  std::string dn;
  std::vector<LdapAttribute> attributes;
  // The values of `name` (case-blind); empty when absent.
  const std::vector<std::string>& Values(std::string_view name) const;
};

// One attribute's new values (REPLACE; no values removes the attribute).
using LdapChange = LdapAttribute;

enum class SearchScope { Base, Subtree };

struct LdapSearch {
  std::string base{};
  SearchScope scope = SearchScope::Subtree;
  std::string filter{};
  std::vector<std::string> attributes{};  // empty: no attributes ("1.1")
  int sizeLimit = 0;                      // 0: the server's own limit
  std::string sortAttribute{};            // with sortRule: a server-side sort
  std::string sortRule{};
};

// What the server announces in its root entry.
struct ServerFeatures {
  bool sorting = false;         // server-side sort control
  bool paging = false;          // paged-results control
  bool passwordModify = false;  // Password Modify extended operation
};

class LdapConnection {
 public:
  // Connects (and with LDAPStartTLS, starts TLS) within the connect timeout.
  // Raises ConnectionLost when the server cannot be reached.
  explicit LdapConnection(const LdapSettings& settings);
  ~LdapConnection();
  LdapConnection(const LdapConnection&) = delete;
  LdapConnection& operator=(const LdapConnection&) = delete;

  // A simple bind; LDAP_SUCCESS or the server's refusal
  // (LDAP_INVALID_CREDENTIALS, ...). Never called with an empty password.
  int Bind(const std::string& dn, const std::string& password);

  // False once a failure broke it or the server closed it while idle.
  bool IsUsable();

  // Read from the root entry at first use.
  const ServerFeatures& Features();

  // The entries found; LDAP_SUCCESS, LDAP_NO_SUCH_OBJECT (base absent) or
  // LDAP_SIZELIMIT_EXCEEDED (entries up to the limit were kept) in `code`.
  std::vector<LdapEntry> Search(const LdapSearch& search, int& code);
  // Every entry found, fetched in pages of `pageSize` through the
  // paged-results control (which the server must announce).
  std::vector<LdapEntry> SearchPaged(const LdapSearch& search, int pageSize);

  int Add(const std::string& dn, const std::vector<LdapAttribute>& attributes);
  int Modify(const std::string& dn, const std::vector<LdapChange>& changes);
  int Delete(const std::string& dn);
  // Password Modify: the server hashes and stores `password` for `dn`.
  int SetPassword(const std::string& dn, const std::string& password);

 private:
  // Raises for connection failures and unexpected codes; returns `code`
  // when it is one of `expected`.
  int Check(int code, std::string_view operation, std::initializer_list<int> expected);
  [[noreturn]] void Fail(int code, std::string_view operation);
  std::vector<LdapEntry> Collect(LDAPMessage* result);

  const LdapSettings settings_;
  LDAP* ld_ = nullptr;
  bool broken_ = false;
  bool featuresRead_ = false;
  ServerFeatures features_;
};

}  // namespace korvo::membership
