// Search criteria as LDAP filters. Every value is escaped as RFC 4515 says,
// so no character of it has a meaning in the filter.
//
// "=" becomes an equality match (case-blind: every attribute used matches
// with caseIgnoreMatch). ">=" becomes an ordering match with
// caseIgnoreOrderingMatch: directly on the korvo* attributes, which have
// that ordering rule, and on the user ID (whose uid attribute has no
// ordering rule) as "not before", (!(uid:caseIgnoreOrderingMatch:=v)).
// What LDAP cannot say exactly (">=" on an attribute kept in korvoAttribute,
// on the parent, or on a standard attribute that may hold several values)
// is narrowed by the server and decided by the library on the entries.
#pragma once

#include <string>
#include <vector>

#include "platform/membership/directory_backend.h"

namespace korvo::membership::ldapfilters {

struct UserFilter {
  std::string filter;                // for the server
  std::vector<Criterion> onEntries;  // still to be checked on each entry
};

// The filter of the users matching every criterion.
UserFilter ForCriteria(const std::vector<Criterion>& criteria, const std::string& usersBase);

// The filter of the users with any of the IDs (each matched as the user-ID
// criterion "=" matches it).
std::string ForUserIds(const std::vector<std::string>& userIds);

// Whether the directory entry meets the criterion (case-blind comparison,
// as the contract says).
bool Meets(const Entry& entry, const Criterion& criterion);

}  // namespace korvo::membership::ldapfilters
