// SQL literals, escapes, the unquoted-input guards, and the statement
// builders on a real database.
#include "infrastructure/sql_build.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "infrastructure/sql_test_support.h"
#include "platform/contracts/result_object.h"
#include "platform/host/host_scope.h"
#include "platform/runtime/date.h"

namespace korvo::infra {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

rt::Date MakeDate(int year, int month, int day, int hour = 0, int minute = 0) {
  return *rt::MakeDate({.year = year, .month = month, .day = day, .hour = hour, .minute = minute});
}

TEST(GenSqlValue, MakesLiteralsByKind) {
  EXPECT_EQ(Gen_SqlValue("O'Neil"), "'O''Neil'");
  EXPECT_EQ(Gen_SqlValue(true), "1");
  EXPECT_EQ(Gen_SqlValue(false), "0");
  EXPECT_EQ(Gen_SqlValue(rt::Variant()), "null");
  EXPECT_EQ(Gen_SqlValue(rt::Variant::Null()), "null");
  EXPECT_EQ(Gen_SqlValue(""), "''");
  EXPECT_EQ(Gen_SqlValue(std::int16_t{-3}), "-3");
  EXPECT_EQ(Gen_SqlValue(std::int32_t{2147483647}), "2147483647");
  EXPECT_EQ(Gen_SqlValue(1.5), "1.5");
  EXPECT_EQ(Gen_SqlValue(rt::Money::FromUnits(887517)), "88.7517");
  EXPECT_EQ(Gen_SqlValue(MakeDate(2024, 3, 7)), "'2024-03-07'");
  EXPECT_EQ(Gen_SqlValue(MakeDate(2024, 3, 7, 14, 5)), "'2024-03-07 14:05:00'");
}

TEST(GenSqlValue, EscapesQuotesAndLikePatterns) {
  EXPECT_EQ(Gen_SqlQuote("it's ''"), "it''s ''''");
  EXPECT_EQ(Gen_SqlLikeEscape("50%_[a]"), "50[%][_][[]a]");
  EXPECT_EQ(Gen_SqlLikeEscape("O'Neil_"), "O''Neil[_]");
}

TEST(GenSqlDate, MonthDayYearWithoutLeadingZerosOrEmptyOnFailure) {
  EXPECT_EQ(Gen_SqlDate(MakeDate(1999, 12, 31)), "12/31/1999");
  EXPECT_EQ(Gen_SqlDate(MakeDate(2004, 3, 5, 23, 59)), "3/5/2004");
  EXPECT_EQ(Gen_SqlDate("2024-03-07"), "3/7/2024");
  EXPECT_EQ(Gen_SqlDate("not a date"), "");
  EXPECT_EQ(Gen_SqlDate(rt::Variant::Null()), "");
}

std::int32_t Raised(const std::function<void()>& call) {
  try {
    call();
  } catch (const rt::Error& e) {
    return e.number();
  }
  return 0;
}

TEST(SqlIntegerLiteral, AcceptsOnlyWholeNumbersInRange) {
  EXPECT_EQ(Sql_IntegerLiteral(std::int32_t{42}), "42");
  EXPECT_EQ(Sql_IntegerLiteral(" -17 "), "-17");
  EXPECT_EQ(Sql_IntegerLiteral(3.0), "3");
  EXPECT_EQ(Sql_IntegerLiteral(std::int16_t{-32768}, 16), "-32768");
  EXPECT_EQ(Sql_IntegerLiteral(rt::Money::FromUnits(50000)), "5");
  for (const rt::Variant& bad :
       {rt::Variant(2.5), rt::Variant("12abc"), rt::Variant("1; DELETE FROM X"), rt::Variant::Null(),
        rt::Variant(), rt::Variant(true), rt::Variant(MakeDate(2024, 1, 1)),
        rt::Variant(rt::Money::FromUnits(1))}) {
    EXPECT_EQ(Raised([&] { Sql_IntegerLiteral(bad); }), rt::errnum::kTypeMismatch) << rt::TypeName(bad);
  }
  EXPECT_EQ(Raised([] { Sql_IntegerLiteral(std::int32_t{32768}, 16); }), rt::errnum::kOverflow);
  EXPECT_EQ(Raised([] { Sql_IntegerLiteral(2147483648.0); }), rt::errnum::kOverflow);
  EXPECT_EQ(Raised([] { Sql_IntegerLiteral("1e300"); }), rt::errnum::kOverflow);
  EXPECT_EQ(Raised([] { Sql_IntegerLiteral(std::int32_t{1}, 64); }), rt::errnum::kInvalidProcedureCall);
}

TEST(SqlIdentifier, AcceptsOnlyPlainNames) {
  EXPECT_EQ(Sql_Identifier("ZRK_ZRKID"), "ZRK_ZRKID");
  EXPECT_EQ(Sql_Identifier("FinancialDimension1"), "FinancialDimension1");
  for (const rt::Variant& bad :
       {rt::Variant("1ST"), rt::Variant("A B"), rt::Variant(""), rt::Variant("[NAME]"),
        rt::Variant("A.B"), rt::Variant(std::int32_t{5}), rt::Variant::Null()}) {
    EXPECT_EQ(Raised([&] { Sql_Identifier(bad); }), rt::errnum::kTypeMismatch) << rt::TypeName(bad);
  }
  try {
    Sql_Identifier("NAME;--");
    ADD_FAILURE() << "accepted";
  } catch (const rt::Error& e) {
    EXPECT_EQ(e.record().Description, "Invalid identifier: NAME;--");
  }
}

class SqlBuildTest : public SqlTest {
 protected:
  static rt::DictionaryRef Entries(std::initializer_list<std::pair<const char*, rt::Variant>> entries) {
    auto d = rt::Dictionary::Create();
    for (const auto& [key, value] : entries) d->Add(key, value);
    return d;
  }

