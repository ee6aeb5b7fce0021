// The connection string an application keeps under a connection name: the
// web application's variable name + "_ConnectionString" when the calling
// request has one, else the setting of that name in section "CONNECTIONS"
// of the server application "KorvoServer" (Korvex.Configuration).
#pragma once

#include <string>

namespace korvo::utility {

// Raises the configuration's errors; "" when neither place has a value.
std::string ConnectionStringByName(const std::string& connectionName);

}  // namespace korvo::utility
