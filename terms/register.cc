#include "terms/register.h"

#include <memory>

#include "platform/host/registry.h"
#include "terms/terms_and_conditions.h"

namespace korvo::common {

void RegisterTermsClasses() {
  host::Registry::Global().Register(
      host::ClassInfo{"KorvoCommon.TermsAndConditions", host::TransactionAttribute::None, false,
                      [] { return rt::ObjectRef(std::make_shared<TermsAndConditions>()); }});
}

}  // namespace korvo::common
