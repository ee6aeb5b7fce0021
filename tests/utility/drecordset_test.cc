// KorvoLibrary.DRecordset on a real database: walking a listing page by
// page, continuing from a persisted state, going to far pages, and refusing
// what a browser may send before anything runs.
#include "platform/utility/drecordset.h"

#include <algorithm>

#include "platform/host/host_scope.h"
#include "platform/utility/page.h"
#include "platform/utility/paging_errors.h"
#include "platform/utility/paging_state.h"
#include "utility/paging_fixture.h"

namespace korvo::utility::testing {
namespace {

using Keys_ = std::vector<std::int32_t>;

// Every key of the listing in the listing's order, read as one page.
Keys_ Flatten(const std::vector<Keys_>& pages) {
  Keys_ all;
  for (const auto& page : pages) all.insert(all.end(), page.begin(), page.end());
  return all;
}

class WalkTest : public PagingTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(WalkTest, ForwardsAndBackwardsMeetEveryRowOnceInTheListingsOrder) {
  auto whole = NewListing(kPartners, GetParam());
  whole->Open(kListing, kKey);
  const Keys_ expected = Keys(*whole);
  ASSERT_EQ(expected.size(), static_cast<std::size_t>(kPartners));
  ForgetStatements();

  auto listing = NewListing(7, GetParam());
  listing->Open(kListing, kKey);
  std::vector<Keys_> forwards{Keys(*listing)};
  EXPECT_FALSE(listing->HasPreviousPage());
  while (listing->NextPage()) {
    forwards.push_back(Keys(*listing));
    EXPECT_EQ(listing->PageNumber(), static_cast<std::int32_t>(forwards.size()));
  }
  EXPECT_EQ(forwards.size(), 143u);
  EXPECT_EQ(forwards.back().size(), 6u);
  EXPECT_FALSE(listing->HasNextPage());
  EXPECT_EQ(Flatten(forwards), expected);
  const Keys_ all = Flatten(forwards);
  EXPECT_EQ(std::set<std::int32_t>(all.begin(), all.end()).size(), all.size());

  std::vector<Keys_> backwards{Keys(*listing)};
  while (listing->PreviousPage()) backwards.push_back(Keys(*listing));
  std::reverse(backwards.begin(), backwards.end());
  EXPECT_EQ(backwards, forwards);
  EXPECT_EQ(listing->PageNumber(), 1);

