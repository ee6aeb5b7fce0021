// SettingsFile: the [section] key = value settings of one INI file.
//
// Section and key names compare case-insensitively; values keep their text
// (inih trims the blanks around them). When a key repeats within a section,
// the last line wins. A value object: copyable, immutable after Load(),
// thread-compatible.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace korvo::korvex {

class SettingsFile {
 public:
  // No settings at all.
  SettingsFile() = default;

  // Reads the file at path. A path where no file exists gives no settings;
  // a file that cannot be opened, or a line that is not INI syntax, raises
  // errnum::kConfigurationUnreadable naming the file (and the line).
  static SettingsFile Load(const std::string& path);

  // The value of [section] key, or nullopt when the file does not set it.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

 private:
  static int OnEntry(void* self, const char* section, const char* key, const char* value);
  std::map<std::pair<std::string, std::string>, std::string> values_;
};

}  // namespace korvo::korvex
