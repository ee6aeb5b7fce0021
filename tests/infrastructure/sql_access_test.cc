// Lib_SQL's queries and existence tests on a real database: what they read,
// which statements they issue, what they release, and how they fail.
#include "infrastructure/sql_access.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "infrastructure/sql_test_support.h"
#include "platform/host/host_scope.h"

namespace korvo::infra {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr const char* kCodes = "SELECT CURRENCYCODE FROM CURRENCY ORDER BY CURRENCYCODE";

class SqlAccessTest : public SqlTest {
 protected:
  void AddCurrency(const std::string& code) {
    Run("INSERT INTO CURRENCY(CURRENCYCODE,CURRENCYNAME) VALUES ('" + code + "','" + code + "')");
  }

  static rt::DictionaryRef CodeEntry(rt::Variant code) {
    auto values = rt::Dictionary::Create();
    values->Add("CURRENCYCODE", std::move(code));
    return values;
  }
};

TEST_F(SqlAccessTest, DisconnectedRecordsetStaysReadableAfterItsConnectionIsGone) {
  AddCurrency("USD");
  AddCurrency("EUR");
  RecordsetRef rows = Sql_GetDisconnectedRecordset(kCodes, Cs(), true);
  EXPECT_EQ(ConnectionsInUse(), 0u);
  EXPECT_THAT(Statements(), ElementsAre(kReadCommitted, kCodes));
  ASSERT_EQ(rows->RecordCount(), 2);
  EXPECT_EQ(rt::CStr(rows->Value("CURRENCYCODE")), "EUR");
  rows->MoveNext();
  EXPECT_EQ(rt::CStr(rows->Value("CURRENCYCODE")), "USD");
}

TEST_F(SqlAccessTest, IsolationStatementOnlyWhenReadCommittedIsTrue) {
  Sql_GetDisconnectedRecordset(kCodes, Cs());
  Sql_GetDisconnectedRecordset(kCodes, Cs(), false);
  EXPECT_THAT(Statements(), ElementsAre(kCodes, kCodes));
}

TEST_F(SqlAccessTest, EmptyTableGivesAnEmptyRecordsetNotAnError) {
  RecordsetRef rows = Sql_GetDisconnectedRecordset(kCodes, Cs(), true);
  EXPECT_TRUE(rows->IsBOF());
  EXPECT_TRUE(rows->IsEOF());
}

TEST_F(SqlAccessTest, FailingDisconnectedQueryRaisesTheDatabaseNumberAndTheStatement) {
  const rt::ErrorRecord error =
      RaisedBy([&] { Sql_GetDisconnectedRecordset("SELECT * FROM NOSUCHTABLE", Cs(), true); });
  EXPECT_EQ(error.Number, contracts::dberr::kSyntax);
  EXPECT_THAT(error.Description, HasSubstr(" METHOD: Lib_SQL.Sql_GetDisconnectedRecordset\r\n"));
  EXPECT_THAT(error.Description, HasSubstr(" INFO: Error(s) from connection object:  (1)"));
  EXPECT_THAT(error.Description, HasSubstr(" executing: 'SELECT * FROM NOSUCHTABLE'.\r\n"));
  EXPECT_EQ(ConnectionsInUse(), 0u);
}

TEST_F(SqlAccessTest, UnopenableConnectionFailsThroughGetOpenConnection) {
  const rt::ErrorRecord error = RaisedBy([] { Sql_GetOpenConnection("Driver=NoSuchDriver;"); });
  EXPECT_EQ(error.Number, contracts::dberr::kProvider);
  EXPECT_THAT(error.Description, HasSubstr(" METHOD: Lib_SQL.Sql_GetOpenConnection\r\n"));
  EXPECT_THAT(error.Description, Not(HasSubstr(" INFO: ")));
}

TEST_F(SqlAccessTest, ReadonlyRecordsetLeavesTheCallersConnectionOpenEvenOnFailure) {
  AddCurrency("EUR");
  ConnectionRef connection = Sql_GetOpenConnection(Cs());
  RecordsetRef rows = Sql_GetReadonlyRecordset(kCodes, *connection);
  EXPECT_EQ(rt::CStr(rows->Value(0)), "EUR");

  const rt::ErrorRecord error =
      RaisedBy([&] { Sql_GetReadonlyRecordset("SELECT * FROM NOSUCHTABLE", *connection); });
  EXPECT_EQ(error.Number, contracts::dberr::kSyntax);
  EXPECT_THAT(error.Description, HasSubstr(" METHOD: Lib_SQL.Sql_GetReadonlyRecordset\r\n"));
  EXPECT_THAT(error.Description, HasSubstr(" executing: 'SELECT * FROM NOSUCHTABLE'.\r\n"));
  EXPECT_TRUE(connection->IsOpen());
  Sql_CloseRecordset(rows);
  Sql_CloseConnection(connection);
  EXPECT_EQ(connection, nullptr);
  EXPECT_EQ(ConnectionsInUse(), 0u);
}

TEST_F(SqlAccessTest, RecordExistsAnswersAndReleasesWithoutAHandlerOfItsOwn) {
  EXPECT_FALSE(Sql_RecordExists(kCodes, Cs()));
  AddCurrency("EUR");
  EXPECT_TRUE(Sql_RecordExists(kCodes, Cs(), true));
  EXPECT_THAT(Statements(), ElementsAre(kReadCommitted, kCodes));

  const rt::ErrorRecord error = RaisedBy([&] { Sql_RecordExists("SELECT * FROM NOSUCHTABLE", Cs()); });
  EXPECT_EQ(error.Number, contracts::dberr::kSyntax);
  EXPECT_THAT(error.Description, Not(HasSubstr(" METHOD: "))) << "reaches the caller unenriched";
  EXPECT_EQ(ConnectionsInUse(), 0u);
}

TEST_F(SqlAccessTest, ExistsInTableWithAnAbsentKeyLeavesTheConnectionAlone) {
  ConnectionRef connection = Sql_GetOpenConnection(Cs());
  rt::Dictionary values;
  EXPECT_FALSE(Sql_ExistsInTable("CURRENCY", values, "CURRENCYCODE", "CURRENCYCODE", connection));
  ASSERT_NE(connection, nullptr);
  EXPECT_TRUE(connection->IsOpen());
  EXPECT_THAT(Statements(), IsEmpty());
  Sql_CloseConnection(connection);
}

TEST_F(SqlAccessTest, ExistsInTableFindsTheRowAndClosesTheCallersConnection) {
  AddCurrency("EUR");
  ConnectionRef connection = Sql_GetOpenConnection(Cs());
  const ConnectionRef kept = connection;
  rt::DictionaryRef values = CodeEntry("EUR");
  EXPECT_TRUE(Sql_FieldExistsInTable("CURRENCY", *values, "CURRENCYCODE", connection));
  EXPECT_EQ(connection, nullptr);
  EXPECT_FALSE(kept->IsOpen());
  EXPECT_THAT(Statements(), ElementsAre("SELECT * FROM CURRENCY WHERE (CURRENCYCODE='EUR')"));

  connection = Sql_GetOpenConnection(Cs());
  rt::DictionaryRef other = CodeEntry("GBP");
  EXPECT_FALSE(Sql_ExistsInTable("CURRENCY", *other, "CURRENCYCODE", "CURRENCYCODE", connection));
  EXPECT_EQ(ConnectionsInUse(), 0u);
}

TEST_F(SqlAccessTest, ExistsInTableWritesANullValueAsTheNullLiteral) {
  AddCurrency("EUR");
  ConnectionRef connection = Sql_GetOpenConnection(Cs());
  rt::DictionaryRef values = CodeEntry(rt::Variant::Null());
  EXPECT_FALSE(Sql_ExistsInTable("CURRENCY", *values, "CURRENCYCODE", "CURRENCYCODE", connection));
  EXPECT_THAT(Statements(), ElementsAre("SELECT * FROM CURRENCY WHERE (CURRENCYCODE=null)"));
}

TEST_F(SqlAccessTest, ExistsInTableFailureClosesVotesAbortAndNamesTheProcedure) {
  rt::ErrorRecord error;
  {
    host::HostScope scope;
    ConnectionRef connection = Sql_GetOpenConnection(Cs());
    rt::DictionaryRef values = CodeEntry("EUR");
    error = RaisedBy(
        [&] { Sql_ExistsInTable("NOSUCHTABLE", *values, "CURRENCYCODE", "CURRENCYCODE", connection); });
    EXPECT_EQ(connection, nullptr);
    EXPECT_EQ(scope.End(), host::Outcome::Aborted);
  }
  EXPECT_EQ(error.Number, contracts::dberr::kSyntax);
  EXPECT_THAT(error.Description, HasSubstr(" METHOD: Sql_ExistsInTable\r\n"));
  EXPECT_EQ(ConnectionsInUse(), 0u);
}

TEST_F(SqlAccessTest, ExistsInTableRefusesAColumnThatIsNotAPlainName) {
  ConnectionRef connection = Sql_GetOpenConnection(Cs());
  rt::DictionaryRef values = CodeEntry("EUR");
  const rt::ErrorRecord error = RaisedBy([&] {
    Sql_ExistsInTable("CURRENCY", *values, "CURRENCYCODE", "CURRENCYCODE OR 1=1 OR CURRENCYCODE",
                      connection);
  });
  EXPECT_EQ(error.Number, rt::errnum::kTypeMismatch);
  EXPECT_THAT(error.Description, HasSubstr("Invalid identifier: CURRENCYCODE OR 1=1"));
  EXPECT_THAT(Statements(), IsEmpty());
  EXPECT_EQ(connection, nullptr);
  EXPECT_EQ(ConnectionsInUse(), 0u);
}

}  // namespace
}  // namespace korvo::infra
