// Korvex.Configuration: where settings come from and which one wins.
#include "platform/korvex/configuration.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/korvex/configuration_overrides.h"
#include "platform/korvex/korvex_errors.h"

namespace korvo::korvex {
namespace {

constexpr const char* kKey = "KorvoCommonConnection_ConnectionString";

class ConfigurationTest : public ::testing::Test {
 protected:
  void SetUp() override { Forget(); }
  void TearDown() override {
    Forget();
    std::filesystem::remove(path_);
  }
  static void Forget() {
    ConfigurationOverrides::Clear();
    unsetenv("KORVO_CONNECTION_STRING");
    unsetenv("KORVO_CONFIG");
  }

  // Writes the test's INI file and points the configuration at it.
  void Write(const std::string& text) {
    std::ofstream(path_) << text;
    ConfigurationOverrides::SetFile(path_.string());
  }

  const std::filesystem::path path_ =
      std::filesystem::temp_directory_path() / ("korvex-config-" + std::to_string(::getpid()) + ".ini");
};

TEST_F(ConfigurationTest, TheSelectedApplicationsSectionComesBeforeThePlainOne) {
  Write(
      "[CONNECTIONS]\nKorvoCommonConnection_ConnectionString = plain\nOther = 1\n"
      "[KorvoServer.CONNECTIONS]\nKorvoCommonConnection_ConnectionString = server\n");
  Configuration configuration;
  EXPECT_EQ(configuration.ReadValue("CONNECTIONS", kKey).AsString(), "plain");
  std::vector<rt::Variant> select{rt::Variant("KorvoServer"), rt::Variant(std::int32_t{0})};
  configuration.Invoke("SelectApplication", rt::InvokeKind::Method, select);
  EXPECT_EQ(configuration.ReadValue("CONNECTIONS", kKey).AsString(), "server");
  EXPECT_EQ(configuration.ReadValue("connections", "other").AsString(), "1");  // any case
  EXPECT_TRUE(configuration.ReadValue("CONNECTIONS", "Missing").IsEmpty());
}

TEST_F(ConfigurationTest, OverridesBeatTheEnvironmentWhichBeatsTheFile) {
  Write(
      "[CONNECTIONS]\nKorvoCommonConnection_ConnectionString = file\n[MEMBERSHIP]\nLDAPRoot = "
      "o=x\n");
  Configuration configuration;
  setenv("KORVO_CONNECTION_STRING", "environment", 1);
  EXPECT_EQ(configuration.ReadValue("CONNECTIONS", kKey).AsString(), "environment");
  ConfigurationOverrides::Set("connections", kKey, "override");
  EXPECT_EQ(configuration.ReadValue("CONNECTIONS", kKey).AsString(), "override");
  // The environment variable stands for the connection string only.
  EXPECT_EQ(configuration.ReadValue("MEMBERSHIP", "LDAPRoot").AsString(), "o=x");
}

TEST_F(ConfigurationTest, KorvoConfigNamesTheFileAndAMissingFileMeansNoSettings) {
  std::ofstream(path_) << "[SUBSCRIPTIONS]\nA = 1\nB = TRUE\nC = Yes\nD = 0\nE = no\nF =\n";
  setenv("KORVO_CONFIG", path_.c_str(), 1);
  Configuration configuration;
  for (const char* module : {"A", "B", "C"}) EXPECT_TRUE(configuration.IsSubscribed(module));
  for (const char* module : {"D", "E", "F", "G"}) EXPECT_FALSE(configuration.IsSubscribed(module));

  setenv("KORVO_CONFIG", (path_.string() + ".absent").c_str(), 1);
  Configuration none;
  EXPECT_TRUE(none.ReadValue("SUBSCRIPTIONS", "A").IsEmpty());
  EXPECT_FALSE(none.IsSubscribed("A"));
}

TEST_F(ConfigurationTest, AMalformedFileRaisesAtTheFirstReadNamingTheLine) {
  Write("[CONNECTIONS]\nno equals sign here\n");
  Configuration configuration;  // creating it reads nothing yet
  try {
    configuration.ReadValue("CONNECTIONS", kKey);
    FAIL() << "nothing raised";
  } catch (const rt::Error& raised) {
    EXPECT_EQ(raised.number(), errnum::kConfigurationUnreadable);
    EXPECT_NE(raised.record().Description.find("line 2"), std::string::npos);
  }
}

}  // namespace
}  // namespace korvo::korvex
