#include "platform/korvex/settings_file.h"

#include <ini.h>

#include <filesystem>
#include <system_error>

#include "platform/korvex/korvex_errors.h"
#include "platform/runtime/conversions.h"

namespace korvo::korvex {

namespace {

std::pair<std::string, std::string> KeyOf(std::string_view section, std::string_view key) {
  return {rt::UCase(section), rt::UCase(key)};
}

}  // namespace

SettingsFile SettingsFile::Load(const std::string& path) {
  SettingsFile settings;
  std::error_code ignored;
  if (path.empty() || !std::filesystem::exists(path, ignored)) return settings;
  const int outcome = ini_parse(path.c_str(), &SettingsFile::OnEntry, &settings);
  if (outcome < 0) {
    rt::Raise(errnum::kConfigurationUnreadable, "The configuration file '" + path + "' cannot be read",
              "Korvex.Configuration");
  }
  if (outcome > 0) {
    rt::Raise(errnum::kConfigurationUnreadable,
              "The configuration file '" + path + "' is not valid at line " + std::to_string(outcome),
              "Korvex.Configuration");
  }
  return settings;
}

int SettingsFile::OnEntry(void* self, const char* section, const char* key, const char* value) {
  static_cast<SettingsFile*>(self)->values_[KeyOf(section, key)] = value ? value : "";
  return 1;
}

std::optional<std::string> SettingsFile::Find(std::string_view section, std::string_view key) const {
  auto found = values_.find(KeyOf(section, key));
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

}  // namespace korvo::korvex
