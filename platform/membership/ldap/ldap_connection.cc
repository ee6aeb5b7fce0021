#include "platform/membership/ldap/ldap_connection.h"

#include <poll.h>
#include <sys/time.h>

#include <memory>

#include "platform/contracts/membership.h"
#include "platform/membership/directory_backend.h"
#include "platform/membership/directory_error.h"

namespace korvo::membership {

namespace {

constexpr const char* kSortControl = LDAP_CONTROL_SORTREQUEST;
constexpr const char* kPagingControl = LDAP_CONTROL_PAGEDRESULTS;
constexpr const char* kPasswordModify = LDAP_EXOP_MODIFY_PASSWD;

timeval AsTimeval(std::chrono::milliseconds duration) {
  return timeval{static_cast<time_t>(duration.count() / 1000),
                 static_cast<suseconds_t>((duration.count() % 1000) * 1000)};
}

berval View(const std::string& text) {
  return berval{static_cast<ber_len_t>(text.size()), const_cast<char*>(text.data())};
}

bool IsConnectionFailure(int code) {
  return code == LDAP_SERVER_DOWN || code == LDAP_CONNECT_ERROR || code == LDAP_TIMEOUT ||
         code == LDAP_UNAVAILABLE;
}

struct MessageDeleter {
  void operator()(LDAPMessage* message) const { ldap_msgfree(message); }
};
using Message = std::unique_ptr<LDAPMessage, MessageDeleter>;

struct ControlDeleter {
  void operator()(LDAPControl* control) const { ldap_control_free(control); }
};
using Control = std::unique_ptr<LDAPControl, ControlDeleter>;

struct ControlsDeleter {
  void operator()(LDAPControl** controls) const { ldap_controls_free(controls); }
};
using Controls = std::unique_ptr<LDAPControl*, ControlsDeleter>;

// The berval arrays of a list of attributes, as libldap's LDAPMod wants them.
class Modifications {
 public:
  Modifications(const std::vector<LdapAttribute>& attributes, int operation) {
    values_.resize(attributes.size());
    pointers_.resize(attributes.size());
    mods_.resize(attributes.size());
    for (std::size_t i = 0; i < attributes.size(); ++i) {
      for (const std::string& value : attributes[i].values) values_[i].push_back(View(value));
      for (berval& value : values_[i]) pointers_[i].push_back(&value);
      pointers_[i].push_back(nullptr);
      mods_[i].mod_op = operation | LDAP_MOD_BVALUES;
      mods_[i].mod_type = const_cast<char*>(attributes[i].name.c_str());
      mods_[i].mod_bvalues = pointers_[i].data();
      list_.push_back(&mods_[i]);
    }
    list_.push_back(nullptr);
  }
  LDAPMod** get() { return list_.data(); }

 private:
  std::vector<std::vector<berval>> values_;
  std::vector<std::vector<berval*>> pointers_;
  std::vector<LDAPMod> mods_;
  std::vector<LDAPMod*> list_;
};

// The attribute list of a search: NULL-terminated, "1.1" for none.
class AttributeList {
 public:
  explicit AttributeList(const std::vector<std::string>& names) {
    for (const std::string& name : names) list_.push_back(const_cast<char*>(name.c_str()));
    if (names.empty()) list_.push_back(const_cast<char*>(LDAP_NO_ATTRS));
    list_.push_back(nullptr);
  }
  char** get() { return list_.data(); }

