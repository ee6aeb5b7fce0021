#include "user/internal/tuser_office.h"

namespace korvo::common::tuser {

namespace {

constexpr const char* kOfficeColumns[] = {kDescriptionField,
                                          "OFFICETYPE",
                                          "CURRENCYCODE",
                                          "ADDRESSID",
                                          "BUSINESSPARTNERID",
                                          "CREDITCARDNUMBER",
                                          "CREDITCARDEXPIRY",
                                          "CREDITCARDTYPE",
                                          "COSTCENTER",
                                          "WAREHOUSE",
                                          kShipToField,
                                          "ZRK_ZRKID",
                                          "FINANCIALDIMENSION1",
                                          "FINANCIALDIMENSION2",
                                          "FINANCIALDIMENSION3",
                                          "FINANCIALDIMENSION4",
                                          "FINANCIALDIMENSION5",
                                          "PROJECTPROP",
                                          "PLANPROP",
                                          "EXTENSIONPROP",
                                          "COSTCOMPONENTPROP",
                                          "ACTIVITYPROP",
                                          "ELEMENTPROP",
                                          "PROPERTYGROUPID"};

// Parallel to kOfficeColumns.
constexpr const char* kOfficeTypes[] = {"String", "Integer", "String", "Long",   "Long",   "String",
                                        "Date",   "Integer", "String", "String", "String", "Long",
                                        "String", "String",  "String", "String", "String", "Long",
                                        "Long",   "Long",    "Long",   "Long",   "Long",   "Long"};
static_assert(std::size(kOfficeColumns) == 24 && std::size(kOfficeTypes) == 24);

constexpr const char* kPropertyColumns[] = {"PROJECTPROP",       "PLANPROP",     "EXTENSIONPROP",
                                            "COSTCOMPONENTPROP", "ACTIVITYPROP", "ELEMENTPROP"};

constexpr const char* kUserColumns[] = {kUserIdField};

constexpr infra::ScriptTable kOfficeScript{kOfficeTable, kOfficeKind, kOfficeColumns, 1};
constexpr infra::ScriptTable kWriteTables[] = {kOfficeScript};
constexpr infra::ScriptTable kDeleteTables[] = {kOfficeScript, {"USER", kUserKind, kUserColumns, 1}};

}  // namespace

std::span<const char* const> OfficeFields() { return kOfficeColumns; }

const infra::DeclaredTypes& OfficeFieldTypes() {
  static const infra::DeclaredTypes types(kOfficeColumns, kOfficeTypes);
  return types;
}

std::span<const char* const> PropertyFields() { return kPropertyColumns; }

std::span<const infra::ScriptTable> WriteScriptTables() { return kWriteTables; }
std::span<const infra::ScriptTable> DeleteScriptTables() { return kDeleteTables; }

}  // namespace korvo::common::tuser
