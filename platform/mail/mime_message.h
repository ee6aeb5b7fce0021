// Composition of one RFC 5322 message with MIME parts (RFC 2045-2049).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/mail/mailbox.h"

namespace korvo::mail {

struct Attachment {
  std::string fileName;     // as shown to the recipient, UTF-8
  std::string contentType;  // "type/subtype"
  std::string content;      // the file's bytes
};

struct MessageParts {
  std::optional<Mailbox> from;  // no From header when absent
  Mailbox to;
  std::string subject;  // UTF-8; line breaks arrive as blanks
  std::string body;     // UTF-8
  bool htmlBody = false;
  std::vector<Attachment> attachments;
};

// The whole message with CR LF line ends: From, To, Subject (RFC 2047
// encoded words where it is not plain ASCII), Date, Message-ID and
// MIME-Version headers; the body as a text part with a UTF-8 charset and a
// 7-bit transfer encoding (quoted-printable where needed); each attachment
// as a base64 part with its content type and file name (RFC 2231 where not
// plain ASCII). With attachments the message is multipart/mixed.
std::string ComposeMessage(const MessageParts& parts);

// About the size an attachment of `bytes` adds to a message once base64
// encoded, its part headers included.
std::uint64_t EncodedAttachmentSize(std::uint64_t bytes);

}  // namespace korvo::mail
