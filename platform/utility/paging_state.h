// The persisted state of a paged listing: what a web page keeps in the
// browser between requests so that a new DRecordset continues where the
// last one stopped. It carries settings and values, never SQL or a
// connection string.
//
// Text form: "KP1." + base64url(JSON) + "." + base64url(digest of the
// JSON). The digest lets a state that was altered or cut short in transit
// be refused; it is no secret signature, so a decoded state is checked as
// fully as if it had none: names must be plain column names (and the
// record set checks them against the listed statement again), values are
// bound, numbers must be in range. Thread-safe (no shared state).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/variant.h"
#include "platform/utility/sort_fields.h"

namespace korvo::utility {

struct PagingState {
  std::int16_t pageSize = 10;
  SortOrder sortFields;
  // The key field and the page shown; "" and 0 before any page was shown.
  std::string keyField;
  std::int32_t pageNumber = 0;
  // The order values (SeekOrder(sortFields, keyField)) of the first row of
  // the page shown; empty when no page was shown.
  std::vector<rt::Variant> anchor;
  // The same of its last row, where the next page starts however the
  // listing changed meanwhile; empty in a state written without it.
  std::vector<rt::Variant> last;
};

std::string EncodeState(const PagingState& state);

// Raises kInvalidPagingState ("Invalid paging state: " + reason) for a text
// that is not a state this library wrote, was altered, or holds a name,
// value or number it could not have written.
PagingState DecodeState(std::string_view text);

}  // namespace korvo::utility
