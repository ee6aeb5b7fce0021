#include "user/user_register.h"

#include <memory>

#include "platform/host/registry.h"
#include "user/user.h"

namespace korvo::common {

void RegisterUserClass() {
  host::Registry::Global().Register(
      host::ClassInfo{kUserProgId, host::TransactionAttribute::NotSupported, false,
                      [] { return rt::ObjectRef(std::make_shared<User>()); }});
}

}  // namespace korvo::common
