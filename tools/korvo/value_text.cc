#include "tools/korvo/value_text.h"

#include "platform/contracts/result_object.h"
#include "platform/runtime/collection.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/date.h"
#include "platform/runtime/dictionary.h"
#include "platform/utility/drecordset.h"

namespace korvo::tool {

namespace {

std::string DescribeResult(const contracts::ResultObject& result) {
  if (result.Succeeded()) return "succeeded, no messages";
  std::string text = "refused with";
  const char* separator = " ";
  for (const auto& message : result.MessageList()) {
    text += separator + message.code;
    if (message.parameter) text += " (" + *message.parameter + ")";
    separator = ", ";
  }
  return text;
}

// A paged listing as the page it shows: "page 1 of 3: [1001, "Alpha"], ...".
std::string DescribeListing(utility::DRecordset& listing) {
  std::string text = "page " + std::to_string(listing.PageNumber()) + " of " +
                     std::to_string(listing.PageCount()) + ":";
  const char* separator = " ";
  for (auto rows = listing.GetPageRecordset(); !rows->IsEOF(); rows->MoveNext()) {
    text += separator + std::string("[");
    for (std::int32_t i = 0; i < rows->FieldCount(); ++i)
      text += (i ? ", " : "") + DescribeValue(rows->Value(i));
    text += "]";
    separator = ", ";
  }
  return text;
}

std::string DescribeObject(const rt::ObjectRef& object) {
  if (!object) return "Nothing";
  if (auto* listing = dynamic_cast<utility::DRecordset*>(object.get())) return DescribeListing(*listing);
  if (auto* result = dynamic_cast<const contracts::ResultObject*>(object.get())) {
    return DescribeResult(*result);
  }
  if (auto* dictionary = dynamic_cast<const rt::Dictionary*>(object.get())) {
    std::string text = "{";
    for (const auto& entry : dictionary->Entries()) {
      if (text.size() > 1) text += ", ";
      text += DescribeValue(entry.key) + ": " + DescribeValue(entry.item);
    }
    return text + "}";
  }
  if (auto* collection = dynamic_cast<const rt::Collection*>(object.get())) {
    std::string text = "(";
    for (const auto& entry : collection->Entries()) {
      if (text.size() > 1) text += ", ";
      text += DescribeValue(entry.item);
    }
    return text + ")";
  }
  return "a " + object->TypeName() + " object";
}

}  // namespace

std::string DescribeValue(const rt::Variant& value) {
  switch (value.Type()) {
    case rt::VarType::Empty:
      return "Empty";
    case rt::VarType::Null:
      return "Null";
    case rt::VarType::Missing:
      return "(omitted)";
    case rt::VarType::String:
      return "\"" + value.AsString() + "\"";
    case rt::VarType::Date:
      return rt::FormatDate(value.AsDate());
    case rt::VarType::Object:
      return DescribeObject(value.AsObject());
    case rt::VarType::Array: {
      std::string text = "[";
      for (const auto& item : value.AsArray().items) {
        if (text.size() > 1) text += ", ";
        text += DescribeValue(item);
      }
      return text + "]";
    }
    default:
      return rt::CStr(value);
  }
}

std::string DescribeError(const rt::ErrorRecord& error, const std::string& indent) {
  std::string text = "error " + std::to_string(error.Number) + " (0x" + rt::Hex(error.Number) +
                     ") from " + error.Source + ", described as:";
  // The enriched description is CR LF separated, one block per handler,
  // and starts and ends with a line break.
  const std::string& description = error.Description;
  const auto first = description.find_first_not_of("\r\n");
  const auto last = description.find_last_not_of("\r\n");
  if (first == std::string::npos) return text + " (no description)";
  text += "\n" + indent;
  for (char c : description.substr(first, last - first + 1)) {
    if (c == '\r') continue;
    text += c;
    if (c == '\n') text += indent;
  }
  return text;
}

}  // namespace korvo::tool
