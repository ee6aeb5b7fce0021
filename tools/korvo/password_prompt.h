// Reading a password for the operator commands: never from the command
// line, where every user of the machine could read it.
#pragma once

#include <optional>
#include <string>

namespace korvo::tool {

// From a terminal: prompts on standard error with echo off, twice when
// `confirm`, and answers nullopt when the two differ. Otherwise: the first
// line of standard input (a trailing CR removed). Answers nullopt at end of
// input. The password is never echoed.
std::optional<std::string> ReadPassword(const std::string& prompt, bool confirm);

}  // namespace korvo::tool
