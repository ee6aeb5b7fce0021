#include "platform/membership/backend_registry.h"

#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/contracts/membership.h"
#include "platform/korvex/configuration.h"
#include "platform/korvex/configuration_overrides.h"
#include "platform/membership/directory_error.h"
#include "platform/runtime/conversions.h"

namespace korvo::membership {

namespace {

constexpr const char* kDefaultBackend = "embedded";

struct Backends {
  std::mutex mutex;
  std::map<std::string, BackendFactory> byName;  // folded name
};

Backends& Registered() {
  static Backends backends;
  return backends;
}

// How long a thread keeps the configuration file it read: a request opens
// the directory anew, and looking for the file each time costs a tenth of
// a request that finds its user in the credential cache.
constexpr std::chrono::seconds kFileKeptFor{1};

// The configuration this thread reads the settings through. The file it
// read is kept for kFileKeptFor, and read anew at once when another file
// is named (--config, KORVO_CONFIG); the program's own settings
// (ConfigurationOverrides) are seen at every read.
korvex::Configuration& ThreadConfiguration() {
  struct Kept {
    std::optional<korvex::Configuration> configuration;
    std::chrono::steady_clock::time_point readAt;
    std::optional<std::string> namedFile;
    std::optional<std::string> environmentFile;
  };
  thread_local Kept kept;
  const auto now = std::chrono::steady_clock::now();
  std::optional<std::string> namedFile = korvex::ConfigurationOverrides::File();
  const char* environment = std::getenv("KORVO_CONFIG");
  std::optional<std::string> environmentFile =
      environment ? std::optional<std::string>(environment) : std::nullopt;
  if (!kept.configuration || now - kept.readAt >= kFileKeptFor || namedFile != kept.namedFile ||
      environmentFile != kept.environmentFile) {
    kept.configuration.emplace();
    kept.readAt = now;
    kept.namedFile = std::move(namedFile);
    kept.environmentFile = std::move(environmentFile);
  }
  return *kept.configuration;
}

// Reads [MEMBERSHIP] keys through the thread's configuration, each once.
class ConfigurationSettings final : public MembershipSettings {
 public:
  std::string Value(std::string_view key) const override {
    const std::string name(key);
    auto found = values_.find(name);
    if (found != values_.end()) return found->second;
    const rt::Variant value = ThreadConfiguration().ReadValue("MEMBERSHIP", name);
    return values_.emplace(name, value.IsNullOrEmpty() ? std::string() : rt::CStr(value)).first->second;
  }

 private:
  mutable std::map<std::string, std::string> values_;
};

}  // namespace

std::string FoldCase(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

void RegisterDirectoryBackend(std::string name, BackendFactory factory) {
  Backends& backends = Registered();
  std::lock_guard lock(backends.mutex);
  backends.byName[FoldCase(name)] = std::move(factory);
}

std::unique_ptr<DirectoryBackend> OpenDirectoryBackend(const MembershipSettings& settings) {
  std::string name = rt::Trim(settings.Value("Backend"));
  if (name.empty()) name = kDefaultBackend;
  BackendFactory factory;
  {
    Backends& backends = Registered();
    std::lock_guard lock(backends.mutex);
    auto found = backends.byName.find(FoldCase(name));
    if (found != backends.byName.end()) factory = found->second;
  }
  if (!factory) {
    RaiseDirectoryError(contracts::membership_error::kDirectoryUnavailable, kMembersSource,
                        "no directory backend is called \"" + name + "\"");
  }
  return factory(settings);
}

std::unique_ptr<MembershipSettings> ConfiguredSettings() {
  return std::make_unique<ConfigurationSettings>();
}

}  // namespace korvo::membership
