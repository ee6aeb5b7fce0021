// Password hashes: Argon2id through libsodium, salted, memory-hard, each
// hash recording its own cost, verified in constant time.
//
// The cost comes from the "MEMBERSHIP" settings:
//   PasswordHashOps        passes over memory (default 2; at least 1)
//   PasswordHashMemoryKiB  memory per hash in KiB (default 65536, 64 MiB;
//                          at least 8)
// A hash keeps verifying after the cost changes; new hashes take the new cost.
// Thread-safe.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvo::membership {

class MembershipSettings;

struct HashCost {
  unsigned long long passes = 2;
  std::size_t memoryBytes = std::size_t{64} << 20;
};

// The cost the settings ask for, clamped to libsodium's minimum; the
// default for settings that are unset or not numbers.
HashCost HashCostFrom(const MembershipSettings& settings);

// A new hash of `password` (the encoded form "$argon2id$v=19$m=...").
// Raises kDirectoryUnavailable when the memory cannot be had.
std::string HashPassword(std::string_view password, const HashCost& cost);

// True when `password` matches the encoded hash `stored`. Constant time
// over the password; false for a malformed hash.
bool PasswordMatches(std::string_view stored, std::string_view password);

// Spends the time one PasswordMatches of a hash of this cost takes, for an
// account that does not exist, so it cannot be told from a wrong password.
void SpendVerificationTime(std::string_view password, const HashCost& cost);

}  // namespace korvo::membership
