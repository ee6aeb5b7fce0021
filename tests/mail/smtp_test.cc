// CDONTS.NewMail delivering over SMTP: to the throw-away server of
// scripts/smtp-server (KORVO_TEST_SMTP, "Host=...;Port=...;Spool=..."; those
// tests skip without it), and to servers that are not there or never answer.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>

#include "mail/mail_fixture.h"
#include "platform/mail/mail_errors.h"
#include "support/server_options.h"

namespace korvo::mail_test {
namespace {

using Clock = std::chrono::steady_clock;

using ::korvo::testing::ServerOptions;

// A loopback socket the test owns: listening without ever answering (a
// stalled server), or closed again at once (a port nobody serves).
class LoopbackSocket {
 public:
  explicit LoopbackSocket(bool listening) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    if (listening) {
      ::listen(fd_, 4);
    } else {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~LoopbackSocket() {
    if (fd_ >= 0) ::close(fd_);
  }
  LoopbackSocket(const LoopbackSocket&) = delete;
  LoopbackSocket& operator=(const LoopbackSocket&) = delete;
  int port() const { return port_; }

 private:
  int fd_;
  int port_ = 0;
};

class SmtpTest : public MailTest {
 protected:
  void SetUp() override {
    MailTest::SetUp();
    Setting("Transport", "smtp");
    Setting("SmtpServer", "127.0.0.1");
    Setting("SmtpTimeout", "10");
    const char* server = std::getenv("KORVO_TEST_SMTP");
    if (server != nullptr && *server != '\0') {
      server_ = ServerOptions(server);
      Setting("SmtpPort", server_["Port"]);
    }
  }

  bool HasServer() const { return !server_.empty(); }

  // A recipient no other test (or test process) uses.
  static std::string UniqueRecipient(const std::string& localPart) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return localPart + "+" + test->name() + "-" + std::to_string(::getpid()) + "@example.org";
  }

  // The message the server accepted for `recipient` (parsed) and its
  // envelope; null when there is none.
  std::pair<nlohmann::json, nlohmann::json> Delivered(const std::string& recipient) const {
    for (const auto& entry : fs::directory_iterator(server_.at("Spool"))) {
      if (entry.path().extension() != ".json") continue;
      std::ifstream file(entry.path());
      const nlohmann::json envelope = nlohmann::json::parse(file);
      for (const auto& to : envelope["rcpt_tos"]) {
        if (to == recipient) {
          fs::path message = entry.path();
          return {ReadMessage(message.replace_extension(".eml")), envelope};
        }
      }
    }
    return {nullptr, nullptr};
  }

