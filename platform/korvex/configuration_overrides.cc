#include "platform/korvex/configuration_overrides.h"

#include <map>
#include <mutex>
#include <utility>

#include "platform/runtime/conversions.h"

namespace korvo::korvex {

namespace {

struct Overrides {
  std::mutex mutex;
  std::map<std::pair<std::string, std::string>, std::string> values;
  std::optional<std::string> file;
};

Overrides& TheOverrides() {
  static Overrides overrides;
  return overrides;
}

std::pair<std::string, std::string> KeyOf(std::string_view section, std::string_view key) {
  return {rt::UCase(section), rt::UCase(key)};
}

}  // namespace

void ConfigurationOverrides::Set(std::string_view section, std::string_view key, std::string value) {
  Overrides& overrides = TheOverrides();
  std::lock_guard lock(overrides.mutex);
  overrides.values[KeyOf(section, key)] = std::move(value);
}

std::optional<std::string> ConfigurationOverrides::Find(std::string_view section, std::string_view key) {
  Overrides& overrides = TheOverrides();
  std::lock_guard lock(overrides.mutex);
  auto found = overrides.values.find(KeyOf(section, key));
  if (found == overrides.values.end()) return std::nullopt;
  return found->second;
}

void ConfigurationOverrides::SetFile(std::string path) {
  Overrides& overrides = TheOverrides();
  std::lock_guard lock(overrides.mutex);
  overrides.file = std::move(path);
}

std::optional<std::string> ConfigurationOverrides::File() {
  Overrides& overrides = TheOverrides();
  std::lock_guard lock(overrides.mutex);
  return overrides.file;
}

void ConfigurationOverrides::Clear() {
  Overrides& overrides = TheOverrides();
  std::lock_guard lock(overrides.mutex);
  overrides.values.clear();
  overrides.file.reset();
}

}  // namespace korvo::korvex
