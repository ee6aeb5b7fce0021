// ConfigurationOverrides: settings given to the process programmatically
// (the korvo program's --db, --connection and --config), which Korvex.
// Configuration prefers to every other source.
//
// Process-wide and thread-safe. Section and key names compare
// case-insensitively, as in the configuration file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvo::korvex {

class ConfigurationOverrides {
 public:
  ConfigurationOverrides() = delete;

  // [section] key reads as value from now on, whatever the file says.
  static void Set(std::string_view section, std::string_view key, std::string value);
  static std::optional<std::string> Find(std::string_view section, std::string_view key);

  // Reads the settings from this file instead of KORVO_CONFIG, ./korvo.ini
  // or /etc/korvo/korvo.ini.
  static void SetFile(std::string path);
  static std::optional<std::string> File();

  // Forgets every override and the file.
  static void Clear();
};

}  // namespace korvo::korvex
