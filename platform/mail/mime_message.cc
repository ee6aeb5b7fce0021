#include "platform/mail/mime_message.h"

#include <algorithm>
#include <string_view>

#include "platform/mail/gmime_support.h"

namespace korvo::mail {

namespace {

constexpr std::uint64_t kBase64LineLength = 76;
constexpr std::uint64_t kPartHeaderAllowance = 512;
constexpr std::size_t kMaxLineLength = 998;  // RFC 5322, without the CR LF
// Text that is not plain ASCII goes out as UTF-8, in headers and bodies
// alike, never in whichever legacy charset happens to fit it.
constexpr const char* kCharset = "UTF-8";

// Header text on one line: a line break or other control character in a
// caller's subject becomes a blank, so it can never start a header.
std::string OneLine(std::string text) {
  std::replace_if(
      text.begin(), text.end(),
      [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\t') || byte == 0x7f;
      },
      ' ');
  return text;
}

// Line ends as LF only; the writer turns every LF into CR LF, so a lone CR
// cannot survive into the message.
std::string UnixLines(const std::string& text) {
  std::string lines;
  lines.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      lines += text[i];
    } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
      lines += '\n';
    }
  }
  return lines;
}

bool HasOverlongLine(std::string_view lines) {
  while (!lines.empty()) {
    const auto end = std::min(lines.find('\n'), lines.size());
    if (end > kMaxLineLength) return true;
    lines.remove_prefix(std::min(end + 1, lines.size()));
  }
  return false;
}

void AddMailbox(GMimeMessage* message, GMimeAddressType type, const Mailbox& mailbox) {
  GObjectPtr<InternetAddress> address(
      internet_address_mailbox_new(mailbox.displayName.c_str(), mailbox.address.c_str()));
  internet_address_set_charset(address.get(), kCharset);
  internet_address_list_add(g_mime_message_get_addresses(message, type), address.get());
}

// The right side of the Message-ID: the sender's domain, else this host's
// name.
std::string IdDomain(const MessageParts& parts) {
  if (parts.from) return parts.from->address.substr(parts.from->address.rfind('@') + 1);
  return g_get_host_name();
}

void SetDateAndId(GMimeMessage* message, const std::string& idDomain) {
  std::unique_ptr<GDateTime, decltype(&g_date_time_unref)> now(g_date_time_new_now_local(),
                                                               &g_date_time_unref);
  g_mime_message_set_date(message, now.get());
  GMemoryPtr<char> id(g_mime_utils_generate_message_id(idDomain.c_str()));
  g_mime_message_set_message_id(message, id.get());
}

void SetContent(GMimePart* part, std::string_view bytes) {
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size()));
  GObjectPtr<GMimeDataWrapper> content(
      g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
  g_mime_part_set_content(part, content.get());
}

void SetParameterCharset(GMimeParamList* parameters, const char* name) {
  if (GMimeParam* parameter = g_mime_param_list_get_parameter(parameters, name)) {
    g_mime_param_set_charset(parameter, kCharset);
  }
}

GObjectPtr<GMimeObject> BodyPart(const MessageParts& parts) {
  GObjectPtr<GMimeTextPart> body(g_mime_text_part_new_with_subtype(parts.htmlBody ? "html" : "plain"));
  const std::string lines = UnixLines(parts.body);
  SetContent(GMIME_PART(body.get()), lines);
  g_mime_text_part_set_charset(body.get(), kCharset);
  // GMime leaves plain ASCII 7-bit whatever its line lengths; a line longer
  // than a message may carry needs quoted-printable all the same.
  if (HasOverlongLine(lines)) {
    g_mime_part_set_content_encoding(GMIME_PART(body.get()), GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE);
  } else {
    g_mime_object_encode(GMIME_OBJECT(body.get()), GMIME_ENCODING_CONSTRAINT_7BIT);
  }
  return GObjectPtr<GMimeObject>(GMIME_OBJECT(body.release()));
}

GObjectPtr<GMimeObject> AttachmentPart(const Attachment& attachment) {
  const auto slash = attachment.contentType.find('/');
  GObjectPtr<GMimePart> part(
      g_mime_part_new_with_type(attachment.contentType.substr(0, slash).c_str(),
                                attachment.contentType.substr(slash + 1).c_str()));
  GMimeObject* object = GMIME_OBJECT(part.get());
  SetContent(part.get(), attachment.content);
  g_mime_part_set_content_encoding(part.get(), GMIME_CONTENT_ENCODING_BASE64);
  g_mime_object_set_disposition(object, GMIME_DISPOSITION_ATTACHMENT);
  g_mime_part_set_filename(part.get(), OneLine(attachment.fileName).c_str());
  SetParameterCharset(g_mime_content_type_get_parameters(g_mime_object_get_content_type(object)),
                      "name");
  SetParameterCharset(
      g_mime_content_disposition_get_parameters(g_mime_object_get_content_disposition(object)),
      "filename");
  return GObjectPtr<GMimeObject>(GMIME_OBJECT(part.release()));
}

GObjectPtr<GMimeObject> MimeBody(const MessageParts& parts) {
  GObjectPtr<GMimeObject> body = BodyPart(parts);
  if (parts.attachments.empty()) return body;
  GObjectPtr<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
  g_mime_multipart_add(mixed.get(), body.get());
  for (const Attachment& attachment : parts.attachments) {
    g_mime_multipart_add(mixed.get(), AttachmentPart(attachment).get());
  }
  return GObjectPtr<GMimeObject>(GMIME_OBJECT(mixed.release()));
}

std::string Serialize(GMimeMessage* message) {
  GMimeFormatOptions* format = g_mime_format_options_clone(g_mime_format_options_get_default());
  std::unique_ptr<GMimeFormatOptions, decltype(&g_mime_format_options_free)> owned(
      format, &g_mime_format_options_free);
  g_mime_format_options_set_newline_format(format, GMIME_NEWLINE_FORMAT_DOS);
  GObjectPtr<GMimeStream> out(g_mime_stream_mem_new());
  g_mime_object_write_to_stream(GMIME_OBJECT(message), format, out.get());
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get()));
  return std::string(reinterpret_cast<const char*>(bytes->data), bytes->len);
}

}  // namespace

std::string ComposeMessage(const MessageParts& parts) {
  EnsureGMime();
  GObjectPtr<GMimeMessage> message(g_mime_message_new(TRUE));
  if (parts.from) AddMailbox(message.get(), GMIME_ADDRESS_TYPE_FROM, *parts.from);
  AddMailbox(message.get(), GMIME_ADDRESS_TYPE_TO, parts.to);
  g_mime_message_set_subject(message.get(), OneLine(parts.subject).c_str(), "utf-8");
  SetDateAndId(message.get(), IdDomain(parts));
  g_mime_message_set_mime_part(message.get(), MimeBody(parts).get());
  return Serialize(message.get());
}

std::uint64_t EncodedAttachmentSize(std::uint64_t bytes) {
  const std::uint64_t encoded = (bytes + 2) / 3 * 4;
  return encoded + (encoded / kBase64LineLength + 1) * 2 + kPartHeaderAllowance;
}

}  // namespace korvo::mail
