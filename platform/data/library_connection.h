// The library's own connection string, as every class and service of the
// library finds it: the calling scope's web application variable
// "KorvoCommonConnection_ConnectionString", else Korvex.Configuration's
// [CONNECTIONS] KorvoCommonConnection_ConnectionString, read after selecting
// the server application "KorvoServer".
//
// Each thread keeps the string it found first and does not ask again, so
// changing the configuration later does not reach a thread that has one; an
// empty result is not kept. One cache serves the classes and the services
// they call (the referential checker, the embedded directory), so they
// always agree on the database.
#pragma once

#include <string>

#include "platform/contracts/database.h"

namespace korvo::data {

// How a look-up fills an empty cache.
struct ConnectionLookup {
  // The scope's application variable before the configuration; false asks
  // the configuration only.
  bool applicationFirst = true;
  // A cached or found string of blanks counts as empty and is looked up
  // again (the forms that must not open a blank string).
  bool blankIsEmpty = false;
};

// The calling thread's cached string itself, filled as `lookup` says when
// it is empty. The reference is valid on the calling thread until the cache
// changes (the next look-up or ForgetLibraryConnectionString): copy it to
// keep it. Any failure to read the application variable only means the
// configuration is asked; the configuration's errors are raised as they are.
const std::string& LibraryConnectionString(ConnectionLookup lookup = {});

// A new ADODB.Connection created in the caller's object context (so it
// joins the caller's transaction and sees its uncommitted rows), opened on
// connectionString; the caller closes it. Creation and database errors are
// raised as they are.
contracts::ConnectionRef OpenConnection(const std::string& connectionString);

// Empties the calling thread's cache. Requests never do; the script host
// does for a new database, and tests between databases.
void ForgetLibraryConnectionString();

}  // namespace korvo::data
