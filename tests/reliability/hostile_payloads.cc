#include "reliability/hostile_payloads.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

#include "platform/korvex/result_object.h"
#include "platform/runtime/dictionary.h"
#include "platform/runtime/money.h"

namespace korvo::reliability {

namespace {

std::string Marked(const std::string& text) { return text + kMarker; }

const std::string kDropCanary = Marked("'; DROP TABLE CANARY; --");

rt::Variant List(std::vector<rt::Variant> items, std::int32_t lbound = 0) {
  return rt::Variant(rt::Array(std::move(items), lbound));
}

// A data object of the given kind whose keys and values try to break out of
// the statements the business rules build from them.
rt::Variant HostileDataObject(const char* kind) {
  auto data = rt::Dictionary::Create();
  data->Add("METAObjectID", kind);
  data->Add("CURRENCYCODE", kDropCanary);
  data->Add("CURRENCYNAME", Marked("x') ; DELETE FROM CANARY; --"));
  data->Add("EFFECTIVEDATE", Marked("1/1/2024' OR '1'='1"));
  data->Add(Marked("CURRENCYNAME) VALUES ('x'); DROP TABLE CANARY; --"), "y");
  data->Add(42, "a number as a column name");
  return rt::Variant(data);
}

std::vector<Payload> Build() {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double infinity = std::numeric_limits<double>::infinity();
  return {
      {"a quote", rt::Variant("O'Neil")},
      {"quote, DROP TABLE, comment", rt::Variant(kDropCanary)},
      {"always-true condition", rt::Variant(Marked("x' OR 'a'='a' --"))},
      {"Unicode literal break-out", rt::Variant(Marked("N'x'); DELETE FROM CANARY; --"))},
      {"backslash before the quote", rt::Variant(Marked("\\'; DROP TABLE CANARY; --"))},
      {"block comment", rt::Variant(Marked("/* ") + " */")},
      {"line comment", rt::Variant(Marked("-- "))},
      {"LIKE wildcards and brackets", rt::Variant("%_[a]%[%][_][[]^-!")},
      {"square brackets", rt::Variant(Marked("[") + "]")},
      {"double quotes", rt::Variant(Marked("\"") + "\"")},
      {"back quotes", rt::Variant(Marked("`") + "`")},
      {"an identifier with a statement", rt::Variant(Marked("CURRENCY;DROP TABLE CANARY;"))},
      {"a very long text", rt::Variant(std::string(200000, 'A'))},
      {"a very long run of quotes", rt::Variant(std::string(50001, '\''))},
      {"a text with NUL", rt::Variant(std::string("EU\0R'; DROP TABLE CANARY; --", 29) + kMarker)},
      {"invalid UTF-8", rt::Variant(std::string("\xC3\x28\xA0\xA1\xFF\xFE'") + kMarker)},
      {"an empty text", rt::Variant("")},
      {"blanks", rt::Variant("   ")},
      {"a number in a text", rt::Variant("1e999")},
      {"an impossible date in a text", rt::Variant("2/30/2024")},
      {"a Long", rt::Variant(42)},
      {"the smallest Long", rt::Variant(std::numeric_limits<std::int32_t>::min())},
      {"an Integer of -1", rt::Variant(static_cast<std::int16_t>(-1))},
      {"a Double beyond every integer", rt::Variant(1e300)},
      {"NaN", rt::Variant(nan)},
      {"minus infinity", rt::Variant(-infinity)},
      {"the largest Currency",
       rt::Variant(rt::Money::FromUnits(std::numeric_limits<std::int64_t>::max()))},
      {"True", rt::Variant(true)},
      {"Null", rt::Variant::Null()},
      {"Empty", rt::Variant()},
      {"Missing", rt::Variant::Missing()},
      {"a date far beyond the calendar", rt::Variant(rt::Date{1e12})},
      {"a date far before the calendar", rt::Variant(rt::Date{-1e12})},
      {"a date that is not a number", rt::Variant(rt::Date{nan})},
      {"a function where a name belongs", rt::Variant("CURRENT_USER")},
      {"an array of keywords and functions",
       List({rt::Variant("current_timestamp"), rt::Variant("session_user"),
             rt::Variant("current_catalog")})},
      {"an empty array", List({})},
      {"an array of hostile items",
       List({rt::Variant(kDropCanary), rt::Variant::Null(), List({kDropCanary})})},
      {"an array starting at 5", List({rt::Variant("CURRENCYCODE"), rt::Variant("EUR")}, 5)},
      {"Nothing", rt::Variant::Nothing()},
      {"a hostile currency data object", HostileDataObject("CurrencyDataObject")},
      {"a hostile rate data object", HostileDataObject("CurrencyRateDataObject")},
      {"an object of another class", rt::Variant(std::make_shared<korvex::ResultObject>())},
  };
}

}  // namespace

const std::vector<Payload>& HostilePayloads() {
  static const std::vector<Payload> payloads = Build();
  return payloads;
}

}  // namespace korvo::reliability
