// Mail sent on a user's behalf: one CDONTS.NewMail per message, addressed
// with the users' directory e-mail addresses.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "infrastructure/errors.h"
#include "platform/contracts/mail.h"
#include "platform/host/registry.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"
#include "user/internal/user_members.h"
#include "user/user.h"

namespace korvo::common {

namespace {

constexpr const char* kNewMailProgId = "CDONTS.NewMail";
constexpr const char* kAttachmentMethod = "KorvoCommon.User.SendEmailWithAttachment";
constexpr char kAttachmentSeparator = '|';

// A new message object, made by class name outside the caller's
// transaction: mail is not part of what a rollback undoes.
std::shared_ptr<contracts::NewMail> CreateNewMail() {
  auto mail = std::dynamic_pointer_cast<contracts::NewMail>(host::CreateObject(kNewMailProgId));
  if (!mail) rt::Raise(rt::errnum::kTypeMismatch);
  return mail;
}

// The message with sender, recipient, subject and plain-text MIME body set,
// or null when the recipient has no address (then nothing is sent). The
// sender is set whenever a sending user is named, even to an empty address.
std::shared_ptr<contracts::NewMail> AddressedMail(User& user, const std::string& iUserIDTo,
                                                  const std::string& iUserIDFrom,
                                                  const std::string& iSubject,
                                                  const std::string& iBody) {
  std::shared_ptr<contracts::NewMail> mail = CreateNewMail();
  if (!iUserIDFrom.empty()) mail->SetFrom(user.GetEmailAddress(iUserIDFrom));
  const std::string recipient = user.GetEmailAddress(iUserIDTo);
  if (rt::Trim(recipient).empty()) return nullptr;
  mail->SetTo(recipient);
  mail->SetSubject(iSubject);
  mail->SetBody(iBody);
  mail->SetBodyFormat(static_cast<std::int32_t>(contracts::MailBodyFormat::Text));
  mail->SetMailFormat(static_cast<std::int32_t>(contracts::MailFormat::Mime));
  return mail;
}

// Called inside the catch block of a failed attachment. The failure is
// reported in the log only; a log that cannot be written loses the entry,
// never the message.
void LogFailedAttachment(std::string_view part) {
  try {
    infra::Err_Log(kAttachmentMethod, rt::Variant("Attachment: " + std::string(part)));
  } catch (...) {
  }
}

// Attaches every "|"-separated part, first to last. A part that cannot be
// attached (an empty one after a trailing "|" included) is logged and left
// out; the others still go.
void AttachEach(contracts::NewMail& mail, std::string_view attachments) {
  if (attachments.empty()) return;
  for (;;) {
    const auto separator = attachments.find(kAttachmentSeparator);
    const std::string part(attachments.substr(0, separator));
    try {
      mail.AttachFile(part, std::nullopt, std::nullopt);
    } catch (...) {
      LogFailedAttachment(part);
    }
    if (separator == std::string_view::npos) return;
    attachments.remove_prefix(separator + 1);
  }
}

}  // namespace

void User::SendEmail(const std::string& iUserIDTo, const std::string& iUserIDFrom,
                     const std::string& iSubject, const std::string& iBody) {
  if (auto mail = AddressedMail(*this, iUserIDTo, iUserIDFrom, iSubject, iBody)) mail->Send();
}

void User::SendEmailwithAttachment(const std::string& iUserIDTo, const std::string& iUserIDFrom,
                                   const std::string& iSubject, const std::string& iBody,
                                   const std::string& iAttachment) {
  auto mail = AddressedMail(*this, iUserIDTo, iUserIDFrom, iSubject, iBody);
  if (!mail) return;
  AttachEach(*mail, iAttachment);
  mail->Send();
}

namespace user_members {

void AddMailMembers(Builder& table) {
  table.Method("SendEmail", &User::SendEmail)
      .Method("SendEmailwithAttachment", &User::SendEmailwithAttachment);
}

}  // namespace user_members

}  // namespace korvo::common
