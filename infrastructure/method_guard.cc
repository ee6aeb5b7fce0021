#include "currency/method_guard.h"

#include "infrastructure/components.h"
#include "infrastructure/errors.h"
#include "infrastructure/sql_access.h"
#include "platform/runtime/error.h"

namespace korvo::common {

void HandleFailure(const MethodHandler& handler, contracts::ConnectionRef& connection) {
  rt::ErrorRecord current = rt::CurrentError();
  if (handler.reportedNumber && current.Number != 0) current.Number = *handler.reportedNumber;
  infra::Info info;
  if (handler.info == FailureInfo::ConnectionErrors) {
    info = rt::Variant(infra::Err_ConnectionErrors(connection.get()));
  }
  infra::ScopedClose<contracts::ConnectionRef>(connection).CloseNow();
  if (handler.votesAbort) infra::Mts_SetAbort();
  infra::Err_HandleRecord(current, handler.method, info);
  throw;  // only an error numbered 0 gets here: it leaves as it came
}

}  // namespace korvo::common
