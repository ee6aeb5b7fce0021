// Record sets against a real database: value kinds, searches, dates,
// disconnected use and inserting through AddNew.
#include "platform/data/recordset.h"

#include <gtest/gtest.h>

#include "data/data_fixture.h"
#include "platform/data/data_error.h"
#include "platform/data/register.h"
#include "platform/host/registry.h"

namespace korvo::data {
namespace {

using contracts::ParamType;
using rt::VarType;

rt::Date Day(int year, int month, int day) { return *rt::MakeDate({year, month, day}); }

class RecordsetTest : public DataTest {
 protected:
  void AddRate(const char* code, rt::Date effective, rt::Variant expiry) {
    Exec("INSERT INTO CURRENCYRATE VALUES (?, ?, ?, ?, ?, ?)",
         {Param(code), Param(effective), Param(std::move(expiry)), Param(1.5),
          Param(rt::Variant::Null()), Param(std::int32_t{1})});
  }
};

TEST_F(RecordsetTest, FieldKindsSurviveTheRoundTrip) {
  Exec("INSERT CURRENCY VALUES (?, ?, ?, ?, ?, ?, ?)",
       {Param("USD"), Param("Dollar"), Param(true), Param(false), Param(true), Param(std::int16_t{2}),
        Param(rt::Variant::Null())});
  AddRate("USD", *rt::MakeDate({2024, 3, 7, 14, 5, 9}), rt::Variant::Null());
  auto rs = Exec(
      "SELECT C.*, R.EFFECTIVEDATE, R.HOMESALESRATE, R.RATEFACTOR FROM CURRENCY C "
      "JOIN CURRENCYRATE R ON R.CURRENCYCODE = C.CURRENCYCODE");
  const std::vector<std::pair<const char*, VarType>> expected = {
      {"CURRENCYCODE", VarType::String},  {"CURRENCYNAME", VarType::String},
      {"HOMECURRENCY", VarType::Boolean}, {"EURO", VarType::Boolean},
      {"EPC", VarType::Boolean},          {"DECIMALS", VarType::Integer},
      {"LOCALEID", VarType::Long},        {"EFFECTIVEDATE", VarType::Date},
      {"HOMESALESRATE", VarType::Double}, {"RATEFACTOR", VarType::Long}};
  ASSERT_EQ(rs->FieldCount(), static_cast<std::int32_t>(expected.size()));
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(rs->Field(static_cast<std::int32_t>(i)).name, expected[i].first);
    EXPECT_EQ(rs->Field(static_cast<std::int32_t>(i)).type, expected[i].second) << expected[i].first;
  }
  EXPECT_EQ(rs->Value("homecurrency").AsBool(), true);
  EXPECT_EQ(rs->Value("EURO").AsBool(), false);
  EXPECT_EQ(rs->Value("DECIMALS").AsInteger(), 2);
  EXPECT_TRUE(rs->Value("LOCALEID").IsNull());
  EXPECT_EQ(rs->Value("EFFECTIVEDATE").AsDate(), *rt::MakeDate({2024, 3, 7, 14, 5, 9}));
  EXPECT_EQ(rs->Value("HOMESALESRATE").AsDouble(), 1.5);  // a whole 1.0 would be stored as an integer
  EXPECT_EQ(rs->Value("RATEFACTOR").AsLong(), 1);

