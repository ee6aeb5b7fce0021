// The directory's settings as the configuration gives them: a request
// opening the directory does not look for the file each time, and still
// sees a changed file, another file named, and the program's own settings.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/korvex/configuration_overrides.h"
#include "platform/membership/backend_registry.h"

namespace korvo::membership::testing {
namespace {

using korvex::ConfigurationOverrides;

class MembershipSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("korvo-membership-settings-" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    ConfigurationOverrides::Clear();
    std::filesystem::remove_all(folder_);
  }

  std::string WriteFile(const std::string& name, const std::string& root) {
    const std::string path = (folder_ / name).string();
    std::ofstream(path, std::ios::trunc) << "[MEMBERSHIP]\nLDAPRoot = " << root << "\n";
    return path;
  }

  static std::string Root() { return ConfiguredSettings()->Value("LDAPRoot"); }

  std::filesystem::path folder_;
};

TEST_F(MembershipSettingsTest, ChangedSettingsAreSeen) {
  const std::string first = WriteFile("first.ini", "dc=first");
  ConfigurationOverrides::SetFile(first);
  EXPECT_EQ(Root(), "dc=first");
  // Another file named is read at once.
  ConfigurationOverrides::SetFile(WriteFile("second.ini", "dc=second"));
  EXPECT_EQ(Root(), "dc=second");
  // The program's own setting wins at once, and leaves the file's again.
  ConfigurationOverrides::Set("MEMBERSHIP", "LDAPRoot", "dc=given");
  EXPECT_EQ(Root(), "dc=given");
  ConfigurationOverrides::Clear();
  ConfigurationOverrides::SetFile(first);
  EXPECT_EQ(Root(), "dc=first");
  // The same file rewritten is seen within a second or so.
  WriteFile("first.ini", "dc=rewritten");
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  EXPECT_EQ(Root(), "dc=rewritten");
}

}  // namespace
}  // namespace korvo::membership::testing
