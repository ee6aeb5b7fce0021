// CDONTS.NewMail delivering to a pickup directory: what the written message
// holds, read back with a MIME parser, and what happens when it cannot be
// written.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include "mail/mail_fixture.h"
#include "platform/mail/mail_errors.h"

namespace korvo::mail_test {
namespace {

class PickupTest : public MailTest {
 protected:
  void SetUp() override {
    MailTest::SetUp();
    fs::create_directory(pickup_);
    Setting("PickupDirectory", pickup_.string());
  }

  // The one message in the pickup directory, parsed; nothing else may lie
  // there (no temporary file left behind).
  nlohmann::json OnlyMessage() const {
    const std::vector<std::string> names = Entries(pickup_);
    EXPECT_EQ(names.size(), 1u);
    if (names.size() != 1) return nlohmann::json::object();
    EXPECT_TRUE(names[0].ends_with(".eml")) << names[0];
    return ReadMessage(pickup_ / names[0]);
  }

  const fs::path pickup_ = scratch_.path() / "pickup";
};

TEST_F(PickupTest, APlainMessageCarriesTheStandardHeadersAndItsBody) {
  AddressedMessage()->Send();
  const nlohmann::json message = OnlyMessage();
  EXPECT_EQ(message["defects"].size(), 0u) << message["defects"];
  EXPECT_TRUE(message["crlf_only"]);
  EXPECT_EQ(message["from"], "Alice Example <alice@example.com>");
  EXPECT_EQ(message["to"], "bob@example.org");
  EXPECT_EQ(message["subject"], "Order 4711 approved");
  EXPECT_NE(message["date"], "");
  EXPECT_NE(message["message_id"], "");
  EXPECT_EQ(message["mime_version"], "1.0");
  EXPECT_EQ(message["content_type"], "text/plain");
  EXPECT_EQ(message["body"]["charset"], "utf-8");
  EXPECT_EQ(message["body"]["transfer_encoding"], "7bit");
  EXPECT_EQ(message["body"]["text"], "The order was approved.\nRegards");
}

TEST_F(PickupTest, NonAsciiSubjectBodyAndNamesTravelEncodedAndComeBackWhole) {
  auto mail = NewMessage();
  mail->SetFrom("Jürgen Müller <juergen@example.com>");
  mail->SetTo("Zoë <zoe@example.org>");
  const std::string subject = "Bestellung für Jürgen – genehmigt ✓";
  const std::string body = "Grüße aus Köln.\n" + std::string(1200, 'x') + "\nÇa va ? ✓";
  mail->SetSubject(subject);
  mail->SetBody(body);
  mail->Send();
  const nlohmann::json message = OnlyMessage();
  EXPECT_TRUE(message["ascii_only"]) << "every byte on the wire is 7-bit";
  EXPECT_EQ(message["defects"].size(), 0u) << message["defects"];
  EXPECT_EQ(message["subject"], subject);
  EXPECT_EQ(message["from"], "Jürgen Müller <juergen@example.com>");
  EXPECT_EQ(message["to"], "Zoë <zoe@example.org>");
  EXPECT_EQ(message["body"]["text"], body);
  EXPECT_EQ(message["body"]["charset"], "utf-8");
  EXPECT_EQ(message["body"]["transfer_encoding"], "quoted-printable");
}

TEST_F(PickupTest, BodyLinesOfAnyEndOrLengthArriveAsSent) {
  auto mail = AddressedMessage();
  const std::string longLine(2500, 'a');
  mail->SetBody("one\r\ntwo\rthree\nfour\n" + longLine);
  mail->Send();
  const nlohmann::json message = OnlyMessage();
  EXPECT_TRUE(message["crlf_only"]);
  EXPECT_LE(message["longest_line"], 998) << "no line beyond the limit of RFC 5322";
  EXPECT_EQ(message["body"]["text"], "one\ntwo\nthree\nfour\n" + longLine);
}

TEST_F(PickupTest, AnEmptySenderLeavesTheMessageWithoutFromHeader) {
  auto mail = AddressedMessage();
  mail->SetFrom("");
  mail->Send();
  const nlohmann::json message = OnlyMessage();
  EXPECT_EQ(message["from"], "");
  EXPECT_EQ(message["to"], "bob@example.org");
}

TEST_F(PickupTest, BodyFormatZeroSendsHtml) {
  auto mail = AddressedMessage();
  mail->SetBodyFormat(0);
  mail->SetBody("<p>Approved</p>");
  mail->Send();
  EXPECT_EQ(OnlyMessage()["body"]["content_type"], "text/html");
  EXPECT_EQ(ErrorOf([&] { mail->SetBodyFormat(2); }).Number, rt::errnum::kInvalidProcedureCall);
  EXPECT_EQ(ErrorOf([&] { mail->SetMailFormat(-1); }).Number, rt::errnum::kInvalidProcedureCall);
}

TEST_F(PickupTest, AttachmentsAreBase64PartsTypedByTheirFileNames) {
  std::string binary;
  for (int i = 0; i < 256; ++i) binary += static_cast<char>(i);
  WriteFile(scratch_.path() / "report.pdf", binary);
  WriteFile(scratch_.path() / "notes.txt", "plain notes\n");
  WriteFile(scratch_.path() / "Übersicht.csv", "a;b\n1;2\n");
  WriteFile(scratch_.path() / "data.korvoblob", "???");
  auto mail = AddressedMessage();
  for (const char* name : {"report.pdf", "notes.txt", "Übersicht.csv", "data.korvoblob"}) {
    mail->AttachFile((scratch_.path() / name).string(), std::nullopt, std::nullopt);
  }
  mail->AttachFile((scratch_.path() / "notes.txt").string(), "Renamed.txt", 1);
  mail->Send();

  const nlohmann::json message = OnlyMessage();
  EXPECT_EQ(message["defects"].size(), 0u) << message["defects"];
  EXPECT_EQ(message["content_type"], "multipart/mixed");
  EXPECT_EQ(message["body"]["text"], "The order was approved.\nRegards");
  const nlohmann::json& parts = message["attachments"];
  ASSERT_EQ(parts.size(), 5u);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"report.pdf", "application/pdf"},
      {"notes.txt", "text/plain"},
      {"Übersicht.csv", "text/csv"},
      {"data.korvoblob", "application/octet-stream"},
      {"Renamed.txt", "text/plain"}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(parts[i]["filename"], expected[i].first);
    EXPECT_EQ(parts[i]["content_type"], expected[i].second) << expected[i].first;
    EXPECT_EQ(parts[i]["transfer_encoding"], "base64");
    EXPECT_EQ(parts[i]["disposition"], "attachment");
  }
  EXPECT_EQ(parts[0]["content_base64"],
            "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+"
            "P0BBQkNERUZHSElKS0xNTk9QUVJTVFVWV1hZWltcXV5fYGFiY2RlZmdoaWprbG1ub3BxcnN0dXZ3eHl6e3x9"
            "fn+AgYKDhIWGh4iJiouMjY6PkJGSk5SVlpeYmZqbnJ2en6ChoqOkpaanqKmqq6ytrq+wsbKztLW2t7i5uru8"
            "vb6/wMHCw8TFxsfIycrLzM3Oz9DR0tPU1dbX2Nna29zd3t/g4eLj5OXm5+jp6uvs7e7v8PHy8/T19vf4+fr7"
            "/P3+/w==");
}

