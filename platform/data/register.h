// Registers the data layer's classes with the host: "ADODB.Connection"
// (platform/data/connection.h) and "ADODB.Recordset"
// (platform/data/recordset.h), both without transaction attributes (a
// connection finds its caller's transaction itself when it opens).
// Idempotent and thread-safe.
#pragma once

namespace korvo::data {

void RegisterClasses();

}  // namespace korvo::data
