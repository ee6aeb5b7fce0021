// Korvex.ReferentialChecker on a real database: deletes held back by other
// rows, owned rows that go with their parent, and references that must exist.
#include "platform/korvex/referential_checker.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/data/library_connection.h"
#include "platform/data/register.h"
#include "platform/host/create_as.h"
#include "platform/host/host_scope.h"
#include "platform/korvex/configuration_overrides.h"
#include "platform/korvex/register.h"
#include "support/temp_database.h"

namespace korvo::korvex {
namespace {

rt::Array Values(std::vector<rt::Variant> values) { return rt::Array(std::move(values)); }

class ReferentialCheckerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data::RegisterClasses();
    RegisterClasses();
    ConfigurationOverrides::Set("CONNECTIONS", "KorvoCommonConnection_ConnectionString",
                                db_.ConnectionString());
    data::ForgetLibraryConnectionString();
    Exec("INSERT INTO CURRENCY (CURRENCYCODE, CURRENCYNAME) VALUES ('USD', 'Dollar')");
    Exec("INSERT INTO CURRENCY (CURRENCYCODE, CURRENCYNAME) VALUES ('EUR', 'Euro')");
    Exec("INSERT INTO CURRENCYRATE (CURRENCYCODE, EFFECTIVEDATE) VALUES ('EUR', '2024-01-01')");
    Exec("INSERT INTO WAREHOUSE (WAREHOUSECODE) VALUES ('W1')");
  }
  void TearDown() override {
    ConfigurationOverrides::Clear();
    data::ForgetLibraryConnectionString();
  }

  // Runs a statement on a connection of its own; inside a host scope it
  // joins the scope's transaction.
  void Exec(const std::string& sql) const {
    auto connection = host::CreateAs<contracts::Connection>("ADODB.Connection");
    connection->Open(db_.ConnectionString());
    connection->Execute(sql);
    connection->Close();
  }

  static std::shared_ptr<contracts::ReferentialChecker> Checker() {
    return host::CreateAs<contracts::ReferentialChecker>("Korvex.ReferentialChecker");
  }

  static bool CanDeleteWhere(const char* column, const rt::Variant& value) {
    return Checker()->CanDeleteInComponent("KorvoCommon", "CURRENCY", Values({column}), Values({value}));
  }
  static bool CanDeleteCurrency(const rt::Variant& code) { return CanDeleteWhere("CURRENCYCODE", code); }

  testing::TempDatabase db_;
};

TEST_F(ReferentialCheckerTest, RowsThatOtherTablesShareHoldTheDeleteBackOwnedRowsDoNot) {
  EXPECT_TRUE(CanDeleteCurrency("EUR"));  // only its own rates refer to it
  EXPECT_TRUE(CanDeleteCurrency("USD"));

  Exec("INSERT INTO OFFICE (OFFICEDESCRIPTION, CURRENCYCODE) VALUES ('Head office', 'usd')");
  EXPECT_FALSE(CanDeleteCurrency("USD"));  // codes compare without regard to case
  EXPECT_TRUE(CanDeleteCurrency("EUR"));
  EXPECT_TRUE(CanDeleteCurrency("XXX"));

  // The key may be any column that selects the parent rows.
  EXPECT_FALSE(CanDeleteWhere("currencyname", "Dollar"));
  EXPECT_TRUE(Checker()->CanDeleteInComponent("KorvoCommon", "WAREHOUSE", Values({"WAREHOUSECODE"}),
                                              Values({"W1"})));
}

TEST_F(ReferentialCheckerTest, ReferencesMustExistForEveryValueGiven) {
  auto checker = Checker();
  const rt::Array names = Values({"CURRENCYCODE", "WAREHOUSE", "COSTCENTER"});
  EXPECT_TRUE(checker->ReferencesExist("OFFICE", names, Values({"EUR", "W1", rt::Variant::Null()})));
  // A blank cost centre is a value, and no work centre has it.
  EXPECT_FALSE(checker->ReferencesExist("office", names, Values({"eur", rt::Variant(), "  "})));
  EXPECT_FALSE(checker->ReferencesExist("OFFICE", names, Values({"GBP", "W1", rt::Variant::Null()})));
  EXPECT_FALSE(checker->ReferencesExistInComponent("KorvoCommon", "OFFICE", names,
                                                   Values({"EUR", "W2", rt::Variant::Null()})));
  // Columns that refer to nothing, and tables that refer to nothing, pass.
  EXPECT_TRUE(checker->ReferencesExist("OFFICE", Values({"PROJECTPROP"}), Values({12})));
  EXPECT_TRUE(checker->ReferencesExist("COUNTRY", Values({"COUNTRYCODE"}), Values({"NL"})));
  EXPECT_TRUE(checker->BeforeDelete("OFFICE", Values({"OFFICEDESCRIPTION"}), Values({"x"})));
}

TEST_F(ReferentialCheckerTest, InsideAScopeRowsTheCallerHasNotCommittedCount) {
  {
    host::HostScope scope;
    Exec("INSERT INTO OFFICE (OFFICEDESCRIPTION, CURRENCYCODE) VALUES ('Branch', 'EUR')");
    EXPECT_FALSE(CanDeleteCurrency("EUR"));
    scope.End(/*abort=*/true);
  }
  EXPECT_TRUE(CanDeleteCurrency("EUR"));
}

// The checker asks the database its calling class uses: the scope's web
// application variable before the configuration, and afterwards what this
// thread found first, even when the configuration changes later.
TEST_F(ReferentialCheckerTest, AsksTheDatabaseTheCallingClassUses) {
  testing::TempDatabase web;
  for (const char* sql :
       {"INSERT INTO CURRENCY (CURRENCYCODE, CURRENCYNAME) VALUES ('USD', 'Dollar')",
        "INSERT INTO OFFICE (OFFICEDESCRIPTION, CURRENCYCODE) VALUES ('Web', 'USD')"}) {
    auto connection = host::CreateAs<contracts::Connection>("ADODB.Connection");
    connection->Open(web.ConnectionString());
    connection->Execute(sql);
    connection->Close();
  }
  auto application = rt::Dictionary::Create();
  application->Set(rt::Variant("KorvoCommonConnection_ConnectionString"),
                   rt::Variant(web.ConnectionString()));
  {
    host::HostScope scope({.transactional = true, .application = application, .session = nullptr});
    EXPECT_FALSE(CanDeleteCurrency("USD"));  // the web application's office
  }
  ConfigurationOverrides::Set("CONNECTIONS", "KorvoCommonConnection_ConnectionString",
                              "Driver=SQLite;Database=/nonexistent/elsewhere.db");
  EXPECT_FALSE(CanDeleteCurrency("USD"));
}

TEST_F(ReferentialCheckerTest, MalformedKeysAreRefused) {
  auto numberRaisedBy = [](auto call) {
    try {
      call();
    } catch (const rt::Error& raised) {
      return raised.number();
    }
    return 0;
  };
  auto checker = Checker();
  EXPECT_EQ(numberRaisedBy([&] {
              checker->ReferencesExist("OFFICE", Values({"CURRENCYCODE", "WAREHOUSE"}), Values({"EUR"}));
            }),
            rt::errnum::kInvalidProcedureCall);
  EXPECT_EQ(numberRaisedBy([&] { CanDeleteWhere("1=1 OR CURRENCYCODE", "USD"); }),
            rt::errnum::kTypeMismatch);
}

}  // namespace
}  // namespace korvo::korvex
