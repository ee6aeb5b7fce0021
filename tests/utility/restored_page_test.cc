// A page continued from a persisted state after the listing changed: the
// next request moves on from the row the caller was shown last, so rows
// added inside the page meanwhile repeat nothing and rows removed from it
// pass nothing over.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/runtime/conversions.h"
#include "platform/utility/drecordset.h"
#include "utility/paging_fixture.h"

namespace korvo::utility::testing {
namespace {

using Keys_ = std::vector<std::int32_t>;

// The name of the page's first or last row; "" for a partner without one.
std::string NameAt(const DRecordset& listing, bool last) {
  std::string name;
  for (auto page = listing.GetPageRecordset(); !page->IsEOF(); page->MoveNext()) {
    const rt::Variant& value = page->Value("NAME");
    name = value.IsNull() ? "" : rt::CStr(value);
    if (!last) break;
  }
  return name;
}

class RestoredPageTest : public PagingTest {
 protected:
  // Shows a page whose rows carry two names, so that a partner added under
  // the first name sorts inside it; answers its state and the next page.
  void ShowASplitPage() {
    shown_ = NewListing(10, "NAME");
    shown_->Open(kListing, kKey);
    while (NameAt(*shown_, false).empty() || NameAt(*shown_, false) == NameAt(*shown_, true)) {
      ASSERT_TRUE(shown_->NextPage());
    }
    firstName_ = NameAt(*shown_, false);
    page_ = Keys(*shown_);
    state_ = shown_->GetState();
    ASSERT_TRUE(shown_->NextPage());
    next_ = Keys(*shown_);
  }

  // The next request: a new record set restored from the state, opened
  // and moved to the next page.
  std::shared_ptr<DRecordset> ContinueWithNextPage() {
    auto later = std::make_shared<DRecordset>();
    later->SetConnectionString(ConnectionString());
    later->RestoreState(state_);

    later->SetPageSize(10);
    later->SetSortFields("NAME");
    later->Open(kListing, kKey);
    reread_ = Keys(*later);
    EXPECT_TRUE(later->NextPage());
    return later;
  }

  std::shared_ptr<DRecordset> shown_;
  std::string firstName_, state_;
  Keys_ page_, next_, reread_;
};

TEST_F(RestoredPageTest, ARowAddedInsideThePageRepeatsNothingOnTheNextPage) {
  ShowASplitPage();
  Execute("INSERT INTO BUSINESSPARTNER (NAME) VALUES ('" + firstName_ + "')");
  auto later = ContinueWithNextPage();
  EXPECT_EQ(Keys(*later), next_);
  // The page read again holds the rows shown and the one added among them.
  EXPECT_EQ(reread_.size(), page_.size() + 1);
  for (std::int32_t key : page_)
    EXPECT_NE(std::find(reread_.begin(), reread_.end(), key), reread_.end()) << key;
}

TEST_F(RestoredPageTest, ARowRemovedFromThePagePassesNothingOverOnTheNextPage) {
  ShowASplitPage();
  Execute("DELETE FROM BUSINESSPARTNER WHERE BUSINESSPARTNERID = " + std::to_string(page_[1]));
  auto later = ContinueWithNextPage();
  EXPECT_EQ(Keys(*later), next_);
}

}  // namespace
}  // namespace korvo::utility::testing