TEST_F(PickupTest, ASecondSendIsRefused) {
  auto mail = AddressedMessage();
  mail->Send();
  EXPECT_EQ(ErrorOf([&] { mail->Send(); }).Number, rt::errnum::kInvalidProcedureCall);
  EXPECT_EQ(Entries(pickup_).size(), 1u);
}

TEST_F(PickupTest, AMessageWithoutRecipientIsNotSent) {
  auto mail = NewMessage();
  mail->SetSubject("nobody");
  EXPECT_EQ(ErrorOf([&] { mail->Send(); }).Number, mail::errnum::kAddressInvalid);
  EXPECT_TRUE(Entries(pickup_).empty());
}

TEST_F(PickupTest, AMissingConfiguredDirectoryFailsAndIsNotCreated) {
  const fs::path missing = scratch_.path() / "no-such-pickup";
  Setting("PickupDirectory", missing.string());
  const rt::ErrorRecord error = ErrorOf([] { AddressedMessage()->Send(); });
  EXPECT_EQ(error.Number, mail::errnum::kPickupFailed);
  EXPECT_EQ(error.Source, "CDONTS.NewMail");
  EXPECT_NE(error.Description.find("does not exist"), std::string::npos) << error.Description;
  EXPECT_FALSE(fs::exists(missing));
}

