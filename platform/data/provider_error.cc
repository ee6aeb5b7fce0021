#include "platform/data/provider_error.h"

namespace korvo::data {

std::int32_t ErrorNumberFor(FailureKind kind) {
  switch (kind) {
    case FailureKind::Malformed:
      return contracts::dberr::kSyntax;
    case FailureKind::Constraint:
      return contracts::dberr::kConstraint;
    case FailureKind::Other:
      break;
  }
  return contracts::dberr::kProvider;
}

}  // namespace korvo::data
