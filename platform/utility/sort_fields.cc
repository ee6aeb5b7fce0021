#include "platform/utility/sort_fields.h"

#include <algorithm>
#include <cctype>

#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"
#include "platform/utility/paging_errors.h"

namespace korvo::utility {

namespace {

constexpr std::size_t kMaxNameLength = 128;
constexpr std::size_t kMaxExcerpt = 40;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::vector<std::string_view> Words(std::string_view item) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < item.size()) {
    while (i < item.size() && IsBlank(item[i])) ++i;
    const std::size_t start = i;
    while (i < item.size() && !IsBlank(item[i])) ++i;
    if (i > start) words.push_back(item.substr(start, i - start));
  }
  return words;
}

[[noreturn]] void RefuseItem(std::string_view item) {
  rt::Raise(
      errnum::kInvalidSortFields,
      "Invalid sort order: '" + Excerpt(item) + "' is not a column name with an optional ASC or DESC",
      errnum::kDRecordsetSource);
}

SortField ParseItem(std::string_view item) {
  const auto words = Words(item);
  if (words.empty() || words.size() > 2 || !IsPlainColumnName(words[0])) RefuseItem(item);
  SortField field{std::string(words[0]), false};
  if (words.size() == 2) {
    if (rt::TextEqualsNoCase(words[1], "DESC")) {
      field.descending = true;
    } else if (!rt::TextEqualsNoCase(words[1], "ASC")) {
      RefuseItem(item);
    }
  }
  return field;
}

bool Names(const SortField& field, std::string_view name) {
  return rt::TextEqualsNoCase(field.name, name);
}

}  // namespace

bool IsPlainColumnName(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameLength) return false;
  auto letter = [](unsigned char c) { return std::isalpha(c) || c == '_'; };
  auto letterOrDigit = [&](unsigned char c) { return letter(c) || std::isdigit(c); };
  return letter(static_cast<unsigned char>(name[0])) &&
         std::all_of(name.begin(), name.end(),
                     [&](char c) { return letterOrDigit(static_cast<unsigned char>(c)); });
}

SortOrder ParseSortFields(std::string_view text) {
  SortOrder order;
  if (Words(text).empty()) return order;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    const std::string_view item =
        text.substr(start, comma == std::string_view::npos ? text.npos : comma - start);
    SortField field = ParseItem(item);
    if (std::any_of(order.begin(), order.end(),
                    [&](const SortField& f) { return Names(f, field.name); })) {
      rt::Raise(errnum::kInvalidSortFields,
                "Invalid sort order: the column '" + field.name + "' is named twice",
                errnum::kDRecordsetSource);
    }
    order.push_back(std::move(field));
    if (comma == std::string_view::npos) return order;
    start = comma + 1;
  }
}

SortOrder MatchColumns(const SortOrder& order, const std::vector<std::string>& columns, int number,
                       std::string_view what) {
  SortOrder matched;
  for (const SortField& field : order) {
    auto column = std::find_if(columns.begin(), columns.end(), [&](const std::string& c) {
      return IsPlainColumnName(c) && Names(field, c);
    });
    if (column == columns.end()) {
      rt::Raise(
          number,
          std::string(what) + " '" + Excerpt(field.name) + "' is not a column of the listed statement",
          errnum::kDRecordsetSource);
    }
    matched.push_back(SortField{*column, field.descending});
  }
  return matched;
}

SortOrder SeekOrder(const SortOrder& sortFields, const std::string& keyField) {
  SortOrder order = sortFields;
  if (std::none_of(order.begin(), order.end(), [&](const SortField& f) { return Names(f, keyField); })) {
    order.push_back(SortField{keyField, false});
  }
  return order;
}

std::string Excerpt(std::string_view text) {
  std::size_t length = std::min(text.size(), kMaxExcerpt);
  // Cut at a character's start, not inside a UTF-8 sequence.
  while (length < text.size() && length > 0 &&
         (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
    --length;
  }
  std::string excerpt(text.substr(0, length));
  for (char& c : excerpt) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  if (length < text.size()) excerpt += "...";
  return excerpt;
}

}  // namespace korvo::utility
