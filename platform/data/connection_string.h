// Connection strings: ADO-style "key=value;" pairs naming a driver and its
// options, e.g. "Driver=SQLite;Database=/var/lib/korvo/korvo.db;BusyTimeout=5000".
//
// Keys compare case-insensitively; a value may be enclosed in "..." or '...'
// (the enclosing quote doubled inside stands for itself), so it can hold ';'.
// Blanks around keys and unquoted values are ignored; empty pairs are skipped;
// a repeated key takes its last value.
//
// Errors raise rt::Error 0x80004005 with "Malformed connection string" or
// "Connection string names no driver". Texts never include a value: a
// Password must not reach any error, log or trace.
// Thread-safe (no shared state).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace korvo::data {

class ConnectionOptions {
 public:
  // The driver name as written ("SQLite").
  const std::string& driver() const { return driver_; }
  // The value of an option (key in any case), or nullopt when absent.
  std::optional<std::string> Get(std::string_view key) const;
  // Option keys in lower case with their values, the driver key excluded.
  const std::map<std::string, std::string>& values() const { return values_; }

 private:
  friend ConnectionOptions ParseConnectionString(std::string_view text);
  std::string driver_;
  std::map<std::string, std::string> values_;
};

ConnectionOptions ParseConnectionString(std::string_view text);

}  // namespace korvo::data
