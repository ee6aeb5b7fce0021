// Database access shared by the currency classes: their connection string,
// command parameters carrying the declared column kinds, and the errors the
// classes raise themselves.
//
// Module-internal. Thread-safe (the connection string is cached per thread
// by the infrastructure; nothing else is shared).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "infrastructure/common_errors.h"
#include "platform/contracts/database.h"
#include "platform/runtime/variant.h"

namespace korvo::common {

inline constexpr const char* kCurrencyProgId = "KorvoCommon.Currency";
inline constexpr const char* kTCurrencyProgId = "KorvoCommon.TCurrency";

// Both classes find their database the same way, application first.
// Configuration failures are reported as "KorvoCommon.Currency.ConnectionString".
// The thread's cached string itself (infra::ConnectionStringApplicationFirst).
const std::string& CurrencyConnectionString();

// A new open connection on CurrencyConnectionString(); the caller closes it.
contracts::ConnectionRef OpenCurrencyConnection();
// A new open connection found through the configuration alone, as the
// older write paths do (a blank cached string is read again); no handler of
// its own.
contracts::ConnectionRef OpenConfiguredConnection();

// An input parameter whose value is converted to the parameter's kind the
// way the data access layer binds a Variant to a typed parameter: Null and
// Empty bind as NULL, anything else is converted (a date text becomes a
// date, 1 for a Boolean becomes True). A value that does not convert raises
// the runtime's conversion error (13 Type mismatch, 6 Overflow).
contracts::Parameter InputParameter(std::string name, contracts::ParamType type,
                                    const rt::Variant& value, std::int32_t size = 0);

// The currency code as both classes bind it: "CurrencyCode", fixed text of
// three characters.
contracts::Parameter CurrencyCodeParameter(const rt::Variant& code);

// Raises one of the currency classes' own errors (source "KorvoCommon").
[[noreturn]] void RaiseCurrencyError(KorvoCommonError number, std::string description);

}  // namespace korvo::common
