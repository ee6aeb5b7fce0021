// Masking of secrets in texts handed out of the process (the korvo program's
// answers). The library itself reads configuration values unmasked; a
// protocol client never needs a password, so what leaves through the program
// shows "********" in its place.
// Thread-safe (no shared state).
#pragma once

#include <string>
#include <string_view>

namespace korvo::korvex {

// What a masked value reads.
inline constexpr const char* kMaskedSecret = "********";

// True for a configuration key or connection-string option that names a
// secret: any key containing "password", "passwd", "pwd" or "secret", and the
// membership script account's "MemScriptCode" (all without regard to case).
bool IsSecretName(std::string_view key);

// The text with the value of every password-like option of a connection
// string ("key=value" pairs separated by ";", a value possibly quoted) made
// kMaskedSecret; everything else exactly as it was. A text without such an
// option comes back unchanged.
std::string MaskSecretOptions(std::string_view text);

// A configuration value as it may leave the process: kMaskedSecret whole when
// `key` names a secret, else MaskSecretOptions(value).
std::string MaskConfigurationValue(std::string_view key, std::string_view value);

}  // namespace korvo::korvex
