// Delivery to an SMTP server through libcurl.
#pragma once

#include <string>
#include <string_view>

#include "platform/mail/mail_settings.h"

namespace korvo::mail {

struct Envelope {
  std::string sender;     // bare address local@domain; "" sends the null reverse path "<>"
  std::string recipient;  // bare address local@domain
};

// Hands `message` (CR LF line ends) to the server for the envelope's
// recipient: plain, upgraded with STARTTLS (required, not opportunistic) or
// over implicit TLS, with the peer's certificate verified, authenticating
// when a user is configured. The whole delivery, connecting included, is
// bounded by smtp.timeout. Raises errnum::kSmtpFailed naming the server:
// with the server's own reply when it refused a command, else with the
// reason it could not be reached or did not answer in time. The password
// appears in no error text.
void DeliverBySmtp(const SmtpSettings& smtp, const Envelope& envelope, std::string_view message);

}  // namespace korvo::mail
