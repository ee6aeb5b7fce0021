#include "user/user_connection.h"

#include "infrastructure/components.h"
#include "infrastructure/sql_access.h"

namespace korvo::common {

const std::string& UserClassConnectionString(std::string_view propertyMethod) {
  return infra::ConnectionStringConfigurationOnly(propertyMethod);
}

contracts::ConnectionRef OpenUserClassConnection(bool readCommitted) {
  const std::string& connectionString = infra::ConnectionStringApplicationFirstUnhandled();
  contracts::ConnectionRef connection =
      infra::Gen_GetComponentAs<contracts::Connection>("ADODB.Connection");
  try {
    connection->Open(connectionString);
    if (readCommitted) connection->Execute(infra::kReadCommitted);
  } catch (...) {
    // A connection that could not be readied is not handed out half open.
    infra::ScopedClose<contracts::ConnectionRef>(connection).CloseNow();
    throw;
  }
  return connection;
}

}  // namespace korvo::common
