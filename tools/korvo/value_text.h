// Values and errors as a person reads them, for the demo's printout:
// texts quoted, amounts and numbers plain, dates as yyyy-mm-dd, arrays in
// brackets, dictionaries in braces, a result object as its verdict and
// message codes. Thread-safe (no shared state).
#pragma once

#include <string>

#include "platform/runtime/error.h"
#include "platform/runtime/variant.h"

namespace korvo::tool {

std::string DescribeValue(const rt::Variant& value);

// The error's number (decimal and hexadecimal), source and description,
// the description's lines indented by `indent`.
std::string DescribeError(const rt::ErrorRecord& error, const std::string& indent);

}  // namespace korvo::tool
