#include "platform/mail/register.h"

#include <memory>

#include "platform/host/registry.h"
#include "platform/mail/new_mail.h"

namespace korvo::mail {

void RegisterClasses() {
  host::Registry::Global().Register(
      host::ClassInfo{kNewMailProgId, host::TransactionAttribute::None, false,
                      [] { return rt::ObjectRef(std::make_shared<NewMail>()); }});
}

}  // namespace korvo::mail
