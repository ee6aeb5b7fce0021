// The [MAIL] settings of Korvex.Configuration: which transport delivers
// messages and how, and the limits on what a message may carry. The keys,
// their defaults and examples are in docs/configuration.md.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace korvo::mail {

enum class Transport { Pickup, Smtp };
enum class SmtpSecurity { None, StartTls, Tls };

struct PickupSettings {
  std::filesystem::path directory;
  // True when no directory is configured: the default is created on demand.
  // A configured directory must exist, so a mistyped one fails loudly
  // instead of filling a folder no collector reads.
  bool createWhenMissing = false;
};

struct SmtpSettings {
  std::string host;
  std::uint16_t port = 25;
  SmtpSecurity security = SmtpSecurity::None;
  std::string user;      // no authentication when empty
  std::string password;  // never logged, never part of an error text
  std::chrono::seconds timeout{30};
  std::string caFile;  // the system's authorities when empty
};

struct MailSettings {
  Transport transport = Transport::Pickup;
  PickupSettings pickup;
  SmtpSettings smtp;
  // Attachments must lie inside one of these (resolved) directories; any
  // regular file may be attached when the list is empty.
  std::vector<std::filesystem::path> attachmentDirectories;
  std::uint64_t maxMessageSize = 10 * 1024 * 1024;

  // Reads the settings now. A value that cannot be used raises
  // errnum::kSettingInvalid naming the key; an unreadable configuration file
  // raises Korvex.Configuration's error.
  static MailSettings Read();
};

}  // namespace korvo::mail
