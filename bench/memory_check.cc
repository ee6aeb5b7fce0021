// The memory check: requests of one kind after another in one process,
// resident memory read from /proc/self/status after a few and after many
// of each kind:
//   conversions: a million against ten thousand. Every tenth request also
//     reads one of the 200 currencies by a statement text of its own, so the
//     bounded statement and translation caches fill and evict;
//   partner look-ups: a million against ten thousand, each of another of
//     the hundred thousand partners (a statement text of its own too);
//   listing pages: a hundred thousand against a thousand, each the next
//     50-row page of the partner listing from the state the last request
//     left, round the whole listing and back to its start.
#include <fstream>
#include <functional>
#include <iostream>
#include <string>

#include "bench/bench_database.h"
#include "bench/bench_support.h"
#include "bench/suites.h"
#include "currency/currency.h"
#include "partner/business_partner.h"
#include "platform/utility/drecordset.h"

namespace korvo::bench {
namespace {

// Allocator slack the process may keep without having grown.
constexpr long kToleranceKb = 1024;

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

std::string CurrencyCode(long n) {
  static const char* const kMain[] = {"EUR", "DEM", "FRF", "USD", "GBP", "CHF", "JPY"};
  const long k = n % 200;
  if (k < 7) return kMain[k];
  char code[8];
  std::snprintf(code, sizeof code, "%c%02ld", static_cast<char>('Q' + k / 100), k % 100);
  return code;
}

void Conversion(long n) {
  host::HostScope scope(ReadingRequest());
  auto currency = Create<common::Currency>(scope, "KorvoCommon.Currency");
  std::string from = "USD";
  std::string to = "GBP";
  rt::Money amount = rt::MoneyFromDouble(100);
  rt::Date date = PricingDate();
  currency->ConvertAmount(from, to, amount, date);
  if (n % 10 == 0) {
    rt::Variant code(CurrencyCode(n / 10));
    currency->GetCurrencyAsDict(code);
  }
}

void PartnerLookUp(long n) {
  host::HostScope scope(ReadingRequest());
  auto partner = Create<common::BusinessPartner>(scope, common::kBusinessPartnerProgId);
  std::int32_t id = static_cast<std::int32_t>(1 + n % kPartnerCount);
  partner->GetBusinessPartner(id);
  partner->GetBusinessPartnerName(std::nullopt);
  partner->IsCustomer();
}

// The next listing page from the state the last one left ("" at the start).
void ListingPage(std::string& state) {
  host::HostScope scope(ReadingRequest());
  auto partner = Create<common::BusinessPartner>(scope, common::kBusinessPartnerProgId);
  auto listing = std::dynamic_pointer_cast<utility::DRecordset>(partner->GetBusinessPartnersLimited(
      rt::Variant(), state, 50, false, false, std::nullopt, std::nullopt));
  state = listing->NextPage() ? listing->GetState() : "";
}

struct Phase {
  const char* requests;
  long few;
  long many;
  std::function<void(long)> request;
};

// Runs one phase and prints its resident memory and its goal.
void Check(const Phase& phase) {
  long n = 0;
  for (; n < phase.few; ++n) phase.request(n);
  const long few = ResidentKb();
  for (; n < phase.many; ++n) phase.request(n);
  const long many = ResidentKb();
  const long growth = many - few;
  std::cout << "MEMORY after " << phase.few << " " << phase.requests << ": " << few << " kB resident\n"
            << "MEMORY after " << phase.many << " " << phase.requests << ": " << many << " kB resident\n"
            << "GOAL " << (growth <= kToleranceKb ? "met    " : "MISSED ") << "memory: growth from "
            << phase.few << " to " << phase.many << " " << phase.requests << " <= " << kToleranceKb
            << " kB (" << growth << " kB)\n"
            << std::flush;  // a phase's lines show while the next runs
}

}  // namespace

int RunMemoryCheck() {
  BenchDatabase database(1);
  database.UseForLibrary();
  std::string state;
  const Phase phases[] = {
      {"conversions", 10000, 1000000, Conversion},
      {"partner look-ups", 10000, 1000000, PartnerLookUp},
      {"listing pages", 1000, 100000, [&state](long) { ListingPage(state); }},
  };
  for (const Phase& phase : phases) Check(phase);
  return 0;
}

}  // namespace korvo::bench
