// The class-name table of the whole library: every class a caller may create
// by name, the platform's (connections, record sets, framework components)
// and the seven public KorvoCommon classes with their transaction attributes.
#pragma once

namespace korvo::registration {

// Registers every class in host::Registry::Global(). Idempotent and
// thread-safe: the first call registers, later calls do nothing. A test may
// still replace single registrations afterwards (host::RegistrationOverride).
void RegisterAll();

}  // namespace korvo::registration
