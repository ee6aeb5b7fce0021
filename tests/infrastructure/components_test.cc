// Component creation, transaction votes and the per-thread connection string.
#include "infrastructure/components.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "infrastructure/errors.h"
#include "platform/host/host_scope.h"
#include "platform/host/registry.h"
#include "platform/korvex/configuration.h"
#include "platform/korvex/configuration_overrides.h"
#include "platform/korvex/log_recorder.h"
#include "platform/korvex/register.h"

namespace korvo::infra {
namespace {

using korvex::ConfigurationOverrides;

constexpr const char* kKey = "KorvoCommonConnection_ConnectionString";
constexpr const char* kConfigured = "Driver=SQLite;Database=/tmp/configured.db";

// The error a call raised, or a failure when it raised nothing.
template <class Call>
rt::ErrorRecord RaisedBy(Call call) {
  try {
    call();
  } catch (const rt::Error& raised) {
    return raised.record();
  }
  ADD_FAILURE() << "nothing raised";
  return {};
}

class GenGetComponentTest : public ::testing::Test {
 protected:
  void SetUp() override { korvex::RegisterClasses(); }
};

TEST_F(GenGetComponentTest, OutsideTheHostCreatesPlainly) {
  auto object = std::dynamic_pointer_cast<host::Component>(Gen_GetComponent("Korvex.ResultObject"));
  ASSERT_TRUE(object);
  EXPECT_EQ(object->Context(), nullptr);
}

TEST_F(GenGetComponentTest, InsideAScopeTheObjectJoinsTheCallersTransaction) {
  host::HostScope scope;
  auto object = std::dynamic_pointer_cast<host::Component>(Gen_GetComponent("Korvex.ResultObject"));
  ASSERT_TRUE(object && object->Context());
  EXPECT_EQ(object->Context()->transaction(), scope.Context().transaction());
}

TEST_F(GenGetComponentTest, AnUnknownClassOutsideTheHostNamesCreateObject) {
  korvex::LogRecording recording;
  const rt::ErrorRecord raised = RaisedBy([] { Gen_GetComponent("No.Such.Class"); });
  EXPECT_EQ(raised.Number, rt::errnum::kCannotCreateObject);
  EXPECT_EQ(raised.Description,
            Err_FormatMessage(rt::DefaultDescription(rt::errnum::kCannotCreateObject),
                              rt::errnum::kCannotCreateObject, "Lib_General.Gen_GetComponent",
                              rt::Variant("CreateObject(No.Such.Class) failed")));
  EXPECT_EQ(korvex::LogRecorder::Drain().size(), 1u);
}

TEST_F(GenGetComponentTest, AnUnknownClassInsideAContextNamesCreateInstanceWithTheNote) {
  host::HostScope scope;
  const rt::ErrorRecord raised = RaisedBy([] { Gen_GetComponent("No.Such.Class"); });
  EXPECT_EQ(raised.Number, rt::errnum::kCannotCreateObject);
  const std::string info =
      " INFO: CreateInstance(No.Such.Class) failed.\r\nNote: Objects having "
      "'Instancing=PublicNotCreatable' may only be instantiated with 'New', not with "
      "Gen_GetComponent().\r\n";
  ASSERT_GE(raised.Description.size(), info.size());
  EXPECT_EQ(raised.Description.substr(raised.Description.size() - info.size()), info);
}

TEST_F(GenGetComponentTest, ACastToAContractTheClassLacksIsATypeMismatch) {
  const rt::ErrorRecord raised =
      RaisedBy([] { Gen_GetComponentAs<contracts::Configuration>("Korvex.ResultObject"); });
  EXPECT_EQ(raised.Number, rt::errnum::kTypeMismatch);
}

TEST(MtsVotes, DecideTheScopesOutcomeAndDoNothingOutsideTheHost) {
  EXPECT_NO_THROW(Mts_SetComplete());
  EXPECT_NO_THROW(Mts_SetAbort());
  {
    host::HostScope scope;
    Mts_SetComplete();
    EXPECT_EQ(scope.End(), host::Outcome::Committed);
  }
  host::HostScope scope;
  Mts_SetAbort();
  Mts_SetComplete();  // a later commit vote does not undo the abort
  EXPECT_EQ(scope.End(), host::Outcome::Aborted);
}

TEST(GenNullToString, NullIsTheEmptyTextOtherValuesTheirTextForm) {
  EXPECT_EQ(Gen_NullToString(rt::Variant::Null()), "");
  EXPECT_EQ(Gen_NullToString(rt::Variant()), "");
  EXPECT_EQ(Gen_NullToString(rt::Variant(std::int32_t{12})), "12");
  EXPECT_EQ(Gen_NullToString(rt::Variant("text")), "text");
}

// Counts the configuration components the look-ups create.
class ConnectionStringTest : public ::testing::Test {
 protected:
  // Before the fixture registers its counting replacement.
  static void SetUpTestSuite() { korvex::RegisterClasses(); }

