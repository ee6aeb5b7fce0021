#include "platform/mail/pickup/pickup_directory.h"

#include <fcntl.h>
#include <glib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/mail/gmime_support.h"
#include "platform/mail/mail_errors.h"

namespace korvo::mail {

namespace {

namespace fs = std::filesystem;

constexpr mode_t kMessageMode = 0640;

[[noreturn]] void Fail(const fs::path& directory, const std::string& why) {
  RaiseMailError(errnum::kPickupFailed, "The message cannot be written to the pickup directory '" +
                                            Printable(directory.string()) + "': " + why);
}

void EnsureDirectory(const PickupSettings& pickup) {
  std::error_code error;
  if (fs::is_directory(pickup.directory, error)) return;
  if (!pickup.createWhenMissing) Fail(pickup.directory, "it does not exist");
  fs::create_directories(pickup.directory, error);
  if (error) Fail(pickup.directory, error.message());
}

// A file being written under its temporary name; removed again unless it
// was renamed into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(fs::path path)
      : path_(std::move(path)),
        fd_(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kMessageMode)) {}
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!renamed_) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool opened() const { return fd_ >= 0; }

  // Writes everything and flushes it to disk; false with errno set on failure.
  bool WriteAll(std::string_view data) {
    while (!data.empty()) {
      const ssize_t written = ::write(fd_, data.data(), data.size());
      if (written < 0 && errno == EINTR) continue;
      if (written < 0) return false;
      data.remove_prefix(static_cast<std::size_t>(written));
    }
    return ::fsync(fd_) == 0 && CloseNow();
  }

  bool RenameTo(const fs::path& target) {
    renamed_ = ::rename(path_.c_str(), target.c_str()) == 0;
    return renamed_;
  }

 private:
  bool CloseNow() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

  fs::path path_;
  int fd_;
  bool renamed_ = false;
};

// Makes the rename itself durable; a failure here loses nothing already
// visible, so it is not reported.
void SyncDirectory(const fs::path& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

void DropInPickupDirectory(const PickupSettings& pickup, std::string_view message) {
  EnsureDirectory(pickup);
  GMemoryPtr<char> unique(g_uuid_string_random());
  const std::string name = unique.get();
  TemporaryFile file(pickup.directory / ("." + name + ".tmp"));
  if (!file.opened()) Fail(pickup.directory, std::strerror(errno));
  if (!file.WriteAll(message)) Fail(pickup.directory, std::strerror(errno));
  if (!file.RenameTo(pickup.directory / (name + ".eml"))) Fail(pickup.directory, std::strerror(errno));
  SyncDirectory(pickup.directory);
}

}  // namespace korvo::mail
