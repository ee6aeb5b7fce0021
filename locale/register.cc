#include "locale/register.h"

#include <memory>

#include "locale/locale.h"
#include "platform/host/registry.h"

namespace korvo::common {

void RegisterLocaleClasses() {
  host::Registry::Global().Register(
      host::ClassInfo{"KorvoCommon.Locale", host::TransactionAttribute::None, false,
                      [] { return rt::ObjectRef(std::make_shared<Locale>()); }});
}

}  // namespace korvo::common
