// Secrets: the password of a connection string never appears in an error
// text, a provider error, a log entry (recorded or written to the log file),
// the statement trace, or what the program prints, whichever way the
// connection fails.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/contracts/database.h"
#include "platform/contracts/result_object.h"
#include "platform/data/statement_trace.h"
#include "platform/host/registry.h"
#include "platform/korvex/secret_mask.h"
#include "program/korvo_process.h"
#include "reliability/reliability_fixture.h"

namespace korvo::reliability {
namespace {

constexpr const char* kSecret = "Pa55-KORVOSECRET";

// Connection strings that fail in every way a connection can, each carrying
// the secret as its password.
std::vector<std::string> FailingConnectionStrings() {
  const std::string password = std::string("Password=") + kSecret;
  return {
      "Driver=SQLite;Database=/nonexistent/dir/korvo.db;" + password,
      "Driver=SQLite;" + password,
      "Driver=NoSuchDriver;Database=x;" + password,
      "Driver=SQLite;Database=x;Password='" + std::string(kSecret) + ";still=the secret",
      password + ";Driver",
      "Driver=PostgreSQL;Host=127.0.0.1;Port=1;User=korvo;Database=korvo;" + password,
      // A password typed into the wrong option: the client library quotes
      // many of them back in its messages.
      "Driver=PostgreSQL;Host=127.0.0.1;Database=korvo;SslMode=" + std::string(kSecret),
      "Driver=PostgreSQL;Host=127.0.0.1;Database=korvo;Port=" + std::string(kSecret),
      "Driver=PostgreSQL;Host=/tmp/" + std::string(kSecret) + ";Database=korvo",
      "Driver=PostgreSQL;Host=127.0.0.1;Port=1;Database=korvo;ConnectTimeout=" + std::string(kSecret),
      "Driver=PostgreSQL;Host=127.0.0.1;Port=1;Database=korvo;CommandTimeout=" + std::string(kSecret),
      "Driver=SQLite;Database=/nonexistent/" + std::string(kSecret) + "/korvo.db",
      "Driver=SQLite;Database=x.db;BusyTimeout=" + std::string(kSecret),
  };
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

class SecretsTest : public ReliabilityTest {
 protected:
  void ExpectNoSecret(const std::string& text, const std::string& where) {
    EXPECT_EQ(text.find(kSecret), std::string::npos) << where << ": " << text;
  }

  // The log (recorded and written) and the statement trace hold no secret.
  void ExpectNoSecretLoggedOrTraced(const std::string& traced) {
    for (const auto& entry : korvex::LogRecorder::Drain())
      ExpectNoSecret(entry.source + entry.text, "a log entry");
    ExpectNoSecret(ReadFile(LogFile()), "the log file");
    ExpectNoSecret(traced, "the statement trace");
  }

  // Runs the call in a request of session_, where it must fail with an
  // error that does not show the secret.
  void ExpectFailsWithoutSecret(const std::string& what,
                                const std::function<void(host::ObjectContext&)>& call) {
    SCOPED_TRACE(what);
    host::HostScope scope(Request());
    const rt::ErrorRecord error = ErrorOf([&] { call(scope.Context()); });
    EXPECT_NE(error.Number, 0) << "the call did not fail";
    ExpectNoSecret(error.Description + error.Source + error.HelpFile, "the error");
    scope.End(/*abort=*/true);
  }
};

// The passwords of the directory's accounts, of the session and of the mail
// server never appear in an error, the log or the statement trace, however
// the bind, the registration or the delivery fails.
TEST_F(SecretsTest, DirectorySessionLdapAndSmtpPasswordsNeverLeaveTheirCall) {
  SeedPartnersOfficesAndDirectory();
  std::string traced;
  auto trace = data::StatementTrace::Subscribe(
      [&](const std::string& sql, std::span<const contracts::Parameter>) { traced += sql + "\n"; });
  using korvex::ConfigurationOverrides;

  // A session password that does not verify, and the directory's own bind.
  session_->Set("REMOTE_PASSWORD", rt::Variant(kSecret));
  ExpectFailsWithoutSecret("a user getter with the session's wrong password",
                           [](host::ObjectContext& context) {
                             Call(context.CreateInstance("KorvoCommon.User"), "GetUsername", {"ann"});
                           });
  ExpectFailsWithoutSecret("a directory bind with a wrong password", [](host::ObjectContext& context) {
    Call(context.CreateInstance("KorvoMembership.User"), "Bind", {"ann", "ann", kSecret});
  });
  session_->Set("REMOTE_PASSWORD", rt::Variant("script-Pa55"));
  ExpectFailsWithoutSecret("a user that exists created again", [](host::ObjectContext& context) {
    Call(context.CreateInstance("KorvoCommon.TUser"), "CreateUserWithAttributes",
         {"ann", kSecret, Texts({"SURNAME"}), Texts({"Again"})});
  });
  {
    host::HostScope scope(Request());
    const rt::Variant refused =
        Call(scope.Context().CreateInstance("KorvoCommon.TUser"), "InsertBiddingUser",
             {Texts({"SHORTDESCRIPTION", "COUNTRYCODE"}), Texts({"Twin HQ", "NL"}), Texts({"NAME"}),
              Texts({"Twin"}), Texts({"BusinessPartnerID", "SURNAME"}), Texts({rt::Variant(), "Twin"}),
              "ann", kSecret});
    auto result = std::dynamic_pointer_cast<contracts::ResultObject>(refused.AsObject());
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->Succeeded());
    for (const auto& message : result->MessageList())
      ExpectNoSecret(message.code, "a registration's message");
    scope.End(/*abort=*/true);
  }

  // An LDAP directory that cannot be reached, its service password the secret.
  ConfigurationOverrides::Set("MEMBERSHIP", "Backend", "ldap");
  ConfigurationOverrides::Set("MEMBERSHIP", "LDAPURL", "ldap://127.0.0.1:1");
  ConfigurationOverrides::Set("MEMBERSHIP", "LDAPRoot", "dc=korvo,dc=test");
  ConfigurationOverrides::Set("MEMBERSHIP", "LDAPServiceDN", "cn=service,dc=korvo,dc=test");
  ConfigurationOverrides::Set("MEMBERSHIP", "LDAPServiceCode", kSecret);
  ConfigurationOverrides::Set("MEMBERSHIP", "MemScriptCode", kSecret);
  ConfigurationOverrides::Set("MEMBERSHIP", "LDAPConnectTimeout", "1");
  membership::CredentialCache::Process().Clear();
  ExpectFailsWithoutSecret("a user getter on an unreachable LDAP server",
                           [](host::ObjectContext& context) {
                             Call(context.CreateInstance("KorvoCommon.User"), "GetUsername", {"ann"});
                           });
  ExpectFailsWithoutSecret(
      "a registration on an unreachable LDAP server", [](host::ObjectContext& context) {
        Call(context.CreateInstance("KorvoCommon.TUser"), "CreateUserWithAttributes",
             {"zed", kSecret, Texts({"SURNAME"}), Texts({"Zed"})});
      });

  // An SMTP server that cannot be reached, its password the secret.
  ConfigurationOverrides::Set("MAIL", "Transport", "smtp");
  ConfigurationOverrides::Set("MAIL", "SmtpServer", "127.0.0.1");
  ConfigurationOverrides::Set("MAIL", "SmtpPort", "1");
  ConfigurationOverrides::Set("MAIL", "SmtpUser", "korvo");
  ConfigurationOverrides::Set("MAIL", "SmtpPassword", kSecret);
  ConfigurationOverrides::Set("MAIL", "SmtpTimeout", "2");
  ExpectFailsWithoutSecret("a delivery to an unreachable SMTP server", [](host::ObjectContext& context) {
    auto mail = context.CreateInstance("CDONTS.NewMail");
    rt::Variant to[] = {rt::Variant("ann@example.com")};
    mail->Invoke("To", rt::InvokeKind::PropertyPut, std::span(to));
    Call(mail, "Send");
  });
  ExpectNoSecretLoggedOrTraced(traced);
}

TEST_F(SecretsTest, APasswordNeverLeavesTheConnectionString) {
  std::string traced;
  auto trace = data::StatementTrace::Subscribe(
      [&](const std::string& sql, std::span<const contracts::Parameter>) { traced += sql + "\n"; });
  for (const std::string& connectionString : FailingConnectionStrings()) {
    SCOPED_TRACE(connectionString);
    // The data layer itself.
    auto connection =
        std::dynamic_pointer_cast<contracts::Connection>(host::CreateObject("ADODB.Connection"));
    const rt::ErrorRecord opening = ErrorOf([&] { connection->Open(connectionString); });
    EXPECT_NE(opening.Number, 0);
    ExpectNoSecret(opening.Description + opening.Source, "the error");
    for (const auto& error : connection->Errors())
      ExpectNoSecret(error.description, "the provider errors");

    // A library method reaching the database through its configuration.
    korvex::ConfigurationOverrides::Set("CONNECTIONS", "KorvoCommonConnection_ConnectionString",
                                        connectionString);
    infra::ResetConnectionStringCache();
    auto currency = host::CreateObject("KorvoCommon.Currency");
    const rt::ErrorRecord calling = ErrorOf([&] { Call(currency, "GetHomeCurrency"); });
    EXPECT_NE(calling.Number, 0);
    ExpectNoSecret(calling.Description + calling.Source, "the error");
  }
  for (const auto& entry : korvex::LogRecorder::Drain())
    ExpectNoSecret(entry.source + entry.text, "a log entry");
  ExpectNoSecret(ReadFile(LogFile()), "the log file");
  ExpectNoSecret(traced, "the statement trace");
}

TEST_F(SecretsTest, TheProgramNeverPrintsAPassword) {
  for (const std::string& connectionString : FailingConnectionStrings()) {
    SCOPED_TRACE(connectionString);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"call", "KorvoCommon.Currency", "GetHomeCurrency", "--connection", connectionString},
             {"init", "--connection", connectionString}}) {
      const korvo::testing::CommandResult result = korvo::testing::RunKorvo(args);
      EXPECT_NE(result.status, 0);
      ExpectNoSecret(result.out, "standard output");
      ExpectNoSecret(result.err, "standard error");
    }
  }
}

