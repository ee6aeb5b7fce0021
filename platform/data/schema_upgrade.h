// Bringing one physical connection's database to the current schema; used
// by InitializeDatabase and by the pool when it opens a connection.
#pragma once

namespace korvo::data {

class Driver;
class DriverConnection;

enum class UpgradeMode {
  Always,       // create what is missing and stamp the version
  IfEmptyFile,  // only a database without any table (a new, empty file)
};

// Runs in one explicit transaction; a database already at the current
// version costs one version read. Throws DriverError.
void UpgradeSchema(DriverConnection& connection, const Driver& driver, UpgradeMode mode);

}  // namespace korvo::data
