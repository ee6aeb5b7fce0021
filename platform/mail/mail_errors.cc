#include "platform/mail/mail_errors.h"

#include <cstdio>

namespace korvo::mail {

void RaiseMailError(std::int32_t number, const std::string& description) {
  rt::Raise(number, description, kMailSource);
}

std::string Printable(const std::string& text) {
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\r') {
      shown += "\\r";
    } else if (c == '\n') {
      shown += "\\n";
    } else if (byte < 0x20 || byte == 0x7f) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      shown += escaped;
    } else {
      shown += c;
    }
  }
  return shown;
}

}  // namespace korvo::mail
