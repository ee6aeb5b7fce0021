#include "platform/utility/drecordset.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/data/connection.h"
#include "platform/host/object_context.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"
#include "platform/utility/connection_name.h"
#include "platform/utility/listed_columns.h"
#include "platform/utility/paging_errors.h"
#include "platform/utility/paging_state.h"

namespace korvo::utility {

namespace {

[[noreturn]] void RaiseClosed() {
  rt::Raise(contracts::dberr::kObjectClosed, "Operation is not allowed when the object is closed.",
            errnum::kDRecordsetSource);
}

[[noreturn]] void RaiseUnpageable(const std::string& why) {
  rt::Raise(errnum::kUnpageableListing, why, errnum::kDRecordsetSource);
}

std::string MatchKeyField(const std::string& keyField, const std::vector<std::string>& columns) {
  auto column = std::find_if(columns.begin(), columns.end(),
                             [&](const std::string& c) { return rt::TextEqualsNoCase(c, keyField); });
  if (!IsPlainColumnName(keyField) || column == columns.end()) {
    RaiseUnpageable("The key field '" + Excerpt(keyField) + "' is not a column of the listed statement");
  }
  return *column;
}

// The most rows a page read again may hold: the largest page size.
constexpr std::int32_t kMaxPageRows = std::numeric_limits<std::int16_t>::max();

bool SameOrder(const SortOrder& a, const SortOrder& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const SortField& x, const SortField& y) {
    return x.descending == y.descending && rt::TextEqualsNoCase(x.name, y.name);
  });
}

// The first `count` rows of `rows`, turned round when they were read in
// reverse order.
data::ResultSet Rows(const data::ResultSet& rows, std::size_t count, bool reverse) {
  data::ResultSet page;
  page.fields = rows.fields;
  const std::size_t width = rows.fields.size();
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t r = reverse ? count - 1 - i : i;
    page.values.insert(page.values.end(), rows.values.begin() + static_cast<std::ptrdiff_t>(r * width),
                       rows.values.begin() + static_cast<std::ptrdiff_t>((r + 1) * width));
  }
  return page;
}

}  // namespace

const host::DispatchTable& DRecordset::Dispatch() const {
  static const host::DispatchTable table =
      host::DispatchTable::For<DRecordset>()
          .Method("SetConnectionString", &DRecordset::SetConnectionString)
          .Method("RestoreState", &DRecordset::RestoreState)
          .Method("SetPageSize", &DRecordset::SetPageSize)
          .Method("SetSortFields", &DRecordset::SetSortFields)
          .Method("ResetPosition", &DRecordset::ResetPosition)
          .Method("GoToPage", &DRecordset::GoToPage)
          .Method("Open", &DRecordset::Open)
          .Method("GetState", &DRecordset::GetState)
          .Method("GetPageRecordset", &DRecordset::GetPageRecordset)
          .Method("NextPage", &DRecordset::NextPage)
          .Method("PreviousPage", &DRecordset::PreviousPage)
          .Getter("PageNumber", &DRecordset::PageNumber)
          .Getter("PageSize", &DRecordset::PageSize)
          .Getter("PageCount", &DRecordset::PageCount)
          .Getter("RecordCount", &DRecordset::RecordCount)
          .Getter("HasNextPage", &DRecordset::HasNextPage)
          .Getter("HasPreviousPage", &DRecordset::HasPreviousPage)
          .Build();
  return table;
}

void DRecordset::SetConnectionString(const std::string& connectionString) {
  connectionString_ = connectionString;
}

void DRecordset::SetConnectionName(const std::string& connectionName) {
  connectionName_ = connectionName;
}

