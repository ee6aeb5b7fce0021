// Reading a file a caller asks to attach, under the site's rules.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/mail/mime_message.h"

namespace korvo::mail {

struct AttachmentRules {
  // Resolved directories the file must lie in; any place when empty.
  const std::vector<std::filesystem::path>& directories;
  // The most bytes the file may have.
  std::uint64_t maxBytes;
};

// Reads the file at `source` (relative to the working directory) into an
// attachment shown as `fileName`, or as the source's own file name when
// `fileName` is empty. The path is resolved first, links and ".." included,
// and only then checked against the directories. Raises
// errnum::kAttachmentRefused when the file does not exist, is not a regular
// file, lies outside the directories or cannot be read, and
// errnum::kMessageTooLarge when it is larger than rules.maxBytes.
Attachment ReadAttachment(const std::string& source, const std::string& fileName,
                          const AttachmentRules& rules);

// The MIME type the file name suggests ("application/pdf" for
// "report.pdf"); "application/octet-stream" when it suggests none.
std::string ContentTypeOf(const std::string& fileName);

}  // namespace korvo::mail
