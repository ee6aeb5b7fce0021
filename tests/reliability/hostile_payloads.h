// The hostile-input corpus: values a careless or malicious caller may hand
// to any public method. Texts that would change a statement if they reached
// it unquoted carry kMarker, so a statement holding the marker outside a
// string literal shows that caller text became SQL.
// Thread-safe after the first call (built once, immutable).
#pragma once

#include <string>
#include <vector>

#include "platform/runtime/variant.h"

namespace korvo::reliability {

inline constexpr const char* kMarker = "KORVOPWN";

struct Payload {
  std::string name;  // for failure messages
  rt::Variant value;
};

// Quotes and "'; DROP TABLE ...", comment markers, LIKE wildcards and
// brackets, very long texts, texts with NUL or invalid UTF-8, numbers where
// texts are expected and the reverse, Null, Empty, Missing, arrays, objects
// (hostile data objects among them), out-of-range numbers, impossible dates.
const std::vector<Payload>& HostilePayloads();

}  // namespace korvo::reliability
