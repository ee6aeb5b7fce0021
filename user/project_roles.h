// A user's project roles as both user classes read and reorder them: the
// codes the directory holds for the user, kept only when ROLE has a row for
// them, the first being the user's default role.
//
// Thread-compatible: plain functions; the directory user belongs to the
// calling object.
#pragma once

#include <string>

#include "platform/contracts/membership.h"
#include "platform/runtime/dictionary.h"

namespace korvo::common {

// The user's project roles that have a ROLE row, code -> description as
// stored (untrimmed), in code order; empty when the user's first role code
// is empty. Read as a disconnected query on connectionString, preceded by
// the read-committed statement when readCommitted is true. No handler of
// its own: failures reach the caller as raised.
rt::DictionaryRef ReadProjectRoles(contracts::MembershipUser& user, const std::string& connectionString,
                                   bool readCommitted);

// The codes of `roles` in their order, with `role` (which must be one of
// them) moved to the front and the code it displaces put in its place.
rt::Array WithDefaultRoleFirst(const rt::Dictionary& roles, const std::string& role);

}  // namespace korvo::common
