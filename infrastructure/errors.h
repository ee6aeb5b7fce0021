// Error reporting shared by every public method: enrichment of the current
// error's description with the method name, logging through Korvex.Log, and
// raising again with the same number, source and help fields.
//
// "The current error" is the exception being handled: call these inside a
// catch block. Outside one (or when the handled error has number 0) there is
// no current error. Thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/contracts/database.h"
#include "platform/runtime/error.h"
#include "platform/runtime/variant.h"

namespace korvo::infra {

using rt::ErrorRecord;
// An optional info argument: nullopt is "not supplied"; a supplied Null
// converts to the empty text.
using Info = std::optional<rt::Variant>;

// CR LF "ERROR 0x" hex, CR LF " METHOD: " method, CR LF " DESC: " description
// "." CR LF, then " INFO: " info "." CR LF when info was supplied.
std::string Err_FormatMessage(std::string_view description, std::int32_t number, std::string_view method,
                              const Info& info = std::nullopt);

// "" for a null connection or an empty error list; otherwise
// "Error(s) from connection object: " and " (i)description[native]" per error.
std::string Err_ConnectionErrors(const contracts::Connection* connection);

// The current error with its description enriched for method/info.
ErrorRecord Err_Capture(std::string_view method, const Info& info = std::nullopt);

// Raises a new error from the record's five fields.
[[noreturn]] void Err_RaiseRecord(const ErrorRecord& record);

// Writes a log entry for the current error (kind 0, source = the error's
// source) or, with no current error, the "Not an actual error" note (kind 1,
// source = method). Never raises for the note; may raise for kind 0.
void Err_Log(std::string_view method, const Info& info = std::nullopt);

// The last step of every handler: enrich, log (failures ignored), raise again.
// A no-op when there is no current error.
void Err_Handle(std::string_view method, const Info& info = std::nullopt);

// The same for an error record already captured (the handler's step 1 done
// before releasing resources): `current` is the error as rt::CurrentError()
// read it, not yet enriched. A record with Number 0 is a no-op.
void Err_HandleRecord(const ErrorRecord& current, std::string_view method,
                      const Info& info = std::nullopt);

}  // namespace korvo::infra
