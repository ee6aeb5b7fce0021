#include "user/tuser_register.h"

#include <memory>

#include "platform/host/registry.h"
#include "user/tuser.h"

namespace korvo::common {

void RegisterTUserClass() {
  host::Registry::Global().Register(
      host::ClassInfo{kTUserProgId, host::TransactionAttribute::Required, false,
                      [] { return rt::ObjectRef(std::make_shared<TUser>()); }});
}

}  // namespace korvo::common
