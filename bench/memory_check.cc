// The memory check: conversions in one process, resident memory read from
// /proc/self/status after ten thousand and after a million. Every tenth
// request also reads one of the 200 currencies by a statement text of its
// own, so the bounded statement and translation caches fill and evict.
#include <fstream>
#include <iostream>
#include <string>

#include "bench/bench_database.h"
#include "bench/bench_support.h"
#include "bench/suites.h"
#include "currency/currency.h"

namespace korvo::bench {
namespace {

constexpr long kFew = 10000;
constexpr long kMany = 1000000;
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
  char code[4];
  std::snprintf(code, sizeof code, "%c%02ld", static_cast<char>('Q' + k / 100), k % 100);
  return code;
}

void Request(long n) {
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

}  // namespace

int RunMemoryCheck() {
  BenchDatabase database(1);
  database.UseForLibrary();
  long n = 0;
  for (; n < kFew; ++n) Request(n);
  const long few = ResidentKb();
  for (; n < kMany; ++n) Request(n);
  const long many = ResidentKb();
  const long growth = many - few;
  std::cout << "MEMORY after " << kFew << " conversions: " << few << " kB resident\n"
            << "MEMORY after " << kMany << " conversions: " << many << " kB resident\n"
            << "GOAL " << (growth <= kToleranceKb ? "met    " : "MISSED ") << "memory: growth from " << kFew
            << " to " << kMany << " conversions <= " << kToleranceKb << " kB (" << growth << " kB)\n";
  return 0;
}

}  // namespace korvo::bench
