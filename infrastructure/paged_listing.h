// The paged listings of the public classes, served through the utility
// library's DRecordset: the web page's own record set when the caller
// brings its Page, else a new one carrying on from the state the caller
// persisted between requests.
//
// Thread-compatible: plain functions; the objects belong to the call.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/runtime/object.h"
#include "platform/runtime/variant.h"

namespace korvo::infra {

// What a listing request brings besides its statement.
struct PagedListingRequest {
  // A KorvoLibrary.Page, or Missing, Empty, Null or Nothing for none.
  const rt::Variant& page;
  // Restored into a new record set; not read when a page is given.
  const std::string& persistedState;
  std::int16_t pageSize;
  // Absent sorts by the key field alone.
  const std::optional<std::string>& sortFields;
};

// Sets up the listing's record set and opens it on `statement`, whose rows
// `keyField` identifies; returns the record set. With a page, the page is
// told the listings read the connection named "KorvoCommonConnection" and
// its record set goes to the page the user asked for since the last
// request, if any. Without one, a new KorvoLibrary.DRecordset reads
// connectionString(), asked only then, and restores the persisted state. A
// page that is no Page, or whose record set is no DRecordset, raises Type
// mismatch (13); the record set's own failures reach the caller as raised.
rt::ObjectRef OpenPagedListing(const PagedListingRequest& request, const std::string& statement,
                               const std::string& keyField,
                               const std::function<const std::string&()>& connectionString);

}  // namespace korvo::infra
