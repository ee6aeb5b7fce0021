#include "tools/korvo/disclosure.h"

#include <memory>

#include "platform/contracts/configuration.h"
#include "platform/korvex/secret_mask.h"
#include "platform/runtime/conversions.h"

namespace korvo::tool {

namespace {

bool IsSecretConfigurationRead(const rt::ObjectRef& object, const std::string& name,
                               std::span<const rt::Variant> args) {
  return std::dynamic_pointer_cast<contracts::Configuration>(object) &&
         rt::TextEqualsNoCase(name, "ReadValue") && args.size() >= 2 && args[1].IsString() &&
         korvex::IsSecretName(args[1].AsString());
}

}  // namespace

rt::Variant InvokeDisclosed(const rt::ObjectRef& object, const std::string& name, rt::InvokeKind kind,
                            std::span<rt::Variant> args) {
  // Judged on the arguments as the caller gave them, before the callee may
  // write to them.
  const bool secret = IsSecretConfigurationRead(object, name, args);
  rt::Variant value = object->Invoke(name, kind, args);
  if (secret && !value.IsNullOrEmpty()) return rt::Variant(korvex::kMaskedSecret);
  return value;
}

}  // namespace korvo::tool
