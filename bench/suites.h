// The benchmark suites, registered by main before the run.
#pragma once

namespace korvo::bench {

void RegisterCurrency();         // currency_bench.cc
void RegisterMaintenance();      // maintenance_bench.cc
void RegisterTermsAndLocale();   // terms_locale_bench.cc
void RegisterServeRoundTrip();   // serve_bench.cc
void RegisterBusinessPartner();  // partner_bench.cc
void RegisterDirectory();        // directory_bench.cc

// Resident memory after a few and after many requests of each kind:
// conversions, partner look-ups, listing pages (memory_check.cc). Returns
// the process exit status.
int RunMemoryCheck();

}  // namespace korvo::bench
