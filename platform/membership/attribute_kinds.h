// What the directory stores: the kinds of the attributes it knows, their
// canonical texts, and the limits on user IDs, attribute names and values.
//
// Every backend stores texts. The components convert a caller's value into
// its attribute's canonical text on the way in and back into the kind on
// the way out, so all backends read back the same values:
//   Text     any text
//   Int16    "-32768".."32767"      Int32  a 32-bit decimal
//   Money    "250", "-12.5" (at most four decimals)
//   Date     "yyyy-mm-dd" or "yyyy-mm-dd hh:nn:ss"
//   Boolean  "TRUE" / "FALSE"
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/runtime/variant.h"

namespace korvo::membership {

enum class AttributeKind { Text, Int16, Int32, Money, Date, Boolean };

inline constexpr std::size_t kMaxUserIdBytes = 256;
inline constexpr std::size_t kMaxAttributeNameLength = 64;
inline constexpr std::size_t kMaxValueBytes = 1024;

// The kind of a known attribute (name compared case-blind); Text otherwise.
AttributeKind KindOf(std::string_view attribute);

// 1..64 characters of A-Z, a-z, 0-9, '_' and '-'.
bool IsValidAttributeName(std::string_view name);
// 1..256 bytes, no control character (below U+0020, or DEL), no blank at
// either end.
bool IsValidUserId(std::string_view userId);
// At most 1024 bytes and no NUL.
bool IsStorableValue(std::string_view value);

// The canonical text of `value` as an attribute of `kind`: numbers and
// texts that read as that kind are accepted, anything else gives nullopt
// (a text "abc" for a 32-bit attribute, 70000 for a 16-bit one, an object).
std::optional<std::string> CanonicalValue(AttributeKind kind, const rt::Variant& value);

// A stored canonical text read back in its kind. A text that does not read
// as the kind (stored by another tool) comes back as the text itself.
rt::Variant ReadValue(AttributeKind kind, const std::string& text);

// The kind's empty value: "", 0 (16-bit, 32-bit), 0 currency, the zero date,
// False.
rt::Variant EmptyValue(AttributeKind kind);

}  // namespace korvo::membership
