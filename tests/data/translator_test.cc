// The SQLite dialect translation: what it rewrites and, as importantly, what
// it must leave alone.
#include "platform/data/sqlite/sqlite_translator.h"

#include <gtest/gtest.h>

namespace korvo::data {
namespace {

std::string T(std::string_view sql) { return SqliteTranslator().Translate(sql); }

TEST(Translator, InsertWithoutIntoGetsInto) {
  EXPECT_EQ(T("INSERT CURRENCY (CURRENCYCODE) VALUES ('USD')"),
            "INSERT INTO CURRENCY (CURRENCYCODE) VALUES ('USD')");
  EXPECT_EQ(T("insert COUNTRY values ('NL', 'Netherlands', 'NLD')"),
            "insert INTO COUNTRY values ('NL', 'Netherlands', 'NLD')");
  EXPECT_EQ(T("INSERT INTO COUNTRY VALUES ('x')"), "INSERT INTO COUNTRY VALUES ('x')");
}

TEST(Translator, NationalLiteralsLoseTheirPrefix) {
  EXPECT_EQ(T("SELECT * FROM PAYMENTTERM WHERE  ( PAYMENTTERMCODE = N'O''X')"),
            "SELECT * FROM PAYMENTTERM WHERE  ( PAYMENTTERMCODE = 'O''X')");
  EXPECT_EQ(T("SELECT n'a', NAME FROM COUNTRY"), "SELECT 'a', NAME FROM COUNTRY");
}

TEST(Translator, LikeBracketEscapesBecomeBackslashEscapes) {
  EXPECT_EQ(T("SELECT NAME FROM BUSINESSPARTNER WHERE NAME LIKE '%50[%][_][[]a]%'"),
            "SELECT NAME FROM BUSINESSPARTNER WHERE NAME LIKE '%50\\%\\_[a]%' ESCAPE '\\'");
  EXPECT_EQ(BracketToBackslashPattern("[x]y\\"), "xy\\\\");
  // Plain patterns and patterns with real character classes stay as written.
  EXPECT_EQ(T("SELECT 1 WHERE A LIKE '%abc%'"), "SELECT 1 WHERE A LIKE '%abc%'");
  EXPECT_EQ(BracketToBackslashPattern("[a-z]%"), std::nullopt);
  EXPECT_EQ(T("SELECT 1 WHERE A LIKE '[%]' ESCAPE '!'"), "SELECT 1 WHERE A LIKE '[%]' ESCAPE '!'");
}

TEST(Translator, ReadCommittedStatementBecomesNothing) {
  EXPECT_EQ(T("set TRANSACTION ISOLATION LEVEL READ COMMITTED"), "");
  EXPECT_EQ(T("SET transaction isolation level read committed;"), "");
  EXPECT_EQ(T("SET TRANSACTION ISOLATION LEVEL SERIALIZABLE"),
            "SET TRANSACTION ISOLATION LEVEL SERIALIZABLE");
}

TEST(Translator, DateLiteralsComparedWithDateColumnsTakeTheStoredForm) {
  EXPECT_EQ(
      T("SELECT CURRENCYCODE FROM CURRENCYRATE WHERE CURRENCYCODE = 'USD' AND EFFECTIVEDATE <= '3/7/2024' "
        "AND (EXPIRYDATE IS NULL OR EXPIRYDATE > '3/7/2024')"),
      "SELECT CURRENCYCODE FROM CURRENCYRATE WHERE CURRENCYCODE = 'USD' AND EFFECTIVEDATE <= "
      "'2024-03-07 00:00:00' AND (EXPIRYDATE IS NULL OR EXPIRYDATE > '2024-03-07 00:00:00')");
  // No blank before AND, a qualified column, the literal on the left, ISO text.
  EXPECT_EQ(T("SELECT 1 FROM CURRENCYRATE R WHERE R.EFFECTIVEDATE > '12/31/1999 14:05:00'AND "
              "'2024-03-07' < R.EXPIRYDATE"),
            "SELECT 1 FROM CURRENCYRATE R WHERE R.EFFECTIVEDATE > '1999-12-31 14:05:00'AND "
            "'2024-03-07 00:00:00' < R.EXPIRYDATE");
  // A text column, and a date column compared with text that is no date.
  EXPECT_EQ(T("SELECT 1 FROM CURRENCYRATE WHERE CURRENCYCODE = '3/7/2024' OR EFFECTIVEDATE = 'soon'"),
            "SELECT 1 FROM CURRENCYRATE WHERE CURRENCYCODE = '3/7/2024' OR EFFECTIVEDATE = 'soon'");
}

TEST(Translator, DateLiteralsWrittenIntoDateColumnsTakeTheStoredForm) {
  EXPECT_EQ(
      T("INSERT INTO CURRENCYRATE (CURRENCYCODE, EXPIRYDATE, EFFECTIVEDATE) VALUES "
        "('USD', NULL, '3/7/2024'), ('EUR', '1/2/2025', '3/7/2024')"),
      "INSERT INTO CURRENCYRATE (CURRENCYCODE, EXPIRYDATE, EFFECTIVEDATE) VALUES "
      "('USD', NULL, '2024-03-07 00:00:00'), ('EUR', '2025-01-02 00:00:00', '2024-03-07 00:00:00')");
  // Without a column list the values follow the table's column order.
  EXPECT_EQ(T("INSERT CURRENCYRATE VALUES (N'3/7/2024', '3/7/2024', null, 1, 2, 1)"),
            "INSERT INTO CURRENCYRATE VALUES ('3/7/2024', '2024-03-07 00:00:00', null, 1, 2, 1)");
  EXPECT_EQ(T("UPDATE OFFICE SET CREDITCARDEXPIRY = '2/1/2026', WAREHOUSE = '2/1/2026'"),
            "UPDATE OFFICE SET CREDITCARDEXPIRY = '2026-02-01 00:00:00', WAREHOUSE = '2/1/2026'");
}

TEST(Translator, SelectTopBecomesLimit) {
  EXPECT_EQ(T("SELECT TOP 1 CURRENCYCODE FROM CURRENCY ORDER BY CURRENCYCODE"),
            "SELECT CURRENCYCODE FROM CURRENCY ORDER BY CURRENCYCODE LIMIT 1");
  EXPECT_EQ(T("SELECT DISTINCT TOP (5) A FROM T;"), "SELECT DISTINCT A FROM T LIMIT 5;");
  EXPECT_EQ(T("SELECT A FROM T WHERE B IN (SELECT TOP 1 B FROM U) -- first"),
            "SELECT A FROM T WHERE B IN (SELECT B FROM U LIMIT 1) -- first");
}

TEST(Translator, LiteralsIdentifiersAndCommentsAreNeverMangled) {
  const char* kUntouched[] = {
      "SELECT 'INSERT x VALUES (1)' FROM COUNTRY",
      "SELECT 'it''s N''x'' here' FROM COUNTRY",
      "SELECT \"N'a'\", [TOP 1] FROM COUNTRY -- INSERT COUNTRY N'x' LIKE '[%]'",
      "SELECT 1 /* SELECT TOP 1 x; set TRANSACTION ISOLATION LEVEL READ COMMITTED */ FROM COUNTRY",
      "SELECT 'EFFECTIVEDATE = ''3/7/2024''' FROM CURRENCYRATE",
      "SELECT 'unterminated",
  };
  for (const char* sql : kUntouched) EXPECT_EQ(T(sql), sql);
}

TEST(Translator, DateColumnsComeFromTheTablesGiven) {
  TableDef events;
  events.name = "EVENTS";
  events.columns = {{"WHEN", ColumnType::DateTime, 0, true}};
  const std::vector<TableDef> tables{events};
  EXPECT_EQ(SqliteTranslator(tables).Translate("DELETE FROM EVENTS WHERE [WHEN] < '1/2/2003'"),
            "DELETE FROM EVENTS WHERE [WHEN] < '2003-01-02 00:00:00'");
  // A table the statement does not name lends its types to nothing.
  EXPECT_EQ(SqliteTranslator(tables).Translate("DELETE FROM OTHER WHERE [WHEN] < '1/2/2003'"),
            "DELETE FROM OTHER WHERE [WHEN] < '1/2/2003'");
}

}  // namespace
}  // namespace korvo::data
