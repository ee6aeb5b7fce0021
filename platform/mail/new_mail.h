// CDONTS.NewMail: one outgoing message. The caller sets From, To, Subject,
// Body, BodyFormat and MailFormat, attaches files and calls Send once; the
// message then goes to the transport the [MAIL] settings choose: a pickup
// directory (the default) or an SMTP server (see docs/configuration.md).
//
// Every value is checked where it enters: an address that is not a single
// mailbox is refused when set, a file when attached, so nothing a caller
// supplies can add a header or a recipient. Errors carry source
// "CDONTS.NewMail" and the numbers of mail_errors.h.
//
// Single-threaded like every component; one object per message.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/contracts/mail.h"
#include "platform/host/component.h"
#include "platform/mail/mail_settings.h"
#include "platform/mail/mime_message.h"

namespace korvo::mail {

inline constexpr const char* kNewMailProgId = "CDONTS.NewMail";

class NewMail final : public host::Component, public contracts::NewMail {
 public:
  std::string TypeName() const override { return "NewMail"; }
  const host::DispatchTable& Dispatch() const override;

  // "" leaves the message without a sender (no From header, the null
  // reverse path on SMTP).
  void SetFrom(const std::string& address) override;
  void SetTo(const std::string& address) override;
  void SetSubject(const std::string& subject) override;
  void SetBody(const std::string& body) override;
  void SetBodyFormat(std::int32_t format) override;
  // Both formats give a MIME message: UTF-8 text cannot travel otherwise.
  void SetMailFormat(std::int32_t format) override;

  // Reads the file now, under [MAIL] AttachmentDirectories and
  // MaxMessageSize. The encoding, when given, must be base64 (1).
  void AttachFile(const std::string& source, std::optional<std::string> fileName,
                  std::optional<std::int32_t> encodingMethod) override;

  // Composes and delivers the message. Raises errnum::kAddressInvalid
  // without a recipient, errnum::kMessageTooLarge beyond MaxMessageSize,
  // and the transport's errors; a second Send raises Invalid procedure
  // call (5).
  void Send() override;

 private:
  const MailSettings& Settings();

  std::optional<MailSettings> settings_;
  MessageParts parts_;
  bool hasRecipient_ = false;
  bool sent_ = false;
  std::uint64_t attachedSize_ = 0;
};

}  // namespace korvo::mail
