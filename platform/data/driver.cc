#include "platform/data/driver.h"

#include <array>

#include "platform/data/data_error.h"
#include "platform/data/postgres/postgres_driver.h"
#include "platform/data/sqlite/sqlite_driver.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"

namespace korvo::data {

const Driver& FindDriver(std::string_view name) {
  // Every backend this build knows; a new one is one more entry here.
  static const SqliteDriver sqlite;
  static const PostgresDriver postgres;
  static const std::array<const Driver*, 2> drivers = {&sqlite, &postgres};
  for (const Driver* driver : drivers) {
    if (rt::TextEqualsNoCase(driver->Name(), name)) return *driver;
  }
  rt::Raise(contracts::dberr::kProvider, "Unknown driver '" + std::string(name) + "'",
            kConnectionSource);
}

}  // namespace korvo::data
