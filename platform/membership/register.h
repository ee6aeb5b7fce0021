// The membership directory's classes, registered with the host by class
// name: "KorvoMembership.User" and "KorvoMembership.Members" (class names
// compare case-blind, so "Korvomembership.User" finds the first). Neither
// has a transaction attribute of its own: made inside a context they share
// the caller's transaction, so their writes join it. Also makes the
// embedded and the LDAP backends known (backend_registry.h).
#pragma once

namespace korvo::membership {

// Registers (or registers again, replacing) both classes and the two
// backends. Thread-safe.
void RegisterClasses();

}  // namespace korvo::membership
