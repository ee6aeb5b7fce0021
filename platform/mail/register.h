// Registration of the platform's mail component with the host.
#pragma once

namespace korvo::mail {

// Registers (or registers again, replacing) "CDONTS.NewMail" in
// host::Registry::Global(), without a transaction attribute: a message is
// sent whatever becomes of the caller's transaction. Thread-safe.
void RegisterClasses();

}  // namespace korvo::mail
