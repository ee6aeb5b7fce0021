// Keeping connection-string option values out of connection error texts.
// A database client library quotes what it was given ("invalid sslmode
// value: "...""), and a password typed into the wrong option would be quoted
// with it; every such text passes through here before anyone sees it.
// Thread-safe (no shared state).
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace korvo::data {

// Option keys with their values (ConnectionOptions::values()).
using OptionValues = std::map<std::string, std::string>;

// `message` with every occurrence of an option's value replaced by the
// option's key in angle brackets ("<port>"), longer values first so that no
// part of a value shows through another.
std::string WithoutOptionValues(std::string_view message, const OptionValues& options);

// To be called in a catch block: throws the exception being handled again,
// a DriverError or rt::Error with WithoutOptionValues applied to its text,
// anything else unchanged.
[[noreturn]] void RethrowWithoutOptionValues(const OptionValues& options);

}  // namespace korvo::data
