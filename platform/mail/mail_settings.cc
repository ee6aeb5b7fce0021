#include "platform/mail/mail_settings.h"

#include <charconv>
#include <limits>
#include <optional>
#include <string_view>
#include <system_error>

#include "platform/korvex/configuration.h"
#include "platform/mail/mail_errors.h"
#include "platform/runtime/conversions.h"

namespace korvo::mail {

namespace {

constexpr const char* kSection = "MAIL";
constexpr const char* kDefaultPickupFolder = "korvo-pickup";
constexpr std::uint16_t kSmtpPort = 25;
constexpr std::uint16_t kSmtpsPort = 465;

class MailSection {
 public:
  // The trimmed value of the key; "" when unset.
  std::string Text(const char* key) {
    return rt::Trim(rt::CStr(configuration_.ReadValue(kSection, key)));
  }

  // A whole number in [minimum, maximum], or `fallback` when unset.
  std::uint64_t Number(const char* key, std::uint64_t minimum, std::uint64_t maximum,
                       std::uint64_t fallback) {
    const std::string text = Text(key);
    if (text.empty()) return fallback;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < minimum || value > maximum) {
      Refuse(key, text,
             "is not a whole number from " + std::to_string(minimum) + " to " + std::to_string(maximum));
    }
    return value;
  }

  [[noreturn]] static void Refuse(const char* key, const std::string& value, const std::string& why) {
    RaiseMailError(errnum::kSettingInvalid,
                   std::string("The setting [MAIL] ") + key + " '" + Printable(value) + "' " + why);
  }

 private:
  korvex::Configuration configuration_;
};

Transport ReadTransport(MailSection& section) {
  const std::string text = rt::LCase(section.Text("Transport"));
  if (text.empty() || text == "pickup") return Transport::Pickup;
  if (text == "smtp") return Transport::Smtp;
  MailSection::Refuse("Transport", text, "is neither pickup nor smtp");
}

SmtpSecurity ReadSecurity(MailSection& section) {
  const std::string text = rt::LCase(section.Text("SmtpSecurity"));
  if (text.empty() || text == "none") return SmtpSecurity::None;
  if (text == "starttls") return SmtpSecurity::StartTls;
  if (text == "tls") return SmtpSecurity::Tls;
  MailSection::Refuse("SmtpSecurity", text, "is none of none, starttls and tls");
}

PickupSettings ReadPickup(MailSection& section) {
  const std::string configured = section.Text("PickupDirectory");
  if (!configured.empty()) return PickupSettings{configured, false};
  return PickupSettings{std::filesystem::temp_directory_path() / kDefaultPickupFolder, true};
}

SmtpSettings ReadSmtp(MailSection& section) {
  SmtpSettings smtp;
  smtp.host = section.Text("SmtpServer");
  smtp.security = ReadSecurity(section);
  const std::uint16_t defaultPort = smtp.security == SmtpSecurity::Tls ? kSmtpsPort : kSmtpPort;
  smtp.port = static_cast<std::uint16_t>(section.Number("SmtpPort", 1, 65535, defaultPort));
  smtp.user = section.Text("SmtpUser");
  smtp.password = section.Text("SmtpPassword");
  smtp.timeout = std::chrono::seconds(section.Number("SmtpTimeout", 1, 3600, 30));
  smtp.caFile = section.Text("SmtpCAFile");
  return smtp;
}

// "dir1:dir2", each resolved now, so that ".." and links in the setting
// itself cannot widen it later. A directory that cannot be resolved is a
// setting error rather than a silently empty list, which would admit any file.
std::vector<std::filesystem::path> ReadAttachmentDirectories(MailSection& section) {
  std::vector<std::filesystem::path> directories;
  const std::string list = section.Text("AttachmentDirectories");
  std::string_view rest = list;
  while (!rest.empty()) {
    const auto colon = rest.find(':');
    const std::string entry = rt::Trim(rest.substr(0, colon));
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    if (entry.empty()) continue;
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::canonical(entry, error);
    if (error)
      MailSection::Refuse("AttachmentDirectories", entry, "cannot be resolved: " + error.message());
    directories.push_back(std::move(resolved));
  }
  return directories;
}

}  // namespace

MailSettings MailSettings::Read() {
  MailSection section;
  MailSettings settings;
  settings.transport = ReadTransport(section);
  settings.pickup = ReadPickup(section);
  settings.smtp = ReadSmtp(section);
  if (settings.transport == Transport::Smtp && settings.smtp.host.empty()) {
    MailSection::Refuse("SmtpServer", "", "must name the server when Transport is smtp");
  }
  settings.attachmentDirectories = ReadAttachmentDirectories(section);
  settings.maxMessageSize = section.Number(
      "MaxMessageSize", 1024, std::numeric_limits<std::uint32_t>::max(), settings.maxMessageSize);
  return settings;
}

}  // namespace korvo::mail