void DRecordset::RestoreState(const std::string& state) {
  if (rt::Trim(state).empty()) return;  // a first request has no state yet
  PagingState restored = DecodeState(state);
  pageSize_ = restored.pageSize;
  sortFields_ = restored.sortFields;
  listing_.reset();
  page_.reset();
  recordCount_.reset();
  pending_ = Pending::ShownPage;
  position_ = Position{};
  if (restored.pageNumber == 0) return;
  position_.number = restored.pageNumber;
  position_.pageSize = restored.pageSize;
  position_.keyField = restored.keyField;
  position_.order = SeekOrder(restored.sortFields, restored.keyField);
  position_.first = std::move(restored.anchor);
  position_.last = std::move(restored.last);
  position_.hasPrevious = restored.pageNumber > 1;
  // Whether rows follow the page is learnt when it is read again or sought
  // from; until then a move on from it must look.
  position_.hasNext = true;
  restoredUnchecked_ = true;
}

void DRecordset::SetPageSize(std::int16_t pageSize) {
  if (pageSize < 1) {
    rt::Raise(errnum::kInvalidPageArgument, "The page size must be between 1 and 32767",
              errnum::kDRecordsetSource);
  }
  pageSize_ = pageSize;
}

void DRecordset::SetSortFields(const std::string& sortFields) {
  sortFields_ = ParseSortFields(sortFields);
}

void DRecordset::ResetPosition() { pending_ = Pending::FirstPage; }

void DRecordset::GoToPage(bool& found, std::int32_t& page) {
  if (page < 1) {
    rt::Raise(errnum::kInvalidPageArgument, "The page number must be 1 or more",
              errnum::kDRecordsetSource);
  }
  if (!listing_ || pending_ != Pending::ShownPage) {
    pending_ = Pending::AskedPage;
    askedPage_ = page;
    found = true;
    return;
  }
  order_ = SortOrderFor(*listing_);
  found = FillPage(page);
}

void DRecordset::Open(const std::string& statement, const std::string& keyField) {
  // Everything that can be refused is checked before anything changes or
  // runs.
  Listing listing{statement, "", ResolveConnection(), ListedColumns(statement),
                  NeverNullColumns(statement)};
  listing.keyField = MatchKeyField(keyField, listing.columns);
  // A restored state's names are checked again, now that the columns they
  // must name are known.
  SortOrder restoredOrder =
      restoredUnchecked_ ? MatchColumns(position_.order, listing.columns, errnum::kInvalidPagingState,
                                        "Invalid paging state: the field")
                         : position_.order;
  SortOrder order = SortOrderFor(listing);
  if (std::exchange(restoredUnchecked_, false)) {
    position_.order = std::move(restoredOrder);
    position_.statement = statement;
  }
  listing_ = std::move(listing);
  order_ = std::move(order);
  recordCount_.reset();
  const Pending pending = std::exchange(pending_, Pending::ShownPage);
  if (pending == Pending::AskedPage) {
    FillPage(askedPage_);
  } else if (pending == Pending::ShownPage && PositionFits()) {
    FillAgain();
  } else {
    FillFirst();
  }
}

std::string DRecordset::GetState() const {
  PagingState state;
  state.pageSize = pageSize_;
  state.sortFields = sortFields_;
  const bool shownInTheseSettings =
      position_.number > 0 && position_.pageSize == pageSize_ &&
      SameOrder(position_.order, SeekOrder(sortFields_, position_.keyField));
  if (shownInTheseSettings) {
    state.keyField = position_.keyField;
    state.pageNumber = position_.number;
    state.anchor = position_.first;
    state.last = position_.last;
  }
  return EncodeState(state);
}

contracts::RecordsetRef DRecordset::GetPageRecordset() const {
  if (!page_) RaiseClosed();
  return page_->Clone();
}

std::int32_t DRecordset::PageNumber() const { return page_ ? position_.number : 0; }

std::int32_t DRecordset::RecordCount() {
  RequireOpen();
  return CountRows();
}

std::int32_t DRecordset::PageCount() {
  const std::int64_t records = RecordCount();
  return static_cast<std::int32_t>((records + pageSize_ - 1) / pageSize_);
}

bool DRecordset::HasNextPage() const { return page_ && position_.hasNext; }

