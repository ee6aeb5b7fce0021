// Which files may be attached: regular files only, inside the configured
// directories once links and ".." are resolved. A refused file leaves the
// message as it was.
#include <sys/stat.h>

#include "mail/mail_fixture.h"
#include "platform/mail/mail_errors.h"

namespace korvo::mail_test {
namespace {

class AttachmentRulesTest : public MailTest {
 protected:
  void SetUp() override {
    MailTest::SetUp();
    fs::create_directory(pickup_);
    fs::create_directory(allowed_);
    fs::create_directory(elsewhere_);
    Setting("PickupDirectory", pickup_.string());
    WriteFile(allowed_ / "ok.txt", "allowed");
    WriteFile(elsewhere_ / "secret.txt", "secret");
  }

  static rt::ErrorRecord AttachError(const std::shared_ptr<contracts::NewMail>& mail,
                                     const fs::path& file) {
    return ErrorOf([&] { mail->AttachFile(file.string(), std::nullopt, std::nullopt); });
  }

  const fs::path pickup_ = scratch_.path() / "pickup";
  const fs::path allowed_ = scratch_.path() / "allowed";
  const fs::path elsewhere_ = scratch_.path() / "elsewhere";
};

TEST_F(AttachmentRulesTest, OnlyRegularFilesAreAttached) {
  ASSERT_EQ(::mkfifo((scratch_.path() / "pipe").c_str(), 0600), 0);
  auto mail = AddressedMessage();
  for (const fs::path& path :
       {scratch_.path() / "missing.txt", allowed_, scratch_.path() / "pipe", fs::path()}) {
    const rt::ErrorRecord error = AttachError(mail, path);
    EXPECT_EQ(error.Number, mail::errnum::kAttachmentRefused) << path;
    EXPECT_EQ(error.Source, "CDONTS.NewMail");
  }
  mail->Send();
  EXPECT_EQ(ReadMessage(pickup_ / Entries(pickup_)[0])["attachments"].size(), 0u);
}

TEST_F(AttachmentRulesTest, ConfiguredDirectoriesAdmitOnlyWhatLiesInsideThemOnceResolved) {
  Setting("AttachmentDirectories", (scratch_.path() / "unused").string() + ":" + allowed_.string());
  fs::create_directory(scratch_.path() / "unused");
  fs::create_symlink(elsewhere_ / "secret.txt", allowed_ / "link-out.txt");
  fs::create_symlink(allowed_ / "ok.txt", elsewhere_ / "link-in.txt");
  auto mail = AddressedMessage();
  for (const fs::path& path : {elsewhere_ / "secret.txt", allowed_ / ".." / "elsewhere" / "secret.txt",
                               allowed_ / "link-out.txt"}) {
    EXPECT_EQ(AttachError(mail, path).Number, mail::errnum::kAttachmentRefused) << path;
  }
  mail->AttachFile((allowed_ / "ok.txt").string(), std::nullopt, std::nullopt);
  mail->AttachFile((elsewhere_ / "link-in.txt").string(), std::nullopt, std::nullopt);
  mail->Send();
  const nlohmann::json attachments = ReadMessage(pickup_ / Entries(pickup_)[0])["attachments"];
  ASSERT_EQ(attachments.size(), 2u);
  EXPECT_EQ(attachments[0]["filename"], "ok.txt");
  EXPECT_EQ(attachments[1]["filename"], "link-in.txt") << "shown under the name the caller used";
  EXPECT_EQ(attachments[1]["content_base64"], "YWxsb3dlZA==");
}

TEST_F(AttachmentRulesTest, AConfiguredDirectoryThatCannotBeResolvedIsASettingError) {
  Setting("AttachmentDirectories", (scratch_.path() / "gone").string());
  auto mail = AddressedMessage();
  EXPECT_EQ(AttachError(mail, allowed_ / "ok.txt").Number, mail::errnum::kSettingInvalid);
}

}  // namespace
}  // namespace korvo::mail_test
