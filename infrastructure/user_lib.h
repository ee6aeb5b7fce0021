// Lib_UserLib: the user classes' way into the membership directory.
//
//   UL_CreateUO(userId): a KorvoMembership.User bound to the user with the
//     account and password of the web session ("REMOTE_ACCOUNT",
//     "REMOTE_PASSWORD"; a missing value is the empty text), passed
//     straight to Bind and kept nowhere else.
//   UL_CreateMO(): a KorvoMembership.Members for searches over all users.
//
// Both create their component through Gen_GetComponent, so inside a host
// context it joins the caller's transaction. Failures go through
// Err_Handle("Lib_UserLib.UL_CreateUO") / ("Lib_UserLib.UL_CreateMO") with
// no info; outside a host UL_CreateUO raises 0x80040000 with source
// "KorvoCommon.dll" and description "Unable to get object context" (then
// enriched by that handler) and creates nothing.
#pragma once

#include <memory>
#include <string>

#include "platform/contracts/membership.h"

namespace korvo::infra {

inline constexpr const char* kMembershipUserProgId = "KorvoMembership.User";
inline constexpr const char* kMembershipMembersProgId = "KorvoMembership.Members";

std::shared_ptr<contracts::MembershipUser> UL_CreateUO(const std::string& userId);
std::shared_ptr<contracts::MembershipMembers> UL_CreateMO();

}  // namespace korvo::infra
