// Text helpers with character semantics, over ICU.
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>

#include "platform/runtime/conversions.h"

namespace korvo::rt {
namespace {

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }
char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c; }

// ASCII text (column and member names, codes) maps case letter by letter,
// exactly as ICU's root locale would, without a round trip through UTF-16.
template <class Map>
std::string MapAscii(std::string_view s, Map map) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), map);
  return out;
}

icu::UnicodeString FromUtf8(std::string_view s) {
  return icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), static_cast<std::int32_t>(s.size())));
}

std::string ToUtf8(const icu::UnicodeString& s) {
  std::string out;
  s.toUTF8String(out);
  return out;
}

}  // namespace

std::string Trim(std::string_view s) {
  const std::size_t first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(s.substr(first, s.find_last_not_of(' ') - first + 1));
}

std::string UCase(std::string_view s) {
  if (IsAscii(s)) return MapAscii(s, AsciiUpper);
  icu::UnicodeString u = FromUtf8(s);
  return ToUtf8(u.toUpper(icu::Locale::getRoot()));
}

bool UCaseEquals(std::string_view s, std::string_view upper) {
  if (!IsAscii(s)) return UCase(s) == upper;
  return s.size() == upper.size() && std::equal(s.begin(), s.end(), upper.begin(),
                                                [](char x, char y) { return AsciiUpper(x) == y; });
}

std::string LCase(std::string_view s) {
  if (IsAscii(s)) return MapAscii(s, AsciiLower);
  icu::UnicodeString u = FromUtf8(s);
  return ToUtf8(u.toLower(icu::Locale::getRoot()));
}

std::int32_t Len(std::string_view s) {
  // Each malformed byte counts as one character, as ICU reads it.
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(s.data());
  const auto length = static_cast<std::int32_t>(s.size());
  std::int32_t characters = 0;
  for (std::int32_t i = 0; i < length; ++characters) {
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
  }
  return characters;
}

bool TextEqualsNoCase(std::string_view a, std::string_view b) {
  // Member and class names are ASCII: compare them without converting.
  if (IsAscii(a) && IsAscii(b)) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
             return AsciiLower(x) == AsciiLower(y);
           });
  }
  return FromUtf8(a).caseCompare(FromUtf8(b), U_FOLD_CASE_DEFAULT) == 0;
}

}  // namespace korvo::rt
