// Error numbers the paged record set and its page raise themselves (source
// "KorvoLibrary.DRecordset" or "KorvoLibrary.Page"), besides the data
// layer's own numbers for statements the database refuses, and
// 0x800A0E7D "Operation is not allowed when the object is closed." for
// moving through a record set that was never opened.
#pragma once

#include <cstdint>

#include "platform/runtime/error.h"

namespace korvo::utility::errnum {

// The sort order is not a list of column names of the listed
// statement with optional ASC or DESC.
inline constexpr std::int32_t kInvalidSortFields = rt::errnum::kComponentBase + 0x1101;
// The persisted state is malformed, was altered, or names what the listed
// statement does not have.
inline constexpr std::int32_t kInvalidPagingState = rt::errnum::kComponentBase + 0x1102;
// A page size below 1, or a page number below 1.
inline constexpr std::int32_t kInvalidPageArgument = rt::errnum::kComponentBase + 0x1103;
// The statement cannot be paged: no connection to run it on, not a SELECT
// whose columns can be told, or a key field that is not one of them.
inline constexpr std::int32_t kUnpageableListing = rt::errnum::kComponentBase + 0x1104;

inline constexpr const char* kDRecordsetSource = "KorvoLibrary.DRecordset";
inline constexpr const char* kPageSource = "KorvoLibrary.Page";

}  // namespace korvo::utility::errnum