 private:
  std::vector<char*> list_;
};

}  // namespace

const std::vector<std::string>& LdapEntry::Values(std::string_view name) const {
  static const std::vector<std::string> kNone;
  const std::string folded = FoldCase(name);
  for (const LdapAttribute& attribute : attributes) {
    if (FoldCase(attribute.name) == folded) return attribute.values;
  }
  return kNone;
}

LdapConnection::LdapConnection(const LdapSettings& settings) : settings_(settings) {
  if (ldap_initialize(&ld_, settings_.url.c_str()) != LDAP_SUCCESS || !ld_) {
    if (ld_) ldap_unbind_ext_s(ld_, nullptr, nullptr);
    ld_ = nullptr;
    RaiseDirectoryError(contracts::membership_error::kDirectoryUnavailable, kMembersSource,
                        "the LDAP URL \"" + settings_.url + "\" is not valid");
  }
  const int version = LDAP_VERSION3;
  const timeval network = AsTimeval(settings_.connectTimeout);
  const timeval operation = AsTimeval(settings_.timeout);
  ldap_set_option(ld_, LDAP_OPT_PROTOCOL_VERSION, &version);
  ldap_set_option(ld_, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
  ldap_set_option(ld_, LDAP_OPT_NETWORK_TIMEOUT, &network);
  ldap_set_option(ld_, LDAP_OPT_TIMEOUT, &operation);
  const int demand = LDAP_OPT_X_TLS_DEMAND;
  ldap_set_option(ld_, LDAP_OPT_X_TLS_REQUIRE_CERT, &demand);
  if (!settings_.caFile.empty()) {
    ldap_set_option(ld_, LDAP_OPT_X_TLS_CACERTFILE, settings_.caFile.c_str());
  }
  const int server = 0;
  ldap_set_option(ld_, LDAP_OPT_X_TLS_NEWCTX, &server);
  if (settings_.startTls) {
    try {
      Check(ldap_start_tls_s(ld_, nullptr, nullptr), "StartTLS", {LDAP_SUCCESS});
    } catch (...) {
      ldap_unbind_ext_s(ld_, nullptr, nullptr);  // no destructor runs for a failed constructor
      ld_ = nullptr;
      throw;
    }
  }
}

LdapConnection::~LdapConnection() {
  if (ld_) ldap_unbind_ext_s(ld_, nullptr, nullptr);
}

bool LdapConnection::IsUsable() {
  if (broken_) return false;
  int descriptor = -1;
  if (ldap_get_option(ld_, LDAP_OPT_DESC, &descriptor) != LDAP_OPT_SUCCESS || descriptor < 0) {
    return true;  // not connected yet: the next operation connects
  }
  // Idle, nothing should arrive: readable means the server closed the
  // connection (or announced it would).
  pollfd idle{descriptor, POLLIN, 0};
  return poll(&idle, 1, 0) == 0;
}

void LdapConnection::Fail(int code, std::string_view operation) {
  char* diagnostic = nullptr;
  ldap_get_option(ld_, LDAP_OPT_DIAGNOSTIC_MESSAGE, &diagnostic);
  std::string text = "the LDAP server at " + settings_.url + " failed " + std::string(operation) + ": " +
                     ldap_err2string(code);
  if (diagnostic && *diagnostic) text += " (" + std::string(diagnostic) + ")";
  ldap_memfree(diagnostic);
  if (IsConnectionFailure(code)) {
    broken_ = true;
    throw ConnectionLost(text, code == LDAP_TIMEOUT);
  }
  RaiseDirectoryError(contracts::membership_error::kDirectoryUnavailable, kMembersSource, text);
}

int LdapConnection::Check(int code, std::string_view operation, std::initializer_list<int> expected) {
  for (int allowed : expected) {
    if (code == allowed) return code;
  }
  Fail(code, operation);
}

int LdapConnection::Bind(const std::string& dn, const std::string& password) {
  berval credentials = View(password);
  const int code =
      ldap_sasl_bind_s(ld_, dn.c_str(), LDAP_SASL_SIMPLE, &credentials, nullptr, nullptr, nullptr);
  return Check(code, "the bind",
               {LDAP_SUCCESS, LDAP_INVALID_CREDENTIALS, LDAP_INVALID_DN_SYNTAX,
                LDAP_UNWILLING_TO_PERFORM, LDAP_INAPPROPRIATE_AUTH});
}

const ServerFeatures& LdapConnection::Features() {
  if (featuresRead_) return features_;
  int code = LDAP_SUCCESS;
  const LdapSearch root{.base = "",
                        .scope = SearchScope::Base,
                        .filter = "(objectClass=*)",
                        .attributes = {"supportedControl", "supportedExtension"}};
  const std::vector<LdapEntry> entries = Search(root, code);
  if (!entries.empty()) {
    for (const std::string& oid : entries[0].Values("supportedControl")) {
      features_.sorting |= oid == kSortControl;
      features_.paging |= oid == kPagingControl;
    }
    for (const std::string& oid : entries[0].Values("supportedExtension")) {
      features_.passwordModify |= oid == kPasswordModify;
    }
  }
  featuresRead_ = true;
  return features_;
}

std::vector<LdapEntry> LdapConnection::Collect(LDAPMessage* result) {
  std::vector<LdapEntry> entries;
  for (LDAPMessage* message = ldap_first_entry(ld_, result); message;
       message = ldap_next_entry(ld_, message)) {
    LdapEntry entry;
    char* dn = ldap_get_dn(ld_, message);
    entry.dn = dn ? dn : "";
    ldap_memfree(dn);
    BerElement* cursor = nullptr;
    for (char* name = ldap_first_attribute(ld_, message, &cursor); name;
         name = ldap_next_attribute(ld_, message, cursor)) {
      LdapAttribute attribute{name, {}};
      berval** values = ldap_get_values_len(ld_, message, name);
      for (berval** value = values; value && *value; ++value) {
        attribute.values.emplace_back((*value)->bv_val, (*value)->bv_len);
      }
      ldap_value_free_len(values);
      ldap_memfree(name);
      entry.attributes.push_back(std::move(attribute));
    }
    ber_free(cursor, 0);
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<LdapEntry> LdapConnection::Search(const LdapSearch& search, int& code) {
  AttributeList attributes(search.attributes);
  Control sort;
  if (!search.sortAttribute.empty()) {
    LDAPSortKey key{const_cast<char*>(search.sortAttribute.c_str()),
                    const_cast<char*>(search.sortRule.c_str()), 0};
    LDAPSortKey* keys[] = {&key, nullptr};
    LDAPControl* control = nullptr;
    Check(ldap_create_sort_control(ld_, keys, 1, &control), "a sorted search", {LDAP_SUCCESS});
    sort.reset(control);
  }
  LDAPControl* controls[] = {sort.get(), nullptr};
  timeval timeout = AsTimeval(settings_.timeout);
  LDAPMessage* raw = nullptr;
  code = ldap_search_ext_s(ld_, search.base.c_str(),
                           search.scope == SearchScope::Base ? LDAP_SCOPE_BASE : LDAP_SCOPE_SUBTREE,
                           search.filter.c_str(), attributes.get(), 0, sort ? controls : nullptr,
                           nullptr, &timeout, search.sizeLimit, &raw);
  Message result(raw);
  Check(code, "a search", {LDAP_SUCCESS, LDAP_NO_SUCH_OBJECT, LDAP_SIZELIMIT_EXCEEDED});
  return Collect(result.get());
}

std::vector<LdapEntry> LdapConnection::SearchPaged(const LdapSearch& search, int pageSize) {
  AttributeList attributes(search.attributes);
  std::vector<LdapEntry> entries;
  berval cookie{0, nullptr};
  std::string cookieBytes;
  do {
    LDAPControl* page = nullptr;
    Check(ldap_create_page_control(ld_, pageSize, cookie.bv_len ? &cookie : nullptr, 1, &page),
          "a paged search", {LDAP_SUCCESS});
    Control pageControl(page);
    LDAPControl* controls[] = {page, nullptr};
    timeval timeout = AsTimeval(settings_.timeout);
    LDAPMessage* raw = nullptr;
    int code = ldap_search_ext_s(
        ld_, search.base.c_str(),
        search.scope == SearchScope::Base ? LDAP_SCOPE_BASE : LDAP_SCOPE_SUBTREE, search.filter.c_str(),
        attributes.get(), 0, controls, nullptr, &timeout, 0, &raw);
    Message result(raw);
    if (code == LDAP_SIZELIMIT_EXCEEDED) {
      RaiseDirectoryError(
          contracts::membership_error::kDirectoryUnavailable, kMembersSource,
          "the LDAP server at " + settings_.url +
              " stopped a paged search at its size limit; lift the limit for the library's "
              "account (OpenLDAP: olcLimits size.prtotal=unlimited)");
    }
    if (Check(code, "a paged search", {LDAP_SUCCESS, LDAP_NO_SUCH_OBJECT}) == LDAP_NO_SUCH_OBJECT) break;
    for (LdapEntry& entry : Collect(result.get())) entries.push_back(std::move(entry));
    LDAPControl** returned = nullptr;
    int resultCode = LDAP_SUCCESS;
    Check(ldap_parse_result(ld_, result.get(), &resultCode, nullptr, nullptr, nullptr, &returned, 0),
          "a paged search", {LDAP_SUCCESS});
    Controls returnedControls(returned);
    Check(resultCode, "a paged search", {LDAP_SUCCESS});
    LDAPControl* response = ldap_control_find(kPagingControl, returned, nullptr);
    cookieBytes.clear();
    if (response) {
      ber_int_t estimate = 0;
      berval next{0, nullptr};
      Check(ldap_parse_pageresponse_control(ld_, response, &estimate, &next), "a paged search",
            {LDAP_SUCCESS});
      cookieBytes.assign(next.bv_val ? next.bv_val : "", next.bv_len);
      ber_memfree(next.bv_val);
    }
    cookie = View(cookieBytes);
  } while (cookie.bv_len > 0);
  return entries;
}

int LdapConnection::Add(const std::string& dn, const std::vector<LdapAttribute>& attributes) {
  Modifications mods(attributes, LDAP_MOD_ADD);
  return Check(ldap_add_ext_s(ld_, dn.c_str(), mods.get(), nullptr, nullptr), "an add",
               {LDAP_SUCCESS, LDAP_ALREADY_EXISTS});
}

int LdapConnection::Modify(const std::string& dn, const std::vector<LdapChange>& changes) {
  Modifications mods(changes, LDAP_MOD_REPLACE);
  return Check(ldap_modify_ext_s(ld_, dn.c_str(), mods.get(), nullptr, nullptr), "a change",
               {LDAP_SUCCESS, LDAP_NO_SUCH_OBJECT});
}

int LdapConnection::Delete(const std::string& dn) {
  return Check(ldap_delete_ext_s(ld_, dn.c_str(), nullptr, nullptr), "a delete",
               {LDAP_SUCCESS, LDAP_NO_SUCH_OBJECT});
}

int LdapConnection::SetPassword(const std::string& dn, const std::string& password) {
  berval user = View(dn);
  berval secret = View(password);
  // libldap asserts on a NULL generated-password argument; none is asked for.
  berval generated{0, nullptr};
  const int code = ldap_passwd_s(ld_, &user, nullptr, &secret, &generated, nullptr, nullptr);
  ber_memfree(generated.bv_val);
  return Check(code, "a password change", {LDAP_SUCCESS, LDAP_NO_SUCH_OBJECT});
}

}  // namespace korvo::membership
