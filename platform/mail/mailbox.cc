#include "platform/mail/mailbox.h"

#include <algorithm>
#include <memory>

#include "platform/mail/gmime_support.h"
#include "platform/mail/mail_errors.h"

namespace korvo::mail {

namespace {

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7f;
}

bool HasControl(const std::string& text) { return std::any_of(text.begin(), text.end(), IsControl); }

[[noreturn]] void Refuse(const std::string& text, const std::string& why) {
  RaiseMailError(errnum::kAddressInvalid, "The address '" + Printable(text) + "' " + why);
}

struct ParserOptionsFree {
  void operator()(GMimeParserOptions* options) const { g_mime_parser_options_free(options); }
};

// The strict RFC 5322 address parser: the lenient default makes an address
// out of almost any text.
std::unique_ptr<GMimeParserOptions, ParserOptionsFree> StrictOptions() {
  std::unique_ptr<GMimeParserOptions, ParserOptionsFree> options(g_mime_parser_options_new());
  g_mime_parser_options_set_address_compliance_mode(options.get(), GMIME_RFC_COMPLIANCE_STRICT);
  return options;
}

// local@domain, both parts present, nothing that needs quoting on the wire.
bool IsPlainAddrSpec(const std::string& address) {
  const auto at = address.rfind('@');
  if (at == std::string::npos || at == 0 || at + 1 == address.size()) return false;
  return std::none_of(address.begin(), address.end(),
                      [](char c) { return IsControl(c) || c == ' ' || c == '<' || c == '>'; });
}

}  // namespace

Mailbox ParseMailbox(const std::string& text) {
  if (HasControl(text)) Refuse(text, "contains a line break or another control character");
  EnsureGMime();
  GObjectPtr<InternetAddressList> list(internet_address_list_parse(StrictOptions().get(), text.c_str()));
  if (!list || internet_address_list_length(list.get()) != 1) {
    Refuse(text, "is not a single mailbox");
  }
  InternetAddress* address = internet_address_list_get_address(list.get(), 0);
  if (!INTERNET_ADDRESS_IS_MAILBOX(address)) Refuse(text, "is a group, not a single mailbox");
  const char* bare = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address));
  Mailbox mailbox{std::string(), bare != nullptr ? bare : ""};
  if (!IsPlainAddrSpec(mailbox.address))
    Refuse(text, "is not an address of the plain form local@domain");
  if (const char* name = internet_address_get_name(address)) mailbox.displayName = name;
  // An encoded word in the display name may decode to a line break.
  if (HasControl(mailbox.displayName)) {
    Refuse(text, "has a display name with a line break or another control character");
  }
  return mailbox;
}

}  // namespace korvo::mail
