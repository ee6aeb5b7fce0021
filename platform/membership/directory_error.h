// Raising the directory's errors (contracts::membership_error) with their
// fixed texts, so every component and backend words them alike.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvo::membership {

// Sources of the directory's errors.
inline constexpr const char* kUserSource = "KorvoMembership.User";
inline constexpr const char* kMembersSource = "KorvoMembership.Members";

// Raises `number` with its standard text, followed by ": " and `detail`
// when detail is not empty. Callers never pass a password or a hash in
// `detail`.
[[noreturn]] void RaiseDirectoryError(std::int32_t number, std::string_view source,
                                      std::string_view detail = {});

// The standard text of a directory error number ("Invalid account or
// password", ...).
std::string DirectoryErrorText(std::int32_t number);

}  // namespace korvo::membership
