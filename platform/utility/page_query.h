// PageQuery: the statements that read a listing one page at a time in
// keyset order. The listed statement becomes a derived table; a page is
// sought from the sort and key values of a row next to it, so reading page
// 1,000 costs what reading page 1 costs. Nulls sort before every value
// (ASC NULLS FIRST, DESC NULLS LAST) on every database, and the seek
// conditions follow that order; a field that holds no null is ordered and
// sought by plain comparisons, which an index on it serves. Values are
// always bound, never written into the text. Thread-compatible (immutable
// after construction).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/contracts/database.h"
#include "platform/runtime/variant.h"
#include "platform/utility/sort_fields.h"

namespace korvo::utility {

struct PageStatement {
  std::string sql;
  std::vector<contracts::Parameter> params;
};

class PageQuery {
 public:
  // `statement`: the listed SELECT; `order`: its rows' order, sort fields
  // then the key field, every name a plain column name of the statement.
  PageQuery(std::string statement, SortOrder order);

  // The first `limit` rows.
  PageStatement First(std::int32_t limit) const;
  // `limit` rows after the first `offset` ones.
  PageStatement FromOffset(std::int64_t offset, std::int32_t limit) const;
  // `limit` rows following the row whose order values are `anchor` (that
  // row included when `inclusive`), in order.
  PageStatement After(const std::vector<rt::Variant>& anchor, bool inclusive, std::int32_t limit) const;
  // At most `limit` rows from the row whose order values are `from` through
  // the one whose values are `through`, both included, in order.
  PageStatement Between(const std::vector<rt::Variant>& from, const std::vector<rt::Variant>& through,
                        std::int32_t limit) const;
  // `limit` rows before the row whose order values are `anchor`, nearest
  // first (the caller turns them round).
  PageStatement Before(const std::vector<rt::Variant>& anchor, std::int32_t limit) const;
  // The listing's number of rows.
  PageStatement Count() const;

 private:
  std::string Listing() const;
  std::string OrderBy(bool reversed) const;
  std::string Seek(const std::vector<rt::Variant>& anchor, bool reversed, bool inclusive,
                   std::vector<contracts::Parameter>& params) const;

  std::string statement_;
  SortOrder order_;
};

}  // namespace korvo::utility
