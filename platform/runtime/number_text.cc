// Number <-> text in the runtime's fixed locale (decimal point ".").
#include <locale.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "platform/runtime/conversions.h"

namespace korvo::rt {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "&H1F": up to four digits read as a 16-bit Integer, up to eight as a
// 32-bit Long, both two's complement (&HFFFF is -1), as the runtime reads them.
std::optional<double> ParseHex(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  if (value <= 0xFFFFu) return static_cast<double>(static_cast<std::int16_t>(value));
  return static_cast<double>(static_cast<std::int32_t>(value));
}

// Checks the decimal syntax ([sign] digits [. digits] [E|D [sign] digits])
// and returns it in the form strtod reads, or an empty text when invalid.
std::string NormalizeDecimal(std::string_view s) {
  std::string out;
  std::size_t i = 0;
  if (s[i] == '+' || s[i] == '-') out += s[i++];
  std::size_t mantissaDigits = 0;
  for (; i < s.size() && IsDigit(s[i]); ++i, ++mantissaDigits) out += s[i];
  if (i < s.size() && s[i] == '.') {
    out += s[i++];
    for (; i < s.size() && IsDigit(s[i]); ++i, ++mantissaDigits) out += s[i];
  }
  if (mantissaDigits == 0) return {};
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    out += 'e';
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) out += s[i++];
    std::size_t exponentDigits = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i, ++exponentDigits) out += s[i];
    if (exponentDigits == 0) return {};
  }
  return i == s.size() ? out : std::string();
}

// strtod in the "C" locale, whatever locale the process has set.
double StrtodC(const std::string& text) {
  static const locale_t kCLocale = newlocale(LC_ALL_MASK, "C", nullptr);
  return strtod_l(text.c_str(), nullptr, kCLocale);
}

// Shortest text of `value` with at most `digits` significant digits: fixed
// notation, or "1.5E+20" / "1E-05" beyond it (printf's %G rules).
template <class Real>
std::string FormatSignificant(Real value, int digits) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  if (value == 0) return "0";  // no "-0"
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits);
  std::string out(text, result.ptr);
  for (char& c : out) {
    if (c == 'e') c = 'E';
  }
  return out;
}

}  // namespace

std::optional<double> ParseNumber(std::string_view text) {
  const std::string s = Trim(text);
  if (s.empty()) return std::nullopt;
  if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h'))
    return ParseHex(std::string_view(s).substr(2));
  const std::string normalized = NormalizeDecimal(s);
  if (normalized.empty()) return std::nullopt;
  // Out of range reads as +-infinity; the conversions raise Overflow for it.
  return StrtodC(normalized);
}

std::string FormatDouble(double d) { return FormatSignificant(d, 15); }

std::string FormatSingle(float f) { return FormatSignificant(f, 7); }

std::string FormatMoney(Money m) {
  // Unsigned magnitude: the most negative amount has no positive counterpart.
  const bool negative = m.units < 0;
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(m.units) : static_cast<std::uint64_t>(m.units);
  const auto scale = static_cast<std::uint64_t>(Money::kScale);
  std::string out = (negative ? "-" : "") + std::to_string(magnitude / scale);
  std::string fraction = std::to_string(magnitude % scale + scale).substr(1);  // four digits
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  if (!fraction.empty()) out += "." + fraction;
  return out;
}

}  // namespace korvo::rt
