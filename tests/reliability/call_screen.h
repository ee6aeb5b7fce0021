// What a call with hostile input may end in, and which statements it may
// issue: the two judgements the hostile-input suite applies to every call.
// Thread-safe (no shared state).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvo::reliability {

// Whether the library documents this error number: the runtime's numbers,
// the data layer's, the members of the public error enumerations, the
// directory's, the paged record set's and the mail component's, -1 (retired
// methods, invalid arguments) and the component base and base + 100. Not 51,
// the number an unexpected C++ exception is mapped to, nor 0.
bool IsDocumentedErrorNumber(std::int32_t number);

// Why a statement cannot be the calling method's own, judged with the data
// layer's tokenizer: a second statement after ";", a comment, a schema or
// session keyword (DROP, ATTACH, PRAGMA, ...), or `marker` anywhere but
// inside a string literal. Empty when the statement is sound.
std::string ForeignStatementReason(std::string_view sql, std::string_view marker);

}  // namespace korvo::reliability
