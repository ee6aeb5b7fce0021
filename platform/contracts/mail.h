// CDONTS.NewMail: the platform's outgoing-mail component, one object per
// message. The caller sets the properties, attaches files and sends once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace korvo::contracts {

// BodyFormat values.
enum class MailBodyFormat : std::int32_t { Html = 0, Text = 1 };
// MailFormat values.
enum class MailFormat : std::int32_t { Mime = 0, Text = 1 };

class NewMail {
 public:
  virtual ~NewMail() = default;

  // The sender and the recipient, each a single mailbox ("a@example.com" or
  // "Name <a@example.com>"). An empty sender is allowed; anything else that
  // is not one mailbox raises at once, before it can reach a header.
  virtual void SetFrom(const std::string& address) = 0;
  virtual void SetTo(const std::string& address) = 0;
  virtual void SetSubject(const std::string& subject) = 0;
  virtual void SetBody(const std::string& body) = 0;
  // MailBodyFormat and MailFormat values; others raise Invalid procedure
  // call (5).
  virtual void SetBodyFormat(std::int32_t format) = 0;
  virtual void SetMailFormat(std::int32_t format) = 0;

  // Adds the file at `source` to the message, shown under `fileName` (its own
  // name when absent). Raises, and leaves the message unchanged, when the
  // file cannot be attached.
  virtual void AttachFile(const std::string& source, std::optional<std::string> fileName,
                          std::optional<std::int32_t> encodingMethod) = 0;

  // Delivers the message. Raises when it could not be handed on whole.
  virtual void Send() = 0;
};

}  // namespace korvo::contracts
