// The single failure handler of a public method: release the
// connection, vote, and report through Err_Handle, which logs the error with
// the method's name and raises it again to the caller.
//
// Shared by every public class. Thread-compatible: a handler describes one method and
// holds no state of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/contracts/database.h"

namespace korvo::infra {

enum class FailureInfo {
  None,              // Err_Handle gets no info
  ConnectionErrors,  // the connection's error text, taken before it is closed
};

struct MethodHandler {
  // Implicit from the method name alone: no vote, the connection's errors as
  // info.
  MethodHandler(std::string_view methodName, FailureInfo failureInfo = FailureInfo::ConnectionErrors,
                bool abort = false, std::optional<std::int32_t> number = std::nullopt)
      : method(methodName), info(failureInfo), votesAbort(abort), reportedNumber(number) {}

  std::string_view method;
  FailureInfo info;
  bool votesAbort;
  // Replaces the number of the error being reported (the list operations
  // report every failure under their own "Unexpected" number).
  std::optional<std::int32_t> reportedNumber;
};

// The handler most methods use: an abort vote, no info. The method name
// must outlive the handler.
inline MethodHandler AbortingHandler(std::string_view method) {
  return MethodHandler{method, FailureInfo::None, true};
}
// The same for a read that never votes.
inline MethodHandler UnvotedHandler(std::string_view method) {
  return MethodHandler{method, FailureInfo::None, false};
}

// Must be called inside a catch block. Takes the info, closes the
// connection, votes abort when the handler says so and raises the current
// error again through Err_Handle. Never returns.
[[noreturn]] void HandleFailure(const MethodHandler& handler, contracts::ConnectionRef& connection);

// Runs body as the guarded part of a public method; any error leaves through
// HandleFailure with `connection` as the method's connection.
template <class Body>
decltype(auto) RunHandled(const MethodHandler& handler, contracts::ConnectionRef& connection,
                          Body&& body) {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    HandleFailure(handler, connection);
  }
}

// The same for a method that holds no connection of its own.
template <class Body>
decltype(auto) RunHandled(const MethodHandler& handler, Body&& body) {
  contracts::ConnectionRef none;
  return RunHandled(handler, none, std::forward<Body>(body));
}

// Fails a method that is no longer served: raises -1 and reports it through
// an unvoted handler under `text`, which names the replacement, so an old
// caller finds out in the log where to go.
[[noreturn]] void RaiseRetired(std::string_view text);

// Runs body for a method that deliberately never raises: its callers test
// the answer, and the failing call below has already logged what went
// wrong. Any error becomes `fallback`.
template <class T, class Body>
T NeverRaising(T fallback, Body&& body) {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    return fallback;
  }
}

}  // namespace korvo::infra
