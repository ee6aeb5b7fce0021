// Directory entries and their LDAP form, both ways, after the attribute map
// (attribute_map.h): what a user entry holds when it is created, what a
// change of one attribute writes, and what an LDAP entry reads back as.
#pragma once

#include <string>
#include <vector>

#include "platform/membership/directory_backend.h"
#include "platform/membership/ldap/ldap_connection.h"

namespace korvo::membership::ldapentries {

// The object classes of a user entry.
inline constexpr const char* kPersonClass = "inetOrgPerson";
inline constexpr const char* kUserClass = "korvoUser";

// Whether an LDAP boolean attribute holds TRUE (case-blind; a missing
// attribute is false).
bool IsTrue(const std::vector<std::string>& values);

// The directory entry of an LDAP user entry. Its ID is the uid value that
// matches `userId` case-blind (the first uid when none does, e.g. in a
// search result); the parent reference reads as the parent's user ID.
Entry ToEntry(const LdapEntry& ldap, const std::string& userId);

// The LDAP attributes of a new user entry (object classes, uid, cn, sn and
// the entry's attributes); `usersBase` places the parent reference.
std::vector<LdapAttribute> NewEntryAttributes(const Entry& entry, const std::string& usersBase);

// The LDAP changes that give the directory attribute `name` the `values`
// on the user entry `current` (read with all its attributes). Raises
// kInvalidAttribute for the user ID, which cannot change.
std::vector<LdapChange> ChangesFor(const LdapEntry& current, const std::string& name,
                                   const std::vector<std::string>& values, const std::string& usersBase);

// The changes that give `current` the auxiliary class korvoUser, needed
// before any korvo attribute is written to an entry made by other tools;
// none when it has it already.
std::vector<LdapChange> AuxiliaryClassFor(const LdapEntry& current);

// The values `current` has now for each attribute `changes` touches, the
// changes that would put them back.
std::vector<LdapChange> Snapshot(const LdapEntry& current, const std::vector<LdapChange>& changes);

}  // namespace korvo::membership::ldapentries
