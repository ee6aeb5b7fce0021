// KorvoLibrary: literal formatting for statements built as text, and the
// paged record set (DRecordset) with the web page's Page object that the
// paged listings hand back to their callers.
#pragma once

#include <cstdint>
#include <string>

#include "platform/runtime/object.h"
#include "platform/runtime/variant.h"

namespace korvo::contracts {

class Utilities {
 public:
  virtual ~Utilities() = default;
  // A value as a Unicode SQL literal: N'...' with quotes doubled for texts
  // and dates, null for Null/Empty, 1/0 for Booleans, numbers as they are.
  virtual std::string SqlValue(const rt::Variant& value) = 0;
  // A quoted, quote-doubled text literal: N'...'.
  virtual std::string SqlText(const std::string& text) = 0;
  // A plain numeric literal.
  virtual std::string SqlNumber(std::int32_t number) = 0;
};

// A listing served one page at a time. The caller sets it up (connection,
// page size, sort fields, a restored state or a page to go to), then Open
// runs the listed statement and fills the page. Errors are raised as
// rt::Error; platform/utility/paging_errors.h lists the numbers.
class DRecordset {
 public:
  virtual ~DRecordset() = default;
  // The database the listing reads.
  virtual void SetConnectionString(const std::string& connectionString) = 0;
  // Takes back a state GetState handed out: page size, sort fields and the
  // page shown; "" restores nothing. A malformed or altered state raises
  // and changes nothing.
  virtual void RestoreState(const std::string& state) = 0;
  // Rows per page, 1 or more.
  virtual void SetPageSize(std::int16_t pageSize) = 0;
  // Column names of the listed statement, each optionally followed by ASC or
  // DESC, separated by commas; "" sorts by the key field alone. Anything
  // else raises before any statement runs.
  virtual void SetSortFields(const std::string& sortFields) = 0;
  // Forgets the page shown: the next GoToPage only records its page and
  // Open starts from it (or from the first page).
  virtual void ResetPosition() = 0;
  // Goes to page `page` (1 or more); writes back the page actually shown
  // and in `found` whether the asked-for page exists.
  virtual void GoToPage(bool& found, std::int32_t& page) = 0;
  // Runs `statement` (a SELECT) and fills the current page; `keyField`
  // names a column whose values identify its rows.
  virtual void Open(const std::string& statement, const std::string& keyField) = 0;
  // The state to hand back to RestoreState: no SQL, no connection string.
  virtual std::string GetState() const = 0;
};

// What a web page keeps between requests to page through one listing.
class Page {
 public:
  virtual ~Page() = default;
  // The name the application keeps the listing's connection string under
  // (its variable and setting name + "_ConnectionString").
  virtual void SetConnectionName(const std::string& name) = 0;
  // The page's DRecordset (the same object on every call).
  virtual rt::ObjectRef GetRecordset() = 0;
  // Whether the user asked for a page since the last call, and which; a
  // request is reported once. `unused` is left as it is.
  virtual void GetPendingPage(std::int32_t& page, bool& requested, rt::Variant& unused) = 0;
};

}  // namespace korvo::contracts
