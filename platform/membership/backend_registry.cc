#include "platform/membership/backend_registry.h"

#include <map>
#include <mutex>
#include <utility>

#include "platform/contracts/configuration.h"
#include "platform/contracts/membership.h"
#include "platform/host/create_as.h"
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

// Reads [MEMBERSHIP] keys through Korvex.Configuration, each once.
class ConfigurationSettings final : public MembershipSettings {
 public:
  std::string Value(std::string_view key) const override {
    const std::string name(key);
    auto found = values_.find(name);
    if (found != values_.end()) return found->second;
    if (!configuration_) configuration_ = host::CreateAs<contracts::Configuration>("Korvex.Configuration");
    const rt::Variant value = configuration_->ReadValue("MEMBERSHIP", name);
    return values_.emplace(name, value.IsNullOrEmpty() ? std::string() : rt::CStr(value)).first->second;
  }

 private:
  mutable std::shared_ptr<contracts::Configuration> configuration_;
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

std::unique_ptr<MembershipSettings> ConfiguredSettings() { return std::make_unique<ConfigurationSettings>(); }

}  // namespace korvo::membership
