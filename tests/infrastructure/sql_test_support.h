// What the Lib_SQL tests share: a fresh database per test, the statements
// the library issued, the pool's count of connections still out, and the
// error a call raised.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "infrastructure/sql_access.h"
#include "platform/contracts/database.h"
#include "platform/data/pool.h"
#include "platform/data/register.h"
#include "platform/data/statement_trace.h"
#include "platform/korvex/register.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"
#include "support/temp_database.h"

namespace korvo::infra {

class SqlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    data::RegisterClasses();
    korvex::RegisterClasses();
  }

  const std::string& Cs() const { return db_.ConnectionString(); }

  // Runs a statement of the test's own, outside the trace.
  void Run(const std::string& sql) {
    ConnectionRef connection = Sql_GetOpenConnection(Cs());
    connection->Execute(sql);
    connection->Close();
    ForgetStatements();
  }

  // The first column of the first row, or Empty when there is no row.
  rt::Variant Scalar(const std::string& sql) {
    ConnectionRef connection = Sql_GetOpenConnection(Cs());
    RecordsetRef rows = connection->Execute(sql);
    rt::Variant value = rows->IsEOF() ? rt::Variant() : rows->Value(0);
    rows->Close();
    connection->Close();
    ForgetStatements();
    return value;
  }

  std::size_t ConnectionsInUse() const { return data::ConnectionPool::Stats(Cs()).inUse; }

  // The statements issued since the test began (or the last Run/Scalar).
  std::vector<std::string> Statements() {
    std::lock_guard lock(mutex_);
    return statements_;
  }

  // The error `call` raised; Number 0 when it raised none.
  static rt::ErrorRecord RaisedBy(const std::function<void()>& call) {
    try {
      call();
    } catch (const rt::Error& e) {
      return e.record();
    }
    return {};
  }

  void ForgetStatements() {
    std::lock_guard lock(mutex_);
    statements_.clear();
  }

 private:
  korvo::testing::TempDatabase db_;
  std::mutex mutex_;
  std::vector<std::string> statements_;
  data::StatementTrace::Subscription trace_ = data::StatementTrace::Subscribe(
      [this](const std::string& sql, std::span<const contracts::Parameter>) {
        std::lock_guard lock(mutex_);
        statements_.push_back(sql);
      });
};

}  // namespace korvo::infra
