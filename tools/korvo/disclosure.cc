#include "tools/korvo/disclosure.h"

#include <memory>

#include "platform/contracts/configuration.h"
#include "platform/korvex/secret_mask.h"
#include "platform/runtime/conversions.h"

namespace korvo::tool {

rt::Variant Disclosed(const rt::ObjectRef& object, const std::string& method,
                      std::span<const rt::Variant> args, rt::Variant value) {
  const bool configurationRead = std::dynamic_pointer_cast<contracts::Configuration>(object) &&
                                 rt::TextEqualsNoCase(method, "ReadValue");
  if (configurationRead && args.size() >= 2 && args[1].IsString() && korvex::IsSecretName(args[1].AsString()) &&
      !value.IsNullOrEmpty()) {
    return rt::Variant(korvex::kMaskedSecret);
  }
  return value;
}

}  // namespace korvo::tool
