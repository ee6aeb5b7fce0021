// User.SendEmail and User.SendEmailwithAttachment: messages addressed with
// the directory's e-mail addresses, written to a pickup directory and read
// back; attachments that fail are logged and left out.
#include "mail/mail_fixture.h"
#include "platform/mail/mail_errors.h"
#include "user/user_fixture.h"

namespace korvo::common::user_testing {
namespace {

namespace fs = std::filesystem;
using mail_test::Entries;
using mail_test::ReadMessage;
using mail_test::ScratchDirectory;
using mail_test::WriteFile;

constexpr const char* kAttachmentMethod = "KorvoCommon.User.SendEmailWithAttachment";

class UserMailTest : public UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    fs::create_directory(pickup_);
    korvex::ConfigurationOverrides::Set("MAIL", "PickupDirectory", pickup_.string());
    Seed("ann", {{"EMAIL", {"Ann Sender <ann@example.com>"}}});
    Seed("bob", {{"EMAIL", {"bob@example.org"}}});
    Seed("nomail");
    Seed("blank", {{"EMAIL", {"   "}}});
    korvex::LogRecorder::Drain();
  }

  nlohmann::json OnlyMessage() const {
    const std::vector<std::string> names = Entries(pickup_);
    EXPECT_EQ(names.size(), 1u);
    return names.size() == 1 ? ReadMessage(pickup_ / names[0]) : nlohmann::json::object();
  }

  // A file in the scratch directory with that content; its path.
  std::string File(const std::string& name, const std::string& content) const {
    WriteFile(scratch_.path() / name, content);
    return (scratch_.path() / name).string();
  }

  ScratchDirectory scratch_;
  const fs::path pickup_ = scratch_.path() / "pickup";
};

TEST_F(UserMailTest, AMessageGoesFromOneUsersAddressToTheOthersAsPlainMimeText) {
  user_->SendEmail("bob", "ann", "Bestellung 4711 genehmigt", "Ihre Bestellung ist genehmigt.\nGrüße");
  const nlohmann::json message = OnlyMessage();
  EXPECT_EQ(message["from"], "Ann Sender <ann@example.com>");
  EXPECT_EQ(message["to"], "bob@example.org");
  EXPECT_EQ(message["subject"], "Bestellung 4711 genehmigt");
  EXPECT_EQ(message["mime_version"], "1.0");
  EXPECT_EQ(message["content_type"], "text/plain");
  EXPECT_EQ(message["body"]["text"], "Ihre Bestellung ist genehmigt.\nGrüße");
  EXPECT_TRUE(korvex::LogRecorder::Drain().empty());
}

TEST_F(UserMailTest, ARecipientWithoutAddressGetsNothingAndNobodyIsTold) {
  user_->SendEmail("nomail", "ann", "s", "b");
  user_->SendEmail("blank", "ann", "s", "b");
  user_->SendEmailwithAttachment("nomail", "ann", "s", "b", File("a.txt", "a"));
  EXPECT_TRUE(Entries(pickup_).empty());
  EXPECT_TRUE(korvex::LogRecorder::Drain().empty());
}

TEST_F(UserMailTest, WithoutASendingUserOrWithoutItsAddressTheMessageHasNoSender) {
  user_->SendEmail("bob", "", "no sender named", "b");
  EXPECT_EQ(OnlyMessage()["from"], "");
  fs::remove(pickup_ / Entries(pickup_)[0]);
  user_->SendEmail("bob", "nomail", "sender without address", "b");
  const nlohmann::json message = OnlyMessage();
  EXPECT_EQ(message["from"], "");
  EXPECT_EQ(message["subject"], "sender without address");
}

TEST_F(UserMailTest, OfThreeAttachmentsTheMissingMiddleOneIsLoggedAndLeftOut) {
  const std::string first = File("first.txt", "one");
  const std::string middle = (scratch_.path() / "missing.pdf").string();
  const std::string third = File("third.pdf", "three");
  user_->SendEmailwithAttachment("bob", "ann", "files", "see attached",
                                 first + "|" + middle + "|" + third);

  const nlohmann::json message = OnlyMessage();
  ASSERT_EQ(message["attachments"].size(), 2u);
  EXPECT_EQ(message["attachments"][0]["filename"], "first.txt");
  EXPECT_EQ(message["attachments"][1]["filename"], "third.pdf");
  EXPECT_EQ(message["attachments"][1]["content_base64"], "dGhyZWU=");
  const auto entries = korvex::LogRecorder::Drain();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].kind, 0);
  EXPECT_EQ(entries[0].source, "CDONTS.NewMail");
  EXPECT_NE(entries[0].text.find(" METHOD: " + std::string(kAttachmentMethod) + "\r\n"),
            std::string::npos)
      << entries[0].text;
  EXPECT_NE(entries[0].text.find(" INFO: Attachment: " + middle + ".\r\n"), std::string::npos)
      << entries[0].text;
}

