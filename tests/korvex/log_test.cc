// Korvex.Log: entries reach the configured destination and the recorder.
#include "platform/korvex/log.h"

#include <gtest/gtest.h>

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
  void SetUp() override {
    ConfigurationOverrides::Clear();
    file_ = std::filesystem::temp_directory_path() /
            ("korvex-log-" + std::to_string(::getpid()) + ".log");
    std::filesystem::remove(file_);
  }
  void TearDown() override {
    ConfigurationOverrides::Clear();
    std::filesystem::remove(file_);
  }

  std::string FileText() const {
    std::ifstream in(file_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::filesystem::path file_;
};

TEST_F(LogTest, WritesEachEntryToTheConfiguredFileAtOnce) {
  ConfigurationOverrides::Set("LOG", "File", file_.string());
  Log log;
  log.WriteEntry("KorvoCommon.TUser", "\r\nERROR 0x80040064\r\n METHOD: M\r\n", 0);
  log.WriteEntry("Some.Method", "a note", 1);

  const std::string text = FileText();
  EXPECT_NE(text.find("error [KorvoCommon.TUser] kind 0: \nERROR 0x80040064\n METHOD: M\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("info [Some.Method] kind 1: a note"), std::string::npos) << text;
  EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST_F(LogTest, TheRecorderKeepsEntriesOnlyWhileRecording) {
  Log log;
  ConfigurationOverrides::Set("LOG", "File", file_.string());
  log.WriteEntry("before", "not kept", 0);
  {
    LogRecording recording;
    std::vector<rt::Variant> args{rt::Variant("by name"), rt::Variant("text"),
                                  rt::Variant(std::int32_t{1})};
    log.Invoke("WriteEntry", rt::InvokeKind::Method, args);
    const std::vector<LogEntry> entries = LogRecorder::Drain();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].source, "by name");
    EXPECT_EQ(entries[0].text, "text");
    EXPECT_EQ(entries[0].kind, 1);
    log.WriteEntry("undrained", "dropped when recording stops", 0);
  }
  LogRecording again;
  EXPECT_TRUE(LogRecorder::Drain().empty());
}

TEST_F(LogTest, AnUnwritableFileRaisesButTheEntryIsStillRecorded) {
  ConfigurationOverrides::Set("LOG", "File", "/dev/null/korvex.log");
  LogRecording recording;
  Log log;
  try {
    log.WriteEntry("source", "text", 0);
    FAIL() << "nothing raised";
  } catch (const rt::Error& raised) {
    EXPECT_EQ(raised.number(), errnum::kLogUnwritable);
  }
  EXPECT_EQ(LogRecorder::Drain().size(), 1u);
}

}  // namespace
}  // namespace korvo::korvex
