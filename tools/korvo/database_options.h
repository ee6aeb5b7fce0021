// The database a korvo command works on: --db PATH, --connection STRING or
// --config FILE, handed to the library the way a deployment configures it,
// through the configuration component, so every connection-string look-up
// finds it.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

namespace korvo::tool {

// Used when neither an option nor the configuration names a database.
inline constexpr const char* kDefaultDatabase = "korvo.db";

struct DatabaseOptions {
  std::string db;          // --db PATH: an embedded SQLite database file
  std::string connection;  // --connection STRING: any connection string
  std::string config;      // --config FILE: the settings file to read
};

// Adds the three options to a command; at most one of them may be given.
void AddDatabaseOptions(CLI::App& command, DatabaseOptions& options);

// Configures the chosen database and returns the connection string the
// library will now use. --db (and the default database) creates or upgrades
// the file's schema. Requires the classes to be registered. Raises the
// configuration's or the database's errors.
std::string ApplyDatabaseOptions(const DatabaseOptions& options);

// The connection string of an embedded database file.
std::string SqliteConnectionString(const std::string& path);

}  // namespace korvo::tool
