// Searching the directory: criteria, their order, row limits and paging,
// role searches, and criteria built to break out of the search.
#include "directory_fixture.h"

namespace korvo::membership::testing {
namespace {

using SearchTest = DirectoryTest;
using Names = std::vector<std::string>;

class SearchPeopleTest : public SearchTest {
 protected:
  void SetUp() override {
    SearchTest::SetUp();
    if (IsSkipped()) return;
    Seed("carl", {{"ProjectUserType", {"2"}}, {"KorvoRole", {"2", "4"}}, {"ProjectRole", {"PM"}}});
    Seed("Bob", {{"ProjectUserType", {"2"}}, {"KorvoRole", {"6"}}, {"BusinessPartnerID", {"12"}}});
    Seed("ann", {{"ProjectUserType", {"1"}}, {"KorvoRole", {"2"}}, {"EmployeeNumber", {"E-7"}}});
    Seed("dave", {{"KorvoRole", {"6"}}, {"BusinessPartnerID", {"13"}}, {"PropertyGroupID", {"5"}}});
  }
};

TEST_P(SearchPeopleTest, ResultsComeOrderedByIdIgnoringCase) {
  EXPECT_EQ(Search({}), (Names{"ann", "Bob", "carl", "dave", "script"}));
  auto members = NewMembers();
  EXPECT_EQ(members->IDAttribute(), "UserID");
  EXPECT_EQ(Ids(members->Search(rt::Variant::Nothing(), "", rt::Variant::Missing())).size(), 5u);
  EXPECT_EQ(Ids(members->Search(rt::Variant(), "", rt::Variant())).size(), 5u);
  // Late-bound callers may leave the page size out.
  std::vector<rt::Variant> args{rt::Variant::Nothing(), rt::Variant("")};
  const rt::Variant rows =
      std::dynamic_pointer_cast<rt::Object>(members)->Invoke("Search", rt::InvokeKind::Method, args);
  EXPECT_EQ(Ids(std::dynamic_pointer_cast<contracts::Recordset>(rows.AsObject())).size(), 5u);
}

TEST_P(SearchPeopleTest, EveryCriterionMustHold) {
  EXPECT_EQ(Search({"ProjectUserType=2"}), (Names{"Bob", "carl"}));
  EXPECT_EQ(Search({"ProjectUserType=02", "KorvoRole=4"}), Names{"carl"});
  EXPECT_EQ(Search({"employeenumber=e-7"}), Names{"ann"});  // names and values ignore case
  EXPECT_EQ(Search({"PropertyGroupID=5"}), Names{"dave"});
  EXPECT_EQ(Search({"UserID=BOB"}), Names{"Bob"});
  EXPECT_EQ(Search({"UserID>=c"}), (Names{"carl", "dave", "script"}));
  EXPECT_EQ(Search({"UserID>=bob!"}), (Names{"carl", "dave", "script"}));
  EXPECT_EQ(Search({"UserID>=b", "KorvoRole=6"}), (Names{"Bob", "dave"}));
  EXPECT_TRUE(Search({"ProjectRole=XX"}).empty());
}

// A user matching a criterion through several of its values is one user:
// listed once, counted once toward the page, and the page continues after it.
TEST_P(SearchPeopleTest, AUserMatchingThroughSeveralValuesIsListedOnce) {
  Seed("bea", {{"ProjectRole", {"PM", "pm", "QA"}}, {"PropertyGroupID", {"7", "9"}}});
  Seed("cid", {{"ProjectRole", {"pm"}}});
  EXPECT_EQ(Search({"ProjectRole=PM"}), (Names{"bea", "carl", "cid"}));
  EXPECT_EQ(Search({"PropertyGroupID>=5"}), (Names{"bea", "dave"}));
  EXPECT_EQ(Search({"ProjectRole=pm", "PropertyGroupID>=6", "UserID>=b"}), Names{"bea"});
  auto members = NewMembers();
  EXPECT_EQ(Ids(members->Search(TextArray({"ProjectRole=PM"}), "", rt::Variant(std::int32_t{1}))),
            Names{"bea"});
  EXPECT_EQ(members->NextFrom(), "carl");
  EXPECT_EQ(Ids(members->Search(TextArray({"ProjectRole=PM", "UserID>=carl"}), "",
                                rt::Variant(std::int32_t{2}))),
            (Names{"carl", "cid"}));
  EXPECT_EQ(members->NextFrom(), "");
}

TEST_P(SearchPeopleTest, RoleSearches) {
  auto members = NewMembers();
  EXPECT_EQ(Ids(members->SearchByRole(2, "UserID")), (Names{"ann", "carl"}));
  EXPECT_EQ(Ids(members->SearchByRole(6, "UserID")), (Names{"Bob", "dave"}));
  EXPECT_EQ(Ids(members->SearchByRoleWith(6, TextArray({"BusinessPartnerID=13"}), "UserID")),
            Names{"dave"});
  EXPECT_TRUE(Ids(members->SearchByRoleWith(2, TextArray({"UserID=Bob"}), "UserID")).empty());
  EXPECT_TRUE(Ids(members->SearchByRole(9, "UserID")).empty());
}

TEST_P(SearchPeopleTest, HostileCriteriaAreRefusedOrMatchedLiterally) {
  Seed("o'brien", {{"EMAIL", {"%"}}});
  Seed("st*r", {{"EMAIL", {"a_c"}}});
  // Quotes, wildcards and pattern characters are plain characters.
  EXPECT_EQ(Search({"UserID=o'brien"}), Names{"o'brien"});
  EXPECT_TRUE(Search({"UserID=x' OR '1'='1"}).empty());
  EXPECT_TRUE(Search({"UserID=' OR 1=1 --"}).empty());
  EXPECT_TRUE(Search({"UserID=*"}).empty());
  EXPECT_EQ(Search({"UserID=st*r"}), Names{"st*r"});
  EXPECT_TRUE(Search({"UserID=%"}).empty());
  EXPECT_TRUE(Search({"UserID=_nn"}).empty());
  EXPECT_EQ(Search({"EMAIL=%"}), Names{"o'brien"});
  EXPECT_TRUE(Search({"EMAIL=abc"}).empty());
  EXPECT_TRUE(Search({"EMAIL=a%"}).empty());
  EXPECT_TRUE(Search({"UserID=ann)(|(UserID=*"}).empty());
  EXPECT_TRUE(Search({"UserID==ann"}).empty());  // the value is "=ann"
  EXPECT_TRUE(Search({"KorvoRole=6 OR 1=1"}).empty());
  // What cannot be read as a criterion is refused as a whole.
  for (const std::string& bad :
       {std::string("User ID=ann"), std::string("UserID<>ann"), std::string("UserID<ann"),
        std::string("=ann"), std::string("UserID"), std::string("'UserID'=ann"),
        std::string("UserID=a\0b", 10), std::string("EMAIL=") + std::string(5000, '%'),
        std::string(100, 'N') + "=x"}) {
    EXPECT_EQ(SearchError(TextArray({"KorvoRole=2", bad})), err::kInvalidCriteria);
  }
  EXPECT_EQ(SearchError(rt::Variant(rt::Array({rt::Variant(std::int32_t{1})}))), err::kInvalidCriteria);
  EXPECT_EQ(SearchError(rt::Variant("UserID=ann")), err::kInvalidCriteria);
  EXPECT_EQ(ErrorOf([&] {
              NewMembers()->SearchByRoleWith(2, TextArray({"UserID LIKE '%'"}), "UserID");
            }).Number,
            err::kInvalidCriteria);
}

TEST_P(SearchTest, PagesWalkAThousandUsersExactlyOnce) {
  {
    host::HostScope scope;  // one transaction: a thousand users quickly
    for (int i = 0; i < 1000; ++i) {
      char id[16];
      std::snprintf(id, sizeof id, "%s%04d", i % 2 ? "User" : "user", (i * 7919) % 1000);
      Seed(id, {{"KorvoRole", {"2"}}});
    }
    scope.End();
  }
  auto members = NewMembers();
  std::vector<std::string> walked;
  std::string from;
  int pages = 0;
  do {
    auto rows = members->Search(TextArray({"UserID>=" + from, "KorvoRole=2"}), "",
                                rt::Variant(std::int32_t{64}));
    const Names page = Ids(rows);
    EXPECT_LE(page.size(), 64u);
    walked.insert(walked.end(), page.begin(), page.end());
    from = members->NextFrom();
    ++pages;
  } while (!from.empty() && pages < 100);
  ASSERT_EQ(walked.size(), 1000u);
  EXPECT_EQ(pages, 16);
  for (std::size_t i = 1; i < walked.size(); ++i) {
    ASSERT_LT(FoldCase(walked[i - 1]), FoldCase(walked[i])) << "at row " << i;
  }
  // An unlimited search leaves nothing to continue from.
  members->Search(rt::Variant(), "", rt::Variant(std::int32_t{0}));
  EXPECT_EQ(members->NextFrom(), "");
}

INSTANTIATE_TEST_SUITE_P(Backends, SearchTest, ::testing::Values("embedded", "ldap"));
INSTANTIATE_TEST_SUITE_P(Backends, SearchPeopleTest, ::testing::Values("embedded", "ldap"));

}  // namespace
}  // namespace korvo::membership::testing
