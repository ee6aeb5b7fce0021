#include "tools/korvo/database_options.h"

#include <memory>

#include "infrastructure/components.h"
#include "platform/contracts/configuration.h"
#include "platform/data/schema.h"
#include "platform/host/registry.h"
#include "platform/korvex/configuration_overrides.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"

namespace korvo::tool {

namespace {

constexpr const char* kSection = "CONNECTIONS";
constexpr const char* kKey = "KorvoCommonConnection_ConnectionString";

// What the library's configuration-only look-up would find now.
std::string ConfiguredConnectionString() {
  auto configuration =
      std::dynamic_pointer_cast<contracts::Configuration>(host::CreateObject("Korvex.Configuration"));
  if (!configuration) rt::Raise(rt::errnum::kTypeMismatch);
  configuration->SelectApplication("KorvoServer", 0);
  const rt::Variant value = configuration->ReadValue(kSection, kKey);
  return value.IsNullOrEmpty() ? std::string() : rt::Trim(rt::CStr(value));
}

void UseDatabaseFile(const std::string& path) {
  const std::string connection = SqliteConnectionString(path);
  data::InitializeDatabase(connection);
  korvex::ConfigurationOverrides::Set(kSection, kKey, connection);
}

}  // namespace

void AddDatabaseOptions(CLI::App& command, DatabaseOptions& options) {
  auto* db =
      command.add_option("--db", options.db, "Embedded database file (created and set up when new)");
  auto* connection = command.add_option("--connection", options.connection,
                                        "Connection string, instead of the configured one");
  auto* config = command.add_option("--config", options.config, "Settings file to read");
  db->excludes(connection)->excludes(config);
  connection->excludes(config);
}

std::string ApplyDatabaseOptions(const DatabaseOptions& options) {
  if (!options.config.empty()) korvex::ConfigurationOverrides::SetFile(options.config);
  if (!options.connection.empty()) {
    korvex::ConfigurationOverrides::Set(kSection, kKey, options.connection);
  } else if (!options.db.empty()) {
    UseDatabaseFile(options.db);
  } else if (ConfiguredConnectionString().empty()) {
    UseDatabaseFile(kDefaultDatabase);
  }
  // Look-ups made before this point (none in a fresh process) must not win.
  infra::ResetConnectionStringCache();
  return ConfiguredConnectionString();
}

std::string SqliteConnectionString(const std::string& path) {
  // Values holding the pair separator travel quoted.
  std::string value = path;
  if (path.find_first_of(";\"'") != std::string::npos || path != rt::Trim(path)) {
    const char quote = path.find('"') == std::string::npos ? '"' : '\'';
    value = quote + path + quote;
  }
  return "Driver=SQLite;Database=" + value;
}

}  // namespace korvo::tool
