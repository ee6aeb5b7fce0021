// The options a throw-away test server's start script prints
// ("Key=value;Key=value", e.g. scripts/ldap-server, scripts/smtp-server).
#pragma once

#include <map>
#include <sstream>
#include <string>

namespace korvo::testing {

// The options as a map; an item without "=" is skipped.
inline std::map<std::string, std::string> ServerOptions(const std::string& text) {
  std::map<std::string, std::string> options;
  std::stringstream items(text);
  for (std::string item; std::getline(items, item, ';');) {
    const auto equals = item.find('=');
    if (equals != std::string::npos) options[item.substr(0, equals)] = item.substr(equals + 1);
  }
  return options;
}

}  // namespace korvo::testing
