// The User class's member table is joined from one list per concern; each
// concern's source file contributes its own members. Module-internal.
#pragma once

#include "platform/host/dispatch_table.h"
#include "user/user.h"

namespace korvo::common::user_members {

using Builder = host::DispatchTable::Builder<User>;

void AddAttributeMembers(Builder& table);         // user_attributes.cc
void AddDerivedAttributeMembers(Builder& table);  // user_derived_attributes.cc
void AddDetailMembers(Builder& table);            // user_details.cc
void AddOfficeMembers(Builder& table);            // user_offices.cc
void AddOrganisationMembers(Builder& table);      // user_organisation.cc
void AddRoleMembers(Builder& table);              // user_roles.cc
void AddListMembers(Builder& table);              // user_lists.cc
void AddMailMembers(Builder& table);              // user_mail.cc
void AddRetiredMembers(Builder& table);           // user_retired.cc

}  // namespace korvo::common::user_members