  void SetUp() override {
    ResetConnectionStringCache();
    ConfigurationOverrides::Set("CONNECTIONS", kKey, kConfigured);
  }
  void TearDown() override {
    ConfigurationOverrides::Clear();
    ResetConnectionStringCache();
  }

  host::ClassInfo Counting(std::function<rt::ObjectRef()> make) {
    return host::ClassInfo{"Korvex.Configuration", host::TransactionAttribute::None, false,
                           [this, make] {
                             ++created_;
                             return make();
                           }};
  }
  std::atomic<int> created_{0};
  host::RegistrationOverride counting_{
      Counting([] { return rt::ObjectRef(std::make_shared<korvex::Configuration>()); })};
};

TEST_F(ConnectionStringTest, LaterLookUpsOnTheThreadUseTheCacheOtherThreadsAskAgain) {
  EXPECT_EQ(ConnectionStringApplicationFirst("KorvoCommon.Currency.ConnectionString"), kConfigured);
  EXPECT_EQ(created_, 1);
  EXPECT_EQ(ConnectionStringConfigurationOnly("KorvoCommon.User.ConnectionString"), kConfigured);
  EXPECT_EQ(ConnectionStringConfigurationOnlyUnhandled(), kConfigured);
  EXPECT_EQ(created_, 1);

  std::string other;
  std::thread([&] {
    other = ConnectionStringApplicationFirst("KorvoCommon.Currency.ConnectionString");
  }).join();
  EXPECT_EQ(other, kConfigured);
  EXPECT_EQ(created_, 2);
}

TEST_F(ConnectionStringTest, TheWebApplicationsVariableComesFirst) {
  auto application = rt::Dictionary::Create();
  application->Set(rt::Variant(kKey), rt::Variant("Driver=SQLite;Database=/tmp/app.db"));
  {
    host::HostScope scope({.transactional = true, .application = application, .session = nullptr});
    EXPECT_EQ(ConnectionStringApplicationFirst("KorvoCommon.BusinessPartner.ConnectionString"),
              "Driver=SQLite;Database=/tmp/app.db");
    EXPECT_EQ(created_, 0);
    ResetConnectionStringCache();
    EXPECT_EQ(ConnectionStringConfigurationOnly("KorvoCommon.TUser.ConnectionString"), kConfigured);
  }
  ResetConnectionStringCache();
  host::HostScope withoutApplication;
  EXPECT_EQ(ConnectionStringApplicationFirst("KorvoCommon.BusinessPartner.ConnectionString"),
            kConfigured);
}

TEST_F(ConnectionStringTest, AnApplicationWithoutTheVariableLeavesItToTheConfiguration) {
  host::HostScope scope(
      {.transactional = true, .application = rt::Dictionary::Create(), .session = nullptr});
  EXPECT_EQ(ConnectionStringApplicationFirst("KorvoCommon.Currency.ConnectionString"), kConfigured);
  EXPECT_EQ(scope.Context().Item("Application")->Count(), 0);  // reading added nothing
}

TEST_F(ConnectionStringTest, AnEmptyValueIsNotCachedSoTheNextLookUpAsksAgain) {
  ConfigurationOverrides::Set("CONNECTIONS", kKey, "");
  EXPECT_EQ(ConnectionStringApplicationFirst("KorvoCommon.Currency.ConnectionString"), "");
  EXPECT_EQ(ConnectionStringApplicationFirst("KorvoCommon.Currency.ConnectionString"), "");
  EXPECT_EQ(created_, 2);
}

// A configuration whose reads fail.
class UnreadableConfiguration : public korvex::Configuration {
 public:
  rt::Variant ReadValue(const std::string&, const std::string&) override {
    rt::Raise(rt::errnum::kComponentBase + 0x1001, "The configuration file is not valid", "Korvex");
  }
};

TEST_F(ConnectionStringTest, ConfigurationFailuresAreReportedUnderThePropertyName) {
  host::RegistrationOverride unreadable(
      Counting([] { return rt::ObjectRef(std::make_shared<UnreadableConfiguration>()); }));
  const rt::ErrorRecord handled = RaisedBy(
      [] { ConnectionStringApplicationFirst("KorvoCommon.TermsAndCondition.ConnectionString"); });
  EXPECT_EQ(handled.Number, rt::errnum::kComponentBase + 0x1001);
  EXPECT_EQ(handled.Description,
            Err_FormatMessage("The configuration file is not valid", handled.Number,
                              "KorvoCommon.TermsAndCondition.ConnectionString"));

  // The handler-less form lets the error through as raised.
  const rt::ErrorRecord unhandled = RaisedBy([] { ConnectionStringConfigurationOnlyUnhandled(); });
  EXPECT_EQ(unhandled.Description, "The configuration file is not valid");
}

}  // namespace
}  // namespace korvo::infra
