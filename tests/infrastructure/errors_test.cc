// Error enrichment, logging and raising again, as every handler uses them.
#include "infrastructure/errors.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "platform/host/registry.h"
#include "platform/korvex/log.h"
#include "platform/korvex/log_recorder.h"
#include "platform/korvex/register.h"

namespace korvo::infra {
namespace {

using korvex::LogEntry;
using korvex::LogRecorder;

constexpr std::int32_t kOfficeNotPresent = rt::errnum::kComponentBase + 100;

rt::ErrorRecord OfficeNotPresent() {
  return {kOfficeNotPresent, "KorvoCommon.TUser", "Office not present", "help.chm", 7};
}

// Runs Err_Handle inside the handler of `record` and returns what it raised.
rt::ErrorRecord HandledAs(const rt::ErrorRecord& record, std::string_view method,
                          const Info& info = std::nullopt) {
  try {
    try {
      rt::RaiseRecord(record);
    } catch (...) {
      Err_Handle(method, info);
    }
  } catch (const rt::Error& raised) {
    return raised.record();
  }
  ADD_FAILURE() << "Err_Handle returned normally with an error current";
  return {};
}

class ErrorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    korvex::RegisterClasses();
    LogRecorder::Drain();
  }

  korvex::LogRecording recording_;
};

TEST(ErrFormatMessage, BuildsTheBlockWithCrLfSeparators) {
  EXPECT_EQ(
      Err_FormatMessage("Office not present", kOfficeNotPresent, "KorvoCommon.TUser.DeleteOffice"),
      "\r\nERROR 0x80040064\r\n METHOD: KorvoCommon.TUser.DeleteOffice\r\n"
      " DESC: Office not present.\r\n");
  EXPECT_EQ(Err_FormatMessage("d", 0, "m"), "\r\nERROR 0x0\r\n METHOD: m\r\n DESC: d.\r\n");
  EXPECT_EQ(Err_FormatMessage("d", -1, "m", rt::Variant("why")),
            "\r\nERROR 0xFFFFFFFF\r\n METHOD: m\r\n DESC: d.\r\n INFO: why.\r\n");
}

TEST(ErrFormatMessage, GivenButEmptyInfoStillAddsTheInfoLine) {
  const std::string base = "\r\nERROR 0x5\r\n METHOD: m\r\n DESC: d.\r\n";
  EXPECT_EQ(Err_FormatMessage("d", 5, "m", rt::Variant("")), base + " INFO: .\r\n");
  EXPECT_EQ(Err_FormatMessage("d", 5, "m", rt::Variant::Null()), base + " INFO: .\r\n");
  EXPECT_EQ(Err_FormatMessage("d", 5, "m", rt::Variant(std::int32_t{42})), base + " INFO: 42.\r\n");
  EXPECT_EQ(Err_FormatMessage("d", 5, "m"), base);
  EXPECT_EQ(Err_FormatMessage("d", 5, "m", rt::Variant::Missing()), base);
}

// A connection whose error list the test sets; nothing else of it is used.
class ConnectionWithErrors : public contracts::Connection {
 public:
  explicit ConnectionWithErrors(std::vector<contracts::ProviderError> errors)
      : errors_(std::move(errors)) {}
  void Open(const std::string&) override {}
  bool IsOpen() const override { return false; }
  void Close() override {}
  const std::string& ConnectionString() const override { return text_; }
  contracts::RecordsetRef Execute(const std::string&, std::span<const contracts::Parameter>,
                                  std::int32_t*) override {
    return nullptr;
  }
  const std::vector<contracts::ProviderError>& Errors() const override { return errors_; }

 private:
  std::vector<contracts::ProviderError> errors_;
  std::string text_;
};

TEST(ErrConnectionErrors, ListsEveryErrorWithItsCounterAndNativeNumber) {
  EXPECT_EQ(Err_ConnectionErrors(nullptr), "");
  ConnectionWithErrors clean({});
  EXPECT_EQ(Err_ConnectionErrors(&clean), "");
  ConnectionWithErrors failed({{"near \"SELEC\": syntax error", 1}, {"no such table: X", 2067}});
  EXPECT_EQ(Err_ConnectionErrors(&failed),
            "Error(s) from connection object:  (1)near \"SELEC\": syntax error[1]"
            " (2)no such table: X[2067]");
}

TEST_F(ErrorsTest, HandleEnrichesLogsAndRaisesWithTheSameFields) {
  const rt::ErrorRecord raised = HandledAs(OfficeNotPresent(), "KorvoCommon.TUser.DeleteOffice");

  const std::string enriched =
      "\r\nERROR 0x80040064\r\n METHOD: KorvoCommon.TUser.DeleteOffice\r\n"
      " DESC: Office not present.\r\n";
  EXPECT_EQ(raised.Number, kOfficeNotPresent);
  EXPECT_EQ(raised.Source, "KorvoCommon.TUser");
  EXPECT_EQ(raised.Description, enriched);
  EXPECT_EQ(raised.HelpFile, "help.chm");
  EXPECT_EQ(raised.HelpContext, 7);

  // The entry is written while the enriched error is current, so it wraps
  // the enriched text once more.
  const std::vector<LogEntry> entries = LogRecorder::Drain();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].source, "KorvoCommon.TUser");
  EXPECT_EQ(entries[0].kind, 0);
  EXPECT_EQ(entries[0].text,
            Err_FormatMessage(enriched, kOfficeNotPresent, "KorvoCommon.TUser.DeleteOffice"));
}