  auto expressions = Exec("SELECT COUNT(*), 2.5, 'x', NULL, SUM(DECIMALS) FROM CURRENCY");
  EXPECT_EQ(expressions->Field(0).type, VarType::Long);
  EXPECT_EQ(expressions->Field(1).type, VarType::Double);
  EXPECT_EQ(expressions->Field(2).type, VarType::String);
  EXPECT_TRUE(expressions->Value(3).IsNull());
  EXPECT_EQ(expressions->Value(4).AsLong(), 2);
}

// Runs of one prepared statement share its column descriptions; an
// expression column learns its kind from each run's own rows, and what one
// result learnt never shows in another.
TEST_F(RecordsetTest, EachResultKeepsTheKindsItsOwnRowsGave) {
  KORVO_SQLITE_ONLY("PostgreSQL describes an expression column by its type, whatever the rows");
  const char* sql = "SELECT MAX(DECIMALS) AS MOSTDECIMALS FROM CURRENCY";
  auto none = Exec(sql);
  Exec("INSERT CURRENCY VALUES ('USD', 'Dollar', 0, 0, 0, 2, NULL)");
  auto some = Exec(sql);
  EXPECT_EQ(none->Field(0).type, VarType::String);
  EXPECT_EQ(some->Field(0).type, VarType::Long);
  EXPECT_EQ(some->Field(0).name, "MOSTDECIMALS");
  Exec("DELETE FROM CURRENCY");
  EXPECT_EQ(Exec(sql)->Field(0).type, VarType::String);
  EXPECT_EQ(some->Clone()->Field(0).type, VarType::Long);
}

TEST_F(RecordsetTest, MoneyAndDateTextParametersBindAsStored) {
  Exec("INSERT INTO CURRENCYRATE (CURRENCYCODE, EFFECTIVEDATE, HOMESALESRATE) VALUES (?, ?, ?)",
       {Param("EUR"), Param("3/7/2024", ParamType::DateTime), Param(rt::Money::FromUnits(887517))});
  auto rs = Exec("SELECT EFFECTIVEDATE, HOMESALESRATE FROM CURRENCYRATE");
  EXPECT_EQ(rs->Value(0).AsDate(), Day(2024, 3, 7));
  EXPECT_DOUBLE_EQ(rs->Value(1).AsDouble(), 88.7517);
  EXPECT_EQ(Exec("SELECT COUNT(*) FROM CURRENCYRATE WHERE EFFECTIVEDATE = '2024-03-07 00:00:00'")
                ->Value(0)
                .AsLong(),
            1);
}

TEST_F(RecordsetTest, LikeWithBracketEscapesFindsExactlyTheLiteralText) {
  for (const char* name : {"50%_[a]", "50%x[a]", "50a_[a]", "50%_a]", "x50%_[a]y"}) {
    Exec("INSERT BUSINESSPARTNER (NAME) VALUES (?)", {Param(name)});
  }
  auto exact = Exec("SELECT NAME FROM BUSINESSPARTNER WHERE NAME LIKE '50[%][_][[]a]'");
  ASSERT_EQ(exact->RecordCount(), 1);
  EXPECT_EQ(exact->Value("NAME").AsString(), "50%_[a]");
  auto within =
      Exec("SELECT BP.NAME FROM BUSINESSPARTNER BP WHERE BP.NAME LIKE N'%50[%][_][[]a]%' ORDER BY 1");
  ASSERT_EQ(within->RecordCount(), 2);
  EXPECT_EQ(within->Value("NAME").AsString(), "50%_[a]");
  within->MoveNext();
  EXPECT_EQ(within->Value("NAME").AsString(), "x50%_[a]y");
}

TEST_F(RecordsetTest, DatesWrittenAsValuesAreFoundThroughMonthDayYearTexts) {
  AddRate("USD", Day(2024, 1, 1), Day(2024, 3, 7));
  AddRate("USD", Day(2024, 3, 7), rt::Variant::Null());
  AddRate("GBP", Day(2024, 3, 8), rt::Variant::Null());
  const std::string validOn =
      "SELECT CURRENCYCODE, EFFECTIVEDATE FROM CURRENCYRATE WHERE EFFECTIVEDATE <= '3/7/2024' "
      "AND (EXPIRYDATE IS NULL OR EXPIRYDATE > '3/7/2024') ORDER BY CURRENCYCODE";
  auto rs = Exec(validOn);
  ASSERT_EQ(rs->RecordCount(), 1);  // the expiry is exclusive, GBP starts a day later
  EXPECT_EQ(rs->Value("EFFECTIVEDATE").AsDate(), Day(2024, 3, 7));
  EXPECT_EQ(Exec("SELECT * FROM CURRENCYRATE WHERE EFFECTIVEDATE < '3/7/2024 00:00:01'")->RecordCount(),
            2);
  EXPECT_EQ(Exec("SELECT * FROM CURRENCYRATE WHERE EXPIRYDATE = '2024-03-07'")->RecordCount(), 1);
}

TEST_F(RecordsetTest, ADisconnectedRecordSetOutlivesItsConnection) {
  Exec("INSERT INTO COUNTRY VALUES ('NL', 'Netherlands', 'NLD')");
  Exec("INSERT INTO COUNTRY VALUES ('BE', 'Belgium', 'BEL')");
  auto connection = Open();
  auto rs = std::make_shared<Recordset>();
  rs->Open("SELECT COUNTRYCODE FROM COUNTRY ORDER BY COUNTRYCODE", *connection);
  rs->Detach();
  connection->Close();
  connection.reset();
  EXPECT_EQ(Stats().inUse, 0u);
  EXPECT_EQ(rs->Value("COUNTRYCODE").AsString(), "BE");
  rs->MoveNext();
  EXPECT_EQ(rs->Value(0).AsString(), "NL");
  rs->MoveNext();
  EXPECT_TRUE(rs->IsEOF());
  auto clone = rs->Clone();
  EXPECT_EQ(clone->Value(0).AsString(), "BE");
  EXPECT_TRUE(rs->IsEOF());
}

TEST_F(RecordsetTest, CursorRulesAndTheirErrors) {
  auto empty = Exec("SELECT * FROM COUNTRY");
  EXPECT_TRUE(empty->IsBOF());
  EXPECT_TRUE(empty->IsEOF());
  EXPECT_EQ(empty->RecordCount(), 0);
  EXPECT_EQ(empty->FieldCount(), 3);
  empty->MoveFirst();
  EXPECT_EQ(ErrorOf([&] { empty->Value("COUNTRYCODE"); }).Number, contracts::dberr::kNoCurrentRecord);
  EXPECT_EQ(ErrorOf([&] { empty->MoveNext(); }).Number, contracts::dberr::kNoCurrentRecord);

  Exec("INSERT INTO COUNTRY VALUES ('NL', 'Netherlands', 'NLD')");
  Exec("INSERT INTO COUNTRY VALUES ('BE', 'Belgium', 'BEL')");
  auto connection = Open();
  Recordset limited;
  limited.Open("SELECT * FROM COUNTRY", *connection, 1);
  EXPECT_EQ(limited.RecordCount(), 1);
  EXPECT_FALSE(limited.IsBOF());
  const auto unknown = ErrorOf([&] { limited.Value("NOSUCHFIELD"); });
  EXPECT_EQ(unknown.Number, contracts::dberr::kItemNotFound);
  EXPECT_EQ(unknown.Source, "ADODB.Recordset");
  EXPECT_EQ(ErrorOf([&] { limited.Field(3); }).Number, contracts::dberr::kItemNotFound);
  limited.Close();
  EXPECT_EQ(ErrorOf([&] { limited.RecordCount(); }).Number, contracts::dberr::kObjectClosed);
}

// A caller that reads only the first row asks for one: the look-up ends
// there. A limit never cuts a write short.
TEST_F(RecordsetTest, ALimitedExecuteReadsOnlyTheRowsAskedFor) {
  Exec("INSERT INTO COUNTRY VALUES ('NL', 'Netherlands', 'NLD')");
  Exec("INSERT INTO COUNTRY VALUES ('BE', 'Belgium', 'BEL')");
  auto connection = Open();
  auto first =
      connection->Execute("SELECT COUNTRYCODE FROM COUNTRY ORDER BY COUNTRYCODE", {}, nullptr, 1);
  EXPECT_EQ(first->RecordCount(), 1);
  EXPECT_EQ(first->Value(0).AsString(), "BE");
  std::int32_t changed = 0;
  connection->Execute("UPDATE COUNTRY SET COUNTRYNAME = 'x'", {}, &changed, 1);
  EXPECT_EQ(changed, 2);
  EXPECT_EQ(connection->Execute("SELECT * FROM COUNTRY WHERE COUNTRYNAME = 'x'")->RecordCount(), 2);
}

TEST_F(RecordsetTest, AddNewInsertsAndReadsBackTheAssignedKey) {
  auto connection = Open();
  Recordset rs;
  rs.Open("SELECT * FROM ADDRESS WHERE 1 = 0", *connection);
  for (const char* name : {"Main office", "Depot"}) {
    rs.AddNew();
    rs.SetValue("name1", rt::Variant(name));
    rs.SetValue("COUNTRYCODE", rt::Variant("NL"));
    rs.Update();
  }
  ASSERT_EQ(rs.RecordCount(), 2);
  const std::int32_t second = rs.Value("ADDRESSID").AsLong();
  EXPECT_EQ(rs.Value("NAME1").AsString(), "Depot");
  EXPECT_TRUE(rs.Value("CITY1").IsNull());
  auto stored = Exec("SELECT ADDRESSID, NAME1 FROM ADDRESS ORDER BY ADDRESSID");
  EXPECT_EQ(stored->RecordCount(), 2);
  stored->MoveNext();
  EXPECT_EQ(stored->Value(0).AsLong(), second);
  EXPECT_EQ(stored->Value(1).AsString(), "Depot");
  EXPECT_EQ(ErrorOf([&] { rs.SetValue("NAME1", rt::Variant("x")); }).Number, kIllegalOperation);
  rs.Detach();
  rs.AddNew();
  EXPECT_EQ(ErrorOf([&] { rs.Update(); }).Number, contracts::dberr::kObjectClosed);
}

TEST_F(RecordsetTest, KeyTextsCompareWithoutRegardToCase) {
  Exec("INSERT INTO CURRENCY (CURRENCYCODE, CURRENCYNAME) VALUES ('usd', 'Dollar')");
  EXPECT_EQ(Exec("SELECT * FROM CURRENCY WHERE CURRENCYCODE = 'USD'")->RecordCount(), 1);
  EXPECT_EQ(Exec("SELECT * FROM CURRENCY WHERE CURRENCYNAME = 'DOLLAR'")->RecordCount(), 0);
}

TEST_F(RecordsetTest, TheRegistryCreatesBothClasses) {
  RegisterClasses();
  auto connection =
      std::dynamic_pointer_cast<contracts::Connection>(host::CreateObject("adodb.connection"));
  auto recordset =
      std::dynamic_pointer_cast<contracts::Recordset>(host::CreateObject("ADODB.Recordset"));
  ASSERT_TRUE(connection && recordset);
  connection->Open(db_.ConnectionString());
  recordset->Open("SELECT 1 AS ONE", *connection);
  EXPECT_EQ(recordset->Value("ONE").AsLong(), 1);
}

}  // namespace
}  // namespace korvo::data
