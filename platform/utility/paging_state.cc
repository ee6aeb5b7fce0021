#include "platform/utility/paging_state.h"

#include <sodium.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

#include "platform/runtime/conversions.h"
#include "platform/runtime/date.h"
#include "platform/runtime/error.h"
#include "platform/utility/paging_errors.h"

namespace korvo::utility {

namespace {

using Json = nlohmann::json;

constexpr std::string_view kPrefix = "KP1.";
constexpr std::size_t kDigestBytes = 16;
// Far above any real state (a few hundred characters); a browser's text
// beyond it is refused before it is decoded.
constexpr std::size_t kMaxStateLength = 16384;

[[noreturn]] void Refuse(const std::string& reason) {
  rt::Raise(errnum::kInvalidPagingState, "Invalid paging state: " + reason, errnum::kDRecordsetSource);
}

void EnsureSodium() {
  static const bool ready = sodium_init() >= 0;
  if (!ready) rt::Raise(rt::errnum::kInternalError, "The cryptographic library could not start");
}

std::string Base64(const std::string& bytes) {
  constexpr int kVariant = sodium_base64_VARIANT_URLSAFE_NO_PADDING;
  std::string text(sodium_base64_ENCODED_LEN(bytes.size(), kVariant), '\0');
  sodium_bin2base64(text.data(), text.size(), reinterpret_cast<const unsigned char*>(bytes.data()),
                    bytes.size(), kVariant);
  text.resize(text.size() - 1);  // the terminating zero
  return text;
}

std::string FromBase64(std::string_view text) {
  std::string bytes(text.size(), '\0');
  std::size_t length = 0;
  if (sodium_base642bin(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size(), text.data(),
                        text.size(), nullptr, &length, nullptr,
                        sodium_base64_VARIANT_URLSAFE_NO_PADDING) != 0) {
    Refuse("not in the form GetState writes");
  }
  bytes.resize(length);
  return bytes;
}

std::string Digest(const std::string& payload) {
  EnsureSodium();
  std::string digest(kDigestBytes, '\0');
  crypto_generichash(reinterpret_cast<unsigned char*>(digest.data()), digest.size(),
                     reinterpret_cast<const unsigned char*>(payload.data()), payload.size(), nullptr, 0);
  return digest;
}

Json EncodeValue(const rt::Variant& value) {
  switch (value.Type()) {
    case rt::VarType::Null:
      return Json::array({"Null"});
    case rt::VarType::Boolean:
      return Json::array({"Boolean", value.AsBool()});
    case rt::VarType::Byte:
      return Json::array({"Integer", value.AsByte()});
    case rt::VarType::Integer:
      return Json::array({"Integer", value.AsInteger()});
    case rt::VarType::Long:
      return Json::array({"Long", value.AsLong()});
    case rt::VarType::Single:
      return Json::array({"Double", static_cast<double>(value.AsSingle())});
    case rt::VarType::Double:
      return Json::array({"Double", value.AsDouble()});
    case rt::VarType::Date:
      return Json::array({"Date", rt::FormatIsoDate(value.AsDate())});
    case rt::VarType::String:
      return Json::array({"String", value.AsString()});
    default:
      rt::Raise(rt::errnum::kTypeMismatch);  // the data layer reads no other kind
  }
}

template <class T>
T IntegerIn(const Json& json, T low, T high, const char* what) {
  if (!json.is_number_integer()) Refuse(std::string(what) + " is not a whole number");
  const bool tooLarge =
      json.is_number_unsigned() && json.get<std::uint64_t>() > static_cast<std::uint64_t>(high);
  if (tooLarge || json.get<std::int64_t>() < low || json.get<std::int64_t>() > high) {
    Refuse(std::string(what) + " is out of range");
  }
  return static_cast<T>(json.get<std::int64_t>());
}

template <class T>
T AnyInteger(const Json& json, const char* what) {
  return IntegerIn<T>(json, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), what);
}

rt::Variant DecodeValue(const Json& json) {
  if (!json.is_array() || json.empty() || !json[0].is_string()) Refuse("a value is malformed");
  const std::string& kind = json[0].get_ref<const std::string&>();
  if (kind == "Null" && json.size() == 1) return rt::Variant::Null();
  if (json.size() != 2) Refuse("a value is malformed");
  const Json& v = json[1];
  if (kind == "Boolean" && v.is_boolean()) return v.get<bool>();
  if (kind == "Integer") return AnyInteger<std::int16_t>(v, "a value");
  if (kind == "Long") return AnyInteger<std::int32_t>(v, "a value");
  if (kind == "Double" && v.is_number() && std::isfinite(v.get<double>())) return v.get<double>();
  if (kind == "String" && v.is_string()) return v.get<std::string>();
  if (kind == "Date" && v.is_string()) {
    if (auto date = rt::ParseDate(v.get_ref<const std::string&>())) return *date;
  }
  Refuse("a value is malformed");
}

const Json& Member(const Json& json, const char* name) {
  auto it = json.find(name);
  if (it == json.end()) Refuse(std::string("\"") + name + "\" is missing");
  return *it;
}

std::string ColumnName(const Json& json) {
  if (!json.is_string() || !IsPlainColumnName(json.get_ref<const std::string&>())) {
    Refuse("a field name is not a plain column name");
  }
  return json.get<std::string>();
}

SortOrder DecodeSortFields(const Json& json) {
  if (!json.is_array()) Refuse("the sort fields are malformed");
  SortOrder order;
  for (const Json& item : json) {
    if (!item.is_array() || item.size() != 2 || !item[1].is_boolean())
      Refuse("the sort fields are malformed");
    order.push_back(SortField{ColumnName(item[0]), item[1].get<bool>()});
  }
  // Checked as a sort order given by a caller is: no column twice.
  for (std::size_t i = 0; i < order.size(); ++i) {
    for (std::size_t j = i + 1; j < order.size(); ++j) {
      if (rt::TextEqualsNoCase(order[i].name, order[j].name)) Refuse("a sort field is named twice");
    }
  }
  return order;
}

std::vector<rt::Variant> DecodeValues(const Json& json) {
  if (!json.is_array()) Refuse("the position is malformed");
  std::vector<rt::Variant> values;
  for (const Json& value : json) values.push_back(DecodeValue(value));
  return values;
}

Json EncodeValues(const std::vector<rt::Variant>& values) {
  Json json = Json::array();
  for (const rt::Variant& value : values) json.push_back(EncodeValue(value));
  return json;
}

PagingState DecodePayload(const Json& json) {
  if (!json.is_object() || json.size() < 5 || json.size() > 6) Refuse("not in the form GetState writes");
  PagingState state;
  state.pageSize = IntegerIn<std::int16_t>(Member(json, "size"), 1,
                                           std::numeric_limits<std::int16_t>::max(), "the page size");
  state.sortFields = DecodeSortFields(Member(json, "sort"));
  const Json& key = Member(json, "key");
  state.pageNumber = IntegerIn<std::int32_t>(
      Member(json, "page"), 0, std::numeric_limits<std::int32_t>::max(), "the page number");
  state.anchor = DecodeValues(Member(json, "anchor"));
  if (json.size() == 6) state.last = DecodeValues(Member(json, "last"));
  if (state.pageNumber == 0) {
    if (key != "" || !state.anchor.empty() || !state.last.empty()) Refuse("the position is malformed");
    return state;
  }
  state.keyField = ColumnName(key);
  const std::size_t width = SeekOrder(state.sortFields, state.keyField).size();
  const auto fits = [width](const std::vector<rt::Variant>& values) {
    return values.size() == width && !values.back().IsNull();
  };
  // The last row is missing from a state written before it was kept.
  if (!fits(state.anchor) || (!state.last.empty() && !fits(state.last))) {
    Refuse("the position does not match its fields");
  }
  return state;
}

}  // namespace

