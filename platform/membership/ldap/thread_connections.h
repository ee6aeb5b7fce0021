// The connections each thread keeps to a directory server, reused by every
// backend object the thread makes, and replaced when the server closed them
// (it restarted) or a failure broke them.
//   Service         bound as the script account: reads and writes
//   Authentication  used only to check a user's password with a bind
#pragma once

#include "platform/membership/ldap/ldap_connection.h"
#include "platform/membership/ldap/ldap_settings.h"

namespace korvo::membership {

enum class ConnectionRole { Service, Authentication };

// The calling thread's usable connection of `role` for `settings`, opened
// (and for Service bound) when there is none. Raises ConnectionLost when the
// server cannot be reached, kDirectoryUnavailable when the script account
// cannot bind.
LdapConnection& ThreadConnection(const LdapSettings& settings, ConnectionRole role);

// Closes that connection, after a failure made it useless.
void DropThreadConnection(const LdapSettings& settings, ConnectionRole role);

}  // namespace korvo::membership
