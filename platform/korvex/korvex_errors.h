// Error numbers the framework components raise themselves, on top of the
// runtime's own (5 "Invalid procedure call or argument", 13 "Type mismatch",
// 91 "Object variable or With block variable not set").
#pragma once

#include <cstdint>

#include "platform/runtime/error.h"

namespace korvo::korvex::errnum {

// The configuration file exists but cannot be read, or a line of it is not
// INI syntax. The description names the file (and the line).
inline constexpr std::int32_t kConfigurationUnreadable = rt::errnum::kComponentBase + 0x1001;
// The configured log file cannot be opened or written.
inline constexpr std::int32_t kLogUnwritable = rt::errnum::kComponentBase + 0x1002;

}  // namespace korvo::korvex::errnum
