// BusinessPartner's paged listings: the statements they list (with their
// conditions in order and every ID through the integer guard), paging with
// and without the web page's Page, and the retired whole-table reads.
#include <algorithm>

#include "partner_fixture.h"
#include "platform/utility/drecordset.h"
#include "platform/utility/page.h"
#include "platform/utility/paging_errors.h"

namespace korvo::common::testing {
namespace {

using utility::DRecordset;

rt::Variant Ids(std::vector<rt::Variant> ids) { return rt::Variant(rt::Array(std::move(ids))); }
rt::Variant Id(std::int32_t id) { return rt::Variant(id); }

class ListingTest : public PartnerTest {
 protected:
  // 1-2 plain customers, 3 a one-time customer, 4 an internal customer,
  // 5 one-time and internal, 6 without a customer code, 7 with an empty one.
  void SetUp() override {
    PartnerTest::SetUp();
    const std::string flags = ", ZRKCUSTOMERCODE, ISONETIMEBP, ISINTERNALBP";
    AddPartner(1, "Alpha", flags, ", 'C1', 0, 0");
    AddPartner(2, "Beta", flags, ", 'C2', 0, 0");
    AddPartner(3, "Gamma", flags, ", 'C3', 1, 0");
    AddPartner(4, "Delta", flags, ", 'C4', 0, 1");
    AddPartner(5, "Epsilon", flags, ", NULL, 1, 1");
    AddPartner(6, "Zeta", flags, ", NULL, 0, 0");
    AddPartner(7, "Eta", flags, ", '', 0, 0");
  }

  static std::shared_ptr<DRecordset> Listing(const rt::ObjectRef& object) {
    auto listing = std::dynamic_pointer_cast<DRecordset>(object);
    EXPECT_TRUE(listing);
    return listing;
  }

  static std::vector<std::int32_t> Keys(const rt::ObjectRef& object,
                                        const char* key = "BUSINESSPARTNERID") {
    std::vector<std::int32_t> keys;
    for (auto rows = Listing(object)->GetPageRecordset(); !rows->IsEOF(); rows->MoveNext()) {
      keys.push_back(rt::CLng(rows->Value(key)));
    }
    return keys;
  }

  // The statement a listing handed to its record set, as it appears inside
  // the page statement that ran.
  static std::string Listed(const Statements& statements) {
    for (const std::string& sql : statements.seen) {
      const auto from = sql.find("FROM (");
      const auto end = sql.rfind(") KORVOPAGE");
      if (from != std::string::npos && end != std::string::npos)
        return sql.substr(from + 6, end - from - 6);
    }
    return "";
  }

