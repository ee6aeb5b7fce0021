// How the two user classes (User and TUser) reach the library's database.
// Shared by both: each passes its own name for the property's failures.
//
// Thread-safe: the connection string is cached per thread by the
// infrastructure; nothing else is kept.
#pragma once

#include <string>
#include <string_view>

#include "platform/contracts/database.h"

namespace korvo::common {

inline constexpr const char* kUserConnectionStringMethod = "KorvoCommon.User.ConnectionString";
inline constexpr const char* kTUserConnectionStringMethod = "KorvoCommon.TUser.ConnectionString";

// The class's connection string, read from the configuration alone (the
// thread's cache first). A configuration failure is logged under
// propertyMethod and raised again. The thread's cached string itself: copy
// it to keep it past the next look-up.
const std::string& UserClassConnectionString(std::string_view propertyMethod);

// A new open connection for one method of a user class: the connection
// string application first (a blank cached string is looked up again), and
// "set TRANSACTION ISOLATION LEVEL READ COMMITTED" run first when
// readCommitted is true. No handler of its own: a failure to find the
// string, open or set the isolation reaches the calling method's handler
// as it is. The caller closes the connection.
contracts::ConnectionRef OpenUserClassConnection(bool readCommitted = false);

}  // namespace korvo::common
