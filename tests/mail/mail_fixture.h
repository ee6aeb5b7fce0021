// What the mail tests share: a scratch directory, [MAIL] settings for one
// test, the mail component made by class name as callers make it, and a
// written message read back through Python's email package.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/contracts/mail.h"
#include "platform/host/registry.h"
#include "platform/korvex/configuration_overrides.h"
#include "platform/korvex/register.h"
#include "platform/mail/register.h"
#include "platform/runtime/error.h"
#include "support/library_calls.h"

namespace korvo::mail_test {

namespace fs = std::filesystem;

// A new directory under the system's temporary directory, removed with
// everything in it (write permission given back first).
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string pattern = (fs::temp_directory_path() / "korvo-mail-test.XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

inline void WriteFile(const fs::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

// The directory's entries, names only, sorted.
inline std::vector<std::string> Entries(const fs::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The message file parsed by read_message.py: raw header lines, decoded
// headers, body, attachments (content base64) and parser defects.
inline nlohmann::json ReadMessage(const fs::path& file) {
  const fs::path reader = fs::path(KORVO_MAIL_TEST_DIR) / "read_message.py";
  const std::string command = "/usr/bin/python3 '" + reader.string() + "' '" + file.string() + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), &::pclose);
  std::string output;
  char buffer[4096];
  std::size_t got = 0;
  while (pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0)
    output.append(buffer, got);
  return nlohmann::json::parse(output);
}

using ::korvo::testing::ErrorOf;

// Every test starts from no settings but the ones it makes.
class MailTest : public ::testing::Test {
 protected:
  void SetUp() override {
    korvex::RegisterClasses();
    mail::RegisterClasses();
    korvex::ConfigurationOverrides::Clear();
    korvex::ConfigurationOverrides::SetFile((scratch_.path() / "no-settings.ini").string());
  }
  void TearDown() override { korvex::ConfigurationOverrides::Clear(); }

  static void Setting(const std::string& key, const std::string& value) {
    korvex::ConfigurationOverrides::Set("MAIL", key, value);
  }

  // A message object, made by class name.
  static std::shared_ptr<contracts::NewMail> NewMessage() {
    auto mail = std::dynamic_pointer_cast<contracts::NewMail>(host::CreateObject("CDONTS.NewMail"));
    EXPECT_NE(mail, nullptr);
    return mail;
  }

  // A message from Alice to Bob with a subject and a body, ready to send.
  static std::shared_ptr<contracts::NewMail> AddressedMessage() {
    auto mail = NewMessage();
    mail->SetFrom("Alice Example <alice@example.com>");
    mail->SetTo("bob@example.org");
    mail->SetSubject("Order 4711 approved");
    mail->SetBody("The order was approved.\nRegards");
    mail->SetBodyFormat(1);
    mail->SetMailFormat(0);
    return mail;
  }

  ScratchDirectory scratch_;
};

}  // namespace korvo::mail_test
