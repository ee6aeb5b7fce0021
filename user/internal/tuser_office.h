// The office as TUser's script methods and business rules see it: the
// fields of an office data object with their declared types, in the order
// the data object lists them, which is also the column order of the INSERT;
// the script tables; and the six property fields the reference tests read.
//
// Module-internal. Immutable data, safe to read from any thread.
#pragma once

#include <span>

#include "infrastructure/script_data_object.h"

namespace korvo::common::tuser {

inline constexpr const char* kOfficeKind = "OfficeDataObject";
inline constexpr const char* kUserKind = "UserDataObject";

inline constexpr const char* kOfficeTable = "OFFICE";
inline constexpr const char* kDescriptionField = "OFFICEDESCRIPTION";
inline constexpr const char* kShipToField = "SHIPTOCONTACTINFORMATION";
inline constexpr const char* kOfficeTypeField = "OFFICETYPE";
inline constexpr const char* kUserIdField = "USERID";

// Every office field in data-object (and INSERT column) order; the
// description, first, names the office.
std::span<const char* const> OfficeFields();

// The declared type of every office field, for the data-type check.
const infra::DeclaredTypes& OfficeFieldTypes();

// PROJECTPROP, PLANPROP, EXTENSIONPROP, COSTCOMPONENTPROP, ACTIVITYPROP,
// ELEMENTPROP, in that order.
std::span<const char* const> PropertyFields();

// The tables the insert and update scripts accept ("OFFICE"), and those the
// delete script accepts ("OFFICE" by description, "USER" by user id).
std::span<const infra::ScriptTable> WriteScriptTables();
std::span<const infra::ScriptTable> DeleteScriptTables();

}  // namespace korvo::common::tuser
