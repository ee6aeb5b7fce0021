#include "tools/korvo/json_codec.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "platform/contracts/database.h"
#include "platform/data/recordset.h"
#include "platform/korvex/secret_mask.h"
#include "platform/runtime/collection.h"
#include "platform/runtime/date.h"
#include "platform/runtime/dictionary.h"
#include "platform/runtime/error.h"

namespace korvo::tool {

namespace {

// Values nest (an array of dictionaries of arrays...); a self-containing
// dictionary must fail cleanly instead of exhausting the stack.
constexpr int kMaxDepth = 64;

void CheckDepth(int depth) {
  if (depth > kMaxDepth) throw CodecError("value nested more than 64 levels deep");
}

const Json& Member(const Json& json, const char* name) {
  auto it = json.find(name);
  if (it == json.end()) throw CodecError(std::string("missing \"") + name + "\"");
  return *it;
}

const Json& ArrayMember(const Json& json, const char* name) {
  const Json& value = Member(json, name);
  if (!value.is_array()) throw CodecError(std::string("\"") + name + "\" must be an array");
  return value;
}

// JSON has no NaN or infinities; they travel as these texts.
Json EncodeDouble(double d) {
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
  return d;
}

double DecodeDouble(const Json& value) {
  if (value.is_number()) return value.get<double>();
  if (value == "NaN") return std::numeric_limits<double>::quiet_NaN();
  if (value == "Infinity") return std::numeric_limits<double>::infinity();
  if (value == "-Infinity") return -std::numeric_limits<double>::infinity();
  throw CodecError("expected a number");
}

// A Single written through its shortest decimal form, so 0.1f reads back
// as 0.1 rather than 0.100000001490116.
Json EncodeSingle(float f) {
  if (!std::isfinite(f)) return EncodeDouble(f);
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, f);
  double shortest = 0;
  std::from_chars(buffer, end, shortest);
  return shortest;
}

template <class T>
T DecodeInteger(const Json& value, const char* kind) {
  if (!value.is_number_integer()) throw CodecError(std::string(kind) + " needs an integer");
  if (value.is_number_unsigned()) {
    auto u = value.get<std::uint64_t>();
    if (u <= static_cast<std::uint64_t>(std::numeric_limits<T>::max())) return static_cast<T>(u);
  } else {
    auto i = value.get<std::int64_t>();
    if (i >= std::numeric_limits<T>::min() && i <= std::numeric_limits<T>::max()) {
      return static_cast<T>(i);
    }
  }
  throw CodecError(std::string(kind) + " out of range");
}

const std::string& StringValue(const Json& value, const char* kind) {
  if (!value.is_string()) throw CodecError(std::string(kind) + " needs a string");
  return value.get_ref<const std::string&>();
}

rt::Variant DecodeShorthandNumber(const Json& value) {
  if (value.is_number_float()) return value.get<double>();
  if (value.is_number_unsigned()) {
    auto u = value.get<std::uint64_t>();
    if (u <= 32767) return static_cast<std::int16_t>(u);
    if (u <= 2147483647) return static_cast<std::int32_t>(u);
    return static_cast<double>(u);
  }
  auto i = value.get<std::int64_t>();
  if (i >= -32768 && i <= 32767) return static_cast<std::int16_t>(i);
  if (i >= std::numeric_limits<std::int32_t>::min() && i <= std::numeric_limits<std::int32_t>::max()) {
    return static_cast<std::int32_t>(i);
  }
  return static_cast<double>(i);
}

rt::VarType KindFromName(const std::string& name) {
  for (int kind = 0; kind <= static_cast<int>(rt::VarType::Missing); ++kind) {
    if (KindName(static_cast<rt::VarType>(kind)) == name) return static_cast<rt::VarType>(kind);
  }
  throw CodecError("unknown field type \"" + name + "\"");
}

}  // namespace

