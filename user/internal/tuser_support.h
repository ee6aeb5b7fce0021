// What TUser's concern files share: the framework's referential checker.
// Every TUser method reports through infra::AbortingHandler.
//
// Module-internal. Thread-compatible: plain functions.
#pragma once

#include <memory>

#include "infrastructure/components.h"
#include "platform/contracts/referential_checker.h"

namespace korvo::common::tuser {

// A new Korvex.ReferentialChecker in the caller's context.
inline std::shared_ptr<contracts::ReferentialChecker> ReferenceChecker() {
  return infra::Gen_GetComponentAs<contracts::ReferentialChecker>("Korvex.ReferentialChecker");
}

}  // namespace korvo::common::tuser
