#include "platform/utility/connection_name.h"

#include <memory>

#include "platform/contracts/configuration.h"
#include "platform/host/object_context.h"
#include "platform/host/registry.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"

namespace korvo::utility {

namespace {

std::string ApplicationVariable(const std::string& key) {
  host::ObjectContext* context = host::GetObjectContext();
  if (context == nullptr) return "";
  try {
    rt::DictionaryRef application = context->Item("Application");
    const rt::Variant* value = application ? application->Find(rt::Variant(key)) : nullptr;
    return value ? rt::CStr(*value) : "";
  } catch (const rt::Error&) {
    return "";  // a request without application variables: the configuration decides
  }
}

}  // namespace

std::string ConnectionStringByName(const std::string& connectionName) {
  const std::string key = connectionName + "_ConnectionString";
  if (std::string value = ApplicationVariable(key); !value.empty()) return value;
  auto configuration =
      std::dynamic_pointer_cast<contracts::Configuration>(host::CreateObject("Korvex.Configuration"));
  if (!configuration) rt::Raise(rt::errnum::kTypeMismatch);
  configuration->SelectApplication("KorvoServer", 0);
  const rt::Variant value = configuration->ReadValue("CONNECTIONS", key);
  return value.IsNull() ? "" : rt::CStr(value);
}

}  // namespace korvo::utility
