#include "platform/mail/new_mail.h"

#include "platform/mail/attachment_file.h"
#include "platform/mail/mail_errors.h"
#include "platform/mail/pickup/pickup_directory.h"
#include "platform/mail/smtp/smtp_delivery.h"

namespace korvo::mail {

namespace {

constexpr std::int32_t kBase64Encoding = 1;

std::int32_t CheckedFormat(std::int32_t format, const char* property) {
  if (format != 0 && format != 1) {
    rt::Raise(rt::errnum::kInvalidProcedureCall,
              std::string(property) + " must be 0 or 1, not " + std::to_string(format), kMailSource);
  }
  return format;
}

void Deliver(const MailSettings& settings, const MessageParts& parts, const std::string& message) {
  if (settings.transport == Transport::Pickup) {
    DropInPickupDirectory(settings.pickup, message);
    return;
  }
  DeliverBySmtp(settings.smtp, Envelope{parts.from ? parts.from->address : "", parts.to.address},
                message);
}

}  // namespace

const host::DispatchTable& NewMail::Dispatch() const {
  static const host::DispatchTable table = host::DispatchTable::For<NewMail>()
                                               .Setter("From", &NewMail::SetFrom)
                                               .Setter("To", &NewMail::SetTo)
                                               .Setter("Subject", &NewMail::SetSubject)
                                               .Setter("Body", &NewMail::SetBody)
                                               .Setter("BodyFormat", &NewMail::SetBodyFormat)
                                               .Setter("MailFormat", &NewMail::SetMailFormat)
                                               .Method("AttachFile", &NewMail::AttachFile)
                                               .Method("Send", &NewMail::Send)
                                               .Build();
  return table;
}

void NewMail::SetFrom(const std::string& address) {
  if (address.empty()) {
    parts_.from.reset();
  } else {
    parts_.from = ParseMailbox(address);
  }
}

void NewMail::SetTo(const std::string& address) {
  parts_.to = ParseMailbox(address);
  hasRecipient_ = true;
}

void NewMail::SetSubject(const std::string& subject) { parts_.subject = subject; }

void NewMail::SetBody(const std::string& body) { parts_.body = body; }

void NewMail::SetBodyFormat(std::int32_t format) {
  parts_.htmlBody =
      CheckedFormat(format, "BodyFormat") == static_cast<std::int32_t>(contracts::MailBodyFormat::Html);
}

void NewMail::SetMailFormat(std::int32_t format) { CheckedFormat(format, "MailFormat"); }

void NewMail::AttachFile(const std::string& source, std::optional<std::string> fileName,
                         std::optional<std::int32_t> encodingMethod) {
  if (encodingMethod && *encodingMethod != kBase64Encoding) {
    rt::Raise(rt::errnum::kInvalidProcedureCall, "Attachments are always base64 encoded (1)",
              kMailSource);
  }
  const MailSettings& settings = Settings();
  const std::uint64_t room =
      settings.maxMessageSize > attachedSize_ ? settings.maxMessageSize - attachedSize_ : 0;
  // The raw size whose encoded form can still fit: base64 makes four bytes of
  // three.
  Attachment attachment = ReadAttachment(source, fileName.value_or(""),
                                         AttachmentRules{settings.attachmentDirectories, room / 4 * 3});
  const std::uint64_t encoded = EncodedAttachmentSize(attachment.content.size());
  if (encoded > room) {
    RaiseMailError(errnum::kMessageTooLarge, "The file '" + Printable(source) +
                                                 "' cannot be attached: the message would grow "
                                                 "larger than allowed");
  }
  attachedSize_ += encoded;
  parts_.attachments.push_back(std::move(attachment));
}

void NewMail::Send() {
  if (sent_)
    rt::Raise(rt::errnum::kInvalidProcedureCall, "This message has already been sent", kMailSource);
  if (!hasRecipient_) RaiseMailError(errnum::kAddressInvalid, "The message has no recipient");
  const MailSettings& settings = Settings();
  const std::string message = ComposeMessage(parts_);
  if (message.size() > settings.maxMessageSize) {
    RaiseMailError(errnum::kMessageTooLarge, "The message has " + std::to_string(message.size()) +
                                                 " bytes, more than the " +
                                                 std::to_string(settings.maxMessageSize) + " allowed");
  }
  Deliver(settings, parts_, message);
  sent_ = true;
}

const MailSettings& NewMail::Settings() {
  if (!settings_) settings_ = MailSettings::Read();
  return *settings_;
}

}  // namespace korvo::mail
