// What TUser's concern files share: the handler every TUser method reports
// through, and the framework's referential checker.
//
// Module-internal. Thread-compatible: plain functions.
#pragma once

#include <memory>
#include <string_view>

#include "infrastructure/components.h"
#include "platform/contracts/referential_checker.h"
#include "infrastructure/method_guard.h"

namespace korvo::common::tuser {

// Every TUser method votes abort on failure and reports without info.
inline infra::MethodHandler AbortingHandler(std::string_view method) {
  return infra::MethodHandler{method, infra::FailureInfo::None, true, std::nullopt};
}

// A new Korvex.ReferentialChecker in the caller's context.
inline std::shared_ptr<contracts::ReferentialChecker> ReferenceChecker() {
  return infra::Gen_GetComponentAs<contracts::ReferentialChecker>("Korvex.ReferentialChecker");
}

}  // namespace korvo::common::tuser