TEST_F(ErrorsTest, EachHandlerAddsOneNestedBlock) {
  rt::ErrorRecord inner = HandledAs(OfficeNotPresent(), "Inner.Method", rt::Variant("detail"));
  const rt::ErrorRecord outer = HandledAs(inner, "Outer.Method");

  EXPECT_EQ(outer.Number, kOfficeNotPresent);
  EXPECT_EQ(outer.Description,
            "\r\nERROR 0x80040064\r\n METHOD: Outer.Method\r\n DESC: "
            "\r\nERROR 0x80040064\r\n METHOD: Inner.Method\r\n DESC: Office not present.\r\n"
            " INFO: detail.\r\n"
            ".\r\n");
  EXPECT_EQ(LogRecorder::Drain().size(), 2u);
}

TEST_F(ErrorsTest, HandleWithoutACurrentErrorDoesNothing) {
  EXPECT_NO_THROW(Err_Handle("Some.Method"));
  try {
    throw rt::Error(rt::ErrorRecord{});  // number 0: not an error
  } catch (...) {
    EXPECT_NO_THROW(Err_Handle("Some.Method"));
  }
  EXPECT_TRUE(LogRecorder::Drain().empty());
}

TEST_F(ErrorsTest, ForeignExceptionsAreRaisedAsRuntimeErrors) {
  try {
    try {
      throw std::runtime_error("disk on fire");
    } catch (...) {
      Err_Handle("Some.Method");
    }
    FAIL() << "nothing raised";
  } catch (const rt::Error& raised) {
    EXPECT_EQ(raised.number(), rt::errnum::kInternalError);
    EXPECT_NE(raised.record().Description.find(" METHOD: Some.Method"), std::string::npos);
  }
}

TEST_F(ErrorsTest, HandleRecordReportsAnErrorCapturedBeforeReleasing) {
  rt::ErrorRecord captured;
  try {
    rt::RaiseRecord(OfficeNotPresent());
  } catch (...) {
    captured = rt::CurrentError();
  }
  try {
    Err_HandleRecord(captured, "KorvoCommon.TUser.DeleteOffice", rt::Variant("x"));
    FAIL() << "nothing raised";
  } catch (const rt::Error& raised) {
    EXPECT_EQ(raised.record().Description,
              Err_FormatMessage("Office not present", kOfficeNotPresent,
                                "KorvoCommon.TUser.DeleteOffice", rt::Variant("x")));
  }
  EXPECT_EQ(LogRecorder::Drain().size(), 1u);
  EXPECT_NO_THROW(Err_HandleRecord(rt::ErrorRecord{}, "Some.Method"));
}

TEST_F(ErrorsTest, LogWithoutAnErrorWritesTheNoteUnderTheMethodName) {
  Err_Log("KorvoCommon.Currency.GetCurrency", rt::Variant("info"));
  const std::vector<LogEntry> entries = LogRecorder::Drain();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].source, "KorvoCommon.Currency.GetCurrency");
  EXPECT_EQ(entries[0].kind, 1);
  EXPECT_EQ(entries[0].text,
            "\r\nERROR 0x0\r\n METHOD: KorvoCommon.Currency.GetCurrency\r\n"
            " DESC: Not an actual error.\r\n INFO: info.\r\n");
}

// A log component whose every write fails.
class RefusingLog : public korvex::Log {
 public:
  void WriteEntry(const std::string&, const std::string&, std::int32_t) override {
    rt::Raise(rt::errnum::kOutOfMemory, "the log is full");
  }
};

TEST_F(ErrorsTest, AFailingLogNeverReplacesTheErrorBeingReported) {
  host::RegistrationOverride refusing(
      host::ClassInfo{"Korvex.Log", host::TransactionAttribute::None, false,
                      [] { return rt::ObjectRef(std::make_shared<RefusingLog>()); }});
  const rt::ErrorRecord raised = HandledAs(OfficeNotPresent(), "KorvoCommon.TUser.DeleteOffice");
  EXPECT_EQ(raised.Number, kOfficeNotPresent);
  EXPECT_EQ(raised.Source, "KorvoCommon.TUser");

  EXPECT_NO_THROW(Err_Log("Some.Method"));  // the note is dropped quietly
}

TEST_F(ErrorsTest, ALogThatCannotBeCreatedDropsTheEntryAndStillRaises) {
  host::RegistrationOverride broken(
      host::ClassInfo{"Korvex.Log", host::TransactionAttribute::None, false,
                      []() -> rt::ObjectRef { rt::Raise(rt::errnum::kCannotCreateObject); }});
  const rt::ErrorRecord raised = HandledAs(OfficeNotPresent(), "KorvoCommon.TUser.DeleteOffice");
  EXPECT_EQ(raised.Number, kOfficeNotPresent);
  EXPECT_EQ(raised.Description.find("Lib_General.Gen_GetComponent"), std::string::npos);

  host::Registry::Global().Unregister("Korvex.Log");
  EXPECT_EQ(HandledAs(OfficeNotPresent(), "M").Number, kOfficeNotPresent);
  EXPECT_NO_THROW(Err_Log("Some.Method"));
}

}  // namespace
}  // namespace korvo::infra
