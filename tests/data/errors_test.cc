// Error numbers, the connection's error list, the statement trace and the
// statement fault hook.
#include <gtest/gtest.h>

#include "data/data_fixture.h"
#include "platform/data/data_error.h"
#include "platform/data/fault_injection.h"
#include "platform/data/statement_trace.h"
#include "platform/runtime/conversions.h"

namespace korvo::data {
namespace {

using contracts::dberr::kConstraint;
using contracts::dberr::kSyntax;

class ErrorsTest : public DataTest {};

TEST_F(ErrorsTest, MalformedStatementsRaiseTheSyntaxNumber) {
  auto connection = Open();
  for (const char* sql : {"SELEC * FROM COUNTRY", "SELECT * FROM NOSUCHTABLE",
                          "SELECT NOSUCHCOLUMN FROM COUNTRY", "SELECT 1; SELECT 2"}) {
    const auto error = ErrorOf([&] { connection->Execute(sql); });
    EXPECT_EQ(error.Number, kSyntax) << sql;
    ASSERT_EQ(connection->Errors().size(), 1u) << sql;
    EXPECT_EQ(connection->Errors()[0].description, error.Description);
    if (testing::TestBackend() == testing::Backend::SQLite) {
      EXPECT_EQ(connection->Errors()[0].nativeError, 1) << sql;  // SQLITE_ERROR
    }
  }
  // PostgreSQL names the table as it folded it.
  EXPECT_NE(rt::UCase(ErrorOf([&] { connection->Execute("SELECT * FROM NOSUCHTABLE"); }).Description)
                .find("NOSUCHTABLE"),
            std::string::npos);
  connection->Execute("SELECT 1");
  EXPECT_TRUE(connection->Errors().empty());  // each operation starts a fresh list
}

TEST_F(ErrorsTest, ConstraintViolationsRaiseTheConstraintNumber) {
  Exec("INSERT INTO COUNTRY VALUES ('NL', 'Netherlands', 'NLD')");
  auto connection = Open();
  const auto error =
      ErrorOf([&] { connection->Execute("INSERT INTO COUNTRY VALUES ('nl', 'Again', 'NLD')"); });
  EXPECT_EQ(error.Number, kConstraint);
  ASSERT_EQ(connection->Errors().size(), 1u);
  if (testing::TestBackend() == testing::Backend::SQLite) {
    EXPECT_EQ(connection->Errors()[0].nativeError, 1555);  // SQLITE_CONSTRAINT_PRIMARYKEY
  }
  EXPECT_EQ(Count("COUNTRY"), 1);
}

TEST_F(ErrorsTest, MisuseOfTheObjectsRaisesTheirOwnNumbers) {
  auto connection = std::make_shared<Connection>();
  EXPECT_EQ(ErrorOf([&] { connection->Execute("SELECT 1"); }).Number, contracts::dberr::kObjectClosed);
  EXPECT_EQ(ErrorOf([&] { connection->Close(); }).Number, contracts::dberr::kObjectClosed);
  connection->Open(db_.ConnectionString());
  EXPECT_EQ(ErrorOf([&] { connection->Open(db_.ConnectionString()); }).Number, kObjectOpen);
  EXPECT_EQ(ErrorOf([&] {
              connection->Execute("SELECT ?", std::vector{Param(1.0), Param(2.0)});
            }).Number,
            contracts::dberr::kProvider);
  auto fresh = std::make_shared<Connection>();
  const auto error = ErrorOf([&] { fresh->Open("Driver=Oracle;Password=s3cret"); });
  EXPECT_EQ(error.Description, "Unknown driver 'Oracle'");
  EXPECT_FALSE(fresh->IsOpen());
  ASSERT_EQ(fresh->Errors().size(), 1u);
}

TEST_F(ErrorsTest, TheTraceShowsStatementsAsTheLibraryIssuedThem) {
  std::vector<std::pair<std::string, std::vector<rt::Variant>>> seen;
  {
    auto subscription = StatementTrace::Subscribe([&](const std::string& sql, auto params) {
      std::vector<rt::Variant> values;
      for (const auto& p : params) values.push_back(p.value);
      seen.emplace_back(sql, values);
    });
    auto connection = Open();
    connection->Execute("set TRANSACTION ISOLATION LEVEL READ COMMITTED");
    connection->Execute("INSERT COUNTRY (COUNTRYCODE) VALUES (N'NL')");
    connection->Execute("SELECT * FROM COUNTRY WHERE COUNTRYCODE = ?", std::vector{Param("NL")});
  }
  Exec("SELECT 1");  // after the subscription ended
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].first, "set TRANSACTION ISOLATION LEVEL READ COMMITTED");
  EXPECT_EQ(seen[1].first, "INSERT COUNTRY (COUNTRYCODE) VALUES (N'NL')");
  ASSERT_EQ(seen[2].second.size(), 1u);
  EXPECT_EQ(seen[2].second[0].AsString(), "NL");
}

TEST_F(ErrorsTest, AnArmedFaultFailsExactlyTheNthStatementWithoutRunningIt) {
  auto connection = Open();
  {
    StatementFault fault(2, static_cast<std::int32_t>(0x80040E31u), "Query timeout expired");
    connection->Execute("INSERT INTO COUNTRY (COUNTRYCODE) VALUES ('NL')");
    const auto error =
        ErrorOf([&] { connection->Execute("INSERT INTO COUNTRY (COUNTRYCODE) VALUES ('BE')"); });
    EXPECT_EQ(error.Number, static_cast<std::int32_t>(0x80040E31u));
    EXPECT_EQ(error.Description, "Query timeout expired");
    ASSERT_EQ(connection->Errors().size(), 1u);
    connection->Execute("INSERT INTO COUNTRY (COUNTRYCODE) VALUES ('DE')");  // fires once
  }
  EXPECT_EQ(Count("COUNTRY"), 2);
  {
    StatementFault fault(1, contracts::dberr::kProvider, "never");
    StatementFault::Clear();
    EXPECT_NO_THROW(connection->Execute("SELECT 1"));
  }
}

}  // namespace
}  // namespace korvo::data
