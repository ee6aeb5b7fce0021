// One mailbox, as a sender or recipient must be given: "a@example.com" or
// "Display Name <a@example.com>".
#pragma once

#include <string>

namespace korvo::mail {

struct Mailbox {
  std::string displayName;  // decoded, UTF-8; may be empty
  std::string address;      // the bare address, local@domain
};

// Parses `text` as exactly one mailbox. Raises errnum::kAddressInvalid, the
// text shown escaped, for anything else: a line break or other control
// character anywhere (also inside an encoded display name), a list of
// several addresses, a group, or an address that is not plainly
// local@domain (no local part, no domain, a quoted local part with blanks).
Mailbox ParseMailbox(const std::string& text);

}  // namespace korvo::mail