TEST_F(UserMailTest, ATrailingSeparatorAddsAnEmptyPartThatIsLoggedLikeAnyFailure) {
  user_->SendEmailwithAttachment("bob", "ann", "s", "b", File("only.txt", "x") + "|");
  EXPECT_EQ(OnlyMessage()["attachments"].size(), 1u);
  const auto entries = korvex::LogRecorder::Drain();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_NE(entries[0].text.find(" INFO: Attachment: .\r\n"), std::string::npos) << entries[0].text;
}

TEST_F(UserMailTest, AnEmptyAttachmentListSendsThePlainMessage) {
  user_->SendEmailwithAttachment("bob", "ann", "s", "b", "");
  EXPECT_EQ(OnlyMessage()["attachments"].size(), 0u);
  EXPECT_TRUE(korvex::LogRecorder::Drain().empty());
}

TEST_F(UserMailTest, AFileOutsideTheAttachmentDirectoriesFailsLikeAMissingOne) {
  fs::create_directory(scratch_.path() / "allowed");
  korvex::ConfigurationOverrides::Set("MAIL", "AttachmentDirectories",
                                      (scratch_.path() / "allowed").string());
  WriteFile(scratch_.path() / "allowed" / "ok.txt", "ok");
  const std::string outside = File("outside.txt", "secret");
  const std::string escaping = (scratch_.path() / "allowed" / ".." / "outside.txt").string();
  user_->SendEmailwithAttachment(
      "bob", "ann", "s", "b",
      (scratch_.path() / "allowed" / "ok.txt").string() + "|" + outside + "|" + escaping);
  EXPECT_EQ(OnlyMessage()["attachments"].size(), 1u);
  EXPECT_EQ(korvex::LogRecorder::Drain().size(), 2u);
}

TEST_F(UserMailTest, ADirectoryAddressThatIsNotOneMailboxFailsTheCallUnloggedAndSendsNothing) {
  Seed("mallory", {{"EMAIL", {"bob@example.org\r\nBcc: eve@example.net"}}});
  Seed("crowd", {{"EMAIL", {"bob@example.org, eve@example.net"}}});
  for (const auto& [to, from] : std::vector<std::pair<std::string, std::string>>{
           {"mallory", "ann"}, {"bob", "mallory"}, {"crowd", "ann"}}) {
    const rt::ErrorRecord error = ErrorOf([&] { user_->SendEmail(to, from, "s", "b"); });
    EXPECT_EQ(error.Number, mail::errnum::kAddressInvalid) << to << " from " << from;
  }
  EXPECT_TRUE(Entries(pickup_).empty());
  EXPECT_TRUE(korvex::LogRecorder::Drain().empty());
}

TEST_F(UserMailTest, ADeliveryFailureReachesTheCallerUnchanged) {
  korvex::ConfigurationOverrides::Set("MAIL", "PickupDirectory", (scratch_.path() / "gone").string());
  const rt::ErrorRecord error = ErrorOf([&] { user_->SendEmail("bob", "ann", "s", "b"); });
  EXPECT_EQ(error.Number, mail::errnum::kPickupFailed);
  EXPECT_EQ(error.Description.find("ERROR 0x"), std::string::npos) << "not wrapped by a handler";
  EXPECT_TRUE(korvex::LogRecorder::Drain().empty());
}

TEST_F(UserMailTest, BothMethodsAreCallableByName) {
  const std::string file = File("by-name.txt", "n");
  std::vector<rt::Variant> args{rt::Variant("bob"), rt::Variant("ann"), rt::Variant("by name"),
                                rt::Variant("b"), rt::Variant(file)};
  user_->Invoke("SendEmailwithAttachment", rt::InvokeKind::Method, args);
  EXPECT_EQ(OnlyMessage()["attachments"].size(), 1u);
  args.pop_back();
  user_->Invoke("SendEmail", rt::InvokeKind::Method, args);
  EXPECT_EQ(Entries(pickup_).size(), 2u);
}

}  // namespace
}  // namespace korvo::common::user_testing
