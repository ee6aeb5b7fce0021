// Delivery into a pickup directory: a mail server or a script collects the
// directory and sends what it finds there.
#pragma once

#include <string_view>

#include "platform/mail/mail_settings.h"

namespace korvo::mail {

// Writes `message` as one new file "<unique>.eml" in the directory. The
// file is written and flushed to disk under a hidden temporary name
// (".<unique>.tmp") and only then renamed into place, so a collector never
// sees part of a message. Raises errnum::kPickupFailed when the directory
// is missing (and not the default, which is created) or the file cannot be
// written; nothing of the message remains then.
void DropInPickupDirectory(const PickupSettings& pickup, std::string_view message);

}  // namespace korvo::mail
