#include "platform/data/register.h"

#include <memory>
#include <mutex>

#include "platform/data/connection.h"
#include "platform/data/recordset.h"
#include "platform/host/registry.h"

namespace korvo::data {

void RegisterClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    auto& registry = host::Registry::Global();
    registry.Register({"ADODB.Connection", host::TransactionAttribute::None, false,
                       [] { return std::make_shared<Connection>(); }});
    registry.Register({"ADODB.Recordset", host::TransactionAttribute::None, false,
                       [] { return std::make_shared<Recordset>(); }});
  });
}

}  // namespace korvo::data
