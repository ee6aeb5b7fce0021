// Secrets: the password of a connection string never appears in an error
// text, a provider error, a log entry (recorded or written to the log file),
// the statement trace, or what the program prints, whichever way the
// connection fails.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/contracts/database.h"
#include "platform/data/statement_trace.h"
#include "platform/host/registry.h"
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
};

TEST_F(SecretsTest, APasswordNeverLeavesTheConnectionString) {
  std::string traced;
  auto trace = data::StatementTrace::Subscribe(
      [&](const std::string& sql, std::span<const contracts::Parameter>) { traced += sql + "\n"; });
  for (const std::string& connectionString : FailingConnectionStrings()) {
    SCOPED_TRACE(connectionString);
    // The data layer itself.
    auto connection = std::dynamic_pointer_cast<contracts::Connection>(host::CreateObject("ADODB.Connection"));
    const rt::ErrorRecord opening = ErrorOf([&] { connection->Open(connectionString); });
    EXPECT_NE(opening.Number, 0);
    ExpectNoSecret(opening.Description + opening.Source, "the error");
    for (const auto& error : connection->Errors()) ExpectNoSecret(error.description, "the provider errors");

    // A library method reaching the database through its configuration.
    korvex::ConfigurationOverrides::Set("CONNECTIONS", "KorvoCommonConnection_ConnectionString", connectionString);
    infra::ResetConnectionStringCache();
    auto currency = host::CreateObject("KorvoCommon.Currency");
    const rt::ErrorRecord calling = ErrorOf([&] { Call(currency, "GetHomeCurrency"); });
    EXPECT_NE(calling.Number, 0);
    ExpectNoSecret(calling.Description + calling.Source, "the error");
  }
  for (const auto& entry : korvex::LogRecorder::Drain()) ExpectNoSecret(entry.source + entry.text, "a log entry");
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
      "Driver=PostgreSQL;Host=db.example;Database=korvo;User=korvo;Password='" + std::string(kSecret) + ";x'";
  const korvo::testing::CommandResult read = korvo::testing::RunKorvo(
      {"call", "Korvex.Configuration", "ReadValue", "CONNECTIONS", "KorvoCommonConnection_ConnectionString",
       "--connection", connection});
  EXPECT_EQ(read.status, 0) << read.err;
  ExpectNoSecret(read.out, "the connection string read through the program");
  EXPECT_NE(read.out.find("Driver=PostgreSQL;Host=db.example;Database=korvo;User=korvo;Password=********"),
            std::string::npos)
      << read.out;

  const std::string config = LogFile() + ".ini";
  std::ofstream(config) << "[CONNECTIONS]\nKorvoCommonConnection_ConnectionString = " << ConnectionString()
                        << "\n[MEMBERSHIP]\nMemScriptUser = directory\nMemScriptCode = " << kSecret << "\n";
  const korvo::testing::CommandResult secret = korvo::testing::RunKorvo(
      {"call", "Korvex.Configuration", "ReadValue", "MEMBERSHIP", "MemScriptCode", "--config", config});
  EXPECT_EQ(secret.status, 0) << secret.err;
  ExpectNoSecret(secret.out, "the membership password read through the program");
  EXPECT_NE(secret.out.find("\"********\""), std::string::npos) << secret.out;
  const korvo::testing::CommandResult user = korvo::testing::RunKorvo(
      {"call", "Korvex.Configuration", "ReadValue", "MEMBERSHIP", "MemScriptUser", "--config", config});
  EXPECT_NE(user.out.find("\"directory\""), std::string::npos) << user.out;
  std::filesystem::remove(config);
}

}  // namespace
}  // namespace korvo::reliability
