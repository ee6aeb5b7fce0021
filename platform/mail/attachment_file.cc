#include "platform/mail/attachment_file.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/mail/gmime_support.h"
#include "platform/mail/mail_errors.h"

namespace korvo::mail {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void Refuse(const std::string& source, const std::string& why) {
  RaiseMailError(errnum::kAttachmentRefused,
                 "The file '" + Printable(source) + "' cannot be attached: " + why);
}

bool IsInside(const fs::path& file, const fs::path& directory) {
  const fs::path relative = file.lexically_relative(directory);
  return !relative.empty() && *relative.begin() != ".." && relative != ".";
}

fs::path Resolve(const std::string& source, const AttachmentRules& rules) {
  if (source.empty()) Refuse(source, "no file named");
  std::error_code error;
  fs::path resolved = fs::canonical(source, error);
  if (error) Refuse(source, error.message());
  const bool allowed =
      rules.directories.empty() ||
      std::any_of(rules.directories.begin(), rules.directories.end(),
                  [&](const fs::path& directory) { return IsInside(resolved, directory); });
  if (!allowed) Refuse(source, "it lies outside the directories attachments may come from");
  return resolved;
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Reads the whole file through the descriptor that was checked, so a file
// swapped after the check is never read. Non-blocking open: a FIFO put in
// its place cannot stall the caller.
std::string ReadRegularFile(const std::string& source, const fs::path& resolved,
                            std::uint64_t maxBytes) {
  FileDescriptor file(::open(resolved.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (file.get() < 0) Refuse(source, std::strerror(errno));
  struct stat status {};
  if (::fstat(file.get(), &status) != 0) Refuse(source, std::strerror(errno));
  if (!S_ISREG(status.st_mode)) Refuse(source, "it is not a regular file");
  const auto size = static_cast<std::uint64_t>(status.st_size);
  if (size > maxBytes) {
    RaiseMailError(errnum::kMessageTooLarge, "The file '" + Printable(source) +
                                                 "' cannot be attached: its " + std::to_string(size) +
                                                 " bytes would make the message larger than allowed");
  }
  std::string content(size, '\0');
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t got = ::read(file.get(), content.data() + done, content.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) Refuse(source, std::strerror(errno));
    if (got == 0) Refuse(source, "it became shorter while it was read");
    done += static_cast<std::size_t>(got);
  }
  return content;
}

}  // namespace

Attachment ReadAttachment(const std::string& source, const std::string& fileName,
                          const AttachmentRules& rules) {
  const fs::path resolved = Resolve(source, rules);
  Attachment attachment;
  attachment.content = ReadRegularFile(source, resolved, rules.maxBytes);
  attachment.fileName = fileName.empty() ? fs::path(source).filename().string() : fileName;
  attachment.contentType = ContentTypeOf(attachment.fileName);
  return attachment;
}

std::string ContentTypeOf(const std::string& fileName) {
  GMemoryPtr<char> guessed(g_content_type_guess(fileName.c_str(), nullptr, 0, nullptr));
  GMemoryPtr<char> type(guessed ? g_content_type_get_mime_type(guessed.get()) : nullptr);
  if (!type || std::strchr(type.get(), '/') == nullptr) return "application/octet-stream";
  return type.get();
}

}  // namespace korvo::mail
