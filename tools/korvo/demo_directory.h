// The demo data set's membership directory: the script account (holding
// the writer right), buyers, an approver, a supplier user tied to the demo
// supplier (business partner 1002), an internal user with an administrative office,
// and a buyer that inherits its settings from a template entry. Every demo
// user's password is "demo"; the script account takes the configured
// [MEMBERSHIP] MemScriptUser / MemScriptCode, else "script" / "demo".
#pragma once

namespace korvo::tool {

// The password of every demo user.
inline constexpr const char* kDemoUserPassword = "demo";

// Adds the demo users to the configured directory inside the current host
// transaction; a demo user the directory holds already (an LDAP directory
// from an earlier run) is left as it is. Raises the directory's errors.
void LoadDemoDirectory();

}  // namespace korvo::tool
