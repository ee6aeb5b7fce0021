// The framework and utility classes, registered with the host by ProgID:
// "Korvex.Log", "Korvex.Configuration", "Korvex.ResultObject",
// "Korvex.ReferentialChecker", "KorvoLibrary.Utilities",
// "KorvoLibrary.Page", "KorvoLibrary.DRecordset" and "Scripting.Dictionary".
// None has a transaction attribute of its own: made inside a context, they
// share the caller's transaction.
#pragma once

namespace korvo::korvex {

// Registers (or registers again, replacing) every class above in
// host::Registry::Global(). Thread-safe.
void RegisterClasses();

}  // namespace korvo::korvex
