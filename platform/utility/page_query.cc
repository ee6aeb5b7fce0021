#include "platform/utility/page_query.h"

#include <utility>

#include "platform/data/parameter_type.h"
#include "platform/runtime/error.h"

namespace korvo::utility {

namespace {

// The derived table's name in every page statement.
constexpr const char* kListingAlias = " KORVOPAGE";

// Builds the conditions of one seek, binding each value it compares with.
class SeekBuilder {
 public:
  explicit SeekBuilder(std::vector<contracts::Parameter>& params) : params_(params) {}

  std::string Equal(const std::string& column, const rt::Variant& value) {
    if (value.IsNull()) return column + " IS NULL";
    return column + " = " + Bind(value);
  }
  // The condition on `field` for rows past `value` in its order, with
  // `inclusive` also for rows equal to it; "" when every row qualifies.
  // Nulls sort first ascending, last descending, so nothing lies past a null
  // descending: the caller asks only when a row can. The anchor's own row
  // is folded into the comparison (>=, <=) rather than added as an
  // alternative of its own, so the database reads the rows as one range of
  // the column's index instead of scanning the listing.
  std::string Beyond(const SortField& field, const rt::Variant& value, bool descending, bool inclusive) {
    const std::string& column = field.name;
    if (value.IsNull())
      return descending ? column + " IS NULL" : inclusive ? "" : column + " IS NOT NULL";
    const std::string comparison =
        column + (descending ? " <" : " >") + (inclusive ? "= " : " ") + Bind(value);
    if (!descending || field.neverNull) return comparison;
    return "(" + comparison + " OR " + column + " IS NULL)";
  }

 private:
  std::string Bind(const rt::Variant& value) {
    params_.push_back(contracts::Parameter{"", data::ParamTypeOf(value), 0, value});
    return "?";
  }
  std::vector<contracts::Parameter>& params_;
};

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (const auto& part : parts) {
    if (!text.empty()) text += separator;
    text += part;
  }
  return text;
}

std::string Limit(std::int32_t limit) { return " LIMIT " + std::to_string(limit); }

}  // namespace

PageQuery::PageQuery(std::string statement, SortOrder order)
    : statement_(std::move(statement)), order_(std::move(order)) {}

std::string PageQuery::Listing() const { return "SELECT * FROM (" + statement_ + ")" + kListingAlias; }

std::string PageQuery::OrderBy(bool reversed) const {
  std::vector<std::string> keys;
  for (const SortField& field : order_) {
    const bool descending = field.descending != reversed;
    // Where nulls go is said only for a column that may hold them: an
    // ascending index keeps them last, so PostgreSQL could not read the
    // order from it if told where they go.
    const char* nulls = field.neverNull ? "" : descending ? " NULLS LAST" : " NULLS FIRST";
    keys.push_back(field.name + (descending ? " DESC" : " ASC") + nulls);
  }
  return " ORDER BY " + Joined(keys, ", ");
}

// Rows past the anchor: the first column beyond its value, or equal there
// and the second beyond, and so on; with `inclusive` the last column may
// also equal its value, which takes in the anchor row. Every alternative
// binds its own values, in the order the text shows them.
std::string PageQuery::Seek(const std::vector<rt::Variant>& anchor, bool reversed, bool inclusive,
                            std::vector<contracts::Parameter>& params) const {
  if (anchor.size() != order_.size()) rt::Raise(rt::errnum::kInvalidProcedureCall);
  SeekBuilder builder(params);
  std::vector<std::string> alternatives;
  for (std::size_t i = 0; i < order_.size(); ++i) {
    const bool descending = order_[i].descending != reversed;
    const bool last = i + 1 == order_.size();
    if (descending && anchor[i].IsNull() && !(inclusive && last)) continue;  // nothing is past it
    std::vector<std::string> conditions;
    for (std::size_t j = 0; j < i; ++j) conditions.push_back(builder.Equal(order_[j].name, anchor[j]));
    const std::string beyond = builder.Beyond(order_[i], anchor[i], descending, inclusive && last);
    if (!beyond.empty()) conditions.push_back(beyond);
    alternatives.push_back(conditions.empty() ? "1 = 1" : "(" + Joined(conditions, " AND ") + ")");
  }
  if (alternatives.empty()) return "1 = 0";
  return "(" + Joined(alternatives, " OR ") + ")";
}

PageStatement PageQuery::First(std::int32_t limit) const {
  return {Listing() + OrderBy(false) + Limit(limit), {}};
}

PageStatement PageQuery::FromOffset(std::int64_t offset, std::int32_t limit) const {
  return {Listing() + OrderBy(false) + Limit(limit) + " OFFSET " + std::to_string(offset), {}};
}

PageStatement PageQuery::After(const std::vector<rt::Variant>& anchor, bool inclusive,
                               std::int32_t limit) const {
  PageStatement page;
  page.sql = Listing() + " WHERE " + Seek(anchor, false, inclusive, page.params) + OrderBy(false) +
             Limit(limit);
  return page;
}

PageStatement PageQuery::Between(const std::vector<rt::Variant>& from,
                                 const std::vector<rt::Variant>& through, std::int32_t limit) const {
  PageStatement page;
  // One after the other: the values are bound in the order the text shows
  // them.
  const std::string fromHere = Seek(from, false, true, page.params);
  const std::string throughThere = Seek(through, true, true, page.params);
  page.sql = Listing() + " WHERE " + fromHere + " AND " + throughThere + OrderBy(false) + Limit(limit);
  return page;
}

PageStatement PageQuery::Before(const std::vector<rt::Variant>& anchor, std::int32_t limit) const {
  PageStatement page;
  page.sql =
      Listing() + " WHERE " + Seek(anchor, true, false, page.params) + OrderBy(true) + Limit(limit);
  return page;
}

PageStatement PageQuery::Count() const {
  return {"SELECT COUNT(*) FROM (" + statement_ + ")" + kListingAlias, {}};
}

}  // namespace korvo::utility
