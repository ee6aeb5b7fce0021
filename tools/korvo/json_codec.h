// ValueCodec: runtime values <-> the protocol's JSON encoding.
//
// Output is always typed: {"type": T, ...} for every kind; a String's
// password-like connection-string options are masked (secrets stay inside
// the process, korvex::MaskSecretOptions); objects as
// {"type": "Object", "object": handle, "class": name} with handles from the
// session's HandleTable. Input is typed or shorthand (a JSON string is a
// String, true/false a Boolean, null a Null, an integer an Integer when it
// fits 16 bits, else a Long, else a Double; a number with a fraction a
// Double; an array an Array of shorthand values). docs/protocol.md lists the
// encodings. Not thread-safe (it shares the session's handle table).
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "platform/runtime/variant.h"
#include "tools/korvo/handle_table.h"

namespace korvo::tool {

// JSON as the program reads and writes it: members keep their order.
using Json = nlohmann::ordered_json;

// A JSON value that does not encode a runtime value (unknown type, a number
// out of the kind's range, an unknown handle, ...). The session answers it
// with "Invalid params".
class CodecError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ValueCodec {
 public:
  explicit ValueCodec(HandleTable& handles) : handles_(handles) {}

  // The typed encoding of a value. Objects other than dictionaries,
  // collections and record sets get (or keep) a handle.
  Json Encode(const rt::Variant& value);
  // A value from its typed or shorthand encoding. Raises CodecError.
  rt::Variant Decode(const Json& json);

 private:
  Json Encode(const rt::Variant& value, int depth);
  Json EncodeObject(const rt::ObjectRef& object, int depth);
  rt::Variant Decode(const Json& json, int depth);
  rt::Variant DecodeTyped(const Json& json, int depth);
  rt::Variant DecodeRecordset(const Json& json, int depth);

  HandleTable& handles_;
};

// Money as the protocol writes it: a decimal text with at most four
// decimals and no trailing zeros ("88.7517", "10", "-0.5").
std::string FormatMoneyText(rt::Money money);
// The inverse; raises CodecError for anything but an optional sign, digits
// and at most four decimals, or a value outside the money range.
rt::Money ParseMoneyText(const std::string& text);

// JSON read with a bound on nesting, so a hostile line can neither exhaust
// the stack of the recursive code that handles values nor build a huge
// tree: containers deeper than kMaxJsonDepth are left out while reading,
// and `tooDeep` says so. The parse itself keeps its stack on the heap.
inline constexpr int kMaxJsonDepth = 256;
struct ReadJson {
  Json value;  // discarded when the text is not JSON
  bool tooDeep = false;
};
ReadJson ParseBounded(std::string_view text);

// One line of output: compact, UTF-8 kept as is (invalid sequences
// replaced rather than failing the response).
std::string DumpLine(const Json& json);

// The runtime kind names used as "type" tags and record-set field types.
std::string KindName(rt::VarType type);

}  // namespace korvo::tool
