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
  // The condition for rows past a non-null `value`, or past a null in
  // ascending order (nulls sort first ascending, last descending).
  std::string Beyond(const SortField& field, const rt::Variant& value, bool descending) {
    const std::string& column = field.name;
    if (!descending) return value.IsNull() ? column + " IS NOT NULL" : column + " > " + Bind(value);
    if (field.neverNull) return column + " < " + Bind(value);
    return "(" + column + " < " + Bind(value) + " OR " + column + " IS NULL)";
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
// and the second beyond, and so on; with `inclusive` also the anchor row.
// Every alternative binds its own values, in the order the text shows them.
std::string PageQuery::Seek(const std::vector<rt::Variant>& anchor, bool reversed, bool inclusive,
                            std::vector<contracts::Parameter>& params) const {
  if (anchor.size() != order_.size()) rt::Raise(rt::errnum::kInvalidProcedureCall);
  SeekBuilder builder(params);
  auto equalUpTo = [&](std::size_t end) {
    std::vector<std::string> conditions;
    for (std::size_t j = 0; j < end; ++j) conditions.push_back(builder.Equal(order_[j].name, anchor[j]));
    return conditions;
  };
  std::vector<std::string> alternatives;
  for (std::size_t i = 0; i < order_.size(); ++i) {
    const bool descending = order_[i].descending != reversed;
    if (descending && anchor[i].IsNull()) continue;  // a null sorts last there: nothing is beyond it
    std::vector<std::string> conditions = equalUpTo(i);
    conditions.push_back(builder.Beyond(order_[i], anchor[i], descending));
    alternatives.push_back("(" + Joined(conditions, " AND ") + ")");
  }
  if (inclusive) alternatives.push_back("(" + Joined(equalUpTo(order_.size()), " AND ") + ")");
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
