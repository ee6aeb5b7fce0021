// Query helpers the user classes' concern files share. Module-internal.
#pragma once

#include <string>

#include "platform/contracts/database.h"
#include "platform/runtime/dictionary.h"

namespace korvo::common::user_queries {

// "KorvoCommon.User." + method: the name failures are reported under.
std::string MethodName(const std::string& method);

// The text as a quoted SQL literal, its quotes doubled.
std::string Quoted(const std::string& text);

// Every field of the current row, name -> value, Nulls included, in column
// order.
rt::DictionaryRef RowDictionary(const contracts::Recordset& row);

// The first row of sql as RowDictionary gives it, empty when there is none,
// read on a connection of its own. Failures are reported under `method`.
rt::DictionaryRef FirstRowDictionary(const std::string& sql, const std::string& method);

}  // namespace korvo::common::user_queries
