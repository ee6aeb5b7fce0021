// Korvex.Log: entries reach the configured file and the recorder.
#include "platform/korvex/log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/korvex/configuration_overrides.h"
#include "platform/korvex/korvex_errors.h"
#include "platform/korvex/log_recorder.h"

namespace korvo::korvex {
namespace {

class LogTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ConfigurationOverrides::Clear();
    std::filesystem::remove(file_);
  }
  std::string FileText() const {
    std::stringstream text;
    text << std::ifstream(file_).rdbuf();
    return text.str();
  }

  const std::filesystem::path file_ =
      std::filesystem::temp_directory_path() / ("korvex-log-" + std::to_string(::getpid()) + ".log");
};

TEST_F(LogTest, WritesEachEntryToTheConfiguredFileAtOnce) {
  ConfigurationOverrides::Set("LOG", "File", file_.string());
  Log log;
  log.WriteEntry("KorvoCommon.TUser", "\r\nERROR 0x80040064\r\n METHOD: M\r\n", 0);
  std::vector<rt::Variant> note{rt::Variant("Some.Method"), rt::Variant("a note"),
                                rt::Variant(std::int32_t{1})};
  log.Invoke("WriteEntry", rt::InvokeKind::Method, note);

  const std::string text = FileText();
  EXPECT_NE(text.find("error [KorvoCommon.TUser] kind 0: \nERROR 0x80040064\n METHOD: M\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("info [Some.Method] kind 1: a note"), std::string::npos) << text;
}

TEST_F(LogTest, TheRecorderKeepsEntriesWhileRecordingEvenWhenTheFileFails) {
  Log log;
  log.WriteEntry("before", "not kept", 0);
  {
    LogRecording recording;
    ConfigurationOverrides::Set("LOG", "File", "/dev/null/korvex.log");
    try {
      log.WriteEntry("source", "text", 1);
      ADD_FAILURE() << "nothing raised";
    } catch (const rt::Error& raised) {
      EXPECT_EQ(raised.number(), errnum::kLogUnwritable);
    }
    const std::vector<LogEntry> entries = LogRecorder::Drain();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].source, "source");
    EXPECT_EQ(entries[0].kind, 1);
  }
  EXPECT_FALSE(LogRecorder::IsRecording());
}

}  // namespace
}  // namespace korvo::korvex
