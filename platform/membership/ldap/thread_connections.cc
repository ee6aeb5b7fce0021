#include "platform/membership/ldap/thread_connections.h"

#include <map>
#include <memory>

#include "platform/contracts/membership.h"
#include "platform/membership/directory_error.h"

namespace korvo::membership {

namespace {

struct HeldConnection {
  LdapSettings settings;
  std::unique_ptr<LdapConnection> connection;
};

std::map<std::string, HeldConnection>& Held() {
  thread_local std::map<std::string, HeldConnection> held;
  return held;
}

std::string Key(const LdapSettings& settings, ConnectionRole role) {
  return (role == ConnectionRole::Service ? "service\n" : "authentication\n") + settings.url + '\n' +
         settings.serviceDn;
}

std::unique_ptr<LdapConnection> Open(const LdapSettings& settings, ConnectionRole role) {
  auto connection = std::make_unique<LdapConnection>(settings);
  if (role == ConnectionRole::Service &&
      connection->Bind(settings.serviceDn, settings.servicePassword) != LDAP_SUCCESS) {
    RaiseDirectoryError(
        contracts::membership_error::kDirectoryUnavailable, kMembersSource,
        "the LDAP server at " + settings.url + " refused the script account " + settings.serviceDn);
  }
  return connection;
}

}  // namespace

LdapConnection& ThreadConnection(const LdapSettings& settings, ConnectionRole role) {
  HeldConnection& held = Held()[Key(settings, role)];
  if (held.connection && (!(held.settings == settings) || !held.connection->IsUsable())) {
    held.connection.reset();
  }
  if (!held.connection) {
    held.connection = Open(settings, role);
    held.settings = settings;
  }
  return *held.connection;
}

void DropThreadConnection(const LdapSettings& settings, ConnectionRole role) {
  Held().erase(Key(settings, role));
}

}  // namespace korvo::membership
