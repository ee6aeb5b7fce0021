#include "currency/register.h"

#include <memory>

#include "currency/currency.h"
#include "currency/currency_store.h"
#include "currency/tcurrency.h"
#include "platform/host/registry.h"

namespace korvo::common {

void RegisterCurrencyClasses() {
  host::Registry& registry = host::Registry::Global();
  registry.Register(host::ClassInfo{kCurrencyProgId, host::TransactionAttribute::NotSupported, true,
                                    [] { return rt::ObjectRef(std::make_shared<Currency>()); }});
  registry.Register(host::ClassInfo{kTCurrencyProgId, host::TransactionAttribute::Required, false,
                                    [] { return rt::ObjectRef(std::make_shared<TCurrency>()); }});
}

}  // namespace korvo::common