  rt::ObjectRef Partners(std::optional<rt::Variant> ids = std::nullopt, bool skipOneTime = false,
                         bool skipInternal = false, std::optional<std::string> sort = std::nullopt) {
    return NewPartner()->GetBusinessPartnerData(rt::Variant(), "", 10, skipOneTime, skipInternal,
                                                std::move(ids), std::move(sort));
  }
};

TEST_F(ListingTest, ConditionsAreAddedInOrderToTheBaseStatement) {
  {
    Statements statements;
    EXPECT_EQ(Keys(Partners()), (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(Listed(statements), "SELECT * FROM BUSINESSPARTNER");
  }
  {
    Statements statements;
    EXPECT_EQ(Keys(Partners(Ids({Id(3), Id(5)}))), (std::vector<std::int32_t>{3, 5}));
    EXPECT_EQ(Listed(statements), "SELECT * FROM BUSINESSPARTNER WHERE (BUSINESSPARTNERID IN (3, 5))");
  }
  {
    Statements statements;
    EXPECT_EQ(Keys(Partners(std::nullopt, true, true)), (std::vector<std::int32_t>{1, 2, 6, 7}));
    EXPECT_EQ(Listed(statements),
              "SELECT * FROM BUSINESSPARTNER WHERE (NOT ISONETIMEBP = 1) AND (NOT ISINTERNALBP = 1)");
  }
  {
    Statements statements;
    const auto customers =
        NewPartner()->GetCustomerData(rt::Variant(), "", 10, false, false, std::nullopt, std::nullopt);
    EXPECT_EQ(Keys(customers), (std::vector<std::int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(
        Listed(statements),
        "SELECT * FROM BUSINESSPARTNER WHERE (ZRKCUSTOMERCODE <> '') AND (NOT ZRKCUSTOMERCODE IS NULL)");
  }
  {
    Statements statements;
    const auto customers = NewPartner()->GetCustomerData(rt::Variant(), "", 10, true, false,
                                                         Ids({Id(1), Id(3)}), std::nullopt);
    EXPECT_EQ(Keys(customers), (std::vector<std::int32_t>{1}));
    EXPECT_EQ(
        Listed(statements),
        "SELECT * FROM BUSINESSPARTNER WHERE (BUSINESSPARTNERID IN (1, 3)) AND (NOT ISONETIMEBP = 1) AND "
        "(ZRKCUSTOMERCODE <> '') AND (NOT ZRKCUSTOMERCODE IS NULL)");
  }
  {
    Statements statements;
    const auto limited = NewPartner()->GetBusinessPartnersLimited(
        rt::Variant(), "", 10, false, true, Ids({Id(4), Id(2), Id(1)}), std::string("NAME DESC"));
    EXPECT_EQ(Keys(limited), (std::vector<std::int32_t>{2, 1}));
    EXPECT_EQ(Listing(limited)->GetPageRecordset()->FieldCount(), 2);
    EXPECT_EQ(
        Listed(statements),
        "SELECT BUSINESSPARTNERID, NAME FROM BUSINESSPARTNER WHERE (BUSINESSPARTNERID IN (4, 2, 1)) AND "
        "(NOT ISINTERNALBP = 1)");
  }
}

TEST_F(ListingTest, AddressesAreListedByTheirOwnKey) {
  AddAddress(11, "Main Street", 1);
  AddAddress(12, "Oak Lane", 2);
  AddAddress(13, "Harbour", 2);
  Statements statements;
  const auto addresses = NewPartner()->GetAddressData(rt::Variant(), "", 2, Ids({Id(13), Id(12)}),
                                                      std::string("NAME1 DESC"));
  EXPECT_EQ(Listed(statements), "SELECT * FROM ADDRESS WHERE (ADDRESSID IN (13, 12))");
  EXPECT_EQ(Keys(addresses, "ADDRESSID"), (std::vector<std::int32_t>{12, 13}));
  const auto all = NewPartner()->GetAddressData(rt::Variant(), "", 2, std::nullopt, std::nullopt);
  EXPECT_EQ(Keys(all, "ADDRESSID"), (std::vector<std::int32_t>{11, 12}));
  EXPECT_TRUE(Listing(all)->NextPage());
  EXPECT_EQ(Keys(all, "ADDRESSID"), (std::vector<std::int32_t>{13}));
}

// IDs are written into the statement text, so each must be a whole number;
// anything else is refused before a statement runs.
TEST_F(ListingTest, AnIdThatIsNotAWholeNumberNeverReachesTheStatement) {
  for (const rt::Variant& ids : {Ids({Id(3), rt::Variant("5) OR (1=1")}), Ids({rt::Variant(2.5)}),
                                 Ids({rt::Variant::Null()}), rt::Variant("3, 5")}) {
    Statements statements;
    const rt::ErrorRecord error = ErrorOf([&] { Partners(ids); });
    EXPECT_EQ(error.Number, rt::errnum::kTypeMismatch);
    EXPECT_NE(error.Description.find(" METHOD: KorvoCommon.BusinessPartner.GetBusinessPartnerData"),
              std::string::npos);
    EXPECT_TRUE(statements.seen.empty());
  }
  Logged();
  // Texts that read as whole numbers are written as numbers.
  Statements statements;
  EXPECT_EQ(Keys(Partners(Ids({rt::Variant("2"), Id(1)}))), (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(Listed(statements), "SELECT * FROM BUSINESSPARTNER WHERE (BUSINESSPARTNERID IN (2, 1))");
}

TEST_F(ListingTest, AnEmptyIdListListsNothingOnEveryDatabase) {
  const auto none = Partners(Ids({}));
  EXPECT_TRUE(Keys(none).empty());
  EXPECT_EQ(Listing(none)->PageNumber(), 0);
}

TEST_F(ListingTest, AHostileSortIsRefusedUnderTheMethodsNameBeforeAnyStatementRuns) {
  Statements statements;
  const rt::ErrorRecord error = ErrorOf(
      [&] { Partners(std::nullopt, false, false, std::string("NAME; DELETE FROM BUSINESSPARTNER")); });
  EXPECT_EQ(error.Number, utility::errnum::kInvalidSortFields);
  EXPECT_NE(error.Description.find(" METHOD: KorvoCommon.BusinessPartner.GetBusinessPartnerData"),
            std::string::npos);
  EXPECT_TRUE(statements.seen.empty());
  ASSERT_EQ(Logged().size(), 1u);

  EXPECT_EQ(ErrorOf([&] {
              NewPartner()->GetBusinessPartnerData(rt::Variant(), "KP1.tampered", 10, false, false,
                                                   std::nullopt, std::nullopt);
            }).Number,
            utility::errnum::kInvalidPagingState);
  EXPECT_TRUE(statements.seen.empty());
}

// Without a page the caller keeps the state; the next request continues
// from it on a new record set.
TEST_F(ListingTest, APersistedStateContinuesOnTheNextRequest) {
  auto first = Listing(NewPartner()->GetBusinessPartnerData(rt::Variant(), "", 2, false, false,
                                                            std::nullopt, std::string("NAME")));
  EXPECT_EQ(Keys(first), (std::vector<std::int32_t>{1, 2}));
  ASSERT_TRUE(first->NextPage());
  const std::string state = first->GetState();

  const auto next = NewPartner()->GetBusinessPartnerData(rt::Variant(), state, 2, false, false,
                                                         std::nullopt, std::string("NAME"));
  EXPECT_EQ(Listing(next)->PageNumber(), 2);
  EXPECT_EQ(Keys(next), (std::vector<std::int32_t>{4, 5}));
  ASSERT_TRUE(Listing(next)->NextPage());
  EXPECT_EQ(Keys(next), (std::vector<std::int32_t>{7, 3}));
}

// With a page the record set lives in the page; a page the user asked for
// is gone to once, later requests show the same page again.
TEST_F(ListingTest, APageServesThePageTheUserAskedFor) {
  auto page = std::make_shared<utility::Page>();
  auto request = [&] {
    return NewPartner()->GetBusinessPartnerData(rt::Variant(rt::ObjectRef(page)), "ignored", 2, false,
                                                false, std::nullopt, std::string("NAME DESC"));
  };
  const auto first = request();
  EXPECT_EQ(page->ConnectionName(), "KorvoCommonConnection");
  EXPECT_EQ(first, page->GetRecordset());
  EXPECT_EQ(Keys(first), (std::vector<std::int32_t>{6, 3}));

  page->RequestPage(3);
  EXPECT_EQ(Keys(request()), (std::vector<std::int32_t>{4, 2}));
  EXPECT_EQ(Listing(first)->PageNumber(), 3);
  EXPECT_EQ(Keys(request()), (std::vector<std::int32_t>{4, 2}));

  page->RequestPage(4);
  request();
  EXPECT_EQ(Keys(first), (std::vector<std::int32_t>{1}));
  EXPECT_FALSE(Listing(first)->HasNextPage());
}

TEST_F(ListingTest, RetiredWholeTableReadsFailWithMinusOneNamingTheirReplacement) {
  auto partner = NewPartner();
  const std::string scan = "' function and is not supported anymore.\r\nUse new function ";
  const std::vector<std::pair<std::function<void()>, std::string>> retired = {
      {[&] { partner->GetAllAddresses(); },
       "Function GetAllAddresses() is a 'full table scan" + scan +
           "GetAddressData() that supports paging (=based on DRecordset component)."},
      {[&] { partner->GetAllCustomersFromBP(); },
       "Function GetAllCustomersFromBP() is a 'full table scan" + scan +
           "GetCustomerData() that supports paging (=based on DRecordset component)."},
      {[&] { partner->GetAllBusinessPartners(0, 8, Ids({Id(1)})); },
       "Function GetAllBusinessPartners() is a 'full table scan" + scan +
           "GetBusinessPartnersLimited() that supports paging (=based on DRecordset component)."},
      {[&] { partner->GetBusinessPartners(std::nullopt); },
       "Function GetBusinessPartners() is a 'full table scan" + scan +
           "GetBusinessPartnersLimited() that supports paging (=based on DRecordset component)."},
      {[&] { partner->GetBusinessPartnerNames(rt::Variant(), "", 10, false, false, std::nullopt); },
       "'Public Function GetBusinessPartnerNames() As Scripting.Dictionary was a 'full table scan' function in "
       "Korvo Common 2.4 and is not supported anymore. \r\nNew Public Function "
       "GetBusinessPartnerNames(ByVal i_oPage As KorvoLibrary.Page, ByVal i_sPersistedStateInfo As String, "
       "ByVal i_iPageSize As Integer, ByVal i_bSkipOneTimeBusinessPartners As Boolean, ByVal "
       "i_bSkipInternalBusinessPartners As Boolean, Optional ByVal i_alBPIDs As Variant) As "
       "KorvoLibrary.DRecordset is introduced in Korvo-Server 2.5, but is identified as a double function. "
       "\r\nUse new function GetBusinessPartnersLimited() that supports paging (=based on DRecordset "
       "component). This last function replaces the two functions above.\r\n"}};
  Logged();
  for (const auto& [call, text] : retired) {
    Statements statements;
    const rt::ErrorRecord error = ErrorOf(call);
    EXPECT_EQ(error.Number, -1);
    EXPECT_NE(error.Description.find(" METHOD: " + text), std::string::npos) << error.Description;
    EXPECT_TRUE(statements.seen.empty());
    EXPECT_EQ(Logged().size(), 1u);
  }
}

}  // namespace
}  // namespace korvo::common::testing