// The library reads its configuration unmasked; what the program hands a
// client shows password-like options and secret keys masked.
TEST_F(SecretsTest, TheProgramMasksSecretConfigurationValues) {
  const std::string connection =
      "Driver=PostgreSQL;Host=db.example;Database=korvo;User=korvo;Password='" + std::string(kSecret) +
      ";x'";
  const korvo::testing::CommandResult read =
      korvo::testing::RunKorvo({"call", "Korvex.Configuration", "ReadValue", "CONNECTIONS",
                                "KorvoCommonConnection_ConnectionString", "--connection", connection});
  EXPECT_EQ(read.status, 0) << read.err;
  ExpectNoSecret(read.out, "the connection string read through the program");
  EXPECT_NE(
      read.out.find("Driver=PostgreSQL;Host=db.example;Database=korvo;User=korvo;Password=********"),
      std::string::npos)
      << read.out;

  const std::string config = LogFile() + ".ini";
  std::ofstream(config) << "[CONNECTIONS]\nKorvoCommonConnection_ConnectionString = "
                        << ConnectionString()
                        << "\n[MEMBERSHIP]\nMemScriptUser = directory\nMemScriptCode = " << kSecret
                        << "\n";
  const korvo::testing::CommandResult secret = korvo::testing::RunKorvo(
      {"call", "Korvex.Configuration", "ReadValue", "MEMBERSHIP", "MemScriptCode", "--config", config});
  EXPECT_EQ(secret.status, 0) << secret.err;
  ExpectNoSecret(secret.out, "the membership password read through the program");
  EXPECT_NE(secret.out.find("\"********\""), std::string::npos) << secret.out;
  const korvo::testing::CommandResult user = korvo::testing::RunKorvo(
      {"call", "Korvex.Configuration", "ReadValue", "MEMBERSHIP", "MemScriptUser", "--config", config});
  EXPECT_NE(user.out.find("\"directory\""), std::string::npos) << user.out;

  // A served client reads the same masked value, by call and by property read.
  {
    korvo::testing::KorvoServer server({"--config", config});
    const korvo::testing::Json configuration =
        server.Result("create", {{"class", "Korvex.Configuration"}})["object"];
    const korvo::testing::Json where = {"MEMBERSHIP", "MemScriptCode"};
    const korvo::testing::Json called =
        server.Result("call", {{"object", configuration}, {"method", "ReadValue"}, {"args", where}});
    const korvo::testing::Json read =
        server.Result("get", {{"object", configuration}, {"property", "readvalue"}, {"args", where}});
    EXPECT_EQ(called["value"]["value"], korvex::kMaskedSecret);
    EXPECT_EQ(read["value"]["value"], korvex::kMaskedSecret);
    EXPECT_EQ(server.Finish(), 0);
  }
  std::filesystem::remove(config);
}

}  // namespace
}  // namespace korvo::reliability
