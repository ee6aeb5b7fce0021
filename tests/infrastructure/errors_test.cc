// Error enrichment, logging and raising again, as every handler uses them.
#include "infrastructure/errors.h"

#include <gtest/gtest.h>

#include "platform/data/register.h"
#include "platform/host/registry.h"
#include "platform/korvex/log.h"
#include "platform/korvex/log_recorder.h"
#include "platform/korvex/register.h"
#include "support/temp_database.h"

namespace korvo::infra {
namespace {

using korvex::LogRecorder;

constexpr std::int32_t kOfficeNotPresent = rt::errnum::kComponentBase + 100;
const rt::ErrorRecord kOffice{kOfficeNotPresent, "KorvoCommon.TUser", "Office not present", "help.chm",
                              7};

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

TEST(ErrFormatMessage, BuildsTheBlockAndAnInfoLineWheneverInfoIsGiven) {
  const std::string office =
      "\r\nERROR 0x80040064\r\n METHOD: KorvoCommon.TUser.DeleteOffice\r\n"
      " DESC: Office not present.\r\n";
  EXPECT_EQ(Err_FormatMessage("Office not present", kOfficeNotPresent, "KorvoCommon.TUser.DeleteOffice"),
            office);
  EXPECT_EQ(Err_FormatMessage("d", -1, "m", rt::Variant("why")),
            "\r\nERROR 0xFFFFFFFF\r\n METHOD: m\r\n DESC: d.\r\n INFO: why.\r\n");
  const std::string base = "\r\nERROR 0x0\r\n METHOD: m\r\n DESC: d.\r\n";
  EXPECT_EQ(Err_FormatMessage("d", 0, "m", rt::Variant("")), base + " INFO: .\r\n");
  EXPECT_EQ(Err_FormatMessage("d", 0, "m", rt::Variant::Null()), base + " INFO: .\r\n");
  EXPECT_EQ(Err_FormatMessage("d", 0, "m", rt::Variant::Missing()), base);
}

TEST(ErrConnectionErrors, ListsTheConnectionsErrorsAfterTheHeading) {
  EXPECT_EQ(Err_ConnectionErrors(nullptr), "");
  data::RegisterClasses();
  korvo::testing::TempDatabase db;
  auto connection =
      std::dynamic_pointer_cast<contracts::Connection>(host::CreateObject("ADODB.Connection"));
  connection->Open(db.ConnectionString());
  EXPECT_EQ(Err_ConnectionErrors(connection.get()), "");
  EXPECT_THROW(connection->Execute("SELECT * FROM NOSUCHTABLE"), rt::Error);
  ASSERT_EQ(connection->Errors().size(), 1u);
  const contracts::ProviderError& error = connection->Errors()[0];
  EXPECT_EQ(Err_ConnectionErrors(connection.get()), "Error(s) from connection object:  (1)" +
                                                        error.description + "[" +
                                                        std::to_string(error.nativeError) + "]");
  connection->Close();
}

TEST_F(ErrorsTest, HandleEnrichesLogsAndRaisesWithTheSameFields) {
  const rt::ErrorRecord raised = HandledAs(kOffice, "KorvoCommon.TUser.DeleteOffice");
  const std::string enriched =
      Err_FormatMessage("Office not present", kOfficeNotPresent, "KorvoCommon.TUser.DeleteOffice");
  EXPECT_EQ(raised.Number, kOfficeNotPresent);
  EXPECT_EQ(raised.Source, "KorvoCommon.TUser");
  EXPECT_EQ(raised.Description, enriched);
  EXPECT_EQ(raised.HelpFile, "help.chm");
  EXPECT_EQ(raised.HelpContext, 7);

  // Logged while the enriched error is current: the entry wraps it once more.
  const auto entries = LogRecorder::Drain();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].source, "KorvoCommon.TUser");
  EXPECT_EQ(entries[0].kind, 0);
  EXPECT_EQ(entries[0].text,
            Err_FormatMessage(enriched, kOfficeNotPresent, "KorvoCommon.TUser.DeleteOffice"));
}

TEST_F(ErrorsTest, EachHandlerAddsOneNestedBlock) {
  const rt::ErrorRecord outer =
      HandledAs(HandledAs(kOffice, "Inner.Method", rt::Variant("detail")), "Outer.Method");
  EXPECT_EQ(outer.Number, kOfficeNotPresent);
  EXPECT_EQ(outer.Description,
            "\r\nERROR 0x80040064\r\n METHOD: Outer.Method\r\n DESC: "
            "\r\nERROR 0x80040064\r\n METHOD: Inner.Method\r\n DESC: Office not present.\r\n"
            " INFO: detail.\r\n.\r\n");
}

TEST_F(ErrorsTest, WithoutACurrentErrorHandleDoesNothingAndLogWritesTheNote) {
  EXPECT_NO_THROW(Err_Handle("Some.Method"));
  EXPECT_NO_THROW(Err_HandleRecord(rt::ErrorRecord{}, "Some.Method"));
  EXPECT_TRUE(LogRecorder::Drain().empty());

  Err_Log("KorvoCommon.Currency.GetCurrency", rt::Variant("info"));
  const auto entries = LogRecorder::Drain();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].source, "KorvoCommon.Currency.GetCurrency");
  EXPECT_EQ(entries[0].kind, 1);
  EXPECT_EQ(entries[0].text, Err_FormatMessage("Not an actual error", 0,
                                               "KorvoCommon.Currency.GetCurrency", rt::Variant("info")));
}

// A log component whose every write fails.
class RefusingLog : public korvex::Log {
 public:
  void WriteEntry(const std::string&, const std::string&, std::int32_t) override {
    rt::Raise(rt::errnum::kOutOfMemory, "the log is full");
  }
};

TEST_F(ErrorsTest, AFailingLogNeverReplacesTheErrorBeingReported) {
  {
    host::RegistrationOverride refusing(
        host::ClassInfo{"Korvex.Log", host::TransactionAttribute::None, false,
                        [] { return rt::ObjectRef(std::make_shared<RefusingLog>()); }});
    EXPECT_EQ(HandledAs(kOffice, "M").Description,
              Err_FormatMessage("Office not present", kOfficeNotPresent, "M"));
    EXPECT_NO_THROW(Err_Log("M"));  // the note is dropped quietly
  }
  // A log that cannot even be created: its own failure is not logged without
  // end, and the original error still reaches the caller.
  host::RegistrationOverride broken(
      host::ClassInfo{"Korvex.Log", host::TransactionAttribute::None, false,
                      []() -> rt::ObjectRef { rt::Raise(rt::errnum::kCannotCreateObject); }});
  EXPECT_EQ(HandledAs(kOffice, "M").Description,
            Err_FormatMessage("Office not present", kOfficeNotPresent, "M"));
  EXPECT_NO_THROW(Err_Log("M"));
}

}  // namespace
}  // namespace korvo::infra
