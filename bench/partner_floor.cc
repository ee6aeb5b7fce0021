#include "bench/partner_floor.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/currency_floor.h"

namespace korvo::bench {
namespace {

// A statement of the library's as the floor's database receives it; kept
// for the process's life, since a floor keeps its statements under the
// text's address.
template <class Floor>
const char* AsSent(const std::string& librarySql) {
  if constexpr (Floor::kBackend == Backend::PostgreSQL) {
    static std::vector<std::unique_ptr<std::string>> texts;
    texts.push_back(std::make_unique<std::string>(PostgresFloor::AsSent(librarySql)));
    return texts.back()->c_str();
  } else {
    static std::vector<std::unique_ptr<std::string>> texts;
    texts.push_back(std::make_unique<std::string>(librarySql));
    return texts.back()->c_str();
  }
}

const std::string kId = std::to_string(kLookedUpPartner);

// The library's statements, one text per database.
template <class Floor>
struct Statements {
  const char* load = AsSent<Floor>(
      "SELECT BP.*, CUST.CUSTOMERNAME, CUST.ORDERDISCOUNTPERC, CUST.CARRIERCODE FROM BUSINESSPARTNER BP LEFT OUTER "
      "JOIN CUSTOMER CUST ON BP.BUSINESSPARTNERID = CUST.BUSINESSPARTNERID WHERE BP.BUSINESSPARTNERID = " +
      kId);
  const char* isCustomer =
      AsSent<Floor>("SELECT BUSINESSPARTNERID FROM CUSTOMER WHERE BUSINESSPARTNERID = " + kId);
  const char* noRows = AsSent<Floor>("SELECT * FROM BUSINESSPARTNER WHERE 0=1");
  const char* insert =
      AsSent<Floor>("INSERT INTO BUSINESSPARTNER (CURRENCYCODE, NAME, PRICINGMETHOD) VALUES (?, ?, ?)");
  const char* keyset =
      Floor::kBackend == Backend::PostgreSQL
          ? "SELECT BUSINESSPARTNERID, NAME FROM BUSINESSPARTNER WHERE BUSINESSPARTNERID > $1 "
            "ORDER BY BUSINESSPARTNERID LIMIT $2"
          : "SELECT BUSINESSPARTNERID, NAME FROM BUSINESSPARTNER WHERE BUSINESSPARTNERID > ? "
            "ORDER BY BUSINESSPARTNERID LIMIT ?";
};

template <class Floor>
const Statements<Floor>& Sql() {
  static const Statements<Floor> statements;
  return statements;
}

// The loaded partner's columns as the object keeps them.
constexpr int kLoadedColumns = 27;  // BUSINESSPARTNER's, then three of CUSTOMER's
constexpr int kNameColumn = 5;
constexpr int kCustomerCodeColumn = 6;
constexpr int kCreditCardCodeColumn = 14;

}  // namespace

template <class Floor>
bool FloorLookUp(Floor& db) {
  std::string columns[kLoadedColumns];
  {
    typename Floor::Query row(db, Sql<Floor>().load);
    if (!row.Step()) throw std::runtime_error("the looked-up partner is missing");
    for (int column = 0; column < kLoadedColumns; ++column) {
      if (!row.IsNull(column)) columns[column] = std::string(row.Text(column));
    }
  }
  benchmark::DoNotOptimize(columns[kNameColumn]);
  if (columns[kCustomerCodeColumn].empty() && columns[kCreditCardCodeColumn].empty()) return false;
  typename Floor::Query exists(db, Sql<Floor>().isCustomer);
  return exists.Step();
}

template <class Floor>
void FloorInsert(Floor& db) {
  typename Floor::Transaction write(db, /*write=*/true);
  if (!FloorHasValidCurrencyRate(db, "USD", /*inCallersTransaction=*/true)) {
    throw std::runtime_error("US dollars have no valid rate");
  }
  typename Floor::Query(db, Sql<Floor>().noRows).Run();
  typename Floor::Query insert(db, Sql<Floor>().insert);
  insert.Bind(1, std::string_view("USD"))
      .Bind(2, std::string_view(kInsertedName))
      .Bind(3, std::int64_t{1});
  insert.Run();
}

template <class Floor>
std::int64_t FloorKeysetPage(Floor& db, std::int64_t after, int rows) {
  typename Floor::Query page(db, Sql<Floor>().keyset);
  page.Bind(1, after).Bind(2, std::int64_t{rows} + 1);
  std::int64_t last = after;
  std::string name;
  for (int row = 0; page.Step(); ++row) {
    name = page.Text(1);
    if (row < rows) last = page.Int(0);
  }
  benchmark::DoNotOptimize(name);
  return last;
}

#define KORVO_FLOOR_ROUTINES(Floor)  \
  template bool FloorLookUp(Floor&); \
  template void FloorInsert(Floor&); \
  template std::int64_t FloorKeysetPage(Floor&, std::int64_t, int);
KORVO_FLOOR_ROUTINES(SqliteFloor)
KORVO_FLOOR_ROUTINES(PostgresFloor)
#undef KORVO_FLOOR_ROUTINES

}  // namespace korvo::bench