  static rt::DictionaryRef Term(const char* code, const char* description, std::int32_t days) {
    return Entries({{"PAYMENTTERMCODE", code}, {"DESCRIPTION", description}, {"NETDAYS", days}});
  }

  std::string Description(const char* code) {
    return rt::CStr(
        Scalar(std::string("SELECT DESCRIPTION FROM PAYMENTTERM WHERE PAYMENTTERMCODE='") + code + "'"));
  }

  std::int32_t Terms() { return rt::CLng(Scalar("SELECT COUNT(*) FROM PAYMENTTERM")); }

  // Runs a builder on a fresh connection and checks the builder closed it.
  template <class Builder>
  rt::ErrorRecord Failing(Builder builder) {
    ConnectionRef connection = Sql_GetOpenConnection(Cs());
    const rt::ErrorRecord error = RaisedBy([&] { builder(connection); });
    EXPECT_FALSE(connection->IsOpen());
    EXPECT_EQ(ConnectionsInUse(), 0u);
    return error;
  }
};

TEST_F(SqlBuildTest, InsertWritesTheRowAndReturnsAFreshResult) {
  rt::DictionaryRef values = Term("N'30", "Net 30", 30);
  ConnectionRef connection = Sql_GetOpenConnection(Cs());
  rt::ObjectRef result = Sql_InsertTable("PAYMENTTERM", *values, connection);

  EXPECT_THAT(Statements(), ElementsAre("INSERT PAYMENTTERM(PAYMENTTERMCODE,DESCRIPTION,NETDAYS) "
                                        "VALUES ('N''30','Net 30',30)"));
  auto typed = std::dynamic_pointer_cast<contracts::ResultObject>(result);
  ASSERT_NE(typed, nullptr);
  EXPECT_TRUE(typed->Succeeded());
  EXPECT_THAT(typed->MessageList(), IsEmpty());
  EXPECT_FALSE(connection->IsOpen());
  EXPECT_EQ(ConnectionsInUse(), 0u);
  EXPECT_EQ(Description("N''30"), "Net 30");
}

TEST_F(SqlBuildTest, UpdateChangesTheKeyedRowOnly) {
  rt::DictionaryRef first = Term("N30", "Net 30", 30);
  Sql_InsertTable("PAYMENTTERM", *first, Sql_GetOpenConnection(Cs()));
  rt::DictionaryRef second = Term("N60", "Net 60", 60);
  Sql_InsertTable("PAYMENTTERM", *second, Sql_GetOpenConnection(Cs()));
  ForgetStatements();

  rt::DictionaryRef values = Entries({{"DESCRIPTION", "Net 45"}, {"NETDAYS", rt::Variant::Null()}});
  rt::DictionaryRef keys = Entries({{"PAYMENTTERMCODE", "N30"}, {"DESCRIPTION", "Net 30"}});
  Sql_UpdateTable("PAYMENTTERM", *values, *keys, Sql_GetOpenConnection(Cs()));

  EXPECT_THAT(Statements(), ElementsAre("UPDATE PAYMENTTERM SET DESCRIPTION='Net 45',NETDAYS=null "
                                        "WHERE PAYMENTTERMCODE='N30' AND DESCRIPTION='Net 30'"));
  EXPECT_EQ(Description("N30"), "Net 45");
  EXPECT_EQ(Description("N60"), "Net 60");
  EXPECT_EQ(ConnectionsInUse(), 0u);
}

TEST_F(SqlBuildTest, UpdateWithoutKeysIsRejectedAndChangesNothing) {
  rt::DictionaryRef row = Term("N30", "Net 30", 30);
  Sql_InsertTable("PAYMENTTERM", *row, Sql_GetOpenConnection(Cs()));
  ForgetStatements();

  rt::DictionaryRef values = Entries({{"DESCRIPTION", "Everything"}});
  rt::Dictionary noKeys;
  const rt::ErrorRecord error =
      Failing([&](ConnectionRef& c) { Sql_UpdateTable("PAYMENTTERM", *values, noKeys, c); });

  EXPECT_THAT(Statements(), ElementsAre("UPDATE PAYMENTTERM SET DESCRIPTION='Everything' WHERE "));
  EXPECT_EQ(error.Number, contracts::dberr::kSyntax);
  EXPECT_THAT(error.Description, HasSubstr(" METHOD: Sql_UpdateTable\r\n"));
  EXPECT_EQ(Description("N30"), "Net 30");
}

TEST_F(SqlBuildTest, InsertWithoutColumnsIsRejected) {
  rt::Dictionary none;
  const rt::ErrorRecord error =
      Failing([&](ConnectionRef& c) { Sql_InsertTable("PAYMENTTERM", none, c); });
  EXPECT_THAT(Statements(), ElementsAre("INSERT PAYMENTTERM() VALUES ()"));
  EXPECT_EQ(error.Number, contracts::dberr::kSyntax);
  EXPECT_THAT(error.Description, HasSubstr(" METHOD: Sql_InsertTable\r\n"));
  EXPECT_EQ(Terms(), 0);
}

TEST_F(SqlBuildTest, UnicodeBuildersWriteEveryValueAsUnicodeText) {
  rt::DictionaryRef values = Term("N'30", "Net 30", 30);
  Sql_InsertTableUnicode("PAYMENTTERM", *values, Sql_GetOpenConnection(Cs()));
  rt::DictionaryRef changes = Entries({{"DESCRIPTION", "Net \xE2\x82\xAC"}});
  rt::DictionaryRef keys = Entries({{"PAYMENTTERMCODE", "N'30"}});
  Sql_UpdateTableUnicode("PAYMENTTERM", *changes, *keys, Sql_GetOpenConnection(Cs()));
  EXPECT_THAT(
      Statements(),
      ElementsAre(
          "INSERT PAYMENTTERM(PAYMENTTERMCODE,DESCRIPTION,NETDAYS) "
          "VALUES (N'N''30',N'Net 30',N'30')",
          "UPDATE PAYMENTTERM SET DESCRIPTION=N'Net \xE2\x82\xAC' WHERE PAYMENTTERMCODE=N'N''30'"));
  EXPECT_EQ(Description("N''30"), "Net \xE2\x82\xAC");

  Sql_DeleteTableUnicode("PAYMENTTERM", *keys, Sql_GetOpenConnection(Cs()));
  EXPECT_THAT(Statements(), ElementsAre("DELETE FROM PAYMENTTERM WHERE PAYMENTTERMCODE=N'N''30'"));
  EXPECT_EQ(Terms(), 0);
  EXPECT_EQ(ConnectionsInUse(), 0u);
}

TEST_F(SqlBuildTest, UnicodeBuilderRefusesNullBeforeWritingAnything) {
  rt::DictionaryRef values = Entries({{"PAYMENTTERMCODE", "N30"}, {"DESCRIPTION", rt::Variant::Null()}});
  const rt::ErrorRecord error =
      Failing([&](ConnectionRef& c) { Sql_InsertTableUnicode("PAYMENTTERM", *values, c); });
  EXPECT_EQ(error.Number, rt::errnum::kInvalidUseOfNull);
  EXPECT_THAT(error.Description, HasSubstr(" METHOD: Sql_InsertTableUnicode\r\n"));
  EXPECT_THAT(Statements(), IsEmpty());
  EXPECT_EQ(Terms(), 0);
}

TEST_F(SqlBuildTest, ColumnNamesThatAreNotPlainNamesAreRefused) {
  rt::DictionaryRef values = Entries({{"DESCRIPTION='x' WHERE 1=1 --", "y"}});
  rt::DictionaryRef keys = Entries({{"PAYMENTTERMCODE", "N30"}});
  const rt::ErrorRecord error =
      Failing([&](ConnectionRef& c) { Sql_UpdateTableUnicode("PAYMENTTERM", *values, *keys, c); });
  EXPECT_EQ(error.Number, rt::errnum::kTypeMismatch);
  EXPECT_THAT(error.Description, HasSubstr("Invalid identifier: DESCRIPTION='x'"));
  EXPECT_THAT(Statements(), IsEmpty());

  const rt::ErrorRecord table =
      Failing([&](ConnectionRef& c) { Sql_DeleteTableUnicode("PAYMENTTERM;", *keys, c); });
  EXPECT_EQ(table.Number, rt::errnum::kTypeMismatch);
}

TEST_F(SqlBuildTest, NoConnectionIsObjectNotSet) {
  rt::DictionaryRef values = Term("N30", "Net 30", 30);
  const rt::ErrorRecord error = RaisedBy([&] { Sql_InsertTable("PAYMENTTERM", *values, nullptr); });
  EXPECT_EQ(error.Number, rt::errnum::kObjectNotSet);
}

TEST_F(SqlBuildTest, VotesDecideTheCallersTransaction) {
  {
    host::HostScope scope;
    rt::DictionaryRef row = Term("N30", "Net 30", 30);
    Sql_InsertTable("PAYMENTTERM", *row, Sql_GetOpenConnection(Cs()));
    EXPECT_EQ(scope.End(), host::Outcome::Committed);
  }
  {
    host::HostScope scope;
    rt::DictionaryRef row = Term("N60", "Net 60", 60);
    Sql_InsertTable("PAYMENTTERM", *row, Sql_GetOpenConnection(Cs()));
    rt::DictionaryRef duplicate = Term("N30", "Again", 30);
    const rt::ErrorRecord error =
        RaisedBy([&] { Sql_InsertTable("PAYMENTTERM", *duplicate, Sql_GetOpenConnection(Cs())); });
    EXPECT_EQ(error.Number, contracts::dberr::kConstraint);
    EXPECT_EQ(scope.End(), host::Outcome::Aborted);
  }
  EXPECT_EQ(Terms(), 1) << "the aborted scope's first insert is rolled back with it";
  EXPECT_EQ(Description("N30"), "Net 30");
  EXPECT_EQ(ConnectionsInUse(), 0u);
}

}  // namespace
}  // namespace korvo::infra
