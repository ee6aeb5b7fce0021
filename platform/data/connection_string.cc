#include "platform/data/connection_string.h"

#include <cctype>

#include "platform/contracts/database.h"
#include "platform/data/data_error.h"
#include "platform/runtime/error.h"

namespace korvo::data {
namespace {

[[noreturn]] void RaiseMalformed(std::string description) {
  rt::Raise(contracts::dberr::kProvider, std::move(description), kConnectionSource);
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view TrimBlanks(std::string_view s) {
  auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// Reads one pair's value starting at `pos` (just after '='); leaves `pos` on
// the ';' that ends it or at the end of the text.
std::string ReadValue(std::string_view text, std::size_t& pos) {
  while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
  if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
    const char quote = text[pos++];
    std::string value;
    for (;;) {
      if (pos >= text.size()) RaiseMalformed("Malformed connection string");
      if (text[pos] == quote) {
        if (pos + 1 < text.size() && text[pos + 1] == quote) {
          value += quote;
          pos += 2;
          continue;
        }
        ++pos;
        break;
      }
      value += text[pos++];
    }
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
    if (pos < text.size() && text[pos] != ';') RaiseMalformed("Malformed connection string");
    return value;
  }
  const std::size_t end = std::min(text.find(';', pos), text.size());
  std::string value(TrimBlanks(text.substr(pos, end - pos)));
  pos = end;
  return value;
}

}  // namespace

std::optional<std::string> ConnectionOptions::Get(std::string_view key) const {
  auto it = values_.find(Lower(key));
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

ConnectionOptions ParseConnectionString(std::string_view text) {
  ConnectionOptions options;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = std::min(text.find_first_of("=;", pos), text.size());
    const std::string_view key = TrimBlanks(text.substr(pos, end - pos));
    if (end == text.size() || text[end] == ';') {
      if (!key.empty()) RaiseMalformed("Malformed connection string");
      pos = end + 1;
      continue;
    }
    if (key.empty()) RaiseMalformed("Malformed connection string");
    pos = end + 1;
    std::string value = ReadValue(text, pos);
    ++pos;  // past the ';'
    options.values_[Lower(key)] = std::move(value);
  }
  auto driver = options.values_.find("driver");
  if (driver == options.values_.end() || driver->second.empty()) {
    RaiseMalformed("Connection string names no driver");
  }
  options.driver_ = std::move(driver->second);
  options.values_.erase(driver);
  return options;
}

}  // namespace korvo::data