TEST_F(PickupTest, WithoutSettingTheDefaultDirectoryUnderTheTemporaryDirectoryIsUsed) {
  korvex::ConfigurationOverrides::Clear();
  korvex::ConfigurationOverrides::SetFile((scratch_.path() / "no-settings.ini").string());
  const char* previous = std::getenv("TMPDIR");
  const std::string kept = previous != nullptr ? previous : "";
  ::setenv("TMPDIR", scratch_.path().c_str(), 1);
  AddressedMessage()->Send();
  previous != nullptr ? ::setenv("TMPDIR", kept.c_str(), 1) : ::unsetenv("TMPDIR");
  EXPECT_EQ(Entries(scratch_.path() / "korvo-pickup").size(), 1u);
}

TEST_F(PickupTest, AReadOnlyDirectoryFailsAndKeepsNothing) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root; see the write-failure test";
  fs::permissions(pickup_, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_EQ(ErrorOf([] { AddressedMessage()->Send(); }).Number, mail::errnum::kPickupFailed);
  fs::permissions(pickup_, fs::perms::owner_all);
  EXPECT_TRUE(Entries(pickup_).empty());
}

// A write that fails half-way (here: the file-size limit) leaves neither a
// partial message nor its temporary file behind.
TEST_F(PickupTest, AWriteThatFailsHalfWayLeavesNothingBehind) {
  auto mail = AddressedMessage();
  mail->SetBody(std::string(64 * 1024, 'z'));
  struct sigaction ignore {};
  struct sigaction previousAction {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGXFSZ, &ignore, &previousAction);
  rlimit previousLimit{};
  ::getrlimit(RLIMIT_FSIZE, &previousLimit);
  rlimit small = previousLimit;
  small.rlim_cur = 4096;
  ::setrlimit(RLIMIT_FSIZE, &small);
  const rt::ErrorRecord error = ErrorOf([&] { mail->Send(); });
  ::setrlimit(RLIMIT_FSIZE, &previousLimit);
  ::sigaction(SIGXFSZ, &previousAction, nullptr);
  EXPECT_EQ(error.Number, mail::errnum::kPickupFailed);
  EXPECT_TRUE(Entries(pickup_).empty());
}

TEST_F(PickupTest, MessagesLargerThanTheLimitAreRefusedWhole) {
  Setting("MaxMessageSize", "8192");
  WriteFile(scratch_.path() / "small.txt", std::string(1000, 's'));
  WriteFile(scratch_.path() / "large.bin", std::string(7000, 'l'));
  auto mail = AddressedMessage();
  mail->AttachFile((scratch_.path() / "small.txt").string(), std::nullopt, std::nullopt);
  EXPECT_EQ(ErrorOf([&] {
              mail->AttachFile((scratch_.path() / "large.bin").string(), std::nullopt, std::nullopt);
            }).Number,
            mail::errnum::kMessageTooLarge);
  mail->Send();
  EXPECT_EQ(OnlyMessage()["attachments"].size(), 1u) << "the refused file left the message as it was";

  fs::remove(pickup_ / Entries(pickup_)[0]);
  auto oversized = AddressedMessage();
  oversized->SetBody(std::string(9000, 'b'));
  EXPECT_EQ(ErrorOf([&] { oversized->Send(); }).Number, mail::errnum::kMessageTooLarge);
  EXPECT_TRUE(Entries(pickup_).empty());
}

TEST_F(PickupTest, UnusableSettingsAreReportedByName) {
  for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
           {"Transport", "fax"}, {"MaxMessageSize", "lots"}, {"SmtpPort", "70000"}}) {
    korvex::ConfigurationOverrides::Clear();
    korvex::ConfigurationOverrides::SetFile((scratch_.path() / "no-settings.ini").string());
    Setting("PickupDirectory", pickup_.string());
    Setting(key, value);
    const rt::ErrorRecord error = ErrorOf([] { AddressedMessage()->Send(); });
    EXPECT_EQ(error.Number, mail::errnum::kSettingInvalid) << key;
    EXPECT_NE(error.Description.find(key), std::string::npos) << error.Description;
  }
  EXPECT_TRUE(Entries(pickup_).empty());
}

}  // namespace
}  // namespace korvo::mail_test
