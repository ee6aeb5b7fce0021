// Directory: the rules every backend shares, over the configured backend.
//
// One per component object, opened on first use: the "MEMBERSHIP" settings,
// the backend they choose, and on top of it authentication through the
// process's credential cache, the writer right, the script account and the
// look-up of users with their validation.
//
// Settings read here besides the backend's own:
//   MemScriptUser, MemScriptCode  the script account and its password; it
//                                 always holds the writer right
//   LDAPRoot                      appended as ",<root>" to the script
//                                 account, as the user lists do
//   CredentialCacheSeconds        how long a verified bind is remembered
//                                 (default 60; 0 turns the cache off)
// Single-threaded, like the component that owns it.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/membership/backend_registry.h"
#include "platform/membership/directory_backend.h"

namespace korvo::membership {

struct Credentials {
  std::string account;
  std::string password;
};

class Directory {
 public:
  // The directory the configuration chooses. Raises kDirectoryUnavailable.
  static std::shared_ptr<Directory> Open();
  Directory(std::unique_ptr<MembershipSettings> settings, std::unique_ptr<DirectoryBackend> backend);

  // The user ID of `account` once `password` verifies. Raises
  // kInvalidCredentials, with `source`, for an empty account or password,
  // an unknown account or a wrong password alike.
  std::string Authenticate(const std::string& account, const std::string& password,
                           std::string_view source);
  // Whether the account (an ID Authenticate answered) may write any entry.
  bool IsWriter(const std::string& accountId);
  // The script account of the settings, root appended.
  Credentials ScriptAccount() const;

  // The entry of a valid user ID. Raises kInvalidUserID / kUserNotFound.
  Entry LoadUser(const std::string& userId, std::string_view source);
  // The entry, or nullopt for an absent entry or an invalid ID.
  std::optional<Entry> FindUser(const std::string& userId);
  // The entries of `userIds` in their order, read together: one backend
  // read per kMostLoadedAtOnce valid IDs. nullopt for an invalid ID and
  // where the read found none (FindUser then decides for that ID).
  std::vector<std::optional<Entry>> FindUsers(const std::vector<std::string>& userIds);

  // Changes a password (not empty) and forgets the user's cached binds.
  void SetPassword(const std::string& userId, const std::string& password, std::string_view source);
  // Deletes a user and forgets its cached binds. Raises kUserNotFound.
  void DeleteUser(const std::string& userId, std::string_view source);

  DirectoryBackend& Backend() { return *backend_; }
  const MembershipSettings& Settings() const { return *settings_; }

 private:
  std::unique_ptr<MembershipSettings> settings_;
  std::unique_ptr<DirectoryBackend> backend_;
  std::chrono::seconds cacheLifetime_;
};

// Raises kInvalidUserID (with `source`) unless IsValidUserId(userId).
void RequireValidUserId(const std::string& userId, std::string_view source);

}  // namespace korvo::membership
