// CredentialCache: the credentials this process verified lately, so a
// repeated bind costs a keyed hash instead of an Argon2id verification.
//
// It keeps, per directory and account, a BLAKE2b hash keyed with a random
// key made at process start over the account and password (never the
// password itself), the account's user ID, and the moment the entry
// expires. Forgetting an account (its password changed, it was deleted)
// drops its entries at once; a change made by another process is seen when
// the entry expires. Thread-safe; process-wide.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace korvo::membership {

class CredentialCache {
 public:
  // The process's cache.
  static CredentialCache& Process();

  // The user ID remembered for exactly these credentials in `directory` (a
  // backend's identity), or nullopt when none is remembered or it expired.
  std::optional<std::string> Find(std::string_view directory, std::string_view account,
                                  std::string_view password);
  // Remembers verified credentials for `lifetime` (nothing when zero).
  void Remember(std::string_view directory, std::string_view account, std::string_view password,
                const std::string& userId, std::chrono::seconds lifetime);
  // Drops every entry of the user `userId` in `directory`.
  void Forget(std::string_view directory, std::string_view userId);
  // Drops everything.
  void Clear();

 private:
  CredentialCache() = default;
};

}  // namespace korvo::membership
