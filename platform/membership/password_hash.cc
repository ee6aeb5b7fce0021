#include "platform/membership/password_hash.h"

#include <sodium.h>

#include <map>
#include <mutex>
#include <utility>

#include "platform/contracts/membership.h"
#include "platform/membership/backend_registry.h"
#include "platform/membership/directory_error.h"
#include "platform/runtime/conversions.h"

namespace korvo::membership {

namespace {

constexpr unsigned long long kDefaultPasses = 2;
constexpr unsigned long long kDefaultMemoryKiB = 65536;

void EnsureSodium() {
  static const bool ready = sodium_init() >= 0;
  if (!ready) {
    RaiseDirectoryError(contracts::membership_error::kDirectoryUnavailable, kUserSource,
                        "the cryptographic library cannot start");
  }
}

unsigned long long Setting(const MembershipSettings& settings, std::string_view key,
                           unsigned long long fallback) {
  const auto number = rt::ParseNumber(settings.Value(key));
  if (!number || !(*number >= 1 && *number <= 1e12)) return fallback;  // NaN too
  return static_cast<unsigned long long>(*number);
}

// One hash per cost of a password nobody knows, made once per process.
std::string DummyHash(const HashCost& cost) {
  static std::mutex mutex;
  static std::map<std::pair<unsigned long long, std::size_t>, std::string> hashes;
  std::lock_guard lock(mutex);
  auto& hash = hashes[{cost.passes, cost.memoryBytes}];
  if (hash.empty()) {
    unsigned char secret[32];
    randombytes_buf(secret, sizeof secret);
    char hex[sizeof secret * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, secret, sizeof secret);
    hash = HashPassword(hex, cost);
  }
  return hash;
}

}  // namespace

HashCost HashCostFrom(const MembershipSettings& settings) {
  HashCost cost;
  cost.passes = std::max<unsigned long long>(Setting(settings, "PasswordHashOps", kDefaultPasses),
                                             crypto_pwhash_argon2id_OPSLIMIT_MIN);
  const unsigned long long kib = Setting(settings, "PasswordHashMemoryKiB", kDefaultMemoryKiB);
  cost.memoryBytes =
      std::max<std::size_t>(static_cast<std::size_t>(kib) * 1024, crypto_pwhash_argon2id_MEMLIMIT_MIN);
  return cost;
}

std::string HashPassword(std::string_view password, const HashCost& cost) {
  EnsureSodium();
  char encoded[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str_alg(encoded, password.data(), password.size(), cost.passes, cost.memoryBytes,
                            crypto_pwhash_ALG_ARGON2ID13) != 0) {
    RaiseDirectoryError(contracts::membership_error::kDirectoryUnavailable, kUserSource,
                        "the password hash needs more memory than is available");
  }
  return encoded;
}

bool PasswordMatches(std::string_view stored, std::string_view password) {
  EnsureSodium();
  if (stored.size() >= crypto_pwhash_STRBYTES) return false;
  char encoded[crypto_pwhash_STRBYTES] = {};
  stored.copy(encoded, stored.size());
  return crypto_pwhash_str_verify(encoded, password.data(), password.size()) == 0;
}

void SpendVerificationTime(std::string_view password, const HashCost& cost) {
  PasswordMatches(DummyHash(cost), password);
}

}  // namespace korvo::membership
