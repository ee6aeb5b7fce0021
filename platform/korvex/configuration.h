// Korvex.Configuration: the installation's settings, from an INI file.
//
// Where the settings come from, first match wins:
//   1. ConfigurationOverrides::Set (the korvo program's --db / --connection);
//   2. for [CONNECTIONS] KorvoCommonConnection_ConnectionString only, the
//      environment variable KORVO_CONNECTION_STRING when it is set;
//   3. the file: [<application>.<section>] key when an application is
//      selected and that section sets the key, else [<section>] key.
// The file is ConfigurationOverrides::File() (--config), else the one named by
// KORVO_CONFIG, else ./korvo.ini when present, else /etc/korvo/korvo.ini. A
// missing file means no settings; an unreadable or malformed one raises
// errnum::kConfigurationUnreadable on the first read. The file is read once
// per object, at its first read.
//
// Single-threaded like every component; create one per use.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/contracts/configuration.h"
#include "platform/host/component.h"
#include "platform/korvex/settings_file.h"

namespace korvo::korvex {

class Configuration : public host::Component, public contracts::Configuration {
 public:
  std::string TypeName() const override { return "Configuration"; }
  const host::DispatchTable& Dispatch() const override;

  // Later reads prefer the settings of this application. The mode is
  // accepted for compatibility and has no effect.
  void SelectApplication(const std::string& application, std::int32_t mode) override;
  // The setting as a String, or Empty when nothing sets it.
  rt::Variant ReadValue(const std::string& section, const std::string& key) override;
  // [SUBSCRIPTIONS] <module> read as a flag: "1", "true" or "yes" (any case)
  // is true; anything else, or nothing, is false.
  bool IsSubscribed(const std::string& module) override;
  // Answers Empty; kept for callers that make the call and discard it.
  rt::Variant Query() override;

  // The path of the file the settings are read from (it may not exist).
  static std::string SettingsPath();

 private:
  std::optional<std::string> Lookup(const std::string& section, const std::string& key);
  const SettingsFile& File();

  std::string application_;
  std::optional<SettingsFile> file_;
};

}  // namespace korvo::korvex
