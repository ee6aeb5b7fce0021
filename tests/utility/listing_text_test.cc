// The texts a browser sends and the statements paging builds, without a
// database: sort orders, listed columns, states and seek
// conditions.
#include <gtest/gtest.h>

#include "platform/runtime/date.h"
#include "platform/utility/listed_columns.h"
#include "platform/utility/page_query.h"
#include "platform/utility/paging_errors.h"
#include "platform/utility/paging_state.h"
#include "platform/utility/sort_fields.h"

namespace korvo::utility {
namespace {

using Columns = std::vector<std::string>;

TEST(SortFields, ColumnNamesWithOptionalDirectionsInAnyCase) {
  EXPECT_TRUE(ParseSortFields("").empty());
  EXPECT_TRUE(ParseSortFields("   ").empty());
  EXPECT_EQ(ParseSortFields(" NAME desc ,\tCITY1 Asc,ZIPCODE"),
            (SortOrder{{"NAME", true}, {"CITY1", false}, {"ZIPCODE", false}}));
  EXPECT_EQ(MatchColumns(ParseSortFields("name DESC"), {"BUSINESSPARTNERID", "NAME"},
                         errnum::kInvalidSortFields),
            (SortOrder{{"NAME", true}}));
  EXPECT_EQ(SeekOrder({{"NAME", true}}, "ID"), (SortOrder{{"NAME", true}, {"ID", false}}));
  EXPECT_EQ(SeekOrder({{"id", true}}, "ID"), (SortOrder{{"id", true}}));
}

TEST(ListedColumns, FromTheSelectListOrTheSchemaForAStar) {
  const Columns partner = ListedColumns("SELECT * FROM BUSINESSPARTNER WHERE (NOT ISONETIMEBP = 1)");
  EXPECT_EQ(partner.front(), "BUSINESSPARTNERID");
  EXPECT_NE(std::find(partner.begin(), partner.end(), "ISINTERNALBP"), partner.end());
  EXPECT_EQ(ListedColumns("SELECT BUSINESSPARTNERID, NAME FROM BUSINESSPARTNER"),
            (Columns{"BUSINESSPARTNERID", "NAME"}));
  EXPECT_EQ(ListedColumns("SELECT DISTINCT TOP 5 BP.BUSINESSPARTNERID, BP.NAME AS N, COUNT(*) C, A + B "
                          "FROM BUSINESSPARTNER BP"),
            (Columns{"BUSINESSPARTNERID", "N", "C"}));
  EXPECT_EQ(ListedColumns("SELECT BP.* FROM BUSINESSPARTNER AS BP").size(), partner.size());
  EXPECT_TRUE(ListedColumns("SELECT * FROM (SELECT 1 X) Q").empty());
  EXPECT_THROW(ListedColumns("UPDATE BUSINESSPARTNER SET NAME = ''"), rt::Error);
}

TEST(PagingState, RoundTripsEveryValueKindTheDatabaseReads) {
  PagingState state;
  state.pageSize = 25;
  state.sortFields = {{"NAME", true}, {"ISONETIMEBP", false}, {"EFFECTIVEDATE", false}, {"RATE", true}};
  state.keyField = "ID";
  state.pageNumber = 7;
  state.anchor = {rt::Variant("O'Neil \xE2\x82\xAC"), rt::Variant(true),
                  rt::Variant(*rt::MakeDate({2024, 2, 29})), rt::Variant::Null(),
                  rt::Variant(std::int32_t{42})};
  const std::string text = EncodeState(state);
  EXPECT_EQ(text.rfind("KP1.", 0), 0u);
  EXPECT_EQ(text.find_first_of("+/=;'\" "), std::string::npos);  // safe in a URL or a form field
  const PagingState back = DecodeState(text);
  EXPECT_EQ(back.pageSize, 25);
  EXPECT_EQ(back.sortFields, state.sortFields);
  EXPECT_EQ(back.pageNumber, 7);
  ASSERT_EQ(back.anchor.size(), 5u);
  EXPECT_EQ(back.anchor[0].AsString(), "O'Neil \xE2\x82\xAC");
  EXPECT_TRUE(back.anchor[1].AsBool());
  EXPECT_EQ(back.anchor[2].Type(), rt::VarType::Date);
  EXPECT_TRUE(back.anchor[3].IsNull());
  EXPECT_EQ(back.anchor[4].Type(), rt::VarType::Long);
}

// Only a NOT NULL column of a table read alone is known to hold no null;
// a join, a union or an alias over a nullable column may bring nulls.
TEST(ListedColumns, NeverNullOnlyForNotNullColumnsOfATableReadAlone) {
  const Columns partner = NeverNullColumns("SELECT * FROM BUSINESSPARTNER WHERE NAME LIKE 'A%'");
  EXPECT_EQ(partner, Columns{"BUSINESSPARTNERID"});
  EXPECT_EQ(NeverNullColumns("SELECT BP.BUSINESSPARTNERID AS ID, NAME AS BUSINESSPARTNERID "
                             "FROM BUSINESSPARTNER BP"),
            Columns{"ID"});
  EXPECT_TRUE(NeverNullColumns("SELECT *, NAME BUSINESSPARTNERID FROM BUSINESSPARTNER").empty());
  EXPECT_TRUE(
      NeverNullColumns("SELECT MAX(BUSINESSPARTNERID) BUSINESSPARTNERID FROM BUSINESSPARTNER").empty());
  EXPECT_TRUE(NeverNullColumns("SELECT BP.* FROM ADDRESS A LEFT JOIN BUSINESSPARTNER BP "
                               "ON BP.POSTALADDRESSID = A.ADDRESSID")
                  .empty());
  EXPECT_TRUE(NeverNullColumns("SELECT BUSINESSPARTNERID FROM BUSINESSPARTNER, ADDRESS").empty());
  EXPECT_TRUE(
      NeverNullColumns("SELECT BUSINESSPARTNERID FROM BUSINESSPARTNER UNION SELECT NULL").empty());
  EXPECT_TRUE(NeverNullColumns("SELECT * FROM (SELECT * FROM BUSINESSPARTNER) Q").empty());
  EXPECT_EQ(NeverNullColumns("SELECT BUSINESSPARTNERID FROM BUSINESSPARTNER WHERE BUSINESSPARTNERID IN "
                             "(SELECT C.BUSINESSPARTNERID FROM CUSTOMER C JOIN OFFICE O ON 1 = 1)"),
            Columns{"BUSINESSPARTNERID"});
}

// A column that holds no null is ordered and sought without placing nulls,
// so the database can read the order from its index; a nullable one keeps
// the null order.
TEST(PageQuery, AColumnWithoutNullsIsOrderedAndSoughtByPlainComparisons) {
  const PageQuery query("SELECT * FROM T", {{"A", false, false}, {"K", false, true}});
  EXPECT_EQ(query.First(11).sql,
            "SELECT * FROM (SELECT * FROM T) KORVOPAGE ORDER BY A ASC NULLS FIRST, K ASC LIMIT 11");
  const PageStatement before = query.Before({rt::Variant("x"), rt::Variant(std::int32_t{5})}, 11);
  EXPECT_EQ(
      before.sql,
      "SELECT * FROM (SELECT * FROM T) KORVOPAGE WHERE (((A < ? OR A IS NULL)) OR (A = ? AND K < ?)) "
      "ORDER BY A DESC NULLS LAST, K DESC LIMIT 11");
  EXPECT_EQ(before.params.size(), 3u);
}

// Rows past (A desc, K) = ('x', 5): nulls of A sort last descending.
TEST(PageQuery, SeeksBindEveryValueAndFollowTheNullOrder) {
  const PageQuery query("SELECT * FROM T", {{"A", true}, {"K", false}});
  const PageStatement next = query.After({rt::Variant("x"), rt::Variant(std::int32_t{5})}, false, 11);
  EXPECT_EQ(
      next.sql,
      "SELECT * FROM (SELECT * FROM T) KORVOPAGE WHERE (((A < ? OR A IS NULL)) OR (A = ? AND K > ?)) "
      "ORDER BY A DESC NULLS LAST, K ASC NULLS FIRST LIMIT 11");
  EXPECT_EQ(next.params.size(), 3u);
  const PageStatement fromNull =
      query.After({rt::Variant::Null(), rt::Variant(std::int32_t{5})}, true, 11);
  EXPECT_EQ(fromNull.sql,
            "SELECT * FROM (SELECT * FROM T) KORVOPAGE WHERE ((A IS NULL AND K >= ?)) "
            "ORDER BY A DESC NULLS LAST, K ASC NULLS FIRST LIMIT 11");
  // From a null, ascending and inclusive, every row qualifies.
  const PageQuery nullable("SELECT * FROM T", {{"A", false}});
  EXPECT_EQ(
      nullable.After({rt::Variant::Null()}, true, 11).sql,
      "SELECT * FROM (SELECT * FROM T) KORVOPAGE WHERE (1 = 1) ORDER BY A ASC NULLS FIRST LIMIT 11");
  const PageStatement before = query.Before({rt::Variant::Null(), rt::Variant(std::int32_t{5})}, 11);
  EXPECT_EQ(
      before.sql,
      "SELECT * FROM (SELECT * FROM T) KORVOPAGE WHERE ((A IS NOT NULL) OR (A IS NULL AND (K < ? OR K IS NULL))) "
      "ORDER BY A ASC NULLS FIRST, K DESC NULLS LAST LIMIT 11");
}

}  // namespace
}  // namespace korvo::utility
