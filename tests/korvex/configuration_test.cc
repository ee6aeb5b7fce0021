// Korvex.Configuration: where settings come from and which one wins.
#include "platform/korvex/configuration.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/korvex/configuration_overrides.h"
#include "platform/korvex/korvex_errors.h"

namespace korvo::korvex {
namespace {

constexpr const char* kKey = "KorvoCommonConnection_ConnectionString";

// Writes an INI file for the test and points the configuration at it.
class ConfigurationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ConfigurationOverrides::Clear();
    unsetenv("KORVO_CONNECTION_STRING");
    unsetenv("KORVO_CONFIG");
    path_ = std::filesystem::temp_directory_path() /
            ("korvex-config-" + std::to_string(::getpid()) + ".ini");
  }
  void TearDown() override {
    ConfigurationOverrides::Clear();
    unsetenv("KORVO_CONNECTION_STRING");
    unsetenv("KORVO_CONFIG");
    std::filesystem::remove(path_);
  }

  void Write(const std::string& text) {
    std::ofstream(path_) << text;
    ConfigurationOverrides::SetFile(path_.string());
  }

  std::filesystem::path path_;
};

TEST_F(ConfigurationTest, TheSelectedApplicationsSectionComesBeforeThePlainOne) {
  Write(
      "[CONNECTIONS]\n"
      "KorvoCommonConnection_ConnectionString = Driver=SQLite;Database=plain.db\n"
      "Other = 1\n"
      "[KorvoServer.CONNECTIONS]\n"
      "KorvoCommonConnection_ConnectionString = Driver=SQLite;Database=server.db\n");
  Configuration configuration;
  EXPECT_EQ(configuration.ReadValue("CONNECTIONS", kKey).AsString(),
            "Driver=SQLite;Database=plain.db");
  configuration.SelectApplication("KorvoServer", 0);
  EXPECT_EQ(configuration.ReadValue("CONNECTIONS", kKey).AsString(),
            "Driver=SQLite;Database=server.db");
  EXPECT_EQ(configuration.ReadValue("connections", "other").AsString(), "1");  // any case
  EXPECT_TRUE(configuration.ReadValue("CONNECTIONS", "Missing").IsEmpty());
  EXPECT_TRUE(configuration.ReadValue("NOSECTION", kKey).IsEmpty());
}

TEST_F(ConfigurationTest, OverridesBeatTheEnvironmentWhichBeatsTheFile) {
  Write(
      "[CONNECTIONS]\nKorvoCommonConnection_ConnectionString = from-file\n[MEMBERSHIP]\nLDAPRoot = "
      "o=x\n");
  Configuration configuration;
  setenv("KORVO_CONNECTION_STRING", "from-environment", 1);
  EXPECT_EQ(configuration.ReadValue("CONNECTIONS", kKey).AsString(), "from-environment");
  ConfigurationOverrides::Set("connections", kKey, "from-override");
  EXPECT_EQ(configuration.ReadValue("CONNECTIONS", kKey).AsString(), "from-override");
  // The environment variable stands for the connection string only.
  EXPECT_EQ(configuration.ReadValue("MEMBERSHIP", "LDAPRoot").AsString(), "o=x");
}

TEST_F(ConfigurationTest, TheFileIsFoundThroughKorvoConfigAndAMissingFileMeansNoSettings) {
  std::ofstream(path_) << "[SUBSCRIPTIONS]\nKorvoSales = yes\n";
  setenv("KORVO_CONFIG", path_.c_str(), 1);
  EXPECT_EQ(Configuration::SettingsPath(), path_.string());
  EXPECT_TRUE(Configuration().IsSubscribed("KorvoSales"));

  setenv("KORVO_CONFIG", (path_.string() + ".absent").c_str(), 1);
  Configuration none;
  EXPECT_TRUE(none.ReadValue("CONNECTIONS", kKey).IsEmpty());
  EXPECT_FALSE(none.IsSubscribed("KorvoSales"));
}

TEST_F(ConfigurationTest, SubscriptionsReadAsFlags) {
  Write("[SUBSCRIPTIONS]\nA = 1\nB = TRUE\nC = Yes\nD = 0\nE = no\nF =\n");
  Configuration configuration;
  for (const char* module : {"A", "B", "C"})
    EXPECT_TRUE(configuration.IsSubscribed(module)) << module;
  for (const char* module : {"D", "E", "F", "G"}) {
    EXPECT_FALSE(configuration.IsSubscribed(module)) << module;
  }
  EXPECT_TRUE(configuration.Query().IsEmpty());
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

TEST_F(ConfigurationTest, IsCallableByName) {
  Write("[KorvoServer.CONNECTIONS]\nKorvoCommonConnection_ConnectionString = by-name\n");
  Configuration configuration;
  std::vector<rt::Variant> select{rt::Variant("KorvoServer"), rt::Variant(std::int32_t{0})};
  configuration.Invoke("SelectApplication", rt::InvokeKind::Method, select);
  std::vector<rt::Variant> read{rt::Variant("CONNECTIONS"), rt::Variant(kKey)};
  EXPECT_EQ(configuration.Invoke("readvalue", rt::InvokeKind::Method, read).AsString(), "by-name");
}

}  // namespace
}  // namespace korvo::korvex
