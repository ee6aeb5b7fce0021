#include "platform/korvex/configuration.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/korvex/configuration_overrides.h"
#include "platform/runtime/conversions.h"

namespace korvo::korvex {

namespace {

constexpr const char* kLocalFile = "korvo.ini";
constexpr const char* kSystemFile = "/etc/korvo/korvo.ini";

std::optional<std::string> Environment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

bool IsConnectionStringKey(const std::string& section, const std::string& key) {
  return rt::TextEqualsNoCase(section, "CONNECTIONS") &&
         rt::TextEqualsNoCase(key, "KorvoCommonConnection_ConnectionString");
}

}  // namespace

const host::DispatchTable& Configuration::Dispatch() const {
  static const host::DispatchTable table =
      host::DispatchTable::For<Configuration>()
          .Method("SelectApplication", &Configuration::SelectApplication)
          .Method("ReadValue", &Configuration::ReadValue)
          .Method("IsSubscribed", &Configuration::IsSubscribed)
          .Method("Query", &Configuration::Query)
          .Build();
  return table;
}

void Configuration::SelectApplication(const std::string& application, std::int32_t /*mode*/) {
  application_ = application;
}

rt::Variant Configuration::ReadValue(const std::string& section, const std::string& key) {
  std::optional<std::string> value = Lookup(section, key);
  if (!value) return rt::Variant();
  return rt::Variant(std::move(*value));
}

bool Configuration::IsSubscribed(const std::string& module) {
  const std::string flag = rt::LCase(rt::Trim(Lookup("SUBSCRIPTIONS", module).value_or("")));
  return flag == "1" || flag == "true" || flag == "yes";
}

rt::Variant Configuration::Query() { return rt::Variant(); }

std::string Configuration::SettingsPath() {
  if (auto file = ConfigurationOverrides::File()) return *file;
  if (auto file = Environment("KORVO_CONFIG")) return *file;
  std::error_code ignored;
  if (std::filesystem::exists(kLocalFile, ignored)) return kLocalFile;
  return kSystemFile;
}

std::optional<std::string> Configuration::Lookup(const std::string& section, const std::string& key) {
  if (auto value = ConfigurationOverrides::Find(section, key)) return value;
  if (IsConnectionStringKey(section, key)) {
    if (auto value = Environment("KORVO_CONNECTION_STRING")) return value;
  }
  if (!application_.empty()) {
    if (auto value = File().Find(application_ + "." + section, key)) return value;
  }
  return File().Find(section, key);
}

const SettingsFile& Configuration::File() {
  if (!file_) file_ = SettingsFile::Load(SettingsPath());
  return *file_;
}

}  // namespace korvo::korvex