  std::map<std::string, std::string> server_;
};

TEST_F(SmtpTest, TheServerReceivesTheWholeMessageForTheEnvelopeRecipient) {
  if (!HasServer()) GTEST_SKIP() << "no test SMTP server (KORVO_TEST_SMTP)";
  const std::string recipient = UniqueRecipient("bob");
  WriteFile(scratch_.path() / "order.pdf", "%PDF-1.4 order");
  auto mail = AddressedMessage();
  mail->SetTo("Bob Builder <" + recipient + ">");
  mail->SetSubject("Auftrag genehmigt ✓");
  mail->SetBody("first\n.\n.leading dot\nlast");
  mail->AttachFile((scratch_.path() / "order.pdf").string(), std::nullopt, std::nullopt);
  mail->Send();

  const auto [message, envelope] = Delivered(recipient);
  ASSERT_FALSE(message.is_null()) << "nothing arrived for " << recipient;
  EXPECT_EQ(envelope["mail_from"], "alice@example.com");
  EXPECT_EQ(envelope["rcpt_tos"].size(), 1u);
  EXPECT_EQ(message["defects"].size(), 0u) << message["defects"];
  EXPECT_EQ(message["subject"], "Auftrag genehmigt ✓");
  EXPECT_EQ(message["body"]["text"], "first\n.\n.leading dot\nlast") << "dots survive the transfer";
  ASSERT_EQ(message["attachments"].size(), 1u);
  EXPECT_EQ(message["attachments"][0]["content_type"], "application/pdf");
}

TEST_F(SmtpTest, AnEmptySenderGoesOutWithTheNullReversePath) {
  if (!HasServer()) GTEST_SKIP() << "no test SMTP server (KORVO_TEST_SMTP)";
  const std::string recipient = UniqueRecipient("bob");
  auto mail = AddressedMessage();
  mail->SetFrom("");
  mail->SetTo(recipient);
  mail->Send();
  const auto [message, envelope] = Delivered(recipient);
  ASSERT_FALSE(message.is_null());
  EXPECT_EQ(envelope["mail_from"], "<>");
  EXPECT_EQ(message["from"], "");
}

TEST_F(SmtpTest, ARefusedRecipientFailsWithTheServersReply) {
  if (!HasServer()) GTEST_SKIP() << "no test SMTP server (KORVO_TEST_SMTP)";
  auto mail = AddressedMessage();
  mail->SetTo(UniqueRecipient("refuse"));
  const rt::ErrorRecord error = ErrorOf([&] { mail->Send(); });
  EXPECT_EQ(error.Number, mail::errnum::kSmtpFailed);
  EXPECT_EQ(error.Source, "CDONTS.NewMail");
  EXPECT_NE(error.Description.find("550 5.1.1"), std::string::npos) << error.Description;
  EXPECT_NE(error.Description.find("Recipient address rejected"), std::string::npos);
}

TEST_F(SmtpTest, AuthenticationUsesTheConfiguredAccountAndNeverShowsThePassword) {
  if (!HasServer()) GTEST_SKIP() << "no test SMTP server (KORVO_TEST_SMTP)";
  Setting("SmtpUser", "korvo-test");
  Setting("SmtpPassword", "correct horse");
  const std::string recipient = UniqueRecipient("bob");
  auto mail = AddressedMessage();
  mail->SetTo(recipient);
  mail->Send();
  EXPECT_FALSE(Delivered(recipient).first.is_null());

  Setting("SmtpPassword", "wrong-Secret-4711");
  auto refused = AddressedMessage();
  refused->SetTo(UniqueRecipient("carol"));
  const rt::ErrorRecord error = ErrorOf([&] { refused->Send(); });
  EXPECT_EQ(error.Number, mail::errnum::kSmtpFailed);
  EXPECT_NE(error.Description.find("535"), std::string::npos) << error.Description;
  EXPECT_EQ(error.Description.find("wrong-Secret-4711"), std::string::npos) << error.Description;
}

TEST_F(SmtpTest, StartTlsAndImplicitTlsDeliverToAServerTheyCanVerify) {
  if (!HasServer()) GTEST_SKIP() << "no test SMTP server (KORVO_TEST_SMTP)";
  Setting("SmtpCAFile", server_["CAFile"]);
  Setting("SmtpSecurity", "starttls");
  const std::string upgraded = UniqueRecipient("starttls");
  auto mail = AddressedMessage();
  mail->SetTo(upgraded);
  mail->Send();
  EXPECT_FALSE(Delivered(upgraded).first.is_null());

  Setting("SmtpSecurity", "tls");
  Setting("SmtpPort", server_["TlsPort"]);
  const std::string wrapped = UniqueRecipient("tls");
  auto secure = AddressedMessage();
  secure->SetTo(wrapped);
  secure->Send();
  EXPECT_FALSE(Delivered(wrapped).first.is_null());
}

TEST_F(SmtpTest, AServerWhoseCertificateCannotBeVerifiedGetsNothing) {
  if (!HasServer()) GTEST_SKIP() << "no test SMTP server (KORVO_TEST_SMTP)";
  Setting("SmtpSecurity", "starttls");
  const std::string recipient = UniqueRecipient("unverified");
  auto mail = AddressedMessage();
  mail->SetTo(recipient);
  EXPECT_EQ(ErrorOf([&] { mail->Send(); }).Number, mail::errnum::kSmtpFailed);
  EXPECT_TRUE(Delivered(recipient).first.is_null());
}

TEST_F(SmtpTest, AServerNobodyRunsFailsAtOnce) {
  const LoopbackSocket closed(false);
  Setting("SmtpPort", std::to_string(closed.port()));
  const auto started = Clock::now();
  const rt::ErrorRecord error = ErrorOf([] { AddressedMessage()->Send(); });
  EXPECT_EQ(error.Number, mail::errnum::kSmtpFailed);
  EXPECT_NE(error.Description.find("127.0.0.1:" + std::to_string(closed.port())), std::string::npos)
      << error.Description;
  EXPECT_LT(Clock::now() - started, std::chrono::seconds(5));
}

TEST_F(SmtpTest, AServerThatNeverAnswersFailsWithinTheTimeout) {
  const LoopbackSocket stalled(true);
  Setting("SmtpPort", std::to_string(stalled.port()));
  Setting("SmtpTimeout", "2");
  const auto started = Clock::now();
  const rt::ErrorRecord error = ErrorOf([] { AddressedMessage()->Send(); });
  const auto took = Clock::now() - started;
  EXPECT_EQ(error.Number, mail::errnum::kSmtpFailed);
  EXPECT_NE(error.Description.find("within 2 seconds"), std::string::npos) << error.Description;
  EXPECT_GE(took, std::chrono::milliseconds(1900));
  EXPECT_LT(took, std::chrono::seconds(6));
}

}  // namespace
}  // namespace korvo::mail_test