std::string DumpLine(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string KindName(rt::VarType type) {
  switch (type) {
    case rt::VarType::Empty:
      return "Empty";
    case rt::VarType::Null:
      return "Null";
    case rt::VarType::Byte:
      return "Byte";
    case rt::VarType::Integer:
      return "Integer";
    case rt::VarType::Long:
      return "Long";
    case rt::VarType::Single:
      return "Single";
    case rt::VarType::Double:
      return "Double";
    case rt::VarType::Currency:
      return "Currency";
    case rt::VarType::Date:
      return "Date";
    case rt::VarType::String:
      return "String";
    case rt::VarType::Boolean:
      return "Boolean";
    case rt::VarType::Object:
      return "Object";
    case rt::VarType::Array:
      return "Array";
    case rt::VarType::Missing:
      return "Missing";
  }
  return "Empty";
}

std::string FormatMoneyText(rt::Money money) {
  const bool negative = money.units < 0;
  // Unsigned arithmetic: the most negative amount has no positive twin.
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(money.units) : static_cast<std::uint64_t>(money.units);
  std::string text = negative ? "-" : "";
  text += std::to_string(magnitude / rt::Money::kScale);
  std::string fraction = std::to_string(magnitude % rt::Money::kScale);
  fraction.insert(0, 4 - fraction.size(), '0');
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  if (!fraction.empty()) text += "." + fraction;
  return text;
}

rt::Money ParseMoneyText(const std::string& text) {
  const char* p = text.data();
  const char* end = p + text.size();
  const bool negative = p != end && *p == '-';
  if (p != end && (*p == '-' || *p == '+')) ++p;
  const char* dot = std::find(p, end, '.');
  const std::size_t decimals = dot == end ? 0 : static_cast<std::size_t>(end - dot - 1);
  auto isDigits = [](const char* from, const char* to) {
    return std::all_of(from, to, [](char c) { return c >= '0' && c <= '9'; });
  };
  if (p == dot || decimals > 4 || !isDigits(p, dot) || (dot != end && !isDigits(dot + 1, end))) {
    throw CodecError("Currency needs a decimal text with at most four decimals, got \"" + text + "\"");
  }
  std::string digits(p, dot);
  if (dot != end) digits.append(dot + 1, end);
  digits.append(4 - decimals, '0');
  std::uint64_t magnitude = 0;
  auto [last, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
  const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
  if (ec != std::errc() || magnitude > limit) throw CodecError("Currency out of range: " + text);
  return rt::Money::FromUnits(negative ? static_cast<std::int64_t>(0 - magnitude)
                                       : static_cast<std::int64_t>(magnitude));
}

ReadJson ParseBounded(std::string_view text) {
  ReadJson read;
  // Depth counts the containers around an event; anything past the bound
  // is dropped before it is built (and everything inside it with it).
  auto bound = [&read](int depth, Json::parse_event_t, Json&) {
    if (depth < kMaxJsonDepth) return true;
    read.tooDeep = true;
    return false;
  };
  read.value = Json::parse(text, bound, /*allow_exceptions=*/false);
  return read;
}

Json ValueCodec::Encode(const rt::Variant& value) { return Encode(value, 0); }

Json ValueCodec::Encode(const rt::Variant& value, int depth) {
  CheckDepth(depth);
  Json out = {{"type", KindName(value.Type())}};
  switch (value.Type()) {
    case rt::VarType::Empty:
    case rt::VarType::Null:
    case rt::VarType::Missing:
      break;
    case rt::VarType::Byte:
      out["value"] = value.AsByte();
      break;
    case rt::VarType::Integer:
      out["value"] = value.AsInteger();
      break;
    case rt::VarType::Long:
      out["value"] = value.AsLong();
      break;
    case rt::VarType::Single:
      out["value"] = EncodeSingle(value.AsSingle());
      break;
    case rt::VarType::Double:
      out["value"] = EncodeDouble(value.AsDouble());
      break;
    case rt::VarType::Currency:
      out["value"] = FormatMoneyText(value.AsMoney());
      break;
    case rt::VarType::Date:
      out["value"] = rt::FormatIsoDate(value.AsDate());
      break;
    case rt::VarType::String:
      out["value"] = korvex::MaskSecretOptions(value.AsString());
      break;
    case rt::VarType::Boolean:
      out["value"] = value.AsBool();
      break;
    case rt::VarType::Object:
      return EncodeObject(value.AsObject(), depth);
    case rt::VarType::Array: {
      Json items = Json::array();
      for (const auto& item : value.AsArray().items) items.push_back(Encode(item, depth + 1));
      out["value"] = std::move(items);
      out["lbound"] = value.AsArray().lbound;
      break;
    }
  }
  return out;
}

Json ValueCodec::EncodeObject(const rt::ObjectRef& object, int depth) {
  if (!object) return {{"type", "Nothing"}};
  if (auto* dictionary = dynamic_cast<const rt::Dictionary*>(object.get())) {
    Json pairs = Json::array();
    for (const auto& entry : dictionary->Entries()) {
      pairs.push_back(Json::array({Encode(entry.key, depth + 1), Encode(entry.item, depth + 1)}));
    }
    return {{"type", "Dictionary"}, {"value", std::move(pairs)}};
  }
  if (auto* collection = dynamic_cast<const rt::Collection*>(object.get())) {
    Json entries = Json::array();
    for (const auto& entry : collection->Entries()) {
      entries.push_back({{"key", entry.key ? Json(*entry.key) : Json(nullptr)},
                         {"item", Encode(entry.item, depth + 1)}});
    }
    return {{"type", "Collection"}, {"value", std::move(entries)}};
  }
  if (auto* recordset = dynamic_cast<const contracts::Recordset*>(object.get())) {
    Json fields = Json::array();
    Json rows = Json::array();
    if (recordset->IsOpen()) {
      for (std::int32_t i = 0; i < recordset->FieldCount(); ++i) {
        const auto& field = recordset->Field(i);
        fields.push_back({{"name", field.name}, {"type", KindName(field.type)}});
      }
      // A copy, so the caller's record set keeps its position.
      for (auto rows_copy = recordset->Clone(); !rows_copy->IsEOF(); rows_copy->MoveNext()) {
        Json row = Json::array();
        for (std::int32_t i = 0; i < rows_copy->FieldCount(); ++i) {
          row.push_back(Encode(rows_copy->Value(i), depth + 1));
        }
        rows.push_back(std::move(row));
      }
    }
    return {{"type", "Recordset"}, {"fields", std::move(fields)}, {"rows", std::move(rows)}};
  }
  const std::int64_t handle = handles_.Add(object, object->TypeName());
  return {{"type", "Object"}, {"object", handle}, {"class", handles_.Find(handle)->className}};
}

rt::Variant ValueCodec::Decode(const Json& json) { return Decode(json, 0); }

rt::Variant ValueCodec::DecodeRecordset(const Json& json, int depth) {
  data::ResultSet rows;
  for (const auto& field : ArrayMember(json, "fields")) {
    if (!field.is_object()) throw CodecError("a Recordset field is {\"name\", \"type\"}");
    rows.fields.push_back({StringValue(Member(field, "name"), "name"),
                           KindFromName(StringValue(Member(field, "type"), "type"))});
  }
  for (const auto& row : ArrayMember(json, "rows")) {
    if (!row.is_array() || row.size() != rows.fields.size()) {
      throw CodecError("a Recordset row needs one value per field");
    }
    for (const auto& value : row) rows.values.push_back(Decode(value, depth + 1));
  }
  // A disconnected record set, as the library hands them out.
  return rt::ObjectRef(
      std::make_shared<data::Recordset>(std::move(rows), std::weak_ptr<rt::Object>(), ""));
}

rt::Variant ValueCodec::Decode(const Json& json, int depth) {
  CheckDepth(depth);
  switch (json.type()) {
    case Json::value_t::null:
      return rt::Variant::Null();
    case Json::value_t::boolean:
      return json.get<bool>();
    case Json::value_t::string:
      return json.get<std::string>();
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float:
      return DecodeShorthandNumber(json);
    case Json::value_t::array: {
      rt::Array array;
      for (const auto& item : json) array.items.push_back(Decode(item, depth + 1));
      return array;
    }
    case Json::value_t::object:
      return DecodeTyped(json, depth);
    default:
      throw CodecError("not a value");
  }
}

rt::Variant ValueCodec::DecodeTyped(const Json& json, int depth) {
  const std::string& type = StringValue(Member(json, "type"), "\"type\"");
  auto value = [&json]() -> const Json& { return Member(json, "value"); };
  if (type == "Empty") return rt::Variant();
  if (type == "Null") return rt::Variant::Null();
  if (type == "Missing") return rt::Variant::Missing();
  if (type == "Nothing") return rt::Variant::Nothing();
  if (type == "Byte") return DecodeInteger<std::uint8_t>(value(), "Byte");
  if (type == "Integer") return DecodeInteger<std::int16_t>(value(), "Integer");
  if (type == "Long") return DecodeInteger<std::int32_t>(value(), "Long");
  if (type == "Single") return static_cast<float>(DecodeDouble(value()));
  if (type == "Double") return DecodeDouble(value());
  if (type == "String") return StringValue(value(), "String");
  if (type == "Boolean") {
    if (!value().is_boolean()) throw CodecError("Boolean needs true or false");
    return value().get<bool>();
  }
  if (type == "Currency") {
    if (value().is_number()) return rt::MoneyFromDouble(value().get<double>());
    return ParseMoneyText(StringValue(value(), "Currency"));
  }
  if (type == "Date") {
    const std::string& text = StringValue(value(), "Date");
    auto date = rt::ParseDate(text);
    if (!date) throw CodecError("not a date: \"" + text + "\"");
    return *date;
  }
  if (type == "Array") {
    rt::Array array;
    if (auto lbound = json.find("lbound"); lbound != json.end()) {
      array.lbound = DecodeInteger<std::int32_t>(*lbound, "lbound");
    }
    for (const auto& item : ArrayMember(json, "value")) array.items.push_back(Decode(item, depth + 1));
    return array;
  }
  if (type == "Dictionary") {
    auto dictionary = rt::Dictionary::Create();
    for (const auto& pair : ArrayMember(json, "value")) {
      if (!pair.is_array() || pair.size() != 2) throw CodecError("a Dictionary entry is [key, item]");
      rt::Variant key = Decode(pair[0], depth + 1);
      if (dictionary->Exists(key)) throw CodecError("duplicate Dictionary key");
      dictionary->Add(key, Decode(pair[1], depth + 1));
    }
    return dictionary;
  }
  if (type == "Collection") {
    auto collection = rt::Collection::Create();
    for (const auto& entry : ArrayMember(json, "value")) {
      if (!entry.is_object()) throw CodecError("a Collection entry is {\"key\", \"item\"}");
      std::optional<std::string> key;
      if (auto k = entry.find("key"); k != entry.end() && !k->is_null()) key = StringValue(*k, "key");
      rt::Variant item = Decode(Member(entry, "item"), depth + 1);
      try {
        collection->Add(std::move(item), key);
      } catch (const rt::Error&) {
        throw CodecError("duplicate Collection key");
      }
    }
    return collection;
  }
  if (type == "Recordset") return DecodeRecordset(json, depth);
  if (type == "Object") {
    const Json& handle = Member(json, "object");
    const auto* entry = handle.is_number_integer() ? handles_.Find(handle.get<std::int64_t>()) : nullptr;
    if (!entry) throw CodecError("unknown object handle " + handle.dump());
    return entry->object;
  }
  throw CodecError("unknown type \"" + type + "\"");
}

}  // namespace korvo::tool
