#include "platform/korvex/secret_mask.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace korvo::korvex {

namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The end of the pair starting at `begin`: the next ";" outside a quoted
// value (a quote opens only as the value's first character, as connection
// strings quote; the quote doubled inside stands for itself).
std::size_t PairEnd(std::string_view text, std::size_t begin) {
  const std::size_t equals = text.find('=', begin);
  const std::size_t semicolon = text.find(';', begin);
  if (equals == std::string_view::npos || equals > semicolon) return semicolon;
  std::size_t value = text.find_first_not_of(" \t", equals + 1);
  if (value == std::string_view::npos) return text.size();
  const char quote = text[value];
  if (quote != '"' && quote != '\'') return text.find(';', value);
  for (std::size_t i = value + 1; i < text.size(); ++i) {
    if (text[i] != quote) continue;
    if (i + 1 < text.size() && text[i + 1] == quote) {
      ++i;
      continue;
    }
    return text.find(';', i + 1);
  }
  return text.size();
}

}  // namespace

bool IsSecretName(std::string_view key) {
  static constexpr std::array<std::string_view, 4> kParts = {"password", "passwd", "pwd", "secret"};
  const std::string lower = Lower(Trimmed(key));
  if (lower == "memscriptcode") return true;
  return std::any_of(kParts.begin(), kParts.end(),
                     [&](std::string_view part) { return lower.find(part) != std::string::npos; });
}

std::string MaskSecretOptions(std::string_view text) {
  if (text.find('=') == std::string_view::npos) return std::string(text);
  std::string masked;
  for (std::size_t begin = 0; begin <= text.size();) {
    std::size_t end = PairEnd(text, begin);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view pair = text.substr(begin, end - begin);
    const std::size_t equals = pair.find('=');
    if (equals != std::string_view::npos && IsSecretName(pair.substr(0, equals))) {
      masked.append(pair.substr(0, equals + 1)).append(kMaskedSecret);
    } else {
      masked.append(pair);
    }
    if (end == text.size()) break;
    masked += ';';
    begin = end + 1;
  }
  return masked;
}

std::string MaskConfigurationValue(std::string_view key, std::string_view value) {
  return IsSecretName(key) ? std::string(kMaskedSecret) : MaskSecretOptions(value);
}

}  // namespace korvo::korvex
