// The benchmark suites, registered by main before the run.
#pragma once

namespace korvo::bench {

void RegisterCurrency();          // currency_bench.cc
void RegisterMaintenance();       // maintenance_bench.cc
void RegisterTermsAndLocale();    // terms_locale_bench.cc
void RegisterServeRoundTrip();    // serve_bench.cc

// A million conversions against ten thousand: resident memory after each
// (memory_check.cc). Returns the process exit status.
int RunMemoryCheck();

}  // namespace korvo::bench
