// Statement pieces and reads shared by BusinessPartner's concern files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/contracts/database.h"
#include "platform/runtime/variant.h"

namespace korvo::common::bp_sql {

// "KorvoCommon.BusinessPartner." + method, the context failures are
// reported under.
std::string MethodContext(std::string_view method);

// A text between single quotes with its quotes doubled.
std::string Quoted(std::string_view text);
// A text made literal inside LIKE '%...%', quotes doubled.
std::string Containing(std::string_view text);
// An ID written into statement text: a whole number, else Type mismatch.
std::string Id(const rt::Variant& value);
// The elements of an array of IDs joined by ", ", each through Id(); a
// value that is not an array raises Type mismatch.
std::string IdList(const rt::Variant& ids);

// The disconnected read (read-committed) on the connection string.
contracts::RecordsetRef Read(const std::string& sql, const std::string& connectionString);
// True when the statement returns a row (read-committed).
bool Exists(const std::string& sql, const std::string& connectionString);
// Raise when the partner, the address or the group that a new link row
// would name does not exist, so that no link refers to nothing:
// KorvoCommonError BusinessPartnerNotFound / AddressNotFound, and
// EBusinessPartnerErrors BusinessPartnerNotFound for a group.
void RequirePartner(std::int32_t partnerId, const std::string& connectionString);
void RequireAddress(std::int32_t addressId, const std::string& connectionString);
void RequireGroup(std::int32_t groupId, const std::string& connectionString);

// Runs one write statement on a connection of its own; the affected rows.
std::int32_t Execute(const std::string& sql, const std::string& connectionString);

}  // namespace korvo::common::bp_sql
