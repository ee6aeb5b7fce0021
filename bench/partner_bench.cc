// The BusinessPartner class: a partner look-up as a page makes it (load,
// name, customer test), the script insert with every rule running, and a
// 50-row listing paged far into a hundred thousand partners; each beside
// its hand-written floor, in turns, on SQLite and (given a server) on
// PostgreSQL.
#include <memory>
#include <stdexcept>
#include <string>

#include "bench/bench_database.h"
#include "bench/bench_support.h"
#include "bench/partner_floor.h"
#include "bench/suites.h"
#include "partner/business_partner.h"
#include "platform/utility/drecordset.h"
#include "platform/utility/page.h"

namespace korvo::bench {
namespace {

using common::BusinessPartner;

constexpr std::int16_t kPageSize = 50;
// The page the listing continues from, and the next one it shows.
constexpr std::int32_t kFarPage = 1000;

// One request: a new BusinessPartner object in the given scope, some calls
// on it.
template <class Method>
std::function<void()> Request(host::ScopeOptions options, Method method) {
  return [options, method] {
    host::HostScope scope(options);
    auto partner = Create<BusinessPartner>(scope, common::kBusinessPartnerProgId);
    method(partner);
  };
}

void LookUp(host::Ref<BusinessPartner>& partner) {
  std::int32_t id = kLookedUpPartner;
  partner->GetBusinessPartner(id);
  benchmark::DoNotOptimize(partner->GetBusinessPartnerName(std::nullopt));
  benchmark::DoNotOptimize(partner->IsCustomer());
}

// A new partner named, paying in US dollars, with a pricing method: every
// rule runs (types, name, pricing method, the uniqueness rules, which have
// no business ID or DUNS number to look for, and the currency-rate rule)
// and passes, and the row is written.
void Insert(host::Ref<BusinessPartner>& partner) {
  rt::Variant keys(
      rt::Array({rt::Variant("NAME"), rt::Variant("CURRENCYCODE"), rt::Variant("PRICINGMETHOD")}));
  rt::Variant values(
      rt::Array({rt::Variant(kInsertedName), rt::Variant("USD"), rt::Variant(std::int16_t{1})}));
  benchmark::DoNotOptimize(partner->InsertFromScript("BUSINESSPARTNER", keys, values));
}

// The listing a page shows: the page keeps its record set between
// requests; this request asks for the page after the one shown.
rt::ObjectRef List(host::Ref<BusinessPartner>& partner, const std::shared_ptr<utility::Page>& page) {
  return partner->GetBusinessPartnersLimited(rt::Variant(rt::ObjectRef(page)), "", kPageSize, false,
                                             false, std::nullopt, std::nullopt);
}

std::shared_ptr<utility::DRecordset> Shown(const std::shared_ptr<utility::Page>& page) {
  return std::dynamic_pointer_cast<utility::DRecordset>(page->GetRecordset());
}

// The first page, on a page that shows nothing yet.
std::function<void()> FirstPage() {
  return Request(ReadingRequest(), [](host::Ref<BusinessPartner>& partner) {
    auto page = std::make_shared<utility::Page>();
    benchmark::DoNotOptimize(List(partner, page));
  });
}

// The web page showing the listing from page kFarPage on, as it keeps it
// between requests; Rewind puts it back on page kFarPage.
class FarPage {
 public:
  explicit FarPage(const BenchDatabase& database) {
    database.UseForLibrary();
    Rewind();
  }

  // The user asks for the page after the one shown: a request that reads
  // the rows next to the ones shown, a thousand or more pages into the
  // listing.
  std::function<void()> Next() const {
    return Request(ReadingRequest(), [page = page_](host::Ref<BusinessPartner>& partner) {
      page->RequestPage(Shown(page)->PageNumber() + 1);
      benchmark::DoNotOptimize(List(partner, page));
    });
  }

  // Back to page kFarPage when the end is near.
  void RewindAtTheEnd() {
    if (Shown(page_)->PageNumber() >= kPartnerCount / kPageSize - 1) Rewind();
  }

 private:
  void Rewind() {
    page_->RequestPage(kFarPage);
    Request(ReadingRequest(), [&](host::Ref<BusinessPartner>& partner) { List(partner, page_); })();
    if (Shown(page_)->PageNumber() != kFarPage)
      throw std::runtime_error("the listing has no page 1,000");
  }

  std::shared_ptr<utility::Page> page_ = std::make_shared<utility::Page>();
};

// The next far page beside the hand-written keyset query for the same
// rows, and beside the listing's first page.
template <class Floor>
void RegisterListing() {
  Register(kPageFromThousandCall, BackendName(Floor::kBackend), kLibrary, [](benchmark::State& state) {
    const BenchDatabase& database = SharedDatabase(1, Floor::kBackend);
    FarPage page(database);
    const auto next = page.Next();
    const ServerCore core(Floor::kBackend, /*inTurns=*/true);
    ReportStatements(state, CountStatements(kPageFromThousandCall, next));
    Floor db(database.FloorTarget(), FloorMode::Prepared);
    state.counters[kFloorStatements] = 1;
    std::int64_t last = std::int64_t{kFarPage} * kPageSize;
    const auto keyset = [&] {
      last = FloorKeysetPage(db, last, kPageSize);
      if (last >= kPartnerCount - kPageSize) last = std::int64_t{kFarPage} * kPageSize;
    };
    TimeInTurns(state, next, keyset, [&] { page.RewindAtTheEnd(); });
  })->UseManualTime();
  Register(kPageGrowthCall, BackendName(Floor::kBackend), kLibrary, [](benchmark::State& state) {
    FarPage page(SharedDatabase(1, Floor::kBackend));
    const auto next = page.Next();
    const auto first = FirstPage();
    const ServerCore core(Floor::kBackend, /*inTurns=*/true);
    ReportStatements(state, CountStatements(kPageGrowthCall, next));
    state.counters[kFloorStatements] =
        CountStatements("BusinessPartner.GetBusinessPartnersLimited:page-1", first);
    TimeInTurns(state, next, first, [&] { page.RewindAtTheEnd(); });
  })->UseManualTime();
}

template <class Floor>
void RegisterPartner() {
  RegisterInTurns<Floor>(kPartnerLookUpCall, Request(ReadingRequest(), LookUp), FloorLookUp<Floor>);
  RegisterInTurns<Floor>(kPartnerInsertCall, Request(WritingRequest(), Insert), FloorInsert<Floor>);
  RegisterListing<Floor>();
}

}  // namespace

void RegisterBusinessPartner() {
  RegisterPartner<SqliteFloor>();
  if (PostgresServer()) RegisterPartner<PostgresFloor>();
}

}  // namespace korvo::bench
