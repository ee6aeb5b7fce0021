// Shared set-up of the data suite: a fresh database per test and short ways
// to run statements on it.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/data/connection.h"
#include "platform/data/pool.h"
#include "platform/runtime/error.h"
#include "support/temp_database.h"

namespace korvo::data {

class DataTest : public ::testing::Test {
 protected:
  std::shared_ptr<Connection> Open() const {
    auto connection = std::make_shared<Connection>();
    connection->Open(db_.ConnectionString());
    return connection;
  }
  // Runs one statement on a connection of its own.
  contracts::RecordsetRef Exec(const std::string& sql,
                               std::vector<contracts::Parameter> params = {}) const {
    auto connection = Open();
    auto rows = connection->Execute(sql, params);
    connection->Close();
    return rows;
  }
  std::int32_t Count(const std::string& table) const {
    return Exec("SELECT COUNT(*) FROM " + table)->Value(0).AsLong();
  }
  PoolStats Stats() const { return ConnectionPool::Stats(db_.ConnectionString()); }

  testing::TempDatabase db_;
};

// The error a call raises (a failed expectation when it raises none).
inline rt::ErrorRecord ErrorOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const rt::Error& e) {
    return e.record();
  }
  ADD_FAILURE() << "no error raised";
  return {};
}

inline contracts::Parameter Param(rt::Variant value,
                                  contracts::ParamType type = contracts::ParamType::Text) {
  return {"", type, 0, std::move(value)};
}

}  // namespace korvo::data
