// Error numbers the mail component raises, with source "CDONTS.NewMail".
// Each description names what was refused and why; none carries a password.
#pragma once

#include <cstdint>
#include <string>

#include "platform/runtime/error.h"

namespace korvo::mail {

inline constexpr const char* kMailSource = "CDONTS.NewMail";

namespace errnum {

// A sender or recipient that is not exactly one mailbox (a list, a group,
// a line break, no domain), or a message sent without a recipient.
inline constexpr std::int32_t kAddressInvalid = rt::errnum::kComponentBase + 0x1201;
// A file that cannot be attached: missing, not a regular file, outside the
// configured attachment directories, or unreadable.
inline constexpr std::int32_t kAttachmentRefused = rt::errnum::kComponentBase + 0x1202;
// The message would grow beyond [MAIL] MaxMessageSize.
inline constexpr std::int32_t kMessageTooLarge = rt::errnum::kComponentBase + 0x1203;
// The pickup directory is missing or the message could not be written there.
inline constexpr std::int32_t kPickupFailed = rt::errnum::kComponentBase + 0x1204;
// The SMTP server could not be reached, refused the message or did not
// answer within [MAIL] SmtpTimeout.
inline constexpr std::int32_t kSmtpFailed = rt::errnum::kComponentBase + 0x1205;
// A [MAIL] setting that cannot be used.
inline constexpr std::int32_t kSettingInvalid = rt::errnum::kComponentBase + 0x1206;

}  // namespace errnum

// Raises `number` with source kMailSource.
[[noreturn]] void RaiseMailError(std::int32_t number, const std::string& description);

// The text as it may appear inside an error description or log entry:
// control characters (line breaks included) shown as \r, \n or \xHH, so a
// caller's text cannot forge a line of the log.
std::string Printable(const std::string& text);

}  // namespace korvo::mail