bool DRecordset::HasPreviousPage() const { return page_ && position_.hasPrevious; }

bool DRecordset::NextPage() {
  if (!page_) RaiseClosed();
  order_ = SortOrderFor(*listing_);
  if (!PositionFits()) {
    FillFirst();
    return position_.number > 0;
  }
  return FillNext();
}

bool DRecordset::PreviousPage() {
  if (!page_) RaiseClosed();
  order_ = SortOrderFor(*listing_);
  if (!PositionFits()) {
    FillFirst();
    return position_.number > 0;
  }
  return FillPrevious();
}

const DRecordset::Listing& DRecordset::RequireOpen() const {
  if (!listing_ || !page_) RaiseClosed();
  return *listing_;
}

std::string DRecordset::ResolveConnection() const {
  if (!connectionString_.empty()) return connectionString_;
  std::string named = connectionName_.empty() ? "" : ConnectionStringByName(connectionName_);
  if (named.empty()) {
    RaiseUnpageable(
        "No connection: set the connection string, or take the record set from a Page "
        "that was told its connection name");
  }
  return named;
}

// Whether the page shown was read for the statement, order and page size
// now set, so that the next and previous pages can be sought from it.
bool DRecordset::PositionFits() const {
  return listing_ && position_.number > 0 && position_.pageSize == pageSize_ &&
         position_.statement == listing_->statement && SameOrder(position_.order, order_);
}

// The order rows are paged in under the sort fields now set; names that are
// not columns of the listing are refused here, before anything runs.
SortOrder DRecordset::SortOrderFor(const Listing& listing) const {
  SortOrder order = SeekOrder(MatchColumns(sortFields_, listing.columns, errnum::kInvalidSortFields),
                              listing.keyField);
  for (SortField& field : order) {
    field.neverNull =
        std::any_of(listing.neverNull.begin(), listing.neverNull.end(),
                    [&](const std::string& column) { return rt::TextEqualsNoCase(column, field.name); });
  }
  return order;
}

PageQuery DRecordset::Query() const { return PageQuery(listing_->statement, order_); }

data::ResultSet DRecordset::Read(const PageStatement& statement) const {
  // The request's transaction is joined while it runs; once it has ended,
  // a record set kept by the page reads on a connection of its own.
  host::ObjectContext* context = host::GetObjectContext();
  const bool ended = context && context->IsInTransaction() && context->transaction()->IsCompleted();
  host::ContextActivation reading(ended ? nullptr : context);
  auto connection = std::make_shared<data::Connection>();
  connection->Open(listing_->connectionString);
  data::ResultSet rows = connection->Run(statement.sql, statement.params, 0);
  connection->Close();
  return rows;
}

std::int32_t DRecordset::CountRows() {
  if (!recordCount_) {
    const data::ResultSet rows = Read(Query().Count());
    recordCount_ = rows.RowCount() == 1 ? rt::CLng(rows.values[0]) : 0;
  }
  return *recordCount_;
}

std::vector<rt::Variant> DRecordset::OrderValues(const data::ResultSet& rows, std::size_t row) const {
  std::vector<rt::Variant> values;
  const std::size_t width = rows.fields.size();
  for (const SortField& field : order_) {
    std::size_t f = 0;
    while (f < width && !rt::TextEqualsNoCase(rows.fields[f].name, field.name)) ++f;
    if (f == width) RaiseUnpageable("The listing's rows have no column '" + field.name + "'");
    values.push_back(rows.values[row * width + f]);
  }
  return values;
}

void DRecordset::Show(data::ResultSet rows, std::int32_t number, bool hasPrevious, bool hasNext) {
  const std::size_t count = rows.RowCount();
  Position shown;
  if (count > 0) {
    shown.first = OrderValues(rows, 0);
    shown.last = OrderValues(rows, count - 1);
    shown.number = number;
    shown.hasPrevious = hasPrevious;
    shown.hasNext = hasNext;
  }
  shown.pageSize = pageSize_;
  shown.keyField = listing_->keyField;
  shown.order = order_;
  shown.statement = listing_->statement;
  page_ = std::make_shared<data::Recordset>(std::move(rows), std::weak_ptr<rt::Object>(), "");
  position_ = std::move(shown);
}

