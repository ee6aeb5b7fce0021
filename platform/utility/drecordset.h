// KorvoLibrary.DRecordset: a listing served one page at a time.
//
// The caller sets it up, then Open runs the listed statement and fills the
// current page:
//   SetConnectionString (or a Page's connection name), SetPageSize,
//   SetSortFields, optionally RestoreState or ResetPosition + GoToPage,
//   Open(statement, key field).
// The page is read through GetPageRecordset() (fields by name, BOF/EOF,
// MoveNext) and moved with NextPage(), PreviousPage() and GoToPage.
// GetState() hands out the state a new record set continues from.
//
// Paging is by key, not by skipping rows: rows are ordered by the sort
// fields, then the key field; the next page is sought from the last row of
// the current one and the previous page from its first row, so every page
// costs about what the first costs. Only GoToPage to a page that is not
// next to the current one counts rows and skips. Nulls sort first in
// ascending and last in descending order on every database.
//
// Sort fields and states come from browsers: a sort order must be
// column names of the listed statement with optional ASC or DESC, and a
// state must be one GetState wrote, unaltered, whose names are columns of
// the listed statement. Anything else raises before any statement runs.
//
// Reads join the request's transaction while it is running; a record set
// kept after its request reads on connections of its own.
//
// Callable by name: SetConnectionString, RestoreState, SetPageSize,
// SetSortFields, ResetPosition, GoToPage(found, page), Open(statement,
// keyField), GetPageRecordset, NextPage, PreviousPage, GetState, and the
// properties PageNumber, PageSize, PageCount, RecordCount, HasNextPage,
// HasPreviousPage. Errors: paging_errors.h; moving or reading the page of a
// record set that was never opened raises 0x800A0E7D; the database's errors
// reach the caller unchanged. Single-threaded like every component.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/contracts/database.h"
#include "platform/contracts/utilities.h"
#include "platform/data/recordset.h"
#include "platform/data/result_set.h"
#include "platform/host/component.h"
#include "platform/utility/page_query.h"
#include "platform/utility/sort_fields.h"

namespace korvo::utility {

class DRecordset : public host::Component, public contracts::DRecordset {
 public:
  std::string TypeName() const override { return "DRecordset"; }
  const host::DispatchTable& Dispatch() const override;

  void SetConnectionString(const std::string& connectionString) override;
  // Also closes the page shown: the record set is new again, positioned on
  // the state's page until Open. "" (a first request's state) restores
  // nothing.
  void RestoreState(const std::string& state) override;
  // Raises kInvalidPageArgument below 1.
  void SetPageSize(std::int16_t pageSize) override;
  // The names are checked against the listed statement's columns when the
  // order is next used (Open, a move).
  void SetSortFields(const std::string& sortFields) override;
  void ResetPosition() override;
  // On an opened record set (and not after ResetPosition) moves at once:
  // the current page is read again, the next and previous pages are
  // sought, page 1 is read from the start, and any other page counts the
  // rows and skips; a page past the last shows the last with found false.
  // Otherwise Open goes there. Raises kInvalidPageArgument below 1.
  void GoToPage(bool& found, std::int32_t& page) override;
  // Fills the page asked for with GoToPage, else the page a restored state
  // or an earlier Open of the same statement showed (read again: its first
  // through its last row as shown, with any rows added between them since,
  // so moving on from it neither repeats nor passes over a row), else the
  // first page. Changing the page size, the sort fields or the statement
  // starts at the first page.
  void Open(const std::string& statement, const std::string& keyField) override;
  std::string GetState() const override;

  // Used by Page: the connection string is the one the application keeps
  // under this name, looked up when Open runs.
  void SetConnectionName(const std::string& connectionName);

  // A new cursor over the current page's rows, at its first row.
  contracts::RecordsetRef GetPageRecordset() const;
  // The page shown, 1 for the first; 0 before Open and for an empty listing.
  std::int32_t PageNumber() const;
  std::int16_t PageSize() const { return pageSize_; }
  // The listing's rows and pages, counted once per Open (the first ask runs
  // the count).
  std::int32_t RecordCount();
  std::int32_t PageCount();
  // Whether a move would find a page; known without reading.
  bool HasNextPage() const;
  bool HasPreviousPage() const;
  // Move one page; false (and the page stays) when there is none. After the
  // page size or the sort fields changed, a move shows the first page in
  // the new order.
  bool NextPage();
  bool PreviousPage();

 private:
  // The statement last opened and what was learnt from it.
  struct Listing {
    std::string statement;
    std::string keyField;
    std::string connectionString;
    std::vector<std::string> columns;
    std::vector<std::string> neverNull;  // the columns that hold no null
  };
  // The page shown, as it was read.
  struct Position {
    std::int32_t number = 0;
    std::int16_t pageSize = 0;
    std::string keyField;
    SortOrder order;        // sort fields then key field
    std::string statement;  // "" for a restored position, unchecked yet
    std::vector<rt::Variant> first;
    std::vector<rt::Variant> last;
    bool hasPrevious = false;
    bool hasNext = false;
  };
  enum class Pending { ShownPage, FirstPage, AskedPage };

  const Listing& RequireOpen() const;
  std::string ResolveConnection() const;
  bool PositionFits() const;
  SortOrder SortOrderFor(const Listing& listing) const;
  PageQuery Query() const;
  data::ResultSet Read(const PageStatement& statement) const;
  std::int32_t CountRows();
  std::int32_t ReadLimit() const;
  std::vector<rt::Variant> OrderValues(const data::ResultSet& rows, std::size_t row) const;
  void Show(data::ResultSet rows, std::int32_t number, bool hasPrevious, bool hasNext);
  void ShowRead(const data::ResultSet& rows, std::int32_t number, bool hasPrevious);

  void FillFirst();
  bool FillNext();
  bool FillPrevious();
  void FillAgain();
  bool FillPage(std::int32_t& page);

  std::string connectionString_;
  std::string connectionName_;
  std::int16_t pageSize_ = 10;
  SortOrder sortFields_;
  SortOrder order_;  // the seek order for listing_, names as the statement spells them
  std::optional<Listing> listing_;
  Position position_;
  bool restoredUnchecked_ = false;
  std::shared_ptr<data::Recordset> page_;  // null until a page was filled
  Pending pending_ = Pending::ShownPage;
  std::int32_t askedPage_ = 0;
  std::optional<std::int32_t> recordCount_;
};

}  // namespace korvo::utility