  // Moving sought from the page's edge rows: nothing counted or skipped.
  for (const std::string& sql : Statements()) {
    EXPECT_EQ(sql.find("OFFSET"), std::string::npos) << sql;
    EXPECT_EQ(sql.find("COUNT("), std::string::npos) << sql;
  }
}

// Non-unique sort columns, nulls in them, mixed directions, and the key
// itself as a sort field.
INSTANTIATE_TEST_SUITE_P(Sorts, WalkTest,
                         ::testing::Values("NAME DESC", "name", "ZRKCUSTOMERCODE DESC, NAME",
                                           "BUSINESSPARTNERID DESC", ""));

TEST_F(PagingTest, NullsSortFirstAscendingAndLastDescending) {
  for (const char* sort : {"NAME", "NAME DESC"}) {
    auto listing = NewListing(kPartners, sort);
    listing->Open(kListing, kKey);
    auto rows = listing->GetPageRecordset();
    std::vector<bool> nulls;
    for (; !rows->IsEOF(); rows->MoveNext()) nulls.push_back(rows->Value("NAME").IsNull());
    const bool ascending = std::string(sort) == "NAME";
    EXPECT_EQ(std::count(nulls.begin(), nulls.end(), true), 20) << sort;
    EXPECT_TRUE(ascending ? std::is_sorted(nulls.rbegin(), nulls.rend())
                          : std::is_sorted(nulls.begin(), nulls.end()))
        << sort;
  }
}

TEST_F(PagingTest, ARestoredStateShowsItsPageAgainAndContinuesFromIt) {
  auto first = NewListing(10, "NAME DESC");
  first->Open(kListing, kKey);
  for (int i = 1; i < 5; ++i) ASSERT_TRUE(first->NextPage());
  const Keys_ fifth = Keys(*first);
  const std::string state = first->GetState();
  ASSERT_TRUE(first->NextPage());
  const Keys_ sixth = Keys(*first);

  // A later request, as the listing methods make it: a new record set.
  auto later = std::make_shared<DRecordset>();
  later->SetConnectionString(ConnectionString());
  later->RestoreState(state);
  later->SetPageSize(10);
  later->SetSortFields("NAME DESC");
  later->Open(kListing, kKey);
  EXPECT_EQ(later->PageNumber(), 5);
  EXPECT_EQ(Keys(*later), fifth);
  ASSERT_TRUE(later->NextPage());
  EXPECT_EQ(later->PageNumber(), 6);
  EXPECT_EQ(Keys(*later), sixth);
  ASSERT_TRUE(later->PreviousPage());
  EXPECT_EQ(Keys(*later), fifth);

  // Another order or page size than the state's starts at the first page.
  auto resorted = std::make_shared<DRecordset>();
  resorted->SetConnectionString(ConnectionString());
  resorted->RestoreState(state);
  resorted->SetSortFields("NAME");
  resorted->Open(kListing, kKey);
  EXPECT_EQ(resorted->PageNumber(), 1);
  EXPECT_FALSE(resorted->HasPreviousPage());
}

// A listing in its key's order continued from a persisted state, as a web
// page's "next" link does: every statement that seeks (the restored page
// read again, the row after it, the next and the previous page) reads a
// range of the key's index, not the table from its start; this was a scan
// of the whole table per request.
TEST_F(PagingTest, ARestoredListingInKeyOrderSeeksThroughTheKeysIndex) {
  KORVO_SQLITE_ONLY("the plan is read with SQLite's EXPLAIN QUERY PLAN");
  auto first = NewListing(10, "");
  first->Open(kListing, kKey);
  for (int i = 1; i < 5; ++i) ASSERT_TRUE(first->NextPage());
  const std::string state = first->GetState();
  ForgetStatements();
  auto later = std::make_shared<DRecordset>();
  later->SetConnectionString(ConnectionString());
  later->RestoreState(state);
  later->SetPageSize(10);
  later->Open(kListing, kKey);
  ASSERT_TRUE(later->NextPage());
  ASSERT_TRUE(later->PreviousPage());
  EXPECT_EQ(later->PageNumber(), 5);

  auto connection = std::make_shared<data::Connection>();
  connection->Open(ConnectionString());
  int seeks = 0;
  for (const std::string& sql : Statements()) {
    if (sql.find(" WHERE ") == std::string::npos) continue;
    ++seeks;
    // The plan does not depend on the values, so each is bound as null.
    const std::vector<contracts::Parameter> nulls(
        std::count(sql.begin(), sql.end(), '?'),
        contracts::Parameter{"", contracts::ParamType::Integer, 0, rt::Variant::Null()});
    for (auto plan = connection->Execute("EXPLAIN QUERY PLAN " + sql, nulls); !plan->IsEOF();
         plan->MoveNext()) {
      const std::string step = rt::CStr(plan->Value("detail"));
      EXPECT_FALSE(step.starts_with("SCAN")) << sql << ": " << step;
    }
  }
  EXPECT_GE(seeks, 4);
}

// The request after a page was shown asks for the page after it before
// opening, as a "next" link does: the restored page is sought from, and
// past the last page the last one is shown again.
TEST_F(PagingTest, ARestoredStateGoesToThePageAfterItAskedForBeforeOpen) {
  auto first = NewListing(100, "NAME");
  first->Open(kListing, kKey);
  for (int i = 1; i < 9; ++i) ASSERT_TRUE(first->NextPage());
  const std::string ninth = first->GetState();
  ASSERT_TRUE(first->NextPage());
  const Keys_ tenth = Keys(*first);
  const std::string last = first->GetState();

  auto goOnFrom = [&](const std::string& state, std::int32_t page, bool& found) {
    auto later = std::make_shared<DRecordset>();
    later->SetConnectionString(ConnectionString());
    later->RestoreState(state);
    later->GoToPage(found, page);
    later->Open(kListing, kKey);
    return later;
  };
  bool found = false;
  auto next = goOnFrom(ninth, 10, found);
  EXPECT_EQ(next->PageNumber(), 10);
  EXPECT_EQ(Keys(*next), tenth);
  EXPECT_FALSE(next->HasNextPage());

  auto past = goOnFrom(last, 11, found);
  EXPECT_EQ(past->PageNumber(), 10);
  EXPECT_EQ(Keys(*past), tenth);
  EXPECT_TRUE(past->HasPreviousPage());
}

TEST_F(PagingTest, GoingToAFarPageCountsAndAPagePastTheLastShowsTheLast) {
  auto walker = NewListing(9, "ZRKCUSTOMERCODE");
  walker->Open(kListing, kKey);
  std::vector<Keys_> pages{Keys(*walker)};
  while (walker->NextPage()) pages.push_back(Keys(*walker));

  auto listing = NewListing(9, "ZRKCUSTOMERCODE");
  listing->Open(kListing, kKey);
  EXPECT_EQ(listing->RecordCount(), kPartners);
  EXPECT_EQ(listing->PageCount(), 112);
  bool found = true;
  std::int32_t page = 60;
  listing->GoToPage(found, page);
  EXPECT_TRUE(found);
  EXPECT_EQ(page, 60);
  EXPECT_EQ(Keys(*listing), pages[59]);
  ASSERT_TRUE(listing->NextPage());
  EXPECT_EQ(Keys(*listing), pages[60]);

  page = 500;
  listing->GoToPage(found, page);
  EXPECT_FALSE(found);
  EXPECT_EQ(page, 112);
  EXPECT_EQ(Keys(*listing), pages.back());
  EXPECT_FALSE(listing->NextPage());

  page = 0;
  EXPECT_EQ(RaisedBy([&] { listing->GoToPage(found, page); }).Number, errnum::kInvalidPageArgument);
}

TEST_F(PagingTest, APageAskedForBeforeOpenIsTheOneOpenFills) {
  auto walker = NewListing(25, "NAME");
  walker->Open(kListing, kKey);
  walker->NextPage();
  walker->NextPage();
  const Keys_ third = Keys(*walker);

  auto listing = NewListing(25, "NAME");
  bool found = true;
  std::int32_t page = 3;
  listing->ResetPosition();
  listing->GoToPage(found, page);
  listing->Open(kListing, kKey);
  EXPECT_EQ(listing->PageNumber(), 3);
  EXPECT_EQ(Keys(*listing), third);
}

TEST_F(PagingTest, HostileSortOrdersAreRefusedBeforeAnyStatementRuns) {
  ForgetStatements();
  for (const char* hostile :
       {"NAME; DROP TABLE BUSINESSPARTNER", "NAME DESC, (SELECT 1)", "NAME ASC DESC", "NAME,", ",NAME",
        "1", "NAME -- comment", "BP.NAME", "NAME COLLATE NOCASE", "NAME, name DESC", "[NAME]",
        "\"NAME\"", "NAME DESC LIMIT 1", "CASE WHEN 1=1 THEN NAME END"}) {
    auto listing = std::make_shared<DRecordset>();
    listing->SetConnectionString(ConnectionString());
    const rt::ErrorRecord error = RaisedBy([&] { listing->SetSortFields(hostile); });
    EXPECT_EQ(error.Number, errnum::kInvalidSortFields) << hostile;
    EXPECT_EQ(error.Source, "KorvoLibrary.DRecordset");
    // The refused sort order left no trace: the listing opens unsorted.
    listing->Open(kListing, kKey);
  }
  // Names that are not columns of the listed statement are refused at Open.
  ForgetStatements();
  auto listing = NewListing(10, "NAME, PASSWORD DESC");
  const rt::ErrorRecord error = RaisedBy([&] { listing->Open(kListing, kKey); });
  EXPECT_EQ(error.Number, errnum::kInvalidSortFields);
  EXPECT_EQ(error.Description, "Sort field 'PASSWORD' is not a column of the listed statement");
  auto limited = NewListing(10, "CITY1");
  EXPECT_EQ(RaisedBy([&] {
              limited->Open("SELECT BUSINESSPARTNERID, NAME FROM BUSINESSPARTNER", kKey);
            }).Number,
            errnum::kInvalidSortFields);
  EXPECT_TRUE(Statements().empty());
}

TEST_F(PagingTest, TamperedOrMalformedStatesAreRefusedBeforeAnyStatementRuns) {
  auto walker = NewListing(10, "NAME DESC");
  walker->Open(kListing, kKey);
  walker->NextPage();
  const std::string state = walker->GetState();
  ForgetStatements();

  std::string flipped = state;
  flipped[10] = flipped[10] == 'A' ? 'B' : 'A';
  PagingState hostileName = DecodeState(state);
  hostileName.sortFields[0].name = "NAME) OR (1=1";
  PagingState shortAnchor = DecodeState(state);
  shortAnchor.anchor.pop_back();
  for (const std::string& tampered :
       {flipped, state.substr(0, state.size() - 3), std::string("garbage"), std::string("KP1."),
        "KP1.e30." + state.substr(state.rfind('.') + 1), EncodeState(hostileName),
        EncodeState(shortAnchor)}) {
    auto listing = std::make_shared<DRecordset>();
    const rt::ErrorRecord error = RaisedBy([&] { listing->RestoreState(tampered); });
    EXPECT_EQ(error.Number, errnum::kInvalidPagingState) << tampered;
    EXPECT_EQ(error.Description.rfind("Invalid paging state: ", 0), 0u) << error.Description;
  }

  // Well-formed names that the listed statement does not have are refused
  // when it is opened.
  PagingState foreign = DecodeState(state);
  foreign.sortFields[0].name = "PASSWORD";
  auto listing = std::make_shared<DRecordset>();
  listing->SetConnectionString(ConnectionString());
  listing->RestoreState(EncodeState(foreign));
  EXPECT_EQ(RaisedBy([&] { listing->Open(kListing, kKey); }).Number, errnum::kInvalidPagingState);
  EXPECT_TRUE(Statements().empty());
}

TEST_F(PagingTest, AChangedSortStartsTheNextMoveAtTheFirstPageInTheNewOrder) {
  auto byName = NewListing(10, "NAME");
  byName->Open(kListing, kKey);
  const Keys_ firstByName = Keys(*byName);

  auto listing = NewListing(10, "NAME DESC");
  listing->Open(kListing, kKey);
  listing->NextPage();
  listing->SetSortFields("NAME");
  EXPECT_TRUE(listing->NextPage());
  EXPECT_EQ(listing->PageNumber(), 1);
  EXPECT_EQ(Keys(*listing), firstByName);

  // A name the listing does not have is refused when the move needs it.
  listing->SetSortFields("NAME1");
  ForgetStatements();
  EXPECT_EQ(RaisedBy([&] { listing->NextPage(); }).Number, errnum::kInvalidSortFields);
  EXPECT_TRUE(Statements().empty());
  EXPECT_EQ(Keys(*listing), firstByName);
}

TEST_F(PagingTest, AnEmptyListingHasNoPages) {
  auto listing = NewListing(10, "NAME");
  listing->Open("SELECT * FROM BUSINESSPARTNER WHERE (BUSINESSPARTNERID IN (NULL))", kKey);
  EXPECT_EQ(listing->PageNumber(), 0);
  EXPECT_EQ(listing->PageCount(), 0);
  EXPECT_TRUE(listing->GetPageRecordset()->IsEOF());
  EXPECT_FALSE(listing->NextPage());
  EXPECT_FALSE(listing->PreviousPage());
}

TEST_F(PagingTest, ARecordSetThatWasNeverOpenedHasNoPageToReadOrMove) {
  auto listing = std::make_shared<DRecordset>();
  EXPECT_EQ(RaisedBy([&] { listing->GetPageRecordset(); }).Number, contracts::dberr::kObjectClosed);
  EXPECT_EQ(RaisedBy([&] { listing->NextPage(); }).Number, contracts::dberr::kObjectClosed);
  EXPECT_EQ(RaisedBy([&] { listing->SetPageSize(0); }).Number, errnum::kInvalidPageArgument);
  EXPECT_EQ(RaisedBy([&] { listing->Open(kListing, kKey); }).Number, errnum::kUnpageableListing);
  listing->SetConnectionString(ConnectionString());
  EXPECT_EQ(RaisedBy([&] { listing->Open(kListing, "NAME; --"); }).Number, errnum::kUnpageableListing);
  EXPECT_EQ(RaisedBy([&] { listing->Open("DELETE FROM BUSINESSPARTNER", kKey); }).Number,
            errnum::kUnpageableListing);
}

// A web page's listing: the page keeps its record set between requests and
// knows the connection only by name; the record set goes on reading after
// the request that opened it has ended.
TEST_F(PagingTest, APageKeepsItsRecordSetBetweenRequestsAndReportsARequestOnce) {
  auto page = std::make_shared<Page>();
  auto application = rt::Dictionary::Create();
  application->Add(rt::Variant("KorvoCommonConnection_ConnectionString"),
                   rt::Variant(ConnectionString()));
  std::shared_ptr<DRecordset> listing;
  {
    host::HostScope request(host::ScopeOptions{true, application, nullptr});
    page->SetConnectionName("KorvoCommonConnection");
    listing = std::dynamic_pointer_cast<DRecordset>(page->GetRecordset());
    ASSERT_TRUE(listing);
    listing->SetPageSize(10);
    listing->Open(kListing, kKey);
    request.End();
  }
  EXPECT_EQ(page->ConnectionName(), "KorvoCommonConnection");
  EXPECT_EQ(page->GetRecordset(), listing);
  EXPECT_TRUE(listing->NextPage());
  EXPECT_EQ(listing->PageNumber(), 2);

  page->RequestPage(4);
  std::int32_t asked = 0;
  bool requested = false;
  rt::Variant unused;
  page->GetPendingPage(asked, requested, unused);
  EXPECT_TRUE(requested);
  EXPECT_EQ(asked, 4);
  page->GetPendingPage(asked, requested, unused);
  EXPECT_FALSE(requested);
  EXPECT_EQ(RaisedBy([&] { page->RequestPage(0); }).Number, errnum::kInvalidPageArgument);
}

}  // namespace
}  // namespace korvo::utility::testing
