// What the library's class suites share: the error a call raised, and
// statements run beside the library on a connection of their own, outside
// any host scope (seeding rows, counting what a call left behind).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/contracts/database.h"
#include "platform/host/registry.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"

namespace korvo::testing {

// The error a call raised, or a test failure when it raised none.
inline rt::ErrorRecord ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const rt::Error& error) {
    return error.record();
  }
  ADD_FAILURE() << "no error was raised";
  return {};
}

// Runs a statement on a connection of its own.
inline void ExecuteOn(const std::string& connectionString, const std::string& sql) {
  auto connection =
      std::dynamic_pointer_cast<contracts::Connection>(host::CreateObject("ADODB.Connection"));
  connection->Open(connectionString);
  connection->Execute(sql);
  connection->Close();
}

// The first column of the first row of a counting statement.
inline std::int32_t CountOn(const std::string& connectionString, const std::string& sql) {
  auto connection =
      std::dynamic_pointer_cast<contracts::Connection>(host::CreateObject("ADODB.Connection"));
  connection->Open(connectionString);
  const std::int32_t count = rt::CLng(connection->Execute(sql)->Value(std::int32_t{0}));
  connection->Close();
  return count;
}

}  // namespace korvo::testing
