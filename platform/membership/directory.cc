#include "platform/membership/directory.h"

#include "platform/contracts/membership.h"
#include "platform/membership/attribute_kinds.h"
#include "platform/membership/credential_cache.h"
#include "platform/membership/directory_error.h"
#include "platform/runtime/conversions.h"

namespace korvo::membership {

namespace {

namespace err = contracts::membership_error;

constexpr double kDefaultCacheSeconds = 60;
constexpr double kMaxCacheSeconds = 86400;

std::chrono::seconds CacheLifetime(const MembershipSettings& settings) {
  const std::string text = rt::Trim(settings.Value("CredentialCacheSeconds"));
  const auto seconds =
      text.empty() ? std::optional<double>(kDefaultCacheSeconds) : rt::ParseNumber(text);
  // A negative or not-a-number setting gives the default.
  if (!seconds || !(*seconds >= 0)) return std::chrono::seconds(static_cast<long>(kDefaultCacheSeconds));
  return std::chrono::seconds(static_cast<long>(std::min(*seconds, kMaxCacheSeconds)));
}

}  // namespace

void RequireValidUserId(const std::string& userId, std::string_view source) {
  if (!IsValidUserId(userId)) RaiseDirectoryError(err::kInvalidUserID, source);
}

std::shared_ptr<Directory> Directory::Open() {
  auto settings = ConfiguredSettings();
  auto backend = OpenDirectoryBackend(*settings);
  return std::make_shared<Directory>(std::move(settings), std::move(backend));
}

Directory::Directory(std::unique_ptr<MembershipSettings> settings,
                     std::unique_ptr<DirectoryBackend> backend)
    : settings_(std::move(settings)),
      backend_(std::move(backend)),
      cacheLifetime_(CacheLifetime(*settings_)) {}

std::string Directory::Authenticate(const std::string& account, const std::string& password,
                                    std::string_view source) {
  if (account.empty() || password.empty()) RaiseDirectoryError(err::kInvalidCredentials, source);
  CredentialCache& cache = CredentialCache::Process();
  const std::string identity = backend_->Identity();
  const bool cached = cacheLifetime_.count() > 0;
  if (auto accountId = cached ? cache.Find(identity, account, password) : std::nullopt)
    return *accountId;
  auto accountId = backend_->VerifyPassword(account, password);
  if (!accountId) RaiseDirectoryError(err::kInvalidCredentials, source);
  cache.Remember(identity, account, password, *accountId, cacheLifetime_);
  return *accountId;
}

bool Directory::IsWriter(const std::string& accountId) {
  const std::string script = rt::Trim(settings_->Value("MemScriptUser"));
  if (!script.empty() && FoldCase(script) == FoldCase(accountId)) return true;
  return backend_->HoldsWriterRight(accountId);
}

Credentials Directory::ScriptAccount() const {
  Credentials script{settings_->Value("MemScriptUser"), settings_->Value("MemScriptCode")};
  const std::string root = settings_->Value("LDAPRoot");
  if (!root.empty()) script.account += "," + root;
  return script;
}

Entry Directory::LoadUser(const std::string& userId, std::string_view source) {
  RequireValidUserId(userId, source);
  auto entry = backend_->Load(userId);
  if (!entry) RaiseDirectoryError(err::kUserNotFound, source, userId);
  return std::move(*entry);
}

std::optional<Entry> Directory::FindUser(const std::string& userId) {
  if (!IsValidUserId(userId)) return std::nullopt;
  return backend_->Load(userId);
}

std::vector<std::optional<Entry>> Directory::FindUsers(const std::vector<std::string>& userIds) {
  std::vector<std::optional<Entry>> entries(userIds.size());
  std::vector<std::string> batch;
  std::vector<std::size_t> places;
  auto read = [&] {
    std::vector<std::optional<Entry>> loaded = backend_->LoadMany(batch);
    for (std::size_t i = 0; i < loaded.size(); ++i) entries[places[i]] = std::move(loaded[i]);
    batch.clear();
    places.clear();
  };
  for (std::size_t place = 0; place < userIds.size(); ++place) {
    if (!IsValidUserId(userIds[place])) continue;
    batch.push_back(userIds[place]);
    places.push_back(place);
    if (batch.size() == kMostLoadedAtOnce) read();
  }
  if (!batch.empty()) read();
  return entries;
}

void Directory::SetPassword(const std::string& userId, const std::string& password,
                            std::string_view source) {
  RequireValidUserId(userId, source);
  if (password.empty())
    RaiseDirectoryError(err::kInvalidAttribute, source, "a password may not be empty");
  backend_->SetPassword(userId, password);
  CredentialCache::Process().Forget(backend_->Identity(), userId);
}

void Directory::DeleteUser(const std::string& userId, std::string_view source) {
  RequireValidUserId(userId, source);
  if (!backend_->Delete(userId)) RaiseDirectoryError(err::kUserNotFound, source, userId);
  CredentialCache::Process().Forget(backend_->Identity(), userId);
}

}  // namespace korvo::membership
