// What a caller puts into addresses, the subject or a file name never
// becomes a header or a recipient of its own: it is refused, or encoded as
// text.
#include "mail/mail_fixture.h"
#include "platform/mail/mail_errors.h"

namespace korvo::mail_test {
namespace {

class InjectionTest : public MailTest {
 protected:
  void SetUp() override {
    MailTest::SetUp();
    fs::create_directory(pickup_);
    Setting("PickupDirectory", pickup_.string());
  }

  nlohmann::json OnlyMessage() const {
    const std::vector<std::string> names = Entries(pickup_);
    EXPECT_EQ(names.size(), 1u);
    return names.size() == 1 ? ReadMessage(pickup_ / names[0]) : nlohmann::json::object();
  }

  // No raw header line starts a header the caller smuggled in.
  static void ExpectNoForgedHeader(const nlohmann::json& message) {
    for (const auto& line : message["raw_header_lines"]) {
      const std::string text = line;
      EXPECT_FALSE(text.starts_with("Bcc:") || text.starts_with("X-Injected:")) << text;
    }
    for (const auto& name : message["header_names"]) {
      EXPECT_NE(name, "Bcc");
      EXPECT_NE(name, "X-Injected");
    }
  }

  const fs::path pickup_ = scratch_.path() / "pickup";
};

TEST_F(InjectionTest, AddressesThatAreNotOneMailboxAreRefusedAsSenderAndRecipient) {
  const std::vector<std::string> refused = {
      "bob@example.org\r\nBcc: eve@example.net",
      "bob@example.org\nBcc: eve@example.net",
      "bob@example.org\rX-Injected: 1",
      "bob@example.org, eve@example.net",
      "Friends: bob@example.org, eve@example.net;",
      "bob@example.org eve@example.net",
      "no-at-sign",
      "@example.org",
      "bob@",
      "=?utf-8?q?Eve=0D=0ABcc=3A_eve=40example.net?= <bob@example.org>",
      "Bob <bob@example.org>\tX",
  };
  for (const std::string& address : refused) {
    auto mail = NewMessage();
    for (auto set : {&contracts::NewMail::SetTo, &contracts::NewMail::SetFrom}) {
      const rt::ErrorRecord error = ErrorOf([&] { ((*mail).*set)(address); });
      EXPECT_EQ(error.Number, mail::errnum::kAddressInvalid) << address;
      EXPECT_EQ(error.Description.find_first_of("\r\n"), std::string::npos)
          << "the refused text is shown escaped: " << error.Description;
    }
  }
  EXPECT_EQ(ErrorOf([] { NewMessage()->SetTo(""); }).Number, mail::errnum::kAddressInvalid);
  EXPECT_TRUE(Entries(pickup_).empty());
}

TEST_F(InjectionTest, OneMailboxInItsUsualFormsIsAccepted) {
  const std::vector<std::pair<std::string, std::string>> accepted = {
      {"  bob@example.org  ", "bob@example.org"},
      {"Bob <bob@example.org>", "Bob <bob@example.org>"},
      {"\"Builder, Bob\" <bob@example.org>", "\"Builder, Bob\" <bob@example.org>"},
      {"=?utf-8?q?Zo=C3=AB?= <zoe@example.org>", "Zoë <zoe@example.org>"},
  };
  for (const auto& [address, shown] : accepted) {
    auto mail = AddressedMessage();
    mail->SetTo(address);
    mail->Send();
    const nlohmann::json message = OnlyMessage();
    EXPECT_EQ(message["to"], shown) << address;
    fs::remove(pickup_ / Entries(pickup_)[0]);
  }
}

TEST_F(InjectionTest, LineBreaksInTheSubjectStayInsideTheSubject) {
  auto mail = AddressedMessage();
  mail->SetSubject("Hello\r\nBcc: eve@example.net\r\nX-Injected: 1\r\n\r\nforged body");
  mail->Send();
  const nlohmann::json message = OnlyMessage();
  ExpectNoForgedHeader(message);
  EXPECT_EQ(message["defects"].size(), 0u) << message["defects"];
  const std::string subject = message["subject"];
  EXPECT_NE(subject.find("Bcc: eve@example.net"), std::string::npos) << subject;
  EXPECT_EQ(subject.find_first_of("\r\n"), std::string::npos) << subject;
  EXPECT_EQ(message["body"]["text"], "The order was approved.\nRegards");
}

TEST_F(InjectionTest, LineBreaksInAFileNameStayInsideTheFileName) {
  const fs::path file = scratch_.path() / "evil\r\nBcc: eve@example.net\r\nX-Injected: 1.txt";
  WriteFile(file, "payload");
  auto mail = AddressedMessage();
  mail->AttachFile(file.string(), std::nullopt, std::nullopt);
  mail->AttachFile(file.string(), "shown\"name\r\nX-Injected: 2.txt", std::nullopt);
  mail->Send();
  const nlohmann::json message = OnlyMessage();
  ExpectNoForgedHeader(message);
  ASSERT_EQ(message["attachments"].size(), 2u);
  for (const auto& part : message["attachments"]) {
    const std::string name = part["filename"];
    EXPECT_EQ(name.find_first_of("\r\n"), std::string::npos) << name;
    EXPECT_EQ(part["content_base64"], "cGF5bG9hZA==");
  }
}

}  // namespace
}  // namespace korvo::mail_test
