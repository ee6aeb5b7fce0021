#include "platform/membership/credential_cache.h"

#include <sodium.h>

#include <array>
#include <map>
#include <mutex>

#include "platform/membership/directory_backend.h"

namespace korvo::membership {

namespace {

using Clock = std::chrono::steady_clock;
using Digest = std::array<unsigned char, crypto_generichash_BYTES>;

// Bounds the memory a flood of distinct accounts can take.
constexpr std::size_t kMaxEntries = 10000;

struct CachedCredential {
  Digest digest{};
  std::string userId;
  Clock::time_point expires;
};

struct CacheState {
  std::mutex mutex;
  std::array<unsigned char, crypto_generichash_KEYBYTES> key{};
  // directory NUL folded account -> its last verified credentials
  std::map<std::string, CachedCredential> entries;

  CacheState() {
    if (sodium_init() >= 0) randombytes_buf(key.data(), key.size());
  }
};

CacheState& State() {
  static CacheState state;
  return state;
}

std::string EntryKey(std::string_view directory, std::string_view account) {
  std::string key(directory);
  key += '\0';
  key += FoldCase(account);
  return key;
}

Digest Hash(const CacheState& state, const std::string& entryKey, std::string_view password) {
  crypto_generichash_state hashing;
  crypto_generichash_init(&hashing, state.key.data(), state.key.size(), crypto_generichash_BYTES);
  crypto_generichash_update(&hashing, reinterpret_cast<const unsigned char*>(entryKey.data()),
                            entryKey.size() + 1);
  crypto_generichash_update(&hashing, reinterpret_cast<const unsigned char*>(password.data()),
                            password.size());
  Digest digest;
  crypto_generichash_final(&hashing, digest.data(), digest.size());
  return digest;
}

void DropExpired(std::map<std::string, CachedCredential>& entries, Clock::time_point now) {
  std::erase_if(entries, [&](const auto& entry) { return entry.second.expires <= now; });
}

}  // namespace

CredentialCache& CredentialCache::Process() {
  static CredentialCache cache;
  return cache;
}

std::optional<std::string> CredentialCache::Find(std::string_view directory, std::string_view account,
                                                 std::string_view password) {
  CacheState& state = State();
  const std::string key = EntryKey(directory, account);
  const Digest digest = Hash(state, key, password);
  std::lock_guard lock(state.mutex);
  const auto found = state.entries.find(key);
  if (found == state.entries.end() || found->second.expires <= Clock::now()) return std::nullopt;
  if (sodium_memcmp(found->second.digest.data(), digest.data(), digest.size()) != 0) return std::nullopt;
  return found->second.userId;
}

void CredentialCache::Remember(std::string_view directory, std::string_view account,
                               std::string_view password, const std::string& userId,
                               std::chrono::seconds lifetime) {
  if (lifetime.count() <= 0) return;
  CacheState& state = State();
  const std::string key = EntryKey(directory, account);
  CachedCredential entry{Hash(state, key, password), userId, Clock::now() + lifetime};
  std::lock_guard lock(state.mutex);
  if (state.entries.size() >= kMaxEntries) DropExpired(state.entries, Clock::now());
  if (state.entries.size() >= kMaxEntries) state.entries.clear();
  state.entries[key] = std::move(entry);
}

void CredentialCache::Forget(std::string_view directory, std::string_view userId) {
  CacheState& state = State();
  const std::string prefix = std::string(directory) + '\0';
  const std::string folded = FoldCase(userId);
  std::lock_guard lock(state.mutex);
  std::erase_if(state.entries, [&](const auto& entry) {
    return entry.first.starts_with(prefix) && FoldCase(entry.second.userId) == folded;
  });
}

void CredentialCache::Clear() {
  CacheState& state = State();
  std::lock_guard lock(state.mutex);
  state.entries.clear();
}

}  // namespace korvo::membership
