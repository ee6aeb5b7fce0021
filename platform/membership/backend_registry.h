// The directory backends by name, and the one configuration chooses.
//
// Configuration section "MEMBERSHIP", key "Backend" names the backend
// ("embedded" when unset or empty, compared case-blind). Each backend reads
// its own further keys of that section through MembershipSettings.
// A backend makes itself known with RegisterDirectoryBackend, normally from
// the membership classes' registration (platform/membership/register.cc).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/membership/directory_backend.h"

namespace korvo::membership {

// The "MEMBERSHIP" settings of the installation, read through the
// configuration when first asked for and kept for the object's life.
class MembershipSettings {
 public:
  virtual ~MembershipSettings() = default;
  // The value of [MEMBERSHIP] key, "" when unset.
  virtual std::string Value(std::string_view key) const = 0;
};

// Makes a backend for one component object. Raises
// membership_error::kDirectoryUnavailable when the settings are unusable.
using BackendFactory =
    std::function<std::unique_ptr<DirectoryBackend>(const MembershipSettings& settings)>;

// Adds or replaces the backend called `name` (case-blind). Thread-safe.
void RegisterDirectoryBackend(std::string name, BackendFactory factory);

// The backend the settings choose ("Backend", default "embedded"); raises
// kDirectoryUnavailable naming the backend when no such backend is registered.
std::unique_ptr<DirectoryBackend> OpenDirectoryBackend(const MembershipSettings& settings);

// The settings of the current configuration (section "MEMBERSHIP"). The
// configuration file is looked for at most once a second per thread, and
// at once when another file is named; settings the program gives
// (ConfigurationOverrides) are seen at once.
std::unique_ptr<MembershipSettings> ConfiguredSettings();

}  // namespace korvo::membership
