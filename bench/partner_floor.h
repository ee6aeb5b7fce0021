// The business-partner calls' database work written by hand (the floors):
// the statements the library issues, prepared once and run again, and the
// same reading of their rows; and the keyset query a listing's next page
// needs at least. One set of routines serves every database: Floor is
// SqliteFloor or PostgresFloor.
//
// Errors throw std::runtime_error. Thread-compatible: one floor per thread.
#pragma once

#include <cstdint>

#include "bench/postgres_floor.h"
#include "bench/sqlite_floor.h"

namespace korvo::bench {

// The partner the look-up loads (a customer, in the middle of the table).
inline constexpr std::int32_t kLookedUpPartner = 4242;
// The name every inserted partner gets.
inline constexpr const char* kInsertedName = "Inserted partner";

// GetBusinessPartner (the partner with its customer row, every column
// kept), its name, and IsCustomer's test for the customer row. Answers
// whether it is a customer.
template <class Floor>
bool FloorLookUp(Floor& db);

// InsertFromScript("BUSINESSPARTNER") of a named partner paying in US
// dollars: every rule's reads, then the insert, in one write transaction
// that commits.
template <class Floor>
void FloorInsert(Floor& db);

// The page of `rows` partners after the one with ID `after`, in ID order,
// read with one more row, which tells whether there is a next page: the
// least a listing's next page can read. Answers the page's last ID.
template <class Floor>
std::int64_t FloorKeysetPage(Floor& db, std::int64_t after, int rows);

}  // namespace korvo::bench
