// Korvex.Configuration: the framework's configuration component.
#pragma once

#include <cstdint>
#include <string>

#include "platform/runtime/variant.h"

namespace korvo::contracts {

class Configuration {
 public:
  virtual ~Configuration() = default;
  // Selects the application whose settings later reads see ("KorvoServer", 0).
  virtual void SelectApplication(const std::string& application, std::int32_t mode) = 0;
  // The value of [section] key; Empty when absent.
  virtual rt::Variant ReadValue(const std::string& section, const std::string& key) = 0;
  // Whether the installation subscribes to a module ("KorvoSales").
  virtual bool IsSubscribed(const std::string& module) = 0;
  // The query with no input whose result callers discard.
  virtual rt::Variant Query() = 0;
};

}  // namespace korvo::contracts
