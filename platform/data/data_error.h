// Error sources and numbers of the data layer beyond those of the database
// contract (platform/contracts/database.h).
#pragma once

#include <cstdint>

namespace korvo::data {

// Sources named in errors the data objects raise themselves, under the data
// access objects' names that callers test for.
inline constexpr const char* kConnectionSource = "ADODB.Connection";
inline constexpr const char* kRecordsetSource = "ADODB.Recordset";

// 0x800A0E79 "Operation is not allowed when the object is open."
inline constexpr std::int32_t kObjectOpen = static_cast<std::int32_t>(0x800A0E79u);
// 0x800A0C93 "Operation is not allowed in this context."
inline constexpr std::int32_t kIllegalOperation = static_cast<std::int32_t>(0x800A0C93u);

}  // namespace korvo::data