// Rows read forwards with one row more than a page: the extra row only
// tells that a next page exists.
void DRecordset::ShowRead(const data::ResultSet& rows, std::int32_t number, bool hasPrevious) {
  const std::size_t size = static_cast<std::size_t>(pageSize_);
  Show(Rows(rows, std::min(rows.RowCount(), size), false), number, hasPrevious, rows.RowCount() > size);
}

std::int32_t DRecordset::ReadLimit() const { return static_cast<std::int32_t>(pageSize_) + 1; }

void DRecordset::FillFirst() { ShowRead(Read(Query().First(ReadLimit())), 1, false); }

bool DRecordset::FillNext() {
  if (!position_.hasNext) return false;
  const data::ResultSet rows = Read(Query().After(position_.last, false, ReadLimit()));
  if (rows.RowCount() == 0) {  // the rows after this page have gone meanwhile
    position_.hasNext = false;
    return false;
  }
  ShowRead(rows, position_.number + 1, true);
  return true;
}

bool DRecordset::FillPrevious() {
  if (!position_.hasPrevious) return false;
  const data::ResultSet rows = Read(Query().Before(position_.first, ReadLimit()));
  const std::size_t found = rows.RowCount();
  const std::size_t size = static_cast<std::size_t>(pageSize_);
  if (found > size) {
    Show(Rows(rows, size, true), std::max(position_.number - 1, 2), true, true);
  } else if (found == size) {
    Show(Rows(rows, size, true), 1, false, true);
  } else if (found == 0) {  // the rows before this page have gone: it is the first now
    position_.hasPrevious = false;
    position_.number = 1;
    return false;
  } else {  // fewer rows than a page before this one: the first page is read whole
    FillFirst();
  }
  return true;
}

// The page is read again as it was shown: from its first row through its
// last, with the rows added between them meanwhile, so that the next page
// still starts after the row shown last and the previous one before the
// row shown first, and no row is shown twice or passed over.
void DRecordset::FillAgain() {
  if (!position_.last.empty()) {
    const data::ResultSet rows = Read(Query().Between(position_.first, position_.last, kMaxPageRows));
    if (rows.RowCount() > 0) {
      const bool hasNext = Read(Query().After(position_.last, false, 1)).RowCount() > 0;
      return Show(rows, position_.number, position_.hasPrevious, hasNext);
    }
  }
  const data::ResultSet rows = Read(Query().After(position_.first, true, ReadLimit()));
  if (rows.RowCount() == 0) return FillFirst();  // the page's rows have gone: start again
  ShowRead(rows, position_.number, position_.hasPrevious);
}

bool DRecordset::FillPage(std::int32_t& page) {
  bool found = true;
  const std::int32_t shown = position_.number;
  if (PositionFits() && page == shown) {
    FillAgain();
  } else if (PositionFits() && page == shown + 1) {
    found = FillNext();
  } else if (PositionFits() && page == shown - 1) {
    FillPrevious();
  } else if (page == 1) {
    FillFirst();
  } else {
    const std::int32_t pages =
        static_cast<std::int32_t>((std::int64_t{CountRows()} + pageSize_ - 1) / pageSize_);
    found = page <= pages;
    const std::int32_t target = std::max(std::min(page, pages), 1);
    const data::ResultSet rows =
        Read(Query().FromOffset(std::int64_t{target - 1} * pageSize_, ReadLimit()));
    if (rows.RowCount() == 0) {
      FillFirst();
    } else {
      ShowRead(rows, target, target > 1);
    }
  }
  // A restored page with no page on that side of it is shown itself.
  if (!page_) FillAgain();
  page = position_.number;
  return found && position_.number > 0;
}

}  // namespace korvo::utility
