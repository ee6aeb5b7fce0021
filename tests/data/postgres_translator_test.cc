// The PostgreSQL dialect translation: the rewrites it shares with SQLite in
// PostgreSQL's form, and what only PostgreSQL needs. Pure text; no server.
#include "platform/data/postgres/postgres_translator.h"

#include <gtest/gtest.h>

namespace korvo::data {
namespace {

std::string T(std::string_view sql) { return PostgresTranslator().Translate(sql).sql; }

TEST(PostgresTranslator, SharedRewritesInPostgresForm) {
  EXPECT_EQ(T("INSERT COUNTRY (COUNTRYCODE) VALUES (N'NL')"),
            "INSERT INTO COUNTRY (COUNTRYCODE) VALUES ('NL')");
  EXPECT_EQ(T("set TRANSACTION ISOLATION LEVEL READ COMMITTED"), "");
  EXPECT_EQ(T("SELECT TOP 1 CURRENCYCODE FROM CURRENCY ORDER BY CURRENCYCODE"),
            "SELECT CURRENCYCODE FROM CURRENCY ORDER BY CURRENCYCODE LIMIT 1");
  EXPECT_EQ(
      T("SELECT 1 FROM CURRENCYRATE WHERE EFFECTIVEDATE <= '3/7/2024' AND CURRENCYCODE = '3/7/2024'"),
      "SELECT 1 FROM CURRENCYRATE WHERE EFFECTIVEDATE <= '2024-03-07 00:00:00' AND CURRENCYCODE = '3/7/2024'");
}

TEST(PostgresTranslator, LikeIgnoresCaseUnderTheDefaultCollation) {
  EXPECT_EQ(
      T("SELECT NAME FROM BUSINESSPARTNER WHERE NAME LIKE N'%50[%][_][[]a]%'"),
      "SELECT NAME FROM BUSINESSPARTNER WHERE NAME ILIKE '%50\\%\\_[a]%' COLLATE \"default\" ESCAPE '\\'");
  // A backslash the library wrote is an ordinary character, not an escape.
  EXPECT_EQ(T("SELECT 1 WHERE A NOT LIKE 'C:\\d%'"),
            "SELECT 1 WHERE A NOT ILIKE 'C:\\d%' COLLATE \"default\" ESCAPE ''");
  EXPECT_EQ(T("SELECT 1 WHERE A LIKE ?"), "SELECT 1 WHERE A ILIKE $1 COLLATE \"default\"");
  EXPECT_EQ(T("SELECT 1 WHERE A LIKE '[%]' ESCAPE '!'"), "SELECT 1 WHERE A LIKE '[%]' ESCAPE '!'");
}

TEST(PostgresTranslator, NumbersBecomeTruthValuesOnlyForFlagColumns) {
  EXPECT_EQ(
      T("SELECT CURRENCYCODE FROM CURRENCY WHERE HOMECURRENCY=1 AND 0 <> EURO AND DECIMALS = 1"),
      "SELECT CURRENCYCODE FROM CURRENCY WHERE HOMECURRENCY=TRUE AND FALSE <> EURO AND DECIMALS = 1");
  EXPECT_EQ(T("INSERT CURRENCY VALUES ('USD', 'Dollar', 0, 1, 0, 2, 1033)"),
            "INSERT INTO CURRENCY VALUES ('USD', 'Dollar', FALSE, TRUE, FALSE, 2, 1033)");
  EXPECT_EQ(T("UPDATE CURRENCY SET EPC=1,DECIMALS=0 WHERE CURRENCYCODE='EUR'"),
            "UPDATE CURRENCY SET EPC=TRUE,DECIMALS=0 WHERE CURRENCYCODE='EUR'");
}

TEST(PostgresTranslator, ParametersAreNumberedAndBracketsDropped) {
  const PostgresTranslation t = PostgresTranslator().Translate(
      "SELECT [CURRENCYCODE], `EURO`, [two words] FROM CURRENCY WHERE CURRENCYCODE=? AND '?' <> ? -- ?");
  EXPECT_EQ(
      t.sql,
      "SELECT CURRENCYCODE, EURO, \"two words\" FROM CURRENCY WHERE CURRENCYCODE=$1 AND '?' <> $2 -- ?");
  EXPECT_EQ(t.parameters, 2);
}

TEST(PostgresTranslator, InsertsIntoIdentityTablesReturnTheKey) {
  const PostgresTranslation t = PostgresTranslator().Translate("INSERT ADDRESS (NAME1) VALUES (?);");
  EXPECT_EQ(t.sql, "INSERT INTO ADDRESS (NAME1) VALUES ($1) RETURNING ADDRESSID;");
  EXPECT_EQ(t.keyColumn, "ADDRESSID");
  EXPECT_EQ(PostgresTranslator().Translate("INSERT INTO COUNTRY (COUNTRYCODE) VALUES ('NL')").keyColumn,
            "");
  EXPECT_EQ(PostgresTranslator().Translate("SELECT * FROM ADDRESS").keyColumn, "");
}

TEST(PostgresTranslator, ResultNamesTakeTheLibrarysSpelling) {
  const PostgresTranslation t =
      PostgresTranslator().Translate("SELECT Code AS MyCode, COUNT(*) AS N FROM CURRENCY");
  EXPECT_EQ(t.ColumnName("mycode"), "MyCode");  // as the statement spells it
  EXPECT_EQ(t.ColumnName("n"), "N");
  EXPECT_EQ(t.ColumnName("currencyname"), "CURRENCYNAME");  // SELECT *: as the schema spells it
  EXPECT_EQ(t.ColumnName("Quoted"), "Quoted");              // not folded: as answered
}

}  // namespace
}  // namespace korvo::data
