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
#include "platform/korvex/register.h"

namespace korvo::infra {
namespace {

using korvex::ConfigurationOverrides;

constexpr const char* kKey = "KorvoCommonConnection_ConnectionString";
constexpr const char* kConfigured = "Driver=SQLite;Database=/tmp/configured.db";

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

std::shared_ptr<host::Component> Created(std::string_view progId) {
  return std::dynamic_pointer_cast<host::Component>(Gen_GetComponent(progId));
}

TEST(GenGetComponent, CreatesInTheCallersContextOrPlainlyOutsideTheHost) {
  korvex::RegisterClasses();
  EXPECT_EQ(Created("Korvex.ResultObject")->Context(), nullptr);
  const std::string outside = RaisedBy([] { Gen_GetComponent("No.Such.Class"); }).Description;
  EXPECT_EQ(outside, Err_FormatMessage(rt::DefaultDescription(rt::errnum::kCannotCreateObject),
                                       rt::errnum::kCannotCreateObject, "Lib_General.Gen_GetComponent",
                                       rt::Variant("CreateObject(No.Such.Class) failed")));

  host::HostScope scope;
  EXPECT_EQ(Created("Korvex.ResultObject")->Context()->transaction(), scope.Context().transaction());
  const rt::ErrorRecord inside = RaisedBy([] { Gen_GetComponent("No.Such.Class"); });
  EXPECT_EQ(inside.Number, rt::errnum::kCannotCreateObject);
  const std::string note =
      " INFO: CreateInstance(No.Such.Class) failed.\r\nNote: Objects having "
      "'Instancing=PublicNotCreatable' may only be instantiated with 'New', not with "
      "Gen_GetComponent().\r\n";
  EXPECT_TRUE(inside.Description.ends_with(note)) << inside.Description;
}

TEST(MtsVotes, DecideTheScopesOutcomeAndDoNothingOutsideTheHost) {
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

  template <class T>
  host::ClassInfo Counting() {
    return host::ClassInfo{"Korvex.Configuration", host::TransactionAttribute::None, false, [this] {
                             ++created_;
                             return rt::ObjectRef(std::make_shared<T>());
                           }};
  }

  std::atomic<int> created_{0};
  host::RegistrationOverride counting_{Counting<korvex::Configuration>()};
};

TEST_F(ConnectionStringTest, LaterLookUpsOnTheThreadUseTheCacheOtherThreadsAskAgain) {
  EXPECT_EQ(ConnectionStringApplicationFirst("KorvoCommon.Currency.ConnectionString"), kConfigured);
  EXPECT_EQ(ConnectionStringConfigurationOnly("KorvoCommon.User.ConnectionString"), kConfigured);
  EXPECT_EQ(created_, 1);

  std::string other;
  std::thread([&] { other = ConnectionStringConfigurationOnlyUnhandled(); }).join();
  EXPECT_EQ(other, kConfigured);
  EXPECT_EQ(created_, 2);

  // An empty result is not kept: the next look-up asks again.
  ResetConnectionStringCache();
  ConfigurationOverrides::Set("CONNECTIONS", kKey, "");
  EXPECT_EQ(ConnectionStringApplicationFirst("KorvoCommon.Currency.ConnectionString"), "");
  EXPECT_EQ(ConnectionStringApplicationFirst("KorvoCommon.Currency.ConnectionString"), "");
  EXPECT_EQ(created_, 4);
}

TEST_F(ConnectionStringTest, TheWebApplicationsVariableComesFirst) {
  auto application = rt::Dictionary::Create();
  application->Set(rt::Variant(kKey), rt::Variant("Driver=SQLite;Database=/tmp/app.db"));
  {
    host::HostScope scope({.transactional = true, .application = application, .session = nullptr});
    EXPECT_EQ(ConnectionStringApplicationFirst("KorvoCommon.BusinessPartner.ConnectionString"),
              "Driver=SQLite;Database=/tmp/app.db");
    EXPECT_EQ(created_, 0);
  }
  // A scope without the variable (or without an application) leaves it to
  // the configuration, and reading adds nothing to the application.
  ResetConnectionStringCache();
  auto empty = rt::Dictionary::Create();
  host::HostScope scope({.transactional = true, .application = empty, .session = nullptr});
  EXPECT_EQ(ConnectionStringApplicationFirst("KorvoCommon.Currency.ConnectionString"), kConfigured);
  EXPECT_EQ(empty->Count(), 0);
}

// A configuration whose reads fail.
class UnreadableConfiguration : public korvex::Configuration {
 public:
  rt::Variant ReadValue(const std::string&, const std::string&) override {
    rt::Raise(rt::errnum::kComponentBase + 0x1001, "The configuration file is not valid", "Korvex");
  }
};

TEST_F(ConnectionStringTest, ConfigurationFailuresAreReportedUnderThePropertyName) {
  host::RegistrationOverride unreadable(Counting<UnreadableConfiguration>());
  const rt::ErrorRecord handled = RaisedBy(
      [] { ConnectionStringApplicationFirst("KorvoCommon.TermsAndCondition.ConnectionString"); });
  EXPECT_EQ(handled.Number, rt::errnum::kComponentBase + 0x1001);
  EXPECT_EQ(handled.Description, Err_FormatMessage("The configuration file is not valid", handled.Number,
                                                   "KorvoCommon.TermsAndCondition.ConnectionString"));

  // The handler-less form lets the error through as raised.
  EXPECT_EQ(RaisedBy([] { ConnectionStringConfigurationOnlyUnhandled(); }).Description,
            "The configuration file is not valid");
}

}  // namespace
}  // namespace korvo::infra
