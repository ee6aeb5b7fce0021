// The sort order of a paged listing: column names, each with an
// optional ASC or DESC, separated by commas ("NAME DESC, CITY1"). It comes
// from a browser, so only that shape is accepted, and the names must be
// columns of the listed statement before they are written into one.
// Thread-safe (no shared state).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvo::utility {

struct SortField {
  std::string name;
  bool descending = false;
  // The column holds no null in the listing (the schema says so): its
  // order and seeks need not place nulls, and an index on it serves them.
  bool neverNull = false;

  bool operator==(const SortField&) const = default;
};

using SortOrder = std::vector<SortField>;

// True for a plain column name: an ASCII letter or underscore, then letters,
// digits or underscores, at most 128 characters.
bool IsPlainColumnName(std::string_view name);

// The sort order's fields in order; "" (or blanks) is no field. Raises
// kInvalidSortFields for an item that is not a plain column name with an
// optional ASC or DESC (either case), an empty item, or a column named twice.
SortOrder ParseSortFields(std::string_view text);

// `order` with every name replaced by the plain column name of `columns` it
// names (without regard to case). Raises `number` with `what` + " 'X' is
// not a column of the listed statement" for a name that is none of them.
SortOrder MatchColumns(const SortOrder& order, const std::vector<std::string>& columns, int number,
                       std::string_view what = "Sort field");

// The order rows are paged in: the sort fields, then the key field
// ascending unless it is one of them, so that every row has one place.
SortOrder SeekOrder(const SortOrder& sortFields, const std::string& keyField);

// A caller's text as it may appear in an error message: at most 40
// characters, control characters as '?'.
std::string Excerpt(std::string_view text);

}  // namespace korvo::utility