std::string EncodeState(const PagingState& state) {
  Json sort = Json::array();
  for (const SortField& field : state.sortFields)
    sort.push_back(Json::array({field.name, field.descending}));
  Json json = {{"size", state.pageSize},
               {"sort", std::move(sort)},
               {"key", state.keyField},
               {"page", state.pageNumber},
               {"anchor", EncodeValues(state.anchor)}};
  const auto encoded = [&json] {
    const std::string payload = json.dump(-1, ' ', false, Json::error_handler_t::replace);
    return std::string(kPrefix) + Base64(payload) + "." + Base64(Digest(payload));
  };
  if (state.last.empty()) return encoded();
  json["last"] = EncodeValues(state.last);
  std::string text = encoded();
  if (text.size() <= kMaxStateLength) return text;
  // Sort values too long to keep twice: the first row alone still restores
  // the page.
  json.erase("last");
  return encoded();
}

PagingState DecodeState(std::string_view text) {
  if (text.size() > kMaxStateLength) Refuse("too long");
  if (text.substr(0, kPrefix.size()) != kPrefix) Refuse("not in the form GetState writes");
  text.remove_prefix(kPrefix.size());
  const std::size_t dot = text.find('.');
  if (dot == std::string_view::npos) Refuse("not in the form GetState writes");
  const std::string payload = FromBase64(text.substr(0, dot));
  if (FromBase64(text.substr(dot + 1)) != Digest(payload)) Refuse("it was altered");
  const Json json = Json::parse(payload, nullptr, /*allow_exceptions=*/false);
  if (json.is_discarded()) Refuse("not in the form GetState writes");
  return DecodePayload(json);
}

}  // namespace korvo::utility
