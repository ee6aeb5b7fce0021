#include "bench/ldap_directory.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "infrastructure/components.h"
#include "platform/korvex/configuration_overrides.h"
#include "platform/membership/directory.h"
#include "platform/membership/ldap/ldap_connection.h"
#include "platform/membership/ldap/ldap_settings.h"

namespace korvo::bench {
namespace {

// "MEMBERSHIP" settings from a map, for the backend's own reading of them.
class MapSettings final : public membership::MembershipSettings {
 public:
  explicit MapSettings(std::map<std::string, std::string> values) : values_(std::move(values)) {}
  std::string Value(std::string_view key) const override {
    const auto found = values_.find(std::string(key));
    return found == values_.end() ? std::string() : found->second;
  }
  const std::map<std::string, std::string>& Values() const { return values_; }

 private:
  std::map<std::string, std::string> values_;
};

std::string Option(const std::map<std::string, std::string>& options, const std::string& key) {
  const auto found = options.find(key);
  if (found == options.end()) throw std::runtime_error("KORVO_BENCH_LDAP names no " + key);
  return found->second;
}

MapSettings SettingsOf(const std::map<std::string, std::string>& options, const std::string& subtree) {
  std::ifstream codeFile(Option(options, "ScriptCodeFile"));
  std::string code;
  std::getline(codeFile, code);
  return MapSettings({{"Backend", "ldap"},
                      {"LDAPURL", Option(options, "URL")},
                      {"LDAPRoot", Option(options, "Root")},
                      {"LDAPUsers", subtree},
                      {"MemScriptUser", Option(options, "ScriptUser")},
                      {"MemScriptCode", code}});
}

void Check(int code, const char* what) {
  if (code != LDAP_SUCCESS) throw std::runtime_error(std::string(what) + ": " + ldap_err2string(code));
}

}  // namespace

std::optional<std::map<std::string, std::string>> LdapServer() {
  const char* text = std::getenv("KORVO_BENCH_LDAP");
  if (!text || !*text) return std::nullopt;
  std::map<std::string, std::string> options;
  const std::string all(text);
  for (std::size_t start = 0; start < all.size();) {
    std::size_t end = all.find(';', start);
    if (end == std::string::npos) end = all.size();
    const std::string pair = all.substr(start, end - start);
    const auto equals = pair.find('=');
    if (equals != std::string::npos) options[pair.substr(0, equals)] = pair.substr(equals + 1);
    start = end + 1;
  }
  return options;
}

LdapBenchDirectory::LdapBenchDirectory(const std::vector<membership::Entry>& users,
                                       const std::string& password) {
  const auto server = LdapServer();
  if (!server)
    throw std::runtime_error(
        "the LDAP rows need KORVO_BENCH_LDAP (scripts/ldap-server starts a server)");
  options_ = *server;
  subtree_ = "ou=bench-" + std::to_string(getpid());
  const MapSettings settings = SettingsOf(options_, subtree_);
  const membership::LdapSettings ldap = membership::ReadLdapSettings(settings);
  url_ = ldap.url;
  usersBase_ = ldap.usersBase;
  serviceDn_ = ldap.serviceDn;
  servicePassword_ = ldap.servicePassword;
  membership::LdapConnection connection(ldap);
  Check(connection.Bind(serviceDn_, servicePassword_), "bind");
  Check(connection.Add(usersBase_,
                       {{"objectClass", {"organizationalUnit"}}, {"ou", {subtree_.substr(3)}}}),
        "the users' subtree");
  Use();
  const auto directory = membership::Directory::Open();
  for (const membership::Entry& user : users) directory->Backend().Create(user, password);
}

LdapBenchDirectory::~LdapBenchDirectory() {
  try {
    const membership::LdapSettings ldap = membership::ReadLdapSettings(SettingsOf(options_, subtree_));
    membership::LdapConnection connection(ldap);
    if (connection.Bind(serviceDn_, servicePassword_) != LDAP_SUCCESS) return;
    auto entries = connection.SearchPaged({.base = usersBase_, .filter = "(objectClass=*)"}, 500);
    // A child's name is longer than its parent's: children go first.
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.dn.size() > b.dn.size(); });
    for (const auto& entry : entries) connection.Delete(entry.dn);
  } catch (const std::exception&) {
    // The throw-away server goes with its directory.
  }
}

void LdapBenchDirectory::Use() const {
  const MapSettings settings = SettingsOf(options_, subtree_);
  for (const auto& [key, value] : settings.Values()) {
    korvex::ConfigurationOverrides::Set("MEMBERSHIP", key, value);
  }
  infra::ResetConnectionStringCache();
}

LdapFloor::LdapFloor(const std::string& url, const std::string& dn, const std::string& password) {
  Check(ldap_initialize(&ld_, url.c_str()), "ldap_initialize");
  const int version = LDAP_VERSION3;
  ldap_set_option(ld_, LDAP_OPT_PROTOCOL_VERSION, &version);
  berval credentials{static_cast<ber_len_t>(password.size()), const_cast<char*>(password.data())};
  Check(ldap_sasl_bind_s(ld_, dn.c_str(), LDAP_SASL_SIMPLE, &credentials, nullptr, nullptr, nullptr),
        "bind");
}

LdapFloor::~LdapFloor() { ldap_unbind_ext_s(ld_, nullptr, nullptr); }

std::vector<std::pair<std::string, std::string>> LdapFloor::Search(const std::string& base,
                                                                   const std::string& filter,
                                                                   int sizeLimit) {
  char all[] = "*";
  char* attributes[] = {all, nullptr};
  LDAPMessage* result = nullptr;
  const int code = ldap_search_ext_s(ld_, base.c_str(), LDAP_SCOPE_SUBTREE, filter.c_str(), attributes,
                                     0, nullptr, nullptr, nullptr, sizeLimit, &result);
  std::vector<std::pair<std::string, std::string>> values;
  for (LDAPMessage* entry = ldap_first_entry(ld_, result); entry; entry = ldap_next_entry(ld_, entry)) {
    BerElement* position = nullptr;
    for (char* name = ldap_first_attribute(ld_, entry, &position); name;
         name = ldap_next_attribute(ld_, entry, position)) {
      berval** found = ldap_get_values_len(ld_, entry, name);
      for (int i = 0; found && found[i]; ++i)
        values.emplace_back(name, std::string(found[i]->bv_val, found[i]->bv_len));
      ldap_value_free_len(found);
      ldap_memfree(name);
    }
    ber_free(position, 0);
  }
  ldap_msgfree(result);
  Check(code, "search");
  return values;
}

}  // namespace korvo::bench
