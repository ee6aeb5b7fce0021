#include "infrastructure/method_guard.h"

#include "infrastructure/components.h"
#include "infrastructure/errors.h"
#include "infrastructure/sql_access.h"
#include "platform/runtime/error.h"

namespace korvo::infra {

void HandleFailure(const MethodHandler& handler, contracts::ConnectionRef& connection) {
  rt::ErrorRecord current = rt::CurrentError();
  if (handler.reportedNumber && current.Number != 0) current.Number = *handler.reportedNumber;
  Info info;
  if (handler.info == FailureInfo::ConnectionErrors) {
    info = rt::Variant(Err_ConnectionErrors(connection.get()));
  }
  ScopedClose<contracts::ConnectionRef>(connection).CloseNow();
  if (handler.votesAbort) Mts_SetAbort();
  Err_HandleRecord(current, handler.method, info);
  throw;  // only an error numbered 0 gets here: it leaves as it came
}

void RaiseRetired(std::string_view text) {
  try {
    rt::Raise(-1);
  } catch (...) {
    contracts::ConnectionRef none;
    HandleFailure(UnvotedHandler(text), none);
  }
}

}  // namespace korvo::infra
